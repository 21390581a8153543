// Text measured, drawn and rendered into images with Wine's GDI and the font it gives for
// Tahoma. Rendered pictures are black text on white unless said otherwise, so a pixel's
// darkness is the ink the text left there.
#include "skin_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "dib_ops.h"
#include "skin_test_support.h"

namespace kolta::test {
namespace {

struct Style {
  const char* text = "Skin text";
  HFONT font = nullptr;
  COLORREF colour = 0;
  const DibImage* colourTexture = nullptr;
  const DibImage* opacityTexture = nullptr;
  float opacity = 1.0f;
  int shadowOffset = 0;
  int outline = 0, soften = 0, mirror = 0, flip = 0, fade = 0;
  int Length() const { return text ? static_cast<int>(std::strlen(text)) : 0; }
};

ImagePtr White(int width = 300, int height = 80) {
  return ImagePtr(DibCreate(1, width, height, nullptr, 0xFFFFFF));
}

int Darkness(const DibImage* image, int x, int y) { return 255 - DibPixelAddress(image, x, y)[0]; }

template <typename Visit>
void ForEachPixel(const DibImage* image, Visit visit) {
  for (int y = 0; y < DibHeight(image); ++y) {
    for (int x = 0; x < DibWidth(image); ++x) visit(x, y);
  }
}

// The ink of the pixels for which `where` holds (all when it is empty).
long Ink(const DibImage* image, const std::function<bool(int, int)>& where = {}) {
  long ink = 0;
  ForEachPixel(image,
               [&](int x, int y) { ink += !where || where(x, y) ? Darkness(image, x, y) : 0; });
  return ink;
}

// How many pixels p at (x, y) of `image` satisfy `where(x, y, p)`.
template <typename Where>
int Count(const DibImage* image, Where where) {
  int count = 0;
  ForEachPixel(image, [&](int x, int y) { count += where(x, y, DibPixelAddress(image, x, y)); });
  return count;
}

// How many pixels of `image` are lighter and how many darker than in `other`.
std::pair<int, int> LighterDarker(const DibImage* image, const DibImage* other) {
  std::pair<int, int> counts{0, 0};
  ForEachPixel(image, [&](int x, int y) {
    const int a = Darkness(image, x, y), b = Darkness(other, x, y);
    counts.first += a < b;
    counts.second += a > b;
  });
  return counts;
}

class SkinText : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    screen_ = GetDC(nullptr);
    bold_ = CreateFontA(-32, 0, 0, 0, FW_BOLD, FALSE, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
    italic_ = CreateFontA(-32, 0, 0, 0, FW_NORMAL, TRUE, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
    sharp_ = CreateFontA(-32, 0, 0, 0, FW_BOLD, FALSE, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0,
                         "Tahoma");
  }
  static void TearDownTestSuite() {
    for (HFONT font : {bold_, italic_, sharp_}) DeleteObject(font);
    ReleaseDC(nullptr, screen_);
  }

  static Style Bold() { return Style{.font = bold_}; }
  static int BoxWidth(const Style& s) { return TextBoxWidth(screen_, s.text, s.Length(), s.font); }
  static int BoxHeight(const Style& s) {
    return TextBoxHeight(screen_, s.text, s.Length(), s.font);
  }
  static int Render(DibImage* target, int x, int y, const Style& s) {
    return TextRenderIntoImage(nullptr, target, screen_, x, y, s.text, s.Length(), s.font, s.colour,
                               s.colourTexture, s.opacityTexture, s.opacity, s.outline, s.soften,
                               s.mirror, s.flip, s.fade);
  }
  static int RenderShadowed(DibImage* target, int x, int y, const Style& s) {
    return TextRenderShadowed(nullptr, target, screen_, x, y, s.text, s.Length(), s.font, s.colour,
                              s.colourTexture, s.opacityTexture, s.opacity, 0, s.shadowOffset,
                              s.outline, s.soften, s.mirror, s.flip, s.fade);
  }
  static int RenderInRect(DibImage* target, const RECT& rect, int centre, const Style& s,
                          const SelectionMask* selection = nullptr) {
    return TextRenderInRect(selection, target, screen_, s.text, s.Length(), &rect, s.font, centre,
                            s.colour, s.colourTexture, s.opacityTexture, s.opacity, 0,
                            s.shadowOffset, s.outline, s.soften, s.mirror, s.flip, s.fade);
  }
  // The text rendered on a white canvas (by default the size of its box).
  static ImagePtr Rendered(const Style& s, int width = 0, int height = 0) {
    ImagePtr image = width ? White(width, height) : White(BoxWidth(s), BoxHeight(s));
    EXPECT_EQ(Render(image.get(), 0, 0, s), 1);
    return image;
  }

  static inline HDC screen_;
  static inline HFONT bold_, italic_, sharp_;
};

TEST_F(SkinText, MeasuresWithTheFontAndItalicPads) {
  const Style bold = Bold(), italic{.font = italic_};
  HGDIOBJ previous = GetCurrentObject(screen_, OBJ_FONT);
  const int boldBox = BoxWidth(bold), italicBox = BoxWidth(italic);
  EXPECT_EQ(GetCurrentObject(screen_, OBJ_FONT), previous);  // restored

  TEXTMETRICA metrics;
  SelectObject(screen_, bold_);
  GetTextMetricsA(screen_, &metrics);
  EXPECT_EQ(TextItalicLeftPad(screen_) + TextItalicRightPad(screen_), 0);
  EXPECT_EQ(boldBox, TextWidth(screen_, bold.text, bold.Length()));
  EXPECT_EQ(TextBoxWidth(screen_, bold.text, bold.Length(), nullptr), boldBox);
  EXPECT_EQ(BoxHeight(bold), metrics.tmHeight);

  SelectObject(screen_, italic_);
  GetTextMetricsA(screen_, &metrics);
  const int left = TextItalicLeftPad(screen_), right = TextItalicRightPad(screen_);
  EXPECT_EQ(left, metrics.tmMaxCharWidth / 6);
  EXPECT_EQ(right, metrics.tmMaxCharWidth / 5);
  EXPECT_GT(left, 0);
  EXPECT_EQ(italicBox, TextWidth(screen_, italic.text, italic.Length()) + left + right);
  SelectObject(screen_, previous);

  // The pads hold the slanted glyphs' overhangs: nothing reaches the box's side columns.
  const ImagePtr slanted = Rendered(Style{.text = "jf", .font = italic_});
  const int last = DibWidth(slanted.get()) - 1;
  EXPECT_GT(Ink(slanted.get()), 0);
  EXPECT_EQ(Ink(slanted.get(), [&](int x, int) { return x == 0 || x == last; }), 0);

  EXPECT_EQ(TextWidth(screen_, "", 0), 0);
  EXPECT_EQ(TextWidth(screen_, nullptr, 3), 0);
  EXPECT_EQ(TextBoxHeight(screen_, "abc", -1, bold_), 0);
}

TEST_F(SkinText, DrawTextWrapsAndCentresByTheRectangleWidth) {
  const Style style{.text = "Wrap here", .font = bold_};
  // The drawing function's result on a white page in the bold font, and the leftmost
  // column with ink.
  auto draw = [&](auto function, int width) {
    const ImagePtr page = White(400, 120);
    Canvas canvas(page.get());
    Selected font(canvas.dc(), bold_);
    RECT rect{0, 0, width, 120};
    const int height = function(canvas.dc(), style.text, style.Length(), &rect);
    const ImagePtr image = canvas.Image();
    int inkLeft = 400;
    ForEachPixel(image.get(), [&](int x, int y) {
      if (Darkness(image.get(), x, y)) inkLeft = std::min(inkLeft, x);
    });
    return std::pair{height, inkLeft};
  };
  const int width = BoxWidth(style), line = BoxHeight(style);

  // At exactly its width the text still stands on one line; narrower, it wraps.
  EXPECT_EQ(draw(DrawTextWrapIfLong, width + 1).first, line);
  EXPECT_EQ(draw(DrawTextWrapIfLong, width).first, line);
  EXPECT_EQ(draw(DrawTextWrapIfLong, width - 1).first, 2 * line);

  // Centred only with room to spare; otherwise from the left edge, on one line.
  const auto exact = draw(DrawTextCentreIfFits, width);
  EXPECT_EQ(exact.first, line);
  EXPECT_EQ(draw(DrawTextCentreIfFits, width - 20), exact);
  EXPECT_EQ(draw(DrawTextCentreIfFits, width + 40).second, exact.second + 20);
}

// "&" in a name is drawn as it is, as GDI's plain text output draws it, not taken as the
// mark of an underlined letter.
TEST_F(SkinText, AmpersandsAreDrawnAsTheyAre) {
  const char* name = "R&D && Co &x";
  const int length = static_cast<int>(std::strlen(name));
  auto draw = [&](auto paint) {
    const ImagePtr page = White(300, 60);
    Canvas canvas(page.get());
    Selected font(canvas.dc(), bold_);
    paint(canvas.dc());
    return PixelBytes(canvas.Image().get());
  };
  const auto expected = draw([&](HDC dc) { TextOutA(dc, 0, 0, name, length); });
  RECT rect{0, 0, 300, 60};
  EXPECT_EQ(draw([&](HDC dc) { DrawTextWrapIfLong(dc, name, length, &rect); }), expected);
  EXPECT_EQ(draw([&](HDC dc) { DrawTextCentreIfFits(dc, name, length, &rect); }),
            draw([&](HDC dc) {
              TextOutA(dc, (300 - TextWidth(dc, name, length)) / 2, 0, name, length);
            }));
}

TEST_F(SkinText, OpacityPointNineGives25OnWhiteAndShadowOffsetZeroDrawsNone) {
  Style style{.font = bold_, .opacity = 0.9f};
  const ImagePtr image = White(), plain = White(), shadowless = White(), shadowed = White();
  ASSERT_EQ(Render(image.get(), 7, 5, style), 1);
  EXPECT_EQ(Count(image.get(), [](int, int, auto p) { return p[0] < 25; }), 0);
  EXPECT_GT(Count(image.get(), [](int, int, auto p) { return p[0] == 25; }), 50);
  const RECT box{7, 5, 7 + BoxWidth(style), 5 + BoxHeight(style)};
  EXPECT_EQ(Ink(image.get(), [&](int x, int y) { return !PtInRect(&box, POINT{x, y}); }), 0);

  Render(plain.get(), 10, 10, style);
  ASSERT_EQ(RenderShadowed(shadowless.get(), 10, 10, style), 1);
  EXPECT_EQ(FirstDifference(shadowless.get(), plain.get()), "");

  // Offset 2: a black shadow at a quarter of 0.9 shows beside the glyphs (255 - 57.4).
  style.shadowOffset = 2;
  ASSERT_EQ(RenderShadowed(shadowed.get(), 10, 10, style), 1);
  auto shadowBelow = [&](int value) {
    return Count(shadowed.get(), [&](int x, int y, auto p) {
      return !Darkness(plain.get(), x, y) && p[0] < value;
    });
  };
  EXPECT_EQ(shadowBelow(197), 0);
  EXPECT_GT(shadowBelow(198), 0);
}

TEST_F(SkinText, RectangleClipsAndCentres) {
  const Style style{.font = bold_, .shadowOffset = 1};
  const ImagePtr image = White();
  EXPECT_EQ(RenderInRect(image.get(), {10, 10, 200, 12}, 1, style), 0);
  EXPECT_EQ(RenderInRect(image.get(), {10, 10, 12, 70}, 0, style), 0);
  EXPECT_EQ(Ink(image.get()), 0);

  // Too wide and too tall to centre: from the rectangle's top-left, cut at its sides.
  const RECT narrow{20, 10, 60, 30};
  ASSERT_EQ(RenderInRect(image.get(), narrow, 1, style), 1);
  const ImagePtr unclipped = White();
  RenderShadowed(unclipped.get(), narrow.left, narrow.top, style);
  EXPECT_EQ(Count(image.get(),
                  [&](int x, int y, auto) {
                    const bool inside = PtInRect(&narrow, POINT{x, y});
                    return Darkness(image.get(), x, y) !=
                           (inside ? Darkness(unclipped.get(), x, y) : 0);
                  }),
            0);

  // Room to spare: centred with its shadow.
  const ImagePtr centred = White(), expected = White();
  ASSERT_EQ(RenderInRect(centred.get(), {0, 0, 300, 80}, 1, style), 1);
  RenderShadowed(expected.get(), (300 - 1 - BoxWidth(style)) / 2, (80 - 1 - BoxHeight(style)) / 2,
                 style);
  EXPECT_EQ(FirstDifference(centred.get(), expected.get()), "");

  // Within the caller's selection as well.
  SelectionPtr left(SelectionCreateRect(0, 0, 100, 80, 0));
  const ImagePtr selected = White();
  ASSERT_EQ(RenderInRect(selected.get(), {0, 0, 300, 80}, 0, style, left.get()), 1);
  EXPECT_EQ(Ink(selected.get(), [](int x, int) { return x >= 100; }), 0);
  EXPECT_GT(Ink(selected.get()), 0);
}

TEST_F(SkinText, NothingToDrawLeavesTheImage) {
  Style style{.font = bold_, .shadowOffset = 3};
  const ImagePtr image = White(50, 40), grey(DibCreate(0, 50, 40, nullptr, 0));
  for (const char* text : {"", static_cast<const char*>(nullptr)}) {
    style.text = text;
    EXPECT_EQ(RenderShadowed(image.get(), 0, 0, style), 0);
    EXPECT_EQ(RenderInRect(image.get(), {0, 0, 50, 40}, 1, style), 0);
  }
  EXPECT_EQ(TextRenderShadowed(nullptr, image.get(), screen_, 0, 0, "abc", -2, bold_, 0, nullptr,
                               nullptr, 1.0f, 0, 1, 0, 0, 0, 0, 0),
            0);
  style.text = "abc";
  EXPECT_EQ(RenderShadowed(nullptr, 0, 0, style), 0);
  EXPECT_EQ(RenderShadowed(grey.get(), 0, 0, style), 0);
  // Far outside the image, shadow included: rendered, but no pixel of the image changes.
  for (const int at : {INT_MIN, INT_MAX, -1000}) {
    EXPECT_EQ(RenderShadowed(image.get(), at, at, style), 1);
  }
  EXPECT_EQ(Ink(image.get()), 0);
}

TEST_F(SkinText, MirrorFlipSoftenFadeAndOutline) {
  const ImagePtr plain = Rendered(Bold());
  EXPECT_EQ(FirstDifference(Rendered(Style{.font = bold_, .mirror = 1}).get(),
                            ImagePtr(DibMirror(DibDuplicate(plain.get()))).get()),
            "");
  EXPECT_EQ(FirstDifference(Rendered(Style{.font = bold_, .flip = 1}).get(),
                            ImagePtr(DibFlip(DibDuplicate(plain.get()))).get()),
            "");

  // Softening: each inked pixel keeps the share of its 3 x 3 block (within the picture)
  // that is inked, counted after the pixels before it were softened. Without smoothing
  // the plain render shows the glyphs' coverage as it is: full or none.
  const ImagePtr sharp = Rendered(Style{.font = sharp_});
  const int w = DibWidth(sharp.get()), h = DibHeight(sharp.get());
  ASSERT_EQ(Ink(sharp.get(), [&](int x, int y) { return Darkness(sharp.get(), x, y) % 255; }), 0);
  std::vector<int> level(static_cast<std::size_t>(w) * h);
  ForEachPixel(sharp.get(), [&](int x, int y) { level[y * w + x] = Darkness(sharp.get(), x, y); });
  ForEachPixel(sharp.get(), [&](int x, int y) {
    int inside = 0, inked = 0;
    for (int ny = std::max(0, y - 1); ny <= std::min(h - 1, y + 1); ++ny) {
      for (int nx = std::max(0, x - 1); nx <= std::min(w - 1, x + 1); ++nx, ++inside)
        inked += level[ny * w + nx] != 0;
    }
    level[y * w + x] = level[y * w + x] * inked / inside;
  });
  const ImagePtr soft = Rendered(Style{.font = sharp_, .soften = 1});
  EXPECT_EQ(Count(soft.get(), [&](int x, int y,
                                  auto p) { return std::abs(255 - p[0] - level[y * w + x]) > 1; }),
            0);
  EXPECT_GT(LighterDarker(soft.get(), sharp.get()).first, 0);

  // Fading lightens, the lower half more than the upper half.
  const ImagePtr faded = Rendered(Style{.font = bold_, .fade = 1});
  EXPECT_EQ(LighterDarker(faded.get(), plain.get()).second, 0);
  const int half = DibHeight(plain.get()) / 2;
  auto kept = [&](bool lower) {
    auto inHalf = [&](int, int y) { return (y >= half) == lower; };
    return static_cast<double>(Ink(faded.get(), inHalf)) / Ink(plain.get(), inHalf);
  };
  EXPECT_LT(kept(true), kept(false));

  const long outlineInk = Ink(Rendered(Style{.font = bold_, .outline = 1}).get());
  EXPECT_GT(outlineInk, 0);
  EXPECT_LT(outlineInk, Ink(plain.get()));
}

TEST_F(SkinText, TexturesTileFromTheImageOrigin) {
  // Opacity 0 in even columns, full in odd ones: only odd columns of the image take ink.
  const ImagePtr stripes = Grey(2, 1, {0, 255});
  const ImagePtr image = White();
  ASSERT_EQ(Render(image.get(), 3, 2, Style{.font = bold_, .opacityTexture = stripes.get()}), 1);
  EXPECT_EQ(Ink(image.get(), [](int x, int) { return x % 2 == 0; }), 0);
  EXPECT_GT(Ink(image.get()), 0);

  // A red colour texture paints red; an 8-bit one cannot be read as colours and is ignored.
  const ImagePtr red = RgbImage(3, 3, [](int, int) { return std::array{0, 0, 255}; });
  const ImagePtr reddened = Rendered(Style{.font = bold_, .colourTexture = red.get()}, 300, 80);
  EXPECT_EQ(Count(reddened.get(), [](int, int, auto p) { return p[2] != 255 || p[0] != p[1]; }), 0);
  EXPECT_GT(Ink(reddened.get()), 0);
  EXPECT_EQ(
      FirstDifference(Rendered(Style{.font = bold_, .colourTexture = stripes.get()}, 300, 80).get(),
                      Rendered(Bold(), 300, 80).get()),
      "");
}

TEST_F(SkinText, MakesTheOpacityTableWhenStartUpHasNot) {
  UnitTableFree();
  const ImagePtr image = White();
  EXPECT_EQ(Render(image.get(), 0, 0, Bold()), 1);
  EXPECT_GT(Ink(image.get()), 0);
  EXPECT_NE(UnitTable, nullptr);
}

}  // namespace
}  // namespace kolta::test
