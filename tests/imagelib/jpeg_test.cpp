// The JPEG reader's decoded block, refused and cut files (tool_files_test.cpp compares its
// pictures with ImageMagick's decodes).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "jpeg_file.h"
#include "tool_reference.h"

namespace kolta::test {
namespace {

std::string JpegSample(const std::string& name) { return SamplePath("jpeg", name + ".jpg"); }

std::vector<std::uint8_t> JpegBytes(const std::string& name) { return FileBytes(JpegSample(name)); }

ImagePtr FromMemory(const std::vector<std::uint8_t>& bytes, std::size_t size) {
  return ImagePtr(JpegLoadFromMemory(bytes.data(), size));
}

TEST(Jpeg, DecodedBlockIsTheImageWithoutItsHeader) {
  int width = 0, height = 0, components = 0;
  void* block = JpegDecode(JpegSample("baseline_33x7").c_str(), &width, &height, &components);
  ASSERT_TRUE(block);
  EXPECT_EQ(width, 33);
  EXPECT_EQ(height, 7);
  EXPECT_EQ(components, 3);
  const DibImage zeroHeader{};
  EXPECT_EQ(std::memcmp(block, &zeroHeader, sizeof zeroHeader), 0);

  ImagePtr image(JpegLoad(JpegSample("baseline_33x7").c_str()));
  ASSERT_TRUE(image);
  const DibImage expected{40, 33, 7, 1, 24, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(image.get(), &expected, sizeof expected), 0);
  EXPECT_EQ(DibStride(image.get()), 100u);
  EXPECT_EQ(DibTotalSize(image.get()), 40u + 700u);
  // The first scanline is stored last.
  const auto* pixels = static_cast<const std::uint8_t*>(block) + 40;
  EXPECT_EQ(std::memcmp(pixels, DibBits(image.get()), 700), 0);
  EXPECT_EQ(DibPixelAddress(image.get(), 0, 0), DibBits(image.get()) + 600);
  ImgFree(block);
}

TEST(Jpeg, RefusedPicturesAndFiles) {
  const std::size_t blocksBefore = ImgLiveBlocks();
  EXPECT_EQ(JpegLoad(JpegSample("missing").c_str()), nullptr);
  EXPECT_EQ(JpegLoad(nullptr), nullptr);
  int width = 0, height = 0, components = 0;
  EXPECT_EQ(JpegDecode(JpegSample("grey").c_str(), &width, &height, &components), nullptr);

  const std::vector<std::uint8_t> good = JpegBytes("baseline_444");
  EXPECT_EQ(FromMemory(good, 0), nullptr);
  EXPECT_EQ(FromMemory(good, 100), nullptr);  // ends inside the headers
  EXPECT_EQ(JpegLoadFromMemory(nullptr, 5), nullptr);
  // A bitmap file under a JPEG name.
  EXPECT_EQ(JpegLoad(SamplePath("bmp", "pil_24bit.bmp").c_str()), nullptr);
  EXPECT_EQ(ImgLiveBlocks(), blocksBefore);
}

TEST(Jpeg, TruncatedDataKeepsThePictureSoFar) {
  // The library warns about the early end and fills the rest; decoding goes on.
  const std::vector<std::uint8_t> good = JpegBytes("baseline_444");
  ImagePtr whole = FromMemory(good, good.size());
  ImagePtr cut = FromMemory(good, good.size() * 3 / 4);
  ASSERT_TRUE(whole && cut);
  EXPECT_EQ(DibWidth(cut.get()), DibWidth(whole.get()));
  EXPECT_EQ(DibHeight(cut.get()), DibHeight(whole.get()));
  // The top row was decoded before the data ended.
  EXPECT_EQ(std::memcmp(DibPixelAddress(cut.get(), 0, 0), DibPixelAddress(whole.get(), 0, 0),
                        3 * 45),
            0);
}

}  // namespace
}  // namespace kolta::test
