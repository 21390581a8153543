// The window shape from mask files, checked pixel by pixel against the one-combine-per-pixel
// construction under Wine's GDI.
#include "skin_region.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "failing_new.h"
#include "per_pixel_region.h"
#include "skin_test_support.h"

namespace kolta::test {
namespace {

class SkinRegion : public SkinFolderTest {
 protected:
  // Builds the region of the mask both ways and compares them: as regions and at every
  // pixel of the mask and of the ring around it.
  void ExpectShape(int width, int height, const std::vector<std::uint8_t>& values) {
    SCOPED_TRACE(::testing::Message() << width << " x " << height);
    const std::string path = Write("mask.bmp", MaskFileBytes(width, height, values));
    RegionPtr region(SkinRegionFromMask(path.c_str()));
    RegionPtr reference(PerPixelRegionFromMask(path.c_str()));
    ASSERT_TRUE(region && reference);
    EXPECT_TRUE(EqualRgn(region.get(), reference.get()));
    int wrong = 0;
    for (int y = -1; y <= height; ++y) {
      for (int x = -1; x <= width; ++x) {
        const bool inside = x >= 0 && x < width && y >= 0 && y < height &&
                            values[static_cast<std::size_t>(y) * width + x] >= 128;
        wrong += (PtInRegion(region.get(), x, y) != FALSE) != inside;
        wrong += (PtInRegion(reference.get(), x, y) != FALSE) != inside;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
  // The box of the region of a 13 x 7 mask of one value, and its kind.
  int BoxOf(std::uint8_t value, RECT* box) {
    const std::vector<std::uint8_t> values(13 * 7, value);
    RegionPtr region(SkinRegionFromMask(Write("one.bmp", MaskFileBytes(13, 7, values)).c_str()));
    return region ? GetRgnBox(region.get(), box) : -1;
  }
};

TEST_F(SkinRegion, ValueBelow128IsCutOut) {
  // The palette runs from white to black, so only the value can decide.
  ExpectShape(4, 3, {127, 128, 127, 128, 0, 255, 1, 254, 128, 128, 127, 127});
  ExpectShape(1, 1, {127});
  ExpectShape(1, 1, {128});
}

TEST_F(SkinRegion, InsideMaskIsItsRectangleAndOutsideMaskIsEmpty) {
  RECT box, whole{0, 0, 13, 7};
  EXPECT_EQ(BoxOf(128, &box), SIMPLEREGION);
  EXPECT_TRUE(EqualRect(&box, &whole));
  EXPECT_EQ(BoxOf(127, &box), NULLREGION);
  ExpectShape(13, 7, std::vector<std::uint8_t>(13 * 7, 0));
}

TEST_F(SkinRegion, ShapesMatchThePerPixelConstruction) {
  // A ring with a notch and a hole: repeated rows (bands), odd widths (row padding).
  const int w = 45, h = 33;
  std::vector<std::uint8_t> ring(w * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int dx = 2 * x - w, dy = 2 * y - h, r2 = dx * dx + dy * dy;
      const bool notch = y >= 10 && y < 14 && x > 30;
      ring[y * w + x] = r2 < 40 * 40 && r2 > 12 * 12 && !notch ? 200 : 30;
    }
  }
  ExpectShape(w, h, ring);

  // Noise: many short runs in every row, more rectangles than GDI takes at once.
  std::mt19937 random(6);
  for (const auto& [width, height] : {std::pair{1, 9}, {9, 1}, {37, 23}, {160, 120}}) {
    std::vector<std::uint8_t> noise(static_cast<std::size_t>(width) * height);
    for (auto& value : noise) value = static_cast<std::uint8_t>(random() & 0xFF);
    ExpectShape(width, height, noise);
  }
}

TEST_F(SkinRegion, AFailedAllocationGivesNoRegionAndNoException) {
  std::vector<std::uint8_t> noise(64 * 48);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 37 % 251);
  const std::string path = Write("noise.bmp", MaskFileBytes(64, 48, noise));
  RegionPtr whole(SkinRegionFromMask(path.c_str()));
  ASSERT_TRUE(whole);
  const long failed = FailEachAllocation([&] {
    RegionPtr region(SkinRegionFromMask(path.c_str()));
    return !region || EqualRgn(region.get(), whole.get());
  });
  EXPECT_GE(failed, 2) << "the two rows of runs";
}

TEST_F(SkinRegion, RefusesWhatIsNotAnEightBitMask) {
  for (const int bitCount : {1, 4, 16, 24, 32}) {
    BmpFields fields;
    fields.width = 6;
    fields.height = 4;
    fields.bitCount = static_cast<std::uint16_t>(bitCount);
    if (bitCount < 8) fields.palette = GreyPalette(1 << bitCount);
    fields.pixels.assign(static_cast<std::size_t>((6 * bitCount + 31) / 32) * 4 * 4, 0xFF);
    const std::vector<std::uint8_t> bytes = BmpBytes(fields);
    const std::string path = Write("deep.bmp", {bytes.begin(), bytes.end()});
    ASSERT_TRUE(ImagePtr(BmpLoad(path.c_str()))) << bitCount << " bits";
    EXPECT_EQ(SkinRegionFromMask(path.c_str()), nullptr) << bitCount << " bits";
  }
  EXPECT_EQ(SkinRegionFromMask(Path("missing.bmp").c_str()), nullptr);
  EXPECT_EQ(SkinRegionFromMask(Write("text.bmp", "not a bitmap").c_str()), nullptr);
  EXPECT_EQ(SkinRegionFromMask(nullptr), nullptr);
}

}  // namespace
}  // namespace kolta::test
