// Shared parts of the picture readers' fuzz targets: the picture sizes that files declare
// in their headers, and what the skin does with a loaded image.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dib_ops.h"

namespace kolta::test {

// A few bytes can declare a picture of hundreds of megabytes, which the readers make (or
// refuse at the library's limit) correctly but slowly; the fuzzers keep to a quarter of a
// megapixel.
inline constexpr std::uint64_t kFuzzMaxPixels = std::uint64_t{1} << 18;

inline bool HugePicture(std::uint64_t width, std::uint64_t height) {
  return width * height > kFuzzMaxPixels;
}

inline std::uint32_t Be16At(const std::uint8_t* p) { return (p[0] << 8) | p[1]; }
inline std::uint32_t Be32At(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

inline std::uint32_t Le16At(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
inline std::int32_t Le32At(const std::uint8_t* p) {
  return static_cast<std::int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                   (static_cast<std::uint32_t>(p[3]) << 24));
}

// The size in the info header, which follows the 14-byte file header; run-length files of
// a few bytes may declare any size.
inline bool BmpDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  if (size < 26) return false;
  const std::int64_t width = Le32At(data + 18), height = Le32At(data + 22);
  return width > 0 && HugePicture(width, height < 0 ? -height : height);
}

// The size in the header chunk, which follows the 8-byte signature and the chunk's length
// and type.
inline bool PngDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  return size >= 24 && HugePicture(Be32At(data + 16), Be32At(data + 20));
}

// The logical screen, and any frame (a byte 0x2C may start an image descriptor anywhere).
inline bool GifDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  auto huge = [&](std::size_t at) { return HugePicture(Le16At(data + at), Le16At(data + at + 2)); };
  if (size >= 10 && huge(6)) return true;
  for (std::size_t at = 13; at + 9 <= size; ++at) {
    if (data[at] == 0x2C && huge(at + 5)) return true;
  }
  return false;
}

// Height and width in the document header, after the signature, version, reserved bytes
// and channel count.
inline bool PsdDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  return size >= 22 && HugePicture(Be32At(data + 18), Be32At(data + 14));
}

inline bool TgaDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  return size >= 16 && HugePicture(Le16At(data + 12), Le16At(data + 14));
}

// The extents are signed; a negative size is refused by the reader anyway.
inline bool PcxDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return false;
  auto extent = [&](std::size_t low, std::size_t high) {
    const int value = static_cast<std::int16_t>(Le16At(data + high)) -
                      static_cast<std::int16_t>(Le16At(data + low)) + 1;
    return static_cast<std::uint64_t>(value < 0 ? 0 : value);
  };
  return HugePicture(extent(4, 8), extent(6, 10));
}

// Any start-of-frame marker (C0-CF but the table markers C4, C8 and CC) with a large size;
// markers inside other segments count too, which only makes the check stricter.
inline bool JpegDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i + 9 <= size; ++i) {
    const std::uint8_t marker = data[i + 1];
    if (data[i] != 0xFF || marker < 0xC0 || marker > 0xCF || marker == 0xC4 || marker == 0xC8 ||
        marker == 0xCC) {
      continue;
    }
    if (HugePicture(Be16At(data + i + 5), Be16At(data + i + 7))) return true;
  }
  return false;
}

// Runs what the skin does with an image (conversion, scaling, compositing, mirroring), so
// that every image a reader gives is proven consistent with its own header. Frees it.
inline void ExerciseImage(DibImage* image) {
  if (!image) return;
  if (DibTotalSize(image) == 0 || DibBits(image) == nullptr) __builtin_trap();
  DibImage* rgb = DibConvertTo24(image);
  DibFree(image);
  if (!rgb) return;
  DibImage* small = DibCreate(1, 7, 5, nullptr, 0x00336699);
  DibStretchCopy(small, -1, 1, 9, 4, rgb, 1, 0, DibWidth(rgb), DibHeight(rgb));
  CompositeParams params{};
  params.target = small;
  params.source = rgb;
  params.x = 2;
  params.sourceY = 1;
  params.useKey = params.keyFromCorner = 1;
  params.opacity = 0.5f;
  params.maxWidth = params.maxHeight = 100;
  DibComposite(nullptr, &params);
  DibFree(DibMirror(DibFlip(rgb)));
  DibFree(small);
}

}  // namespace kolta::test
