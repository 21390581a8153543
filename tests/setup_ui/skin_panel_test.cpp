// Skin panels composed over what really lies behind them: a window's painted client area,
// or the screen for a panel without an owner.
#include "skin_panel.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "dib_ops.h"
#include "skin_test_support.h"

namespace kolta::test {
namespace {

constexpr int kWindowX = 400, kWindowY = 300, kWindowWidth = 300, kWindowHeight = 200;
constexpr int kPanelWidth = 60, kPanelHeight = 40;

std::array<int, 3> BehindColour(int x, int y) { return {x & 0xFF, y, (x * 3 + y * 5) & 0xFF}; }

// A frameless top-level window that paints BehindColour over its client area.
class PatternWindow {
 public:
  PatternWindow()
      : window_(ShowTopWindow("KoltaTestPattern", Procedure, kWindowX, kWindowY, kWindowWidth,
                              kWindowHeight)) {}
  ~PatternWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }

  // Whether the screen shows the pattern yet (the window appears when the display has
  // mapped it): polled, a bounded number of times.
  bool ShownOnScreen() const {
    for (int attempt = 0; attempt < 200; ++attempt) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      const auto c = BehindColour(7, 9);
      if (GetPixel(WindowDC(nullptr).get(), kWindowX + 7, kWindowY + 9) == RGB(c[2], c[1], c[0]))
        return true;
      Sleep(10);
    }
    return false;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message != WM_PAINT) return DefWindowProcA(window, message, w, l);
    static const ImagePtr pattern = RgbImage(kWindowWidth, kWindowHeight, BehindColour);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    DibStretchToDC(dc, 0, 0, kWindowWidth, kWindowHeight, pattern.get(), 0, 0, kWindowWidth,
                   kWindowHeight);
    EndPaint(window, &paint);
    return 0;
  }

  HWND window_;
};

class SkinPanelTest : public SkinFolderTest {
 protected:
  void SetUp() override {
    SkinFolderTest::SetUp();
    image_ = Write("panel.bmp", picture_.get());
    maskFile_ = Write("panela.bmp", mask_.get());
  }
  ImagePtr Compose(HWND owner, int x, int y) const {
    return ImagePtr(SkinComposePanel(owner, image_.c_str(), maskFile_.c_str(), x, y));
  }
  // The panel as it should look at (x, y) of the window's client area.
  ImagePtr Expected(int x, int y) const {
    ImagePtr behind = RgbImage(kPanelWidth, kPanelHeight,
                               [&](int px, int py) { return BehindColour(x + px, y + py); });
    return DrawnThroughMask(behind.get(), picture_.get(), mask_.get(), 1, 0, 0, 0,
                            RECT{0, 0, kPanelWidth, kPanelHeight});
  }

  ImagePtr picture_ = RgbImage(kPanelWidth, kPanelHeight, [](int x, int y) {
    return std::array{200 - x, 60 + y, 255 - 2 * y};
  });
  // Transparent outer columns, soft and barely visible bands, an opaque middle.
  ImagePtr mask_ = GreyImage(kPanelWidth, kPanelHeight, [](int x, int y) {
    if (x < 10 || x >= 50) return 0;
    if (y < 5) return 128;
    if (y < 10) return 21;
    return x < 20 ? 20 : 255;
  });
  std::string image_, maskFile_;
};

// Over the owner's client area, or over the screen without an owner; -1 centres the panel
// in the owner or on the screen.
TEST_F(SkinPanelTest, ComposedOverTheOwnersContentOrTheScreen) {
  PatternWindow owner;
  ASSERT_TRUE(owner.ShownOnScreen());
  // The window covers the middle of the screen.
  const int screenX = (GetSystemMetrics(SM_CXSCREEN) - kPanelWidth) / 2 - kWindowX;
  const int screenY = (GetSystemMetrics(SM_CYSCREEN) - kPanelHeight) / 2 - kWindowY;
  ASSERT_TRUE(screenX >= 0 && screenX + kPanelWidth <= kWindowWidth);
  ASSERT_TRUE(screenY >= 0 && screenY + kPanelHeight <= kWindowHeight);
  constexpr int middleX = (kWindowWidth - kPanelWidth) / 2,
                middleY = (kWindowHeight - kPanelHeight) / 2;
  struct Case {
    HWND owner;
    int x, y, expectedX, expectedY;
  };
  for (const Case& c : {Case{owner.get(), 30, 25, 30, 25},
                        {owner.get(), 0, 0, 0, 0},
                        {owner.get(), -1, 25, middleX, 25},
                        {owner.get(), 30, -7, 30, middleY},
                        {owner.get(), -1, -1, middleX, middleY},
                        {nullptr, kWindowX + 30, kWindowY + 25, 30, 25},
                        {nullptr, -1, -1, screenX, screenY}}) {
    SCOPED_TRACE(::testing::Message() << (c.owner ? "owner " : "screen ") << c.x << "," << c.y);
    ImagePtr panel = Compose(c.owner, c.x, c.y);
    ASSERT_TRUE(panel);
    EXPECT_EQ(FirstDifference(panel.get(), Expected(c.expectedX, c.expectedY).get()), "");
  }
  // The same panel as a device bitmap.
  BitmapPtr bitmap(SkinComposePanelBitmap(owner.get(), image_.c_str(), maskFile_.c_str(), 12, 34));
  ASSERT_TRUE(bitmap);
  ImagePtr shown(DibFromDeviceBitmap(bitmap.get()));
  EXPECT_EQ(FirstDifference(shown.get(), Expected(12, 34).get()), "");
}

TEST_F(SkinPanelTest, MissingOrMismatchedFilesGiveNoPanel) {
  const std::string small = Write(
      "smalla.bmp", GreyImage(kPanelWidth - 1, kPanelHeight, [](int, int) { return 255; }).get());
  const std::size_t live = ImgLiveBlocks();
  for (const auto& [image, maskFile] : {std::pair{Path("missing.bmp"), maskFile_},
                                        {image_, Path("missinga.bmp")},
                                        {image_, small}}) {
    EXPECT_EQ(SkinComposePanel(nullptr, image.c_str(), maskFile.c_str(), 0, 0), nullptr)
        << image << " " << maskFile;
    EXPECT_EQ(SkinComposePanelBitmap(nullptr, image.c_str(), maskFile.c_str(), 0, 0), nullptr);
    EXPECT_EQ(ImgLiveBlocks(), live);
  }
}

}  // namespace
}  // namespace kolta::test
