// The image object: one heap block holding a packed device-independent bitmap, in the
// layout GDI accepts as is: a 40-byte header, the palette, then the pixel rows bottom-up,
// each padded to a multiple of 4 bytes. Every operation takes the image as a pointer to
// its block; an image belongs to whoever received it and is released with DibFree.
//
// Sizes are checked before anything is multiplied: no block larger than kDibMaxBlockBytes
// is ever made, and an image that would need one is refused (null).
#pragma once

#include <cstddef>
#include <cstdint>

// A colour as one integer: red in bits 0-7, green in 8-15, blue in 16-23 (COLORREF order).
using DibColor = std::uint32_t;

constexpr DibColor DibRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return red | (green << 8) | (static_cast<DibColor>(blue) << 16);
}

// The block's header. It is the platform's 40-byte bitmap information header, field for
// field (checked in the Windows builds), so that the block is a packed DIB.
struct DibImage {
  std::uint32_t headerSize;  // 40: the block is an image if and only if this is 40
  std::int32_t width;        // > 0
  std::int32_t height;       // > 0: rows are stored bottom-up
  std::uint16_t planes;
  std::uint16_t bitCount;  // 1, 4, 8, 16, 24 or 32
  std::uint32_t compression;
  std::uint32_t imageSize;
  std::int32_t xPelsPerMeter;
  std::int32_t yPelsPerMeter;
  std::uint32_t colorsUsed;  // palette length; 0 means the full palette of 1, 4 and 8 bits
  std::uint32_t colorsImportant;
  // The palette (4 bytes an entry: blue, green, red, 0) and the pixel rows follow.
};
static_assert(sizeof(DibImage) == 40);

inline constexpr std::uint32_t kDibHeaderSize = 40;
// The largest block the library makes (header, palette and pixels together).
inline constexpr std::size_t kDibMaxBlockBytes = std::size_t{256} << 20;

// The library's allocator: zero-filled blocks, counted for diagnosis.
void* ImgAlloc(std::size_t size);
void ImgFree(void* block);
// Live blocks and their heap bytes (the heap's own block sizes, which may exceed the
// requests).
std::size_t ImgLiveBlocks();
std::size_t ImgLiveBytes();

// A new 24-bit (is24) or 8-bit grey image. `source`, when given, holds the pixel rows in
// this same bottom-up padded layout. Otherwise the pixels are filled: 24-bit with `fill`
// (every byte, padding too, when red, green and blue are equal), 8-bit with the low byte
// of `fill` as a palette index. Null for a non-positive or too large size.
DibImage* DibCreate(int is24, int width, int height, const void* source, DibColor fill);
// A new 8-bit image with `count` palette entries (limited to 0-256) from `rgb`, which
// holds them as red, green, blue triples; pixels 0. A count of 0 is refused: the header
// would announce a palette of 256 entries that the block does not hold.
DibImage* DibCreatePalettized(int width, int height, int count, const std::uint8_t* rgb);
// A new image of any depth with `paletteCount` palette entries (4 bytes each: blue, green,
// red, 0) copied from `palette`, or left 0 when it is null; pixels 0. The header records
// the pixel bytes and the palette length. Null for a size the library does not make, and
// for a depth below 16 bits without a palette.
DibImage* DibCreateWithPalette(int width, int height, int bitCount, std::uint32_t paletteCount,
                               const std::uint8_t* palette);
DibImage* DibDuplicate(const DibImage* image);
// Copies the whole source block over the destination when both have the same width,
// height, depth class (24-bit or not) and total size; otherwise 0 and nothing changes.
int DibCopyInto(DibImage* destination, const DibImage* source);
// Releases the block (null allowed); always 1.
int DibFree(DibImage* image);

int DibIsValid(const DibImage* image);
DibImage* DibValidOrNull(DibImage* image);
int DibWidth(const DibImage* image);
int DibHeight(const DibImage* image);
int DibBitCount(const DibImage* image);
int DibBytesPerPixel(const DibImage* image);
int DibIs24(const DibImage* image);
std::size_t DibStride(const DibImage* image);
int DibPaletteCount(const DibImage* image);
std::size_t DibPaletteBytes(const DibImage* image);
std::uint8_t* DibPalette(DibImage* image);
const std::uint8_t* DibPalette(const DibImage* image);
std::uint8_t* DibBits(DibImage* image);
const std::uint8_t* DibBits(const DibImage* image);
// Bytes of the block the header describes; 0 for no image, no rows, or a header (made
// elsewhere) that claims more than kDibMaxBlockBytes.
std::size_t DibTotalSize(const DibImage* image);
int DibInBounds(const DibImage* image, int x, int y);
// Address of pixel (x, y), (0, 0) being the top-left; null outside the image. Below 8
// bits per pixel it is the address of the pixel's row.
std::uint8_t* DibPixelAddress(DibImage* image, int x, int y);
const std::uint8_t* DibPixelAddress(const DibImage* image, int x, int y);
// The same addressing applied to another pixel buffer with the image's geometry.
std::uint8_t* DibPixelAddressIn(std::uint8_t* pixels, const DibImage* image, int x, int y);
// A byte count rounded up to a multiple of 4; 0 when that does not fit an int.
int RoundUp4(int bytes);

// Bytes of one stored row of `width` pixels of `bitCount` bits; 0 when out of range or
// longer than kDibMaxBlockBytes (on every build, so the size never wraps a 32-bit size_t).
std::size_t DibRowBytes(int width, int bitCount);
// Bytes of a whole block (header, `paletteCount` entries, rows), or 0 when the size is
// not positive or the block would exceed kDibMaxBlockBytes.
std::size_t DibBlockBytes(int width, int height, int bitCount, std::uint32_t paletteCount);

// A rectangle in image coordinates; right and bottom are exclusive. Field for field the
// platform's RECT (checked in the Windows builds).
struct DibRect {
  std::int32_t left, top, right, bottom;
};
