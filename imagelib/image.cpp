// The image block: allocation, creation, copies and the accessors that derive the
// palette, the pixel area and pixel addresses from the header.
#include <malloc.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "dib_image.h"

namespace {

std::size_t g_liveBlocks = 0;
std::size_t g_liveBytes = 0;

std::size_t HeapSize(void* block) {
#ifdef _WIN32
  return _msize(block);
#else
  return malloc_usable_size(block);
#endif
}

// The header's stride and palette rules, free of overflow for any header values.
std::uint32_t PaletteCountOf(const DibImage& header) {
  if (header.colorsUsed != 0) return header.colorsUsed;
  switch (header.bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

std::uint8_t* PixelRow(std::uint8_t* pixels, const DibImage& image, int y) {
  return pixels + static_cast<std::size_t>(image.height - 1 - y) * DibStride(&image);
}

DibImage* NewImage(int width, int height, int bitCount, std::uint32_t paletteCount) {
  const std::size_t bytes = DibBlockBytes(width, height, bitCount, paletteCount);
  if (bytes == 0) return nullptr;
  auto* image = static_cast<DibImage*>(ImgAlloc(bytes));
  if (!image) return nullptr;
  image->headerSize = kDibHeaderSize;
  image->width = width;
  image->height = height;
  image->planes = 1;
  image->bitCount = static_cast<std::uint16_t>(bitCount);
  return image;
}

// Pixel bytes of a block made by NewImage: no row reaches past them.
std::size_t PixelBytes(const DibImage* image) {
  return DibStride(image) * static_cast<std::size_t>(image->height);
}

}  // namespace

void* ImgAlloc(std::size_t size) {
  void* block = std::calloc(1, std::max<std::size_t>(size, 1));
  if (!block) return nullptr;
  ++g_liveBlocks;
  g_liveBytes += HeapSize(block);
  return block;
}

void ImgFree(void* block) {
  if (!block) return;
  --g_liveBlocks;
  g_liveBytes -= HeapSize(block);
  std::free(block);
}

std::size_t ImgLiveBlocks() { return g_liveBlocks; }
std::size_t ImgLiveBytes() { return g_liveBytes; }

int RoundUp4(int bytes) { return bytes > INT_MAX - 3 ? 0 : (bytes + 3) & ~3; }

std::size_t DibRowBytes(int width, int bitCount) {
  if (width <= 0 || bitCount <= 0 || bitCount > 32) return 0;
  const std::uint64_t bits = static_cast<std::uint64_t>(width) * static_cast<unsigned>(bitCount);
  const std::uint64_t bytes = ((bits + 7) / 8 + 3) & ~std::uint64_t{3};
  // No block holds a longer row; refusing it here also keeps the size within a 32-bit
  // size_t, which it would otherwise wrap around (width 0x55555556 at 24 bits gave 4).
  return bytes > kDibMaxBlockBytes ? 0 : static_cast<std::size_t>(bytes);
}

std::size_t DibBlockBytes(int width, int height, int bitCount, std::uint32_t paletteCount) {
  const std::uint64_t stride = DibRowBytes(width, bitCount);
  if (stride == 0 || height <= 0 || paletteCount > kDibMaxBlockBytes / 4) return 0;
  const std::uint64_t pixels = stride * static_cast<std::uint64_t>(height);
  const std::uint64_t total = kDibHeaderSize + std::uint64_t{paletteCount} * 4 + pixels;
  return total > kDibMaxBlockBytes ? 0 : static_cast<std::size_t>(total);
}

DibImage* DibCreate(int is24, int width, int height, const void* source, DibColor fill) {
  DibImage* image = is24 ? NewImage(width, height, 24, 0) : NewImage(width, height, 8, 256);
  if (!image) return nullptr;
  std::uint8_t* pixels = DibBits(image);
  const std::size_t bytes = PixelBytes(image);
  if (!is24) {
    image->colorsUsed = 256;
    std::uint8_t* entry = DibPalette(image);
    for (int level = 0; level < 256; ++level, entry += 4) {
      entry[0] = entry[1] = entry[2] = static_cast<std::uint8_t>(level);
    }
  }
  if (source) {
    std::memcpy(pixels, source, bytes);
    return image;
  }
  const std::uint8_t red = fill & 0xFF, green = (fill >> 8) & 0xFF, blue = (fill >> 16) & 0xFF;
  if (!is24 || (red == green && green == blue)) {
    if (red != 0) std::memset(pixels, red, bytes);
    return image;
  }
  // One row pixel by pixel, the others copied from it.
  const std::size_t stride = DibStride(image);
  std::uint8_t* pixel = pixels;
  for (int x = 0; x < width; ++x, pixel += 3) {
    pixel[0] = blue;
    pixel[1] = green;
    pixel[2] = red;
  }
  for (int row = 1; row < height; ++row) std::memcpy(pixels + row * stride, pixels, stride);
  return image;
}

DibImage* DibCreatePalettized(int width, int height, int count, const std::uint8_t* rgb) {
  count = std::clamp(count, 0, 256);
  if (count == 0 || !rgb) return nullptr;
  DibImage* image = NewImage(width, height, 8, static_cast<std::uint32_t>(count));
  if (!image) return nullptr;
  image->colorsUsed = static_cast<std::uint32_t>(count);
  std::uint8_t* entry = DibPalette(image);
  for (int i = 0; i < count; ++i, entry += 4, rgb += 3) {
    entry[0] = rgb[2];
    entry[1] = rgb[1];
    entry[2] = rgb[0];
  }
  return image;
}

DibImage* DibCreateWithPalette(int width, int height, int bitCount, std::uint32_t paletteCount,
                               const std::uint8_t* palette) {
  if (bitCount < 16 && paletteCount == 0) return nullptr;
  DibImage* image = NewImage(width, height, bitCount, paletteCount);
  if (!image) return nullptr;
  image->imageSize = static_cast<std::uint32_t>(PixelBytes(image));
  image->colorsUsed = paletteCount;
  if (palette) std::memcpy(DibPalette(image), palette, std::size_t{paletteCount} * 4);
  return image;
}

DibImage* DibDuplicate(const DibImage* image) {
  const std::size_t bytes = DibTotalSize(image);
  if (bytes == 0) return nullptr;  // invalid, or no rows (a top-down header from elsewhere)
  auto* copy = static_cast<DibImage*>(ImgAlloc(bytes));
  if (copy) std::memcpy(copy, image, bytes);
  return copy;
}

int DibCopyInto(DibImage* destination, const DibImage* source) {
  if (!DibIsValid(destination) || !DibIsValid(source)) return 0;
  if (DibIs24(destination) != DibIs24(source) || destination->width != source->width ||
      destination->height != source->height || DibTotalSize(source) == 0 ||
      DibTotalSize(destination) != DibTotalSize(source)) {
    return 0;
  }
  if (destination != source) std::memcpy(destination, source, DibTotalSize(source));
  return 1;
}

int DibFree(DibImage* image) {
  ImgFree(image);
  return 1;
}

int DibIsValid(const DibImage* image) { return image && image->headerSize == kDibHeaderSize; }

DibImage* DibValidOrNull(DibImage* image) { return DibIsValid(image) ? image : nullptr; }

int DibWidth(const DibImage* image) { return DibIsValid(image) ? image->width : 0; }
int DibHeight(const DibImage* image) { return DibIsValid(image) ? image->height : 0; }
int DibBitCount(const DibImage* image) { return DibIsValid(image) ? image->bitCount : 0; }
int DibBytesPerPixel(const DibImage* image) { return DibBitCount(image) / 8; }
int DibIs24(const DibImage* image) { return DibBytesPerPixel(image) == 3; }

std::size_t DibStride(const DibImage* image) {
  return DibIsValid(image) ? DibRowBytes(image->width, image->bitCount) : 0;
}

int DibPaletteCount(const DibImage* image) {
  return DibIsValid(image) ? static_cast<int>(std::min<std::uint32_t>(PaletteCountOf(*image),
                                                                      kDibMaxBlockBytes / 4))
                           : 0;
}

std::size_t DibPaletteBytes(const DibImage* image) {
  return static_cast<std::size_t>(DibPaletteCount(image)) * 4;
}

std::uint8_t* DibPalette(DibImage* image) {
  return DibIsValid(image) ? reinterpret_cast<std::uint8_t*>(image) + kDibHeaderSize : nullptr;
}
const std::uint8_t* DibPalette(const DibImage* image) {
  return DibPalette(const_cast<DibImage*>(image));
}

std::uint8_t* DibBits(DibImage* image) {
  return DibIsValid(image) ? DibPalette(image) + DibPaletteBytes(image) : nullptr;
}
const std::uint8_t* DibBits(const DibImage* image) { return DibBits(const_cast<DibImage*>(image)); }

std::size_t DibTotalSize(const DibImage* image) {
  const std::uint64_t stride = DibStride(image);
  if (stride == 0 || image->height <= 0) return 0;
  // In 64 bits: a header made elsewhere may claim more than a 32-bit size_t holds, and no
  // block of this library is larger than the limit.
  const std::uint64_t bytes =
      kDibHeaderSize + DibPaletteBytes(image) + stride * static_cast<std::uint32_t>(image->height);
  return bytes > kDibMaxBlockBytes ? 0 : static_cast<std::size_t>(bytes);
}

int DibInBounds(const DibImage* image, int x, int y) {
  return DibIsValid(image) && x >= 0 && x < image->width && y >= 0 && y < image->height;
}

std::uint8_t* DibPixelAddressIn(std::uint8_t* pixels, const DibImage* image, int x, int y) {
  if (!pixels || !DibInBounds(image, x, y)) return nullptr;
  return PixelRow(pixels, *image, y) + static_cast<std::size_t>(x) * DibBytesPerPixel(image);
}

std::uint8_t* DibPixelAddress(DibImage* image, int x, int y) {
  return DibPixelAddressIn(DibBits(image), image, x, y);
}
const std::uint8_t* DibPixelAddress(const DibImage* image, int x, int y) {
  return DibPixelAddress(const_cast<DibImage*>(image), x, y);
}
