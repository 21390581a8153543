// Bitmap files written by independent tools (and a run-length encoder for the variants no
// tool writes), each compared pixel for pixel with an independent tool's decode of it.
// The files are made at build time by make_bmp_samples.py.
#include <gtest/gtest.h>

#include <string>

#include "bmp_file.h"
#include "tool_reference.h"

namespace kolta::test {
namespace {

struct Sample {
  const char* name;
  int loadedBitCount;  // the depth of the image the reader gives
};

class ToolFiles : public testing::TestWithParam<Sample> {};

TEST_P(ToolFiles, DecodeLikeTheTool) {
  Ppm reference;
  ASSERT_TRUE(ReadPpm(SamplePath("bmp", std::string(GetParam().name) + ".ppm"), reference));
  ImagePtr image(BmpLoad(SamplePath("bmp", std::string(GetParam().name) + ".bmp").c_str()));
  ASSERT_TRUE(image) << GetParam().name;
  EXPECT_EQ(DibBitCount(image.get()), GetParam().loadedBitCount);
  ExpectSamePicture(image.get(), reference);
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
