// Walks the chunks of arbitrary bytes taken as a WAV file: whatever is found must lie
// inside the file and describe a usable format.
#include <cstddef>
#include <cstdint>

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
  return 0;
}
