// What an end-to-end run compares a message box with, run in the run's own Wine prefix so
// that it has the same fonts:
//
//   message_text_probe draw FACE HEIGHT WIDTH LINES TEXT-FILE OUT-FILE
//     draws the text of TEXT-FILE (bytes of the ANSI code page) as the skinned message box
//     lays out its message: in a font of that face and height, black on white in a box of
//     WIDTH x LINES pixels from its top left corner, on one line when it fits and wrapped
//     at words when it does not. OUT-FILE gets the ink as a binary PGM picture (255 where
//     a pixel is fully black).
//   message_text_probe read
//     prints the texts of the controls of every visible dialog box on the desktop, one per
//     line (the platform's own message boxes).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::vector<char> ReadFileBytes(const char* path) {
  std::vector<char> bytes;
  if (FILE* file = std::fopen(path, "rb")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
    std::fclose(file);
  }
  return bytes;
}

int Draw(const char* face, int height, int width, int lines, const char* textPath,
         const char* outPath) {
  const std::vector<char> text = ReadFileBytes(textPath);
  if (text.empty() || width <= 0 || lines <= 0) return 2;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -lines;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (!dc || !bitmap) return 3;
  SelectObject(dc, bitmap);
  RECT box{0, 0, width, lines};
  FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

  LOGFONTA font{};
  font.lfHeight = height;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
  SelectObject(dc, CreateFontIndirectA(&font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  const int length = static_cast<int>(text.size());
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.data(), length, &extent);
  const UINT wrap = extent.cx < width ? 0 : DT_WORDBREAK;
  DrawTextA(dc, text.data(), length, &box, wrap | DT_NOPREFIX);
  GdiFlush();

  FILE* out = std::fopen(outPath, "wb");
  if (!out) return 4;
  std::fprintf(out, "P5\n%d %d\n255\n", width, lines);
  const auto* pixels = static_cast<const unsigned char*>(bits);
  for (int i = 0; i < width * lines; ++i) {
    const unsigned char* p = pixels + 4 * i;  // blue, green, red
    const int luminance = (114 * p[0] + 587 * p[1] + 299 * p[2]) / 1000;
    std::fputc(255 - luminance, out);
  }
  return std::fclose(out) == 0 ? 0 : 4;
}

BOOL CALLBACK PrintControlText(HWND control, LPARAM) {
  char text[1024];
  if (GetWindowTextA(control, text, sizeof text) > 0) std::printf("%s\n", text);
  return TRUE;
}

BOOL CALLBACK PrintDialogTexts(HWND window, LPARAM) {
  char type[32];
  if (IsWindowVisible(window) && GetClassNameA(window, type, sizeof type) &&
      lstrcmpA(type, "#32770") == 0) {
    EnumChildWindows(window, PrintControlText, 0);
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 8 && lstrcmpA(argv[1], "draw") == 0) {
    return Draw(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), argv[6],
                argv[7]);
  }
  if (argc == 2 && lstrcmpA(argv[1], "read") == 0) {
    EnumWindows(PrintDialogTexts, 0);
    return std::fflush(stdout) == 0 ? 0 : 4;
  }
  std::fprintf(stderr, "usage: message_text_probe draw FACE HEIGHT WIDTH LINES TEXT OUT | read\n");
  return 2;
}
