// Not yet written: every call fails.
#include "gif_file.h"

DibImage* GifLoad(const char*, DibImage** mask) {
  if (mask) *mask = nullptr;
  return nullptr;
}
DibImage* GifLoadFromMemory(const void*, std::size_t, DibImage** mask) {
  if (mask) *mask = nullptr;
  return nullptr;
}
