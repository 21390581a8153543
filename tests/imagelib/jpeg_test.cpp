// The JPEG reader's decoded block, refused and cut files (tool_files_test.cpp compares its
// pictures with ImageMagick's decodes).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// libjpeg's header needs <cstdio> first.
#include <jpeglib.h>

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

// Every colour space becomes three components of blue, green, red.
TEST(Jpeg, GreyPicturesDecodeToThreeComponents) {
  int width = 0, height = 0, components = 0;
  void* block = JpegDecode(JpegSample("grey").c_str(), &width, &height, &components);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(components, 3);
  const auto* pixel = static_cast<const std::uint8_t*>(block) + 40;
  EXPECT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2]);
  ImgFree(block);
}

// A flat picture of one ink mix, written by libjpeg's compressor as `space` from four
// samples per pixel, with or without the Adobe marker.
std::vector<std::uint8_t> InkJpeg(J_COLOR_SPACE space, bool adobeMarker,
                                  const std::uint8_t (&cmyk)[4]) {
  constexpr int kWidth = 16, kHeight = 8;
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* data = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &data, &size);
  info.image_width = kWidth;
  info.image_height = kHeight;
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, space);
  jpeg_set_quality(&info, 100, TRUE);
  info.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
  jpeg_start_compress(&info, TRUE);
  std::vector<std::uint8_t> row;
  for (int x = 0; x < kWidth; ++x) row.insert(row.end(), cmyk, cmyk + 4);
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<std::uint8_t> file(data, data + size);
  jpeg_destroy_compress(&info);
  std::free(data);
  return file;
}

// Inks of 20 % cyan, 40 % magenta, no yellow and 10 % black show (1 - ink) x (1 - black):
// red 184, green 138, blue 230. Files with the Adobe marker store the inks inverted.
TEST(Jpeg, InkPicturesBecomeColour) {
  const std::uint8_t plain[4] = {51, 102, 0, 25};
  const std::uint8_t inverted[4] = {204, 153, 255, 230};
  struct InkFile {
    const char* name;
    std::vector<std::uint8_t> bytes;
  };
  const InkFile files[] = {{"CMYK, Adobe marker", InkJpeg(JCS_CMYK, true, inverted)},
                           {"YCCK, Adobe marker", InkJpeg(JCS_YCCK, true, inverted)},
                           {"CMYK, no marker", InkJpeg(JCS_CMYK, false, plain)}};
  for (const InkFile& file : files) {
    SCOPED_TRACE(file.name);
    ImagePtr image = FromMemory(file.bytes, file.bytes.size());
    ASSERT_TRUE(image);
    ASSERT_EQ(DibBitCount(image.get()), 24);
    const std::uint8_t* bgr = DibPixelAddress(image.get(), 5, 3);
    EXPECT_NEAR(bgr[0], 230, 2);
    EXPECT_NEAR(bgr[1], 138, 2);
    EXPECT_NEAR(bgr[2], 184, 2);
  }
}

TEST(Jpeg, RefusedPicturesAndFiles) {
  const std::size_t blocksBefore = ImgLiveBlocks();
  EXPECT_EQ(JpegLoad(JpegSample("missing").c_str()), nullptr);
  EXPECT_EQ(JpegLoad(nullptr), nullptr);

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
