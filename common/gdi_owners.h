// Owners of GDI objects and device contexts (Windows builds only): every object made is
// deleted, every device context taken is released, and every object selected into a
// device context is selected out again, on every path.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace kolta {

// Bitmaps, pens, brushes, fonts and regions.
struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
template <typename Handle>
using GdiPtr = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using BitmapPtr = GdiPtr<HBITMAP>;
using RegionPtr = GdiPtr<HRGN>;

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

// Selects an object into a device context for one scope (nothing for a null object).
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~Selected() {
    if (previous_) SelectObject(dc_, previous_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  bool ok() const { return previous_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A memory device context compatible with `reference` with one object (a bitmap) selected
// into it, for one scope. get() is null when either step failed.
class MemoryDC {
 public:
  MemoryDC(HDC reference, HGDIOBJ object)
      : dc_(CreateCompatibleDC(reference)), selected_(dc_.get(), object) {}
  ~MemoryDC() = default;
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return selected_.ok() ? dc_.get() : nullptr; }

 private:
  struct Deleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
  };
  std::unique_ptr<std::remove_pointer_t<HDC>, Deleter> dc_;
  Selected selected_;  // declared after dc_: selected out before the context is deleted
};

}  // namespace kolta
