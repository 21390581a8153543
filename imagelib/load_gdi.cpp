// Loading pictures as device bitmaps: the loaded image through the GDI bridge.
#include "dib_gdi.h"
#include "dib_load.h"

HBITMAP DibLoadFittedBitmap(const char* path, int boxWidth, int boxHeight, int fit,
                            DibColor background) {
  DibImage* image = DibLoadFitted(path, boxWidth, boxHeight, fit, background);
  if (!image) return nullptr;
  HBITMAP bitmap = DibToDeviceBitmap(image, nullptr);
  DibFree(image);
  return bitmap;
}

HBITMAP DibLoadBitmap(const char* path) { return DibLoadFittedBitmap(path, 0, 0, 0, 0); }
