#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "bmp_file.h"
#include "dib_ops.h"
#include "image_test_support.h"

namespace kolta::test {
namespace {

ImagePtr Load(const BmpFields& fields) {
  const std::vector<std::uint8_t> file = BmpBytes(fields);
  return ImagePtr(BmpLoadFromMemory(file.data(), file.size()));
}

// A 3 x 2 24-bit picture: six distinct colours, rows bottom-up with 3 padding bytes.
BmpFields TwentyFourBit() {
  BmpFields fields;
  fields.width = 3;
  fields.height = 2;
  fields.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
  return fields;
}

// Stored rows of an 8-bit image, bottom row first, as text of their pixel values.
std::string Rows(const DibImage* image) {
  std::string text;
  for (int row = 0; row < image->height; ++row) {
    const std::uint8_t* p = DibBits(image) + row * DibStride(image);
    for (int x = 0; x < image->width; ++x)
      text += std::to_string(p[x]) + (x + 1 < image->width ? "," : "");
    text += "|";
  }
  return text;
}

BmpFields Rle(int bitCount, int width, int height, std::vector<std::uint8_t> stream) {
  BmpFields fields;
  fields.bitCount = static_cast<std::uint16_t>(bitCount);
  fields.compression = bitCount == 8 ? 1 : 2;
  fields.width = width;
  fields.height = height;
  fields.palette = GreyPalette(bitCount == 8 ? 256 : 16);
  fields.pixels = std::move(stream);
  return fields;
}

TEST(BmpLoad, TwentyFourBitFileKeepsItsHeaderAndBytes) {
  const BmpFields fields = TwentyFourBit();
  const std::vector<std::uint8_t> file = BmpBytes(fields);
  ImagePtr image(BmpLoadFromMemory(file.data(), file.size()));
  ASSERT_TRUE(image);
  EXPECT_EQ(std::memcmp(image.get(), file.data() + 14, 40), 0);
  EXPECT_EQ(PixelBytes(image.get()), fields.pixels);
  EXPECT_EQ(DibTotalSize(image.get()), 64u);
  EXPECT_EQ(PixelColour(image.get(), 0, 0), DibRgb(13, 12, 11));
}

TEST(BmpLoad, GapsTopDownRowsAndLargerHeadersGiveTheSamePicture) {
  const ImagePtr reference = Load(TwentyFourBit());
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
  BmpFields gap = TwentyFourBit();
  gap.gap = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  files.emplace_back("gap before the pixels", BmpBytes(gap));
  // An offset that points into the headers means "right behind the palette".
  files.emplace_back("offset into the headers", BmpBytes(TwentyFourBit()));
  files.back().second[10] = 20;
  BmpFields topDown = TwentyFourBit();
  topDown.height = -2;
  std::rotate(topDown.pixels.begin(), topDown.pixels.begin() + 12, topDown.pixels.end());
  for (const std::uint32_t infoSize : {40u, 64u, 108u, 124u}) {
    for (BmpFields fields : {TwentyFourBit(), topDown}) {
      fields.infoSize = infoSize;
      files.emplace_back(std::to_string(infoSize) + (fields.height < 0 ? " top-down" : ""),
                         BmpBytes(fields));
    }
  }
  for (const auto& [what, file] : files) {
    ImagePtr image(BmpLoadFromMemory(file.data(), file.size()));
    ASSERT_TRUE(image) << what;
    EXPECT_EQ(std::memcmp(image.get(), reference.get(), DibTotalSize(reference.get())), 0) << what;
  }
}

TEST(BmpLoad, MaskedFilesBecomeTwentyFourBit) {
  BmpFields rgb565;
  rgb565.width = 2;
  rgb565.bitCount = 16;
  rgb565.compression = 3;
  rgb565.masks = {0xF800, 0x07E0, 0x001F};
  rgb565.pixels = {0x00, 0xF8, 0xE1, 0x07};  // pure red; green 63 with blue 1
  for (const std::uint32_t infoSize : {40u, 124u}) {
    rgb565.infoSize = infoSize;
    ImagePtr image = Load(rgb565);
    ASSERT_TRUE(image) << infoSize;
    EXPECT_EQ(DibBitCount(image.get()), 24);
    EXPECT_EQ(image->compression, 0u);
    EXPECT_EQ(DibTotalSize(image.get()), 48u);
    EXPECT_EQ(PixelColour(image.get(), 0, 0), DibRgb(255, 0, 0));
    EXPECT_EQ(PixelColour(image.get(), 1, 0), DibRgb(0, 255, 8));
  }
  BmpFields bgra;
  bgra.bitCount = 32;
  bgra.compression = 3;
  bgra.infoSize = 108;
  bgra.masks = {0x0000FF00, 0x00FF0000, 0xFF000000};  // red, green, blue from the high bytes
  bgra.pixels = {0x77, 10, 20, 30};
  ImagePtr image = Load(bgra);
  ASSERT_TRUE(image);
  EXPECT_EQ(PixelColour(image.get(), 0, 0), DibRgb(10, 20, 30));
}

TEST(BmpLoad, BadFilesAreRefused) {
  auto refused = [](BmpFields fields, auto change) {
    change(fields);
    std::vector<std::uint8_t> file = BmpBytes(fields);
    return BmpLoadFromMemory(file.data(), file.size()) == nullptr;
  };
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.pixels.pop_back(); }));
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.width = 0; }));
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.height = 0; }));
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.bitCount = 2; }));
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.compression = 4; }));
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.infoSize = 60; }));
  // OS/2 2.x Huffman and 24-bit run-length coding.
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.infoSize = 64, s.compression = 3; }));
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.infoSize = 64, s.compression = 4; }));
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.width = s.height = 1 << 20; }));
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.width = 100000; s.height = 1000; }));
  EXPECT_TRUE(refused(TwentyFourBit(), [](BmpFields& s) { s.compression = 1; }));
  EXPECT_TRUE(refused(Rle(8, 4, 1, {}), [](BmpFields& s) { s.height = -1; }));
  EXPECT_TRUE(refused(Rle(8, 4, 1, {}), [](BmpFields& s) { s.colorsUsed = 300; }));
  EXPECT_TRUE(refused(Rle(8, 4, 1, {}), [](BmpFields& s) { s.palette.clear(); }));

  const std::vector<std::uint8_t> file = BmpBytes(TwentyFourBit());
  for (std::size_t cut : {0u, 1u, 13u, 14u, 30u, 53u}) {
    EXPECT_EQ(BmpLoadFromMemory(file.data(), cut), nullptr) << cut;
  }
  std::vector<std::uint8_t> wrong = file;
  wrong[1] = 'A';
  EXPECT_EQ(BmpLoadFromMemory(wrong.data(), wrong.size()), nullptr);
  EXPECT_EQ(BmpLoadFromMemory(nullptr, 100), nullptr);
  EXPECT_EQ(BmpLoad("no-such-file.bmp"), nullptr);
}

// Files whose rows no block can hold, built from their bytes. On 32-bit builds the size of
// a row of 0x55555556 pixels of 24 bits (2^32 + 4 bytes) wrapped around to 4: the file
// with the 8 bytes of two such rows loaded as a 48-byte block claiming 1,431,655,766
// pixels a row, and the 58-byte file with one row as a 44-byte block.
TEST(BmpLoad, RowsThatNoBlockHoldsAreRefused) {
  struct Wide {
    const char* what;
    std::int32_t width, height;
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::size_t pixelBytes, fileBytes;
  };
  constexpr Wide kFiles[] = {
      {"24 bits, 2 rows, 58 bytes", 0x55555556, 2, 24, 0, 4, 58},
      {"24 bits, 2 rows, 62 bytes", 0x55555556, 2, 24, 0, 8, 62},
      {"24 bits, 1 row, 58 bytes", 0x55555556, 1, 24, 0, 4, 58},
      {"24 bits, top-down", 0x55555556, -2, 24, 0, 8, 62},
      {"32 bits, 2^32 + 4 bytes a row", 0x40000001, 2, 32, 0, 8, 62},
      // A 24-bit image of 192 MiB, from file rows of 256 MiB + 4 bytes.
      {"masked 32 bits", 0x4000001, 1, 32, 3, 4, 70},
  };
  for (const Wide& wide : kFiles) {
    BmpFields fields;
    fields.width = wide.width;
    fields.height = wide.height;
    fields.bitCount = wide.bitCount;
    fields.compression = wide.compression;
    if (wide.compression == 3) fields.masks = {0xFF0000, 0xFF00, 0xFF};
    fields.pixels.assign(wide.pixelBytes, 0x5A);
    const std::vector<std::uint8_t> file = BmpBytes(fields);
    ASSERT_EQ(file.size(), wide.fileBytes) << wide.what;
    EXPECT_EQ(BmpLoadFromMemory(file.data(), file.size()), nullptr) << wide.what;
  }
}

TEST(BmpLoad, PalettedFilesKeepTheirDepthAndPalette) {
  BmpFields fields;
  fields.width = 9;
  fields.height = 1;
  fields.bitCount = 4;
  fields.colorsUsed = 3;
  fields.palette = {0x0000FF, 0x00FF00, 0xFF0000};
  fields.pixels = {0x01, 0x22, 0x10, 0x00, 0x20, 0, 0, 0};
  ImagePtr image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(DibBitCount(image.get()), 4);
  EXPECT_EQ(DibStride(image.get()), 8u);
  EXPECT_EQ(DibPaletteCount(image.get()), 3);
  ImagePtr rgb(DibConvertTo24(image.get()));
  const DibColor blue = DibRgb(0, 0, 255), green = DibRgb(0, 255, 0), red = DibRgb(255, 0, 0);
  const DibColor expected[9] = {blue, green, red, red, green, blue, blue, blue, red};
  for (int x = 0; x < 9; ++x) EXPECT_EQ(PixelColour(rgb.get(), x, 0), expected[x]) << x;
}

// Run-length streams and the stored rows they decode to, bottom row first.
struct RleCase {
  const char* what;
  int bitCount, width, height;
  std::vector<std::uint8_t> stream;
  const char* rows;
};

TEST(BmpLoad, RleStreamsDecodeWithinThePixelArea) {
  const RleCase cases[] = {
      {"an end of line right after a full row does not skip a row", 8, 4, 3,
       {4, 7, 0, 0, 4, 8, 0, 0, 2, 9, 0, 1}, "7,7,7,7|8,8,8,8|9,9,0,0|"},
      {"an end of line inside a row moves to the next row", 8, 5, 2, {3, 7, 0, 0, 1, 8, 0, 1},
       "7,7,7,0,0|8,0,0,0,0|"},
      {"a run past a row's end continues on the next row, through the padding", 8, 5, 2,
       {10, 3, 0, 1}, "3,3,3,3,3|3,3,0,0,0|"},
      {"an odd absolute run is followed by one padding byte", 8, 4, 2,
       {0, 3, 1, 2, 3, 0xEE, 1, 4, 0, 0, 0, 4, 5, 6, 7, 8, 0, 1}, "1,2,3,4|5,6,7,8|"},
      {"a delta moves right and up; what it skips stays 0", 8, 4, 3,
       {1, 9, 0, 2, 2, 2, 1, 5, 0, 1}, "9,0,0,0|0,0,0,0|0,0,0,5|"},
      {"a run longer than the whole area", 8, 4, 2, {255, 3, 255, 4}, "3,3,3,3|3,3,3,3|"},
      {"a delta far past the area", 8, 4, 2, {0, 2, 255, 255, 5, 1, 0, 2, 255, 0, 9, 9},
       "0,0,0,0|0,0,0,0|"},
      {"an absolute run at the area's end", 8, 4, 1, {3, 1, 0, 200, 2, 2, 2, 2, 2, 2},
       "1,1,1,2|"},
      {"4-bit runs at the area's end", 4, 3, 1, {255, 0x12, 0, 9, 0x34, 0x56, 0x78, 0x9A, 0xBC},
       "1,2,1|"},
      {"a delta to column 200, past the area", 8, 4, 3, {0, 2, 200, 0, 1, 6, 0, 1},
       "0,0,0,0|0,0,0,0|0,0,0,0|"},
      {"a truncated stream keeps what was decoded", 8, 4, 2, {4, 6, 0, 3, 1},
       "6,6,6,6|1,0,0,0|"},
      {"an empty stream", 8, 4, 2, {}, "0,0,0,0|0,0,0,0|"},
      // Runs of 3, 5, 6 and 8 pixels take 2, 3 + 1, 3 + 1 and 4 bytes; a marker run of 15s
      // follows each, so a wrongly skipped byte would shift it.
      {"4-bit absolute runs and their padding", 4, 8, 4,
       {0, 3, 0x12, 0x30, 1, 0xFF, 0, 0,                    //
        0, 5, 0x12, 0x34, 0x50, 0xEE, 1, 0xFF, 0, 0,        //
        0, 6, 0x12, 0x34, 0x56, 0xEE, 1, 0xFF, 0, 0,        //
        0, 8, 0x12, 0x34, 0x56, 0x78, 1, 0xEE, 0, 1},
       "1,2,3,15,0,0,0,0|1,2,3,4,5,15,0,0|1,2,3,4,5,6,15,0|1,2,3,4,5,6,7,8|"},
  };
  for (const RleCase& c : cases) {
    SCOPED_TRACE(c.what);
    ImagePtr image = Load(Rle(c.bitCount, c.width, c.height, c.stream));
    ASSERT_TRUE(image);
    EXPECT_EQ(Rows(image.get()), c.rows);
    EXPECT_EQ(image->compression, 0u);
    EXPECT_EQ(image->imageSize, DibStride(image.get()) * c.height);
  }
}

TEST(BmpLoad, Rle4ExpandsToEightBitWithAFullPalette) {
  BmpFields fields = Rle(4, 5, 1, {5, 0x12, 0, 1});
  fields.colorsUsed = 3;
  fields.palette = {0x0000FF, 0x00FF00, 0xFF0000};
  ImagePtr image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(DibBitCount(image.get()), 8);
  EXPECT_EQ(DibStride(image.get()), 8u);
  EXPECT_EQ(DibPaletteCount(image.get()), 256);
  EXPECT_EQ(image->colorsUsed, 0u);
  EXPECT_EQ(DibTotalSize(image.get()), 40u + 1024 + 8);
  EXPECT_EQ(Rows(image.get()), "1,2,1,2,1|");
  const std::uint8_t* palette = DibPalette(image.get());
  EXPECT_EQ(palette[4 * 2 + 2], 0xFF);                               // entry 2 from the file: red
  for (int i = 4 * 3; i < 1024; ++i) ASSERT_EQ(palette[i], 0) << i;  // the rest black
}

TEST(BmpLoad, FromPathAndFromAnOpenStream) {
  const std::string path = testing::TempDir() + "kolta_bmp_load_test.bmp";
  const std::vector<std::uint8_t> file = BmpBytes(TwentyFourBit());
  std::FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(out);
  std::fwrite("xyz", 1, 3, out);
  std::fwrite(file.data(), 1, file.size(), out);
  std::fclose(out);

  EXPECT_EQ(BmpLoad(path.c_str()), nullptr);  // the file starts with "xyz"
  std::FILE* in = std::fopen(path.c_str(), "rb");
  ASSERT_TRUE(in);
  std::fseek(in, 3, SEEK_SET);
  ImagePtr image(BmpLoadFromHandle(in));
  std::fclose(in);
  ASSERT_TRUE(image);
  EXPECT_EQ(PixelColour(image.get(), 2, 1), DibRgb(9, 8, 7));
  std::remove(path.c_str());
}

}  // namespace
}  // namespace kolta::test
