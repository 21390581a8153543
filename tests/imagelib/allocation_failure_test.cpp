// Memory exhaustion in the readers and pixel operations: with each allocation of operator
// new failing in turn (failing_new.h), every outcome is the interface's failure or exactly
// what the operation makes without failures; no exception leaves the library and no block
// of its allocator stays behind.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "dib_load.h"
#include "dib_ops.h"
#include "failing_new.h"
#include "gif_file.h"
#include "gif_test_files.h"
#include "image_test_support.h"
#include "jpeg_file.h"
#include "pcx_file.h"
#include "png_file.h"
#include "psd_file.h"
#include "tga_file.h"
#include "tiff_file.h"
#include "tiff_test_files.h"
#include "tool_reference.h"

namespace kolta::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What an operation made, as a fingerprint of its bytes (FNV-1a, which allocates nothing);
// nothing for the failure its interface defines.
using Outcome = std::optional<std::uint64_t>;

class Fingerprint {
 public:
  Fingerprint& Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) hash_ = (hash_ ^ bytes[i]) * 0x100000001B3ull;
    return *this;
  }
  template <typename T>
  Fingerprint& AddValue(const T& value) {
    return Add(&value, sizeof value);
  }
  Fingerprint& Add(const DibImage* image) {
    const std::size_t bytes = DibTotalSize(image);
    AddValue(bytes);
    return bytes ? Add(image, bytes) : *this;
  }
  Fingerprint& Add(const SelectionMask* mask) {
    AddValue(mask->left).AddValue(mask->top).AddValue(mask->width).AddValue(mask->height);
    AddValue(mask->soft).AddValue(mask->shapeKind).AddValue(mask->pointCount);
    AddValue(mask->runCount).Add(mask->values, SelectionValuesSize(mask));
    if (mask->runs) Add(mask->runs, sizeof(SelectionRun) * std::size_t(mask->runCount));
    if (mask->points) Add(mask->points, sizeof(SelectionPoint) * std::size_t(mask->pointCount));
    return *this;
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xCBF29CE484222325ull;
};

Outcome Of(const DibImage* image) {
  if (!image) return std::nullopt;
  return Fingerprint().Add(image).value();
}

// A picture and the mask that came with it; nothing unless the picture came.
Outcome Of(const DibImage* image, const DibImage* mask) {
  if (!image) return std::nullopt;
  return Fingerprint().Add(image).Add(mask).value();
}

Outcome Of(const SelectionMask* mask) {
  if (!mask) return std::nullopt;
  return Fingerprint().Add(mask).value();
}

bool SameImage(const DibImage* a, const DibImage* b) {
  const std::size_t bytes = DibTotalSize(a);
  return bytes != 0 && bytes == DibTotalSize(b) && std::memcmp(a, b, bytes) == 0;
}

// An operation that makes a new image.
std::function<Outcome()> Makes(std::function<DibImage*()> make) {
  return [make] {
    ImagePtr image(make());
    return Of(image.get());
  };
}

// A new image from an in-memory file.
std::function<Outcome()> Reads(DibImage* (*read)(const void*, std::size_t), Bytes file) {
  return [read, file] {
    ImagePtr image(read(file.data(), file.size()));
    return Of(image.get());
  };
}

std::function<Outcome()> ReadsSample(DibImage* (*read)(const void*, std::size_t),
                                     const char* format, const char* name) {
  return Reads(read, FileBytes(SamplePath(format, name)));
}

// A 32-bit file whose colour masks take red, green and blue from the high bytes.
Bytes MaskedBmp() {
  BmpFields fields;
  fields.width = 3;
  fields.height = -2;  // top-down
  fields.bitCount = 32;
  fields.compression = 3;
  fields.masks = {0x0000FF00, 0x00FF0000, 0xFF000000};
  for (std::uint8_t i = 0; i < 24; ++i) fields.pixels.push_back(static_cast<std::uint8_t>(i * 11));
  return BmpBytes(fields);
}

// A 4 x 6 palette picture in three strips without byte counts (each runs to the next one),
// its offsets and colour map stored as arrays behind the directory.
Bytes TiffWithoutByteCounts() {
  std::vector<std::uint32_t> map(3 * 256);
  for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint32_t>(i * 85);
  TiffFile file = Picture(false, 4, 6).Short(kPhotometric, 3).Short(kRowsPerStrip, 2);
  file.Add(kOffsets, TiffFile::kShort, {2000, 2008, 2016}).Add(kColorMap, TiffFile::kShort, map);
  Bytes pixels(24);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 7);
  return file.Put(2000, pixels).Bytes();
}

// A 6 x 5 screen with a transparent 4 x 3 frame.
Bytes TransparentGif() {
  GifBuilder gif(6, 5, {0x0000FF, 0x00FF00, 0xFF0000, 0x123456}, 2);
  gif.Control(0, 1).Frame(1, 1, 4, 3, {0, 1, 2, 3, 1, 1, 0, 2, 3, 3, 1, 0});
  return gif.End();
}

// The target after DibStretchCopy of the whole source into most of it; null when scaling
// was refused, which must leave the target as it was.
DibImage* Stretched(const DibImage* source, int width, int height) {
  ImagePtr target(DibCreate(DibIs24(source), width, height, nullptr, 0x403020));
  ImagePtr before(DibDuplicate(target.get()));
  if (!target || !before) return nullptr;
  if (DibStretchCopy(target.get(), 1, 2, width - 3, height - 2, source, 0, 0, DibWidth(source),
                     DibHeight(source))) {
    return target.release();
  }
  return SameImage(target.get(), before.get()) ? nullptr : target.release();
}

// DibMirror or DibFlip of a copy; null when the old image came back.
DibImage* Reversed(const DibImage* image, DibImage* (*reverse)(DibImage*)) {
  DibImage* copy = DibDuplicate(image);
  if (!copy) return nullptr;
  DibImage* result = reverse(copy);
  if (result != copy) return result;
  DibFree(copy);
  return nullptr;
}

// Union, intersection and difference of two overlapping rectangles.
Outcome Combined() {
  SelectionPtr a(SelectionCreateRect(0, 0, 20, 12, 0)), b(SelectionCreateRect(6, 4, 31, 25, 1));
  if (!a || !b) return std::nullopt;
  Fingerprint combined;
  for (const int operation : {kSelectionUnite, kSelectionIntersect, kSelectionSubtract}) {
    SelectionPtr result(SelectionCombine(a.get(), b.get(), operation));
    if (!result) return std::nullopt;
    combined.Add(result.get());
  }
  return combined.value();
}

// A copy of `start` with `source` composited over it at an opacity, through a selection; a
// large area, so that blending takes its table. Compositing has no failure of its own.
DibImage* Composited(const DibImage* start, DibImage* source, const SelectionMask* mask) {
  ImagePtr target(DibDuplicate(start));
  if (!target) return nullptr;
  CompositeParams params{};
  params.target = target.get();
  params.source = source;
  params.opacity = 0.4f;
  params.maxWidth = params.maxHeight = 1000;
  DibComposite(mask, &params);
  return target.release();
}

// The second of two frames drawn through the alpha runs of its mask onto a copy of `start`.
DibImage* AlphaDrawn(const DibImage* start, const DibImage* picture, const DibImage* mask) {
  AlphaRunsPtr table(AlphaRunsBuild(mask, 2));
  ImagePtr target(DibDuplicate(start));
  if (!table || !target) return nullptr;
  AlphaRunsBlit(target.get(), 3, 4, picture, table.get(), 1, nullptr);
  return target.release();
}

TEST(AllocationFailure, EveryOutcomeIsTheDefinedFailureOrTheResult) {
  const ImagePtr picture = Pattern(16, 12);
  const ImagePtr grey = GreyImage(15, 9, [](int x, int y) { return x * 17 + y * 29; });
  const ImagePtr canvas = Pattern(200, 190);
  const ImagePtr overlay = RgbImage(200, 190, [](int x, int y) {
    return std::array{y, 255 - x, (x + y) & 0xFF};
  });
  const SelectionPtr selection(SelectionCreateRect(4, 3, 200, 190, 1));
  const ImagePtr frames = Pattern(40, 14);
  const ImagePtr alphaMask = GreyImage(40, 14, SoftMaskValue);
  const Bytes gif = TransparentGif();
  const std::string bmpPath = SamplePath("bmp", "pil_24bit.bmp");
  ASSERT_TRUE(picture && grey && canvas && overlay && selection && frames && alphaMask);

  const std::pair<const char*, std::function<Outcome()>> operations[] = {
      {"BMP with colour masks", Reads(BmpLoadFromMemory, MaskedBmp())},
      {"PCX of four 1-bit planes", ReadsSample(PcxLoadFromMemory, "pcx", "gen_4bit_planar.pcx")},
      {"PCX of three 8-bit planes", ReadsSample(PcxLoadFromMemory, "pcx", "magick_24bit.pcx")},
      {"TIFF without byte counts", Reads(TiffLoadFromMemory, TiffWithoutByteCounts())},
      {"TIFF of planar LZW strips",
       ReadsSample(TiffLoadFromMemory, "tiff", "ii_24bit_planar_lzw_predictor_strips.tif")},
      {"TIFF of Deflate strips",
       ReadsSample(TiffLoadFromMemory, "tiff", "mm_8bit_palette_zip_strips.tif")},
      {"PSD of run-length channels", ReadsSample(PsdLoadFromMemory, "psd", "rle_4channels.psd")},
      {"TGA", ReadsSample(TgaLoadFromMemory, "tga", "magick_type10.tga")},
      {"JPEG", ReadsSample(JpegLoadFromMemory, "jpeg", "baseline_420.jpg")},
      {"PNG with alpha",
       [file = FileBytes(SamplePath("png", "pil_rgba.png"))] {
         DibImage* alpha = nullptr;
         ImagePtr image(PngLoadFromMemory(file.data(), file.size(), &alpha));
         const ImagePtr mask(alpha);
         return Of(image.get(), mask.get());
       }},
      {"GIF first frame and mask",
       [&gif] {
         DibImage* opaque = nullptr;
         ImagePtr image(GifLoadFromMemory(gif.data(), gif.size(), &opaque));
         const ImagePtr mask(opaque);
         return Of(image.get(), mask.get());
       }},
      {"GIF animation",
       [&gif] {
         const AnimationPtr animation = Open(gif);
         if (!animation) return Outcome{};
         const ImagePtr image(GifRenderFrame(animation.get(), 0x00FF00));
         const ImagePtr mask(GifFrameMask(animation.get()));
         return mask ? Of(image.get(), mask.get()) : Outcome{};
       }},
      {"fitted loading",
       Makes([&bmpPath] { return DibLoadFitted(bmpPath.c_str(), 23, 41, 1, 0x112233); })},
      {"scaling 24-bit up", Makes([&] { return Stretched(picture.get(), 37, 29); })},
      {"scaling 8-bit down", Makes([&] { return Stretched(grey.get(), 9, 7); })},
      {"mirror", Makes([&] { return Reversed(picture.get(), DibMirror); })},
      {"flip", Makes([&] { return Reversed(grey.get(), DibFlip); })},
      {"conversion to 24 bits", Makes([&] { return DibConvertTo24(grey.get()); })},
      {"rectangular selection",
       [] {
         SelectionPtr mask(SelectionCreateRect(-3, 2, 14, 9, 1));
         return Of(mask.get());
       }},
      {"selection combinations", Combined},
      {"blended compositing",
       Makes([&] { return Composited(canvas.get(), overlay.get(), nullptr); })},
      {"blended compositing through a selection",
       Makes([&] { return Composited(canvas.get(), overlay.get(), selection.get()); })},
      {"alpha runs",
       Makes([&] { return AlphaDrawn(picture.get(), frames.get(), alphaMask.get()); })},
  };

  long failures = 0;
  for (const auto& [name, operation] : operations) {
    const std::size_t blocks = ImgLiveBlocks();
    const Outcome expected = operation();
    ASSERT_TRUE(expected) << name << " fails without any failing allocation";
    const long failed = FailEachAllocation([&] {
      const Outcome outcome = operation();
      return (!outcome || outcome == expected) && ImgLiveBlocks() == blocks;
    });
    EXPECT_GE(failed, 0) << name;
    EXPECT_EQ(ImgLiveBlocks(), blocks) << name;
    if (failed > 0) failures += failed;
  }
  // The readers' working arrays come from operator new: the test program's must be the
  // failing one, or nothing above was tested.
  EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace kolta::test
