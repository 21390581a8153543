// What the fuzz targets of the image readers do with an image a reader accepted: check the
// block against its own header, then convert, scale and mirror it, so that any header
// field inconsistent with the block shows up as an out-of-bounds access.
#pragma once

#include "dib_ops.h"

namespace kolta::test {

// Files of a few bytes may declare pictures of hundreds of megabytes; those are read
// correctly but slowly, so the fuzzers keep to pictures of up to 65536 pixels (a row
// may still be 65535 pixels wide).
constexpr long long kFuzzMaxPixels = 1 << 16;

inline void ExerciseImage(DibImage* image) {
  if (!image) return;
  if (DibTotalSize(image) == 0 || DibBits(image) == nullptr) __builtin_trap();
  DibImage* rgb = DibConvertTo24(image);
  DibFree(image);
  if (!rgb) return;
  DibImage* small = DibCreate(1, 7, 5, nullptr, 0x00336699);
  DibStretchCopy(small, 0, 0, 7, 5, rgb, 0, 0, DibWidth(rgb), DibHeight(rgb));
  DibFree(DibMirror(DibFlip(rgb)));
  DibFree(small);
}

}  // namespace kolta::test
