// Loads arbitrary bytes as a PCX file and uses the image it gives.
#include "pcx_file.h"
#include "picture_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (kolta::test::PcxDeclaresHugePicture(data, size)) return 0;
  kolta::test::ExerciseImage(PcxLoadFromMemory(data, size));
  return 0;
}
