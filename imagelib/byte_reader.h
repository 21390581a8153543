// A buffered little-endian byte reader over a memory block or a C stream, for the file
// readers: whole reads, single bytes, skips, and how much is left when that is known.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace kolta::image {

class ByteReader {
 public:
  static ByteReader FromMemory(const void* data, std::size_t size);
  static ByteReader FromFile(std::FILE* file);

  // Reads up to `count` bytes; returns how many were read.
  std::size_t Read(std::uint8_t* out, std::size_t count);
  // The next byte, or -1 at the end.
  int Byte() {
    if (next_ == end_ && !Refill()) return -1;
    return *next_++;
  }
  // Skips `count` bytes; false when the data ends first.
  bool Skip(std::uint64_t count);
  // Bytes left, when the source can tell.
  std::optional<std::uint64_t> Remaining() const;

 private:
  ByteReader() = default;
  bool Refill();

  std::FILE* file_ = nullptr;
  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  std::array<std::uint8_t, 16384> buffer_{};
};

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace kolta::image
