// Loads arbitrary bytes as a JPEG file, then uses the image.
#include "jpeg_file.h"
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (kolta::test::JpegDeclaresHugePicture(data, size)) return 0;
  DibImage* image = JpegLoadFromMemory(data, size);
  if (image && DibBitCount(image) != 24) __builtin_trap();
  kolta::test::ExerciseImage(image);
  return 0;
}
