// Loads arbitrary bytes as a bitmap file, then uses the image.
#include "bmp_file.h"
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (kolta::test::BmpDeclaresHugePicture(data, size)) return 0;
  kolta::test::ExerciseImage(BmpLoadFromMemory(data, size));
  return 0;
}
