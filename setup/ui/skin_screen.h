// Steps every skinned modal screen takes around its SkinDialog: registering its skin
// window's class, and loading a button of the skin into the screen.
#pragma once

#include <windows.h>

#include "setup_state.h"
#include "skin_dialog.h"
#include "skin_files.h"
#include "skin_panel.h"

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
