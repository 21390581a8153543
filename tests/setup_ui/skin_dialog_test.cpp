// The paint cycle and mouse handling of a skinned screen, on a real window whose procedure
// is built from them; and the names of skin files.
#include "skin_dialog.h"

#include <gtest/gtest.h>
#include <windowsx.h>

#include <array>
#include <cstring>
#include <string>

#include "setup_state.h"
#include "skin_files.h"
#include "skin_test_support.h"

namespace kolta::test {
namespace {

constexpr int kWidth = 100, kHeight = 70;
constexpr int kCellWidth = 12, kCellHeight = 8;
constexpr POINT kPlainAt{10, 40}, kMaskedAt{50, 40};
constexpr RECT kTextBox{2, 3, 9, 7};
constexpr COLORREF kTextColour = RGB(250, 10, 130);

// What the window procedure saw.
struct Seen {
  int paints;
  WPARAM command;
  int textBackgroundMode;
  bool textOffScreen;
};
SkinDialog screen;
Seen seen;

void PaintTexts(HDC dc) {
  seen.textBackgroundMode = GetBkMode(dc);
  seen.textOffScreen = WindowFromDC(dc) == nullptr;
  HBRUSH brush = CreateSolidBrush(kTextColour);
  FillRect(dc, &kTextBox, brush);
  DeleteObject(brush);
}

// A screen as thin as the real ones: every message goes to the shared operations.
LRESULT CALLBACK ScreenProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_PAINT:
      ++seen.paints;
      SkinDialogPaint(&screen, window, PaintTexts);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      SkinDialogMouseDown(&screen, window, GET_X_LPARAM(l), GET_Y_LPARAM(l));
      return 0;
    case WM_MOUSEMOVE:
      SkinDialogMouseMove(&screen, window, GET_X_LPARAM(l), GET_Y_LPARAM(l));
      return 0;
    case WM_LBUTTONUP:
      if (const int button = SkinDialogMouseUp(&screen, window, GET_X_LPARAM(l), GET_Y_LPARAM(l));
          button >= 0) {
        PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(button + 1), 0);
      }
      return 0;
    case WM_COMMAND:
      seen.command = w;
      return 0;
    default:
      return DefWindowProcA(window, message, w, l);
  }
}

ImagePtr PanelPicture() {
  return RgbImage(kWidth, kHeight, [](int x, int y) { return std::array{x * 2, 255 - y, 77}; });
}

class SkinDialogTest : public SkinFolderTest {
 protected:
  void SetUp() override {
    SkinFolderTest::SetUp();
    const std::string image = Write("button.bmp", picture_.get());
    const std::string mask = Write("buttona.bmp", mask_.get());

    live_ = ImgLiveBlocks();
    screen = SkinDialog{};
    seen = Seen{};
    screen.width = kWidth;
    screen.height = kHeight;
    screen.panel = DibToDeviceBitmap(PanelPicture().get(), nullptr);
    ASSERT_TRUE(screen.panel);
    ASSERT_EQ(
        SkinDialogAddButton(&screen, SkinButtonCreatePlain(image.c_str(), kPlainAt.x, kPlainAt.y)),
        1);
    ASSERT_EQ(SkinDialogAddButton(&screen, SkinButtonCreateMasked(image.c_str(), mask.c_str(),
                                                                  kMaskedAt.x, kMaskedAt.y)),
              1);

    window_ = ShowTopWindow("KoltaTestSkinScreen", ScreenProcedure, 200, 150, kWidth, kHeight);
    ASSERT_TRUE(window_);
  }
  void TearDown() override {
    DestroyWindow(window_);
    SkinDialogFree(&screen);
    EXPECT_EQ(ImgLiveBlocks(), live_);
    SkinFolderTest::TearDown();
  }

  // The window's client area as it is now.
  ImagePtr Shown() const {
    const WindowDC dc(window_);
    return ImagePtr(DibFromDC(dc.get(), dc.get(), 0, 0, kWidth, kHeight));
  }
  // The panel with the buttons in the given cells and the texts over them.
  ImagePtr Expected(int plainCell, int maskedCell) const {
    ImagePtr image = PanelPicture();
    const RECT all{0, 0, kWidth, kHeight};
    image = DrawnThroughMask(image.get(), picture_.get(), nullptr, 2, plainCell, kPlainAt.x,
                             kPlainAt.y, all);
    image = DrawnThroughMask(image.get(), picture_.get(), mask_.get(), 2, maskedCell, kMaskedAt.x,
                             kMaskedAt.y, all);
    const ImagePtr text =
        RgbImage(kTextBox.right - kTextBox.left, kTextBox.bottom - kTextBox.top, [](int, int) {
          return std::array<int, 3>{GetBValue(kTextColour), GetGValue(kTextColour),
                                    GetRValue(kTextColour)};
        });
    return DrawnThroughMask(image.get(), text.get(), nullptr, 1, 0, kTextBox.left, kTextBox.top,
                            all);
  }
  void Send(UINT message, int x, int y) const {
    SendMessageA(window_, message, 0, MAKELPARAM(x, y));
  }
  // Releases the mouse at (x, y) and handles the messages that follow.
  void Release(int x, int y) const {
    Send(WM_LBUTTONUP, x, y);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  void Repaint(const RECT* rect) const {
    InvalidateRect(window_, rect, FALSE);
    UpdateWindow(window_);
  }

  ImagePtr picture_ = Pattern(2 * kCellWidth, kCellHeight);
  ImagePtr mask_ =
      GreyImage(2 * kCellWidth, kCellHeight, [](int x, int y) { return (x * 40 + y) & 0xFF; });
  std::size_t live_ = 0;
  HWND window_ = nullptr;
};

TEST_F(SkinDialogTest, PaintShowsPanelButtonsAndTexts) {
  EXPECT_EQ(seen.paints, 1);
  EXPECT_TRUE(screen.offscreen);
  EXPECT_EQ(FirstDifference(Shown().get(), Expected(0, 0).get()), "");
  EXPECT_EQ(seen.textBackgroundMode, TRANSPARENT);
  EXPECT_TRUE(seen.textOffScreen);
}

// The buttons behave as the platform's: a press captures the mouse, the pressed look
// follows the pointer, and only a release over the pressed button gives its command.
TEST_F(SkinDialogTest, OnlyAReleaseOverThePressedButtonGivesItsCommand) {
  const POINT plain{kPlainAt.x + kCellWidth - 1, kPlainAt.y + kCellHeight - 1};
  const POINT masked{kMaskedAt.x + 1, kMaskedAt.y + 1};
  Send(WM_LBUTTONDOWN, plain.x, plain.y);
  EXPECT_EQ(seen.paints, 2);
  EXPECT_EQ(FirstDifference(Shown().get(), Expected(1, 0).get()), "");
  EXPECT_EQ(GetCapture(), window_);
  Send(WM_LBUTTONDOWN, kPlainAt.x, kPlainAt.y);  // already pressed: nothing to repaint
  EXPECT_EQ(seen.paints, 2);

  // Off the button it looks released, back over it pressed again.
  Send(WM_MOUSEMOVE, kWidth - 1, 0);
  EXPECT_EQ(FirstDifference(Shown().get(), Expected(0, 0).get()), "");
  Send(WM_MOUSEMOVE, plain.x, plain.y);
  EXPECT_EQ(FirstDifference(Shown().get(), Expected(1, 0).get()), "");

  // Dragged off and released elsewhere (on another button, outside the window): nothing,
  // the button is released and the capture ends.
  for (const POINT at : {POINT{kWidth - 1, 0}, masked, POINT{-40, -30}, POINT{kWidth + 9, 5}}) {
    SCOPED_TRACE(testing::Message() << at.x << "," << at.y);
    Send(WM_LBUTTONDOWN, plain.x, plain.y);
    Send(WM_MOUSEMOVE, at.x, at.y);
    seen.command = 0;
    Release(at.x, at.y);
    EXPECT_EQ(seen.command, 0u);
    EXPECT_EQ(FirstDifference(Shown().get(), Expected(0, 0).get()), "");
    EXPECT_EQ(GetCapture(), nullptr);
  }

  // A later click on the other button gives that button's command, not the first one's.
  Send(WM_LBUTTONDOWN, masked.x, masked.y);
  Release(masked.x, masked.y);
  EXPECT_EQ(seen.command, 2u);
  EXPECT_EQ(FirstDifference(Shown().get(), Expected(0, 1).get()), "") << "pressed until reset";

  SkinDialogResetButtons(&screen);
  Send(WM_LBUTTONDOWN, plain.x, plain.y);
  Release(kPlainAt.x, kPlainAt.y);
  EXPECT_EQ(seen.command, 1u);
}

TEST_F(SkinDialogTest, PaintRectangleThatMissesAButtonLeavesItAsItWas) {
  SkinButtonPress(screen.buttons[0], 0, 0, kPlainAt.x, kPlainAt.y);  // pressed, not shown yet
  const RECT beside{0, 0, kWidth, kPlainAt.y};
  Repaint(&beside);
  EXPECT_EQ(FirstDifference(Shown().get(), Expected(0, 0).get()), "");

  // Half the button: that half shows the pressed cell.
  const RECT half{0, 0, kPlainAt.x + kCellWidth / 2, kHeight};
  Repaint(&half);
  const ImagePtr expected = DrawnThroughMask(Expected(0, 0).get(), picture_.get(), nullptr, 2, 1,
                                             kPlainAt.x, kPlainAt.y, half);
  EXPECT_EQ(FirstDifference(Shown().get(), expected.get()), "");

  SkinDialogResetButtons(&screen);
  Repaint(nullptr);
  EXPECT_EQ(FirstDifference(Shown().get(), Expected(0, 0).get()), "");
}

TEST_F(SkinDialogTest, ButtonsBeyondTheRecordAreRefusedAndFreed) {
  EXPECT_EQ(SkinDialogMouseUp(&screen, window_, kPlainAt.x, kPlainAt.y), -1);
  EXPECT_EQ(SkinDialogMouseUp(nullptr, window_, kPlainAt.x, kPlainAt.y), -1);
  EXPECT_EQ(SkinDialogAddButton(&screen, nullptr), 0);
  const std::string image = Path("button.bmp");
  while (screen.buttonCount < kSkinDialogMaxButtons) {
    ASSERT_EQ(SkinDialogAddButton(&screen, SkinButtonCreatePlain(image.c_str(), 0, 0)), 1);
  }
  EXPECT_EQ(SkinDialogAddButton(&screen, SkinButtonCreatePlain(image.c_str(), 0, 0)), 0);
  EXPECT_EQ(SkinDialogAddButton(nullptr, SkinButtonCreatePlain(image.c_str(), 0, 0)), 0);

  SkinDialogFree(&screen);
  const SkinDialog zero{};
  EXPECT_EQ(std::memcmp(&screen, &zero, sizeof zero), 0);
  SkinDialogFree(&screen);
  SkinDialogFree(nullptr);
}

TEST(SkinFiles, NamesAreComposedWhole) {
  const std::string media = "C:\\media\\lan\\chs\\setup\\";
  const std::string deep = "C:\\" + std::string(112, 'f') + "\\";  // 116 characters
  struct Case {
    const std::string& folder;
    const char* format;
    std::string path;  // "": refused
  };
  // 127 characters fit; 128 do not, and nothing shorter takes their place.
  for (const Case& c : {Case{media, "%slogo.jpg", media + "logo.jpg"},
                        {media, "%s", media},
                        {media, "logo.jpg", ""},
                        {media, "x%slogo.jpg", ""},
                        {media, "%slogo%d.jpg", ""},
                        {media, "%s%s", ""},
                        {media, "%", ""},
                        {media, "", ""},
                        {media, nullptr, ""},
                        {deep, "%sstatusa.BMP", deep + "statusa.BMP"},
                        {deep, "%sms_backa.bmp", ""}}) {
    std::strcpy(GetSetupState()->skinDir, c.folder.c_str());
    char path[128] = "old";
    EXPECT_EQ(SkinFilePath(c.format, path), c.path.empty() ? 0 : 1) << c.format;
    EXPECT_EQ(path, c.path) << c.format;
  }
  std::memset(GetSetupState()->skinDir, 0, sizeof GetSetupState()->skinDir);
}

}  // namespace
}  // namespace kolta::test
