#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>

#include "dib_ops.h"
#include "image_test_support.h"

namespace kolta::test {
namespace {

int GreyAt(const DibImage* image, int x, int y) { return *DibPixelAddress(image, x, y); }

// The same scaling done pixel by pixel through DibSampleBilinear, as the reference.
void StretchBySampling(DibImage* t, int tx, int ty, int tw, int th, const DibImage* s, int sx,
                       int sy, int sw, int sh) {
  const double stepX = 1 / (static_cast<double>(tw) / sw),
               stepY = 1 / (static_cast<double>(th) / sh);
  // Each sum rounded to a double, which the x87 unit of the 32-bit build would not do.
  const auto asDouble = [](double value) {
    volatile double stored = value;
    return stored;
  };
  double ay = 0;
  for (int i = 0; i < th; ++i, ay = asDouble(ay + stepY)) {
    double ax = 0;
    for (int j = 0; j < tw; ++j, ax = asDouble(ax + stepX)) {
      DibSampleBilinear(t, tx + j, ty + i, s, sx + ax, sy + ay, DibBytesPerPixel(t));
    }
  }
}

TEST(DibStretchCopy, TwoByTwoToFourByFour) {
  ImagePtr source = Grey(2, 2, {0, 100, 51, 255});
  ImagePtr target(DibCreate(0, 4, 4, nullptr, 0));
  ASSERT_EQ(DibStretchCopy(target.get(), 0, 0, 4, 4, source.get(), 0, 0, 2, 2), 1);
  // Between two neighbours: (1, 0) averages 0 and 100, (0, 1) is 25.5 truncated; between four:
  // (1, 1) is (0 + 100 + 51 + 255) / 4 = 101.5 truncated. At x 1.5, x1 = 2 lies outside, so both
  // right-hand pixels repeat (x0, y0): (3, 1) mixes 100, 100, 255 and 100.
  for (const auto& [x, y, value] : {std::array{0, 0, 0}, {1, 0, 50}, {2, 0, 100}, {3, 0, 100},
                                    {0, 1, 25}, {1, 1, 101}, {3, 3, 255}, {0, 3, 51}, {3, 1, 138}})
    EXPECT_EQ(GreyAt(target.get(), x, y), value) << x << "," << y;
}

TEST(DibStretchCopy, RowWiseScalingEqualsPixelSampling) {
  ImagePtr source = Pattern(23, 17);
  struct Case {
    int tx, ty, tw, th, sx, sy, sw, sh;
  };
  for (const Case& c : {Case{0, 0, 60, 45, 0, 0, 23, 17}, Case{-5, 3, 11, 7, 2, 1, 20, 15},
                        Case{4, -2, 9, 40, -3, 0, 23, 17}, Case{0, 0, 7, 5, 5, 5, 30, 30},
                        Case{10, 10, 50, 50, 0, 0, 3, 3}, Case{0, 0, 41, 13, 0, 0, 13, 41}}) {
    ImagePtr fast(DibCreate(1, 40, 30, nullptr, 0x00102030));
    ImagePtr slow(DibDuplicate(fast.get()));
    ASSERT_EQ(
        DibStretchCopy(fast.get(), c.tx, c.ty, c.tw, c.th, source.get(), c.sx, c.sy, c.sw, c.sh),
        1);
    StretchBySampling(slow.get(), c.tx, c.ty, c.tw, c.th, source.get(), c.sx, c.sy, c.sw, c.sh);
    EXPECT_EQ(std::memcmp(fast.get(), slow.get(), DibTotalSize(fast.get())), 0)
        << c.tw << "x" << c.th;
  }
}

TEST(DibStretchCopy, EqualSizesCopyClipped) {
  ImagePtr source = Grey(3, 2, {1, 2, 3, 4, 5, 6});
  ImagePtr target(DibCreate(0, 3, 2, nullptr, 9));
  ASSERT_EQ(DibStretchCopy(target.get(), -1, 0, 3, 2, source.get(), 0, 0, 3, 2), 1);
  // Column -1 is skipped; source columns 1 and 2 land in target columns 0 and 1.
  EXPECT_EQ(GreyValues(target.get()), (std::vector{2, 3, 9, 5, 6, 9}));

  ImagePtr shifted(DibCreate(0, 3, 2, nullptr, 9));
  ASSERT_EQ(DibStretchCopy(shifted.get(), 1, 1, 3, 2, source.get(), 0, 0, 3, 2), 1);
  EXPECT_EQ(GreyValues(shifted.get()), (std::vector{9, 9, 9, 9, 1, 2}));
}

TEST(DibStretchCopy, RefusesMismatchedOrEmptyAreas) {
  ImagePtr rgb(DibCreate(1, 4, 4, nullptr, 0));
  ImagePtr grey(DibCreate(0, 4, 4, nullptr, 0));
  EXPECT_EQ(DibStretchCopy(rgb.get(), 0, 0, 4, 4, grey.get(), 0, 0, 4, 4), 0);
  EXPECT_EQ(DibStretchCopy(rgb.get(), 0, 0, 0, 4, rgb.get(), 0, 0, 4, 4), 0);
  EXPECT_EQ(DibStretchCopy(rgb.get(), 0, 0, 4, 4, rgb.get(), 0, 0, 4, 0), 0);
  EXPECT_EQ(DibStretchCopy(nullptr, 0, 0, 4, 4, rgb.get(), 0, 0, 4, 4), 0);
  // Areas far outside either image draw nothing and touch no memory.
  EXPECT_EQ(DibStretchCopy(rgb.get(), 1 << 30, -(1 << 30), 5, 5, rgb.get(), 0, 0, 5, 5), 1);
  EXPECT_EQ(DibStretchCopy(rgb.get(), 2000000000, 0, 3, 3, rgb.get(), 0, 0, 2, 2), 1);
  EXPECT_EQ(DibStretchCopy(rgb.get(), 0, 0, 3, 3, rgb.get(), -2000000000, 0, 2, 2), 1);
}

TEST(DibSampleBilinear, WritesOnlyPixelsOfTheImagesOwnSize) {
  // Three bytes at the last pixel of 8-bit rows would reach past both blocks.
  ImagePtr target = Grey(4, 1, {1, 2, 3, 4});
  ImagePtr source = Grey(4, 1, {9, 9, 9, 9});
  DibSampleBilinear(target.get(), 3, 0, source.get(), 3.0, 0.0, 3);
  EXPECT_EQ(GreyAt(target.get(), 3, 0), 4);
  DibSampleBilinear(target.get(), 3, 0, source.get(), 3.0, 0.0, 1);
  EXPECT_EQ(GreyAt(target.get(), 3, 0), 9);
}

TEST(Bilerp, TruncatesAndSaturates) {
  const std::uint8_t zero = 0, one = 1, full = 255;
  std::uint8_t out = 7;
  Bilerp(&zero, &zero, &one, &one, 0.5, 0, &out, 1);
  EXPECT_EQ(out, 0);
  Bilerp(&full, &full, &full, &full, 0.999999, 0.999999, &out, 1);
  EXPECT_EQ(out, 255);
  const std::uint8_t p[3] = {10, 20, 30}, r[3] = {20, 40, 60};
  std::array<std::uint8_t, 3> rgb{};
  Bilerp(p, p, r, r, 0.25, 0.5, rgb.data(), 3);
  EXPECT_EQ(rgb, (std::array<std::uint8_t, 3>{12, 25, 37}));
  std::uint8_t untouched[4] = {1, 2, 3, 4};
  Bilerp(p, p, r, r, 0.5, 0.5, untouched, 4);  // only 1 and 3 bytes per pixel are handled
  EXPECT_EQ(untouched[0], 1);
}

TEST(DibMirrorAndFlip, ReverseColumnsAndRows) {
  ImagePtr mirrored(DibMirror(Pattern(5, 3).release()));
  ImagePtr flipped(DibFlip(Pattern(5, 3).release()));
  ImagePtr reference = Pattern(5, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(PixelColour(mirrored.get(), 4 - x, y), PixelColour(reference.get(), x, y));
      EXPECT_EQ(PixelColour(flipped.get(), x, 2 - y), PixelColour(reference.get(), x, y));
    }
  }
  ImagePtr grey(DibMirror(Grey(3, 1, {1, 2, 3}).release()));
  EXPECT_EQ(GreyValues(grey.get()), (std::vector{3, 2, 1}));
  EXPECT_EQ(DibMirror(nullptr), nullptr);
  // A 32-bit image cannot be written into the 8-bit result: it comes back unchanged.
  const std::uint8_t rgb[3] = {};
  DibImage* palettized = DibCreatePalettized(2, 2, 1, rgb);
  palettized->bitCount = 32;  // same block size as 2 x 2 at 8 bits plus 4 bytes of palette
  EXPECT_EQ(DibFlip(palettized), palettized);
  DibFree(palettized);
}

TEST(DibConvertTo24, EveryDepth) {
  ImagePtr rgb = Pattern(3, 2);
  ImagePtr copy(DibConvertTo24(rgb.get()));
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), rgb.get());
  EXPECT_EQ(std::memcmp(copy.get(), rgb.get(), DibTotalSize(rgb.get())), 0);

  ImagePtr grey = Grey(2, 1, {0x40, 0xC0});
  ImagePtr fromGrey(DibConvertTo24(grey.get()));
  EXPECT_EQ(PixelColour(fromGrey.get(), 1, 0), 0x00C0C0C0u);

  // 16-bit 5-5-5 and 32-bit, written through the header of a palettized block.
  const std::uint8_t palette[3 * 4] = {};
  ImagePtr sixteen(DibCreatePalettized(2, 1, 1, palette));
  sixteen->bitCount = 16;
  sixteen->colorsUsed = 0;
  std::uint8_t* bits = DibBits(sixteen.get());
  std::memcpy(bits, "\x1F\x00\x00\x60", 4);  // blue 31; red 24
  ImagePtr from16(DibConvertTo24(sixteen.get()));
  EXPECT_EQ(PixelColour(from16.get(), 0, 0), DibRgb(0, 0, 255));
  EXPECT_EQ(PixelColour(from16.get(), 1, 0), DibRgb(198, 0, 0));

  sixteen->bitCount = 32;  // one pixel of 4 bytes fits the same block
  sixteen->width = 1;
  std::memcpy(bits, "\x01\x02\x03\x04", 4);
  ImagePtr from32(DibConvertTo24(sixteen.get()));
  EXPECT_EQ(PixelColour(from32.get(), 0, 0), DibRgb(3, 2, 1));
  EXPECT_EQ(DibConvertTo24(nullptr), nullptr);
}

TEST(DibPaintPixel, OpacityInversionAndTargets) {
  ImagePtr image(DibCreate(1, 2, 2, nullptr, 0));
  EXPECT_EQ(DibPaintPixel(nullptr, image.get(), 0, 0, 0x00FFFFFF, 0.5f, 0), 1);
  EXPECT_EQ(PixelColour(image.get(), 0, 0), 0x007F7F7Fu);
  EXPECT_EQ(DibPaintPixel(nullptr, image.get(), 1, 0, 0x00123456, 0.995f, 0), 1);
  EXPECT_EQ(PixelColour(image.get(), 1, 0), 0x00123456u);
  EXPECT_EQ(DibPaintPixel(nullptr, image.get(), 1, 0, 0, 1.0f, 1), 1);
  EXPECT_EQ(PixelColour(image.get(), 1, 0), 0x00EDCBA9u);
  EXPECT_EQ(DibPaintPixel(nullptr, image.get(), 2, 0, 0, 1.0f, 0), 0);
  SelectionPtr mask(SelectionCreateRect(1, 0, 4, 3, 0));
  EXPECT_EQ(DibPaintPixel(mask.get(), image.get(), 0, 1, 0x00FFFFFF, 1.0f, 0), 0);
  EXPECT_EQ(PixelColour(image.get(), 0, 1), 0u);
  EXPECT_EQ(DibPaintPixel(mask.get(), image.get(), 1, 1, 0x00FFFFFF, 1.0f, 0), 1);
  // Only 24-bit images are painted: three bytes do not fit a one-byte pixel.
  ImagePtr grey(DibCreate(0, 1, 1, nullptr, 0));
  EXPECT_EQ(DibPaintPixel(nullptr, grey.get(), 0, 0, 0x00FFFFFF, 1.0f, 0), 0);
  EXPECT_EQ(GreyAt(grey.get(), 0, 0), 0);
}

CompositeParams Params(DibImage* target, DibImage* source) {
  CompositeParams p{};
  p.target = target;
  p.source = source;
  p.opacity = 1.0f;
  p.maxWidth = p.maxHeight = 1000;
  return p;
}

TEST(DibComposite, KeyWithToleranceLeavesMatchingPixels) {
  ImagePtr source(DibCreate(1, 3, 1, nullptr, 0));
  const DibColor key = DibRgb(10, 200, 30);
  std::uint8_t* s = DibBits(source.get());
  const std::uint8_t pixels[9] = {30, 200, 10, 33, 197, 13, 34, 200, 10};  // key, +-3, one off by 4
  std::memcpy(s, pixels, 9);
  for (const auto& [tolerance, painted] : {std::pair{0u, "011"}, {3u, "001"}, {0x104u, "000"}}) {
    ImagePtr target(DibCreate(1, 3, 1, nullptr, 0x00FFFFFF));
    CompositeParams p = Params(target.get(), source.get());
    p.useKey = 1;
    p.keyColour = key;
    p.tolerance = tolerance;
    ASSERT_EQ(DibComposite(nullptr, &p), 1);
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(PixelColour(target.get(), x, 0) != 0x00FFFFFFu, painted[x] == '1')
          << tolerance << " " << x;
    }
  }
  // The key taken from the first stored pixel.
  ImagePtr target(DibCreate(1, 3, 1, nullptr, 0x00FFFFFF));
  CompositeParams p = Params(target.get(), source.get());
  p.useKey = p.keyFromCorner = 1;
  ASSERT_EQ(DibComposite(nullptr, &p), 1);
  EXPECT_EQ(PixelColour(target.get(), 0, 0), 0x00FFFFFFu);
  EXPECT_EQ(PixelColour(target.get(), 1, 0), DibRgb(13, 197, 33));
}

TEST(DibComposite, OpacityOffsetsAndLimits) {
  ImagePtr source(DibCreate(1, 4, 4, nullptr, 0x00C8C8C8));
  ImagePtr target(DibCreate(1, 4, 4, nullptr, 0x00646464));
  CompositeParams p = Params(target.get(), source.get());
  p.x = 1;
  p.y = -1;
  p.opacity = 0.25f;
  p.maxWidth = 2;
  ASSERT_EQ(DibComposite(nullptr, &p), 1);
  EXPECT_EQ(PixelColour(target.get(), 0, 0), 0x00646464u);
  EXPECT_EQ(PixelColour(target.get(), 1, 0), 0x007D7D7Du);  // 0.25 x (200 - 100) + 100
  EXPECT_EQ(PixelColour(target.get(), 2, 2), 0x007D7D7Du);
  EXPECT_EQ(PixelColour(target.get(), 3, 0), 0x00646464u);  // beyond the maximum width
  EXPECT_EQ(PixelColour(target.get(), 1, 3), 0x00646464u);  // past the drawn rows

  p.maxWidth = 0;
  EXPECT_EQ(DibComposite(nullptr, &p), 0);
  p = Params(target.get(), source.get());
  p.x = 4;
  EXPECT_EQ(DibComposite(nullptr, &p), 0);
  ImagePtr grey(DibCreate(0, 4, 4, nullptr, 0));
  p = Params(grey.get(), source.get());
  EXPECT_EQ(DibComposite(nullptr, &p), 0);
  p = Params(target.get(), grey.get());
  EXPECT_EQ(DibComposite(nullptr, &p), 0);
}

// Large areas blend through a table of results; it must give what the formula gives.
TEST(DibComposite, LargeBlendsEqualPixelByPixelBlending) {
  const float opacity = 0.37f;
  const DibColor fillColour = DibRgb(250, 3, 128);
  ImagePtr source = Pattern(300, 200);
  ImagePtr original =
      RgbImage(300, 200, [](int x, int y) { return std::array{x + y, x * 3, 255 - y}; });
  ImagePtr filled(DibDuplicate(original.get())), painted(DibDuplicate(original.get()));
  ImagePtr blended(DibDuplicate(original.get()));
  CompositeParams fill = Params(filled.get(), nullptr);
  fill.fillColour = fillColour;
  fill.opacity = opacity;
  ASSERT_EQ(DibComposite(nullptr, &fill), 1);
  CompositeParams blend = Params(blended.get(), source.get());
  blend.opacity = opacity;
  ASSERT_EQ(DibComposite(nullptr, &blend), 1);

  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) {
      DibPaintPixel(nullptr, painted.get(), x, y, fillColour, opacity, 0);
      const std::uint8_t* s = DibPixelAddress(source.get(), x, y);
      const std::uint8_t* t = DibPixelAddress(original.get(), x, y);
      const std::uint8_t* b = DibPixelAddress(blended.get(), x, y);
      for (int k = 0; k < 3; ++k) {
        // Each step rounded to single precision, as the library does: the i686 build's
        // x87 arithmetic would otherwise keep more bits in between.
        const volatile float scaled = opacity * static_cast<float>(s[k] - t[k]);
        const volatile float expected = scaled + static_cast<float>(t[k]);
        ASSERT_EQ(b[k], static_cast<int>(expected)) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(std::memcmp(painted.get(), filled.get(), DibTotalSize(filled.get())), 0);
}

TEST(DibComposite, FillInvertAndMask) {
  ImagePtr target(DibCreate(1, 5, 5, nullptr, 0x00101010));
  DibPixelAddress(target.get(), 2, 2)[0] = 0x20;
  SelectionPtr mask(SelectionCreateRect(1, 1, 4, 4, 0));
  CompositeParams p = Params(target.get(), nullptr);
  p.fillColour = DibRgb(255, 0, 0);
  p.useKey = 1;
  p.keyColour = 0x00101010;
  ASSERT_EQ(DibComposite(mask.get(), &p), 1);
  EXPECT_EQ(PixelColour(target.get(), 1, 1), DibRgb(255, 0, 0));
  EXPECT_EQ(PixelColour(target.get(), 2, 2), DibRgb(0x10, 0x10, 0x20));  // no key match
  EXPECT_EQ(PixelColour(target.get(), 0, 0), 0x00101010u);               // outside the mask
  EXPECT_EQ(PixelColour(target.get(), 4, 3), 0x00101010u);

  p = Params(target.get(), nullptr);
  p.invert = 1;
  p.maxWidth = 1;
  ASSERT_EQ(DibComposite(nullptr, &p), 1);
  EXPECT_EQ(PixelColour(target.get(), 0, 4), 0x00EFEFEFu);
  EXPECT_EQ(PixelColour(target.get(), 1, 4), 0x00101010u);

  SelectionPtr outside(SelectionCreateRect(10, 10, 20, 20, 0));
  p = Params(target.get(), nullptr);
  EXPECT_EQ(DibComposite(outside.get(), &p), 0);
}

TEST(Helpers, ComparisonsAndClipping) {
  EXPECT_TRUE(NearlyEqualF(0.995f, 1.0f, 0.01f));
  EXPECT_FALSE(NearlyEqualF(0.98f, 1.0f, -0.01f));
  EXPECT_TRUE(NearlyEqual(5, 8, -3));
  EXPECT_FALSE(NearlyEqual(INT_MIN, INT_MAX, 5));
  EXPECT_TRUE(ColourMatches(0x00102030, 0x00122230, 2));
  EXPECT_FALSE(ColourMatches(0x00102030, 0x00132030, 2));
  EXPECT_TRUE(PointInRect(0, 0, 0, 0, 1, 1));
  EXPECT_FALSE(PointInRect(1, 0, 0, 0, 1, 1));

  const DibRect rect{0, 0, 10, 10}, other{5, -5, 20, 8};
  DibRect out;
  ASSERT_EQ(ClipToSelection(&rect, &other, nullptr, &out), 1);
  EXPECT_EQ(Sides(out), (std::array{5, 0, 10, 8}));
  SelectionPtr mask(SelectionCreateRect(7, 2, 12, 6, 0));
  ASSERT_EQ(ClipToSelection(&rect, &other, mask.get(), &out), 1);
  EXPECT_EQ(Sides(out), (std::array{7, 2, 10, 6}));
  const DibRect apart{30, 30, 40, 40};
  EXPECT_EQ(ClipToSelection(&rect, &apart, nullptr, &out), 0);
}

TEST(UnitTable, HoldsTheOpacitiesOfEveryLevel) {
  ASSERT_EQ(UnitTableCreate(), 1);
  ASSERT_NE(UnitTable, nullptr);
  EXPECT_EQ(UnitTable[0], 0.0f);
  EXPECT_EQ(UnitTable[255], 255 * (1.0f / 255.0f));
  EXPECT_NEAR(UnitTable[128], 128 / 255.0, 1e-6);
  UnitTableFree();
  EXPECT_EQ(UnitTable, nullptr);
}

}  // namespace
}  // namespace kolta::test
