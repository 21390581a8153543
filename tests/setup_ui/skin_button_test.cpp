// Image buttons made from real skin files and drawn by Wine's GDI: hit testing, pressing,
// and drawing exactly the clipped part of the right cell onto device contexts and images.
#include "skin_button.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>

#include "skin_test_support.h"

namespace kolta::test {
namespace {

constexpr int kCellWidth = 12, kCellHeight = 8;
constexpr int kButtonX = 9, kButtonY = 11;

// A mask that differs between the two cells and holds every kind of opacity: invisible,
// the lowest visible, partial and opaque.
ImagePtr ButtonMask() {
  return GreyImage(2 * kCellWidth, kCellHeight, [](int x, int y) {
    constexpr std::array<int, 6> levels = {0, 255, 128, 21, 20, 200};
    return levels[(x < kCellWidth ? x + y : 3 * x + y) % levels.size()];
  });
}
ImagePtr Background() {
  return RgbImage(40, 30, [](int x, int y) { return std::array{x * 5, y * 7, 90}; });
}

// `target` after the button is drawn onto a device context over it or into it, read back.
ImagePtr Drawn(const SkinButton* button, bool ontoDC, ImagePtr target, int dx, int dy,
               const RECT* clip) {
  if (!ontoDC) {
    SkinButtonDrawToImage(button, target.get(), dx, dy, clip);
    return target;
  }
  Canvas canvas(target.get());
  SkinButtonDrawToDC(button, canvas.dc(), canvas.dc(), dx, dy, clip);
  return canvas.Image();
}

class SkinButtonTest : public SkinFolderTest {
 protected:
  void SetUp() override {
    SkinFolderTest::SetUp();
    image_ = Write("button.bmp", picture_.get());
    mask_ = Write("buttona.bmp", maskImage_.get());
  }
  ButtonPtr Plain() const {
    return ButtonPtr(SkinButtonCreatePlain(image_.c_str(), kButtonX, kButtonY));
  }
  ButtonPtr Masked() const {
    return ButtonPtr(SkinButtonCreateMasked(image_.c_str(), mask_.c_str(), kButtonX, kButtonY));
  }

  // Two cells of a picture without symmetries.
  ImagePtr picture_ = Pattern(2 * kCellWidth, kCellHeight), maskImage_ = ButtonMask();
  std::string image_, mask_;
};

TEST_F(SkinButtonTest, RightAndBottomEdgesAreOutside) {
  ButtonPtr button = Plain();
  ASSERT_TRUE(button);
  constexpr int x = kButtonX, y = kButtonY, r = kButtonX + kCellWidth, b = kButtonY + kCellHeight;
  struct Case {
    int dx, dy, px, py, hit;
  };
  for (const Case& c : {Case{0, 0, x, y, 1},
                        {0, 0, r - 1, b - 1, 1},
                        {0, 0, r, y, 0},
                        {0, 0, x, b, 0},
                        {0, 0, r, b, 0},
                        {0, 0, x - 1, y, 0},
                        {0, 0, x, y - 1, 0},
                        {5, 7, r + 4, b + 6, 1},
                        {5, 7, r + 5, b + 6, 0},
                        {5, 7, r + 4, b + 7, 0},
                        {-5, 0, x - 5, y, 1},
                        {INT_MIN, 0, INT_MAX, y, 0}}) {
    EXPECT_EQ(SkinButtonHitTest(button.get(), c.dx, c.dy, c.px, c.py), c.hit)
        << c.dx << " " << c.dy << " " << c.px << " " << c.py;
  }
  EXPECT_EQ(SkinButtonHitTest(nullptr, 0, 0, x, y), 0);

  // A hit rectangle set apart from the cell decides alone.
  SkinButtonSetHitRect(button.get(), 0, 0, 2, 2);
  EXPECT_EQ(SkinButtonHitTest(button.get(), 0, 0, 1, 1), 1);
  EXPECT_EQ(SkinButtonHitTest(button.get(), 0, 0, x, y), 0);
}

TEST_F(SkinButtonTest, PressOnceUntilReset) {
  ButtonPtr button = Masked();
  ASSERT_TRUE(button);
  auto expectPressed = [&](int pressed) {
    EXPECT_EQ(SkinButtonIsPressed(button.get()), pressed);
    EXPECT_EQ(button->state, pressed);
  };
  EXPECT_EQ(SkinButtonPress(button.get(), 0, 0, kButtonX + kCellWidth, kButtonY), 0);
  expectPressed(0);
  EXPECT_EQ(SkinButtonPress(button.get(), 0, 0, kButtonX, kButtonY), 1);
  expectPressed(1);
  EXPECT_EQ(SkinButtonPress(button.get(), 0, 0, kButtonX, kButtonY), 0);  // already pressed
  expectPressed(1);
  SkinButtonReset(button.get());
  expectPressed(0);
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

// Exactly the clipped part of the current cell is drawn, and nothing outside the clip or for
// a state without a cell.
TEST_F(SkinButtonTest, ClipDrawsExactlyItsPartOfTheCurrentCell) {
  constexpr int dx = 3, dy = -2, left = kButtonX + dx, top = kButtonY + dy;
  struct Clip {
    const char* name;
    RECT rect;
    bool given, misses;
  };
  const Clip clips[] = {
      {"none", {0, 0, 1000, 1000}, false, false},
      {"left half", {0, 0, left + kCellWidth / 2, 1000}, true, false},
      {"bottom half",
       {left, top + kCellHeight / 2, left + kCellWidth, top + kCellHeight},
       true,
       false},
      {"inner corner", {left + 5, top + 3, left + 9, top + 6}, true, false},
      {"left of it", {0, 0, left, 1000}, true, true},
      {"right of it", {left + kCellWidth, 0, 1000, 1000}, true, true},
      {"below it", {0, top + kCellHeight, 1000, 1000}, true, true},
      {"empty", {left + 2, top + 2, left + 2, top + 5}, true, true},
  };
  for (const bool masked : {false, true}) {
    ButtonPtr button = masked ? Masked() : Plain();
    ASSERT_TRUE(button);
    for (const int state : {0, 1, 2}) {
      button->state = state;
      for (const bool ontoDC : {false, true}) {
        for (const Clip& clip : clips) {
          SCOPED_TRACE(std::string(masked ? "masked" : "plain") + " cell " + std::to_string(state) +
                       (ontoDC ? " DC " : " image ") + clip.name);
          const ImagePtr drawn =
              Drawn(button.get(), ontoDC, Background(), dx, dy, clip.given ? &clip.rect : nullptr);
          const ImagePtr expected = clip.misses || state == 2
                                        ? Background()
                                        : DrawnThroughMask(Background().get(), picture_.get(),
                                                           masked ? maskImage_.get() : nullptr, 2,
                                                           state, left, top, clip.rect);
          EXPECT_EQ(FirstDifference(drawn.get(), expected.get()), "");
        }
      }
    }
  }
}

TEST_F(SkinButtonTest, EightBitOrMissingTargetsAreLeftAlone) {
  for (const bool masked : {false, true}) {
    ButtonPtr button = masked ? Masked() : Plain();
    ImagePtr eightBit(DibCreate(0, 40, 30, nullptr, 0));
    SkinButtonDrawToImage(button.get(), eightBit.get(), 0, 0, nullptr);
    EXPECT_EQ(GreyValues(eightBit.get()), std::vector<int>(40 * 30, 0));
    SkinButtonDrawToImage(button.get(), nullptr, 0, 0, nullptr);
    SkinButtonDrawToDC(button.get(), nullptr, nullptr, 0, 0, nullptr);
  }
  SkinButtonDrawToImage(nullptr, Background().get(), 0, 0, nullptr);
  SkinButtonDrawToDC(nullptr, nullptr, nullptr, 0, 0, nullptr);
}

// A picture 101 pixels wide has cells 50 wide; its last column belongs to no cell.
TEST_F(SkinButtonTest, OddWidthLeavesTheLastColumnUnseen) {
  const ImagePtr wide = Pattern(101, kCellHeight);
  const ImagePtr wideMask =
      GreyImage(101, kCellHeight, [](int x, int) { return x < 50 ? 255 : 128; });
  const std::string image = Write("wide.bmp", wide.get()),
                    mask = Write("widea.bmp", wideMask.get());
  ButtonPtr plain(SkinButtonCreatePlain(image.c_str(), 0, 0));
  ButtonPtr masked(SkinButtonCreateMasked(image.c_str(), mask.c_str(), 0, 0));
  ASSERT_TRUE(plain && masked);
  auto target = [] {
    return RgbImage(60, kCellHeight, [](int, int) { return std::array{1, 2, 3}; });
  };
  for (SkinButton* button : {plain.get(), masked.get()}) {
    EXPECT_EQ(button->cellWidth, 50);
    EXPECT_EQ(button->hitRect.right, 50);
    button->state = 1;
    const ImagePtr expected = DrawnThroughMask(target().get(), wide.get(),
                                               button == plain.get() ? nullptr : wideMask.get(), 2,
                                               1, 0, 0, RECT{0, 0, 60, kCellHeight});
    for (const bool ontoDC : {false, true}) {
      const ImagePtr drawn = Drawn(button, ontoDC, target(), 0, 0, nullptr);
      EXPECT_EQ(FirstDifference(drawn.get(), expected.get()), "") << ontoDC;
    }
  }
}

// A cache beside the mask is read instead of the mask, which may then be anything at all.
TEST_F(SkinButtonTest, CacheIsUsedInsteadOfTheMask) {
  AlphaRunTable* built = AlphaRunsLoad(mask_.c_str(), 2, 1);  // writes the cache
  ASSERT_TRUE(built);
  AlphaRunsFree(built);
  Write("buttona.bmp", "not a bitmap at all");
  ButtonPtr button = Masked();
  ASSERT_TRUE(button);
  button->state = 1;
  const ImagePtr drawn = Drawn(button.get(), false, Background(), 0, 0, nullptr);
  const ImagePtr expected = DrawnThroughMask(Background().get(), picture_.get(), maskImage_.get(),
                                             2, 1, kButtonX, kButtonY, RECT{0, 0, 40, 30});
  EXPECT_EQ(FirstDifference(drawn.get(), expected.get()), "");

  DeleteFileA(mask_.c_str());
  EXPECT_TRUE(Masked());
  DeleteFileA(Path("buttona.qa").c_str());
  EXPECT_FALSE(Masked());
}

TEST_F(SkinButtonTest, FailedCreationFreesWhatItLoaded) {
  const std::string narrow = Write("narrow.bmp", Pattern(1, kCellHeight).get());
  const std::string garbled = Write("garbled.bmp", "BM garbled");
  const std::string missing = Path("missing.bmp");
  // A 24-bit mask is refused; so are masks that do not frame the picture's cells:
  // narrower, or cached as one frame.
  const std::string deep = Write("deepa.bmp", picture_.get());
  const std::string narrowMask =
      Write("narrowa.bmp",
            GreyImage(2 * kCellWidth - 2, kCellHeight, [](int, int) { return 255; }).get());
  const std::string single = Write("singlea.bmp", maskImage_.get());
  AlphaRunsFree(AlphaRunsLoad(single.c_str(), 1, 1));
  const std::size_t live = ImgLiveBlocks();
  for (const auto& [image, mask] : {std::pair{missing, mask_},
                                    {image_, Path("missinga.bmp")},
                                    {image_, garbled},
                                    {image_, deep},
                                    {image_, narrowMask},
                                    {image_, single},
                                    {garbled, mask_},
                                    {narrow, mask_}}) {
    EXPECT_EQ(SkinButtonCreateMasked(image.c_str(), mask.c_str(), 0, 0), nullptr)
        << image << " " << mask;
    EXPECT_EQ(ImgLiveBlocks(), live);
  }
  for (const std::string& path : {missing, garbled, narrow}) {
    EXPECT_EQ(SkinButtonCreatePlain(path.c_str(), 0, 0), nullptr) << path;
    EXPECT_EQ(ImgLiveBlocks(), live);
  }
  EXPECT_EQ(SkinButtonCreateMasked(nullptr, nullptr, 0, 0), nullptr);
  EXPECT_EQ(SkinButtonCreatePlain(nullptr, 0, 0), nullptr);

  // A button that is freed gives back every block.
  SkinButtonFree(SkinButtonCreateMasked(image_.c_str(), mask_.c_str(), 0, 0));
  EXPECT_EQ(ImgLiveBlocks(), live);
}

}  // namespace
}  // namespace kolta::test
