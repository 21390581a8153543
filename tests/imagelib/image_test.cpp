#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "dib_image.h"
#include "image_test_support.h"

namespace kolta::test {
namespace {

std::size_t Offset(const DibImage* image, const std::uint8_t* address) {
  return static_cast<std::size_t>(address - reinterpret_cast<const std::uint8_t*>(image));
}

TEST(DibImage, StridesAndSizesOf24And8BitImages) {
  ImagePtr rgb(DibCreate(1, 3, 2, nullptr, 0));
  ASSERT_TRUE(rgb);
  EXPECT_EQ(DibStride(rgb.get()), 12u);
  EXPECT_EQ(DibTotalSize(rgb.get()), 64u);
  EXPECT_EQ(Offset(rgb.get(), DibPixelAddress(rgb.get(), 0, 0)), 52u);  // the second stored row
  EXPECT_EQ(Offset(rgb.get(), DibPixelAddress(rgb.get(), 2, 1)), 46u);
  EXPECT_EQ(DibPaletteCount(rgb.get()), 0);
  EXPECT_TRUE(DibIs24(rgb.get()));

  ImagePtr grey(DibCreate(0, 5, 1, nullptr, 0));
  ASSERT_TRUE(grey);
  EXPECT_EQ(DibStride(grey.get()), 8u);
  EXPECT_EQ(DibPaletteCount(grey.get()), 256);
  EXPECT_EQ(DibTotalSize(grey.get()), 1072u);
  EXPECT_EQ(Offset(grey.get(), DibBits(grey.get())), 1064u);
  EXPECT_EQ(DibPalette(grey.get())[4 * 200 + 1], 200);
  EXPECT_FALSE(DibIs24(grey.get()));
}

TEST(DibImage, RowBytesForEveryDepth) {
  EXPECT_EQ(DibRowBytes(33, 1), 8u);
  EXPECT_EQ(DibRowBytes(32, 1), 4u);
  EXPECT_EQ(DibRowBytes(9, 4), 8u);
  EXPECT_EQ(DibRowBytes(3, 16), 8u);
  EXPECT_EQ(DibRowBytes(1, 32), 4u);
  EXPECT_EQ(DibRowBytes(0, 24), 0u);
  EXPECT_EQ(RoundUp4(8), 8);
  EXPECT_EQ(RoundUp4(9), 12);
  EXPECT_EQ(RoundUp4(INT_MAX - 3), INT_MAX - 3);
  EXPECT_EQ(RoundUp4(INT_MAX), 0);
}

TEST(DibImage, SizesThatOverflowOrExceedTheLimitAreRefused) {
  EXPECT_EQ(DibCreate(1, 0, 5, nullptr, 0), nullptr);
  EXPECT_EQ(DibCreate(1, 5, -1, nullptr, 0), nullptr);
  EXPECT_EQ(DibCreate(1, INT_MAX, INT_MAX, nullptr, 0), nullptr);
  EXPECT_EQ(DibCreate(1, 1 << 16, 1 << 16, nullptr, 0), nullptr);
  EXPECT_EQ(DibCreate(0, INT_MAX, 1, nullptr, 0), nullptr);
  EXPECT_EQ(DibBlockBytes(INT_MAX, 2, 32, 0), 0u);
  EXPECT_EQ(DibBlockBytes(1, 1, 8, 0xFFFFFFFFu), 0u);
  // Right at the limit: 40 + stride x height bytes.
  const int height = static_cast<int>((kDibMaxBlockBytes - 40) / 4096);
  EXPECT_EQ(DibBlockBytes(4096, height, 8, 0), 40 + 4096u * height);
  EXPECT_EQ(DibBlockBytes(4096, height + 1, 8, 0), 0u);
  EXPECT_EQ(DibCreatePalettized(-1, 1, 2, nullptr), nullptr);
}

// Row sizes are worked out in 64 bits and refused beyond the block limit, so that every
// build gives the same answer: a 32-bit size_t once wrapped 2^32 + 4 bytes around to 4.
TEST(DibImage, RowsLongerThanTheBlockLimitHaveNoSize) {
  struct Row {
    int width, bitCount;
    std::size_t bytes;
  };
  constexpr Row kRows[] = {
      {0x55555556, 24, 0},  // 2^32 + 4 bytes
      {0x40000001, 32, 0},  // 2^32 + 4 bytes
      {0x40000001, 16, 0},  // 2^31 + 4 bytes
      {INT_MAX, 32, 0},
      {0x4000001, 32, 0},                     // 256 MiB + 4 bytes
      {0x4000000, 32, kDibMaxBlockBytes},     // 256 MiB exactly
      {INT_MAX, 1, kDibMaxBlockBytes},        // 2^31 - 1 bits round up to 256 MiB
      {0x55555555, 24, 0},                    // 2^32 - 4 bytes: fits 32 bits, not a block
  };
  for (const Row& row : kRows) {
    EXPECT_EQ(DibRowBytes(row.width, row.bitCount), row.bytes) << row.width << " x " << row.bitCount;
  }
  EXPECT_EQ(DibBlockBytes(0x55555556, 2, 24, 0), 0u);
  EXPECT_EQ(DibCreate(1, 0x55555556, 2, nullptr, 0), nullptr);
  EXPECT_EQ(DibCreateWithPalette(0x40000001, 1, 32, 0, nullptr), nullptr);
  EXPECT_EQ(DibCreateWithPalette(INT_MAX, 1, 1, 2, nullptr), nullptr);  // the header's bytes too
}

// Headers made elsewhere may claim any size: one of 16 MiB rows x 256 (4 GiB, which a
// 32-bit size_t wrapped to the header and palette alone) and one whose rows no block holds
// describe no block the library copies.
TEST(DibImage, HeadersClaimingMoreThanTheLimitHaveNoTotalSize) {
  DibImage tall{kDibHeaderSize, 1 << 24, 256, 1, 8, 0, 0, 0, 0, 0, 0};
  DibImage wide{kDibHeaderSize, 0x55555556, 2, 1, 24, 0, 0, 0, 0, 0, 0};
  for (DibImage* header : {&tall, &wide}) {
    SCOPED_TRACE(header->width);
    EXPECT_EQ(DibTotalSize(header), 0u);
    EXPECT_EQ(DibDuplicate(header), nullptr);
    EXPECT_EQ(DibCopyInto(header, header), 0);
  }
  EXPECT_EQ(DibStride(&tall), std::size_t{1} << 24);
  EXPECT_EQ(DibStride(&wide), 0u);
}

TEST(DibImage, FillSetsPaddingOnlyForGreyColours) {
  using Bytes = std::vector<std::uint8_t>;
  ImagePtr grey(DibCreate(1, 3, 1, nullptr, 0x00808080));
  EXPECT_EQ(PixelBytes(grey.get()), Bytes(12, 0x80));
  ImagePtr red(DibCreate(1, 3, 2, nullptr, 0x000000FF));
  EXPECT_EQ(PixelBytes(red.get()), (Bytes{0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0,  //
                                          0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0}));
  ImagePtr index(DibCreate(0, 3, 1, nullptr, 0x00112233));
  EXPECT_EQ(PixelBytes(index.get()), Bytes(4, 0x33));
}

TEST(DibImage, CreateFromSourceRows) {
  const std::uint8_t rows[16] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  ImagePtr image(DibCreate(1, 2, 2, rows, 0));
  EXPECT_EQ(PixelColour(image.get(), 0, 0), DibRgb(9, 8, 7));  // top row is stored last
  EXPECT_EQ(PixelColour(image.get(), 1, 1), DibRgb(6, 5, 4));
}

TEST(DibImage, PalettizedImages) {
  const std::uint8_t rgb[6] = {10, 20, 30, 40, 50, 60};
  ImagePtr image(DibCreatePalettized(3, 2, 2, rgb));
  ASSERT_TRUE(image);
  EXPECT_EQ(DibPaletteCount(image.get()), 2);
  EXPECT_EQ(DibTotalSize(image.get()), 40u + 8 + 8);
  const std::uint8_t expected[8] = {30, 20, 10, 0, 60, 50, 40, 0};
  EXPECT_EQ(std::memcmp(DibPalette(image.get()), expected, 8), 0);

  std::vector<std::uint8_t> many(300 * 3, 7);
  ImagePtr capped(DibCreatePalettized(1, 1, 300, many.data()));
  EXPECT_EQ(DibPaletteCount(capped.get()), 256);
  // No palette: the header would announce 256 entries that the block does not hold.
  EXPECT_EQ(DibCreatePalettized(1, 1, 0, rgb), nullptr);
  EXPECT_EQ(DibCreatePalettized(1, 1, -5, rgb), nullptr);

  // Any depth, the palette as stored; the header records the pixel bytes.
  const std::uint8_t entries[8] = {1, 2, 3, 0, 4, 5, 6, 0};
  ImagePtr bits4(DibCreateWithPalette(5, 3, 4, 2, entries));
  ASSERT_TRUE(bits4);
  EXPECT_EQ(DibPaletteCount(bits4.get()), 2);
  EXPECT_EQ(bits4->imageSize, 12u);
  EXPECT_EQ(std::memcmp(DibPalette(bits4.get()), entries, 8), 0);
  EXPECT_EQ(DibCreateWithPalette(5, 3, 8, 0, nullptr), nullptr);
  EXPECT_TRUE(ImagePtr(DibCreateWithPalette(5, 3, 24, 0, nullptr)));
}

TEST(DibImage, PixelAddressesOutsideTheImageAreNull) {
  ImagePtr image(DibCreate(1, 4, 3, nullptr, 0));
  for (const auto& [x, y] : {std::pair{4, 0}, {0, 3}, {-1, 0}, {0, -1}, {INT_MIN, INT_MAX}}) {
    EXPECT_EQ(DibPixelAddress(image.get(), x, y), nullptr) << x << "," << y;
    EXPECT_FALSE(DibInBounds(image.get(), x, y));
  }
  std::vector<std::uint8_t> other(DibStride(image.get()) * 3);
  EXPECT_EQ(DibPixelAddressIn(other.data(), image.get(), 1, 2), other.data() + 3);
  EXPECT_EQ(DibPixelAddressIn(nullptr, image.get(), 1, 2), nullptr);
  EXPECT_EQ(DibPixelAddressIn(other.data(), nullptr, 1, 2), nullptr);
}

TEST(DibImage, DuplicateAndCopyInto) {
  ImagePtr a(DibCreate(1, 3, 3, nullptr, 0x00123456));
  ImagePtr b(DibDuplicate(a.get()));
  ASSERT_TRUE(b);
  EXPECT_NE(a.get(), b.get());
  EXPECT_EQ(std::memcmp(a.get(), b.get(), DibTotalSize(a.get())), 0);

  ImagePtr c(DibCreate(1, 3, 3, nullptr, 0));
  EXPECT_EQ(DibCopyInto(c.get(), a.get()), 1);
  EXPECT_EQ(PixelColour(c.get(), 2, 2), 0x00123456u);

  ImagePtr grey(DibCreate(0, 3, 3, nullptr, 9));
  EXPECT_EQ(DibCopyInto(grey.get(), a.get()), 0);
  EXPECT_EQ(DibBits(grey.get())[0], 9);
  EXPECT_EQ(DibCopyInto(c.get(), nullptr), 0);
  ImagePtr wider(DibCreate(1, 4, 3, nullptr, 0));
  EXPECT_EQ(DibCopyInto(wider.get(), a.get()), 0);

  // Both 8-bit and alike in size, but with palettes of different lengths.
  const std::uint8_t rgb[48] = {};
  ImagePtr sixteen(DibCreatePalettized(3, 3, 16, rgb));
  EXPECT_EQ(DibCopyInto(grey.get(), sixteen.get()), 0);
  EXPECT_EQ(DibCopyInto(sixteen.get(), grey.get()), 0);
  EXPECT_EQ(DibBits(grey.get())[0], 9);

  // Headers with rows stored top-down have no total size: nothing to copy.
  a->height = b->height = -3;
  EXPECT_EQ(DibDuplicate(a.get()), nullptr);
  EXPECT_EQ(DibCopyInto(b.get(), a.get()), 0);
}

TEST(DibImage, ABlockWithoutTheHeaderSizeIsNoImage) {
  ImagePtr image(DibCreate(1, 3, 3, nullptr, 0));
  image->headerSize = 108;
  EXPECT_FALSE(DibIsValid(image.get()));
  EXPECT_EQ(DibValidOrNull(image.get()), nullptr);
  EXPECT_EQ(DibWidth(image.get()), 0);
  EXPECT_EQ(DibBits(image.get()), nullptr);
  EXPECT_EQ(DibTotalSize(image.get()), 0u);
  EXPECT_EQ(DibPixelAddress(image.get(), 0, 0), nullptr);
  EXPECT_EQ(DibDuplicate(image.get()), nullptr);
  EXPECT_EQ(DibWidth(nullptr), 0);
  EXPECT_EQ(DibFree(nullptr), 1);
}

TEST(DibImage, AllocatorCountsLiveBlocks) {
  const std::size_t blocks = ImgLiveBlocks(), bytes = ImgLiveBytes();
  void* block = ImgAlloc(1000);
  ASSERT_TRUE(block);
  EXPECT_EQ(ImgLiveBlocks(), blocks + 1);
  EXPECT_GE(ImgLiveBytes(), bytes + 1000);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(static_cast<std::uint8_t*>(block)[i], 0);
  ImgFree(block);
  ImgFree(nullptr);
  EXPECT_EQ(ImgLiveBlocks(), blocks);
  EXPECT_EQ(ImgLiveBytes(), bytes);
}

}  // namespace
}  // namespace kolta::test
