// Steps every skinned modal screen takes around its SkinDialog: registering its skin
// window's class, loading its panel and buttons, placing its dialog, and the messages its
// skin window handles the same way on every screen.
#pragma once

#include <windows.h>
#include <windowsx.h>

#include <memory>

#include "setup_state.h"
#include "skin_dialog.h"
#include "skin_files.h"
#include "skin_panel.h"

// Owns a screen's object (a record with a SkinDialog `skin`): frees its skin (buttons, then
// bitmaps), then the record.
template <typename Screen>
struct SkinScreenDeleter {
  void operator()(Screen* screen) const {
    SkinDialogFree(&screen->skin);
    delete screen;
  }
};
template <typename Screen>
using SkinScreenPtr = std::unique_ptr<Screen, SkinScreenDeleter<Screen>>;

// Registers the class of a screen's skin window: redrawn whole when resized, the arrow
// cursor, no background brush (the window paints every pixel). A class that exists
// already (a screen shown inside another's modal loop) stays as it is.
inline void RegisterSkinWindowClass(const char* name, WNDPROC procedure) {
  WNDCLASSA type{};
  type.style = CS_HREDRAW | CS_VREDRAW;
  type.lpfnWndProc = procedure;
  type.hInstance = GetSetupState()->instance;
  type.hCursor = LoadCursor(nullptr, IDC_ARROW);
  type.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  type.lpszClassName = name;
  RegisterClassA(&type);
}

// Loads a button of the skin (masked when `maskFormat` is given, else plain) at (x, y) and
// takes it into the screen: 1, or 0 when a file name does not fit, a file cannot be loaded
// or the screen has no room.
inline int AddSkinButton(SkinDialog* dialog, const char* imageFormat, const char* maskFormat,
                         int x, int y) {
  char image[128];
  char mask[128];
  if (!SkinFilePath(imageFormat, image)) return 0;
  if (maskFormat == nullptr) return SkinDialogAddButton(dialog, SkinButtonCreatePlain(image, x, y));
  if (!SkinFilePath(maskFormat, mask)) return 0;
  return SkinDialogAddButton(dialog, SkinButtonCreateMasked(image, mask, x, y));
}

// The screen's panel composed over its owner (the screen without one) at (x, y); null when a
// file name does not fit or the panel cannot be composed.
inline HBITMAP ComposeSkinPanel(HWND owner, const char* imageFormat, const char* maskFormat,
                                int x, int y) {
  char image[128];
  char mask[128];
  if (!SkinFilePath(imageFormat, image) || !SkinFilePath(maskFormat, mask)) return nullptr;
  return SkinComposePanelBitmap(owner, image, mask, x, y);
}

// What a screen does when a button's press is released: `button` is its index in the
// screen's order.
using SkinScreenCommand = void (*)(HWND skinWindow, int button);

// The messages a skin window leaves alone: no hover look, nothing to set up or tear down,
// no timers; the rest goes to the default procedure.
inline LRESULT SkinScreenOtherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEMOVE:
    case WM_CREATE:
    case WM_DESTROY:
    case WM_TIMER:
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// The skin window's procedure of every skinned screen: painting, the press that shows at
// once and captures the mouse, the pressed look following the pointer, and the release
// over the pressed button that issues its command.
inline LRESULT SkinScreenWindowMessage(SkinDialog* dialog, SkinDialogTextPainter texts,
                                       SkinScreenCommand onRelease, HWND window, UINT message,
                                       WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      SkinDialogPaint(dialog, window, texts);
      return 0;
    case WM_LBUTTONDOWN:
      SkinDialogMouseDown(dialog, window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEMOVE:
      SkinDialogMouseMove(dialog, window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (const int button =
              SkinDialogMouseUp(dialog, window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
          button >= 0) {
        onRelease(window, button);
      }
      return 0;
    default:
      return SkinScreenOtherMessage(window, message, wParam, lParam);
  }
}

// Moves the screen's dialog to `at` (screen coordinates) with its size, lays the skin window
// over all of it, and has it painted whole; nothing is repainted on the way.
inline void PlaceSkinScreen(HWND dialog, int skinWindowId, POINT at, int width, int height) {
  MoveWindow(dialog, at.x, at.y, width, height, FALSE);
  HWND skin = GetDlgItem(dialog, skinWindowId);
  MoveWindow(skin, 0, 0, width, height, FALSE);
  InvalidateRect(skin, nullptr, FALSE);
}

// WM_CTLCOLORDLG of a skinned screen's dialog: nothing of the dialog itself is painted.
inline INT_PTR SkinScreenDialogBackground(WPARAM dc) {
  SetBkMode(reinterpret_cast<HDC>(dc), TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}
