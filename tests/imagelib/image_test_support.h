// Helpers for the image library's tests: test pictures and a writer of bitmap files.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "alpha_runs.h"
#include "dib_image.h"
#include "image_owners.h"
#include "selection_mask.h"

namespace kolta::test {

// Blue, green, red of a 24-bit pixel as a COLORREF.
inline DibColor PixelColour(const DibImage* image, int x, int y) {
  const std::uint8_t* p = DibPixelAddress(image, x, y);
  return p ? DibRgb(p[2], p[1], p[0]) : 0xFFFFFFFFu;
}

// A 24-bit image whose pixel (x, y) is blue, green, red = colour(x, y).
template <typename Colour>
ImagePtr RgbImage(int width, int height, Colour colour) {
  ImagePtr image(DibCreate(1, width, height, nullptr, 0));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::array<int, 3> bgr = colour(x, y);
      std::uint8_t* p = DibPixelAddress(image.get(), x, y);
      for (int k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>(bgr[k]);
    }
  }
  return image;
}

// A 24-bit picture without symmetries, so that any misplaced pixel shows.
inline ImagePtr Pattern(int width, int height) {
  return RgbImage(width, height, [](int x, int y) {
    return std::array{x * 37 + y, y * 53 + 7, (x * y * 11) ^ 0x5A};
  });
}

// An 8-bit image whose pixel (x, y) is values[y * width + x], and the values read back.
inline ImagePtr Grey(int width, int height, std::initializer_list<int> values) {
  ImagePtr image(DibCreate(0, width, height, nullptr, 0));
  auto it = values.begin();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      *DibPixelAddress(image.get(), x, y) = static_cast<std::uint8_t>(*it++);
  }
  return image;
}

inline std::vector<int> GreyValues(const DibImage* image) {
  std::vector<int> values;
  for (int y = 0; y < DibHeight(image); ++y) {
    for (int x = 0; x < DibWidth(image); ++x) values.push_back(*DibPixelAddress(image, x, y));
  }
  return values;
}

// An 8-bit image whose pixel (x, y) is value(x, y).
template <typename Value>
ImagePtr GreyImage(int width, int height, Value value) {
  ImagePtr image(DibCreate(0, width, height, nullptr, 0));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      *DibPixelAddress(image.get(), x, y) = static_cast<std::uint8_t>(value(x, y));
  }
  return image;
}

// Mask opacities with every kind of alpha run: invisible (up to 20), partial and opaque, in
// runs of three that fall differently into frames of other widths.
inline int SoftMaskValue(int x, int y) {
  static constexpr int kLevels[] = {0, 255, 128, 21, 20, 200, 255, 10, 64, 255, 1};
  return kLevels[(x / 3 + y) % 11];
}

// The stored rows with their padding.
inline std::vector<std::uint8_t> PixelBytes(const DibImage* image) {
  const std::uint8_t* bits = DibBits(image);
  return {bits, bits + DibStride(image) * DibHeight(image)};
}

inline std::array<int, 4> Sides(const DibRect& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

// A bitmap file written field by field.
struct BmpFields {
  std::uint32_t infoSize = 40;
  std::int32_t width = 1, height = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::vector<std::uint32_t> palette;  // written as is (blue in the low byte)
  std::vector<std::uint32_t> masks;    // written after a 40-byte header, or inside a larger one
  std::vector<std::uint8_t> gap;       // bytes between the palette and the pixels
  std::vector<std::uint8_t> pixels;    // rows or stream
  bool offsetAfterGap = true;          // the file header points past the gap
};

inline void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline std::vector<std::uint8_t> BmpBytes(const BmpFields& fields) {
  const bool masksInHeader = fields.infoSize >= 52;
  const std::uint32_t extraMasks =
      masksInHeader ? 0 : static_cast<std::uint32_t>(fields.masks.size() * 4);
  const std::uint32_t beforeGap =
      14 + fields.infoSize + extraMasks + static_cast<std::uint32_t>(fields.palette.size() * 4);
  const std::uint32_t offset =
      beforeGap + (fields.offsetAfterGap ? static_cast<std::uint32_t>(fields.gap.size()) : 0);
  std::vector<std::uint8_t> out = {'B', 'M'};
  Put(out, static_cast<std::uint32_t>(beforeGap + fields.gap.size() + fields.pixels.size()));
  Put(out, 0);
  Put(out, offset);
  Put(out, fields.infoSize);
  Put(out, static_cast<std::uint32_t>(fields.width));
  Put(out, static_cast<std::uint32_t>(fields.height));
  Put(out, 1, 2);
  Put(out, fields.bitCount, 2);
  Put(out, fields.compression);
  Put(out, static_cast<std::uint32_t>(fields.pixels.size()));
  Put(out, 2835);
  Put(out, 2835);
  Put(out, fields.colorsUsed);
  Put(out, 0);
  std::vector<std::uint8_t> extension(fields.infoSize - 40, 0);
  for (std::size_t i = 0; masksInHeader && i < fields.masks.size(); ++i) {
    for (int b = 0; b < 4; ++b)
      extension[i * 4 + b] = static_cast<std::uint8_t>(fields.masks[i] >> (8 * b));
  }
  out.insert(out.end(), extension.begin(), extension.end());
  if (!masksInHeader) {
    for (std::uint32_t mask : fields.masks) Put(out, mask);
  }
  for (std::uint32_t entry : fields.palette) Put(out, entry);
  out.insert(out.end(), fields.gap.begin(), fields.gap.end());
  out.insert(out.end(), fields.pixels.begin(), fields.pixels.end());
  return out;
}

inline std::vector<std::uint32_t> GreyPalette(int count) {
  std::vector<std::uint32_t> palette;
  for (int i = 0; i < count; ++i) palette.push_back(static_cast<std::uint32_t>(i) * 0x010101u);
  return palette;
}

// The bitmap file of a 24-bit image, or of an 8-bit one with a grey palette.
inline std::vector<std::uint8_t> ImageBmpBytes(const DibImage* image) {
  BmpFields fields;
  fields.width = DibWidth(image);
  fields.height = DibHeight(image);
  fields.bitCount = static_cast<std::uint16_t>(DibBitCount(image));
  if (fields.bitCount == 8) fields.palette = GreyPalette(256);
  fields.pixels = PixelBytes(image);
  return BmpBytes(fields);
}

}  // namespace kolta::test
