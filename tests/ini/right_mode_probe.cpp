// Asks IniRightMode on the display the program runs on.
//   right_mode_probe WIDTH HEIGHT EXPECTED [WIDTH HEIGHT EXPECTED ...]
// Exits 0 when every answer is the expected one.
#include <cstdio>
#include <cstdlib>

#include "K_INI.h"

int main(int argc, char** argv) {
  if (argc < 4 || (argc - 1) % 3 != 0) {
    std::fprintf(stderr, "usage: right_mode_probe WIDTH HEIGHT EXPECTED ...\n");
    return 2;
  }
  HDC info = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  std::printf("display %d x %d, %d bits per pixel\n", GetSystemMetrics(SM_CXSCREEN),
              GetSystemMetrics(SM_CYSCREEN), GetDeviceCaps(info, BITSPIXEL));
  DeleteDC(info);
  int failures = 0;
  for (int i = 1; i + 2 < argc; i += 3) {
    const int width = std::atoi(argv[i]), height = std::atoi(argv[i + 1]);
    const int expected = std::atoi(argv[i + 2]);
    const int answer = IniRightMode(width, height);
    std::printf("IniRightMode(%d, %d) = %d, expected %d\n", width, height, answer, expected);
    failures += answer != expected;
  }
  return failures == 0 ? 0 : 1;
}
