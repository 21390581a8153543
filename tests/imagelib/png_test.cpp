// The PNG reader's palettes and broken files (tool_files_test.cpp compares its pictures
// with the tools' decodes).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "png_file.h"
#include "tool_reference.h"

namespace kolta::test {
namespace {

std::string PngPath(const std::string& name) { return SamplePath("png", name + ".png"); }

ImagePtr FromMemory(const std::vector<std::uint8_t>& bytes) {
  return ImagePtr(PngLoadFromMemory(bytes.data(), bytes.size(), nullptr));
}

// A PNG file of one RGBA row, its image data in a stored (uncompressed) deflate block.
std::vector<std::uint8_t> RgbaPng(std::uint32_t width, const std::vector<std::uint8_t>& row) {
  auto crc32 = [](const std::uint8_t* p, std::size_t n) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < n; ++i) {
      crc ^= p[i];
      for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
  };
  auto be32 = [](std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
  };
  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
    be32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    be32(out, crc32(&out[start], out.size() - start));
  };
  std::vector<std::uint8_t> header;
  be32(header, width);
  be32(header, 1);
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, not interlaced
  chunk("IHDR", header);
  std::vector<std::uint8_t> raw = {0};  // filter type none
  raw.insert(raw.end(), row.begin(), row.end());
  const auto n = static_cast<std::uint16_t>(raw.size());
  std::vector<std::uint8_t> zlib = {0x78, 0x01, 0x01, static_cast<std::uint8_t>(n),
                                    static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(~n),
                                    static_cast<std::uint8_t>(~n >> 8)};
  zlib.insert(zlib.end(), raw.begin(), raw.end());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  be32(zlib, (b << 16) | a);
  chunk("IDAT", zlib);
  chunk("IEND", {});
  return out;
}

// The same file claiming rows of 0x55555556 pixels (which wrap a 32-bit size) or
// 0x4000001 (whose 24-bit image fits a block but whose 32-bit rows do not) is refused.
TEST(Png, RowsThatNoBlockHoldsAreRefused) {
  const std::vector<std::uint8_t> row = {10, 20, 30, 255, 40, 50, 60, 128};
  const std::vector<std::uint8_t> narrowFile = RgbaPng(2, row);
  DibImage* alpha = nullptr;
  ImagePtr narrow(PngLoadFromMemory(narrowFile.data(), narrowFile.size(), &alpha));
  ImagePtr narrowAlpha(alpha);
  ASSERT_TRUE(narrow);
  ASSERT_TRUE(narrowAlpha);
  EXPECT_EQ(PixelColour(narrow.get(), 1, 0), DibRgb(40, 50, 60));
  EXPECT_EQ(*DibPixelAddress(narrowAlpha.get(), 1, 0), 128);
  for (const std::uint32_t width : {0x55555556u, 0x4000001u}) {
    const std::vector<std::uint8_t> file = RgbaPng(width, row);
    EXPECT_EQ(PngLoadFromMemory(file.data(), file.size(), &alpha), nullptr) << width;
    EXPECT_EQ(alpha, nullptr);
  }
}

TEST(Png, PalettesAsStored) {
  // A 16-entry palette stays 16 entries; grey pictures get the grey ramp.
  ImagePtr palette(PngLoad(PngPath("magick_palette16").c_str(), nullptr));
  ASSERT_TRUE(palette);
  EXPECT_EQ(DibPaletteCount(palette.get()), 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(DibPalette(palette.get())[i * 4 + 3], 0) << i;

  ImagePtr grey(PngLoad(PngPath("pil_grey").c_str(), nullptr));
  ASSERT_TRUE(grey);
  ASSERT_EQ(DibPaletteCount(grey.get()), 256);
  for (int v = 0; v < 256; ++v) {
    const std::uint8_t* entry = DibPalette(grey.get()) + v * 4;
    ASSERT_TRUE(entry[0] == v && entry[1] == v && entry[2] == v) << v;
  }
}

TEST(Png, BrokenFilesGiveNull) {
  const std::size_t blocksBefore = ImgLiveBlocks();
  const std::vector<std::uint8_t> good = FileBytes(PngPath("pil_rgba"));
  ASSERT_GT(good.size(), 100u);
  EXPECT_EQ(PngLoad(PngPath("missing").c_str(), nullptr), nullptr);
  EXPECT_EQ(PngLoad(nullptr, nullptr), nullptr);
  EXPECT_EQ(PngLoadFromMemory(nullptr, 10, nullptr), nullptr);
  EXPECT_EQ(FromMemory({}), nullptr);

  // Cut anywhere: in the signature, the header, or the image data.
  for (std::size_t size : {std::size_t{4}, std::size_t{20}, std::size_t{40}, good.size() / 2,
                           good.size() - 13}) {
    DibImage* alpha = nullptr;
    EXPECT_EQ(PngLoadFromMemory(good.data(), size, &alpha), nullptr) << size;
    EXPECT_EQ(alpha, nullptr);
  }
  // A changed byte in the image data fails its checksum.
  std::vector<std::uint8_t> corrupt = good;
  corrupt[corrupt.size() - 20] ^= 0x55;
  EXPECT_EQ(FromMemory(corrupt), nullptr);
  // Another format's file.
  EXPECT_EQ(FromMemory(FileBytes(SamplePath("bmp", "pil_24bit.bmp"))), nullptr);
  EXPECT_EQ(ImgLiveBlocks(), blocksBefore);
}

}  // namespace
}  // namespace kolta::test
