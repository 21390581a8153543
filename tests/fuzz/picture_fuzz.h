// Shared parts of the picture readers' fuzz targets: the picture sizes that files declare
// in their headers, and what the skin does with a loaded image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dib_ops.h"

namespace kolta::test {

// A few bytes can declare a picture of hundreds of megabytes, which the readers make (or
// refuse at the library's limit) correctly but slowly; the fuzzers keep to a quarter of a
// megapixel.
inline constexpr std::uint64_t kFuzzMaxPixels = std::uint64_t{1} << 18;

inline bool HugePicture(std::uint64_t width, std::uint64_t height) {
  return width * height > kFuzzMaxPixels;
}

// Bytes of the pixel rows of a picture (each row padded to 4 bytes), worked out here in 64
// bits rather than by the library under test, whose sizes may wrap on a 32-bit build.
inline std::uint64_t PixelRowBytes(std::uint64_t width, std::uint64_t height, int bitCount) {
  const std::uint64_t row = (width * static_cast<std::uint32_t>(bitCount) + 31) / 32 * 4;
  return row > kDibMaxBlockBytes ? kDibMaxBlockBytes + 1 : row * height;
}

// The pictures whose headers the ...DeclaresHugePicture checks below skip: huge ones, but
// not those that no block holds even at the smallest depth the reader could give them
// (`bitCount`). Every reader refuses those at once, before it allocates anything, and they
// reach the limits of row and block sizes (sizes near 2^32 on the 32-bit build).
inline bool SlowPicture(std::uint64_t width, std::uint64_t height, int bitCount) {
  return HugePicture(width, height) && width <= INT32_MAX && height <= INT32_MAX &&
         bitCount > 0 && bitCount <= 32 &&
         PixelRowBytes(width, height, bitCount) <= kDibMaxBlockBytes;
}

// An image holds every row its header claims: its block is exactly the header, the
// palette and those rows.
inline void CheckBlockHoldsRows(const DibImage* image) {
  const std::uint64_t claimed = kDibHeaderSize + std::uint64_t{DibPaletteBytes(image)} +
                                PixelRowBytes(static_cast<std::uint32_t>(DibWidth(image)),
                                              static_cast<std::uint32_t>(DibHeight(image)),
                                              DibBitCount(image));
  if (DibTotalSize(image) != claimed || DibBits(image) == nullptr) __builtin_trap();
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

// The size and depth in the info header, which follows the 14-byte file header; run-length
// files of a few bytes may declare any size. (An image is never shallower than its file.)
// The 12-byte core header holds 16-bit sizes.
inline bool BmpDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  if (size < 30) return false;
  if (Le32At(data + 14) == 12) {
    return SlowPicture(Le16At(data + 18), Le16At(data + 20), static_cast<int>(Le16At(data + 24)));
  }
  const std::int64_t width = Le32At(data + 18), height = Le32At(data + 22);
  return width > 0 &&
         SlowPicture(width, height < 0 ? -height : height, static_cast<int>(Le16At(data + 28)));
}

// The size in the header chunk, which follows the 8-byte signature and the chunk's length
// and type.
inline bool PngDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  return size >= 24 && SlowPicture(Be32At(data + 16), Be32At(data + 20), 8);
}

// The logical screen, and any frame (a byte 0x2C may start an image descriptor anywhere).
inline bool GifDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  auto huge = [&](std::size_t at) {
    return SlowPicture(Le16At(data + at), Le16At(data + at + 2), 24);
  };
  if (size >= 10 && huge(6)) return true;
  for (std::size_t at = 13; at + 9 <= size; ++at) {
    if (data[at] == 0x2C && huge(at + 5)) return true;
  }
  return false;
}

// Height and width in the document header, after the signature, version, reserved bytes
// and channel count.
inline bool PsdDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  return size >= 22 && SlowPicture(Be32At(data + 18), Be32At(data + 14), 24);
}

inline bool TgaDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  return size >= 16 && SlowPicture(Le16At(data + 12), Le16At(data + 14), 8);
}

// The extents are signed; a negative size is refused by the reader anyway.
inline bool PcxDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return false;
  auto extent = [&](std::size_t low, std::size_t high) {
    const int value = static_cast<std::int16_t>(Le16At(data + high)) -
                      static_cast<std::int16_t>(Le16At(data + low)) + 1;
    return static_cast<std::uint64_t>(value < 0 ? 0 : value);
  };
  return SlowPicture(extent(4, 8), extent(6, 10), 1);
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
    if (SlowPicture(Be16At(data + i + 5), Be16At(data + i + 7), 24)) return true;
  }
  return false;
}

// The check of the format whose signature the data begins with (as the loader recognises
// files under another format's extension).
inline bool SignatureDeclaresHugePicture(const std::uint8_t* data, std::size_t size) {
  auto startsWith = [&](const char* mark, std::size_t length) {
    return size >= length && std::memcmp(data, mark, length) == 0;
  };
  if (startsWith("BM", 2)) return BmpDeclaresHugePicture(data, size);
  if (startsWith("\x89PNG", 4)) return PngDeclaresHugePicture(data, size);
  if (startsWith("\xFF\xD8", 2)) return JpegDeclaresHugePicture(data, size);
  if (startsWith("GIF8", 4)) return GifDeclaresHugePicture(data, size);
  if (startsWith("8BPS", 4)) return PsdDeclaresHugePicture(data, size);
  if (startsWith("\x0A", 1)) return PcxDeclaresHugePicture(data, size);
  return false;
}

// Runs what the skin does with an image (conversion, scaling, compositing, mirroring), so
// that every image a reader gives is proven consistent with its own header. Frees it.
inline void ExerciseImage(DibImage* image) {
  if (!image) return;
  CheckBlockHoldsRows(image);
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
