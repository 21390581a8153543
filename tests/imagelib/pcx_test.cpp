// The PCX reader's header, run, plane and palette rules on hand-built files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dib_ops.h"
#include "image_test_support.h"
#include "pcx_file.h"

namespace kolta::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct PcxFields {
  int bitsPerPlane = 8, planes = 1, lineBytes = 2;
  int xmin = 0, ymin = 0, xmax = 1, ymax = 0;
  Bytes data;     // the encoded scanlines
  Bytes palette;  // appended after the data
};

Bytes PcxBytes(const PcxFields& f) {
  Bytes file(128, 0);
  file[0] = 10;
  file[3] = static_cast<std::uint8_t>(f.bitsPerPlane);
  const int words[] = {f.xmin, f.ymin, f.xmax, f.ymax};
  for (int i = 0; i < 4; ++i) {
    file[4 + 2 * i] = static_cast<std::uint8_t>(words[i]);
    file[5 + 2 * i] = static_cast<std::uint8_t>(words[i] >> 8);
  }
  for (int i = 0; i < 48; ++i) file[16 + i] = static_cast<std::uint8_t>(i);
  file[65] = static_cast<std::uint8_t>(f.planes);
  file[66] = static_cast<std::uint8_t>(f.lineBytes);
  file[67] = static_cast<std::uint8_t>(f.lineBytes >> 8);
  file.insert(file.end(), f.data.begin(), f.data.end());
  file.insert(file.end(), f.palette.begin(), f.palette.end());
  return file;
}

ImagePtr Load(const PcxFields& fields) {
  const Bytes file = PcxBytes(fields);
  return ImagePtr(PcxLoadFromMemory(file.data(), file.size()));
}

// A 256-colour palette block: the marker, then entry i = (i, 255 - i, 7).
Bytes Palette256(std::uint8_t marker = 12) {
  Bytes palette{marker};
  for (int i = 0; i < 256; ++i)
    palette.insert(palette.end(), {std::uint8_t(i), std::uint8_t(255 - i), 7});
  return palette;
}

// Stored bytes of each row (padding included), top row first.
Bytes RowsFromTop(const DibImage* image) {
  Bytes bytes;
  for (int row = image->height - 1; row >= 0; --row) {
    const std::uint8_t* p = DibBits(image) + row * DibStride(image);
    bytes.insert(bytes.end(), p, p + DibStride(image));
  }
  return bytes;
}

TEST(PcxLoad, DecodesRunsAndCutsThemAtTheScanlineEnd) {
  PcxFields fields;
  fields.xmax = 3;
  fields.ymax = 1;
  fields.lineBytes = 4;
  // Row 0: a run of 3, a 0xC0 that writes nothing, one byte. Row 1: a run of 9 cut to 4
  // (the next scanline starts with its own byte).
  fields.data = {0xC3, 0x55, 0xC0, 0x99, 0x07, 0xC9, 0x22};
  fields.palette = Palette256();
  ImagePtr image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(RowsFromTop(image.get()), (Bytes{0x55, 0x55, 0x55, 0x07, 0x22, 0x22, 0x22, 0x22}));
  ASSERT_EQ(DibPaletteCount(image.get()), 256);
  EXPECT_EQ(Bytes(DibPalette(image.get()) + 4 * 200, DibPalette(image.get()) + 4 * 201),
            (Bytes{7, 55, 200, 0}));
  // The palette's 769 bytes are not pixel data, even when the rows come up short.
  fields.data = {0xC3, 0x55};
  EXPECT_EQ(RowsFromTop(Load(fields).get()), (Bytes{0x55, 0x55, 0x55, 0, 0, 0, 0, 0}));
}

TEST(PcxLoad, PacksFourPlanesIntoFourBitPixels) {
  PcxFields fields;
  fields.bitsPerPlane = 1;
  fields.planes = 4;
  fields.xmax = 15;
  fields.lineBytes = 2;
  // Planes 0 to 3 (0xFF is stored as a run of one).
  fields.data = {0xC1, 0xFF, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80};
  ImagePtr image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(RowsFromTop(image.get()), (Bytes{0x11, 0x11, 0x11, 0x11, 0xF0, 0, 0, 0}));
  ASSERT_EQ(DibPaletteCount(image.get()), 16);
  EXPECT_EQ(Bytes(DibPalette(image.get()) + 4, DibPalette(image.get()) + 8), (Bytes{5, 4, 3, 0}));
}

TEST(PcxLoad, TwoColourFilesAreBlackAndWhite) {
  PcxFields fields;
  fields.bitsPerPlane = 1;
  fields.xmax = 9;
  fields.data = {0xA5, 0xC1, 0xC0};
  ImagePtr image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(RowsFromTop(image.get()), (Bytes{0xA5, 0xC0, 0, 0}));
  EXPECT_EQ(Bytes(DibPalette(image.get()), DibPalette(image.get()) + 8),
            (Bytes{0, 0, 0, 0, 255, 255, 255, 0}));
}

TEST(PcxLoad, ExtraPlaneBytesLandInThePadding) {
  PcxFields fields;
  fields.planes = 3;
  fields.xmax = 2;
  fields.lineBytes = 4;
  fields.data = {1, 2, 3, 4, 11, 12, 13, 14, 21, 22, 23, 24};  // red, green, blue planes
  EXPECT_EQ(RowsFromTop(Load(fields).get()), (Bytes{21, 11, 1, 22, 12, 2, 23, 13, 3, 24, 14, 4}));
  // Width 2: the stride of 8 holds two pixels and two bytes of the third.
  fields.xmax = 1;
  EXPECT_EQ(RowsFromTop(Load(fields).get()), (Bytes{21, 11, 1, 22, 12, 2, 23, 13}));
}

TEST(PcxLoad, TakesTheExtentFromTheHeader) {
  PcxFields fields;
  fields.xmin = 10;
  fields.xmax = 19;
  fields.ymin = 3;
  fields.ymax = 4;
  fields.lineBytes = 10;
  fields.palette = Palette256();
  ImagePtr image = Load(fields);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 10);
  EXPECT_EQ(image->height, 2);
}

TEST(PcxLoad, RefusesWhatCannotBeDecoded) {
  for (auto change : std::vector<void (*)(PcxFields&)>{
           [](PcxFields& f) { f.palette = Palette256(11); },  // a wrong marker
           [](PcxFields& f) { f.palette.clear(); },           // no palette at all
           [](PcxFields& f) { f.xmin = 5, f.xmax = 4; },      // an empty extent
           [](PcxFields& f) { f.ymin = 1, f.ymax = -3; },
           [](PcxFields& f) { f.lineBytes = 1; },  // too short for the width
           [](PcxFields& f) { f.planes = 3, f.bitsPerPlane = 16; },
           [](PcxFields& f) { f.planes = 2, f.bitsPerPlane = 1; },
           [](PcxFields& f) { f.planes = 1, f.bitsPerPlane = 4; },
           [](PcxFields& f) { f.planes = 1, f.bitsPerPlane = 2; },
           [](PcxFields& f) {
             f.xmin = -32768, f.xmax = 32767, f.ymax = 32767, f.lineBytes = 65535;
           }}) {
    PcxFields fields;
    fields.palette = Palette256();
    change(fields);
    EXPECT_FALSE(Load(fields));
  }
  Bytes file = PcxBytes({});
  file[0] = 11;
  EXPECT_FALSE(PcxLoadFromMemory(file.data(), file.size()));
  EXPECT_FALSE(PcxLoad("/no/such/file.pcx"));
}

}  // namespace
}  // namespace kolta::test
