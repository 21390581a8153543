// The destination screen under Wine: the real dialog with its real edit box, folder list
// and drive list over the test skin, driven step by step from a timer of the screen's own
// thread. A timer message comes only once the queue is empty, so every step sees the
// screen with all earlier input handled and painted.
//
// Questions and notices go through SetupMessage. The steps check the text of its box
// against the one the settings give for the expected message, and answer it by clicking
// its yes, no or OK cell; a step that finds no box fails.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "../imagelib/image_test_support.h"
#include "dib_gdi.h"
#include "gdi_owners.h"
#include "message_text_check.h"
#include "screen_test_support.h"
#include "setup_info.h"
#include "setup_info_file.h"
#include "setup_resources.h"
#include "setup_screens.h"

namespace kolta::test {
namespace {

using Step = std::function<void(HWND dialog)>;

constexpr char kRoot[] = "c:\\kolta_dest\\";
constexpr int kClosedByTest = 7;
constexpr POINT kNextPoint = {340, 225}, kExitPoint = {340, 269};
enum class Answer { Ok, Yes, No };

// The messages as the settings (kMessageTexts) give them.
const std::string kSureQuit = "Quit the test setup?";
const std::string kInvalidDir = "Not a folder one can install to.";
std::string MissingFolder(const std::string& path) {
  return "Make the missing folder " + path + "?";
}
// Drive C: is shared with other programs, whose writes may move its free megabytes a
// little between the screen's measure and the test's.
std::vector<std::string> NoSpaceOnC(unsigned neededMB) {
  ULARGE_INTEGER free{};
  GetDiskFreeSpaceExA("C:\\", nullptr, nullptr, &free);
  const long long freeMB = static_cast<long long>(free.QuadPart >> 20);
  std::vector<std::string> texts;
  for (long long mb = freeMB - 8; mb <= freeMB + 8; ++mb) {
    texts.push_back("Drive c: has " + std::to_string(mb) + " MB free, " + std::to_string(neededMB) +
                    " MB are needed.");
  }
  return texts;
}

// ---- Driving the screen from its thread's timer ----

struct Driver {
  std::vector<Step> steps;
  std::size_t next = 0;
};
Driver* g_driver = nullptr;

BOOL CALLBACK FindDestination(HWND window, LPARAM found) {
  if (IsWindowVisible(window) && GetDlgItem(window, kDestinationDriveList)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

template <WNDENUMPROC Find>
HWND ThreadWindow() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&found));
  return found;
}

// A press and a release at a client point of the window under it.
void Click(HWND window, POINT point) {
  HWND target = ChildWindowFromPoint(window, point);
  if (!target) target = window;
  MapWindowPoints(window, target, &point, 1);
  PostMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
  PostMessageA(target, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_driver) return;
  HWND dialog = ThreadWindow<FindDestination>();
  if (g_driver->next < g_driver->steps.size()) {
    g_driver->steps[g_driver->next++](dialog);
  } else if (dialog && !FindScreen(GetCurrentThreadId(), kMessageSkinClass)) {
    EndDialog(dialog, kClosedByTest);
  }
}

// Steps.
Step Type(std::string text) {
  return [text](HWND dialog) { SetDlgItemTextA(dialog, kDestinationEdit, text.c_str()); };
}
Step Press(POINT point) {
  return [point](HWND dialog) { Click(dialog, point); };
}
// Checks that the message box shows one of the texts, and answers it.
Step Reply(Answer answer, std::vector<std::string> texts) {
  return [answer, texts](HWND) {
    HWND box = FindScreen(GetCurrentThreadId(), kMessageSkinClass);
    ASSERT_NE(box, nullptr) << "no message box for " << texts.front();
    int fewest = 1 << 20;
    for (const std::string& text : texts) {
      fewest = std::min(fewest, MessageTextDifferences(SkinWindow(box, kMessageSkinClass), text));
    }
    EXPECT_LE(fewest, 2) << "the box does not show " << texts.front();
    const POINT cell = answer == Answer::Ok    ? kMessageOkPoint
                       : answer == Answer::Yes ? kMessageYesPoint
                                               : kMessageNoPoint;
    Click(box, cell);
  };
}
Step Reply(Answer answer, const std::string& text) {
  return Reply(answer, std::vector<std::string>{text});
}
// A click (and a double click) on an entry of the folder list, with the notifications the
// list sends.
Step ChooseFolder(std::string entry, bool doubleClick) {
  return [entry, doubleClick](HWND dialog) {
    HWND list = GetDlgItem(dialog, kDestinationFolderList);
    const LRESULT index =
        SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(entry.c_str()));
    ASSERT_NE(index, LB_ERR) << entry;
    SendMessageA(list, LB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kDestinationFolderList, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    if (doubleClick) {
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kDestinationFolderList, LBN_DBLCLK),
                   reinterpret_cast<LPARAM>(list));
    }
  };
}
Step ChooseDrive(char letter) {
  return [letter](HWND dialog) {
    HWND drives = GetDlgItem(dialog, kDestinationDriveList);
    const char entry[] = {'[', '-', letter, '-', ']', '\0'};
    const LRESULT index =
        SendMessageA(drives, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(entry));
    ASSERT_NE(index, CB_ERR) << entry;
    SendMessageA(drives, CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kDestinationDriveList, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(drives));
  };
}

std::string EditText(HWND dialog) {
  char text[512] = {};
  GetDlgItemTextA(dialog, kDestinationEdit, text, sizeof text);
  return text;
}
Step ExpectEdit(std::string expected) {
  return [expected](HWND dialog) {
    ASSERT_NE(dialog, nullptr) << "the screen closed before " << expected;
    EXPECT_EQ(EditText(dialog), expected);
  };
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class DestinationScreenTest : public ScreenTest {
 protected:
  static constexpr RECT kLineBox = {27, 0, 27 + 220, 16};  // a text line's box, from its top
  // Dark pixels that may differ between a line and the same text drawn by the test (the
  // panel's JPEG colour varies by a few steps), and that differ at least between texts
  // with one other digit ("0" and "8" differ in 5 pixels of this font).
  static constexpr int kSameText = 2, kOtherText = 4;

  void SetUp() override {
    ScreenTest::SetUp();
    if (HasFatalFailure()) return;  // no skin or settings to work on
    SetupState& state = *GetSetupState();
    skin_ = ScratchPath("destination_skin");
    RemoveTree(skin_);
    ASSERT_TRUE(MakeDirectories(skin_));
    CopySkin(state.skinDir);
    lstrcpyA(state.skinDir, skin_.c_str());
    RemoveTree(kRoot);
    ASSERT_TRUE(MakeDirectories(kRoot));
    WriteSettings(std::string(kMessageTexts) +
                  "[DIALOG]\r\nSETUPHD=Install to the hard disk\r\nDIRNEADDISKSPACE=Needed:\r\n"
                  "DIRDISKSPACE=Free:\r\n");
  }

  void TearDown() override {
    ClearSetupInfo(*GetSetupInfo());
    SetCurrentDirectoryA(skin_.c_str());
    RemoveTree(kRoot);
    SetCurrentDirectoryA("c:\\");
    RemoveTree(skin_);
    ScreenTest::TearDown();
  }

  void CopySkin(const std::string& from) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((from + "*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CopyFileA((from + found.cFileName).c_str(), (skin_ + found.cFileName).c_str(), FALSE);
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }

  // The setup information of the test's skin folder, loaded as the logo screen does.
  void LoadInfo(const std::string& defDir, const std::string& spaceNeeded = "1") {
    ASSERT_TRUE(WriteFile(skin_ + "setuphd.inf",
                          "[Version]\r\nSignature=Kolta\r\n[App]\r\nDefDir=" + defDir +
                              "\r\nSpaceNeeded=" + spaceNeeded + "\r\n[End]\r\n"));
    ASSERT_EQ(LoadSetupInfo(nullptr), 1);
  }

  // Shows the screen and runs the steps one per timer tick; once they are done the screen
  // is closed by the test (kClosedByTest) unless it ended itself.
  int Run(std::vector<Step> steps) {
    Driver driver{std::move(steps)};
    g_driver = &driver;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, OnTick);
    const int result = ShowDestinationScreen(GetSetupState()->mainWindow);
    KillTimer(nullptr, timer);
    g_driver = nullptr;
    EXPECT_EQ(driver.next, driver.steps.size()) << "the screen closed before every step ran";
    return result;
  }

  static std::string InstallDir() { return GetSetupState()->installDir; }

  // A text line of the screen as painted, and the same text drawn by GDI on the panel's
  // colour, as dark-pixel maps.
  static std::vector<bool> ShownLine(HWND dialog, int top) {
    const WindowDC dc(dialog);
    return DarkPixelsOf(dc.get(), kLineBox.left, top, kLineBox.right - kLineBox.left,
                        kLineBox.bottom);
  }
  static std::vector<bool> ExpectedLine(HWND dialog, const char* text) {
    const WindowDC screen(dialog);
    const int width = kLineBox.right - kLineBox.left, height = kLineBox.bottom;
    BitmapPtr bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    const MemoryDC dc(screen.get(), bitmap.get());
    const RECT all = {0, 0, width, height};
    HBRUSH panel = CreateSolidBrush(RGB(180, 200, 140));
    FillRect(dc.get(), &all, panel);
    DeleteObject(panel);
    const Selected font(dc.get(), GetSetupState()->textFont);
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), RGB(0, 0, 0));
    TextOutA(dc.get(), 0, 0, text, lstrlenA(text));
    return DarkPixelsOf(dc.get(), 0, 0, width, height);
  }

  std::string skin_;
};

TEST_F(DestinationScreenTest, ShowsAndCreatesTheDefaultFolderAndAcceptsIt) {
  const std::string folder = std::string(kRoot) + "New\\Deep\\Folder";
  LoadInfo(folder + "\\");
  const int result = Run({
      ExpectEdit(folder),
      [&](HWND dialog) {
        EXPECT_TRUE(FolderExists(folder));
        RECT rect;
        GetWindowRect(dialog, &rect);
        const SetupState& state = *GetSetupState();
        EXPECT_EQ(rect.left, state.windowX + 82);
        EXPECT_EQ(rect.top, state.windowY + 93);
        EXPECT_EQ(rect.right - rect.left, 436);
        EXPECT_EQ(rect.bottom - rect.top, 324);
        // The folder list shows the parent's subfolders with the folder selected.
        char selected[128] = {};
        HWND list = GetDlgItem(dialog, kDestinationFolderList);
        SendMessageA(list, LB_GETTEXT, SendMessageA(list, LB_GETCURSEL, 0, 0),
                     reinterpret_cast<LPARAM>(selected));
        EXPECT_STREQ(selected, "[Folder]");
        EXPECT_NE(SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1),
                               reinterpret_cast<LPARAM>("[..]")),
                  LB_ERR);
        HWND drives = GetDlgItem(dialog, kDestinationDriveList);
        char drive[32] = {};
        SendMessageA(drives, CB_GETLBTEXT, SendMessageA(drives, CB_GETCURSEL, 0, 0),
                     reinterpret_cast<LPARAM>(drive));
        EXPECT_STREQ(drive, "[-c-]");
      },
      Press(kNextPoint),
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(InstallDir(), std::string(kRoot) + "new\\deep\\folder\\");
}

TEST_F(DestinationScreenTest, ControlsSitAtTheirPixelsWithTheTextFontAndTheFolderSelected) {
  ASSERT_TRUE(MakeDirectories(std::string(kRoot) + "games\\"));
  LoadInfo(std::string(kRoot) + "game");
  // The drive list's field takes one line of its font and the folder list whole lines,
  // so their heights may be a little less (or, for the field, a little more) than given.
  const struct {
    int id;
    RECT rect;
    int minHeight, maxHeight;
  } places[] = {{kDestinationDriveList, {85, 27, 155, 47}, 18, 24},
                {kDestinationEdit, {85, 85, 325, 105}, 20, 20},
                {kDestinationFolderList, {85, 115, 325, 210}, 95 - 20, 95}};
  Run({[&](HWND dialog) {
    for (const auto& place : places) {
      HWND control = GetDlgItem(dialog, place.id);
      RECT rect;
      GetWindowRect(control, &rect);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
      EXPECT_EQ(rect.left, place.rect.left) << place.id;
      EXPECT_EQ(rect.top, place.rect.top) << place.id;
      EXPECT_EQ(rect.right, place.rect.right) << place.id;
      EXPECT_GE(rect.bottom - rect.top, place.minHeight) << place.id;
      EXPECT_LE(rect.bottom - rect.top, place.maxHeight) << place.id;
      EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)),
                GetSetupState()->textFont);
    }
    // The default folder's own entry is selected, not one that merely begins like it.
    char selected[128] = {};
    HWND list = GetDlgItem(dialog, kDestinationFolderList);
    SendMessageA(list, LB_GETTEXT, SendMessageA(list, LB_GETCURSEL, 0, 0),
                 reinterpret_cast<LPARAM>(selected));
    EXPECT_STREQ(selected, "[game]");
    // The drive list drops a list of several drives below its field.
    RECT dropped;
    SendDlgItemMessageA(dialog, kDestinationDriveList, CB_GETDROPPEDCONTROLRECT, 0,
                        reinterpret_cast<LPARAM>(&dropped));
    EXPECT_GT(dropped.bottom - dropped.top, 100);
  }});
}

TEST_F(DestinationScreenTest, InvalidPathsKeepTheScreenOpenWithTheTextAsTyped) {
  const std::string folder = std::string(kRoot) + "game";
  LoadInfo(folder);
  const std::string invalid[] = {
      "c:\\",
      "c:",
      "c:\\games\\..",
      "\\\\server\\share",
      "c:\\" + std::string(124, 'a'),  // 127 characters: no room for the backslash
      "c:\\" + std::string(300, 'a'),  // more than the field holds
  };
  std::vector<Step> steps;
  for (const std::string& typed : invalid) {
    steps.insert(steps.end(),
                 {Type(typed), Press(kNextPoint), Reply(Answer::Ok, kInvalidDir), ExpectEdit(typed)});
  }
  EXPECT_EQ(Run(steps), kClosedByTest);
  EXPECT_EQ(InstallDir(), folder + "\\");
}

TEST_F(DestinationScreenTest, OneTrailingDotIsAName) {
  const std::string folder = std::string(kRoot) + "Games.";
  LoadInfo(std::string(kRoot) + "game");
  // A folder name cannot end in a dot on Windows: the path reaches the folder test, which
  // finds the folder ("games") and accepts it as typed.
  ASSERT_TRUE(MakeDirectories(std::string(kRoot) + "games\\"));
  EXPECT_EQ(Run({Type(folder), Press(kNextPoint)}), 1);
  EXPECT_EQ(InstallDir(), std::string(kRoot) + "games.\\");
}

TEST_F(DestinationScreenTest, TooLittleSpaceIsRefused) {
  // More than a message's number holds: the message says the most it can.
  LoadInfo(std::string(kRoot) + "game", "4000000000");
  EXPECT_EQ(Run({Press(kNextPoint), Reply(Answer::Ok, NoSpaceOnC(2147483647)),
                 ExpectEdit(std::string(kRoot) + "game")}),
            kClosedByTest);
}

TEST_F(DestinationScreenTest, MissingFolderAnsweredNoStaysOpenAndCreatesNothing) {
  LoadInfo(std::string(kRoot) + "game");
  const std::string missing = std::string(kRoot) + "missing\\level";
  EXPECT_EQ(Run({Type(missing), Press(kNextPoint), Reply(Answer::No, MissingFolder(missing)),
                 ExpectEdit(missing)}),
            kClosedByTest);
  EXPECT_FALSE(FolderExists(std::string(kRoot) + "missing"));
}

TEST_F(DestinationScreenTest, MissingFolderAnsweredYesIsCreatedAndAccepted) {
  LoadInfo(std::string(kRoot) + "game");
  const std::string missing = std::string(kRoot) + "Missing\\Level\\Three";
  EXPECT_EQ(Run({Type(missing), Press(kNextPoint), Reply(Answer::Yes, MissingFolder(missing))}),
            1);
  EXPECT_TRUE(FolderExists(missing));
  EXPECT_EQ(InstallDir(), std::string(kRoot) + "missing\\level\\three\\");
}

TEST_F(DestinationScreenTest, AnAcceptedPathIsStoredInLowerCaseWithItsBackslash) {
  LoadInfo(std::string(kRoot) + "game");
  ASSERT_TRUE(MakeDirectories("C:\\Program Files\\Game\\"));
  EXPECT_EQ(Run({Type("C:\\Program Files\\Game"), Press(kNextPoint)}), 1);
  EXPECT_EQ(InstallDir(), "c:\\program files\\game\\");
  RemoveTree("C:\\Program Files\\Game\\");
}

TEST_F(DestinationScreenTest, ExitAnsweredNoStaysOpenAndYesQuits) {
  LoadInfo(std::string(kRoot) + "game");
  EXPECT_EQ(Run({Press(kExitPoint), Reply(Answer::No, kSureQuit),
                 ExpectEdit(std::string(kRoot) + "game")}),
            kClosedByTest);
  EXPECT_EQ(Run({Press(kExitPoint), Reply(Answer::Yes, kSureQuit)}), 0);
  EXPECT_EQ(InstallDir(), std::string(kRoot) + "game\\");
}

TEST_F(DestinationScreenTest, FolderListChoicesComposeThePath) {
  const std::string games = std::string(kRoot) + "games";
  ASSERT_TRUE(MakeDirectories(games + "\\alpha\\"));
  ASSERT_TRUE(MakeDirectories(games + "\\beta\\"));
  LoadInfo(games + "\\alpha");
  const int result = Run({
      ChooseFolder("[beta]", false),
      ExpectEdit(games + "\\beta"),
      // The parent entry goes up two levels and steps into the first entry there.
      ChooseFolder("[..]", true),
      ExpectEdit(std::string(kRoot) + ".."),
      [](HWND dialog) {
        EXPECT_NE(SendDlgItemMessageA(dialog, kDestinationFolderList, LB_FINDSTRINGEXACT,
                                      WPARAM(-1), reinterpret_cast<LPARAM>("[games]")),
                  LB_ERR);
      },
      Press(kNextPoint),  // a path ending in two dots is refused
      Reply(Answer::Ok, kInvalidDir),
      ChooseFolder("[games]", true),
      ExpectEdit(games + "\\.."),
      ChooseFolder("[beta]", false),
      ExpectEdit(games + "\\beta"),
      Press(kNextPoint),
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(InstallDir(), games + "\\beta\\");
}

TEST_F(DestinationScreenTest, ChoicesThatWouldOverflowThePathAreIgnored) {
  // Beside the folder "m" of a 112-character folder: a subfolder whose name makes the path
  // 126 characters long (the most it may hold), and one that would make it 127.
  const std::string deep = std::string(kRoot) + std::string(112 - 14, 'd');
  const std::string longest(13, 'n'), tooLong(14, 'o');
  for (const std::string& name : {std::string("m"), longest, tooLong}) {
    ASSERT_TRUE(MakeDirectories(deep + "\\" + name + "\\"));
  }
  LoadInfo(deep + "\\m");
  const std::string fits = deep + "\\" + longest;
  ASSERT_EQ(fits.size(), 126u);
  const int result = Run({
      ChooseFolder("[" + tooLong + "]", false),
      ExpectEdit(deep + "\\m"),
      // Opening the longest lists it; its first entry "[..]" does not fit behind it.
      ChooseFolder("[" + longest + "]", true),
      ExpectEdit(fits),
      [](HWND dialog) {
        EXPECT_NE(SendDlgItemMessageA(dialog, kDestinationFolderList, LB_FINDSTRINGEXACT,
                                      WPARAM(-1), reinterpret_cast<LPARAM>("[..]")),
                  LB_ERR);
      },
      Press(kNextPoint),
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(InstallDir(), fits + "\\");
}

TEST_F(DestinationScreenTest, AnotherDriveStepsIntoItsFirstFolder) {
  LoadInfo(std::string(kRoot) + "game");
  EXPECT_EQ(Run({ChooseDrive('z'), [](HWND dialog) {
                   const std::string path = EditText(dialog);
                   EXPECT_EQ(path.substr(0, 3), "z:\\");
                   EXPECT_GT(path.size(), 3u);
                 }}),
            kClosedByTest);
  EXPECT_EQ(InstallDir().substr(0, 3), "z:\\");
}

TEST_F(DestinationScreenTest, DrawsTheThreeTextLines) {
  LoadInfo(std::string(kRoot) + "game", "12");
  Run({[](HWND dialog) {
    const int tops[] = {220, 240, 260};
    for (const int top : tops) {
      const auto shown = ShownLine(dialog, top);
      EXPECT_GT(std::count(shown.begin(), shown.end(), true), 20) << "line at " << top;
    }
    const auto needed = ShownLine(dialog, 240);
    EXPECT_LE(DifferingPixels(needed, ExpectedLine(dialog, "Needed: 12M")), kSameText);
    EXPECT_GE(DifferingPixels(needed, ExpectedLine(dialog, "Needed: 13M")), kOtherText);
    const auto first = ShownLine(dialog, 220);
    EXPECT_LE(DifferingPixels(first, ExpectedLine(dialog, "Install to the hard disk")), kSameText);
  }});
}

TEST_F(DestinationScreenTest, FreeSpaceOfADriveThatCannotBeReadIsZero) {
  LoadInfo("q:\\nowhere");
  Run({[](HWND dialog) {
         const auto shown = ShownLine(dialog, 260);
         EXPECT_LE(DifferingPixels(shown, ExpectedLine(dialog, "Free: 0M")), kSameText);
         EXPECT_GE(DifferingPixels(shown, ExpectedLine(dialog, "Free: 8M")), kOtherText);
       },
       Press(kNextPoint), Reply(Answer::Ok, "Drive q: has 0 MB free, 1 MB are needed."),
       ExpectEdit("q:\\nowhere")});
}

// Run under a Chinese locale (ANSI code page 936).
class DestinationDbcs : public DestinationScreenTest {};

TEST_F(DestinationDbcs, AChineseFolderNameKeepsItsBytes) {
  ASSERT_EQ(GetACP(), 936u);
  // U+4E57 (second byte "\") and U+67AB.
  const std::string name = "\x81\x5C\xB7\xE3";
  const std::string folder = std::string(kRoot) + name;
  LoadInfo(folder + "\\");
  const int result = Run({ExpectEdit(folder), Type("C:\\KOLTA_DEST\\" + name + "\\"), Press(kNextPoint)});
  EXPECT_EQ(result, 1);
  EXPECT_EQ(InstallDir(), folder + "\\");
  EXPECT_NE(GetFileAttributesW(L"c:\\kolta_dest\\\u4E57\u67AB"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace kolta::test
