// Image buttons made from real skin files and drawn by Wine's GDI: hit testing, pressing,
// and drawing exactly the clipped part of the right cell onto device contexts and images.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdio>
#include <string>

#include "skin_button.h"
#include "skin_test_support.h"

namespace kolta::test {
namespace {

constexpr int kCellWidth = 12, kCellHeight = 8;
constexpr int kButtonX = 9, kButtonY = 11;

// Two cells of a picture without symmetries, and a mask that differs between the cells and
// holds every kind of opacity: invisible, the lowest visible, partial and opaque.
ImagePtr ButtonPicture(int width = 2 * kCellWidth) { return Pattern(width, kCellHeight); }
ImagePtr ButtonMask(int width = 2 * kCellWidth) {
  return MaskImage(width, kCellHeight, [](int x, int y) {
    constexpr std::array<int, 6> levels = {0, 255, 128, 21, 20, 200};
    return levels[(x < kCellWidth ? x + y : 3 * x + y) % levels.size()];
  });
}
ImagePtr Background() {
  return RgbImage(40, 30, [](int x, int y) { return std::array{x * 5, y * 7, 90}; });
}

class SkinButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = FreshFolder("kolta_skin_button");
    picture_ = ButtonPicture();
    mask_ = ButtonMask();
    ASSERT_TRUE(WriteBmp(Path("button.bmp"), picture_.get()));
    ASSERT_TRUE(WriteBmp(Path("buttona.bmp"), mask_.get()));
  }
  void TearDown() override { RemoveTree(folder_); }

  std::string Path(const char* name) const { return folder_ + name; }
  ButtonPtr Plain() const {
    return ButtonPtr(SkinButtonCreatePlain(Path("button.bmp").c_str(), kButtonX, kButtonY));
  }
  ButtonPtr Masked() const {
    return ButtonPtr(SkinButtonCreateMasked(Path("button.bmp").c_str(),
                                            Path("buttona.bmp").c_str(), kButtonX, kButtonY));
  }

  std::string folder_;
  ImagePtr picture_, mask_;
};

TEST_F(SkinButtonTest, RightAndBottomEdgesAreOutside) {
  ButtonPtr button = Plain();
  ASSERT_TRUE(button);
  struct Case {
    int dx, dy, px, py, hit;
  };
  constexpr int r = kButtonX + kCellWidth, b = kButtonY + kCellHeight;
  for (const Case& c : {Case{0, 0, kButtonX, kButtonY, 1}, Case{0, 0, r - 1, b - 1, 1},
                        Case{0, 0, r, kButtonY, 0}, Case{0, 0, kButtonX, b, 0},
                        Case{0, 0, r, b, 0}, Case{0, 0, kButtonX - 1, kButtonY, 0},
                        Case{0, 0, kButtonX, kButtonY - 1, 0}, Case{5, 7, r + 4, b + 6, 1},
                        Case{5, 7, r + 5, b + 6, 0}, Case{5, 7, r + 4, b + 7, 0},
                        Case{-5, 0, kButtonX - 5, kButtonY, 1},
                        Case{INT_MIN, 0, INT_MAX, kButtonY, 0}}) {
    EXPECT_EQ(SkinButtonHitTest(button.get(), c.dx, c.dy, c.px, c.py), c.hit)
        << c.dx << " " << c.dy << " " << c.px << " " << c.py;
  }
  EXPECT_EQ(SkinButtonHitTest(nullptr, 0, 0, kButtonX, kButtonY), 0);

  // A hit rectangle set apart from the cell decides alone.
  SkinButtonSetHitRect(button.get(), 0, 0, 2, 2);
  EXPECT_EQ(SkinButtonHitTest(button.get(), 0, 0, 1, 1), 1);
  EXPECT_EQ(SkinButtonHitTest(button.get(), 0, 0, kButtonX, kButtonY), 0);
}

TEST_F(SkinButtonTest, PressOnceUntilReset) {
  ButtonPtr button = Masked();
  ASSERT_TRUE(button);
  EXPECT_EQ(SkinButtonPress(button.get(), 0, 0, kButtonX + kCellWidth, kButtonY), 0);
  EXPECT_EQ(SkinButtonIsPressed(button.get()), 0);
  EXPECT_EQ(button->state, 0);

  EXPECT_EQ(SkinButtonPress(button.get(), 0, 0, kButtonX, kButtonY), 1);
  EXPECT_EQ(SkinButtonIsPressed(button.get()), 1);
  EXPECT_EQ(button->state, 1);
  EXPECT_EQ(SkinButtonPress(button.get(), 0, 0, kButtonX, kButtonY), 0);  // already pressed
  EXPECT_EQ(button->state, 1);

  SkinButtonReset(button.get());
  EXPECT_EQ(SkinButtonIsPressed(button.get()), 0);
  EXPECT_EQ(button->state, 0);
  EXPECT_EQ(SkinButtonPress(button.get(), 0, 0, kButtonX + 1, kButtonY + 1), 1);

  RECT rect{1, 2, 3, 4};
  SkinButtonGetRect(nullptr, 3, 4, &rect);
  EXPECT_TRUE(rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0);
  SkinButtonGetRect(button.get(), 0, 0, nullptr);
  EXPECT_EQ(SkinButtonPress(nullptr, 0, 0, 0, 0), 0);
  EXPECT_EQ(SkinButtonIsPressed(nullptr), 0);
  SkinButtonReset(nullptr);
  EXPECT_EQ(SkinButtonFree(nullptr), 1);
}

// Draws the button onto a device context or into an image over the background, and reads
// the result back.
ImagePtr DrawOverBackground(const SkinButton* button, bool ontoDC, int dx, int dy,
                            const RECT* clip) {
  ImagePtr background = Background();
  if (!ontoDC) {
    SkinButtonDrawToImage(button, background.get(), dx, dy, clip);
    return background;
  }
  Canvas canvas(background.get());
  SkinButtonDrawToDC(button, canvas.dc(), canvas.dc(), dx, dy, clip);
  return canvas.Image();
}

TEST_F(SkinButtonTest, ClipDrawsExactlyItsPartOfTheCurrentCell) {
  constexpr int dx = 3, dy = -2;
  constexpr int left = kButtonX + dx, top = kButtonY + dy;
  const RECT everything{0, 0, 1000, 1000};
  struct Clip {
    const char* name;
    RECT rect;
    bool given;
  };
  const Clip clips[] = {
      {"none", everything, false},
      {"left half", {0, 0, left + kCellWidth / 2, 1000}, true},
      {"bottom half", {left, top + kCellHeight / 2, left + kCellWidth, top + kCellHeight}, true},
      {"inner corner", {left + 5, top + 3, left + 9, top + 6}, true},
  };
  for (int masked = 0; masked < 2; ++masked) {
    ButtonPtr button = masked ? Masked() : Plain();
    ASSERT_TRUE(button);
    for (int state = 0; state < 2; ++state) {
      button->state = state;
      for (bool ontoDC : {false, true}) {
        for (const Clip& clip : clips) {
          SCOPED_TRACE(std::string(masked ? "masked" : "plain") + " cell " +
                       std::to_string(state) + (ontoDC ? " DC " : " image ") + clip.name);
          ImagePtr drawn = DrawOverBackground(button.get(), ontoDC, dx, dy,
                                              clip.given ? &clip.rect : nullptr);
          ImagePtr expected = DrawnThroughMask(Background().get(), picture_.get(),
                                               masked ? mask_.get() : nullptr, 2, state, left,
                                               top, clip.rect);
          EXPECT_EQ(FirstDifference(drawn.get(), expected.get()), "");
        }
      }
    }
  }
}

TEST_F(SkinButtonTest, NothingIsDrawnOutsideTheClipOrBeyondTheCells) {
  ImagePtr background = Background();
  const RECT misses[] = {{0, 0, kButtonX, 1000},
                         {kButtonX + kCellWidth, 0, 1000, 1000},
                         {0, kButtonY + kCellHeight, 1000, 1000},
                         {kButtonX + 2, kButtonY + 2, kButtonX + 2, kButtonY + 5}};
  for (int masked = 0; masked < 2; ++masked) {
    ButtonPtr button = masked ? Masked() : Plain();
    for (bool ontoDC : {false, true}) {
      for (const RECT& clip : misses) {
        ImagePtr drawn = DrawOverBackground(button.get(), ontoDC, 0, 0, &clip);
        EXPECT_EQ(FirstDifference(drawn.get(), background.get()), "") << masked << ontoDC;
      }
      button->state = 2;  // no such cell
      ImagePtr drawn = DrawOverBackground(button.get(), ontoDC, 0, 0, nullptr);
      EXPECT_EQ(FirstDifference(drawn.get(), background.get()), "");
      button->state = 0;
    }
    ImagePtr eightBit(DibCreate(0, 40, 30, nullptr, 0));
    SkinButtonDrawToImage(button.get(), eightBit.get(), 0, 0, nullptr);
    EXPECT_EQ(GreyValues(eightBit.get()), std::vector<int>(40 * 30, 0));
    SkinButtonDrawToImage(button.get(), nullptr, 0, 0, nullptr);
    SkinButtonDrawToDC(button.get(), nullptr, nullptr, 0, 0, nullptr);
  }
  SkinButtonDrawToImage(nullptr, background.get(), 0, 0, nullptr);
  SkinButtonDrawToDC(nullptr, nullptr, nullptr, 0, 0, nullptr);
}

// A picture 101 pixels wide has cells 50 wide; its last column belongs to no cell.
TEST_F(SkinButtonTest, OddWidthLeavesTheLastColumnUnseen) {
  ImagePtr wide = ButtonPicture(101);
  ImagePtr wideMask = MaskImage(101, kCellHeight, [](int x, int) { return x < 50 ? 255 : 128; });
  ASSERT_TRUE(WriteBmp(Path("wide.bmp"), wide.get()));
  ASSERT_TRUE(WriteBmp(Path("widea.bmp"), wideMask.get()));
  ButtonPtr plain(SkinButtonCreatePlain(Path("wide.bmp").c_str(), 0, 0));
  ButtonPtr masked(
      SkinButtonCreateMasked(Path("wide.bmp").c_str(), Path("widea.bmp").c_str(), 0, 0));
  ASSERT_TRUE(plain && masked);
  for (SkinButton* button : {plain.get(), masked.get()}) {
    EXPECT_EQ(button->cellWidth, 50);
    EXPECT_EQ(button->hitRect.right, 50);
    button->state = 1;
    for (bool ontoDC : {false, true}) {
      ImagePtr target = RgbImage(60, kCellHeight, [](int, int) { return std::array{1, 2, 3}; });
      const DibImage* mask = button == plain.get() ? nullptr : wideMask.get();
      ImagePtr expected = DrawnThroughMask(target.get(), wide.get(), mask, 2, 1, 0, 0,
                                           RECT{0, 0, 60, kCellHeight});
      ImagePtr drawn;
      if (ontoDC) {
        Canvas canvas(target.get());
        SkinButtonDrawToDC(button, canvas.dc(), canvas.dc(), 0, 0, nullptr);
        drawn = canvas.Image();
      } else {
        SkinButtonDrawToImage(button, target.get(), 0, 0, nullptr);
        drawn = std::move(target);
      }
      EXPECT_EQ(FirstDifference(drawn.get(), expected.get()), "") << ontoDC;
    }
  }
}

// A cache beside the mask is read instead of the mask, which may then be anything at all.
TEST_F(SkinButtonTest, CacheIsUsedInsteadOfTheMask) {
  AlphaRunTable* built = AlphaRunsLoad(Path("buttona.bmp").c_str(), 2, 1);  // writes the cache
  ASSERT_TRUE(built);
  AlphaRunsFree(built);
  ASSERT_TRUE(WriteFile(Path("buttona.bmp"), "not a bitmap at all"));
  ButtonPtr button = Masked();
  ASSERT_TRUE(button);
  button->state = 1;
  ImagePtr drawn = DrawOverBackground(button.get(), false, 0, 0, nullptr);
  ImagePtr expected = DrawnThroughMask(Background().get(), picture_.get(), mask_.get(), 2, 1,
                                       kButtonX, kButtonY, RECT{0, 0, 40, 30});
  EXPECT_EQ(FirstDifference(drawn.get(), expected.get()), "");

  DeleteFileA(Path("buttona.bmp").c_str());
  EXPECT_TRUE(Masked());
  DeleteFileA(Path("buttona.qa").c_str());
  EXPECT_FALSE(Masked());
}

TEST_F(SkinButtonTest, FailedCreationFreesWhatItLoaded) {
  ImagePtr narrow = ButtonPicture(1);
  ASSERT_TRUE(WriteBmp(Path("narrow.bmp"), narrow.get()));
  ASSERT_TRUE(WriteFile(Path("garbled.bmp"), "BM garbled"));
  ImagePtr deep = Pattern(2 * kCellWidth, kCellHeight);  // a 24-bit mask is refused
  ASSERT_TRUE(WriteBmp(Path("deepa.bmp"), deep.get()));
  // Masks that do not frame the picture's cells: narrower, or cached as one frame.
  ImagePtr narrowMask = MaskImage(2 * kCellWidth - 2, kCellHeight, [](int, int) { return 255; });
  ASSERT_TRUE(WriteBmp(Path("narrowa.bmp"), narrowMask.get()));
  ASSERT_TRUE(WriteBmp(Path("singlea.bmp"), mask_.get()));
  AlphaRunsFree(AlphaRunsLoad(Path("singlea.bmp").c_str(), 1, 1));
  const std::string image = Path("button.bmp"), mask = Path("buttona.bmp");
  struct Case {
    std::string image, mask;
  };
  const std::size_t live = ImgLiveBlocks();
  for (const Case& c : {Case{Path("missing.bmp"), mask}, Case{image, Path("missinga.bmp")},
                        Case{image, Path("garbled.bmp")}, Case{image, Path("deepa.bmp")},
                        Case{image, Path("narrowa.bmp")}, Case{image, Path("singlea.bmp")},
                        Case{Path("garbled.bmp"), mask}, Case{Path("narrow.bmp"), mask}}) {
    EXPECT_EQ(SkinButtonCreateMasked(c.image.c_str(), c.mask.c_str(), 0, 0), nullptr)
        << c.image << " " << c.mask;
    EXPECT_EQ(ImgLiveBlocks(), live);
  }
  for (const std::string& path : {Path("missing.bmp"), Path("garbled.bmp"), Path("narrow.bmp")}) {
    EXPECT_EQ(SkinButtonCreatePlain(path.c_str(), 0, 0), nullptr) << path;
    EXPECT_EQ(ImgLiveBlocks(), live);
  }
  EXPECT_EQ(SkinButtonCreateMasked(nullptr, nullptr, 0, 0), nullptr);
  EXPECT_EQ(SkinButtonCreatePlain(nullptr, 0, 0), nullptr);

  // A button that is freed gives back every block.
  SkinButtonFree(SkinButtonCreateMasked(image.c_str(), mask.c_str(), 0, 0));
  EXPECT_EQ(ImgLiveBlocks(), live);
}

}  // namespace
}  // namespace kolta::test
