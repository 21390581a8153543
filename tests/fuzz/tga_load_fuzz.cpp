// Loads arbitrary bytes as a TGA file and uses the image it gives.
#include "picture_fuzz.h"
#include "tga_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (kolta::test::TgaDeclaresHugePicture(data, size)) return 0;
  kolta::test::ExerciseImage(TgaLoadFromMemory(data, size));
  return 0;
}
