// Loads arbitrary bytes as a TGA file and uses the image it gives.
#include <cstddef>
#include <cstdint>

#include "image_fuzz_checks.h"
#include "tga_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 16) {
    const long long width = data[12] | (data[13] << 8), height = data[14] | (data[15] << 8);
    if (width * height > kolta::test::kFuzzMaxPixels) return 0;
  }
  kolta::test::ExerciseImage(TgaLoadFromMemory(data, size));
  return 0;
}
