// Conversion of any image to 24 bits, in memory: palette look-up for 1, 4 and 8 bits,
// 5-5-5 for 16 bits, the fourth byte dropped for 32 bits.
#include <algorithm>
#include <array>
#include <cstring>

#include "dib_ops.h"
#include "pixel_formats.h"

namespace {

using Bgr = std::array<std::uint8_t, 3>;

// The palette as 256 colours; indices past the image's palette are black.
std::array<Bgr, 256> PaletteColours(const DibImage* image) {
  std::array<Bgr, 256> colours{};
  const int count = std::min(DibPaletteCount(image), 256);
  const std::uint8_t* entry = DibPalette(image);
  for (int i = 0; i < count; ++i, entry += 4) colours[i] = {entry[0], entry[1], entry[2]};
  return colours;
}

void IndexedRowTo24(const std::uint8_t* in, int width, int bitCount,
                    const std::array<Bgr, 256>& colours, std::uint8_t* out) {
  const int perByte = 8 / bitCount;
  const unsigned mask = (1u << bitCount) - 1;
  for (int x = 0; x < width; ++x, out += 3) {
    const int shift = 8 - bitCount * (x % perByte + 1);
    const unsigned index = (in[x / perByte] >> shift) & mask;
    std::memcpy(out, colours[index].data(), 3);
  }
}

}  // namespace

DibImage* DibConvertTo24(const DibImage* image) {
  if (!DibIsValid(image)) return nullptr;
  if (DibIs24(image)) return DibDuplicate(image);
  const int bitCount = image->bitCount;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 32) {
    return nullptr;
  }
  DibImage* result = DibCreate(1, image->width, image->height, nullptr, 0);
  if (!result) return nullptr;
  const std::array<Bgr, 256> colours = PaletteColours(image);
  const std::size_t inStride = DibStride(image), outStride = DibStride(result);
  const std::uint8_t* in = DibBits(image);
  std::uint8_t* out = DibBits(result);
  for (int row = 0; row < image->height; ++row, in += inStride, out += outStride) {
    if (bitCount <= 8) {
      IndexedRowTo24(in, image->width, bitCount, colours, out);
    } else {
      const auto& masks = bitCount == 16 ? kolta::image::kMasks555 : kolta::image::kMasks888;
      kolta::image::MaskedRowTo24(in, image->width, bitCount, masks, out);
    }
  }
  return result;
}
