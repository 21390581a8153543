// A fixture for the screen tests: the setup state as start-up leaves it, over a copy of the
// flat test skin beside the test program (made by make_test_skin.py) and a settings file,
// both in a short scratch folder of the test's own that stands for the medium, with a
// painted 600 x 450 main window centred on the screen; and finding a screen, and the
// message box's buttons, as a test clicks them.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "dib_ops.h"
#include "scratch_folder.h"
#include "setup_state.h"
#include "win_test_files.h"

namespace kolta::test {

inline constexpr COLORREF kMainWindowColour = RGB(40, 60, 120);

// Points inside the message box's buttons of the test skin (OK 36 x 28, yes and no 46 x 28
// at 118,105, 94,105 and 143,106), in the box's client coordinates.
inline constexpr POINT kMessageOkPoint{118 + 18, 105 + 14};
inline constexpr POINT kMessageYesPoint{94 + 23, 105 + 14};
inline constexpr POINT kMessageNoPoint{143 + 23, 106 + 14};
inline constexpr char kMessageSkinClass[] = "KOLTASETUP_MSG";

struct ScreenSearch {
  const char* skinClass;
  HWND except;
  HWND found;
};

// Puts the pointer on a client point of the window, as a user's hand would before pressing
// or releasing there: a screen that captured the mouse follows the pointer itself.
inline void PointAt(HWND window, int x, int y) {
  POINT at{x, y};
  ClientToScreen(window, &at);
  SetCursorPos(at.x, at.y);
}

inline BOOL CALLBACK MatchScreen(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ScreenSearch*>(data);
  if (window == search->except || !IsWindowVisible(window) ||
      !FindWindowExA(window, nullptr, search->skinClass, nullptr)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// The visible top-level window of `thread` that holds a child of class `skinClass`, other
// than `except`; null when there is none.
inline HWND FindScreen(DWORD thread, const char* skinClass, HWND except = nullptr) {
  ScreenSearch search{skinClass, except, nullptr};
  EnumThreadWindows(thread, MatchScreen, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The screen's skin window.
inline HWND SkinWindow(HWND screen, const char* skinClass) {
  return FindWindowExA(screen, nullptr, skinClass, nullptr);
}

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UnitTableCreate();
    SetupState& state = *GetSetupState();
    state = SetupState{};
    state.instance = GetModuleHandleA(nullptr);
    // The build tree may lie too deep for the skin's paths: the medium is a short copy.
    ASSERT_FALSE(scratch_.path().empty());
    const std::string skin = scratch_.CopyFolderIn(ProgramFolder() + "test_skin\\", "test_skin");
    ASSERT_FALSE(skin.empty()) << "cannot copy the test skin";
    ASSERT_LT(skin.size() + 16, sizeof state.skinDir);  // room for the longest file name
    lstrcpyA(state.skinDir, skin.c_str());
    lstrcpyA(state.sourceDir, scratch_.path().c_str());
    lstrcpyA(state.installDir, scratch_.path().c_str());
    state.installMode = 1;

    settings_ = scratch_.Path("SETUP.INI");
    lstrcpyA(state.settingsFile, settings_.c_str());
    WriteSettings("");
    lstrcpyA(state.appName, "Screen Test");
    lstrcpyA(state.fontName, "Arial");
    state.titleFont = Font(24, FW_BOLD);
    state.textFont = Font(13, 0);
    state.messageFont = Font(15, 0);
    state.windowX = (GetSystemMetrics(SM_CXSCREEN) - 600) / 2;
    state.windowY = (GetSystemMetrics(SM_CYSCREEN) - 450) / 2;
    state.mainWindow = MainWindow(state.windowX, state.windowY);
    ASSERT_NE(state.mainWindow, nullptr);
  }

  void TearDown() override {
    SetupState& state = *GetSetupState();
    DestroyWindow(state.mainWindow);
    DeleteObject(state.titleFont);
    DeleteObject(state.textFont);
    DeleteObject(state.messageFont);
    state = SetupState{};
    UnitTableFree();
  }

  // Replaces the settings file: [INI] with the application name, then `sections` as
  // written ("[INFO]\r\nIDS_SUREQUIT=Quit?\r\n").
  void WriteSettings(const std::string& sections) {
    ASSERT_TRUE(WriteFile(settings_, "[INI]\r\nAPPNAME=Screen Test\r\n" + sections));
  }

  // A folder `name` of the test's scratch folder (not made), ending in "\".
  std::string ScratchPath(const char* name) const { return scratch_.Path(name) + "\\"; }

 private:
  static std::string ProgramFolder() {
    char program[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string folder(program, length);
    return folder.erase(folder.rfind('\\') + 1);
  }

  static HFONT Font(int height, int weight) {
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    lstrcpyA(font.lfFaceName, "Arial");
    return CreateFontIndirectA(&font);
  }

  static LRESULT CALLBACK PaintSolid(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HBRUSH brush = CreateSolidBrush(kMainWindowColour);
    FillRect(dc, &paint.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(window, &paint);
    return 0;
  }

  static HWND MainWindow(int x, int y) {
    WNDCLASSA type{};
    type.lpfnWndProc = PaintSolid;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "ScreenTestMain";
    RegisterClassA(&type);  // fails harmlessly once it exists
    HWND window = CreateWindowExA(0, type.lpszClassName, "Screen Test", WS_POPUP | WS_VISIBLE,
                                  x, y, 600, 450, nullptr, nullptr, type.hInstance, nullptr);
    if (window != nullptr) UpdateWindow(window);
    SettleActivation(window);
    return window;
  }

  // The display's focus events for a new window arrive a little later; a screen opened
  // before they did would lose the focus to its owner when they arrive.
  static void SettleActivation(HWND window) {
    for (int tries = 0; tries < 100 && GetForegroundWindow() != window; ++tries) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      Sleep(10);
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }

  ScratchFolder scratch_{"screen"};  // removed, with everything in it, after TearDown
  std::string settings_;
};

}  // namespace kolta::test
