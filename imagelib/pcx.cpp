// The PCX file reader: a 128-byte header, run-length encoded scanlines of one to four
// planes, and for 256-colour files a palette in the last 769 bytes. Two-colour and
// 256-colour scanlines are stored as they are; 16-colour planes are packed into 4-bit
// pixels and the three colour planes of 24-bit files into blue, green, red.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <span>

#include "byte_reader.h"
#include "image_owners.h"
#include "new_array.h"
#include "pcx_file.h"

namespace kolta::image {
namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::uint8_t kManufacturer = 10;
constexpr std::uint64_t kPaletteBytes = 769;  // marker 12, then 256 red, green, blue triples
constexpr std::uint8_t kPaletteMarker = 12;

struct PcxHeader {
  int width = 0;
  int height = 0;
  int bitsPerPlane = 0;
  int planes = 0;
  int lineBytes = 0;  // bytes of one plane in one scanline
  int bitCount = 0;
  std::array<std::uint8_t, 48> palette16{};
};

// The byte count one plane's scanline needs to hold `width` pixels.
int NeededLineBytes(const PcxHeader& h) {
  return h.bitsPerPlane == 1 ? (h.width + 7) / 8 : h.width;
}

// Reads the header (a short file leaves the missing bytes 0) and refuses all but the four
// kinds the reader decodes (1 plane of 1 or 8 bits, 4 planes of 1 bit, 3 planes of 8 bits),
// empty or negative extents, and scanlines too short for the width.
bool ReadHeader(ByteReader& in, PcxHeader& h) {
  std::uint8_t b[kHeaderBytes] = {};
  in.Read(b, sizeof b);
  if (b[0] != kManufacturer) return false;
  auto field = [&](int at) { return static_cast<std::int16_t>(ReadLe16(b + at)); };
  h.width = field(8) - field(4) + 1;
  h.height = field(10) - field(6) + 1;
  h.bitsPerPlane = b[3];
  h.planes = b[65];
  h.lineBytes = ReadLe16(b + 66);
  h.bitCount = h.bitsPerPlane * h.planes;
  std::memcpy(h.palette16.data(), b + 16, h.palette16.size());
  const bool knownKind = (h.bitsPerPlane == 1 && (h.planes == 1 || h.planes == 4)) ||
                         (h.bitsPerPlane == 8 && (h.planes == 1 || h.planes == 3));
  return knownKind && h.width > 0 && h.height > 0 && h.lineBytes >= NeededLineBytes(h);
}

void PutRgb(std::uint8_t* entry, const std::uint8_t* rgb) {
  entry[0] = rgb[2];
  entry[1] = rgb[1];
  entry[2] = rgb[0];
}

// The image's palette entries (blue, green, red, 0); for 256 colours they come from the
// end of the file, and a missing marker refuses the file.
using Palette = std::array<std::uint8_t, 256 * 4>;

bool ReadPalette(ByteReader& in, const PcxHeader& h, Palette& entries) {
  switch (h.bitCount) {
    case 1:
      std::memset(&entries[4], 255, 3);
      return true;
    case 4:
      for (int i = 0; i < 16; ++i) PutRgb(&entries[i * 4], &h.palette16[i * 3]);
      return true;
    case 8: {
      const auto size = in.Size();
      std::array<std::uint8_t, kPaletteBytes> stored{};
      if (!size || *size < kPaletteBytes || !in.Seek(*size - kPaletteBytes) ||
          in.Read(stored.data(), stored.size()) != stored.size() || stored[0] != kPaletteMarker) {
        return false;
      }
      for (int i = 0; i < 256; ++i) PutRgb(&entries[i * 4], &stored[1 + i * 3]);
      return in.Seek(std::min<std::uint64_t>(kHeaderBytes, *size));
    }
    default:
      return true;
  }
}

// Run-length decoding of scanlines from the pixel data, which ends before the 256-colour
// palette where there is one. The data is taken in blocks; a run writes at least 8 copies of
// its value, so the scanline buffer needs kScanlineSlack bytes beyond its end.
constexpr std::size_t kScanlineSlack = 64;

class ScanlineDecoder {
 public:
  ScanlineDecoder(ByteReader& in, std::uint64_t dataBytes) : in_(in), left_(dataBytes) {}

  // Fills `line`; false when the data ended first (the bytes not reached are 0). A run
  // that would pass the end of the scanline is cut there.
  bool Decode(std::span<std::uint8_t> line) {
    std::uint8_t* out = line.data();
    std::uint8_t* const end = out + line.size();
    // Local copies of the block position, which the compiler can keep in registers while
    // it writes through `out`.
    const std::uint8_t* next = next_;
    const std::uint8_t* blockEnd = end_;
    while (out < end) {
      // Eight data bytes at once where none of them is a run's count (both top bits set):
      // the common case of photographs, whose bytes rarely repeat.
      if (blockEnd - next >= 8 && end - out >= 8) {
        std::uint64_t word;
        std::memcpy(&word, next, 8);
        if ((word & (word << 1) & 0x8080808080808080ull) == 0) {
          std::memcpy(out, next, 8);
          out += 8;
          next += 8;
          continue;
        }
      }
      if (blockEnd - next >= 2) {
        // A byte below 0xC0 is one data byte; otherwise its low 6 bits count copies of
        // the next byte (0 writes nothing).
        const unsigned d = *next++;
        if (d < 0xC0) {
          *out++ = static_cast<std::uint8_t>(d);
          continue;
        }
        const std::size_t count = d & 63;
        const std::uint8_t value = *next++;
        const std::uint64_t copies = value * 0x0101010101010101ull;
        std::memcpy(out, &copies, 8);
        if (count > 8) std::memset(out + 8, value, count - 8);
        out += std::min<std::size_t>(count, static_cast<std::size_t>(end - out));
        continue;
      }
      // The block's last byte: a run's value may lie in the next block.
      next_ = next;
      const int d = Next();
      const int value = d >= 0xC0 ? Next() : d;
      next = next_;
      blockEnd = end_;
      if (value < 0) break;
      const std::size_t count = d >= 0xC0 ? d & 63 : 1;
      const std::size_t kept = std::min<std::size_t>(count, static_cast<std::size_t>(end - out));
      std::memset(out, value, kept);
      out += kept;
    }
    next_ = next;
    std::memset(out, 0, static_cast<std::size_t>(end - out));
    return out == end;
  }

 private:
  bool Refill() {
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(left_, block_.size()));
    const std::size_t got = in_.Read(block_.data(), want);
    left_ -= got;
    next_ = block_.data();
    end_ = next_ + got;
    return got != 0;
  }

  int Next() {
    if (next_ == end_ && !Refill()) return -1;
    return *next_++;
  }

  ByteReader& in_;
  std::uint64_t left_;  // pixel data not yet taken into the block
  std::array<std::uint8_t, 16384> block_{};
  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
};

// For each plane byte, its eight bits spread to the low bit of eight 4-bit pixels, two to a
// byte with the earlier pixel in the high nibble, as a little-endian 32-bit word.
constexpr std::array<std::uint32_t, 256> MakeBitSpread() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t v = 0; v < 256; ++v) {
    std::uint32_t word = 0;
    for (int k = 0; k < 8; ++k) {
      if (v & (0x80u >> k)) word |= 1u << ((k / 2) * 8 + (k % 2 == 0 ? 4 : 0));
    }
    table[v] = word;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kBitSpread = MakeBitSpread();
static_assert(std::endian::native == std::endian::little,
              "the spread words are stored as they are");

// Converts one decoded scanline into a stored row of `stride` bytes; converted bytes
// beyond the stride are dropped.
void ConvertScanline(const PcxHeader& h, const std::uint8_t* line, std::uint8_t* row,
                     std::size_t stride) {
  const std::size_t l = static_cast<std::size_t>(h.lineBytes);
  switch (h.bitCount) {
    case 1:
    case 8:
      std::memcpy(row, line, std::min(l, stride));
      break;
    case 4: {
      const std::uint8_t *p0 = line, *p1 = line + l, *p2 = line + 2 * l, *p3 = line + 3 * l;
      const std::size_t count = std::min(l, stride / 4);
      for (std::size_t j = 0; j < count; ++j) {
        const std::uint32_t word = kBitSpread[p0[j]] | kBitSpread[p1[j]] << 1 |
                                   kBitSpread[p2[j]] << 2 | kBitSpread[p3[j]] << 3;
        std::memcpy(row + 4 * j, &word, 4);
      }
      break;
    }
    case 24: {
      const std::uint8_t *red = line, *green = line + l, *blue = line + 2 * l;
      const std::size_t count = std::min(l, stride / 3);
      for (std::size_t j = 0; j < count; ++j, row += 3) {
        row[0] = blue[j];
        row[1] = green[j];
        row[2] = red[j];
      }
      // A last pixel that only partly fits the padding.
      if (count < l && count * 3 < stride) {
        const std::uint8_t bgr[3] = {blue[count], green[count], red[count]};
        std::memcpy(row, bgr, stride - count * 3);
      }
      break;
    }
  }
}

// The first scanline is the top row. Decoding stops where the data ends: the rows not
// reached stay 0. False only when memory for the scanline runs out.
bool ReadRows(ByteReader& in, const PcxHeader& h, std::uint64_t dataBytes, DibImage* image) {
  // At most 4 planes of 65535 bytes: no overflow.
  const std::size_t lineBytes = static_cast<std::size_t>(h.planes) * h.lineBytes;
  const std::unique_ptr<std::uint8_t[]> line = NewArray<std::uint8_t>(lineBytes + kScanlineSlack);
  if (!line) return false;
  ScanlineDecoder decoder(in, dataBytes);
  const std::size_t stride = DibStride(image);
  for (int i = 0; i < h.height; ++i) {
    const bool whole = decoder.Decode({line.get(), lineBytes});
    ConvertScanline(h, line.get(),
                    DibBits(image) + static_cast<std::size_t>(h.height - 1 - i) * stride, stride);
    if (!whole) break;
  }
  return true;
}

DibImage* LoadPcx(ByteReader& in) {
  PcxHeader h;
  if (!ReadHeader(in, h)) return nullptr;
  Palette palette{};
  if (!ReadPalette(in, h, palette)) return nullptr;
  const std::uint32_t paletteCount = h.bitCount == 24 ? 0 : 1u << h.bitCount;
  ImagePtr image(
      DibCreateWithPalette(h.width, h.height, h.bitCount, paletteCount, palette.data()));
  if (!image) return nullptr;
  std::uint64_t dataBytes = UINT64_MAX;
  if (h.bitCount == 8) {
    // The palette was found, so the size is known and holds it.
    const std::uint64_t end = *in.Size() - kPaletteBytes;
    dataBytes = end > kHeaderBytes ? end - kHeaderBytes : 0;
  }
  if (!ReadRows(in, h, dataBytes, image.get())) return nullptr;
  return image.release();
}

}  // namespace
}  // namespace kolta::image

DibImage* PcxLoadFromMemory(const void* data, std::size_t size) {
  return kolta::image::ReadMemory(data, size, kolta::image::LoadPcx);
}

DibImage* PcxLoad(const char* path) { return kolta::image::ReadFile(path, kolta::image::LoadPcx); }
