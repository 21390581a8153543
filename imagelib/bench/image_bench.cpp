// Prints megapixels per second of the operations the skin draws with and of the file
// readers, so that changes can be compared. Build with optimisation (a Release build) for
// figures that mean something.
//
// Usage: image_bench [FOLDER]
//   FOLDER holds the decode benchmark's files, written by
//   `python3 imagelib/bench/make_bench_files.py FOLDER`; each is decoded from its file by
//   the library and, where it reads the format, by stb_image (native builds), and the
//   throughputs are printed with their ratio. Without FOLDER only the other figures print.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "dib_ops.h"
#include "gif_file.h"
#include "jpeg_file.h"
#include "pcx_file.h"
#include "png_file.h"
#include "psd_file.h"
#include "tga_file.h"
#include "tiff_file.h"

#ifdef KOLTA_BENCH_STB
#include <stb/stb_image.h>
constexpr bool kHaveStb = true;
#else
constexpr bool kHaveStb = false;
#endif

namespace {

// Runs `work` (which handles `pixels` pixels) for at least half a second; megapixels per
// second.
double Rate(double pixels, const std::function<void()>& work) {
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
  return pixels * rounds / elapsed.count() / 1e6;
}

void Measure(const char* name, double pixels, const std::function<void()>& work) {
  std::printf("%-34s %9.1f Mpixel/s\n", name, Rate(pixels, work));
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

DibImage* LoadGifPicture(const char* path) { return GifLoad(path, nullptr); }
DibImage* LoadPngPicture(const char* path) { return PngLoad(path, nullptr); }

struct DecodeCase {
  const char* label;
  const char* file;
  DibImage* (*load)(const char* path);
  bool stbReads;  // a format stb_image decodes
};

constexpr DecodeCase kDecodeCases[] = {
    {"BMP 24-bit", "photo24.bmp", BmpLoad, true},
    {"BMP RLE8", "photo_rle8.bmp", BmpLoad, false},  // stb_image reads no run-length BMP
    {"PNG RGB", "photo.png", LoadPngPicture, true},
    {"JPEG baseline", "photo.jpg", JpegLoad, true},
    {"GIF", "photo.gif", LoadGifPicture, true},
    {"TIFF 24-bit", "photo24.tif", TiffLoad, false},
    {"TIFF PackBits", "photo_packbits.tif", TiffLoad, false},
    {"PSD RLE", "photo_rle.psd", PsdLoad, true},
    {"TGA 24-bit RLE", "photo_rle.tga", TgaLoad, true},
    {"PCX 24-bit", "photo24.pcx", PcxLoad, false},
};

// Decode throughput from the files in `folder`: ours, stb_image's, and their ratio; "n/a"
// where a decoder gives no picture, "-" where stb_image does not read the format. stb_image
// is asked for what our readers give these colour pictures: three 8-bit channels.
void MeasureDecoding(const std::string& folder) {
  std::printf("\nDecoding 1024x768 files (Mpixel/s)   %9s %9s %7s\n", "ours", "stb", "ours/stb");
  for (const DecodeCase& c : kDecodeCases) {
    const std::string path = folder + "/" + c.file;
    double ours = 0, stb = 0;
    if (DibImage* image = c.load(path.c_str())) {
      const double pixels = static_cast<double>(DibWidth(image)) * DibHeight(image);
      DibFree(image);
      ours = Rate(pixels, [&] { DibFree(c.load(path.c_str())); });
    }
#ifdef KOLTA_BENCH_STB
    int width = 0, height = 0, channels = 0;
    constexpr int kChannels = 3;
    if (stbi_uc* pixels =
            c.stbReads ? stbi_load(path.c_str(), &width, &height, &channels, kChannels) : nullptr) {
      stbi_image_free(pixels);
      stb = Rate(static_cast<double>(width) * height, [&] {
        stbi_image_free(stbi_load(path.c_str(), &width, &height, &channels, kChannels));
      });
    }
#endif
    char oursText[16] = "n/a", stbText[16] = "-", ratioText[16] = "";
    if (ours > 0) std::snprintf(oursText, sizeof oursText, "%.1f", ours);
    if (kHaveStb && c.stbReads) std::snprintf(stbText, sizeof stbText, "n/a");
    if (stb > 0) std::snprintf(stbText, sizeof stbText, "%.1f", stb);
    if (ours > 0 && stb > 0) std::snprintf(ratioText, sizeof ratioText, "%.2f", ours / stb);
    std::printf("%-36s %9s %9s %7s\n", c.label, oursText, stbText, ratioText);
  }
}

}  // namespace

int main(int argc, char** argv) {
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
  if (argc > 1) MeasureDecoding(argv[1]);
  return 0;
}
