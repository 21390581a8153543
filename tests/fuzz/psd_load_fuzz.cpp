// Loads arbitrary bytes as a layered-image document, then converts and turns the image.
#include "picture_fuzz.h"
#include "psd_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (kolta::test::PsdDeclaresHugePicture(data, size)) return 0;
  kolta::test::ExerciseImage(PsdLoadFromMemory(data, size));
  return 0;
}
