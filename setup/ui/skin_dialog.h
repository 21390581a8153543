// What the skinned screens share: a fixed record of the screen's panel, its off-screen
// bitmap and its buttons, and the paint cycle and mouse handling over it. A screen's window
// procedure calls these from its WM_PAINT, WM_LBUTTONDOWN, WM_MOUSEMOVE and WM_LBUTTONUP
// handlers and acts on the command a release gives. Buttons behave as the platform's own:
// a press captures the mouse, the pressed look follows the pointer while it is held, and
// only a release over the pressed button issues its command. Buttons have no hover look.
#pragma once

#include <windows.h>

#include "skin_button.h"

inline constexpr int kSkinDialogMaxButtons = 4;

// One per open screen. Zero it, fill `panel`, the size and the buttons while loading the
// skin; everything in it is owned and released by SkinDialogFree.
struct SkinDialog {
  HBITMAP panel;      // the composed background, the size of the screen
  HBITMAP offscreen;  // made on the first paint, compatible with the paint device context
  int width, height;  // the screen's fixed size
  int buttonCount;
  SkinButton* buttons[kSkinDialogMaxButtons];  // in the order of their commands
};

// Draws the screen's texts onto the off-screen device context (its background mode is
// transparent) after the panel and the buttons.
using SkinDialogTextPainter = void (*)(HDC dc);

// Takes the button into the screen: 1 when stored, 0 (the button freed) when it is null or
// the screen has no room left. So a skin loading step is one call whose failure ends it.
int SkinDialogAddButton(SkinDialog* dialog, SkinButton* button);

// Handles WM_PAINT: the paint rectangle of the panel, the buttons and the texts (`texts`
// may be null) is composed off screen and copied to the window at once.
void SkinDialogPaint(SkinDialog* dialog, HWND window, SkinDialogTextPainter texts);
// Handles a left button press at a client point: presses the buttons it hits, shows them
// pressed at once and captures the mouse while a button is pressed.
void SkinDialogMouseDown(SkinDialog* dialog, HWND window, int x, int y);
// Handles a mouse move while the mouse is captured: each pressed button looks pressed
// while the pointer is over it and released while it is not.
void SkinDialogMouseMove(SkinDialog* dialog, HWND window, int x, int y);
// Handles a left button release at a client point (outside the window too, while the
// mouse is captured) and ends the capture: the index of the pressed button under the
// point, whose command the screen then issues and which stays pressed until reset; or -1,
// when the pressed buttons are shown released again and nothing is issued.
int SkinDialogMouseUp(SkinDialog* dialog, HWND window, int x, int y);
// Shows every button released again; the caller repaints the window.
void SkinDialogResetButtons(SkinDialog* dialog);
// Frees the buttons, then the panel and the off-screen bitmap, and zeroes the record.
void SkinDialogFree(SkinDialog* dialog);
