// Loads arbitrary bytes as a bitmap file, then runs what the skin does with an image
// (conversion, scaling, mirroring, compositing), so that every image the reader accepts is
// proven consistent with its own header.
#include <cstddef>
#include <cstdint>

#include "bmp_file.h"
#include "dib_ops.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DibImage* image = BmpLoadFromMemory(data, size);
  if (!image) return 0;
  if (DibTotalSize(image) == 0 || DibBits(image) == nullptr) __builtin_trap();
  DibImage* rgb = DibConvertTo24(image);
  DibFree(image);
  if (!rgb) return 0;
  DibImage* small = DibCreate(1, 7, 5, nullptr, 0x00336699);
  DibStretchCopy(small, -1, 1, 9, 4, rgb, 1, 0, DibWidth(rgb), DibHeight(rgb));
  CompositeParams params{};
  params.target = small;
  params.source = rgb;
  params.x = 2;
  params.sourceY = 1;
  params.useKey = params.keyFromCorner = 1;
  params.opacity = 0.5f;
  params.maxWidth = params.maxHeight = 100;
  DibComposite(nullptr, &params);
  rgb = DibMirror(DibFlip(rgb));
  DibFree(rgb);
  DibFree(small);
  return 0;
}
