// Image buttons of the skinned screens. A button image holds its looks as cells of equal
// width side by side (cell 0 released, cell 1 pressed); a masked button draws its cell
// through the mask's alpha run table, a plain one is copied opaque. Buttons have no window:
// the screen that owns them hit-tests, presses and draws them.
#pragma once

#include <windows.h>

#include "alpha_runs.h"
#include "dib_image.h"

enum SkinButtonKind { kSkinButtonPlain = 0, kSkinButtonMasked = 1 };

// One heap block per button, owned by the screen that created it.
struct SkinButton {
  int kind;                  // SkinButtonKind
  DibImage* image;           // masked kind: the 24-bit button image
  AlphaRunTable* runTable;   // masked kind: the image's opacity runs, one frame per cell
  HBITMAP bitmap;            // plain kind: the button image as a device bitmap
  int x, y;                  // top-left corner in the client area of the drawing window
  int cellWidth, cellHeight;
  RECT hitRect;              // accepts presses; right and bottom excluded
  int state;                 // cell shown: 0 released, 1 pressed; drawn only below cellCount
  int cellCount;             // 2
  int pressed;               // pressed and not yet reset
  int ownsImages;            // freeing the button frees its image, table and bitmap
};
#if defined(__i386__)
static_assert(sizeof(SkinButton) == 64 && offsetof(SkinButton, hitRect) == 32);
#endif

inline constexpr int kSkinButtonCells = 2;

// A plain button from a picture file loaded as a device bitmap; null on failure.
SkinButton* SkinButtonCreatePlain(const char* imagePath, int x, int y);
// A masked button from a picture file and its mask (the mask's ".qa" cache when there is
// one); null when either cannot be had or the mask's table does not frame the picture's two
// cells. A picture whose width is odd loses its last column, which no cell shows.
SkinButton* SkinButtonCreateMasked(const char* imagePath, const char* maskPath, int x, int y);
// Null allowed; always 1.
int SkinButtonFree(SkinButton* button);

void SkinButtonSetHitRect(SkinButton* button, int left, int top, int right, int bottom);
// Whether (px, py) lies in the hit rectangle moved by (dx, dy).
int SkinButtonHitTest(const SkinButton* button, int dx, int dy, int px, int py);
// Presses a released button hit by the point: 1 when it became pressed, else 0.
int SkinButtonPress(SkinButton* button, int dx, int dy, int px, int py);
// While a pressed button follows the pointer: the pressed cell when the point hits it, the
// released cell when it does not (the button stays pressed). 1 when the look changed.
int SkinButtonTrack(SkinButton* button, int dx, int dy, int px, int py);
int SkinButtonIsPressed(const SkinButton* button);
void SkinButtonReset(SkinButton* button);
// The cell rectangle moved by (dx, dy); all 0 for a null button.
void SkinButtonGetRect(const SkinButton* button, int dx, int dy, RECT* out);

// Draws the current cell at (x + dx, y + dy), limited to `clip` when given: onto a device
// context (`reference` supplies the format of temporary bitmaps) or into a 24-bit image.
void SkinButtonDrawToDC(const SkinButton* button, HDC target, HDC reference, int dx, int dy,
                        const RECT* clip);
void SkinButtonDrawToImage(const SkinButton* button, DibImage* target, int dx, int dy,
                           const RECT* clip);
