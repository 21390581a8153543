// Mirroring one stored row left to right in place, for the readers of formats whose rows
// may run right to left.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

namespace kolta::image {

// Reverses the order of the first `width` pixels of `row` (1, 4, 8, 24 or 32 bits each;
// below 8 bits the first pixel is the most significant bits of the first byte). The row
// must hold them; other depths are left as they are.
inline void MirrorRow(std::span<std::uint8_t> row, int width, int bitCount) {
  if (width < 2) return;
  if (bitCount == 1 || bitCount == 4) {
    const int perByte = 8 / bitCount;
    const unsigned mask = (1u << bitCount) - 1;
    auto shift = [&](int x) { return 8 - bitCount * (x % perByte + 1); };
    auto get = [&](int x) { return (row[x / perByte] >> shift(x)) & mask; };
    auto put = [&](int x, unsigned value) {
      std::uint8_t& byte = row[x / perByte];
      byte = static_cast<std::uint8_t>((byte & ~(mask << shift(x))) | (value << shift(x)));
    };
    for (int left = 0, right = width - 1; left < right; ++left, --right) {
      const unsigned a = get(left), b = get(right);
      put(left, b);
      put(right, a);
    }
    return;
  }
  if (bitCount % 8 != 0 || bitCount > 32) return;
  const int n = bitCount / 8;
  for (int left = 0, right = width - 1; left < right; ++left, --right) {
    std::swap_ranges(row.begin() + left * n, row.begin() + (left + 1) * n, row.begin() + right * n);
  }
}

}  // namespace kolta::image
