// Reads arbitrary bytes as a GIF file, then composes every frame the way the skin and the
// animation player do (rendered over a colour, drawn at an offset onto a smaller picture,
// with its mask), so that every frame the reader keeps is proven consistent. The picture
// and mask of GifLoadFromMemory, which decodes the first frame alone, must be those the
// animation gives for its first frame.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gif_file.h"
#include "picture_fuzz.h"

namespace {

// Both null, or blocks alike byte for byte; frees both.
void ExpectSameAndFree(DibImage* got, DibImage* want) {
  if (!got != !want) __builtin_trap();
  if (got &&
      (DibTotalSize(got) != DibTotalSize(want) || std::memcmp(got, want, DibTotalSize(got)) != 0)) {
    __builtin_trap();
  }
  DibFree(got);
  DibFree(want);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (kolta::test::GifDeclaresHugePicture(data, size)) return 0;
  DibImage* firstMask = nullptr;
  DibImage* first = GifLoadFromMemory(data, size, &firstMask);
  GifAnimation* animation = GifOpenAnimationFromMemory(data, size);
  if (!animation) {
    ExpectSameAndFree(first, nullptr);
    ExpectSameAndFree(firstMask, nullptr);
    return 0;
  }
  ExpectSameAndFree(first, GifRenderFrame(animation, 0x00FFFFFF));
  ExpectSameAndFree(firstMask, GifFrameMask(animation));
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
