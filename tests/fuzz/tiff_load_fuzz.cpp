// Loads arbitrary bytes as a TIFF file, then converts and turns the image, so that every
// image the reader accepts is proven consistent with its own header.
#include <cstddef>
#include <cstdint>

#include "dib_ops.h"
#include "tiff_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DibImage* image = TiffLoadFromMemory(data, size);
  if (!image) return 0;
  if (DibTotalSize(image) == 0 || DibBits(image) == nullptr) __builtin_trap();
  // A few bytes may declare a picture of hundreds of megabytes, read quickly as zero rows;
  // converting and turning it would only be slow.
  if (std::int64_t{DibWidth(image)} * DibHeight(image) <= (std::int64_t{1} << 18)) {
    DibFree(DibMirror(DibFlip(DibConvertTo24(image))));
  }
  DibFree(image);
  return 0;
}
