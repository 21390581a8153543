// The PNG reader on files written by independent tools: every accepted variant compared
// with the tool's decode (colour and alpha), the refused depths, and broken files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "png_file.h"
#include "tool_reference.h"

namespace kolta::test {
namespace {

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string PngPath(const std::string& name) { return SamplePath("png", name + ".png"); }

ImagePtr FromMemory(const std::vector<std::uint8_t>& bytes) {
  return ImagePtr(PngLoadFromMemory(bytes.data(), bytes.size(), nullptr));
}

struct PngSample {
  const char* name;
  int bitCount;
  bool alpha;  // the reader gives an alpha image
};

class PngToolFiles : public testing::TestWithParam<PngSample> {};

TEST_P(PngToolFiles, DecodeLikeTheTool) {
  const std::string name = GetParam().name;
  Ppm reference;
  ASSERT_TRUE(ReadPpm(SamplePath("png", name + ".ppm"), reference));
  DibImage* alphaOut = nullptr;
  ImagePtr image(PngLoad(PngPath(name).c_str(), &alphaOut));
  ImagePtr alpha(alphaOut);
  ASSERT_TRUE(image);
  EXPECT_EQ(DibBitCount(image.get()), GetParam().bitCount);
  ExpectSamePicture(image.get(), reference);

  ASSERT_EQ(alpha != nullptr, GetParam().alpha);
  if (alpha) {
    Ppm alphaReference;
    ASSERT_TRUE(ReadPpm(SamplePath("png", name + ".alpha.ppm"), alphaReference));
    EXPECT_EQ(DibBitCount(alpha.get()), 8);
    ExpectSamePicture(alpha.get(), alphaReference);
  }

  // Without the alpha output, and from memory, the image is the same.
  ImagePtr fromMemory = FromMemory(FileBytes(PngPath(name)));
  ASSERT_TRUE(fromMemory);
  EXPECT_EQ(PixelBytes(fromMemory.get()), PixelBytes(image.get()));
  EXPECT_EQ(DibTotalSize(fromMemory.get()), DibTotalSize(image.get()));
}

INSTANTIATE_TEST_SUITE_P(
    Samples, PngToolFiles,
    testing::Values(PngSample{"pil_grey", 8, false}, PngSample{"pil_palette", 8, false},
                    PngSample{"magick_palette16", 8, false}, PngSample{"pil_rgb", 24, false},
                    PngSample{"pil_rgb_trns", 24, false}, PngSample{"pil_rgba", 24, true},
                    PngSample{"magick_interlaced_rgb", 24, false},
                    PngSample{"magick_interlaced_rgba", 24, true},
                    PngSample{"magick_grey_alpha16", 24, true}),
    [](const testing::TestParamInfo<PngSample>& sample) { return std::string(sample.param.name); });

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

TEST(Png, OtherDepthsAreRefused) {
  for (const char* name : {"pil_1bit", "magick_2bit", "magick_palette4bit", "pil_grey_alpha8",
                           "pil_grey16", "magick_rgb16"}) {
    DibImage* alpha = DibCreate(0, 1, 1, nullptr, 0);  // must be replaced by null
    ImagePtr keep(alpha);
    EXPECT_EQ(PngLoad(PngPath(name).c_str(), &alpha), nullptr) << name;
    EXPECT_EQ(alpha, nullptr) << name;
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
