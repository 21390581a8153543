// A buffered byte reader over a memory block or a C stream, for the file readers: whole
// reads, single bytes, skips and seeks, positions and sizes measured from where the reader
// started (a stream may be handed over in the middle of a file), and the little- and
// big-endian numbers of the formats.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

namespace kolta::image {

class ByteReader {
 public:
  static ByteReader FromMemory(const void* data, std::size_t size);
  // Reads the stream from its current position, which becomes offset 0.
  static ByteReader FromFile(std::FILE* file);

  // Reads up to `count` bytes; returns how many were read.
  std::size_t Read(std::uint8_t* out, std::size_t count);
  // The next byte, or -1 at the end.
  int Byte() {
    if (next_ == end_ && !Refill()) return -1;
    return *next_++;
  }
  // Skips `count` bytes; false (at the end) when the data ends first.
  bool Skip(std::uint64_t count);
  // Moves to `offset`; false, with the position unchanged, when the offset lies past the
  // end or the source cannot move there.
  bool Seek(std::uint64_t offset);
  std::uint64_t Tell() const { return bufferEnd_ - static_cast<std::uint64_t>(end_ - next_); }
  // All bytes from offset 0 to the end, when the source can tell.
  std::optional<std::uint64_t> Size() const;
  // Bytes left, when the source can tell.
  std::optional<std::uint64_t> Remaining() const;

 private:
  ByteReader() = default;
  bool Refill();

  std::FILE* file_ = nullptr;
  long origin_ = 0;                      // the stream's position at offset 0
  const std::uint8_t* begin_ = nullptr;  // memory: offset 0
  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  std::uint64_t bufferEnd_ = 0;  // offset of end_
  mutable std::optional<std::uint64_t> size_;
  std::array<std::uint8_t, 16384> buffer_{};
};

// Runs `read` (which takes a ByteReader& and returns a pointer) over the file at `path`,
// opened for reading, and closes it; null when the file cannot be opened.
template <typename Read>
auto ReadFile(const char* path, Read read) -> decltype(read(std::declval<ByteReader&>())) {
  std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
  if (!file) return nullptr;
  ByteReader in = ByteReader::FromFile(file);
  auto result = read(in);
  std::fclose(file);
  return result;
}

// The same over a memory block; null for a null block.
template <typename Read>
auto ReadMemory(const void* data, std::size_t size, Read read)
    -> decltype(read(std::declval<ByteReader&>())) {
  if (!data) return nullptr;
  ByteReader in = ByteReader::FromMemory(data, size);
  return read(in);
}

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint16_t ReadBe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t ReadBe32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

}  // namespace kolta::image
