// Prints megapixels per second of the operations the skin draws with, so that changes can
// be compared. Build with optimisation (a Release build) for figures that mean something.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "bmp_file.h"
#include "dib_ops.h"

namespace {

// Runs `work` (which handles `pixels` pixels) for at least half a second.
void Measure(const char* name, double pixels, const std::function<void()>& work) {
  using Clock = std::chrono::steady_clock;
  work();  // warm-up
  int rounds = 0;
  const auto start = Clock::now();
  std::chrono::duration<double> elapsed{};
  do {
    work();
    ++rounds;
    elapsed = Clock::now() - start;
  } while (elapsed.count() < 0.5);
  std::printf("%-34s %9.1f Mpixel/s\n", name, pixels * rounds / elapsed.count() / 1e6);
}

DibImage* Pattern(int width, int height) {
  DibImage* image = DibCreate(1, width, height, nullptr, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = DibPixelAddress(image, x, y);
      p[0] = static_cast<std::uint8_t>(x * 7);
      p[1] = static_cast<std::uint8_t>(y * 3);
      p[2] = static_cast<std::uint8_t>(x ^ y);
    }
  }
  return image;
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A bitmap file in memory: 8-bit plain or run-length, or 24-bit.
std::vector<std::uint8_t> BmpFile(int width, int height, int bitCount, bool rle) {
  const std::uint32_t palette = bitCount == 8 ? 1024 : 0;
  std::vector<std::uint8_t> pixels;
  const int stride = ((width * bitCount / 8) + 3) & ~3;
  for (int y = 0; y < height; ++y) {
    if (rle) {
      for (int x = 0; x < width; x += 16) {
        pixels.push_back(static_cast<std::uint8_t>(std::min(16, width - x)));
        pixels.push_back(static_cast<std::uint8_t>(x / 16 + y));
      }
      pixels.push_back(0);
      pixels.push_back(0);
    } else {
      for (int i = 0; i < stride; ++i) pixels.push_back(static_cast<std::uint8_t>(i + y));
    }
  }
  std::vector<std::uint8_t> file = {'B', 'M'};
  Append32(file, static_cast<std::uint32_t>(54 + palette + pixels.size()));
  Append32(file, 0);
  Append32(file, 54 + palette);
  for (std::uint32_t v :
       {40u, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)}) {
    Append32(file, v);
  }
  file.push_back(1);
  file.push_back(0);
  file.push_back(static_cast<std::uint8_t>(bitCount));
  file.push_back(0);
  for (std::uint32_t v : {rle ? 1u : 0u, 0u, 0u, 0u, 0u, 0u}) Append32(file, v);
  for (std::uint32_t i = 0; i < palette / 4; ++i) Append32(file, i * 0x010101);
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

void MeasureLoad(const char* name, int bitCount, bool rle) {
  const std::vector<std::uint8_t> file = BmpFile(600, 450, bitCount, rle);
  Measure(name, 600.0 * 450, [&] { DibFree(BmpLoadFromMemory(file.data(), file.size())); });
}

}  // namespace

int main() {
  DibImage* picture = Pattern(600, 450);
  DibImage* large = DibCreate(1, 1200, 900, nullptr, 0);
  DibImage* small = DibCreate(1, 300, 225, nullptr, 0);
  DibImage* canvas = DibCreate(1, 600, 450, nullptr, 0x00404040);

  Measure("DibStretchCopy 600x450 -> 1200x900", 1200.0 * 900,
          [&] { DibStretchCopy(large, 0, 0, 1200, 900, picture, 0, 0, 600, 450); });
  Measure("DibStretchCopy 600x450 -> 300x225", 300.0 * 225,
          [&] { DibStretchCopy(small, 0, 0, 300, 225, picture, 0, 0, 600, 450); });
  Measure("  the same, DibSampleBilinear each", 1200.0 * 900, [&] {
    const double step = 0.5;
    double ay = 0;
    for (int i = 0; i < 900; ++i, ay += step) {
      double ax = 0;
      for (int j = 0; j < 1200; ++j, ax += step) DibSampleBilinear(large, j, i, picture, ax, ay, 3);
    }
  });
  Measure("DibStretchCopy 600x450 same size", 600.0 * 450,
          [&] { DibStretchCopy(canvas, 0, 0, 600, 450, picture, 0, 0, 600, 450); });

  CompositeParams blend{};
  blend.target = canvas;
  blend.source = picture;
  blend.opacity = 0.5f;
  blend.maxWidth = blend.maxHeight = 1 << 30;
  Measure("DibComposite opacity 0.5", 600.0 * 450, [&] { DibComposite(nullptr, &blend); });
  CompositeParams keyed = blend;
  keyed.opacity = 1.0f;
  keyed.useKey = 1;
  keyed.keyFromCorner = 1;
  keyed.tolerance = 8;
  Measure("DibComposite key, tolerance 8", 600.0 * 450, [&] { DibComposite(nullptr, &keyed); });

  MeasureLoad("BmpLoad 8-bit 600x450", 8, false);
  MeasureLoad("BmpLoad 24-bit 600x450", 24, false);
  MeasureLoad("BmpLoad RLE8 600x450", 8, true);

  for (DibImage* image : {picture, large, small, canvas}) DibFree(image);
  return 0;
}
