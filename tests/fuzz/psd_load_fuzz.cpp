// Loads arbitrary bytes as a layered-image document, then converts and turns the image.
#include <cstddef>
#include <cstdint>

#include "dib_ops.h"
#include "psd_file.h"

namespace {

// Documents of a few bytes may declare pictures of hundreds of megabytes, which are read
// correctly but slowly; the fuzzer keeps to pictures of up to a megapixel.
bool DeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  if (size < 22) return false;
  auto field = [&](std::size_t at) {
    return (std::uint64_t{data[at]} << 24) | (data[at + 1] << 16) | (data[at + 2] << 8) |
           data[at + 3];
  };
  return field(14) * field(18) > (std::uint64_t{1} << 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (DeclaresHugePicture(data, size)) return 0;
  DibImage* image = PsdLoadFromMemory(data, size);
  if (!image) return 0;
  if (DibBitCount(image) != 24 || DibTotalSize(image) == 0) __builtin_trap();
  DibFree(DibMirror(DibFlip(image)));
  return 0;
}
