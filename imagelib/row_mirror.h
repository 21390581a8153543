// Mirroring one stored row left to right in place, for the readers of formats whose rows
// may run right to left.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kolta::image {

// Reverses the order of the first `width` pixels of `row` (1, 4, 8, 24 or 32 bits each;
// below 8 bits the first pixel is the most significant bits of the first byte). A row too
// short to hold them, and other depths, are left as they are. Offsets are sizes, not ints:
// 2^30 + 1 pixels of 4 bytes would put the last one at 2^32.
inline void MirrorRow(std::span<std::uint8_t> row, int width, int bitCount) {
  if (width < 2) return;
  const auto pixels = static_cast<std::size_t>(width);
  if (bitCount == 1 || bitCount == 4) {
    const std::size_t perByte = 8 / static_cast<std::size_t>(bitCount);
    if ((pixels + perByte - 1) / perByte > row.size()) return;
    const unsigned mask = (1u << bitCount) - 1;
    auto shift = [&](std::size_t x) { return 8 - bitCount * static_cast<int>(x % perByte + 1); };
    auto get = [&](std::size_t x) { return (row[x / perByte] >> shift(x)) & mask; };
    auto put = [&](std::size_t x, unsigned value) {
      std::uint8_t& byte = row[x / perByte];
      byte = static_cast<std::uint8_t>((byte & ~(mask << shift(x))) | (value << shift(x)));
    };
    for (std::size_t left = 0, right = pixels - 1; left < right; ++left, --right) {
      const unsigned a = get(left), b = get(right);
      put(left, b);
      put(right, a);
    }
    return;
  }
  if (bitCount <= 0 || bitCount % 8 != 0 || bitCount > 32) return;
  const std::size_t n = static_cast<std::size_t>(bitCount) / 8;
  if (pixels > row.size() / n) return;
  for (std::size_t left = 0, right = pixels - 1; left < right; ++left, --right) {
    const std::span<std::uint8_t> a = row.subspan(left * n, n);
    std::swap_ranges(a.begin(), a.end(), row.subspan(right * n, n).begin());
  }
}

}  // namespace kolta::image
