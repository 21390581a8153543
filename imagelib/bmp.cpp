// The bitmap file reader: file header, info header (the Windows ones of 40, 52, 56, 108 or
// 124 bytes, or the OS/2 ones of 12 or 64 bytes), colour masks, palette, then
// uncompressed rows or a run-length stream.
#include <bit>
#include <cstdlib>
#include <cstring>

#include "bmp_file.h"
#include "bmp_rle.h"
#include "byte_reader.h"
#include "new_array.h"
#include "pixel_formats.h"

namespace kolta::image {
namespace {

static_assert(std::endian::native == std::endian::little, "the image block is little-endian");

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kLargestInfoHeader = 124;
// OS/2 1.x core header: 16-bit sizes, and palette entries of three bytes.
constexpr std::uint32_t kCoreHeader = 12;
// OS/2 2.x header: the Windows fields followed by fields of its own; its compression codes 3
// and 4 mean Huffman and 24-bit run-length coding, which are not read.
constexpr std::uint32_t kOs2Header = 64;

// Compression codes, in the order of kLayoutOf below.
enum Compression : std::uint32_t { kPlain = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

// How the file's pixels become the image.
enum class Layout { Plain, Rle8, Rle4, Masked };

struct BmpPlan {
  DibImage header{};  // the file's 40 header fields
  Layout layout = Layout::Plain;
  int height = 0;  // rows, positive
  bool topDown = false;
  std::uint32_t filePalette = 0;  // palette entries stored in the file
  std::uint32_t paletteEntryBytes = 4;
  ColourMasks masks{};
  std::uint64_t headerBytes = 0;  // file header, info header and separate masks
  std::uint32_t pixelOffset = 0;  // where the file header says the pixels start
};

bool IsRunLength(const BmpPlan& plan) {
  return plan.layout == Layout::Rle8 || plan.layout == Layout::Rle4;
}

bool IsKnownBitCount(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool IsKnownInfoHeaderSize(std::uint32_t size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124 ||
         size == kCoreHeader || size == kOs2Header;
}

// The info header's fields as the 40-byte header has them.
DibImage HeaderFields(const std::uint8_t* info, std::uint32_t infoSize) {
  DibImage h{};
  if (infoSize == kCoreHeader) {
    h.width = ReadLe16(info + 4);
    h.height = ReadLe16(info + 6);
    h.planes = ReadLe16(info + 8);
    h.bitCount = ReadLe16(info + 10);
  } else {
    std::memcpy(&h, info, sizeof h);
  }
  h.headerSize = kDibHeaderSize;
  return h;
}

// A core file's palette ends where its pixels start when the file says so: writers store
// fewer entries than the depth allows and point behind them.
std::uint32_t CorePaletteEntries(const BmpPlan& plan, std::uint32_t full) {
  if (plan.pixelOffset <= plan.headerBytes) return full;
  const std::uint64_t room = (plan.pixelOffset - plan.headerBytes) / 3;
  return room < full ? static_cast<std::uint32_t>(room) : full;
}

// Reads the headers and decides how the file is read; false for anything unsupported or
// inconsistent.
bool ReadPlan(ByteReader& in, BmpPlan& plan) {
  std::uint8_t fileHeader[kFileHeaderBytes];
  if (in.Read(fileHeader, sizeof fileHeader) != sizeof fileHeader) return false;
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return false;

  std::uint8_t info[kLargestInfoHeader];
  if (in.Read(info, 4) != 4) return false;
  const std::uint32_t infoSize = ReadLe32(info);
  if (!IsKnownInfoHeaderSize(infoSize) || in.Read(info + 4, infoSize - 4) != infoSize - 4) {
    return false;
  }
  plan.header = HeaderFields(info, infoSize);
  plan.pixelOffset = ReadLe32(fileHeader + 10);
  plan.headerBytes = kFileHeaderBytes + infoSize;

  const DibImage& h = plan.header;
  if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) return false;
  plan.topDown = h.height < 0;
  plan.height = std::abs(h.height);
  if (!IsKnownBitCount(h.bitCount) || h.compression > kBitFields) return false;
  if (infoSize == kOs2Header && h.compression > kRle4) return false;
  if (infoSize == kCoreHeader && h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 &&
      h.bitCount != 24) {
    return false;
  }
  // The file's rows need a size of their own: a masked file's 24-bit image may be made
  // where its 32-bit file rows are longer than any block.
  if (DibRowBytes(h.width, h.bitCount) == 0) return false;
  constexpr Layout kLayoutOf[] = {Layout::Plain, Layout::Rle8, Layout::Rle4, Layout::Masked};
  plan.layout = kLayoutOf[h.compression];
  // Run-length streams are bottom-up by definition and come in one depth each.
  if ((plan.layout == Layout::Rle8 && (h.bitCount != 8 || plan.topDown)) ||
      (plan.layout == Layout::Rle4 && (h.bitCount != 4 || plan.topDown)) ||
      (plan.layout == Layout::Masked && h.bitCount != 16 && h.bitCount != 32)) {
    return false;
  }

  plan.filePalette = h.colorsUsed != 0 ? h.colorsUsed : h.bitCount <= 8 ? 1u << h.bitCount : 0;
  if (h.bitCount <= 8 && plan.filePalette > 256) return false;
  if (infoSize == kCoreHeader) {
    plan.paletteEntryBytes = 3;
    plan.filePalette = CorePaletteEntries(plan, plan.filePalette);
    plan.header.colorsUsed = plan.filePalette;
  }

  if (plan.layout == Layout::Masked) {
    std::uint8_t masks[12];
    if (infoSize >= 52) {
      std::memcpy(masks, info + 40, sizeof masks);
    } else {
      if (in.Read(masks, sizeof masks) != sizeof masks) return false;
      plan.headerBytes += sizeof masks;
    }
    plan.masks = {ReadLe32(masks), ReadLe32(masks + 4), ReadLe32(masks + 8)};
  }
  return true;
}

std::uint64_t FilePaletteBytes(const BmpPlan& plan) {
  return std::uint64_t{plan.filePalette} * plan.paletteEntryBytes;
}

// Spreads three-byte palette entries (read to the end of the palette) into four-byte ones.
void SpreadCoreEntries(std::uint8_t* palette, std::uint32_t count) {
  for (std::uint32_t i = count; i-- > 0;) {
    std::memmove(palette + i * 4, palette + i * 3, 3);
    palette[i * 4 + 3] = 0;
  }
}

// Reads the palette into the block (a short palette is accepted; none at all is not).
bool ReadPalette(ByteReader& in, const BmpPlan& plan, DibImage* image) {
  const std::uint64_t bytes = FilePaletteBytes(plan);
  if (bytes == 0) return true;
  if (plan.layout == Layout::Masked) return in.Skip(bytes);
  // Every other layout keeps the palette, and its block was sized to hold it (in four-byte
  // entries, so three-byte ones fit before they are spread).
  if (in.Read(DibPalette(image), static_cast<std::size_t>(bytes)) == 0) return false;
  if (plan.paletteEntryBytes == 3) SpreadCoreEntries(DibPalette(image), plan.filePalette);
  return true;
}

// Pixel data starts at the file header's offset when that lies past the palette; bytes in
// between are no pixels.
std::uint64_t GapBytes(const BmpPlan& plan) {
  const std::uint64_t paletteEnd = plan.headerBytes + FilePaletteBytes(plan);
  return plan.pixelOffset > paletteEnd ? plan.pixelOffset - paletteEnd : 0;
}

std::uint8_t* StoredRow(DibImage* image, const BmpPlan& plan, int fileRow) {
  const int row = plan.topDown ? plan.height - 1 - fileRow : fileRow;
  return DibBits(image) + static_cast<std::size_t>(row) * DibStride(image);
}

bool ReadPlainRows(ByteReader& in, const BmpPlan& plan, DibImage* image) {
  const std::size_t stride = DibStride(image);
  if (!plan.topDown) {
    const std::size_t bytes = stride * plan.height;
    return in.Read(DibBits(image), bytes) == bytes;
  }
  for (int row = 0; row < plan.height; ++row) {
    if (in.Read(StoredRow(image, plan, row), stride) != stride) return false;
  }
  return true;
}

bool ReadMaskedRows(ByteReader& in, const BmpPlan& plan, DibImage* image) {
  const int width = plan.header.width, bitCount = plan.header.bitCount;
  const std::size_t rowBytes = DibRowBytes(width, bitCount);
  const std::unique_ptr<std::uint8_t[]> fileRow = NewArray<std::uint8_t>(rowBytes);
  if (!fileRow) return false;
  for (int row = 0; row < plan.height; ++row) {
    if (in.Read(fileRow.get(), rowBytes) != rowBytes) return false;
    MaskedRowTo24(fileRow.get(), width, bitCount, plan.masks, StoredRow(image, plan, row));
  }
  return true;
}

// The image block as the plan makes it: the file's header (made 40 bytes, bottom-up), or
// an 8-bit one with a full palette for 4-bit run-length files, or a plain 24-bit one for
// masked files.
DibImage* NewImageFor(const BmpPlan& plan) {
  DibImage header = plan.header;
  header.headerSize = kDibHeaderSize;
  header.height = plan.height;
  std::uint32_t paletteCount = plan.filePalette;
  if (plan.layout == Layout::Rle4) {
    header.bitCount = 8;
    header.colorsUsed = header.colorsImportant = 0;
    paletteCount = 256;
  } else if (plan.layout == Layout::Masked) {
    header = DibImage{kDibHeaderSize,       header.width,         plan.height, 1, 24, kPlain, 0,
                      header.xPelsPerMeter, header.yPelsPerMeter, 0,           0};
    paletteCount = 0;
  }
  const std::size_t bytes =
      DibBlockBytes(header.width, header.height, header.bitCount, paletteCount);
  if (bytes == 0) return nullptr;
  auto* image = static_cast<DibImage*>(ImgAlloc(bytes));
  if (image) *image = header;
  return image;
}

// Uncompressed pixel data that the file cannot hold is refused before anything is
// allocated for it.
bool FileHoldsPixels(const ByteReader& in, const BmpPlan& plan) {
  if (IsRunLength(plan)) return true;
  const auto remaining = in.Remaining();
  if (!remaining) return true;
  const std::uint64_t pixels =
      std::uint64_t{DibRowBytes(plan.header.width, plan.header.bitCount)} * plan.height;
  return *remaining >= FilePaletteBytes(plan) + GapBytes(plan) + pixels;
}

bool ReadPixels(ByteReader& in, const BmpPlan& plan, DibImage* image) {
  switch (plan.layout) {
    case Layout::Plain:
      return ReadPlainRows(in, plan, image);
    case Layout::Masked:
      return ReadMaskedRows(in, plan, image);
    case Layout::Rle8:
    case Layout::Rle4: {
      const std::size_t stride = DibStride(image);
      DecodeRle(in, plan.layout == Layout::Rle8 ? RleKind::EightBit : RleKind::FourBit,
                {DibBits(image), stride * plan.height}, stride);
      image->compression = kPlain;
      image->imageSize = static_cast<std::uint32_t>(stride * plan.height);
      return true;
    }
  }
  return false;
}

DibImage* LoadBmp(ByteReader& in) {
  BmpPlan plan;
  if (!ReadPlan(in, plan) || !FileHoldsPixels(in, plan)) return nullptr;
  DibImage* image = NewImageFor(plan);
  if (!image) return nullptr;
  bool ok = ReadPalette(in, plan, image);
  // A stream that ends in the gap is an error only where rows have to follow.
  if (ok && !in.Skip(GapBytes(plan))) ok = IsRunLength(plan);
  if (ok) ok = ReadPixels(in, plan, image);
  if (!ok) {
    ImgFree(image);
    return nullptr;
  }
  return image;
}

}  // namespace
}  // namespace kolta::image

DibImage* BmpLoadFromMemory(const void* data, std::size_t size) {
  return kolta::image::ReadMemory(data, size, kolta::image::LoadBmp);
}

DibImage* BmpLoadFromHandle(std::FILE* file) {
  if (!file) return nullptr;
  auto in = kolta::image::ByteReader::FromFile(file);
  return kolta::image::LoadBmp(in);
}

DibImage* BmpLoad(const char* path) { return kolta::image::ReadFile(path, kolta::image::LoadBmp); }
