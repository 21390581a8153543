// Loading by file name: the extension picks the reader, the result is 24-bit, and a box
// receives the picture stretched or fitted and centred on a background colour.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "dib_load.h"
#include "scratch_folder.h"
#include "tool_reference.h"

namespace kolta::test {
namespace {

namespace fs = std::filesystem;

// A 24-bit bitmap file of one colour.
std::vector<std::uint8_t> UniformBmp(int width, int height, DibColor colour) {
  BmpFields fields;
  fields.width = width;
  fields.height = height;
  const std::uint8_t bgr[] = {static_cast<std::uint8_t>(colour >> 16),
                              static_cast<std::uint8_t>(colour >> 8),
                              static_cast<std::uint8_t>(colour)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) fields.pixels.insert(fields.pixels.end(), bgr, bgr + 3);
    fields.pixels.resize((fields.pixels.size() + 3) & ~std::size_t{3});  // the row's padding
  }
  return BmpBytes(fields);
}

// A little-endian TIFF file of one strip of 24-bit pixels: the header, a directory of six
// entries at offset 8, then the strip.
std::vector<std::uint8_t> RgbTiff(std::uint32_t width, std::uint32_t height,
                                  const std::vector<std::uint8_t>& strip) {
  std::vector<std::uint8_t> out = {'I', 'I', 42, 0, 8, 0, 0, 0, 6, 0};
  constexpr std::uint32_t kStripAt = 8 + 2 + 6 * 12 + 4;
  auto entry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t value) {
    Put(out, tag, 2);
    Put(out, type, 2);
    Put(out, 1);
    Put(out, value);
  };
  constexpr std::uint32_t kShort = 3, kLong = 4;
  entry(256, kLong, width);
  entry(257, kLong, height);
  entry(258, kShort, 8);  // bits per sample
  entry(277, kShort, 3);  // samples per pixel
  entry(273, kLong, kStripAt);
  entry(279, kLong, static_cast<std::uint32_t>(strip.size()));
  Put(out, 0);
  out.insert(out.end(), strip.begin(), strip.end());
  return out;
}

// Each test loads its files from a short folder of its own (the loader refuses paths of
// 128 characters or more, which the build tree's may be), the samples copied there.
class Loader : public testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder_.empty()); }

  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const std::string path = folder_ + name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::string CopyOf(const std::string& source, const std::string& name) const {
    const std::string copy = scratch_.CopyFileIn(source, name);
    EXPECT_FALSE(copy.empty()) << source;
    return copy;
  }

  ScratchFolder scratch_{"load"};
  const std::string folder_ = scratch_.path();  // ends in the separator
};

// Every format of the table reaches its reader: the loaded picture is the one an
// independent tool decodes from the sample.
struct Dispatch {
  const char* format;  // the sample folder
  const char* sample;  // a sample file of that format
  int tolerance;
};

TEST_F(Loader, ExtensionsReachTheirReaders) {
  constexpr Dispatch kDispatch[] = {
      {"bmp", "pil_8bit_palette.bmp", 0},
      {"png", "pil_rgba.png", 0},
      {"jpeg", "baseline_420.jpg", 3},
      {"gif", "pil_89a_transparent.gif", 0},
      {"tiff", "mm_24bit_packbits_strips.tif", 0},
      {"psd", "rle_4channels.psd", 0},
      {"tga", "magick_type9.tga", 0},
      {"pcx", "gen_4bit_planar.pcx", 0},
  };
  for (const Dispatch& entry : kDispatch) {
    SCOPED_TRACE(entry.sample);
    const std::string sample = entry.sample;
    Ppm reference;
    ASSERT_TRUE(ReadPpm(SamplePath(entry.format, sample.substr(0, sample.rfind('.')) + ".ppm"),
                        reference));
    ImagePtr image(DibLoad(CopyOf(SamplePath(entry.format, sample), sample).c_str()));
    ASSERT_TRUE(image);
    EXPECT_EQ(DibBitCount(image.get()), 24);
    ExpectSamePicture(image.get(), reference, entry.tolerance);
  }
}

TEST_F(Loader, ExtensionIsMatchedInAnyCaseAndWhole) {
  const std::string jpeg = CopyOf(SamplePath("jpeg", "baseline_444.jpg"), "baseline_444.jpg");
  ImagePtr expected(DibLoad(jpeg.c_str()));
  ASSERT_TRUE(expected);
  for (const char* name : {"a.jpg", "b.Jpg", "c.JPG", "d.jpeg", "e.f.JpEg", "f.jpe", "g.JFIF"}) {
    ImagePtr image(DibLoad(CopyOf(jpeg, name).c_str()));
    ASSERT_TRUE(image) << name;
    EXPECT_EQ(PixelBytes(image.get()), PixelBytes(expected.get())) << name;
  }

  const std::string tiff = SamplePath("tiff", "ii_24bit.tif");
  ImagePtr tif(DibLoad(CopyOf(tiff, "picture.tif").c_str()));
  ImagePtr fourLetters(DibLoad(CopyOf(tiff, "picture.Tiff").c_str()));
  ASSERT_TRUE(tif && fourLetters);
  EXPECT_EQ(PixelBytes(fourLetters.get()), PixelBytes(tif.get()));

  const std::vector<std::uint8_t> bmp = UniformBmp(3, 2, DibRgb(1, 2, 3));
  EXPECT_TRUE(ImagePtr(DibLoad(Write("picture.bmp", bmp).c_str())));
  EXPECT_TRUE(ImagePtr(DibLoad(Write("picture.RLE", bmp).c_str())));
  EXPECT_TRUE(ImagePtr(DibLoad(Write("picture.dib", bmp).c_str())));
  EXPECT_TRUE(ImagePtr(DibLoad(Write("picture.txt.bmp", bmp).c_str())));
  EXPECT_TRUE(ImagePtr(DibLoad(Write(".bmp", bmp).c_str())));  // the extension is BMP
  for (const char* name : {"picture", "picture.bmp.txt", "picture.bm",
                           "picture.bmpx", "picture.", "folder.bmp/picture"}) {
    EXPECT_EQ(DibLoad(Write(name, bmp).c_str()), nullptr) << name;
  }
  EXPECT_EQ(DibLoad(nullptr), nullptr);
  EXPECT_EQ(DibLoad((folder_ + "missing.bmp").c_str()), nullptr);
}

// A picture saved under another format's extension loads when its first bytes say what it
// is; a file whose format has no such mark, or whose extension names no reader, does not.
TEST_F(Loader, RefusedFilesGoToTheReaderTheirSignatureNames) {
  struct Misnamed {
    const char* format;
    const char* sample;
    const char* savedAs;
  };
  constexpr Misnamed kMisnamed[] = {
      {"png", "pil_rgb.png", "png_as.jpg"},        {"jpeg", "baseline_444.jpg", "jpeg_as.png"},
      {"bmp", "pil_24bit.bmp", "bmp_as.tiff"},     {"gif", "pil_87a.gif", "gif_as.bmp"},
      {"tiff", "ii_24bit.tif", "tiff_as.tga"},     {"tiff", "mm_24bit_strips.tif", "tiff_as.gif"},
      {"psd", "raw_3channels.psd", "psd_as.pcx"},  {"pcx", "pil_24bit.pcx", "pcx_as.psd"},
  };
  for (const Misnamed& file : kMisnamed) {
    SCOPED_TRACE(file.savedAs);
    const std::string sample = SamplePath(file.format, file.sample);
    ImagePtr expected(DibLoad(CopyOf(sample, file.sample).c_str()));
    ASSERT_TRUE(expected);
    ImagePtr image(DibLoad(CopyOf(sample, file.savedAs).c_str()));
    ASSERT_TRUE(image);
    EXPECT_EQ(PixelBytes(image.get()), PixelBytes(expected.get()));
  }
  EXPECT_EQ(DibLoad(CopyOf(SamplePath("tga", "pil_type2_24.tga"), "tga_as.bmp").c_str()), nullptr);
  EXPECT_EQ(DibLoad(CopyOf(SamplePath("png", "pil_rgb.png"), "png_as.txt").c_str()), nullptr);
  EXPECT_EQ(DibLoad(Write("empty.jpg", {}).c_str()), nullptr);
}

TEST_F(Loader, PathsMustFitTheirBuffer) {
  const std::vector<std::uint8_t> bmp = UniformBmp(2, 2, DibRgb(9, 8, 7));
  const std::size_t fixed = folder_.size() + 4;  // the folder with its separator, ".bmp"
  ASSERT_LT(fixed, 120u);
  const std::string longest = Write(std::string(127 - fixed, 'n') + ".bmp", bmp);
  ASSERT_EQ(longest.size(), 127u);
  EXPECT_TRUE(ImagePtr(DibLoad(longest.c_str())));
  const std::string tooLong = Write(std::string(128 - fixed, 'n') + ".bmp", bmp);
  EXPECT_EQ(DibLoad(tooLong.c_str()), nullptr);
}

TEST_F(Loader, EightBitPicturesBecome24Bit) {
  BmpFields fields;
  fields.width = 3;
  fields.height = 2;
  fields.bitCount = 8;
  fields.palette = {0x00102030, 0x00405060, 0x00708090};
  fields.colorsUsed = 3;
  fields.pixels = {2, 1, 0, 0, 0, 1, 2, 0};
  ImagePtr image(DibLoad(Write("grey.bmp", BmpBytes(fields)).c_str()));
  ASSERT_TRUE(image);
  EXPECT_EQ(DibBitCount(image.get()), 24);
  EXPECT_EQ(DibWidth(image.get()), 3);
  EXPECT_EQ(DibHeight(image.get()), 2);
  EXPECT_EQ(PixelColour(image.get(), 0, 1), DibRgb(0x70, 0x80, 0x90));  // bottom row, index 2
  EXPECT_EQ(PixelColour(image.get(), 2, 0), DibRgb(0x70, 0x80, 0x90));  // top row, index 2
  EXPECT_EQ(PixelColour(image.get(), 0, 0), DibRgb(0x10, 0x20, 0x30));
}

// Pictures whose rows no block holds, which 32-bit builds once loaded as small blocks
// claiming 1,431,655,766 pixels a row (conversion and placement then read far outside
// them), are refused with or without a box.
TEST_F(Loader, PicturesWiderThanAnyBlockAreRefused) {
  BmpFields bmp;
  bmp.width = 0x55555556;
  bmp.height = 2;
  bmp.pixels.assign(8, 0x5A);
  const std::string wideBmp = Write("wide.bmp", BmpBytes(bmp));
  const std::string wideTiff = Write("wide.tif", RgbTiff(0x55555556, 2, std::vector<std::uint8_t>(8, 0x5A)));
  // The same files at a width that fits load.
  bmp.width = 1;
  ASSERT_TRUE(ImagePtr(DibLoad(Write("narrow.bmp", BmpBytes(bmp)).c_str())));
  ASSERT_TRUE(ImagePtr(DibLoad(Write("narrow.tif", RgbTiff(1, 2, {1, 2, 3, 4, 5, 6})).c_str())));
  for (const std::string& path : {wideBmp, wideTiff}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(DibLoad(path.c_str()), nullptr);
    EXPECT_EQ(DibLoadFitted(path.c_str(), 32, 24, 1, 0), nullptr);
    EXPECT_EQ(DibLoadFitted(path.c_str(), 32, 24, 0, 0), nullptr);
  }
}

// The box shows the picture's colour (within the bilinear rounding) inside `drawn` and
// the background exactly everywhere else.
void ExpectBox(const DibImage* box, DibRect drawn, DibColor picture, DibColor background) {
  int wrong = 0;
  for (int y = 0; y < DibHeight(box); ++y) {
    for (int x = 0; x < DibWidth(box); ++x) {
      const bool inside = x >= drawn.left && x < drawn.right && y >= drawn.top && y < drawn.bottom;
      const DibColor got = PixelColour(box, x, y);
      const bool ok = inside ? ColourMatches(got, picture, 1) != 0 : got == background;
      if (!ok && ++wrong <= 5) ADD_FAILURE() << x << "," << y << ": " << std::hex << got;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(Loader, PicturesArePlacedInTheBox) {
  const DibColor colour = DibRgb(200, 40, 90), background = DibRgb(10, 220, 30);
  const std::string square = Write("square.bmp", UniformBmp(400, 400, colour));
  const std::string wide = Write("wide.bmp", UniformBmp(100, 25, colour));
  const std::string flat = Write("flat.bmp", UniformBmp(100, 20, colour));
  struct Case {
    std::string path;
    int boxWidth, boxHeight, fit;
    DibRect drawn;
  };
  const Case cases[] = {
      {square, 200, 100, 1, {50, 0, 150, 100}},  // scale 0.25: 100 x 100 at (50, 0)
      {wide, 200, 100, 1, {0, 25, 200, 75}},     // scale 2: 200 x 50 at (0, 25)
      {flat, 50, 50, 0, {0, 0, 50, 50}},         // stretched over the whole box
      {wide, 30, 13, 1, {0, 3, 30, 10}},         // scale 0.3: 30 x 7 (7.5 truncated) at (0, 3)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.boxWidth);
    ImagePtr box(DibLoadFitted(c.path.c_str(), c.boxWidth, c.boxHeight, c.fit, background));
    ASSERT_TRUE(box);
    EXPECT_EQ(DibWidth(box.get()), c.boxWidth);
    EXPECT_EQ(DibHeight(box.get()), c.boxHeight);
    ExpectBox(box.get(), c.drawn, colour, background);
  }
  // A box of width or height 0 leaves the picture as it is.
  ImagePtr unboxed(DibLoadFitted(wide.c_str(), 0, 100, 1, background));
  ASSERT_TRUE(unboxed);
  ExpectBox(unboxed.get(), {0, 0, 100, 25}, colour, background);
  EXPECT_EQ(DibLoadFitted(wide.c_str(), -5, 10, 1, background), nullptr);
}

}  // namespace
}  // namespace kolta::test
