// The TGA file reader: an 18-byte header, the identification field (skipped), an optional
// colour map, then rows of 8-, 15-, 16-, 24- or 32-bit pixels, plain or run-length encoded.
// 8-bit pixels stay palette indices (or grey levels); deeper pixels become 24-bit colour.
#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "byte_reader.h"
#include "row_mirror.h"
#include "tga_file.h"

namespace kolta::image {
namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr std::uint32_t kMaxPalette = 256;
constexpr std::uint8_t kRightToLeft = 0x10;
constexpr std::uint8_t kTopDown = 0x20;

struct TgaHeader {
  std::uint8_t idLength = 0;
  std::uint8_t mapType = 0;
  std::uint8_t imageType = 0;
  std::uint16_t mapFirst = 0;
  std::uint16_t mapLength = 0;
  std::uint8_t mapEntryBits = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint8_t pixelDepth = 0;
  std::uint8_t descriptor = 0;

  bool HasMap() const { return mapType != 0; }
  bool IsGrey() const { return imageType == 3 || imageType == 11; }
  bool IsRunLength() const { return imageType > 3; }
  int FileBytesPerPixel() const { return (pixelDepth + 7) / 8; }
  int ImageBitCount() const { return pixelDepth <= 8 ? 8 : 24; }
};

bool IsKnownImageType(std::uint8_t type) {
  return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

bool IsKnownDepth(int bits) {
  return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

bool IsKnownMapEntrySize(int bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// Reads the header (a short file leaves the missing fields 0) and refuses what cannot be
// decoded: unknown image types with a colour map type above 1, empty pictures, pixel depths
// and colour map entry sizes that have no conversion.
bool ReadHeader(ByteReader& in, TgaHeader& h) {
  std::uint8_t b[kHeaderBytes] = {};
  in.Read(b, sizeof b);
  h = {
      b[0],  b[1], b[2], ReadLe16(b + 3), ReadLe16(b + 5), b[7], ReadLe16(b + 12), ReadLe16(b + 14),
      b[16], b[17]};
  if (!IsKnownImageType(h.imageType) && h.mapType > 1) return false;
  if (h.width == 0 || h.height == 0 || !IsKnownDepth(h.pixelDepth)) return false;
  return !h.HasMap() || h.mapLength == 0 || IsKnownMapEntrySize(h.mapEntryBits);
}

// One 15- or 16-bit pixel as blue, green, red; each 5-bit channel shifted up by 3, the top
// bit ignored.
inline void Word555ToBgr(std::uint16_t w, std::uint8_t* out) {
  out[0] = static_cast<std::uint8_t>((w & 31) << 3);
  out[1] = static_cast<std::uint8_t>(((w >> 5) & 31) << 3);
  out[2] = static_cast<std::uint8_t>(((w >> 10) & 31) << 3);
}

// Converts `count` file pixels of `bytesPerPixel` bytes to image pixels (1 or 3 bytes).
void ConvertPixels(const std::uint8_t* in, int count, int bytesPerPixel, std::uint8_t* out) {
  switch (bytesPerPixel) {
    case 1:
    case 3:
      std::memcpy(out, in, static_cast<std::size_t>(count) * bytesPerPixel);
      break;
    case 2:
      for (int i = 0; i < count; ++i, in += 2, out += 3) Word555ToBgr(ReadLe16(in), out);
      break;
    case 4:
      for (int i = 0; i < count; ++i, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
      }
      break;
  }
}

// The palette entries the image gets: a grey ramp for grey pictures (and for 8-bit
// pictures that have no colour map, whose levels would otherwise have no colours), the
// converted colour map for colour-mapped ones. Entries below the map's first index stay
// black; entries past 256 are read and dropped.
struct Palette {
  std::array<std::uint8_t, kMaxPalette * 4> entries{};
  std::uint32_t count = 0;
};

void FillGreyRamp(Palette& palette, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) {
    std::memset(&palette.entries[i * 4], static_cast<int>(i), 3);
  }
  palette.count = count;
}

// A colour map cut short by the end of the file leaves its missing entries black.
void ReadColourMap(ByteReader& in, const TgaHeader& h, Palette& palette) {
  const int entryBytes = (h.mapEntryBits + 7) / 8;
  const std::uint32_t mapEnd = std::uint32_t{h.mapFirst} + h.mapLength;
  const std::uint32_t used = h.mapFirst >= kMaxPalette
                                 ? 0
                                 : std::min<std::uint32_t>(h.mapLength, kMaxPalette - h.mapFirst);
  palette.count = std::min(mapEnd, kMaxPalette);
  std::array<std::uint8_t, kMaxPalette * 4> map{};
  in.Read(map.data(), used * entryBytes);
  in.Skip(std::uint64_t{h.mapLength - used} * entryBytes);
  if (h.IsGrey()) {
    FillGreyRamp(palette, palette.count);
    return;
  }
  for (std::uint32_t e = 0; e < used; ++e) {
    std::uint8_t* entry = &palette.entries[(h.mapFirst + e) * 4];
    const std::uint8_t* stored = &map[e * entryBytes];
    if (entryBytes == 2) {
      Word555ToBgr(ReadLe16(stored), entry);
    } else {
      std::memcpy(entry, stored, 3);
    }
  }
}

void ReadPalette(ByteReader& in, const TgaHeader& h, Palette& palette) {
  if (h.HasMap()) ReadColourMap(in, h, palette);
  if (palette.count == 0 && h.ImageBitCount() == 8) FillGreyRamp(palette, kMaxPalette);
}

// Decodes the rows one after the other into image rows of width x (1 or 3) bytes. A
// run-length packet that runs past the end of a row goes on at the start of the next one,
// as the common writers and decoders have it; what is left of a packet when the last row
// is full is dropped.
class RowDecoder {
 public:
  RowDecoder(ByteReader& in, const TgaHeader& h)
      : in_(in),
        fileBytes_(h.FileBytesPerPixel()),
        imageBytes_(h.ImageBitCount() / 8),
        width_(h.width) {}

  // False when the data ended inside the row (what was decoded stays, the rest is 0).
  bool Plain(std::uint8_t* row) {
    if (fileBytes_ == imageBytes_) {
      const std::size_t bytes = static_cast<std::size_t>(width_) * imageBytes_;
      return in_.Read(row, bytes) == bytes;
    }
    for (int x = 0; x < width_; x += kChunkPixels) {
      const int count = std::min(kChunkPixels, width_ - x);
      const std::size_t got = in_.Read(chunk_.data(), static_cast<std::size_t>(count) * fileBytes_);
      ConvertPixels(chunk_.data(), static_cast<int>(got) / fileBytes_, fileBytes_,
                    row + static_cast<std::size_t>(x) * imageBytes_);
      if (got != static_cast<std::size_t>(count) * fileBytes_) return false;
    }
    return true;
  }

  bool RunLength(std::uint8_t* row) {
    int x = 0;
    while (x < width_) {
      if (left_ == 0 && !StartPacket()) return false;
      const int count = std::min(left_, width_ - x);
      std::uint8_t* out = row + static_cast<std::size_t>(x) * imageBytes_;
      if (isRun_) {
        WriteRun(out, count);
      } else {
        ConvertPixels(chunk_.data() + static_cast<std::size_t>(rawNext_) * fileBytes_, count,
                      fileBytes_, out);
        rawNext_ += count;
      }
      left_ -= count;
      x += count;
    }
    return true;
  }

 private:
  static constexpr int kChunkPixels = 128;  // one raw packet at most

  // Reads the next packet header and its pixel values (one for a run, all of a raw
  // packet's); false when the data ends first.
  bool StartPacket() {
    const int c = in_.Byte();
    if (c < 0) return false;
    const int n = (c & 127) + 1;
    isRun_ = (c & 128) != 0;
    const std::size_t bytes = static_cast<std::size_t>(isRun_ ? 1 : n) * fileBytes_;
    if (in_.Read(chunk_.data(), bytes) != bytes) return false;
    if (isRun_) ConvertPixels(chunk_.data(), 1, fileBytes_, runPixel_.data());
    left_ = n;
    rawNext_ = 0;
    return true;
  }

  void WriteRun(std::uint8_t* out, int count) const {
    if (imageBytes_ == 1) {
      std::memset(out, runPixel_[0], count);
      return;
    }
    for (int i = 0; i < count; ++i, out += 3) std::memcpy(out, runPixel_.data(), 3);
  }

  ByteReader& in_;
  const int fileBytes_;
  const int imageBytes_;
  const int width_;
  std::array<std::uint8_t, kChunkPixels * 4> chunk_{};
  // The packet being written: pixels still to come, a run's image pixel or the next of a
  // raw packet's file pixels in chunk_.
  int left_ = 0;
  bool isRun_ = false;
  std::array<std::uint8_t, 3> runPixel_{};
  int rawNext_ = 0;
};

// Rows are stored bottom-up; the file's first row is the bottom one unless the descriptor
// says the rows run from the top. Decoding stops where the data ends: the rows not reached
// stay 0.
void ReadRows(ByteReader& in, const TgaHeader& h, DibImage* image) {
  RowDecoder decoder(in, h);
  const std::size_t stride = DibStride(image);
  const bool topDown = (h.descriptor & kTopDown) != 0;
  const bool mirrored = (h.descriptor & kRightToLeft) != 0;
  for (int i = 0; i < h.height; ++i) {
    const int stored = topDown ? h.height - 1 - i : i;
    std::uint8_t* row = DibBits(image) + static_cast<std::size_t>(stored) * stride;
    const bool whole = h.IsRunLength() ? decoder.RunLength(row) : decoder.Plain(row);
    if (mirrored) MirrorRow({row, stride}, h.width, h.ImageBitCount());
    if (!whole) return;
  }
}

DibImage* LoadTga(ByteReader& in) {
  TgaHeader h;
  if (!ReadHeader(in, h)) return nullptr;
  // Data cut short anywhere below is not an error: what was not read stays 0.
  in.Skip(h.idLength);
  Palette palette;
  ReadPalette(in, h, palette);
  DibImage* image = DibCreateWithPalette(h.width, h.height, h.ImageBitCount(), palette.count,
                                         palette.entries.data());
  if (!image) return nullptr;
  ReadRows(in, h, image);
  return image;
}

}  // namespace
}  // namespace kolta::image

DibImage* TgaLoadFromMemory(const void* data, std::size_t size) {
  return kolta::image::ReadMemory(data, size, kolta::image::LoadTga);
}

DibImage* TgaLoad(const char* path) { return kolta::image::ReadFile(path, kolta::image::LoadTga); }
