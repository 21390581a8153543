// The TGA reader's header, palette, pixel and packet rules on hand-built files.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "dib_ops.h"
#include "image_test_support.h"
#include "tga_file.h"

namespace kolta::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct TgaFields {
  int mapType = 0, imageType = 2, mapFirst = 0, mapLength = 0, mapEntryBits = 0;
  int width = 2, height = 2, depth = 24, descriptor = 0;
  std::vector<std::uint8_t> id, map, pixels;
};

std::vector<std::uint8_t> TgaBytes(const TgaFields& f) {
  std::vector<std::uint8_t> file;
  auto put = [&](std::initializer_list<int> bytes) {
    for (int b : bytes) file.push_back(static_cast<std::uint8_t>(b));
  };
  put({static_cast<int>(f.id.size()), f.mapType, f.imageType, f.mapFirst, f.mapFirst >> 8,
       f.mapLength, f.mapLength >> 8, f.mapEntryBits, 0, 0, 0, 0, f.width, f.width >> 8, f.height,
       f.height >> 8, f.depth, f.descriptor});
  for (const auto* part : {&f.id, &f.map, &f.pixels})
    file.insert(file.end(), part->begin(), part->end());
  return file;
}

ImagePtr Load(const TgaFields& fields) {
  const std::vector<std::uint8_t> file = TgaBytes(fields);
  return ImagePtr(TgaLoadFromMemory(file.data(), file.size()));
}

// Stored bytes of each row's pixels (padding left out), bottom row first.
Bytes UnpaddedRows(const DibImage* image) {
  Bytes bytes;
  const int rowBytes = image->width * image->bitCount / 8;
  for (int row = 0; row < image->height; ++row) {
    const std::uint8_t* p = DibBits(image) + row * DibStride(image);
    bytes.insert(bytes.end(), p, p + rowBytes);
  }
  return bytes;
}

TEST(TgaLoad, StoresRowsByOriginAndDirection) {
  TgaFields fields;
  fields.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  ImagePtr bottomUp = Load(fields);
  ASSERT_TRUE(bottomUp);
  EXPECT_EQ(UnpaddedRows(bottomUp.get()), fields.pixels);
  EXPECT_EQ(bottomUp->imageSize, 16u);  // two rows of 6 bytes padded to 8

  fields.descriptor = 0x20;
  EXPECT_EQ(UnpaddedRows(Load(fields).get()), (Bytes{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
  fields.descriptor = 0x10;
  EXPECT_EQ(UnpaddedRows(Load(fields).get()), (Bytes{4, 5, 6, 1, 2, 3, 10, 11, 12, 7, 8, 9}));
}

TEST(TgaLoad, ConvertsSixteenBitPixelsByShiftingChannels) {
  TgaFields fields;
  fields.depth = 16;
  fields.height = 1;
  fields.pixels = {0xFF, 0x7F, 0x1F, 0x80};  // 0x7FFF, then 0x801F with the top bit set
  EXPECT_EQ(UnpaddedRows(Load(fields).get()), (Bytes{248, 248, 248, 248, 0, 0}));
  fields.depth = 32;
  fields.pixels = {1, 2, 3, 99, 4, 5, 6, 99};
  EXPECT_EQ(UnpaddedRows(Load(fields).get()), (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST(TgaLoad, GreyRunLengthFileGetsGreyRampAndPacketsCrossRowEnds) {
  TgaFields fields;
  fields.imageType = 11;
  fields.depth = 8;
  fields.width = 4;
  fields.height = 3;
  // A run of four 64s; a run of six 16s whose last two go on in the next row; a raw packet
  // of three pixels whose last one has no row left.
  fields.pixels = {0x83, 0x40, 0x85, 0x10, 0x02, 1, 2, 3};
  ImagePtr image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(UnpaddedRows(image.get()), (Bytes{64, 64, 64, 64, 16, 16, 16, 16, 16, 16, 1, 2}));
  // A raw packet of six pixels over a row end, then a run of six over the next.
  fields.pixels = {0x05, 1, 2, 3, 4, 5, 6, 0x85, 7};
  EXPECT_EQ(UnpaddedRows(Load(fields).get()), (Bytes{1, 2, 3, 4, 5, 6, 7, 7, 7, 7, 7, 7}));
  ASSERT_EQ(DibPaletteCount(image.get()), 256);
  for (int i : {0, 1, 128, 255}) {
    EXPECT_EQ(DibPalette(image.get())[i * 4 + 1], i);
    EXPECT_EQ(DibPalette(image.get())[i * 4 + 3], 0);
  }
}

TEST(TgaLoad, ColourMapsBecomePalettes) {
  TgaFields fields;
  fields.mapType = 1;
  fields.imageType = 1;
  fields.depth = 8;
  fields.width = fields.height = 1;
  fields.id = {'i', 'd'};
  fields.pixels = {5};

  // 16 entries of 16 bits from entry 0: the pixel follows the 32 map bytes.
  fields.mapLength = 16;
  fields.mapEntryBits = 16;
  for (int i = 0; i < 16; ++i)
    fields.map.insert(fields.map.end(), {static_cast<std::uint8_t>(i), 0x7C});
  ImagePtr image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(DibPaletteCount(image.get()), 16);
  EXPECT_EQ(UnpaddedRows(image.get()), Bytes{5});
  EXPECT_EQ(Bytes(DibPalette(image.get()) + 20, DibPalette(image.get()) + 24),
            (Bytes{5 << 3, 0, 248, 0}));

  // 24-bit entries from entry 250, 10 of them: entries below 250 are black, those past 255
  // are skipped.
  fields.mapFirst = 250;
  fields.mapLength = 10;
  fields.mapEntryBits = 24;
  fields.map.clear();
  for (int i = 0; i < 10; ++i)
    fields.map.insert(fields.map.end(), {static_cast<std::uint8_t>(i), 7, 9});
  fields.pixels = {251};
  image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(DibPaletteCount(image.get()), 256);
  EXPECT_EQ(UnpaddedRows(image.get()), Bytes{251});
  EXPECT_EQ(Bytes(DibPalette(image.get()) + 249 * 4, DibPalette(image.get()) + 252 * 4),
            (Bytes{0, 0, 0, 0, 0, 7, 9, 0, 1, 7, 9, 0}));

  // A grey file reads its colour map and keeps a grey ramp of first + length entries.
  fields.imageType = 3;
  fields.mapFirst = 0;
  image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(DibPaletteCount(image.get()), 10);
  EXPECT_EQ(DibPalette(image.get())[9 * 4], 9);

  // A true-colour file keeps its colour map as the image's palette, and its pixels follow.
  fields.imageType = 2;
  fields.depth = 24;
  fields.pixels = {1, 2, 3};
  image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(DibPaletteCount(image.get()), 10);
  EXPECT_EQ(UnpaddedRows(image.get()), (Bytes{1, 2, 3}));
  EXPECT_EQ(PixelColour(ImagePtr(DibConvertTo24(image.get())).get(), 0, 0), DibRgb(3, 2, 1));
}

TEST(TgaLoad, EightBitFileWithoutColourMapGetsGreyRamp) {
  TgaFields fields;
  fields.depth = 8;
  fields.width = fields.height = 1;
  fields.pixels = {77};
  ImagePtr image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(DibPaletteCount(image.get()), 256);
  EXPECT_EQ(DibPalette(image.get())[200 * 4 + 2], 200);
}

TEST(TgaLoad, OtherImageTypesDependOnTheColourMapType) {
  TgaFields fields;
  fields.width = fields.height = 1;
  fields.imageType = 5;
  fields.mapType = 2;
  fields.pixels = {0x80, 1, 2, 3};
  EXPECT_FALSE(Load(fields));
  fields.mapType = 0;  // read as run-length data
  EXPECT_EQ(UnpaddedRows(Load(fields).get()), (Bytes{1, 2, 3}));
  fields.imageType = 0;  // read as plain data
  EXPECT_EQ(UnpaddedRows(Load(fields).get()), (Bytes{0x80, 1, 2}));
}

TEST(TgaLoad, RefusesWhatCannotBeDecoded) {
  for (auto change : std::vector<void (*)(TgaFields&)>{
           [](TgaFields& f) { f.width = 0; }, [](TgaFields& f) { f.height = 0; },
           [](TgaFields& f) { f.depth = 12; }, [](TgaFields& f) { f.depth = 1; },
           [](TgaFields& f) { f.mapType = 1, f.mapLength = 1, f.mapEntryBits = 8; },
           [](TgaFields& f) { f.width = f.height = 65535; }}) {
    TgaFields fields;
    change(fields);
    EXPECT_FALSE(Load(fields));
  }
  EXPECT_FALSE(TgaLoad("/no/such/file.tga"));
}

TEST(TgaLoad, ShortDataLeavesTheRestZero) {
  TgaFields fields;
  fields.pixels = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(UnpaddedRows(Load(fields).get()), (Bytes{1, 2, 3, 4, 5, 6, 7, 0, 0, 0, 0, 0}));
  fields.imageType = 10;
  fields.pixels = {0x81, 1, 2, 3, 0x01, 4, 5};
  EXPECT_EQ(UnpaddedRows(Load(fields).get()), (Bytes{1, 2, 3, 1, 2, 3, 0, 0, 0, 0, 0, 0}));
  fields.pixels.clear();
  fields.id.resize(5);
  const std::vector<std::uint8_t> file = TgaBytes(fields);
  ImagePtr cut(TgaLoadFromMemory(file.data(), 20));  // inside the identification field
  EXPECT_EQ(UnpaddedRows(cut.get()), Bytes(12, 0));
}

}  // namespace
}  // namespace kolta::test
