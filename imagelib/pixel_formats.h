// Conversion of stored rows of 16- and 32-bit pixels with colour masks into 24-bit rows,
// shared by the BMP reader and the in-memory conversion to 24 bits.
#pragma once

#include <bit>
#include <cstdint>

namespace kolta::image {

// One colour channel selected by a bit mask, widened to 8 bits by repeating its bits (as
// GDI does: 5-bit 24 becomes 198) or narrowed to its top 8 bits.
class MaskedChannel {
 public:
  constexpr explicit MaskedChannel(std::uint32_t mask)
      : mask_(mask),
        shift_(mask ? std::countr_zero(mask) : 0),
        bits_(static_cast<int>(std::bit_width(mask >> shift_))) {}

  constexpr std::uint8_t operator()(std::uint32_t pixel) const {
    if (bits_ == 0) return 0;
    const std::uint32_t value = (pixel & mask_) >> shift_;
    if (bits_ >= 8) return static_cast<std::uint8_t>(value >> (bits_ - 8));
    std::uint32_t widened = value << (8 - bits_);
    for (int filled = bits_; filled < 8; filled += bits_) widened |= widened >> bits_;
    return static_cast<std::uint8_t>(widened);
  }

 private:
  std::uint32_t mask_;
  int shift_;
  int bits_;
};

struct ColourMasks {
  std::uint32_t red, green, blue;
};

inline constexpr ColourMasks kMasks555{0x7C00, 0x03E0, 0x001F};
inline constexpr ColourMasks kMasks888{0xFF0000, 0x00FF00, 0x0000FF};

// Converts `width` pixels of `bitCount` (16 or 32) bits into blue, green, red triples.
inline void MaskedRowTo24(const std::uint8_t* in, int width, int bitCount, const ColourMasks& masks,
                          std::uint8_t* out) {
  const MaskedChannel red(masks.red), green(masks.green), blue(masks.blue);
  const int step = bitCount / 8;
  for (int x = 0; x < width; ++x, in += step, out += 3) {
    const std::uint32_t pixel = step == 2 ? in[0] | (in[1] << 8)
                                          : in[0] | (in[1] << 8) | (in[2] << 16) |
                                                (static_cast<std::uint32_t>(in[3]) << 24);
    out[0] = blue(pixel);
    out[1] = green(pixel);
    out[2] = red(pixel);
  }
}

}  // namespace kolta::image
