// Loads arbitrary bytes as a PCX file and uses the image it gives.
#include <cstddef>
#include <cstdint>

#include "image_fuzz_checks.h"
#include "pcx_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 12) {
    auto word = [&](std::size_t at) {
      return static_cast<std::int16_t>(data[at] | (data[at + 1] << 8));
    };
    const long long width = word(8) - word(4) + 1, height = word(10) - word(6) + 1;
    if (width * height > kolta::test::kFuzzMaxPixels) return 0;
  }
  kolta::test::ExerciseImage(PcxLoadFromMemory(data, size));
  return 0;
}
