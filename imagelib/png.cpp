// Not yet written: every call fails.
#include "png_file.h"

DibImage* PngLoad(const char*, DibImage** alpha) {
  if (alpha) *alpha = nullptr;
  return nullptr;
}
DibImage* PngLoadFromMemory(const void*, std::size_t, DibImage** alpha) {
  if (alpha) *alpha = nullptr;
  return nullptr;
}
