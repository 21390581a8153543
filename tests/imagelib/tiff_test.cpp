// The TIFF reader on hand-built files, for the rules the tools' files (compared in
// tool_files_test.cpp) do not show.
#include <gtest/gtest.h>
#include <zlib.h>  // the reader's own dependency: Deflate strips for the tests

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image_test_support.h"
#include "tiff_file.h"
#include "tiff_test_files.h"

namespace kolta::test {
namespace {

// An 8-bit grey picture `width` x `height` in one strip at offset 400 holding `pixels`.
TiffFile GreyFile(bool big, std::uint32_t width, std::uint32_t height,
                  std::vector<std::uint8_t> pixels) {
  TiffFile file = Picture(big, width, height).Short(kPhotometric, 1);
  file.Add(kOffsets, TiffFile::kLong, {400})
      .Add(kCounts, TiffFile::kLong, {static_cast<std::uint32_t>(pixels.size())});
  return file.Put(400, std::move(pixels));
}

std::vector<std::uint8_t> Count(std::uint8_t from, std::size_t n) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(from + i);
  return bytes;
}

// Codes of 9 bits, most significant bit first: the start of an LZW strip.
std::vector<std::uint8_t> NineBitCodes(std::initializer_list<int> codes) {
  std::vector<std::uint8_t> out;
  std::uint32_t bits = 0;
  int count = 0;
  for (const int code : codes) {
    bits = (bits << 9) | static_cast<std::uint32_t>(code);
    for (count += 9; count >= 8; count -= 8)
      out.push_back(static_cast<std::uint8_t>(bits >> (count - 8)));
  }
  if (count > 0) out.push_back(static_cast<std::uint8_t>(bits << (8 - count)));
  return out;
}

std::vector<std::uint8_t> Deflated(const std::vector<std::uint8_t>& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::vector<std::uint8_t> out(size);
  EXPECT_EQ(compress(out.data(), &size, data.data(), static_cast<uLong>(data.size())), Z_OK);
  out.resize(size);
  return out;
}

// Palette index (or grey level) of 8-bit pixel (x, y), y from the top.
int Index(const DibImage* image, int x, int y) { return *DibPixelAddress(image, x, y); }

class TiffByteOrders : public testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Orders, TiffByteOrders, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& big) {
                           return big.param ? "MM" : "II";
                         });

TEST_P(TiffByteOrders, RefusesWhatItCannotRead) {
  const bool big = GetParam();
  const auto refused = [&](const char* what, TiffFile file) {
    ImagePtr image(file.Load());
    EXPECT_FALSE(image) << what;
  };
  refused("version 43", GreyFile(big, 2, 2, Count(0, 4)).Version(43));
  // Codings not decoded give no picture rather than a black one: CCITT, JPEG, JPEG 2000 and
  // a code nobody uses.
  for (std::uint32_t compression : {2, 3, 4, 6, 7, 99, 34712}) {
    refused("compression", GreyFile(big, 2, 2, Count(0, 4)).Short(kCompression, compression));
  }
  refused("tiles", GreyFile(big, 2, 2, Count(0, 4)).Short(kTileWidth, 16));
  refused("floating-point prediction",
          GreyFile(big, 2, 2, Count(0, 4)).Short(kCompression, 5).Short(kPredictor, 3));
  refused(
      "differenced 4-bit samples",
      GreyFile(big, 4, 1, Count(0, 2)).Short(kBits, 4).Short(kCompression, 8).Short(kPredictor, 2));
  for (std::uint32_t format : {2, 3}) {
    refused("signed or floating samples",
            GreyFile(big, 2, 2, Count(0, 4)).Short(kSampleFormat, format));
  }
  refused("2 bits", GreyFile(big, 4, 2, Count(0, 2)).Short(kBits, 2));
  refused("CMYK", GreyFile(big, 1, 1, Count(0, 4)).Short(kSamples, 4).Short(kPhotometric, 5));
  refused("16-bit palette",
          GreyFile(big, 1, 1, Count(0, 2)).Short(kBits, 16).Short(kPhotometric, 3));
  refused("no width", TiffFile(big).Short(kHeight, 1).Add(kOffsets, TiffFile::kLong, {100}));
  refused("width 0", GreyFile(big, 0, 2, Count(0, 4)));
  refused("no strip offsets", TiffFile(big).Short(kWidth, 1).Short(kHeight, 1));
  refused("no strip counts for PackBits",
          Picture(big, 1, 1).Short(kCompression, 32773).Add(kOffsets, TiffFile::kLong, {100}));
  refused("no strips", GreyFile(big, 2, 2, Count(0, 4)).Add(kOffsets, TiffFile::kLong, {}));
  refused("offsets past the file", GreyFile(big, 2, 2, Count(0, 4)).Pointer(kOffsets, 2, 100000));
  EXPECT_TRUE(ImagePtr(GreyFile(big, 65532, 1, {}).Load())) << "rows of 65532 bytes";
  refused("rows of 65536 bytes", GreyFile(big, 65536, 1, {}));
  refused("rows of 65536 bytes at 24 bits",
          GreyFile(big, 21846, 1, {}).Short(kBits, 8).Short(kSamples, 3));
  // Rows of 2^32 + 2 file bytes (2^32 + 4 stored), which 32-bit sizes wrapped to 2 and 4:
  // the picture loaded as a 48-byte block claiming 1,431,655,766 pixels a row.
  TiffFile wide(big);
  wide.Add(kWidth, TiffFile::kLong, {0x55555556})
      .Short(kHeight, 2)
      .Short(kBits, 8)
      .Short(kSamples, 3)
      .Add(kOffsets, TiffFile::kLong, {300})
      .Add(kCounts, TiffFile::kLong, {8})
      .Put(300, Count(1, 8));
  refused("0x55555556 pixels of 24 bits", wide);
  TiffFile crowded(big);
  for (int i = 0; i < 5461; ++i) crowded.Short(999, 0);
  refused("5461 directory entries", crowded);
}

TEST_P(TiffByteOrders, DefaultsMakeAOneStripBilevelPicture) {
  // No BitsPerSample, Compression, RowsPerStrip or Photometric: 1 bit, uncompressed, one
  // strip; value 0 is white. The second width overwrites the first.
  ImagePtr image(TiffFile(GetParam())
                     .Short(kWidth, 99)
                     .Short(kHeight, 3)
                     .Short(kWidth, 12)
                     .Add(kOffsets, TiffFile::kShort, {300})
                     .Add(kCounts, TiffFile::kShort, {6})
                     .Put(300, {0xF0, 0x00, 0x0F, 0x00, 0xFF, 0xF0})
                     .Load());
  ASSERT_TRUE(image);
  ASSERT_EQ(DibBitCount(image.get()), 1);
  EXPECT_EQ(DibWidth(image.get()), 12);
  EXPECT_EQ(DibPaletteCount(image.get()), 2);
  EXPECT_EQ(DibPalette(image.get())[0], 255);  // entry 0 white
  EXPECT_EQ(DibPalette(image.get())[4], 0);
  EXPECT_EQ(DibPixelAddress(image.get(), 0, 2)[0], 0xFF);
  EXPECT_EQ(DibPixelAddress(image.get(), 0, 2)[1], 0xF0);
}

TEST_P(TiffByteOrders, StripsFillTheRowsFromTheTop) {
  // Three strips of 10 rows for a height of 25: 10, 10 and 5 rows.
  TiffFile file = Picture(GetParam(), 3, 25).Short(kRowsPerStrip, 10);
  file.Add(kOffsets, TiffFile::kLong, {400, 500, 600}).Add(kCounts, TiffFile::kShort, {30, 30, 15});
  for (std::uint8_t strip = 0; strip < 3; ++strip) {
    file.Put(400 + strip * 100u, std::vector<std::uint8_t>(strip == 2 ? 15 : 30, strip + 1));
  }
  ImagePtr image(file.Load());
  ASSERT_TRUE(image);
  for (int y = 0; y < 25; ++y) EXPECT_EQ(Index(image.get(), 2, y), y / 10 + 1) << y;
}

TEST_P(TiffByteOrders, CountsComeFromTheOffsetsWithoutStripByteCounts) {
  // Row bytes 100, height 20, strips at 100 and 1100: counts 1000 and 1000.
  TiffFile file = Picture(GetParam(), 100, 20).Short(kRowsPerStrip, 10);
  file.Add(kOffsets, TiffFile::kShort, {100, 1100})
      .Put(100, std::vector<std::uint8_t>(1000, 7))
      .Put(1100, std::vector<std::uint8_t>(1000, 9));
  ImagePtr image(file.Load());
  ASSERT_TRUE(image);
  EXPECT_EQ(Index(image.get(), 99, 9), 7);
  EXPECT_EQ(Index(image.get(), 0, 10), 9);
  EXPECT_EQ(Index(image.get(), 99, 19), 9);
  // Offsets that run backwards would make a negative count.
  EXPECT_FALSE(ImagePtr(file.Add(kOffsets, TiffFile::kShort, {1100, 100}).Load()));
}

TEST_P(TiffByteOrders, StripsPastTheEndOfTheFileAreClipped) {
  // The first strip claims more than the file holds, the second lies wholly outside.
  TiffFile file = Picture(GetParam(), 4, 4).Short(kRowsPerStrip, 2);
  file.Add(kOffsets, TiffFile::kLong, {300, 90000})
      .Add(kCounts, TiffFile::kLong, {4000, 8})
      .Put(300, Count(1, 6));
  ImagePtr image(file.Load());
  ASSERT_TRUE(image);
  EXPECT_EQ(Index(image.get(), 1, 1), 6);
  EXPECT_EQ(Index(image.get(), 2, 1), 0);
  EXPECT_EQ(Index(image.get(), 0, 2), 0);
}

TEST_P(TiffByteOrders, PackBitsRowsCutTheirRuns) {
  // Row 0: -128 (nothing), a repeat of 3, then a literal of 3 cut after 1 byte; row 1: a
  // repeat of 10 cut at 4.
  TiffFile file = Picture(GetParam(), 4, 2).Short(kCompression, 32773);
  file.Add(kOffsets, TiffFile::kLong, {300})
      .Add(kCounts, TiffFile::kLong, {9})
      .Put(300, {0x80, 0xFE, 0xAA, 0x02, 0x11, 0x12, 0x13, 0xF7, 0x55});
  ImagePtr image(file.Load());
  ASSERT_TRUE(image);
  const int want[2][4] = {{0xAA, 0xAA, 0xAA, 0x11}, {0x55, 0x55, 0x55, 0x55}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Index(image.get(), x, y), want[y][x]) << x << "," << y;
  }
}

TEST_P(TiffByteOrders, MirroringReversesTheRowsOfEveryDepth) {
  const bool big = GetParam();
  // The bilevel row 1011 of width 4 becomes 1101.
  ImagePtr bilevel(Picture(big, 4, 1, 1)
                       .Short(kOrientation, 2)
                       .Add(kOffsets, TiffFile::kLong, {300})
                       .Add(kCounts, TiffFile::kLong, {1})
                       .Put(300, {0xB0})
                       .Load());
  ASSERT_TRUE(bilevel);
  EXPECT_EQ(DibBits(bilevel.get())[0], 0xD0);
  // 24-bit pixels keep their bytes, turned to blue-green-red.
  ImagePtr colour(
      GreyFile(big, 2, 1, Count(1, 6)).Short(kSamples, 3).Short(kOrientation, 2).Load());
  ASSERT_TRUE(colour);
  EXPECT_EQ(PixelColour(colour.get(), 0, 0), DibRgb(4, 5, 6));
  EXPECT_EQ(PixelColour(colour.get(), 1, 0), DibRgb(1, 2, 3));
}

TEST_P(TiffByteOrders, PalettesFollowTheirRules) {
  const bool big = GetParam();
  // Grey covers the full range, white first where the photometric value is 0; bilevel
  // pictures have white 0 unless it is 1.
  const struct {
    std::uint32_t bits;
    std::optional<std::uint32_t> photometric;
    int entry, level;
  } greys[] = {
      {4, 1, 1, 17}, {4, 1, 15, 255}, {4, 0, 1, 238}, {4, {}, 1, 17}, {8, 0, 1, 254},
      {8, {}, 1, 1}, {1, 1, 0, 0},    {1, 1, 1, 255}, {1, 0, 0, 255}, {1, {}, 0, 255},
  };
  for (const auto& grey : greys) {
    TiffFile file = Picture(big, 2, 1, grey.bits);
    if (grey.photometric) file.Short(kPhotometric, *grey.photometric);
    ImagePtr image(file.Add(kOffsets, TiffFile::kLong, {400})
                       .Add(kCounts, TiffFile::kLong, {2})
                       .Put(400, {0, 0})
                       .Load());
    ASSERT_TRUE(image);
    EXPECT_EQ(DibPalette(image.get())[grey.entry * 4], grey.level)
        << grey.bits << " bits, photometric " << grey.photometric.value_or(99) << ", entry "
        << grey.entry;
  }
  // 4-bit colour without a map takes the fixed 16 colours.
  ImagePtr colour(GreyFile(big, 2, 1, {0x9C}).Short(kBits, 4).Short(kPhotometric, 2).Load());
  ASSERT_TRUE(colour);
  const std::uint8_t* entry9 = DibPalette(colour.get()) + 9 * 4;
  EXPECT_EQ(DibRgb(entry9[2], entry9[1], entry9[0]), DibRgb(0, 0, 255));
  // A colour map gives the high bytes of its levels: reds, then greens, then blues.
  std::vector<std::uint32_t> map(48);
  map[1] = 0x12FF;
  map[16 + 1] = 0x3400;
  map[32 + 1] = 0x5601;
  ImagePtr mapped(GreyFile(big, 2, 1, {0x10})
                      .Short(kBits, 4)
                      .Short(kPhotometric, 3)
                      .Add(kColorMap, TiffFile::kShort, map)
                      .Load());
  ASSERT_TRUE(mapped);
  const std::uint8_t* entry1 = DibPalette(mapped.get()) + 4;
  EXPECT_EQ(DibRgb(entry1[2], entry1[1], entry1[0]), DibRgb(0x12, 0x34, 0x56));
}

TEST_P(TiffByteOrders, DecodersStopAtTheEndOfTheirStrip) {
  // Two strips of 2 rows of 4 grey pixels: the first a Deflate stream of a million 9s
  // (about 1 KB), the second one of eight 5s. The first fills its own 8 bytes only.
  const std::vector<std::uint8_t> bomb = Deflated(std::vector<std::uint8_t>(1 << 20, 9));
  const std::vector<std::uint8_t> second = Deflated(std::vector<std::uint8_t>(8, 5));
  const auto secondAt = static_cast<std::uint32_t>(400 + bomb.size());
  TiffFile file = Picture(GetParam(), 4, 4).Short(kCompression, 8).Short(kRowsPerStrip, 2);
  file.Add(kOffsets, TiffFile::kLong, {400, secondAt})
      .Add(kCounts, TiffFile::kLong,
           {static_cast<std::uint32_t>(bomb.size()), static_cast<std::uint32_t>(second.size())})
      .Put(400, bomb)
      .Put(secondAt, second);
  ImagePtr image(file.Load());
  ASSERT_TRUE(image);
  EXPECT_EQ(GreyValues(image.get()),
            std::vector<int>({9, 9, 9, 9, 9, 9, 9, 9, 5, 5, 5, 5, 5, 5, 5, 5}));
}

TEST_P(TiffByteOrders, CodedDataKeepsWhatCameBeforeItWentWrong) {
  // One strip of 4 x 2 grey pixels. Data that goes wrong, even from its first byte, ends
  // the strip there: the rest stays 0, and the picture is still given.
  const struct {
    const char* what;
    std::uint32_t compression;
    std::vector<std::uint8_t> data;
    std::vector<int> values;
  } cases[] = {
      {"LZW", 5, NineBitCodes({256, 7, 8, 9, 257}), {7, 8, 9, 0, 0, 0, 0, 0}},
      {"LZW, strings just added", 5, NineBitCodes({256, 7, 258, 259, 257}), {7, 7, 7, 7, 7, 7, 0, 0}},
      {"LZW without a leading clear code", 5, NineBitCodes({7, 8, 257}), {7, 8, 0, 0, 0, 0, 0, 0}},
      {"LZW code beyond the table", 5, NineBitCodes({256, 7, 8, 300, 9}), {7, 8, 0, 0, 0, 0, 0, 0}},
      {"LZW string code after a clear code", 5, NineBitCodes({256, 258, 7}), std::vector<int>(8)},
      {"not a Deflate stream", 8, {0x12, 0x34, 0x56, 0x78}, std::vector<int>(8)},
      {"old Deflate code", 32946, Deflated({1, 2, 3}), {1, 2, 3, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    TiffFile file = Picture(GetParam(), 4, 2).Short(kCompression, c.compression);
    file.Add(kOffsets, TiffFile::kLong, {400})
        .Add(kCounts, TiffFile::kLong, {static_cast<std::uint32_t>(c.data.size())})
        .Put(400, c.data);
    ImagePtr image(file.Load());
    ASSERT_TRUE(image) << c.what;
    EXPECT_EQ(GreyValues(image.get()), c.values) << c.what;
  }
}

TEST_P(TiffByteOrders, DifferencingBelongsToLzwAndDeflate) {
  // As in libtiff, a Predictor tag on uncompressed strips changes nothing.
  ImagePtr raw(GreyFile(GetParam(), 4, 1, {1, 2, 3, 4}).Short(kPredictor, 2).Load());
  ASSERT_TRUE(raw);
  EXPECT_EQ(GreyValues(raw.get()), std::vector<int>({1, 2, 3, 4}));
  TiffFile file = Picture(GetParam(), 4, 1).Short(kCompression, 8).Short(kPredictor, 2);
  const std::vector<std::uint8_t> data = Deflated({1, 2, 3, 255});
  file.Add(kOffsets, TiffFile::kLong, {400})
      .Add(kCounts, TiffFile::kLong, {static_cast<std::uint32_t>(data.size())})
      .Put(400, data);
  ImagePtr deflated(file.Load());
  ASSERT_TRUE(deflated);
  EXPECT_EQ(GreyValues(deflated.get()), std::vector<int>({1, 3, 6, 5}));
}

TEST_P(TiffByteOrders, PlanarFilesNeedTheStripsOfEveryColourPlane) {
  // 2 x 2 RGB, a row a strip: the red plane's two strips, then green's, then blue's.
  const auto planar = [&](std::uint32_t samples, std::vector<std::uint32_t> offsets) {
    TiffFile file = Picture(GetParam(), 2, 2).Short(kSamples, samples).Short(kPlanar, 2);
    file.Short(kRowsPerStrip, 1)
        .Add(kOffsets, TiffFile::kLong, offsets)
        .Add(kCounts, TiffFile::kLong, std::vector<std::uint32_t>(offsets.size(), 2))
        .Put(400, {1, 2, 3, 4, 11, 12, 13, 14, 21, 22, 23, 24});
    return ImagePtr(file.Load());
  };
  ImagePtr rgb = planar(3, {400, 402, 404, 406, 408, 410});
  ASSERT_TRUE(rgb);
  EXPECT_EQ(PixelColour(rgb.get(), 0, 0), DibRgb(1, 11, 21));
  EXPECT_EQ(PixelColour(rgb.get(), 1, 1), DibRgb(4, 14, 24));
  // The alpha plane's strips may be missing; a colour plane's may not.
  EXPECT_TRUE(planar(4, {400, 402, 404, 406, 408, 410}));
  EXPECT_FALSE(planar(3, {400, 402, 404, 406, 408}));
}

TEST_P(TiffByteOrders, OrientationsTurnThePictureUpright) {
  // Stored rows 1 2 3 and 4 5 6; orientations 5 to 8 swap width and height.
  const struct {
    std::uint32_t orientation;
    int width;
    std::vector<int> values;
  } cases[] = {
      {3, 3, {6, 5, 4, 3, 2, 1}}, {4, 3, {4, 5, 6, 1, 2, 3}}, {5, 2, {1, 4, 2, 5, 3, 6}},
      {6, 2, {4, 1, 5, 2, 6, 3}}, {7, 2, {6, 3, 5, 2, 4, 1}}, {8, 2, {3, 6, 2, 5, 1, 4}},
  };
  for (const auto& c : cases) {
    ImagePtr image(
        GreyFile(GetParam(), 3, 2, Count(1, 6)).Short(kOrientation, c.orientation).Load());
    ASSERT_TRUE(image);
    EXPECT_EQ(DibWidth(image.get()), c.width) << c.orientation;
    EXPECT_EQ(GreyValues(image.get()), c.values) << c.orientation;
  }
}

}  // namespace
}  // namespace kolta::test
