// Reads arbitrary bytes as a GIF file, then composes every frame the way the skin and the
// animation player do (rendered over a colour, drawn at an offset onto a smaller picture,
// with its mask), so that every frame the reader keeps is proven consistent.
#include <cstddef>
#include <cstdint>

#include "gif_file.h"

namespace {

// A few bytes may declare a logical screen or frames of hundreds of megabytes; those are
// read correctly but slowly, so the fuzzer keeps to pictures of up to a megapixel (any
// byte 0x2C may start an image descriptor).
bool DeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  auto area = [&](std::size_t at) {
    return std::uint64_t{static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8))} *
           static_cast<std::uint16_t>(data[at + 2] | (data[at + 3] << 8));
  };
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 20;
  if (size >= 10 && area(6) > kLimit) return true;
  for (std::size_t at = 13; at + 9 <= size; ++at) {
    if (data[at] == 0x2C && area(at + 5) > kLimit) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (DeclaresHugePicture(data, size)) return 0;
  GifAnimation* animation = GifOpenAnimationFromMemory(data, size);
  if (!animation) return 0;
  int frames = 0;
  DibImage* small = DibCreate(1, 9, 6, nullptr, 0x00336699);
  for (GifFrame* frame = animation->first; frame; frame = frame->next, ++frames) {
    if (!frame->image == !frame->maskedImage || !frame->maskedImage != !frame->mask) {
      __builtin_trap();
    }
    animation->current = frame;
    DibFree(GifRenderFrame(animation, 0x00FFFFFF));
    DibFree(GifFrameMask(animation));
    if (small && !GifDrawFrameToImage(animation, small, -3, 2)) __builtin_trap();
  }
  if (frames != animation->frameCount) __builtin_trap();
  DibFree(small);
  GifFreeAnimation(animation);
  return 0;
}
