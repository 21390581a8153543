// The TIFF reader on hand-built files, for the rules the tools' files (compared in
// tool_files_test.cpp) do not show.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tiff_file.h"
#include "image_test_support.h"

namespace kolta::test {
namespace {

// A TIFF file put together field by field: the header, the directory at offset 8 in the
// order the fields were added, arrays that do not fit their entry after it, and data
// placed at chosen offsets (past the arrays).
class TiffFile {
 public:
  static constexpr std::uint16_t kShort = 3, kLong = 4;

  explicit TiffFile(bool big) : big_(big) {}
  TiffFile& Add(std::uint16_t tag, std::uint16_t type, std::vector<std::uint32_t> values) {
    fields_.push_back({tag, type, std::move(values)});
    return *this;
  }
  TiffFile& Short(std::uint16_t tag, std::uint32_t value) { return Add(tag, kShort, {value}); }
  // An entry of `count` LONG values said to lie at `offset`.
  TiffFile& Pointer(std::uint16_t tag, std::uint32_t count, std::uint32_t offset) {
    fields_.push_back({tag, kLong, {}, std::pair{count, offset}});
    return *this;
  }
  TiffFile& Put(std::size_t offset, std::vector<std::uint8_t> data) {
    placed_.emplace_back(offset, std::move(data));
    return *this;
  }
  TiffFile& Version(std::uint16_t version) {
    version_ = version;
    return *this;
  }

  DibImage* Load() const {
    std::vector<std::uint8_t> out{Mark(), Mark()};
    Append(out, version_, 2);
    Append(out, 8, 4);
    Append(out, fields_.size(), 2);
    std::vector<std::uint8_t> arrays;
    const std::size_t arraysAt = 8 + 2 + fields_.size() * 12 + 4;
    for (const Field& field : fields_) {
      Append(out, field.tag, 2);
      Append(out, field.type, 2);
      std::vector<std::uint8_t> data;
      for (std::uint32_t value : field.values) Append(data, value, field.type == kShort ? 2 : 4);
      const auto [count, offset] =
          field.pointer.value_or(std::pair{static_cast<std::uint32_t>(field.values.size()),
                                           static_cast<std::uint32_t>(arraysAt + arrays.size())});
      Append(out, count, 4);
      if (field.pointer || data.size() > 4) {
        Append(out, offset, 4);
        arrays.insert(arrays.end(), data.begin(), data.end());
      } else {
        data.resize(4);
        out.insert(out.end(), data.begin(), data.end());
      }
    }
    Append(out, 0, 4);
    out.insert(out.end(), arrays.begin(), arrays.end());
    for (const auto& [offset, data] : placed_) {
      EXPECT_GE(offset, out.size()) << "data placed over the directory";
      out.resize(offset);
      out.insert(out.end(), data.begin(), data.end());
    }
    return TiffLoadFromMemory(out.data(), out.size());
  }

 private:
  struct Field {
    std::uint16_t tag, type;
    std::vector<std::uint32_t> values;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> pointer{};  // count, offset
  };
  std::uint8_t Mark() const { return big_ ? 'M' : 'I'; }
  void Append(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t size) const {
    for (std::size_t i = 0; i < size; ++i) {
      out.push_back(static_cast<std::uint8_t>(value >> (8 * (big_ ? size - 1 - i : i))));
    }
  }

  bool big_;
  std::uint16_t version_ = 42;
  std::vector<Field> fields_;
  std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> placed_;
};

enum Tag : std::uint16_t {
  kWidth = 256,
  kHeight = 257,
  kBits = 258,
  kCompression = 259,
  kPhotometric = 262,
  kOffsets = 273,
  kOrientation = 274,
  kSamples = 277,
  kRowsPerStrip = 278,
  kCounts = 279,
  kPlanar = 284,
  kPredictor = 317,
  kColorMap = 320,
};

// The size and depth of a picture, without strips.
TiffFile Picture(bool big, std::uint32_t width, std::uint32_t height, std::uint32_t bits = 8) {
  return std::move(TiffFile(big).Short(kWidth, width).Short(kHeight, height).Short(kBits, bits));
}

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
  refused("predictor 2", GreyFile(big, 2, 2, Count(0, 4)).Short(kPredictor, 2));
  refused("planar 2", GreyFile(big, 2, 2, Count(0, 4)).Short(kPlanar, 2));
  for (std::uint32_t compression : {3, 4, 6}) {
    refused("fax or old JPEG", GreyFile(big, 2, 2, Count(0, 4)).Short(kCompression, compression));
  }
  refused("16 bits", GreyFile(big, 2, 2, Count(0, 8)).Short(kBits, 16));
  refused("4 samples", GreyFile(big, 2, 2, Count(0, 16)).Short(kSamples, 4));
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

TEST_P(TiffByteOrders, PackBitsRowsCutTheirRunsAndOtherCompressionsGiveZeros) {
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
  ImagePtr unknown(file.Short(kCompression, 5).Load());
  ASSERT_TRUE(unknown);
  EXPECT_EQ(Index(unknown.get(), 0, 0), 0);
  EXPECT_EQ(Index(unknown.get(), 3, 1), 0);
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
  // Orientation 3 only mirrors too; 24-bit pixels keep their bytes, turned to blue-green-red.
  ImagePtr colour(
      GreyFile(big, 2, 1, Count(1, 6)).Short(kSamples, 3).Short(kOrientation, 3).Load());
  ASSERT_TRUE(colour);
  EXPECT_EQ(PixelColour(colour.get(), 0, 0), DibRgb(4, 5, 6));
  EXPECT_EQ(PixelColour(colour.get(), 1, 0), DibRgb(1, 2, 3));
}

TEST_P(TiffByteOrders, PalettesFollowTheirRules) {
  const bool big = GetParam();
  // 4-bit grey runs 0 to 15; 4-bit colour without a map takes the fixed 16 colours.
  ImagePtr grey(GreyFile(big, 2, 1, {0x0F}).Short(kBits, 4).Load());
  ASSERT_TRUE(grey);
  EXPECT_EQ(DibPalette(grey.get())[15 * 4], 15);
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

}  // namespace
}  // namespace kolta::test
