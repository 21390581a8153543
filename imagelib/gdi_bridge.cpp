// The GDI bridge. The image block is a packed DIB, so its header and pixel area go to the
// DIB functions as they are.
#include <climits>
#include <cstddef>
#include <cstdint>

#include "dib_gdi.h"
#include "dib_ops.h"
#include "gdi_owners.h"

static_assert(sizeof(DibImage) == sizeof(BITMAPINFOHEADER));
static_assert(offsetof(DibImage, width) == offsetof(BITMAPINFOHEADER, biWidth));
static_assert(offsetof(DibImage, height) == offsetof(BITMAPINFOHEADER, biHeight));
static_assert(offsetof(DibImage, planes) == offsetof(BITMAPINFOHEADER, biPlanes));
static_assert(offsetof(DibImage, bitCount) == offsetof(BITMAPINFOHEADER, biBitCount));
static_assert(offsetof(DibImage, compression) == offsetof(BITMAPINFOHEADER, biCompression));
static_assert(offsetof(DibImage, imageSize) == offsetof(BITMAPINFOHEADER, biSizeImage));
static_assert(offsetof(DibImage, xPelsPerMeter) == offsetof(BITMAPINFOHEADER, biXPelsPerMeter));
static_assert(offsetof(DibImage, yPelsPerMeter) == offsetof(BITMAPINFOHEADER, biYPelsPerMeter));
static_assert(offsetof(DibImage, colorsUsed) == offsetof(BITMAPINFOHEADER, biClrUsed));
static_assert(offsetof(DibImage, colorsImportant) == offsetof(BITMAPINFOHEADER, biClrImportant));
static_assert(sizeof(DibRect) == sizeof(RECT) &&
              offsetof(DibRect, bottom) == offsetof(RECT, bottom));
static_assert(sizeof(DibColor) == sizeof(COLORREF));

namespace {

const BITMAPINFO* InfoOf(const DibImage* image) {
  return reinterpret_cast<const BITMAPINFO*>(image);
}
BITMAPINFO* InfoOf(DibImage* image) { return reinterpret_cast<BITMAPINFO*>(image); }

// The screen's device context for one scope.
class ScreenDC : public kolta::WindowDC {
 public:
  ScreenDC() : WindowDC(nullptr) {}
};

using kolta::MemoryDC;

}  // namespace

HBITMAP DibToDeviceBitmap(const DibImage* image, HPALETTE palette) {
  if (!DibIsValid(image)) return nullptr;
  ScreenDC screen;
  if (!screen.get()) return nullptr;
  HPALETTE previous = palette ? SelectPalette(screen.get(), palette, FALSE) : nullptr;
  if (palette) RealizePalette(screen.get());
  HBITMAP bitmap = CreateDIBitmap(screen.get(), reinterpret_cast<const BITMAPINFOHEADER*>(image),
                                  CBM_INIT, DibBits(image), InfoOf(image), DIB_RGB_COLORS);
  if (previous) SelectPalette(screen.get(), previous, FALSE);
  return bitmap;
}

int DibStretchToDC(HDC dc, int x, int y, int width, int height, const DibImage* image, int sourceX,
                   int sourceY, int sourceWidth, int sourceHeight) {
  if (!dc || !DibIsValid(image)) return 0;
  // Source y counts from the top; GDI counts DIB rows from the bottom.
  const std::int64_t sourceBottom = std::int64_t{image->height} - sourceY - sourceHeight;
  if (sourceBottom < INT_MIN || sourceBottom > INT_MAX) return 0;
  const int lines =
      StretchDIBits(dc, x, y, width, height, sourceX, static_cast<int>(sourceBottom), sourceWidth,
                    sourceHeight, DibBits(image), InfoOf(image), DIB_RGB_COLORS, SRCCOPY);
  return lines > 0;  // 0 and GDI_ERROR (-1) are failures
}

DibImage* DibFromDeviceBitmap(HBITMAP bitmap) {
  BITMAP info;
  if (!bitmap || GetObject(bitmap, sizeof info, &info) != sizeof info) return nullptr;
  DibImage* image = DibCreate(1, info.bmWidth, info.bmHeight, nullptr, 0);
  if (!image) return nullptr;
  ScreenDC screen;
  if (!screen.get() || GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(info.bmHeight),
                                 DibBits(image), InfoOf(image), DIB_RGB_COLORS) == 0) {
    DibFree(image);
    return nullptr;
  }
  return image;
}

DibImage* DibFromDC(HDC source, HDC reference, int x, int y, int width, int height) {
  if (!source || !reference || width <= 0 || height <= 0) return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(reference, width, height);
  if (!bitmap) return nullptr;
  bool copied = false;
  {
    MemoryDC memory(reference, bitmap);
    copied = memory.get() && BitBlt(memory.get(), 0, 0, width, height, source, x, y, SRCCOPY);
  }
  DibImage* image = copied ? DibFromDeviceBitmap(bitmap) : nullptr;
  DeleteObject(bitmap);
  return image;
}

DibImage* DibFromBitmapRect(HBITMAP bitmap, int x, int y, int width, int height) {
  if (!bitmap) return nullptr;
  ScreenDC screen;
  if (!screen.get()) return nullptr;
  MemoryDC memory(screen.get(), bitmap);
  return memory.get() ? DibFromDC(memory.get(), screen.get(), x, y, width, height) : nullptr;
}

int DibCopyFromBitmap(DibImage* target, int targetX, int targetY, HBITMAP bitmap, int sourceX,
                      int sourceY, int width, int height) {
  if (!DibIsValid(target) || !bitmap) return 0;
  DibImage* grabbed = DibFromBitmapRect(bitmap, sourceX, sourceY, width, height);
  if (!grabbed) return 0;
  DibStretchCopy(target, targetX, targetY, width, height, grabbed, 0, 0, width, height);
  DibFree(grabbed);
  return 1;
}
