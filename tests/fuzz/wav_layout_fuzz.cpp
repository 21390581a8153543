// Walks the chunks of arbitrary bytes taken as a WAV file: whatever is found must lie
// inside the file and describe a usable format, and a file of more than two channels
// must fill its stereo buffer exactly.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wav_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kolta::sound::MemoryWavSource source({data, size});
  const auto layout = kolta::sound::ReadWavLayout(source);
  if (!layout) return 0;
  if (layout->dataOffset > size || layout->dataSize > size - layout->dataOffset ||
      layout->format.channels == 0 || layout->format.samplesPerSecond == 0 ||
      layout->format.blockAlign == 0) {
    __builtin_trap();
  }
  const auto shape = kolta::sound::BufferShapeOf(*layout);
  if (!shape) return 0;
  // Whole frames of the buffer's own shape, never more bytes than the file holds.
  if (shape->bytes > layout->dataSize || shape->blockAlign == 0 ||
      shape->bytes % shape->blockAlign) {
    __builtin_trap();
  }
  if (shape->copiedAsIs) return 0;
  std::vector<std::uint8_t> buffer(shape->bytes);
  const std::size_t written =
      kolta::sound::KeepFrameStarts({data + layout->dataOffset, layout->dataSize},
                                    layout->format.blockAlign, shape->blockAlign, buffer);
  if (written != shape->bytes) __builtin_trap();
  return 0;
}
