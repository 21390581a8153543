// Where the samples of a WAV file lie and how they are laid out, found by walking the
// file's RIFF chunks. Portable: the file is reached through a WavSource, which the
// Windows side implements on a file handle and the tests on bytes in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace kolta::sound {

// The fields of the format chunk that a sound buffer needs. Only integer PCM samples are
// taken (the PCM tag, or the extensible tag with the PCM sub-format).
struct WavFormat {
  std::uint16_t channels = 0;
  std::uint32_t samplesPerSecond = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
};

struct WavLayout {
  WavFormat format;
  std::uint64_t dataOffset = 0;  // from the start of the file
  std::uint32_t dataSize = 0;    // the "data" chunk's size, cut to what the file holds
};

// Random-access reads of a file of known size.
class WavSource {
 public:
  virtual ~WavSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Fills `out` from `offset`; false when the bytes are not all there or reading fails.
  virtual bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// A WAV file held in memory.
class MemoryWavSource final : public WavSource {
 public:
  explicit MemoryWavSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

// Walks the chunks after the 12-byte RIFF header (whose identifiers are not compared):
// the first "fmt " chunk gives the format, the first "data" chunk after it the samples;
// every other chunk (fact, LIST, ...) is skipped by its size, padded to an even length as
// RIFF requires. Nothing when there is no format chunk before the data chunk, when the
// format chunk is shorter than the 16 bytes of a PCM format record, when its samples are
// not integer PCM (ADPCM, mu-law, floating point, MP3, ...), or when it gives 0 channels,
// 0 samples per second or 0 block align.
std::optional<WavLayout> ReadWavLayout(WavSource& source);

// How the samples sit in a sound buffer: whole frames only, a trailing partial frame is
// dropped. A file of one or two channels is copied as it is. DirectSound takes no PCM
// block align other than channels x sample size, so a file of more channels plays as
// stereo made of the first two channels of each frame (front left and right in the WAVE
// channel order).
struct BufferShape {
  std::uint16_t channels = 0;
  std::uint16_t blockAlign = 0;
  std::uint32_t bytes = 0;
  bool copiedAsIs = true;
};

// Nothing when a file of more than two channels has a block align that is not a whole
// number of bytes per channel.
std::optional<BufferShape> BufferShapeOf(const WavLayout& layout);

// Copies the first `keep` bytes of every whole `block`-byte frame of `in` to `out`
// (which must hold them); the number of bytes written.
std::size_t KeepFrameStarts(std::span<const std::uint8_t> in, std::size_t block, std::size_t keep,
                            std::span<std::uint8_t> out);

}  // namespace kolta::sound
