// The main window's step sequence with scripted screens: what starts it, what each screen
// result leads to, codes that are no step, and the setup record after shutdown. The
// messages are recorded; the DirectX step finds nothing to do on the NT family.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "setup_fixture.h"
#include "setup_main.h"
#include "setup_screens.h"

namespace {

// What the scripted screens answer, and how often they were shown.
struct Script {
  int logo = 1, destination = 1, progressLoads = 0;
  int logoShown = 0, destinationShown = 0;
  int repaintsDuringLogo = 0;
} script;

}  // namespace

int ShowLogoScreen(HWND mainWindow) {
  ++script.logoShown;
  // The main window paints while the screen is up, as it does under a modal dialog.
  for (int i = 0; i < script.repaintsDuringLogo; ++i) {
    InvalidateRect(mainWindow, nullptr, FALSE);
    UpdateWindow(mainWindow);
  }
  return script.logo;
}

int ShowDestinationScreen(HWND) {
  ++script.destinationShown;
  return script.destination;
}

int ProgressLoad(HWND) { return script.progressLoads; }
void ProgressFree() {}
INT_PTR CALLBACK ProgressDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
LRESULT CALLBACK ProgressSkinWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
HBITMAP MainWindowBackgroundCreate() { return CreateBitmap(600, 450, 1, 32, nullptr); }
HRGN MainWindowShapeCreate() { return CreateRectRgn(0, 0, 600, 450); }

namespace kolta::test {
namespace {

class SetupSteps : public SetupFixture {
 protected:
  void SetUp() override {
    SetupFixture::SetUp();
    script = Script{};
    WNDCLASSA type{};
    type.lpfnWndProc = SetupMainWndProc;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "KOLTA_STEPS_TEST";
    RegisterClassA(&type);
    // Hidden: a window that is never shown never paints, so only the test that shows it
    // starts the sequence by painting.
    window_ = CreateWindowExA(0, type.lpszClassName, "steps", WS_POPUP, 0, 0, 600, 450, nullptr,
                              nullptr, type.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {}
    SetupFixture::TearDown();
  }

  // Runs the window's messages until the setup ends (its quit message); false when it
  // does not end.
  static bool RunToEnd() {
    MSG message;
    for (int i = 0; i < 10000; ++i) {
      if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        continue;
      }
      if (message.message == WM_QUIT) return true;
      DispatchMessageA(&message);
    }
    return false;
  }

  HWND window_ = nullptr;
};

// One test for the start: it happens once a run, at the first paint.
TEST_F(SetupSteps, TheFirstPaintStartsTheLogoOnceHoweverOftenTheWindowPaints) {
  script.repaintsDuringLogo = 3;
  script.logo = 0;  // the user quits at the logo
  ShowWindow(window_, SW_SHOW);
  for (int i = 0; i < 3; ++i) {
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);  // three paints before the first step runs
  }
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(script.logoShown, 1);
  EXPECT_EQ(script.destinationShown, 0);
  EXPECT_EQ(Shown(), Strings{"IDS_SETUPNOGOOD"});
}

TEST_F(SetupSteps, EachScreenResultLeadsWhereItShould) {
  struct Case {
    SetupStep step;
    int destination, progressLoads;
    Strings shown;
    int destinationShown;
  };
  for (const Case& c : {
           Case{STEP_DESTINATION, -1, 0, {"IDS_SETUPNOGOOD"}, 1},  // a dialog not made
           Case{STEP_DESTINATION, 0, 0, {"IDS_SETUPNOGOOD"}, 1},   // the user quit
           Case{STEP_DESTINATION, 1, 0, {"IDS_SETUPNOGOOD"}, 1},   // no progress screen
           Case{STEP_FINISH, 1, 0, {"IDS_SETUPGOOD"}, 0},
           Case{STEP_FAILED, 1, 0, {"IDS_SETUPNOGOOD"}, 0},
       }) {
    SCOPED_TRACE(::testing::Message() << "step " << c.step << ", destination " << c.destination);
    TearDown();
    SetUp();
    script.destination = c.destination;
    script.progressLoads = c.progressLoads;
    PostMessageA(window_, WM_COMMAND, c.step, 0);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(script.destinationShown, c.destinationShown);
    EXPECT_FALSE(IsWindow(window_));
  }
}

TEST_F(SetupSteps, CodesThatAreNoStepDoNothing) {
  for (const WPARAM code : {WPARAM{4}, WPARAM{5}, WPARAM{9}, WPARAM{11}, WPARAM{0xFFFF}}) {
    SendMessageA(window_, WM_COMMAND, code, 0);
  }
  // A command from a control (lParam names it) is no step either.
  SendMessageA(window_, WM_COMMAND, STEP_FAILED, reinterpret_cast<LPARAM>(window_));
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(script.logoShown + script.destinationShown, 0);
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(SetupSteps, ShutdownZeroesTheSetupRecord) {
  SetupState& state = *GetSetupState();
  state.initialised = 1;
  state.titleFont = CreateFontA(24, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  state.textFont = CreateFontA(13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  state.messageFont = CreateFontA(15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  state.background = MainWindowBackgroundCreate();
  state.windowShape = MainWindowShapeCreate();
  EXPECT_EQ(SetupShutdown(), 0);
  static const SetupState zero{};
  EXPECT_EQ(std::memcmp(&state, &zero, sizeof state), 0);
}

}  // namespace
}  // namespace kolta::test
