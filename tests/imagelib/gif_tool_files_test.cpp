// GIF files written by independent tools, each first frame compared pixel for pixel with
// the tool's decode composed by the reader's rules. The files are made at build time by
// make_gif_samples.py.
#include <gtest/gtest.h>

#include <string>

#include "gif_file.h"
#include "tool_reference.h"

namespace kolta::test {
namespace {

class GifToolFiles : public testing::TestWithParam<const char*> {};

TEST_P(GifToolFiles, FirstFrameLikeTheTool) {
  const std::string name = GetParam();
  Ppm reference;
  ASSERT_TRUE(ReadPpm(SamplePath("gif", name + ".ppm"), reference));
  ImagePtr image(GifLoad(SamplePath("gif", name + ".gif").c_str(), nullptr));
  ASSERT_TRUE(image);
  EXPECT_EQ(DibBitCount(image.get()), 24);
  ExpectSamePicture(image.get(), reference);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, GifToolFiles,
    testing::Values("pil_87a", "pil_89a_transparent", "pil_transparent_duplicate",
                    "pil_frames_disposal0", "pil_frames_disposal1", "pil_frames_disposal2",
                    "pil_frames_disposal3", "pil_disposal5", "magick_interlaced",
                    "magick_interlaced_3rows", "magick_offset_frame", "magick_offset_transparent",
                    "edited_background_beyond_table", "edited_local_table_only"),
    [](const testing::TestParamInfo<const char*>& sample) { return std::string(sample.param); });

}  // namespace
}  // namespace kolta::test
