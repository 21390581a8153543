// Drawing through alpha run tables onto a real device context: a memory DC on a
// screen-compatible bitmap, read back through GDI.
#include <gtest/gtest.h>

#include <optional>

#include "alpha_runs.h"
#include "dib_gdi.h"
#include "gdi_test_support.h"
#include "image_test_support.h"

namespace kolta::test {
namespace {

constexpr int kFrames = 3, kFrameWidth = 12, kHeight = 10, kCanvasWidth = 40, kCanvasHeight = 30;

struct Sprite {
  ImagePtr mask = GreyImage(kFrames * kFrameWidth, kHeight, SoftMaskValue);
  ImagePtr picture = Pattern(kFrames * kFrameWidth, kHeight);
  AlphaRunsPtr table{AlphaRunsBuild(mask.get(), kFrames)};
};

// What reaches the device context is what the portable blit draws into the same pixels:
// inside, over the edges (the grab's outside never shows), and through clips. A clip that
// misses the frame draws nothing and gives 0.
TEST(AlphaRunsBlitToDC, DrawsWhatTheBlitDrawsIntoTheSamePixels) {
  Sprite sprite;
  ASSERT_TRUE(sprite.table);
  struct Case {
    const char* name;
    int x, y, frame;
    std::optional<RECT> clip;
    int result = 1;
  };
  const Case cases[] = {
      {"inside", 5, 4, 0, {}}, {"another frame", 5, 4, 2, {}},
      {"over the top-left corner", -5, -3, 1, {}},
      {"over the bottom-right corner", 33, 24, 1, {}},
      {"left half", 5, 4, 1, RECT{5, 4, 11, 14}}, {"bottom half", 5, 4, 2, RECT{0, 9, 40, 30}},
      {"clip over the edge", -2, 1, 0, RECT{-10, 3, 4, 100}},
      {"clip ending where the frame begins", 5, 4, 0, RECT{0, 0, 5, 4}, 0},
  };
  for (const Case& c : cases) {
    ImagePtr expected = Pattern(kCanvasWidth, kCanvasHeight);
    MemoryCanvas canvas(expected.get());
    const RECT* clip = c.clip ? &*c.clip : nullptr;
    if (c.result) {
      const DibRect dibClip = clip ? DibRect{clip->left, clip->top, clip->right, clip->bottom}
                                   : DibRect{};
      AlphaRunsBlit(expected.get(), c.x, c.y, sprite.picture.get(), sprite.table.get(), c.frame,
                    clip ? &dibClip : nullptr);
    }
    EXPECT_EQ(AlphaRunsBlitToDC(canvas.dc(), canvas.screen(), c.x, c.y, sprite.picture.get(),
                                sprite.table.get(), c.frame, clip),
              c.result)
        << c.name;
    EXPECT_EQ(PixelBytes(canvas.Pixels(kCanvasWidth, kCanvasHeight).get()),
              PixelBytes(expected.get()))
        << c.name;
  }
}

TEST(AlphaRunsBlitToDC, DrawsNothingWithoutSomethingToDraw) {
  Sprite sprite;
  ImagePtr background = Pattern(kCanvasWidth, kCanvasHeight);
  MemoryCanvas canvas(background.get());
  const auto draw = [&](const DibImage* picture, const AlphaRunTable* table) {
    return AlphaRunsBlitToDC(canvas.dc(), canvas.screen(), 5, 4, picture, table, 0, nullptr);
  };
  EXPECT_EQ(draw(nullptr, sprite.table.get()), 0);
  EXPECT_EQ(draw(sprite.picture.get(), nullptr), 0);
  // A picture that is not three frames wide is refused by the blit: the grab goes back as
  // it was.
  EXPECT_EQ(draw(Pattern(kFrames * kFrameWidth + 1, kHeight).get(), sprite.table.get()), 1);
  EXPECT_EQ(PixelBytes(canvas.Pixels(kCanvasWidth, kCanvasHeight).get()),
            PixelBytes(background.get()));
}

}  // namespace
}  // namespace kolta::test
