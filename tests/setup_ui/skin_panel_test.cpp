// Skin panels composed over what really lies behind them: a window's painted client area,
// or the screen for a panel without an owner.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "dib_ops.h"
#include "skin_panel.h"
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
      HDC screen = GetDC(nullptr);
      const COLORREF corner = GetPixel(screen, kWindowX + 7, kWindowY + 9);
      ReleaseDC(nullptr, screen);
      const auto c = BehindColour(7, 9);
      if (corner == RGB(c[2], c[1], c[0])) return true;
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

class SkinPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = FreshFolder("kolta_skin_panel");
    picture_ = RgbImage(kPanelWidth, kPanelHeight,
                        [](int x, int y) { return std::array{200 - x, 60 + y, 255 - 2 * y}; });
    // Transparent outer columns, soft and barely visible bands, an opaque middle.
    mask_ = MaskImage(kPanelWidth, kPanelHeight, [](int x, int y) {
      if (x < 10 || x >= 50) return 0;
      if (y < 5) return 128;
      if (y < 10) return 21;
      return x < 20 ? 20 : 255;
    });
    ASSERT_TRUE(WriteBmp(Path("panel.bmp"), picture_.get()));
    ASSERT_TRUE(WriteBmp(Path("panela.bmp"), mask_.get()));
  }
  void TearDown() override { RemoveTree(folder_); }

  std::string Path(const char* name) const { return folder_ + name; }
  ImagePtr Compose(HWND owner, int x, int y) const {
    return ImagePtr(SkinComposePanel(owner, Path("panel.bmp").c_str(), Path("panela.bmp").c_str(),
                                     x, y));
  }
  // The panel as it should look at (x, y) of the window's client area.
  ImagePtr Expected(int x, int y) const {
    ImagePtr behind = RgbImage(kPanelWidth, kPanelHeight,
                               [&](int px, int py) { return BehindColour(x + px, y + py); });
    return DrawnThroughMask(behind.get(), picture_.get(), mask_.get(), 1, 0, 0, 0,
                            RECT{0, 0, kPanelWidth, kPanelHeight});
  }

  std::string folder_;
  ImagePtr picture_, mask_;
};

TEST_F(SkinPanelTest, ComposedOverTheOwnersContent) {
  PatternWindow owner;
  ASSERT_TRUE(owner.ShownOnScreen());
  struct Case {
    int x, y, expectedX, expectedY;
  };
  for (const Case& c : {Case{30, 25, 30, 25}, Case{0, 0, 0, 0},
                        Case{-1, 25, (kWindowWidth - kPanelWidth) / 2, 25},
                        Case{30, -7, 30, (kWindowHeight - kPanelHeight) / 2},
                        Case{-1, -1, (kWindowWidth - kPanelWidth) / 2,
                             (kWindowHeight - kPanelHeight) / 2}}) {
    ImagePtr panel = Compose(owner.get(), c.x, c.y);
    ASSERT_TRUE(panel) << c.x << "," << c.y;
    EXPECT_EQ(FirstDifference(panel.get(), Expected(c.expectedX, c.expectedY).get()), "")
        << c.x << "," << c.y;
  }
}

TEST_F(SkinPanelTest, WithoutOwnerItIsASnapshotOfTheScreen) {
  PatternWindow behind;
  ASSERT_TRUE(behind.ShownOnScreen());
  ImagePtr panel = Compose(nullptr, kWindowX + 30, kWindowY + 25);
  ASSERT_TRUE(panel);
  EXPECT_EQ(FirstDifference(panel.get(), Expected(30, 25).get()), "");

  // Centred on the screen, which the window covers there.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kPanelWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kPanelHeight) / 2;
  ASSERT_TRUE(x >= kWindowX && x + kPanelWidth <= kWindowX + kWindowWidth);
  ASSERT_TRUE(y >= kWindowY && y + kPanelHeight <= kWindowY + kWindowHeight);
  panel = Compose(nullptr, -1, -1);
  ASSERT_TRUE(panel);
  EXPECT_EQ(FirstDifference(panel.get(), Expected(x - kWindowX, y - kWindowY).get()), "");
}

TEST_F(SkinPanelTest, BitmapHoldsTheComposedPanel) {
  PatternWindow owner;
  ASSERT_TRUE(owner.ShownOnScreen());
  BitmapPtr bitmap(SkinComposePanelBitmap(owner.get(), Path("panel.bmp").c_str(),
                                          Path("panela.bmp").c_str(), 12, 34));
  ASSERT_TRUE(bitmap);
  ImagePtr shown(DibFromDeviceBitmap(bitmap.get()));
  EXPECT_EQ(FirstDifference(shown.get(), Expected(12, 34).get()), "");
}

TEST_F(SkinPanelTest, MissingOrMismatchedFilesGiveNoPanel) {
  ImagePtr small = MaskImage(kPanelWidth - 1, kPanelHeight, [](int, int) { return 255; });
  ASSERT_TRUE(WriteBmp(Path("smalla.bmp"), small.get()));
  const std::string picture = Path("panel.bmp"), mask = Path("panela.bmp");
  const std::size_t live = ImgLiveBlocks();
  for (const auto& [image, maskFile] :
       {std::pair{Path("missing.bmp"), mask}, std::pair{picture, Path("missinga.bmp")},
        std::pair{picture, Path("smalla.bmp")}}) {
    EXPECT_EQ(SkinComposePanel(nullptr, image.c_str(), maskFile.c_str(), 0, 0), nullptr)
        << image << " " << maskFile;
    EXPECT_EQ(SkinComposePanelBitmap(nullptr, image.c_str(), maskFile.c_str(), 0, 0), nullptr);
    EXPECT_EQ(ImgLiveBlocks(), live);
  }
}

}  // namespace
}  // namespace kolta::test
