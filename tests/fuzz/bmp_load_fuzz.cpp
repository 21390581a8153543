// Loads arbitrary bytes as a bitmap file, then runs what the skin does with an image
// (conversion, scaling, mirroring, compositing), so that every image the reader accepts is
// proven consistent with its own header.
#include <cstddef>
#include <cstdint>

#include "bmp_file.h"
#include "dib_ops.h"

namespace {

// Run-length files of a few bytes may declare pictures of hundreds of megabytes; those
// are read correctly but slowly, so the fuzzer keeps to pictures of up to a megapixel.
bool DeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  if (size < 26) return false;
  auto field = [&](std::size_t at) {
    return static_cast<std::int32_t>(data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) |
                                     (static_cast<std::uint32_t>(data[at + 3]) << 24));
  };
  const std::int64_t width = field(18), height = field(22);
  return width * (height < 0 ? -height : height) > (std::int64_t{1} << 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (DeclaresHugePicture(data, size)) return 0;
  DibImage* image = BmpLoadFromMemory(data, size);
  if (!image) return 0;
  if (DibTotalSize(image) == 0 || DibBits(image) == nullptr) __builtin_trap();
  DibImage* rgb = DibConvertTo24(image);
  DibFree(image);
  if (!rgb) return 0;
  DibImage* small = DibCreate(1, 7, 5, nullptr, 0x00336699);
  DibStretchCopy(small, -1, 1, 9, 4, rgb, 1, 0, DibWidth(rgb), DibHeight(rgb));
  CompositeParams params{};
  params.target = small;
  params.source = rgb;
  params.x = 2;
  params.sourceY = 1;
  params.useKey = params.keyFromCorner = 1;
  params.opacity = 0.5f;
  params.maxWidth = params.maxHeight = 100;
  DibComposite(nullptr, &params);
  rgb = DibMirror(DibFlip(rgb));
  DibFree(rgb);
  DibFree(small);
  return 0;
}
