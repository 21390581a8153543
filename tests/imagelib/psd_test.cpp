// The layered-image document reader on hand-built documents, for the rules ImageMagick's
// documents (compared in tool_files_test.cpp) do not show.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "psd_file.h"
#include "image_test_support.h"

namespace kolta::test {
namespace {

struct PsdHeader {
  std::uint16_t version = 1, channels = 3;
  std::uint32_t height = 2, width = 2;
  std::uint16_t depth = 8, mode = 3, compression = 0;
};

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A document: the header, empty colour mode data, a 5-byte resource section, no layers,
// then the compression and `data`.
std::vector<std::uint8_t> Document(const PsdHeader& h, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out{'8', 'B', 'P', 'S'};
  Put(out, h.version, 2);
  out.insert(out.end(), 6, 0);
  Put(out, h.channels, 2);
  Put(out, h.height, 4);
  Put(out, h.width, 4);
  Put(out, h.depth, 2);
  Put(out, h.mode, 2);
  Put(out, 0, 4);
  Put(out, 5, 4);
  out.insert(out.end(), 5, 0xEE);
  Put(out, 0, 4);
  Put(out, h.compression, 2);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

DibImage* Load(const std::vector<std::uint8_t>& bytes) {
  return PsdLoadFromMemory(bytes.data(), bytes.size());
}

// Raw planes of a 2 x 2 picture: red, green, blue, alpha.
const std::vector<std::uint8_t> kRawPlanes{10, 11, 12, 13, 20, 21, 22, 23,
                                           30, 31, 32, 33, 40, 41, 42, 43};

TEST(Psd, RawPlanesGiveRedGreenAndBlue) {
  ImagePtr image(Load(Document({}, {kRawPlanes.begin(), kRawPlanes.begin() + 12})));
  ASSERT_TRUE(image);
  EXPECT_EQ(PixelColour(image.get(), 0, 0), DibRgb(10, 20, 30));
  EXPECT_EQ(PixelColour(image.get(), 1, 1), DibRgb(13, 23, 33));
  // Alpha, and channels past the fourth, change nothing.
  PsdHeader five;
  five.channels = 5;
  std::vector<std::uint8_t> planes = kRawPlanes;
  planes.insert(planes.end(), 4, 99);
  ImagePtr withAlpha(Load(Document(five, planes)));
  ASSERT_TRUE(withAlpha);
  ASSERT_EQ(DibTotalSize(withAlpha.get()), DibTotalSize(image.get()));
  EXPECT_EQ(std::memcmp(withAlpha.get(), image.get(), DibTotalSize(image.get())), 0);
}

TEST(Psd, RunLengthRunsCrossRowsWithinAChannel) {
  PsdHeader h;
  h.compression = 1;
  std::vector<std::uint8_t> data(2 * 3 * 2, 0);  // the row byte counts, not used
  // Red: a literal of 1, then a repeat of 3 over the row break; green: -128, then a repeat
  // of 4; blue: a literal of 4.
  for (std::uint8_t b : {0x00, 5, 0xFE, 6, 0x80, 0xFD, 7, 0x03, 1, 2, 3, 4}) data.push_back(b);
  ImagePtr image(Load(Document(h, data)));
  ASSERT_TRUE(image);
  EXPECT_EQ(PixelColour(image.get(), 0, 0), DibRgb(5, 7, 1));
  EXPECT_EQ(PixelColour(image.get(), 1, 0), DibRgb(6, 7, 2));
  EXPECT_EQ(PixelColour(image.get(), 0, 1), DibRgb(6, 7, 3));
  EXPECT_EQ(PixelColour(image.get(), 1, 1), DibRgb(6, 7, 4));
}

TEST(Psd, ShortDataLeavesTheRestBlack) {
  ImagePtr image(Load(Document({}, {1, 2, 3, 4, 5, 6})));
  ASSERT_TRUE(image);
  EXPECT_EQ(PixelColour(image.get(), 1, 0), DibRgb(2, 6, 0));
  EXPECT_EQ(PixelColour(image.get(), 1, 1), DibRgb(4, 0, 0));
  PsdHeader rle;
  rle.compression = 1;
  ImagePtr noTable(Load(Document(rle, {0, 1})));
  ASSERT_TRUE(noTable);
  EXPECT_EQ(PixelColour(noTable.get(), 0, 0), 0u);
}

TEST(Psd, RefusesWhatItCannotRead) {
  const std::pair<const char*, void (*)(PsdHeader&)> cases[] = {
      {"version 2", [](PsdHeader& h) { h.version = 2; }},
      {"no channels", [](PsdHeader& h) { h.channels = 0; }},
      {"width 0", [](PsdHeader& h) { h.width = 0; }},
      {"height past int", [](PsdHeader& h) { h.height = 0x80000000; }},
      {"3.6 GB of pixels", [](PsdHeader& h) { h.width = h.height = 30000; }},
      {"16 bits", [](PsdHeader& h) { h.depth = 16; }},
      {"CMYK", [](PsdHeader& h) { h.mode = 4; }},
      {"compression 2", [](PsdHeader& h) { h.compression = 2; }},
  };
  for (const auto& [what, change] : cases) {
    PsdHeader h;
    change(h);
    EXPECT_FALSE(ImagePtr(Load(Document(h, kRawPlanes)))) << what;
  }
  std::vector<std::uint8_t> bytes = Document({}, kRawPlanes);
  bytes[0] = 'X';
  EXPECT_FALSE(ImagePtr(Load(bytes)));
  bytes = Document({}, {});
  bytes.resize(bytes.size() - 1);  // no compression field
  EXPECT_FALSE(ImagePtr(Load(bytes)));
}

TEST(Psd, ReadingLeavesTheFileAsItIs) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("kolta_psd_read_only_" + std::to_string(std::random_device{}()) + ".psd");
  const std::vector<std::uint8_t> bytes = Document({}, kRawPlanes);
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  ASSERT_TRUE(file);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  namespace fs = std::filesystem;
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  ImagePtr image(PsdLoad(path.string().c_str()));
  EXPECT_TRUE(image);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::none);

  // The channel decoder on a stream: 1 when every slot was read, 0 when the data ends.
  file = std::fopen(path.string().c_str(), "rb");
  ASSERT_TRUE(file);
  std::vector<std::uint8_t> pixels(16, 0xCC);
  std::fseek(file, static_cast<long>(bytes.size() - kRawPlanes.size()), SEEK_SET);
  EXPECT_EQ(PsdReadChannels(file, 2, 2, pixels.data(), 3, 0), 1);
  EXPECT_EQ(pixels[3], 255);  // alpha missing: opaque
  EXPECT_EQ(pixels[2], 10);
  std::fseek(file, static_cast<long>(bytes.size() - 5), SEEK_SET);
  EXPECT_EQ(PsdReadChannels(file, 2, 2, pixels.data(), 3, 0), 0);
  std::fclose(file);
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  fs::remove(path);
}

}  // namespace
}  // namespace kolta::test
