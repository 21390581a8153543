// What the file readers share: the byte source (the same positions, seeks and skips over
// memory and over a stream handed over in the middle of a file) and row mirroring.
#include "byte_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>
#include <vector>

#include "row_mirror.h"

namespace kolta::image {
namespace {

constexpr std::size_t kBytes = 40000;  // more than the reader's buffer

std::vector<std::uint8_t> Counting() {
  std::vector<std::uint8_t> bytes(kBytes);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

void ExpectSeeksAndSkips(ByteReader& in, std::size_t size, std::uint8_t first) {
  ASSERT_EQ(in.Size(), size);
  EXPECT_EQ(in.Byte(), first);
  EXPECT_EQ(in.Tell(), 1u);
  ASSERT_TRUE(in.Skip(30000));  // past the buffered part
  EXPECT_EQ(in.Tell(), 30001u);
  EXPECT_EQ(in.Byte(), static_cast<std::uint8_t>(first + 30001));
  ASSERT_TRUE(in.Seek(5));
  std::uint8_t two[2];
  ASSERT_EQ(in.Read(two, 2), 2u);
  EXPECT_EQ(two[1], static_cast<std::uint8_t>(first + 6));
  EXPECT_EQ(in.Remaining(), size - 7);
  EXPECT_FALSE(in.Seek(size + 1));
  EXPECT_EQ(in.Tell(), 7u);  // a refused seek leaves the position
  ASSERT_TRUE(in.Seek(size));
  EXPECT_EQ(in.Byte(), -1);
  ASSERT_TRUE(in.Seek(size - 3));
  EXPECT_FALSE(in.Skip(4));
  EXPECT_EQ(in.Tell(), size);
}

TEST(ByteReader, MemoryAndStreamFromTheMiddleAgree) {
  const std::vector<std::uint8_t> bytes = Counting();
  ByteReader memory = ByteReader::FromMemory(bytes.data(), bytes.size());
  ExpectSeeksAndSkips(memory, kBytes, 0);

  std::FILE* file = std::tmpfile();
  ASSERT_TRUE(file);
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
  std::fseek(file, 100, SEEK_SET);
  ByteReader stream = ByteReader::FromFile(file);
  ExpectSeeksAndSkips(stream, kBytes - 100, 100);
  std::fclose(file);
}

TEST(ByteReader, BigEndianNumbers) {
  const std::uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78};
  EXPECT_EQ(ReadBe16(bytes), 0x1234);
  EXPECT_EQ(ReadBe32(bytes), 0x12345678u);
  EXPECT_EQ(ReadLe32(bytes), 0x78563412u);
}

// Rows of exactly their own size, so that the sanitizers see any byte outside. A width the
// row cannot hold leaves it alone: 2^30 + 1 pixels of 4 bytes once made int offsets of
// 2^32, which wrapped.
TEST(MirrorRow, EveryDepthKeepsPixelsWholeAndPaddingAlone) {
  struct Case {
    int bitCount, width;
    std::vector<std::uint8_t> row, mirrored;
  };
  const Case cases[] = {
      {1, 4, {0b10110000}, {0b11010000}},
      {1, 10, {0b10000000, 0b01111111}, {0b10000000, 0b01111111}},
      {4, 3, {0x12, 0x3F}, {0x32, 0x1F}},
      {8, 3, {1, 2, 3, 9}, {3, 2, 1, 9}},
      {24, 2, {1, 2, 3, 4, 5, 6, 9}, {4, 5, 6, 1, 2, 3, 9}},
      {32, 2, {1, 2, 3, 4, 5, 6, 7, 8}, {5, 6, 7, 8, 1, 2, 3, 4}},
      {16, 2, {1, 2, 3, 4}, {3, 4, 1, 2}},
      {24, 1, {1, 2, 3}, {1, 2, 3}},
      // Too short for the width: left as it is.
      {1, 9, {0xB0}, {0xB0}},
      {4, 5, {0x12, 0x34}, {0x12, 0x34}},
      {8, 3, {1, 2}, {1, 2}},
      {24, 3, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
      {32, 0x40000001, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8}},
      {24, 0x7FFFFFFF, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
      {4, 0x7FFFFFFF, {0x12, 0x34}, {0x12, 0x34}},
      // Depths without a mirror.
      {2, 2, {0x1B}, {0x1B}},
      {0, 2, {1, 2}, {1, 2}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> row = c.row;
    MirrorRow(row, c.width, c.bitCount);
    EXPECT_EQ(row, c.mirrored) << c.bitCount << " bits, width " << c.width;
  }
}

}  // namespace
}  // namespace kolta::image
