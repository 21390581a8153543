// The progress screen: a modeless skinned dialog with two status lines, a red bar with its
// percentage and a cancel button. The install actions drive it through the Progress*
// operations and poll it for a cancel between items.
//
// Everything is painted into `canvas`, a 24-bit copy of the composed panel, so that the
// lines can be rendered with opacity and a shadow; only the paint rectangle is then copied
// to the window. Painting is cheap where it matters: the install repaints the second line,
// the bar and the percentage after every file, so a paint restores only the rows of the
// panel it shows, leaves out what lies outside its rectangle, and renders the bar and its
// percentage only when they look different from the last time (the percentage changes
// once in many files): otherwise the bar's rectangle as last drawn is copied back.
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "ansi_win.h"
#include "bounded_text.h"
#include "dib_gdi.h"
#include "dib_ops.h"
#include "gdi_owners.h"
#include "image_owners.h"
#include "setup_resources.h"
#include "setup_screens.h"
#include "setup_state.h"
#include "skin_button.h"
#include "skin_files.h"
#include "skin_panel.h"
#include "skin_screen.h"
#include "skin_text.h"

namespace {

constexpr int kScreenX = 81, kScreenY = 91;
constexpr int kScreenWidth = 438, kScreenHeight = 328;
constexpr int kCancelX = 163, kCancelY = 258;

constexpr COLORREF kLineColour = RGB(0, 0, 0);
constexpr COLORREF kLineShadow = RGB(128, 128, 128);
constexpr COLORREF kPercentColour = RGB(255, 255, 255);
constexpr COLORREF kPercentShadow = RGB(0, 0, 0);
constexpr int kShadowOffset = 1;
constexpr float kTextOpacity = 0.9f;
constexpr DibColor kBarColour = DibRgb(255, 0, 0);
constexpr float kBarOpacity = 0.9f;

// What the bar's rectangle shows: the red fill's width and the percentage (-1: none).
struct BarLook {
  std::int64_t fillWidth;
  std::int64_t percent;
  bool operator==(const BarLook&) const = default;
};

// One while the screen's skin is loaded; cleared (ClearedScreen) when it is freed.
struct ProgressScreen {
  int loaded;
  HWND window;        // the modeless dialog while it exists
  DibImage* panel;    // "status.jpg" composed over the main window at (x, y)
  DibImage* canvas;   // the panel's copy every paint draws into; made on the first paint
  int x, y;
  int width, height;
  SkinButton* cancelButton;
  int aborted;        // the user confirmed the cancel question; never reset while loaded
  RECT titleLineRect;
  char titleLine[kolta::kTextBufferSize];
  RECT detailLineRect;
  char detailLine[kolta::kTextBufferSize];
  RECT barRect;
  RECT percentRect;
  int position, total;
  DibImage* barBand;  // the canvas's bar rectangle as drawn last, showing `barShown`
  BarLook barShown;
};

constexpr ProgressScreen ClearedScreen() {
  ProgressScreen screen{};
  screen.x = kScreenX;
  screen.y = kScreenY;
  screen.titleLineRect = {17, 192, 189, 212};
  screen.detailLineRect = {17, 213, 417, 233};
  screen.barRect = {19, 236, 399, 256};
  screen.percentRect = {169, 236, 249, 256};
  return screen;
}

ProgressScreen screenObject = ClearedScreen();
// The one progress screen, as the window procedures and the install actions reach it.
ProgressScreen* const progress = &screenObject;

// A status line takes the text as far as whole characters fit: it is only shown, so a text
// too long for the line loses its end rather than the line showing an older item.
void CopyLine(char (&line)[kolta::kTextBufferSize], const char* text) {
  const std::string_view source =
      text ? std::string_view(text, strnlen(text, sizeof line)) : std::string_view();
  std::size_t length = 0;
  while (length < source.size()) {
    const std::size_t next = length + kolta::CharLength(source, length, kolta::SystemLeadByte);
    if (next > sizeof line - 1) break;
    length = next;
  }
  if (length > 0) std::memcpy(line, source.data(), length);
  line[length] = '\0';
}

bool Meets(const RECT& a, const RECT& b) {
  RECT common;
  return IntersectRect(&common, &a, &b) != FALSE;
}

// The bar of the current counters: the position limited to 0..total decides the fill and
// the percentage. Only a positive total has a bar; a negative or zero one shows neither bar
// nor percentage.
BarLook CurrentBarLook(const ProgressScreen& screen) {
  if (screen.total <= 0) return {0, -1};
  const std::int64_t shown = std::clamp<std::int64_t>(screen.position, 0, screen.total);
  const std::int64_t barWidth = screen.barRect.right - screen.barRect.left;
  return {barWidth * shown / screen.total, shown * 100 / screen.total};
}

void DrawLine(const ProgressScreen& screen, HDC reference, const char* line, const RECT& rect,
              const RECT& clip) {
  if (line[0] == '\0' || !Meets(rect, clip)) return;
  TextRenderInRect(nullptr, screen.canvas, reference, line, static_cast<int>(std::strlen(line)),
                   &rect, GetSetupState()->textFont, 0, kLineColour, nullptr, nullptr,
                   kTextOpacity, kLineShadow, kShadowOffset, 0, 0, 0, 0, 0);
}

void DrawBar(const ProgressScreen& screen, HDC reference, const BarLook& look) {
  if (look.percent < 0) return;
  CompositeParams fill{};
  fill.target = screen.canvas;
  fill.x = screen.barRect.left;
  fill.y = screen.barRect.top;
  fill.fillColour = kBarColour;
  fill.opacity = kBarOpacity;
  fill.maxWidth = static_cast<std::int32_t>(look.fillWidth);
  fill.maxHeight = screen.barRect.bottom - screen.barRect.top;
  if (fill.maxWidth > 0) DibComposite(nullptr, &fill);

  char percent[16];
  const int length = wsprintfA(percent, "%lu%%", static_cast<unsigned long>(look.percent));
  TextRenderInRect(nullptr, screen.canvas, reference, percent, length, &screen.percentRect,
                   GetSetupState()->textFont, 1, kPercentColour, nullptr, nullptr, kTextOpacity,
                   kPercentShadow, kShadowOffset, 0, 0, 0, 0, 0);
}

// Copies a rectangle of `source` into `target` (both 24-bit), clipped to both.
void CopyArea(DibImage* target, int targetX, int targetY, const DibImage* source, int sourceX,
              int sourceY, int width, int height) {
  DibStretchCopy(target, targetX, targetY, width, height, source, sourceX, sourceY, width, height);
}

// The bar and its percentage in the canvas's bar rectangle: drawn afresh over the panel when
// they changed (and kept in `barBand`), else copied back from `barBand`. Both ways give the
// same pixels: nothing else is drawn into the bar's rectangle.
void PaintBar(ProgressScreen& screen, HDC reference) {
  const RECT& bar = screen.barRect;
  const int width = bar.right - bar.left, height = bar.bottom - bar.top;
  const BarLook look = CurrentBarLook(screen);
  if (screen.barBand && screen.barShown == look) {
    CopyArea(screen.canvas, bar.left, bar.top, screen.barBand, 0, 0, width, height);
    return;
  }
  CopyArea(screen.canvas, bar.left, bar.top, screen.panel, bar.left, bar.top, width, height);
  DrawBar(screen, reference, look);
  if (!screen.barBand) screen.barBand = DibCreate(1, width, height, nullptr, 0);
  if (screen.barBand) {
    CopyArea(screen.barBand, 0, 0, screen.canvas, bar.left, bar.top, width, height);
    screen.barShown = look;
  }
}

// Composes the clip area of the screen in the canvas and copies it onto `dc`. Outside the
// clip the canvas may keep stale pixels: they are restored before they are ever shown.
void PaintClip(ProgressScreen& screen, HDC dc, const RECT& paintRect) {
  if (!screen.loaded) return;
  if (!screen.canvas) {
    screen.canvas = DibDuplicate(screen.panel);
    if (!screen.canvas) return;
  }
  const RECT bounds{0, 0, DibWidth(screen.canvas), DibHeight(screen.canvas)};
  RECT clip;
  if (!IntersectRect(&clip, &paintRect, &bounds)) return;
  // The whole rows of the clip: one contiguous block of the bottom-up image.
  CopyArea(screen.canvas, 0, clip.top, screen.panel, 0, clip.top, bounds.right,
           clip.bottom - clip.top);
  {
    const kolta::WindowDC reference(nullptr);
    DrawLine(screen, reference.get(), screen.titleLine, screen.titleLineRect, clip);
    DrawLine(screen, reference.get(), screen.detailLine, screen.detailLineRect, clip);
    if (Meets(screen.barRect, clip)) PaintBar(screen, reference.get());
  }
  SkinButtonDrawToImage(screen.cancelButton, screen.canvas, 0, 0, &clip);
  const int width = clip.right - clip.left, height = clip.bottom - clip.top;
  DibStretchToDC(dc, clip.left, clip.top, width, height, screen.canvas, clip.left, clip.top, width,
                 height);
}

void RepaintAll(HWND window) {
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

// The cancel question, owned by the skin window so that the box is centred over the panel
// and takes its background from it. Only a "yes" changes anything.
void ProgressQueryAbort(HWND owner) {
  if (!progress->loaded) return;
  if (SetupMessage(owner, "IDS_QUERYABORT", MB_YESNO) == 1) progress->aborted = 1;
}

// Asks the cancel question, then shows the whole screen again (the button released).
void QueryAbortAndRepaint(HWND window) {
  ProgressQueryAbort(window);
  SkinButtonReset(progress->cancelButton);
  RepaintAll(window);
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (dc) PaintClip(*progress, dc, paint.rcPaint);
  EndPaint(window, &paint);
}

void OnKeyDown(HWND window, WPARAM key) {
  if (key == VK_ESCAPE || key == VK_RETURN) QueryAbortAndRepaint(window);
}

void RepaintCancelButton(HWND window) {
  RECT rect;
  SkinButtonGetRect(progress->cancelButton, 0, 0, &rect);
  InvalidateRect(window, &rect, FALSE);
  UpdateWindow(window);
}

// The cancel button behaves as the platform's buttons: the press captures the mouse, the
// pressed look follows the pointer, and only a release over the button asks.
void OnLButtonDown(HWND window, int x, int y) {
  if (!SkinButtonPress(progress->cancelButton, 0, 0, x, y)) return;
  SetCapture(window);
  RepaintCancelButton(window);
}

void OnMouseMove(HWND window, int x, int y) {
  if (GetCapture() == window && SkinButtonTrack(progress->cancelButton, 0, 0, x, y)) {
    RepaintCancelButton(window);
  }
}

void OnLButtonUp(HWND window, int x, int y) {
  if (GetCapture() == window) ReleaseCapture();
  if (!SkinButtonIsPressed(progress->cancelButton)) return;
  if (SkinButtonHitTest(progress->cancelButton, 0, 0, x, y)) {
    QueryAbortAndRepaint(window);
    return;
  }
  SkinButtonReset(progress->cancelButton);
  RepaintCancelButton(window);
}

BOOL OnInitDialog(HWND dialog) {
  const SetupState* state = GetSetupState();
  progress->window = dialog;
  SetWindowTextA(dialog, state->appName);
  PlaceSkinScreen(dialog, kProgressSkinWindow,
                  POINT{state->windowX + progress->x, state->windowY + progress->y},
                  kScreenWidth, kScreenHeight);
  // Escape and Enter must reach the skin window, which has no tab stop for the dialog
  // manager to choose: give it the focus here (FALSE: the focus is set).
  SetFocus(GetDlgItem(dialog, kProgressSkinWindow));
  return FALSE;
}

}  // namespace

void ProgressSetTitle(const char* text) {
  if (progress->loaded) CopyLine(progress->titleLine, text);
}

void ProgressSetDetail(const char* text) {
  if (progress->loaded) CopyLine(progress->detailLine, text);
}

void ProgressSetTotal(int total) {
  if (!progress->loaded) return;
  progress->position = 0;
  progress->total = total;
}

void ProgressSetPosition(int position) {
  if (progress->loaded) progress->position = position;
}

int ProgressStep() {
  if (!progress->loaded) return 0;
  if (progress->position < INT_MAX) ++progress->position;
  return 1;
}

int ProgressAbortRequested() { return progress->loaded ? progress->aborted : 1; }

void ProgressChangedRect(RECT* out, int which) {
  if (!out) return;
  *out = RECT{};
  if (!progress->loaded) return;
  if (which == 0) {
    *out = RECT{0, 0, progress->width, progress->height};
  } else if (which == 1) {
    UnionRect(out, &progress->detailLineRect, &progress->barRect);
    UnionRect(out, out, &progress->percentRect);
  }
}

int ProgressLoad(HWND mainWindow) {
  ProgressFree();
  char panelPath[128], panelMask[128], cancelPath[128], cancelMask[128];
  if (!SkinFilePath("%sstatus.jpg", panelPath) || !SkinFilePath("%sstatusa.BMP", panelMask) ||
      !SkinFilePath("%scancel.jpg", cancelPath) || !SkinFilePath("%scancela.bmp", cancelMask)) {
    return 0;
  }
  kolta::ImagePtr panel(SkinComposePanel(mainWindow, panelPath, panelMask, kScreenX, kScreenY));
  if (!panel) return 0;
  SkinButton* cancel = SkinButtonCreateMasked(cancelPath, cancelMask, kCancelX, kCancelY);
  if (!cancel) return 0;

  progress->width = kScreenWidth;
  progress->height = kScreenHeight;
  progress->panel = panel.release();
  progress->cancelButton = cancel;
  progress->loaded = 1;
  return 1;
}

void ProgressFree() {
  SkinButtonFree(progress->cancelButton);
  DibFree(progress->panel);
  DibFree(progress->canvas);
  DibFree(progress->barBand);
  *progress = ClearedScreen();
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_CTLCOLORDLG:
      return SkinScreenDialogBackground(wParam);
    case WM_DESTROY:
      if (progress->window == dialog) progress->window = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

LRESULT CALLBACK ProgressSkinWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(window, wParam);
      return 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    default:
      return SkinScreenOtherMessage(window, message, wParam, lParam);
  }
}
