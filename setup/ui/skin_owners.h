// Owners for what the skin code takes from the image library and GDI: each is released
// once, on every path, and an object selected into a device context is selected out again.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "dib_image.h"
#include "selection_mask.h"

namespace kolta::skin {

struct ImageDeleter {
  void operator()(DibImage* image) const { DibFree(image); }
};
using ImagePtr = std::unique_ptr<DibImage, ImageDeleter>;

struct SelectionDeleter {
  void operator()(SelectionMask* mask) const { SelectionFree(mask); }
};
using SelectionPtr = std::unique_ptr<SelectionMask, SelectionDeleter>;

// Bitmaps, pens, brushes, fonts and regions.
struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
template <typename Handle>
using GdiPtr = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;

struct MemoryDcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using MemoryDcPtr = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

// Selects an object into a device context for one scope (nothing for a null object).
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~Selected() {
    if (previous_) SelectObject(dc_, previous_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace kolta::skin
