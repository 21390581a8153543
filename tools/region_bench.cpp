// Times the window shape of a 600 x 450 mask with a complex outline: SkinRegionFromMask
// against the construction with one 1 x 1 RGN_XOR combine per outside pixel, both in this
// run, and checks that the two regions are equal. Prints the figures; exit code 1 when the
// regions differ.
//
//   scripts/wine-run.sh --root /tmp/wr --name bench --screen 1024x768x24
//       build/win64/bin/region_bench.exe [repeats]   (one command line)
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "per_pixel_region.h"
#include "skin_region.h"
#include "win_test_files.h"

namespace {

constexpr int kWidth = 600, kHeight = 450;

// A skin-like shape: a wavy blob with a soft (antialiased) edge, a toothed top, a row of
// round holes and a few thin slits, so that most rows hold several runs.
std::vector<std::uint8_t> ComplexMask() {
  std::vector<std::uint8_t> values(static_cast<std::size_t>(kWidth) * kHeight);
  const double cx = kWidth / 2.0, cy = kHeight / 2.0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double dx = (x - cx) / cx, dy = (y - cy) / cy;
      const double angle = std::atan2(dy, dx);
      const double radius = 0.86 + 0.06 * std::sin(7 * angle) + 0.03 * std::sin(23 * angle);
      double depth = (radius - std::hypot(dx, dy)) * 180;  // pixels inside the outline
      if (y < 60 && (x / 12) % 2 == 0) depth = std::min(depth, (y - 30) * 1.0);
      for (int hole = 0; hole < 7; ++hole) {
        const double hx = 110 + hole * 63.0, hy = 300 + 25 * std::sin(hole);
        depth = std::min(depth, std::hypot(x - hx, y - hy) - (8 + 3 * hole));
      }
      if (y > 120 && y < 200 && x % 40 < 2) depth = std::min(depth, -1.0);
      values[static_cast<std::size_t>(y) * kWidth + x] =
          static_cast<std::uint8_t>(std::clamp(128 + depth * 32, 0.0, 255.0));
    }
  }
  return values;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

template <typename Build>
double Time(Build build, HRGN* region) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  *region = build();
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

DWORD RectangleCount(HRGN region) {
  const DWORD bytes = GetRegionData(region, 0, nullptr);
  std::vector<DWORD> data((bytes + sizeof(DWORD) - 1) / sizeof(DWORD));
  if (!bytes || !GetRegionData(region, bytes, reinterpret_cast<RGNDATA*>(data.data()))) return 0;
  return reinterpret_cast<const RGNDATA*>(data.data())->rdh.nCount;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  char temp[MAX_PATH];
  if (!GetTempPathA(MAX_PATH, temp)) return 2;
  const std::string folder = std::string(temp) + "region_bench\\";
  const std::string path = folder + "mask.bmp";
  const std::vector<std::uint8_t> values = ComplexMask();
  if (!kolta::test::WriteFile(path, kolta::test::MaskFileBytes(kWidth, kHeight, values))) return 2;
  const auto outside = std::count_if(values.begin(), values.end(), [](auto v) { return v < 128; });

  std::vector<double> runTimes;
  HRGN fast = nullptr;
  for (int i = 0; i < repeats; ++i) {
    if (fast) DeleteObject(fast);
    runTimes.push_back(Time([&] { return SkinRegionFromMask(path.c_str()); }, &fast));
  }
  std::sort(runTimes.begin(), runTimes.end());
  double loadTime = 1e9;  // reading the mask file, which both builders do first
  for (int i = 0; i < repeats; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    DibFree(BmpLoad(path.c_str()));
    QueryPerformanceCounter(&end);
    loadTime = std::min(loadTime, Milliseconds(start, end));
  }
  HRGN slow = nullptr;
  const double perPixelTime =
      Time([&] { return kolta::test::PerPixelRegionFromMask(path.c_str()); }, &slow);
  const bool equal = fast && slow && EqualRgn(fast, slow);

  std::printf("mask %d x %d, %ld pixels below 128, region of %lu rectangles\n", kWidth, kHeight,
              static_cast<long>(outside), static_cast<unsigned long>(RectangleCount(fast)));
  std::printf("SkinRegionFromMask:        best %.3f ms, median %.3f ms (%d runs)\n",
              runTimes.front(), runTimes[runTimes.size() / 2], repeats);
  std::printf("of which BmpLoad:           best %.3f ms\n", loadTime);
  std::printf("one combine per pixel:     %.1f ms (one run)\n", perPixelTime);
  std::printf("ratio (per pixel / median): %.0f\n", perPixelTime / runTimes[runTimes.size() / 2]);
  std::printf("regions equal: %s\n", equal ? "yes" : "NO");
  DeleteObject(fast);
  DeleteObject(slow);
  kolta::test::RemoveTree(folder);
  return equal ? 0 : 1;
}
