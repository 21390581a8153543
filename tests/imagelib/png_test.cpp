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
