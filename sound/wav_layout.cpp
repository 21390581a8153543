#include "wav_layout.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace kolta::sound {
namespace {

constexpr std::uint64_t kRiffHeaderSize = 12;  // "RIFF", size, "WAVE"
constexpr std::size_t kChunkHeaderSize = 8;    // identifier, little-endian size
// A PCM format record; an extended one (18 bytes and more) adds nothing used here.
constexpr std::uint32_t kPcmFormatSize = 16;
// The extensible record: the PCM fields, an extension size, valid bits, a channel mask and
// the sub-format identifier at offset 24.
constexpr std::uint32_t kExtensibleFormatSize = 40;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// The identifier of integer PCM samples as an extensible record names them.
constexpr std::array<std::uint8_t, 16> kPcmSubFormat = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                        0x10, 0x00, 0x80, 0x00, 0x00, 0xAA,
                                                        0x00, 0x38, 0x9B, 0x71};

std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool IsChunk(const std::array<std::uint8_t, kChunkHeaderSize>& header, std::string_view id) {
  return std::equal(id.begin(), id.end(), header.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

// Whether the samples are integer PCM: the plain PCM tag, or the extensible record with
// the PCM sub-format. Compressed and floating-point samples would play as noise.
bool HoldsIntegerPcm(WavSource& source, std::uint64_t offset, std::uint32_t size,
                     std::uint16_t tag) {
  if (tag == kFormatPcm) return true;
  if (tag != kFormatExtensible || size < kExtensibleFormatSize) return false;
  std::array<std::uint8_t, kExtensibleFormatSize> record;
  if (!source.ReadAt(offset, record)) return false;
  return std::equal(kPcmSubFormat.begin(), kPcmSubFormat.end(), record.begin() + 24);
}

std::optional<WavFormat> ReadFormat(WavSource& source, std::uint64_t offset, std::uint32_t size) {
  if (size < kPcmFormatSize) return std::nullopt;
  std::array<std::uint8_t, kPcmFormatSize> record;
  if (!source.ReadAt(offset, record)) return std::nullopt;
  if (!HoldsIntegerPcm(source, offset, size, Le16(&record[0]))) return std::nullopt;
  WavFormat format;
  format.channels = Le16(&record[2]);
  format.samplesPerSecond = Le32(&record[4]);
  // record[8..11]: average bytes per second, derived from rate and block align instead.
  format.blockAlign = Le16(&record[12]);
  format.bitsPerSample = Le16(&record[14]);
  if (format.channels == 0 || format.samplesPerSecond == 0 || format.blockAlign == 0) {
    return std::nullopt;
  }
  return format;
}

}  // namespace

std::optional<WavLayout> ReadWavLayout(WavSource& source) {
  const std::uint64_t fileSize = source.Size();
  std::optional<WavFormat> format;
  std::uint64_t offset = kRiffHeaderSize;
  while (offset <= fileSize && fileSize - offset >= kChunkHeaderSize) {
    std::array<std::uint8_t, kChunkHeaderSize> header;
    if (!source.ReadAt(offset, header)) return std::nullopt;
    const std::uint32_t size = Le32(&header[4]);
    const std::uint64_t body = offset + kChunkHeaderSize;
    if (IsChunk(header, "data")) {
      if (!format) return std::nullopt;
      const std::uint64_t available = fileSize - body;
      return WavLayout{*format, body,
                       static_cast<std::uint32_t>(std::min<std::uint64_t>(size, available))};
    }
    if (IsChunk(header, "fmt ") && !format) {
      format = ReadFormat(source, body, size);
      if (!format) return std::nullopt;
    }
    offset = body + size + (size & 1u);
  }
  return std::nullopt;
}

std::optional<BufferShape> BufferShapeOf(const WavLayout& layout) {
  const WavFormat& format = layout.format;
  if (format.channels <= 2) {
    // DirectSound rounds a buffer up to whole frames and never writes the added bytes, so
    // a trailing partial frame (of a cut file) is dropped rather than played as noise.
    const std::uint32_t bytes = layout.dataSize - layout.dataSize % format.blockAlign;
    return BufferShape{format.channels, format.blockAlign, bytes, true};
  }
  if (format.blockAlign % format.channels != 0) return std::nullopt;
  const auto stereoBlock = static_cast<std::uint16_t>(2 * (format.blockAlign / format.channels));
  const std::uint32_t frames = layout.dataSize / format.blockAlign;
  // stereoBlock < blockAlign, so the result is smaller than dataSize.
  return BufferShape{2, stereoBlock, frames * stereoBlock, false};
}

std::size_t KeepFrameStarts(std::span<const std::uint8_t> in, std::size_t block, std::size_t keep,
                            std::span<std::uint8_t> out) {
  std::size_t written = 0;
  if (keep > block) return 0;
  for (std::size_t frame = 0;
       block > 0 && in.size() - frame >= block && out.size() - written >= keep; frame += block) {
    std::memcpy(out.data() + written, in.data() + frame, keep);
    written += keep;
  }
  return written;
}

}  // namespace kolta::sound
