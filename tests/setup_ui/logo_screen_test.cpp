// The logo screen on real Wine windows over a private copy of the flat test skin: its panel
// and buttons over the main window, install (mouse or Enter) loading the setup information,
// and exit asking first through the real message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

#include "message_text_check.h"
#include "modal_driver.h"
#include "screen_test_support.h"
#include "setup_info.h"
#include "setup_screens.h"
#include "setup_state.h"
#include "skin_copy.h"
#include "win_test_files.h"

namespace kolta::test {
namespace {

constexpr char kSkinClass[] = "KOLTASETUP_LOGO";
constexpr int kX = 82, kY = 93, kWidth = 436, kHeight = 324;
constexpr COLORREF kPanel = RGB(200, 180, 120);
constexpr COLORREF kInstall[2] = {RGB(0, 160, 0), RGB(0, 80, 0)};
constexpr COLORREF kExit[2] = {RGB(160, 0, 0), RGB(80, 0, 0)};
constexpr POINT kInstallAt{31, 140}, kExitAt{31, 218};
constexpr POINT kInstallInside{kInstallAt.x + 60, kInstallAt.y + 25};
constexpr POINT kExitInside{kExitAt.x + 50, kExitAt.y + 20};

class LogoScreenTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    if (HasFatalFailure()) return;  // no skin or settings to work on
    WriteSettings(kMessageTexts);
    ClearSetupInfo(*GetSetupInfo());
  }
  void TearDown() override {
    DropQuit();
    ClearSetupInfo(*GetSetupInfo());
    ScreenTest::TearDown();
  }
  // A copy of the test skin without the named files, with a setup information file unless
  // it is among them.
  void UseSkin(std::initializer_list<std::string_view> without) {
    const std::string folder = ScratchPath("logo_skin");
    ASSERT_TRUE(UseSkinCopy(folder, without));
    if (std::find(without.begin(), without.end(), "setuphd.inf") == without.end()) {
      ASSERT_TRUE(WriteFile(folder + "setuphd.inf",
                            "[App]\r\nDefDir=c:\\kolta\r\nSpaceNeeded=1\r\n[End]\r\n"));
    }
  }
  HWND main() const { return GetSetupState()->mainWindow; }
};

// The logo screen's skin window once it is shown; null when it never is.
HWND WaitForLogo(ModalDriver& driver) {
  HWND dialog = WaitForScreen(driver, kSkinClass);
  return dialog ? SkinWindow(dialog, kSkinClass) : nullptr;
}

TEST_F(LogoScreenTest, InstallShowsPressedAtOnceAndLoadsTheSetupInformation) {
  UseSkin({});
  GetSetupState()->installMode = 0;  // the button chooses the hard-disk install itself
  struct Probe {
    POINT at;
    COLORREF expected;
  };
  const Probe probes[] = {
      {{3, 5}, kMainWindowColour},  // the panel's transparent strip
      {{200, 50}, kPanel},
      {kInstallInside, kInstall[0]},
      {{kInstallAt.x + 12, kInstallInside.y}, kInstall[0]},  // past the button's own strips
      {{kInstallAt.x + 5, kInstallInside.y}, kPanel},
      {{kInstallInside.x, kInstallAt.y}, kInstall[0]},
      {{kInstallInside.x, kInstallAt.y - 1}, kPanel},
      {{kInstallInside.x, kInstallAt.y + 49}, kInstall[0]},
      {{kInstallInside.x, kInstallAt.y + 50}, kPanel},
      {kExitInside, kExit[0]},
      {{kExitInside.x, kExitAt.y}, kExit[0]},
      {{kExitInside.x, kExitAt.y - 1}, kPanel},
      {{kExitAt.x + 99, kExitInside.y}, kExit[0]},
      {{kExitAt.x + 100, kExitInside.y}, kPanel},
  };
  RECT placed{};
  COLORREF seen[std::size(probes)]{};
  COLORREF pressed = 0;
  ModalDriver driver([&](ModalDriver& d) {
    HWND skin = WaitForLogo(d);
    if (!skin) return;
    GetWindowRect(GetParent(skin), &placed);
    for (std::size_t i = 0; i < std::size(probes); ++i) {
      seen[i] = WindowPixel(skin, probes[i].at.x, probes[i].at.y);
    }
    // Pressed, dragged onto exit and released there: nothing. The next click installs.
    Press(skin, kInstallInside.x, kInstallInside.y);
    pressed = WindowPixel(skin, kInstallInside.x, kInstallInside.y);
    ReleaseAway(skin, kExitInside.x, kExitInside.y);
    Press(skin, kInstallInside.x, kInstallInside.y);
    Release(skin, kInstallInside.x, kInstallInside.y);
  });
  EXPECT_EQ(ShowLogoScreen(main()), 1);
  EXPECT_EQ(GetSetupState()->installMode, 1);
  EXPECT_STREQ(GetSetupInfo()->defDir, "c:\\kolta");
  const SetupState& state = *GetSetupState();
  EXPECT_EQ(placed.left, state.windowX + kX);
  EXPECT_EQ(placed.top, state.windowY + kY);
  EXPECT_EQ(placed.right - placed.left, kWidth);
  EXPECT_EQ(placed.bottom - placed.top, kHeight);
  for (std::size_t i = 0; i < std::size(probes); ++i) {
    EXPECT_TRUE(Near(seen[i], probes[i].expected))
        << probes[i].at.x << "," << probes[i].at.y << ": " << Rgb(seen[i]);
  }
  EXPECT_TRUE(Near(pressed, kInstall[1])) << Rgb(pressed);
}

TEST_F(LogoScreenTest, EnterInstallsLikeTheButton) {
  UseSkin({});
  ModalDriver driver([](ModalDriver& d) {
    if (HWND skin = WaitForLogo(d)) Key(GetParent(skin), VK_RETURN);
  });
  EXPECT_EQ(ShowLogoScreen(main()), 1);
  EXPECT_STREQ(GetSetupInfo()->defDir, "c:\\kolta");
}

TEST_F(LogoScreenTest, MissingSetupInformationIsReportedAndEndsTheScreen) {
  UseSkin({"setuphd.inf"});
  RECT box{};
  POINT centred{};
  ModalDriver driver([&](ModalDriver& d) {
    HWND skin = WaitForLogo(d);
    if (!skin) return;
    Click(skin, kInstallInside.x, kInstallInside.y);
    // The report is owned by the logo screen: centred on it, which stays visible and is
    // disabled while the report is up, so that a click on it cannot raise the main window
    // over the report.
    HWND message = WaitForScreen(d, kMessageSkinClass);
    if (!message) return;
    const std::string report =
        std::string("No setup information in ") + GetSetupState()->skinDir + "setuphd.inf.";
    EXPECT_LE(MessageTextDifferences(SkinWindow(message, kMessageSkinClass), report), 2);
    GetWindowRect(message, &box);
    const HWND logo = GetParent(skin);
    RECT client{};
    GetClientRect(logo, &client);
    ClientToScreen(logo, &centred);
    centred.x += (client.right - 272) / 2;
    centred.y += (client.bottom - 145) / 2;
    EXPECT_TRUE(IsWindowVisible(logo));
    EXPECT_EQ(GetWindow(message, GW_OWNER), logo);
    EXPECT_FALSE(IsWindowEnabled(logo));
    // Another install command meanwhile (a release with the install button still
    // pressed) is ignored.
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(
        SendMessageTimeoutA(GetParent(skin), WM_COMMAND, 1, 0, SMTO_NORMAL, 5000, &ignored));
    EXPECT_EQ(FindScreen(d.uiThread(), kMessageSkinClass, message), nullptr);
    Key(message, VK_RETURN);
  });
  EXPECT_EQ(ShowLogoScreen(main()), 0);
  EXPECT_EQ(box.left, centred.x);
  EXPECT_EQ(box.top, centred.y);
  EXPECT_EQ(GetSetupInfo()->section, 0u);
}

TEST_F(LogoScreenTest, ExitAsksAndNoKeepsTheScreenWithButtonsReleased) {
  UseSkin({});
  COLORREF pressed = 0;
  bool released = false, stayed = false;
  RECT logo{}, box{};
  ModalDriver driver([&](ModalDriver& d) {
    HWND skin = WaitForLogo(d);
    if (!skin) return;
    HWND dialog = GetParent(skin);
    GetWindowRect(dialog, &logo);
    Press(skin, kExitInside.x, kExitInside.y);
    pressed = WindowPixel(skin, kExitInside.x, kExitInside.y);
    Release(skin, kExitInside.x, kExitInside.y);

    HWND question = WaitForScreen(d, kMessageSkinClass);
    if (!question) return;
    EXPECT_LE(MessageTextDifferences(SkinWindow(question, kMessageSkinClass),
                                     "Quit the test setup?"),
              2);
    GetWindowRect(question, &box);
    Click(SkinWindow(question, kMessageSkinClass), kMessageNoPoint.x, kMessageNoPoint.y);
    if (!WaitUntilClosed(question)) return d.Abandon("the question stayed open");
    released = WaitForPixel(skin, kExitInside.x, kExitInside.y, kExit[0]);
    stayed = IsWindowVisible(dialog);

    // Asked again, yes ends the screen.
    Click(skin, kExitInside.x, kExitInside.y);
    question = WaitForScreen(d, kMessageSkinClass);
    if (question) Click(SkinWindow(question, kMessageSkinClass), kMessageYesPoint.x, kMessageYesPoint.y);
  });
  EXPECT_EQ(ShowLogoScreen(main()), 0);
  EXPECT_TRUE(Near(pressed, kExit[1])) << Rgb(pressed);
  EXPECT_TRUE(released);
  EXPECT_TRUE(stayed);
  // The question is centred on the logo screen.
  EXPECT_EQ(box.left, logo.left + (kWidth - 272) / 2);
  EXPECT_EQ(box.top, logo.top + (kHeight - 145) / 2);
  EXPECT_EQ(GetSetupInfo()->section, 0u);  // nothing was loaded
}

TEST_F(LogoScreenTest, MissingSkinFileShowsNothing) {
  for (const char* missing :
       {"logo.jpg", "logoa.bmp", "setuphd.jpg", "setuphda.bmp", "exit.jpg", "exita.bmp"}) {
    UseSkin({missing});
    EXPECT_EQ(ShowLogoScreen(main()), 0) << missing;
    EXPECT_EQ(FindScreen(GetCurrentThreadId(), kSkinClass), nullptr);
  }
}

}  // namespace
}  // namespace kolta::test
