// PackBits run-length decoding, shared by the readers whose rows or planes are stored that
// way: a signed control byte n, then n + 1 literal bytes (n 0 to 127) or one byte written
// 1 - n times (n -1 to -127); -128 is a control byte that produces nothing.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace kolta::image {

// Fills `out` from `in` (any source with `int Byte()`, -1 at the end, and
// `std::size_t Read(std::uint8_t*, std::size_t)`). A run that would pass the end of `out`
// is cut there; its remaining input is skipped for literals and dropped for repeats.
// Returns how many bytes were produced: fewer than out.size() only when the input ended.
template <typename Source>
std::size_t UnpackBits(Source& in, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const int control = in.Byte();
    if (control < 0) break;
    const std::size_t room = out.size() - done;
    if (control < 128) {
      const std::size_t length = static_cast<std::size_t>(control) + 1;
      const std::size_t take = std::min(length, room);
      const std::size_t got = in.Read(out.data() + done, take);
      done += got;
      if (got < take) break;
      // The literal's bytes past the end of the output are input all the same.
      for (std::size_t extra = length - take; extra > 0; --extra) {
        if (in.Byte() < 0) return done;
      }
    } else if (control > 128) {
      const int value = in.Byte();
      if (value < 0) break;
      const std::size_t take = std::min<std::size_t>(257 - control, room);
      std::memset(out.data() + done, value, take);
      done += take;
    }
  }
  return done;
}

}  // namespace kolta::image
