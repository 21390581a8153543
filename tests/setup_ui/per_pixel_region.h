// The window shape built the slow, obvious way, to check the run-based builder against,
// and mask files for both.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../imagelib/image_test_support.h"
#include "bmp_file.h"

namespace kolta::test {

// The rectangle of the mask with every pixel below 128 cut out by one 1 x 1 RGN_XOR
// combine per pixel, rows from the top. Null for a file that is not an 8-bit bitmap.
inline HRGN PerPixelRegionFromMask(const char* path) {
  ImagePtr mask(BmpLoad(path));
  if (!mask || DibBitCount(mask.get()) != 8) return nullptr;
  HRGN region = CreateRectRgn(0, 0, DibWidth(mask.get()), DibHeight(mask.get()));
  for (int y = 0; y < DibHeight(mask.get()); ++y) {
    const std::uint8_t* row = DibPixelAddress(mask.get(), 0, y);
    for (int x = 0; x < DibWidth(mask.get()); ++x) {
      if (row[x] >= 128) continue;
      HRGN pixel = CreateRectRgn(x, y, x + 1, y + 1);
      HRGN combined = CreateRectRgn(0, 0, 0, 0);
      CombineRgn(combined, region, pixel, RGN_XOR);
      DeleteObject(pixel);
      DeleteObject(region);
      region = combined;
    }
  }
  return region;
}

// An 8-bit mask file of `values` (row by row from the top). Its palette runs from white
// to black, so that a palette colour never equals its value.
inline std::string MaskFileBytes(int width, int height, const std::vector<std::uint8_t>& values) {
  const ImagePtr mask = GreyImage(
      width, height, [&](int x, int y) { return values[static_cast<std::size_t>(y) * width + x]; });
  BmpFields fields;
  fields.width = width;
  fields.height = height;
  fields.bitCount = 8;
  for (std::uint32_t i = 0; i < 256; ++i) fields.palette.push_back((255 - i) * 0x010101u);
  fields.pixels = PixelBytes(mask.get());
  const std::vector<std::uint8_t> bytes = BmpBytes(fields);
  return {bytes.begin(), bytes.end()};
}

}  // namespace kolta::test
