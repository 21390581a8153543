// Driving the modal screens from a second thread while the test's thread runs their
// dialog loop: finding a screen by its skin window, reading what the screen shows, and
// sending the mouse and keys to it. Every wait polls a bounded number of times; a driver
// that cannot go on ends the test thread's modal loops with WM_QUIT, so that a failing test
// fails instead of hanging.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "screen_test_support.h"

namespace kolta::test {

inline constexpr int kPollAttempts = 500;
inline constexpr DWORD kPollPause = 10;

// Runs the script on a thread of its own; joined when the driver goes out of scope.
class ModalDriver {
 public:
  explicit ModalDriver(std::function<void(ModalDriver&)> script)
      : uiThread_(GetCurrentThreadId()), thread_([this, script] { script(*this); }) {}
  ~ModalDriver() { thread_.join(); }
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  DWORD uiThread() const { return uiThread_; }

  // Gives up: records the failure and makes the test thread's modal loops end.
  void Abandon(const std::string& why) {
    ADD_FAILURE() << why;
    PostThreadMessageA(uiThread_, WM_QUIT, 0, 0);
  }

 private:
  DWORD uiThread_;
  std::thread thread_;
};

// Polls until the window has painted all of itself: its update region is empty, and the
// round trip of a sent message waits for a paint that has begun to end.
inline bool WaitUntilPainted(HWND window) {
  for (int attempt = 0; attempt < kPollAttempts; ++attempt) {
    if (!GetUpdateRect(window, nullptr, FALSE)) return SendMessageA(window, WM_NULL, 0, 0) == 0;
    Sleep(kPollPause);
  }
  return false;
}

// Polls until the screen is shown and painted; null (and the driver abandoned) when it
// never is.
inline HWND WaitForScreen(ModalDriver& driver, const char* skinClass, HWND except = nullptr) {
  for (int attempt = 0; attempt < kPollAttempts; ++attempt) {
    if (HWND screen = FindScreen(driver.uiThread(), skinClass, except)) {
      if (WaitUntilPainted(SkinWindow(screen, skinClass))) return screen;
      break;
    }
    Sleep(kPollPause);
  }
  driver.Abandon(std::string("no screen with a painted ") + skinClass + " window appeared");
  return nullptr;
}

// Polls until the window is gone.
inline bool WaitUntilClosed(HWND window) {
  for (int attempt = 0; attempt < kPollAttempts && IsWindow(window); ++attempt) Sleep(kPollPause);
  return !IsWindow(window);
}

// The colour at a point of the screen.
inline COLORREF ScreenPixel(int x, int y) {
  HDC dc = GetDC(nullptr);
  const COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(nullptr, dc);
  return colour;
}

// The colour at a client point of a window, as the window shows it.
inline COLORREF WindowPixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return colour;
}

// Whether two colours differ by at most `tolerance` in every channel (the flat colours of
// the test skin pass through JPEG).
inline bool Near(COLORREF a, COLORREF b, int tolerance = 8) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

inline std::string Rgb(COLORREF c) {
  return std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
         std::to_string(GetBValue(c));
}

// Polls until the window shows the colour at the point (a repaint the test thread does
// after a command).
inline bool WaitForPixel(HWND window, int x, int y, COLORREF colour) {
  for (int attempt = 0; attempt < kPollAttempts; ++attempt) {
    if (Near(WindowPixel(window, x, y), colour)) return true;
    Sleep(kPollPause);
  }
  return false;
}

// Presses the left button at a client point of the skin window (the press shows before
// this returns) and leaves it pressed.
inline void Press(HWND skin, int x, int y) {
  PointAt(skin, x, y);
  SendMessageA(skin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}
inline void Release(HWND skin, int x, int y) {
  PointAt(skin, x, y);
  PostMessageA(skin, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}
// A release that issues no command (it is not over the pressed button), handled before this
// returns: a later press, which is sent, must not overtake it.
inline void ReleaseAway(HWND skin, int x, int y) {
  PointAt(skin, x, y);
  SendMessageA(skin, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}
inline void Click(HWND skin, int x, int y) {
  Press(skin, x, y);
  Release(skin, x, y);
}

// A key as the dialog manager sees it in the modal loop.
inline void Key(HWND dialog, WPARAM key) { PostMessageA(dialog, WM_KEYDOWN, key, 0); }

// Removes a WM_QUIT an abandoned driver left for the test thread.
inline void DropQuit() {
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace kolta::test
