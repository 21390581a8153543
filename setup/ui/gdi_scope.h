// Scope guards for the GDI objects the skin borrows while it draws: every device context
// taken is released, and every object selected is selected back, on every path.
#pragma once

#include <windows.h>

// A window's device context (the screen's for a null window) for one scope.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory device context compatible with `reference` with one bitmap selected into it,
// for one scope. get() is null when either step failed.
class MemoryDC {
 public:
  MemoryDC(HDC reference, HBITMAP bitmap) : dc_(CreateCompatibleDC(reference)) {
    if (dc_ && bitmap) previous_ = SelectObject(dc_, bitmap);
  }
  ~MemoryDC() {
    if (!dc_) return;
    if (previous_) SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return previous_ ? dc_ : nullptr; }

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};
