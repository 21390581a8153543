// The bytes of one TIFF strip as its decoders read them: what the strip's byte count says,
// as far as the file holds them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "byte_reader.h"

namespace kolta::image {

class StripInput {
 public:
  StripInput(ByteReader& in, std::uint64_t remaining) : in_(in), remaining_(remaining) {}
  // The next byte, or -1 at the end of the strip.
  int Byte() {
    if (remaining_ == 0) return -1;
    --remaining_;
    return in_.Byte();
  }
  // Reads up to `count` bytes; returns how many were read.
  std::size_t Read(std::uint8_t* out, std::size_t count) {
    const auto got =
        in_.Read(out, static_cast<std::size_t>(std::min<std::uint64_t>(count, remaining_)));
    remaining_ -= got;
    return got;
  }
  bool Empty() const { return remaining_ == 0; }

 private:
  ByteReader& in_;
  std::uint64_t remaining_;
};

}  // namespace kolta::image
