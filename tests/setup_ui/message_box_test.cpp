// The skinned message box on real Wine windows over the flat test skin: its buttons, its
// answers to the mouse and the keys, its texts, its place and background; and the
// platform's message box on a display the skin cannot serve.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

#include "dib_gdi.h"
#include "gdi_owners.h"
#include "image_owners.h"
#include "modal_driver.h"
#include "screen_test_support.h"
#include "setup_screens.h"
#include "setup_state.h"
#include "skin_copy.h"

namespace kolta::test {
namespace {

constexpr int kWidth = 272, kHeight = 145;
constexpr COLORREF kPanel = RGB(230, 230, 200);
constexpr COLORREF kOk[2] = {RGB(0, 200, 200), RGB(0, 100, 100)};
constexpr COLORREF kYes[2] = {RGB(200, 200, 0), RGB(100, 100, 0)};
constexpr COLORREF kNo[2] = {RGB(200, 100, 0), RGB(100, 50, 0)};
constexpr POINT kOkAt{118, 105}, kYesAt{94, 105}, kNoAt{143, 106};
constexpr int kOkWidth = 36, kYesNoWidth = 46, kButtonHeight = 28;
constexpr RECT kTitleRect{11, 10, 244, 30};
constexpr RECT kMessageRect{13, 38, 245, 95};

// What the driver saw of the box before it answered.
struct Seen {
  RECT box{};
  COLORREF at[8]{};
};

class MessageBoxTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    if (HasFatalFailure()) return;  // no skin or settings to work on
    WriteSettings(
        "[INFO]\r\nIDS_SUREQUIT=Quit the setup?\r\nIDS_SETUPGOOD=Done.\r\n"
        "IDS_LONG=This message is far too long for one line of the box, so it goes on "
        "below the first line.\r\n");
  }
  void TearDown() override {
    DropQuit();
    ScreenTest::TearDown();
  }
  HWND main() const { return GetSetupState()->mainWindow; }
};

// Reads the points of the shown box (client points of its skin window), then answers by
// `answer`.
int ShowAndAnswer(HWND owner, const char* key, int mode, std::initializer_list<POINT> points,
                  Seen& seen, const std::function<void(HWND dialog, HWND skin)>& answer) {
  ModalDriver driver([&](ModalDriver& d) {
    HWND dialog = WaitForScreen(d, kMessageSkinClass);
    if (!dialog) return;
    HWND skin = SkinWindow(dialog, kMessageSkinClass);
    GetWindowRect(dialog, &seen.box);
    std::size_t i = 0;
    for (const POINT& p : points) {
      if (i < std::size(seen.at)) seen.at[i++] = WindowPixel(skin, p.x, p.y);
    }
    answer(dialog, skin);
    if (!WaitUntilClosed(dialog)) d.Abandon("the box stayed open");
  });
  return SetupMessage(owner, key, mode);
}

POINT Inside(POINT at, int width) { return {at.x + width / 2, at.y + kButtonHeight / 2}; }

TEST_F(MessageBoxTest, QuestionsShowYesAndNoAndAnswerByTheButtonReleased) {
  struct Case {
    int mode;
    POINT click;
    int result;
  };
  const POINT yes = Inside(kYesAt, kYesNoWidth), no = Inside(kNoAt, kYesNoWidth);
  for (const Case& c : {Case{MB_YESNO, yes, 1}, {MB_YESNO, no, 0}, {MB_OKCANCEL, yes, 1}}) {
    Seen seen;
    COLORREF pressed = 0;
    const int result = ShowAndAnswer(
        main(), "IDS_SUREQUIT", c.mode,
        {yes, no, {kYesAt.x, kYesAt.y}, {kYesAt.x - 1, kYesAt.y + 5}, {kNoAt.x, kNoAt.y},
         {kNoAt.x + 5, kNoAt.y - 1}, {kYesAt.x + kYesNoWidth, yes.y}, {kNoAt.x - 1, no.y}},
        seen, [&](HWND, HWND skin) {
          Press(skin, c.click.x, c.click.y);
          pressed = WindowPixel(skin, c.click.x, c.click.y);
          Release(skin, c.click.x, c.click.y);
        });
    EXPECT_EQ(result, c.result) << c.mode;
    EXPECT_TRUE(Near(seen.at[0], kYes[0])) << Rgb(seen.at[0]);
    EXPECT_TRUE(Near(seen.at[1], kNo[0])) << Rgb(seen.at[1]);
    // Yes starts at 94, 105 and no at 143, 106; the panel lies around and between them.
    EXPECT_TRUE(Near(seen.at[2], kYes[0])) << Rgb(seen.at[2]);
    EXPECT_TRUE(Near(seen.at[3], kPanel)) << Rgb(seen.at[3]);
    EXPECT_TRUE(Near(seen.at[4], kNo[0])) << Rgb(seen.at[4]);
    EXPECT_TRUE(Near(seen.at[5], kPanel)) << Rgb(seen.at[5]);
    EXPECT_TRUE(Near(seen.at[6], kPanel)) << Rgb(seen.at[6]);
    EXPECT_TRUE(Near(seen.at[7], kPanel)) << Rgb(seen.at[7]);
    EXPECT_TRUE(Near(pressed, c.result ? kYes[1] : kNo[1])) << Rgb(pressed);
  }
}

TEST_F(MessageBoxTest, OkBoxAnswersOkEnterAndEscape) {
  const POINT ok = Inside(kOkAt, kOkWidth);
  struct Case {
    const char* how;
    std::function<void(HWND dialog, HWND skin)> answer;
    int result;
  };
  for (const Case& c : {
           Case{"click", [&](HWND, HWND skin) { Click(skin, ok.x, ok.y); }, 1},
           {"Enter", [](HWND dialog, HWND) { Key(dialog, VK_RETURN); }, 1},
           {"Escape", [](HWND dialog, HWND) { Key(dialog, VK_ESCAPE); }, 0},
       }) {
    Seen seen;
    const int result =
        ShowAndAnswer(main(), "IDS_SETUPGOOD", MB_OK,
                      {ok, {kOkAt.x, kOkAt.y}, {kOkAt.x - 1, ok.y}, {kOkAt.x + kOkWidth, ok.y},
                       {ok.x, kOkAt.y - 1}, {Inside(kYesAt, kYesNoWidth).x - 20, ok.y}},
                      seen, c.answer);
    EXPECT_EQ(result, c.result) << c.how;
    EXPECT_TRUE(Near(seen.at[0], kOk[0])) << Rgb(seen.at[0]);
    EXPECT_TRUE(Near(seen.at[1], kOk[0])) << Rgb(seen.at[1]);
    for (int i = 2; i < 5; ++i) {
      EXPECT_TRUE(Near(seen.at[i], kPanel)) << i << " " << Rgb(seen.at[i]);
    }
    EXPECT_TRUE(Near(seen.at[5], kPanel)) << "no yes button: " << Rgb(seen.at[5]);
  }
}

// Pressing yes and releasing anywhere but over yes answers nothing (beside the buttons,
// over no, outside the box); the later click on no answers no.
TEST_F(MessageBoxTest, OnlyAReleaseOverThePressedButtonAnswers) {
  Seen seen;
  const POINT yes = Inside(kYesAt, kYesNoWidth);
  const POINT no = Inside(kNoAt, kYesNoWidth);
  EXPECT_EQ(ShowAndAnswer(main(), "IDS_SUREQUIT", MB_YESNO, {}, seen,
                          [&](HWND, HWND skin) {
                            for (const POINT away : {POINT{250, 20}, no, POINT{-60, -40}}) {
                              Press(skin, yes.x, yes.y);
                              PostMessageA(skin, WM_MOUSEMOVE, MK_LBUTTON,
                                           MAKELPARAM(away.x, away.y));
                              ReleaseAway(skin, away.x, away.y);
                            }
                            Press(skin, no.x, no.y);
                            Release(skin, no.x, no.y);
                          }),
            0);
}

// Columns of the rectangle's rows that hold a pixel the test calls text.
struct Ink {
  int left = -1, right = -1, bottom = -1;
};
template <typename IsText>
Ink FindInk(HWND skin, const RECT& rect, IsText isText) {
  Ink ink;
  ImagePtr shown;
  {
    const WindowDC dc(skin);
    shown.reset(DibFromDC(dc.get(), dc.get(), 0, 0, kWidth, kHeight));
  }
  if (!shown) return ink;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      const std::uint8_t* p = DibPixelAddress(shown.get(), x, y);
      if (!isText(RGB(p[2], p[1], p[0]))) continue;
      if (ink.left < 0 || x < ink.left) ink.left = x;
      ink.right = std::max(ink.right, x);
      ink.bottom = std::max(ink.bottom, y);
    }
  }
  return ink;
}

TEST_F(MessageBoxTest, TitleIsCentredWhereItFitsAndLongMessagesWrap) {
  const auto white = [](COLORREF c) { return GetBValue(c) > 240 && GetRValue(c) > 240; };
  const auto black = [](COLORREF c) {
    return GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80;
  };
  struct Case {
    const char* appName;
    const char* key;
    bool titleCentred;
    bool wrapped;
  };
  for (const Case& c : {Case{"Kolta", "IDS_SETUPGOOD", true, false},
                        {"Kolta Demo Setup, with a title much wider than the box", "IDS_LONG",
                         false, true}}) {
    lstrcpyA(GetSetupState()->appName, c.appName);
    Ink title, message;
    ModalDriver driver([&](ModalDriver& d) {
      HWND dialog = WaitForScreen(d, kMessageSkinClass);
      if (!dialog) return;
      HWND skin = SkinWindow(dialog, kMessageSkinClass);
      title = FindInk(skin, kTitleRect, white);
      message = FindInk(skin, kMessageRect, black);
      Key(dialog, VK_RETURN);
    });
    EXPECT_EQ(SetupMessage(main(), c.key, MB_OK), 1);
    ASSERT_GE(title.left, 0) << c.appName;
    ASSERT_GE(message.left, 0) << c.key;
    if (c.titleCentred) {
      const int middle = (kTitleRect.left + kTitleRect.right) / 2;
      EXPECT_GT(title.left, kTitleRect.left + 40);
      EXPECT_NEAR((title.left + title.right) / 2, middle, 3);
    } else {
      EXPECT_LE(title.left, kTitleRect.left + 2);
      EXPECT_GE(title.right, kTitleRect.right - 3);  // cut at the rectangle's edge
    }
    // A line of the 15-unit font ends well above 38 + 17; a second line reaches below it.
    EXPECT_EQ(message.bottom > kMessageRect.top + 17, c.wrapped) << message.bottom;
    EXPECT_LE(message.left, kMessageRect.left + 2);
  }
}

// A window of one colour; shown when the screen shows it.
class ColourWindow {
 public:
  ColourWindow(COLORREF colour, RECT at) {
    WNDCLASSA type{};
    type.lpfnWndProc = DefWindowProcA;
    type.hInstance = GetModuleHandleA(nullptr);
    type.hbrBackground = CreateSolidBrush(colour);
    type.lpszClassName = "MessageTestBackdrop";
    UnregisterClassA(type.lpszClassName, type.hInstance);
    RegisterClassA(&type);
    window_ = CreateWindowExA(WS_EX_TOPMOST, type.lpszClassName, "", WS_POPUP | WS_VISIBLE,
                              at.left, at.top, at.right - at.left, at.bottom - at.top, nullptr,
                              nullptr, type.hInstance, nullptr);
    UpdateWindow(window_);
    for (int attempt = 0; attempt < kPollAttempts; ++attempt) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      if (Near(ScreenPixel(at.left + 1, at.top + 1), colour, 0)) break;
      Sleep(kPollPause);
    }
  }
  ~ColourWindow() { DestroyWindow(window_); }

 private:
  HWND window_;
};

TEST_F(MessageBoxTest, BoxIsCentredOnItsOwnerOrTheScreenOverWhatLiesBehind) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  constexpr COLORREF kBackdrop = RGB(10, 200, 90);
  struct Case {
    bool owned;
    POINT expected;
    COLORREF behind;
  };
  // The owner moves off the screen's centre; without an owner the box covers a backdrop
  // window over the centre of the screen.
  MoveWindow(main(), 30, 20, 600, 450, TRUE);
  UpdateWindow(main());
  for (const Case& c :
       {Case{true, {30 + (600 - kWidth) / 2, 20 + (450 - kHeight) / 2}, kMainWindowColour},
        {false, {(screenWidth - kWidth) / 2, (screenHeight - kHeight) / 2}, kBackdrop}}) {
    std::unique_ptr<ColourWindow> backdrop;
    if (!c.owned) {
      backdrop = std::make_unique<ColourWindow>(
          kBackdrop, RECT{screenWidth / 2 - 200, screenHeight / 2 - 120, screenWidth / 2 + 200,
                          screenHeight / 2 + 120});
    }
    Seen seen;
    EXPECT_EQ(ShowAndAnswer(c.owned ? main() : nullptr, "IDS_SETUPGOOD", MB_OK,
                            {{2, 70}, {8, 70}, {20, 70}}, seen,
                            [](HWND dialog, HWND) { Key(dialog, VK_RETURN); }),
              1);
    EXPECT_EQ(seen.box.left, c.expected.x) << c.owned;
    EXPECT_EQ(seen.box.top, c.expected.y) << c.owned;
    EXPECT_EQ(seen.box.right - seen.box.left, kWidth);
    EXPECT_EQ(seen.box.bottom - seen.box.top, kHeight);
    // The mask's transparent strip shows what lay behind, its half strip a blend.
    EXPECT_TRUE(Near(seen.at[0], c.behind)) << Rgb(seen.at[0]);
    EXPECT_FALSE(Near(seen.at[1], c.behind, 20)) << Rgb(seen.at[1]);
    EXPECT_FALSE(Near(seen.at[1], kPanel, 20)) << Rgb(seen.at[1]);
    EXPECT_TRUE(Near(seen.at[2], kPanel)) << Rgb(seen.at[2]);
  }
}

// The platform box's caption and the longest text of its static controls.
std::pair<std::string, std::string> PlatformBoxTexts(HWND box) {
  char caption[256] = "";
  GetWindowTextA(box, caption, sizeof caption);
  std::string text;
  for (HWND child = FindWindowExA(box, nullptr, "Static", nullptr); child;
       child = FindWindowExA(box, child, "Static", nullptr)) {
    char buffer[256] = "";
    GetWindowTextA(child, buffer, sizeof buffer);
    if (std::string(buffer).size() > text.size()) text = buffer;
  }
  return {caption, text};
}

// Waits for the platform box over `owner`, notes its texts and clicks `button`.
void AnswerPlatformBox(ModalDriver& d, HWND owner, int button,
                       std::pair<std::string, std::string>& shown) {
  HWND box = WaitForScreen(d, "Button", owner);
  if (!box) return;
  shown = PlatformBoxTexts(box);
  HWND control = GetDlgItem(box, button);
  if (!control) return d.Abandon("the platform box has no such button");
  PostMessageA(control, BM_CLICK, 0, 0);
  if (!WaitUntilClosed(box)) d.Abandon("the platform box stayed open");
}

// Without its skin the box still asks: the platform's box shows the same text, and its
// answer counts (a quit question that could not be asked could never quit).
TEST_F(MessageBoxTest, MissingSkinFileFallsBackToThePlatformBox) {
  struct Case {
    const char* missing;
    int mode;
    int button;
    int result;
  };
  for (const Case& c : {Case{"ms_back.jpg", MB_OK, IDOK, 1}, {"ms_backa.bmp", MB_YESNO, IDYES, 1},
                        {"ms_ok.jpg", MB_OK, IDOK, 1}, {"ms_yes.jpg", MB_YESNO, IDNO, 0},
                        {"ms_no.jpg", MB_YESNO, IDYES, 1}}) {
    SCOPED_TRACE(c.missing);
    ASSERT_TRUE(UseSkinCopy(ScratchPath("message_skin"), {c.missing}));
    std::pair<std::string, std::string> shown;
    ModalDriver driver([&](ModalDriver& d) { AnswerPlatformBox(d, main(), c.button, shown); });
    EXPECT_EQ(SetupMessage(main(), "IDS_SUREQUIT", c.mode), c.result);
    EXPECT_EQ(shown.first, "Screen Test");
    EXPECT_EQ(shown.second, "Quit the setup?");
    EXPECT_EQ(FindScreen(GetCurrentThreadId(), kMessageSkinClass), nullptr);
  }
}

TEST_F(MessageBoxTest, ClassIsRegisteredOnlyWhileABoxIsShown) {
  WNDCLASSA type;
  ModalDriver driver([](ModalDriver& d) {
    HWND dialog = WaitForScreen(d, kMessageSkinClass);
    if (dialog) Key(dialog, VK_ESCAPE);
  });
  EXPECT_EQ(SetupMessage(main(), "IDS_SUREQUIT", MB_YESNO), 0);
  EXPECT_FALSE(GetClassInfoA(GetSetupState()->instance, kMessageSkinClass, &type));
}

// On a display of 640 x 400 (run as a test entry of its own) the skin cannot be shown: the
// platform's message box shows the formatted text with the application's name as caption.
class MessageBoxSmallDisplay : public MessageBoxTest {};

TEST_F(MessageBoxSmallDisplay, PlatformBoxShowsTheSameText) {
  ASSERT_LT(GetSystemMetrics(SM_CYSCREEN), 450);
  WriteSettings(
      "[INFO]\r\nIDS_NODISKSPACE=Drive %c: has %d MB, %d MB are needed.\r\n"
      "IDS_SETUPGOOD=Installed %s.\r\nIDS_SUREQUIT=Quit?\r\n");
  struct Case {
    const char* key;
    int mode;
    int button;
    const char* text;
    int result;
  };
  for (const Case& c : {Case{"IDS_NODISKSPACE", MB_OK, IDOK,
                             "Drive C: has 5 MB, 10 MB are needed.", 1},
                        {"IDS_SETUPGOOD", MB_OK, IDOK, "Installed %s.", 1},
                        {"IDS_SUREQUIT", MB_YESNO, IDNO, "Quit?", 0},
                        {"IDS_SUREQUIT", MB_YESNO, IDYES, "Quit?", 1},
                        {"IDS_MISSING", MB_OK, IDOK, " ", 1}}) {
    std::pair<std::string, std::string> shown;
    ModalDriver driver([&](ModalDriver& d) {
      AnswerPlatformBox(d, GetSetupState()->mainWindow, c.button, shown);
    });
    EXPECT_EQ(SetupMessage(GetSetupState()->mainWindow, c.key, c.mode, 'C', 5, 10), c.result)
        << c.key;
    EXPECT_EQ(shown.first, "Screen Test");
    EXPECT_EQ(shown.second, c.text) << c.key;
  }
}

}  // namespace
}  // namespace kolta::test
