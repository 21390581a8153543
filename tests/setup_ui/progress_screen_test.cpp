// The progress screen as the install runs it: the class registered, the skin loaded over
// the main window, the modeless dialog made from its template, then the lines, the bar and
// the cancel question driven through the operations and real window messages. Pixels are
// read back from the skin window.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "../imagelib/image_test_support.h"
#include "dib_gdi.h"
#include "gdi_owners.h"
#include "message_text_check.h"
#include "screen_test_support.h"
#include "setup_resources.h"
#include "setup_screens.h"
#include "skin_text.h"

namespace kolta::test {
namespace {

constexpr int kWidth = 438, kHeight = 328;
constexpr RECT kTitleRect{17, 192, 189, 212};
constexpr RECT kDetailRect{17, 213, 417, 233};
constexpr RECT kPercentRect{169, 236, 249, 256};
// The bar is probed along its top row, above the percentage text centred on it.
constexpr int kBarLeft = 19, kBarWidth = 380, kBarProbeY = 236;
constexpr POINT kCancelCentre{163 + 50, 258 + 20};  // the test skin's cells are 100 x 40

int Red(DibColor c) { return static_cast<int>(c & 0xFF); }
int Green(DibColor c) { return static_cast<int>((c >> 8) & 0xFF); }
int Blue(DibColor c) { return static_cast<int>((c >> 16) & 0xFF); }
bool Near(DibColor c, int r, int g, int b) {
  return std::abs(Red(c) - r) <= 12 && std::abs(Green(c) - g) <= 12 && std::abs(Blue(c) - b) <= 12;
}
// The red bar at 0.9 over the panel.
bool IsBar(DibColor c) { return Red(c) > 200 && Green(c) < 70 && Blue(c) < 70; }
// Black text at 0.9 (its grey shadow is lighter).
bool IsInk(DibColor c) { return Red(c) < 100 && Green(c) < 100 && Blue(c) < 100; }
// White text at 0.9 over the bar or the panel.
bool IsWhite(DibColor c) { return Red(c) > 200 && Green(c) > 200 && Blue(c) > 200; }

int CountIn(const DibImage* shot, const RECT& rect, bool (*match)(DibColor)) {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) count += match(PixelColour(shot, x, y)) ? 1 : 0;
  }
  return count;
}

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Answers the skinned message box whenever one is up on this thread, by clicking one of
// its buttons as a user would, after checking that it asks the cancel question. Runs from
// a thread timer, which the box's modal loop dispatches.
struct BoxAnswerer {
  static inline int answered = 0;
  static inline int otherTexts = 0;  // boxes that did not show the cancel question
  static inline POINT click = kMessageNoPoint;
  static inline HWND lastBox = nullptr;

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = FindScreen(GetCurrentThreadId(), kMessageSkinClass);
    HWND box = dialog ? SkinWindow(dialog, kMessageSkinClass) : nullptr;
    if (box == nullptr || box == lastBox) return;
    lastBox = box;
    ++answered;
    if (MessageTextDifferences(box, "Stop the installation?") > 2) ++otherTexts;
    PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(click.x, click.y));
    PostMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(click.x, click.y));
  }
};

class ProgressScreenTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    if (HasFatalFailure()) return;  // no skin or settings to work on
    WriteSettings(kMessageTexts);
    WNDCLASSA type{};
    type.style = CS_HREDRAW | CS_VREDRAW;
    type.lpfnWndProc = ProgressSkinWndProc;
    type.hInstance = GetSetupState()->instance;
    type.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    type.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    type.lpszClassName = "KOLTASETUP_STATUS";
    ASSERT_NE(RegisterClassA(&type), 0);
    BoxAnswerer::answered = 0;
    BoxAnswerer::otherTexts = 0;
    BoxAnswerer::lastBox = nullptr;
    timer_ = SetTimer(nullptr, 0, 20, BoxAnswerer::OnTimer);
  }

  void TearDown() override {
    EXPECT_EQ(BoxAnswerer::otherTexts, 0) << "a box did not ask the cancel question";
    KillTimer(nullptr, timer_);
    if (dialog_ != nullptr) DestroyWindow(dialog_);
    ProgressFree();
    UnregisterClassA("KOLTASETUP_STATUS", GetSetupState()->instance);
    ScreenTest::TearDown();
  }

  // The modeless dialog over the main window, first painted whole.
  void CreateDialogWindow() {
    dialog_ = CreateDialogParamA(GetSetupState()->instance, MAKEINTRESOURCEA(kProgressDialog),
                                 GetSetupState()->mainWindow, ProgressDialogProc, 0);
    ASSERT_NE(dialog_, nullptr);
    skin_ = GetDlgItem(dialog_, kProgressSkinWindow);
    ASSERT_NE(skin_, nullptr);
    Repaint(nullptr);
  }
  void Open() {
    ASSERT_EQ(ProgressLoad(GetSetupState()->mainWindow), 1);
    CreateDialogWindow();
  }

  // As the install repaints: through the dialog, now, without erasing.
  void Repaint(const RECT* rect) const {
    InvalidateRect(dialog_, rect, FALSE);
    UpdateWindow(dialog_);
  }
  void RepaintChanged() const {
    RECT changed;
    ProgressChangedRect(&changed, 1);
    Repaint(&changed);
  }

  // What the skin window shows.
  ImagePtr Shot() const {
    const WindowDC dc(skin_);
    return ImagePtr(DibFromDC(dc.get(), dc.get(), 0, 0, kWidth, kHeight));
  }

  // The width of the red bar, checked to be one run from the bar's left edge.
  static int BarWidth(const DibImage* shot) {
    int width = 0;
    while (width < kBarWidth + 5 && IsBar(PixelColour(shot, kBarLeft + width, kBarProbeY))) {
      ++width;
    }
    EXPECT_FALSE(IsBar(PixelColour(shot, kBarLeft - 1, kBarProbeY)));
    return width;
  }

  void Click(POINT at) const {
    Press(at);
    Release(at);
  }
  void Press(POINT at) const {
    PointAt(skin_, at.x, at.y);
    PostMessageA(skin_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    Pump();
  }
  void Move(POINT to) const {
    PointAt(skin_, to.x, to.y);
    PostMessageA(skin_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    Pump();
  }
  void Release(POINT at) const {
    PointAt(skin_, at.x, at.y);
    PostMessageA(skin_, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    Pump();
  }

  // Whether SetupMessage shows the box (that the answerer then answers "no").
  static bool MessageBoxAsks() {
    const int before = BoxAnswerer::answered;
    SetupMessage(GetSetupState()->mainWindow, "IDS_QUERYABORT", MB_YESNO);
    return BoxAnswerer::answered > before;
  }

  HWND dialog_ = nullptr;
  HWND skin_ = nullptr;
  UINT_PTR timer_ = 0;
};

TEST_F(ProgressScreenTest, SitsOverTheMainWindowWithTheAppNameAsCaption) {
  Open();
  const SetupState* state = GetSetupState();
  RECT window, client;
  GetWindowRect(dialog_, &window);
  GetClientRect(skin_, &client);
  EXPECT_EQ(window.left, state->windowX + 81);
  EXPECT_EQ(window.top, state->windowY + 91);
  EXPECT_EQ(window.right - window.left, kWidth);
  EXPECT_EQ(window.bottom - window.top, kHeight);
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(client.bottom, kHeight);
  char caption[64];
  GetWindowTextA(dialog_, caption, sizeof caption);
  EXPECT_STREQ(caption, "Screen Test");

  // The panel was composed over the main window: its transparent strip shows it.
  const ImagePtr shot = Shot();
  EXPECT_TRUE(Near(PixelColour(shot.get(), 2, 100), 40, 60, 120));
  EXPECT_TRUE(Near(PixelColour(shot.get(), 300, 60), 170, 190, 210));
  // The released cancel button.
  EXPECT_TRUE(Near(PixelColour(shot.get(), kCancelCentre.x, kCancelCentre.y), 160, 0, 160));
}

TEST_F(ProgressScreenTest, BarAndPercentageFollowPositionOverTotal) {
  struct Case {
    int total, position, barWidth;
    const char* percent;  // null: none shown
  };
  const Case cases[] = {
      {3, 1, 126, "33%"}, {3, 7, 380, "100%"}, {3, 3, 380, "100%"}, {0, 5, 0, nullptr},
      {200, 1, 1, "0%"},  {-4, 2, 0, nullptr}, {4, -3, 0, "0%"},
      {2000000000, 1999999999, 379, "99%"},  // no overflow on the way
  };
  Open();
  const WindowDC screen(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.position << " of " << c.total);
    ProgressSetTotal(c.total);
    ProgressSetPosition(c.position);
    RepaintChanged();
    const ImagePtr shot = Shot();
    EXPECT_EQ(BarWidth(shot.get()), c.barWidth);

    // The percentage: white text centred in its rectangle, as wide as its text.
    int left = kPercentRect.right, right = kPercentRect.left - 1;
    for (int y = kPercentRect.top; y < kPercentRect.bottom; ++y) {
      for (int x = kPercentRect.left; x < kPercentRect.right; ++x) {
        if (!IsWhite(PixelColour(shot.get(), x, y))) continue;
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
    if (c.percent == nullptr) {
      EXPECT_GT(left, right) << "no percentage";
      continue;
    }
    const int box = TextBoxWidth(screen.get(), c.percent, lstrlenA(c.percent),
                                 GetSetupState()->textFont);
    const int boxLeft = kPercentRect.left + (80 - 1 - box) / 2;
    EXPECT_NEAR(left, boxLeft, 3);
    EXPECT_NEAR(right + 1, boxLeft + box, 3);
  }
}

TEST_F(ProgressScreenTest, StepsMoveTheBarAsTheInstallRepaintsIt) {
  Open();
  ProgressSetTotal(3);
  const int widths[] = {126, 253, 380, 380};
  for (const int width : widths) {
    EXPECT_EQ(ProgressStep(), 1);
    RepaintChanged();
    const ImagePtr shot = Shot();
    EXPECT_EQ(BarWidth(shot.get()), width);
  }

  // Items that leave the bar and its percentage as they were show them unchanged.
  ProgressSetTotal(1000);
  ProgressSetPosition(3);  // 3 and 4 of 1000: one pixel, 0%
  ProgressSetDetail("first");
  RepaintChanged();
  const ImagePtr before = Shot();
  ProgressSetDetail("second");
  EXPECT_EQ(ProgressStep(), 1);
  RepaintChanged();
  const ImagePtr after = Shot();
  EXPECT_EQ(BarWidth(after.get()), 1);
  EXPECT_GT(CountIn(after.get(), kPercentRect, IsWhite), 10);
  for (int y = kPercentRect.top; y < kPercentRect.bottom; ++y) {
    for (int x = kBarLeft; x < kBarLeft + kBarWidth; ++x) {
      ASSERT_EQ(PixelColour(after.get(), x, y), PixelColour(before.get(), x, y)) << x << "," << y;
    }
  }
}

TEST_F(ProgressScreenTest, StatusLinesAreDrawnInTheirRectangles) {
  Open();
  ProgressSetTitle("Copying files");
  ProgressSetDetail("c:\\program files\\kolta demo\\data\\world.dat");
  Repaint(nullptr);
  ImagePtr shot = Shot();
  EXPECT_GT(CountIn(shot.get(), kTitleRect, IsInk), 20);
  EXPECT_GT(CountIn(shot.get(), kDetailRect, IsInk), 40);

  // The changed rectangle leaves the first line as the screen showed it.
  ProgressSetTitle(nullptr);
  ProgressSetDetail(nullptr);
  RepaintChanged();
  shot = Shot();
  EXPECT_GT(CountIn(shot.get(), kTitleRect, IsInk), 20);
  EXPECT_EQ(CountIn(shot.get(), kDetailRect, IsInk), 0);
  Repaint(nullptr);
  shot = Shot();
  EXPECT_EQ(CountIn(shot.get(), kTitleRect, IsInk), 0);

  // A line longer than its buffer shows as far as it fits.
  const std::string longLine(300, 'W');
  ProgressSetDetail(longLine.c_str());
  RepaintChanged();
  shot = Shot();
  EXPECT_GT(CountIn(shot.get(), kDetailRect, IsInk), 100);
}

// The last column of a line's ink: in the screen as painted, and where GDI's own drawing of
// the text from the line's left edge ends; -1 when there is none.
int LastInkColumn(const DibImage* image, const RECT& rect) {
  for (int x = rect.right - 1; x >= rect.left; --x) {
    for (int y = rect.top; y < rect.bottom; ++y) {
      if (IsInk(PixelColour(image, x, y))) return x;
    }
  }
  return -1;
}

int GdiLastInkColumn(HWND window, const char* text) {
  const WindowDC screen(window);
  BitmapPtr bitmap(CreateCompatibleBitmap(screen.get(), kWidth, kHeight));
  const MemoryDC dc(screen.get(), bitmap.get());
  const RECT all{0, 0, kWidth, kHeight};
  FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const Selected font(dc.get(), GetSetupState()->textFont);
  SetBkMode(dc.get(), TRANSPARENT);
  SetTextColor(dc.get(), RGB(0, 0, 0));
  TextOutA(dc.get(), kDetailRect.left, kDetailRect.top, text, lstrlenA(text));
  ImagePtr image(DibFromDC(dc.get(), dc.get(), 0, 0, kWidth, kHeight));
  return image ? LastInkColumn(image.get(), kDetailRect) : -2;
}

TEST_F(ProgressScreenTest, ALineEndsWhereGdiDrawsItsLastGlyph) {
  Open();
  // Endings of wide, round and overhanging glyphs.
  for (const char* text : {"c:\\program files\\kolta demo\\docs", "c:\\kolta\\WWW",
                           "c:\\kolta\\mom", "c:\\kolta\\OQ", "c:\\kolta\\data.f",
                           "c:\\kolta\\y"}) {
    ProgressSetDetail(text);
    RepaintChanged();
    const ImagePtr shot = Shot();
    const int expected = GdiLastInkColumn(skin_, text);
    ASSERT_GT(expected, kDetailRect.left) << text;
    EXPECT_NEAR(LastInkColumn(shot.get(), kDetailRect), expected, 1) << text;
  }
}

TEST_F(ProgressScreenTest, ChangedRectangles) {
  RECT rect{1, 2, 3, 4};
  ProgressChangedRect(&rect, 0);
  EXPECT_TRUE(IsRectEmpty(&rect) && rect.left == 0 && rect.top == 0) << "not loaded";
  ProgressChangedRect(nullptr, 1);

  ASSERT_EQ(ProgressLoad(GetSetupState()->mainWindow), 1);
  struct Case {
    int which;
    RECT expected;
  };
  const Case cases[] = {{0, {0, 0, kWidth, kHeight}},
                        {1, {17, 213, 417, 256}},
                        {2, {}},
                        {-1, {}}};
  for (const Case& c : cases) {
    ProgressChangedRect(&rect, c.which);
    EXPECT_TRUE(EqualRect(&rect, &c.expected)) << c.which;
  }
}

TEST_F(ProgressScreenTest, EveryOperationIsHarmlessWithoutTheSkin) {
  ProgressSetTitle("title");
  ProgressSetDetail("detail");
  ProgressSetTotal(3);
  ProgressSetPosition(1);
  EXPECT_EQ(ProgressStep(), 0);
  EXPECT_EQ(ProgressAbortRequested(), 1);
  ProgressFree();

  // The dialog made without a skin paints nothing and ignores the keys and the mouse.
  CreateDialogWindow();
  Click(kCancelCentre);
  PostMessageA(skin_, WM_KEYDOWN, VK_ESCAPE, 0);
  Pump();
  EXPECT_EQ(BoxAnswerer::answered, 0);
  EXPECT_EQ(ProgressAbortRequested(), 1);
}

TEST_F(ProgressScreenTest, MissingSkinFilesLoadNothing) {
  const std::string skin = ScratchPath("progress_skin");
  const std::string complete = GetSetupState()->skinDir;
  const char* files[] = {"status.jpg", "statusa.BMP", "cancel.jpg", "cancela.bmp"};
  for (const char* missing : files) {
    SCOPED_TRACE(missing);
    RemoveTree(skin);
    ASSERT_TRUE(MakeDirectories(skin));
    for (const char* file : files) {
      if (file != missing) CopyFileA((complete + file).c_str(), (skin + file).c_str(), FALSE);
    }
    lstrcpyA(GetSetupState()->skinDir, skin.c_str());
    const std::size_t live = ImgLiveBlocks();
    EXPECT_EQ(ProgressLoad(GetSetupState()->mainWindow), 0);
    EXPECT_EQ(ImgLiveBlocks(), live);
    EXPECT_EQ(ProgressAbortRequested(), 1);
    EXPECT_EQ(ProgressStep(), 0);
  }
  RemoveTree(skin);
}

TEST_F(ProgressScreenTest, CancelShowsPressedAtOnceAndANoChangesNothing) {
  Open();
  ASSERT_TRUE(MessageBoxAsks());
  const int asked = BoxAnswerer::answered;

  const auto cancelLook = [&] { return PixelColour(Shot().get(), kCancelCentre.x, kCancelCentre.y); };
  Press(kCancelCentre);
  EXPECT_TRUE(Near(cancelLook(), 80, 0, 80));

  // Dragged off, the button looks released; released there, nothing is asked.
  Move(POINT{5, 5});
  EXPECT_TRUE(Near(cancelLook(), 160, 0, 160));
  Move(kCancelCentre);
  EXPECT_TRUE(Near(cancelLook(), 80, 0, 80));
  Move(POINT{5, 5});
  Release(POINT{5, 5});
  EXPECT_EQ(BoxAnswerer::answered, asked);
  EXPECT_EQ(GetCapture(), nullptr);

  // Released over it: the question, whose no changes nothing.
  Click(kCancelCentre);
  EXPECT_EQ(BoxAnswerer::answered, asked + 1);
  EXPECT_EQ(ProgressAbortRequested(), 0);
  EXPECT_TRUE(Near(cancelLook(), 160, 0, 160));

  // A press beside the button is no press.
  Click(POINT{150, 270});
  EXPECT_EQ(BoxAnswerer::answered, asked + 1);
}

TEST_F(ProgressScreenTest, EscapeAndEnterAskTheSameQuestion) {
  Open();
  ASSERT_TRUE(MessageBoxAsks());
  // The display's late focus events may leave the owner active; once the progress screen
  // is active, its skin window holds the focus.
  SetForegroundWindow(dialog_);
  Pump();
  EXPECT_EQ(GetFocus(), skin_) << "keys reach the skin window";
  const RECT marker{300, 40, 310, 50};
  auto markerShown = [&] {
    const ImagePtr shot = Shot();
    return Near(PixelColour(shot.get(), 305, 45), 0, 255, 0);
  };
  struct Case {
    WPARAM key;
    bool asks;
  };
  for (const Case c : {Case{VK_ESCAPE, true}, Case{VK_RETURN, true}, Case{'A', false}}) {
    SCOPED_TRACE(c.key);
    {  // Paint over the window behind its back: only a repaint of it all takes this away.
      const WindowDC dc(skin_);
      HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
      FillRect(dc.get(), &marker, green);
      DeleteObject(green);
    }
    ASSERT_TRUE(markerShown());
    const int before = BoxAnswerer::answered;
    PostMessageA(GetFocus(), WM_KEYDOWN, c.key, 0);
    Pump();
    EXPECT_EQ(markerShown(), !c.asks);
    EXPECT_EQ(BoxAnswerer::answered - before, c.asks ? 1 : 0);
    EXPECT_EQ(ProgressAbortRequested(), 0);
  }
}

TEST_F(ProgressScreenTest, AYesEndsTheInstallAtTheNextPoll) {
  Open();
  ASSERT_TRUE(MessageBoxAsks());
  BoxAnswerer::click = kMessageYesPoint;
  Click(kCancelCentre);
  BoxAnswerer::click = kMessageNoPoint;
  EXPECT_EQ(ProgressAbortRequested(), 1);
  Click(kCancelCentre);  // a later "no" does not take it back
  EXPECT_EQ(ProgressAbortRequested(), 1);
}

}  // namespace
}  // namespace kolta::test
