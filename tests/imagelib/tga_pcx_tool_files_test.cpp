// TGA and PCX files written by independent tools (and by the sample scripts' encoders for
// the variants no tool writes: 15- and 16-bit and right-to-left TGA, 16-colour planar PCX,
// unusual PCX extents), each compared pixel for pixel with a tool's decode of it. The files
// are made at build time by make_tga_samples.py and make_pcx_samples.py.
#include <gtest/gtest.h>

#include <string>

#include "pcx_file.h"
#include "tga_file.h"
#include "tool_reference.h"

namespace kolta::test {
namespace {

struct Sample {
  const char* format;  // the samples' folder and the files' extension
  const char* name;
  DibImage* (*load)(const char* path);
  int loadedBitCount;  // the depth of the image the reader gives
};

class TgaPcxToolFiles : public testing::TestWithParam<Sample> {};

TEST_P(TgaPcxToolFiles, DecodeLikeTheTool) {
  const Sample& sample = GetParam();
  const std::string name = sample.name;
  Ppm reference;
  ASSERT_TRUE(ReadPpm(SamplePath(sample.format, name + ".ppm"), reference));
  ImagePtr image(sample.load(SamplePath(sample.format, name + "." + sample.format).c_str()));
  ASSERT_TRUE(image) << name;
  EXPECT_EQ(DibBitCount(image.get()), sample.loadedBitCount);
  ExpectSamePicture(image.get(), reference);
}

Sample Tga(const char* name, int bitCount) { return {"tga", name, TgaLoad, bitCount}; }
Sample Pcx(const char* name, int bitCount) { return {"pcx", name, PcxLoad, bitCount}; }

INSTANTIATE_TEST_SUITE_P(
    Samples, TgaPcxToolFiles,
    testing::Values(Tga("pil_type1", 8), Tga("pil_type2_24", 24), Tga("pil_type2_32_top", 24),
                    Tga("pil_type3", 8), Tga("pil_type9", 8), Tga("pil_type10_24_top", 24),
                    Tga("pil_type10_32", 24), Tga("pil_type11", 8), Tga("magick_type1", 8),
                    Tga("magick_type2_top", 24), Tga("magick_type3", 8), Tga("magick_type9", 8),
                    Tga("magick_type10", 24), Tga("magick_type10_32_top", 24),
                    Tga("magick_type11", 8), Tga("gen_15bit", 24), Tga("gen_16bit_rle", 24),
                    Tga("gen_16bit_rle_top_right", 24), Tga("gen_map16", 8),
                    Tga("gen_24bit_right", 24), Pcx("pil_1bit", 1), Pcx("pil_8bit_grey", 8),
                    Pcx("pil_8bit_palette", 8), Pcx("pil_24bit", 24), Pcx("magick_8bit", 8),
                    Pcx("magick_24bit", 24), Pcx("gen_4bit_planar", 4),
                    Pcx("gen_24bit_width3", 24), Pcx("gen_24bit_xmin10", 24)),
    [](const testing::TestParamInfo<Sample>& sample) {
      return std::string(sample.param.format) + "_" + sample.param.name;
    });

}  // namespace
}  // namespace kolta::test
