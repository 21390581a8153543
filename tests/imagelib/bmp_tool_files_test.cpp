// Bitmap files written by independent tools (and a run-length encoder for the variants no
// tool writes), each compared pixel for pixel with an independent tool's decode of it.
// The files are made at build time by make_bmp_samples.py into KOLTA_BMP_SAMPLES.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "dib_ops.h"
#include "image_test_support.h"

namespace kolta::test {
namespace {

struct Ppm {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // rows from the top
};

bool ReadPpm(const std::string& path, Ppm& ppm) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  int maxValue = 0;
  const bool header = std::fscanf(file, "P6 %d %d %d", &ppm.width, &ppm.height, &maxValue) == 3 &&
                      maxValue == 255 && std::fgetc(file) != EOF;
  ppm.rgb.resize(header ? static_cast<std::size_t>(ppm.width) * ppm.height * 3 : 0);
  const bool pixels =
      header && std::fread(ppm.rgb.data(), 1, ppm.rgb.size(), file) == ppm.rgb.size();
  std::fclose(file);
  return pixels;
}

struct Sample {
  const char* name;
  int loadedBitCount;  // the depth of the image the reader gives
};

class ToolFiles : public testing::TestWithParam<Sample> {};

TEST_P(ToolFiles, DecodeLikeTheTool) {
  const std::string base = std::string(KOLTA_BMP_SAMPLES) + "/" + GetParam().name;
  Ppm reference;
  ASSERT_TRUE(ReadPpm(base + ".ppm", reference)) << base;
  ImagePtr image(BmpLoad((base + ".bmp").c_str()));
  ASSERT_TRUE(image) << base;
  EXPECT_EQ(DibBitCount(image.get()), GetParam().loadedBitCount);
  ImagePtr rgb(DibConvertTo24(image.get()));
  ASSERT_TRUE(rgb);
  ASSERT_EQ(DibWidth(rgb.get()), reference.width);
  ASSERT_EQ(DibHeight(rgb.get()), reference.height);
  int differences = 0;
  for (int y = 0; y < reference.height; ++y) {
    for (int x = 0; x < reference.width; ++x) {
      const std::uint8_t* want = &reference.rgb[(y * reference.width + x) * 3];
      const DibColor got = PixelColour(rgb.get(), x, y), wanted = DibRgb(want[0], want[1], want[2]);
      if (got != wanted && ++differences <= 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " instead of "
                      << wanted;
      }
    }
  }
  EXPECT_EQ(differences, 0);
}

INSTANTIATE_TEST_SUITE_P(Samples, ToolFiles,
                         testing::Values(Sample{"pil_1bit", 1}, Sample{"pil_8bit_grey", 8},
                                         Sample{"pil_8bit_palette", 8}, Sample{"pil_24bit", 24},
                                         Sample{"pil_32bit", 32}, Sample{"magick_4bit", 4},
                                         Sample{"magick_rle8", 8}, Sample{"magick_16bit_565", 24},
                                         Sample{"magick_16bit_555", 24},
                                         Sample{"magick_32bit_masks", 24}, Sample{"gen_rle4", 8},
                                         Sample{"gen_rle8_delta", 8}),
                         [](const testing::TestParamInfo<Sample>& sample) {
                           return std::string(sample.param.name);
                         });

}  // namespace
}  // namespace kolta::test
