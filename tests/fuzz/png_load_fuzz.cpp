// Loads arbitrary bytes as a PNG file with its alpha image, then uses both.
#include "picture_fuzz.h"
#include "png_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (kolta::test::PngDeclaresHugePicture(data, size)) return 0;
  DibImage* alpha = nullptr;
  DibImage* image = PngLoadFromMemory(data, size, &alpha);
  if (alpha && (!image || DibWidth(alpha) != DibWidth(image) ||
                DibHeight(alpha) != DibHeight(image) || DibBitCount(alpha) != 8)) {
    __builtin_trap();
  }
  kolta::test::ExerciseImage(alpha);
  kolta::test::ExerciseImage(image);
  return 0;
}
