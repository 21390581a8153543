// The paint cycle and mouse handling of the skinned screens.
#include "skin_dialog.h"

#include <algorithm>
#include <span>

#include "gdi_owners.h"

namespace {

using kolta::MemoryDC;

std::span<SkinButton* const> Buttons(const SkinDialog* dialog) {
  const int count = std::clamp(dialog->buttonCount, 0, kSkinDialogMaxButtons);
  return {dialog->buttons, static_cast<std::size_t>(count)};
}

// Composes the clip area off screen and copies it onto the paint device context. The
// buttons and texts land on the panel's copy, so the window never shows a half-drawn state.
void PaintClip(SkinDialog* dialog, HDC dc, const RECT& clip, SkinDialogTextPainter texts) {
  if (!dialog->offscreen) {
    dialog->offscreen = CreateCompatibleBitmap(dc, dialog->width, dialog->height);
    if (!dialog->offscreen) return;
  }
  const MemoryDC back(dc, dialog->offscreen);
  if (!back.get()) return;
  const int width = clip.right - clip.left;
  const int height = clip.bottom - clip.top;
  {
    const MemoryDC panel(dc, dialog->panel);
    if (panel.get()) {
      BitBlt(back.get(), clip.left, clip.top, width, height, panel.get(), clip.left, clip.top,
             SRCCOPY);
    }
  }
  for (const SkinButton* button : Buttons(dialog)) {
    SkinButtonDrawToDC(button, back.get(), dc, 0, 0, &clip);
  }
  if (texts) {
    SetBkMode(back.get(), TRANSPARENT);
    texts(back.get());
  }
  BitBlt(dc, clip.left, clip.top, width, height, back.get(), clip.left, clip.top, SRCCOPY);
}

void InvalidateButton(HWND window, const SkinButton* button) {
  RECT rect;
  SkinButtonGetRect(button, 0, 0, &rect);
  InvalidateRect(window, &rect, FALSE);
}

}  // namespace

int SkinDialogAddButton(SkinDialog* dialog, SkinButton* button) {
  if (!dialog || !button || dialog->buttonCount < 0 ||
      dialog->buttonCount >= kSkinDialogMaxButtons) {
    SkinButtonFree(button);
    return 0;
  }
  dialog->buttons[dialog->buttonCount++] = button;
  return 1;
}

void SkinDialogPaint(SkinDialog* dialog, HWND window, SkinDialogTextPainter texts) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc && dialog && !IsRectEmpty(&paint.rcPaint)) PaintClip(dialog, dc, paint.rcPaint, texts);
  EndPaint(window, &paint);
}

void SkinDialogMouseDown(SkinDialog* dialog, HWND window, int x, int y) {
  if (!dialog) return;
  bool anyPressed = false;
  for (SkinButton* button : Buttons(dialog)) {
    if (SkinButtonPress(button, 0, 0, x, y)) InvalidateButton(window, button);
    anyPressed = anyPressed || SkinButtonIsPressed(button);
  }
  // The release must come back here wherever it happens, or a button pressed and then
  // released outside the window would stay pressed for the next release.
  if (anyPressed) SetCapture(window);
  UpdateWindow(window);
}

void SkinDialogMouseMove(SkinDialog* dialog, HWND window, int x, int y) {
  if (!dialog || GetCapture() != window) return;
  bool changed = false;
  for (SkinButton* button : Buttons(dialog)) {
    if (SkinButtonTrack(button, 0, 0, x, y)) {
      InvalidateButton(window, button);
      changed = true;
    }
  }
  if (changed) UpdateWindow(window);
}

int SkinDialogMouseUp(SkinDialog* dialog, HWND window, int x, int y) {
  if (!dialog) return -1;
  int released = -1;
  const auto buttons = Buttons(dialog);
  for (std::size_t i = 0; i < buttons.size() && released < 0; ++i) {
    if (SkinButtonIsPressed(buttons[i]) && SkinButtonHitTest(buttons[i], 0, 0, x, y)) {
      released = static_cast<int>(i);
    }
  }
  if (released < 0) {
    for (SkinButton* button : buttons) {
      if (SkinButtonIsPressed(button)) InvalidateButton(window, button);
      SkinButtonReset(button);
    }
  }
  if (GetCapture() == window) ReleaseCapture();
  return released;
}

void SkinDialogResetButtons(SkinDialog* dialog) {
  if (!dialog) return;
  for (SkinButton* button : Buttons(dialog)) SkinButtonReset(button);
}

void SkinDialogFree(SkinDialog* dialog) {
  if (!dialog) return;
  for (SkinButton* button : Buttons(dialog)) SkinButtonFree(button);
  if (dialog->panel) DeleteObject(dialog->panel);
  if (dialog->offscreen) DeleteObject(dialog->offscreen);
  *dialog = SkinDialog{};
}
