// Helpers for the image library's Windows tests: a memory device context to draw on.
#pragma once

#include <windows.h>

#include "dib_gdi.h"
#include "image_test_support.h"

namespace kolta::test {

// A memory device context on a screen-compatible bitmap holding `picture`; the screen is
// the reference device context of its grabs.
class MemoryCanvas {
 public:
  explicit MemoryCanvas(const DibImage* picture) {
    screen_ = GetDC(nullptr);
    bitmap_ = DibToDeviceBitmap(picture, nullptr);
    dc_ = CreateCompatibleDC(screen_);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~MemoryCanvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
    ReleaseDC(nullptr, screen_);
  }
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;

  HDC dc() const { return dc_; }
  HDC screen() const { return screen_; }
  ImagePtr Pixels(int width, int height) const {
    return ImagePtr(DibFromDC(dc_, screen_, 0, 0, width, height));
  }

 private:
  HDC screen_;
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace kolta::test
