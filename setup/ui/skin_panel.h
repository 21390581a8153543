// Skin panels: a screen's background, composed once over a snapshot of what lies behind
// the place where the screen will appear, so that the mask's soft and transparent areas
// show the window (or the desktop) beneath and the rectangular screen looks shaped.
#pragma once

#include <windows.h>

#include "dib_image.h"

// The panel picture blended through its mask (one frame) over a snapshot of the owner's
// client area (the screen without an owner) at (x, y); a negative x or y centres the panel
// on that axis. A 24-bit image, or null.
DibImage* SkinComposePanel(HWND owner, const char* imagePath, const char* maskPath, int x, int y);
// The same as a device bitmap compatible with the screen; null on failure.
HBITMAP SkinComposePanelBitmap(HWND owner, const char* imagePath, const char* maskPath, int x,
                               int y);
