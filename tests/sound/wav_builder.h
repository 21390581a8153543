// Builds WAV files in memory for the tests: any chunks in any order, PCM tones of any
// channel count and sample size.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <string_view>

namespace kolta::test {

inline void PutLe16(std::string& out, std::uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

inline void PutLe32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

// One chunk: identifier, size (the body's unless given), body and, for an odd size, the
// pad byte.
inline std::string Chunk(std::string_view id, std::string_view body,
                         std::optional<std::uint32_t> declaredSize = std::nullopt) {
  std::string out(id);
  PutLe32(out, declaredSize.value_or(static_cast<std::uint32_t>(body.size())));
  out += body;
  if (body.size() % 2) out += '\0';
  return out;
}

struct PcmFormat {
  std::uint16_t channels = 1;
  std::uint32_t rate = 22050;
  std::uint16_t bits = 16;
  constexpr std::uint16_t blockAlign() const {
    return static_cast<std::uint16_t>(channels * bits / 8);
  }
};

// The shapes the tests play: both sample sizes, and more channels than a buffer takes.
inline constexpr PcmFormat kMono8{1, 22050, 8};
inline constexpr PcmFormat kMono16{1, 22050, 16};
inline constexpr PcmFormat kStereo16{2, 44100, 16};
inline constexpr PcmFormat kQuad16{4, 22050, 16};

// The 16-byte PCM format record; `extraBytes` more make an extended one.
inline std::string FormatBody(const PcmFormat& format, std::size_t extraBytes = 0) {
  std::string out;
  PutLe16(out, 1);
  PutLe16(out, format.channels);
  PutLe32(out, format.rate);
  PutLe32(out, format.rate * format.blockAlign());
  PutLe16(out, format.blockAlign());
  PutLe16(out, format.bits);
  if (extraBytes >= 2) PutLe16(out, static_cast<std::uint16_t>(extraBytes - 2));
  out.append(extraBytes >= 2 ? extraBytes - 2 : extraBytes, '\x7F');
  return out;
}

// The same record under another format tag (with an empty extension).
inline std::string FormatBodyTagged(const PcmFormat& format, std::uint16_t tag) {
  std::string body = FormatBody(format, 2);
  body[0] = static_cast<char>(tag & 0xFF);
  body[1] = static_cast<char>(tag >> 8);
  return body;
}

// The 40-byte extensible record of `format`, naming a sub-format of the wave family by the
// first two bytes of its identifier (1 integer PCM, 3 floating point).
inline std::string ExtensibleFormatBody(const PcmFormat& format, std::uint16_t subFormat) {
  std::string body = FormatBodyTagged(format, 0xFFFE).substr(0, 16);
  PutLe16(body, 22);  // extension size
  PutLe16(body, format.bits);
  PutLe32(body, format.channels == 1 ? 0x4 : 0x3);  // front centre, or front left and right
  PutLe16(body, subFormat);
  body += std::string("\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 14);
  return body;
}

// A sine tone at `level` (1 = full scale) in every channel.
inline std::string ToneSamples(const PcmFormat& format, double frequency, double seconds,
                               double level = 0.5) {
  const auto frames = static_cast<std::size_t>(format.rate * seconds);
  std::string out;
  out.reserve(frames * format.blockAlign());
  for (std::size_t i = 0; i < frames; ++i) {
    const double value =
        level * std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i) / format.rate);
    for (int c = 0; c < format.channels; ++c) {
      if (format.bits == 8) {
        out += static_cast<char>(static_cast<std::uint8_t>(std::lround(128 + 127 * value)));
      } else {
        PutLe16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(32767 * value))));
      }
    }
  }
  return out;
}

// RIFF header and WAVE identifier around the given chunks.
inline std::string Riff(std::string_view chunks) {
  std::string out = "RIFF";
  PutLe32(out, static_cast<std::uint32_t>(chunks.size() + 4));
  out += "WAVE";
  out += chunks;
  return out;
}

inline std::string ToneWav(const PcmFormat& format, double frequency, double seconds,
                           double level = 0.5) {
  return Riff(Chunk("fmt ", FormatBody(format)) +
              Chunk("data", ToneSamples(format, frequency, seconds, level)));
}

}  // namespace kolta::test
