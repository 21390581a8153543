// The layered-image document reader: the header of an 8-bit RGB document, its colour mode
// data, resources and layers skipped, then the composite picture's planes, raw or
// PackBits-coded. The file is only ever read.
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "byte_reader.h"
#include "image_owners.h"
#include "new_array.h"
#include "packbits.h"
#include "psd_channels.h"
#include "psd_file.h"

namespace kolta::image {
namespace {

constexpr std::size_t kHeaderBytes = 26;
constexpr int kSlots = 4;
// Where channels 0 to 3 (red, green, blue, alpha) go in a pixel, and what a missing one
// leaves there.
constexpr int kSlotByte[kSlots] = {2, 1, 0, 3};
constexpr std::uint8_t kSlotDefault[kSlots] = {0, 0, 0, 255};

enum Compression { kRaw = 0, kRunLength = 1 };

struct Header {
  int channels = 0;
  int width = 0, height = 0;
  int compression = kRaw;
};

std::uint64_t PixelCount(int width, int height) {
  return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
}

// A picture whose 4-byte pixel buffer and 24-bit image both stay within the library's
// limit.
bool SizeAllowed(std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return false;
  const std::uint64_t pixels = PixelCount(static_cast<int>(width), static_cast<int>(height));
  return pixels <= kDibMaxBlockBytes / 4 &&
         DibBlockBytes(static_cast<int>(width), static_cast<int>(height), 24, 0) != 0;
}

bool ReadHeader(ByteReader& in, Header& header) {
  std::uint8_t raw[kHeaderBytes];
  if (in.Read(raw, sizeof raw) != sizeof raw) return false;
  if (std::memcmp(raw, "8BPS", 4) != 0 || ReadBe16(raw + 4) != 1) return false;
  const std::uint16_t channels = ReadBe16(raw + 12);
  const std::uint32_t height = ReadBe32(raw + 14), width = ReadBe32(raw + 18);
  const std::uint16_t depth = ReadBe16(raw + 22), mode = ReadBe16(raw + 24);
  constexpr std::uint16_t kRgbMode = 3;
  if (channels == 0 || depth != 8 || mode != kRgbMode || !SizeAllowed(width, height)) {
    return false;
  }
  // Colour mode data, image resources, layers and masks: each a length, then its bytes.
  for (int section = 0; section < 3; ++section) {
    std::uint8_t length[4];
    if (in.Read(length, 4) != 4 || !in.Skip(ReadBe32(length))) return false;
  }
  std::uint8_t compression[2];
  if (in.Read(compression, 2) != 2 || ReadBe16(compression) > kRunLength) return false;
  header = {channels, static_cast<int>(width), static_cast<int>(height), ReadBe16(compression)};
  return true;
}

void FillSlot(std::span<std::uint8_t> pixels, int slot, std::uint64_t count) {
  std::uint8_t* p = pixels.data() + kSlotByte[slot];
  for (std::uint64_t i = 0; i < count; ++i, p += 4) *p = kSlotDefault[slot];
}

void ScatterPlane(const std::uint8_t* plane, std::size_t count, std::span<std::uint8_t> pixels,
                  int slot) {
  std::uint8_t* p = pixels.data() + kSlotByte[slot];
  for (std::size_t i = 0; i < count; ++i, p += 4) *p = plane[i];
}

}  // namespace

int PsdReadChannels(ByteReader& in, int width, int height, std::span<std::uint8_t> pixels,
                    std::span<std::uint8_t> plane, int channelCount, int compression) {
  if (width <= 0 || height <= 0 || channelCount < 0) return 0;
  const std::uint64_t count = PixelCount(width, height);
  if (count > pixels.size() / 4 || count > plane.size()) return 0;
  const auto planeBytes = static_cast<std::size_t>(count);
  // The table of row byte counts is not needed: the rows of a channel run on.
  if (compression == kRunLength &&
      !in.Skip(static_cast<std::uint64_t>(height) * static_cast<unsigned>(channelCount) * 2)) {
    return 0;
  }
  for (int slot = 0; slot < kSlots; ++slot) {
    if (slot >= channelCount) {
      FillSlot(pixels, slot, count);
      continue;
    }
    const std::span<std::uint8_t> out = plane.first(planeBytes);
    const std::size_t got =
        compression == kRunLength ? UnpackBits(in, out) : in.Read(out.data(), out.size());
    ScatterPlane(out.data(), got, pixels, slot);
    if (got < planeBytes) return 0;
  }
  return 1;
}

namespace {

// Blue, green and red of every pixel, rows from the top, into the image's bottom-up rows.
void CopyToImage(const std::uint8_t* pixels, DibImage* image) {
  const int width = DibWidth(image), height = DibHeight(image);
  const std::size_t stride = DibStride(image);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = pixels + static_cast<std::size_t>(y) * width * 4;
    std::uint8_t* out = DibBits(image) + static_cast<std::size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    }
  }
}

DibImage* LoadPsd(ByteReader& in) {
  Header header;
  if (!ReadHeader(in, header)) return nullptr;
  const std::size_t pixelBytes =
      static_cast<std::size_t>(PixelCount(header.width, header.height)) * 4;
  const std::size_t planeBytes = pixelBytes / 4;
  BlockPtr<std::uint8_t> pixels(
      static_cast<std::uint8_t*>(ImgAlloc(pixelBytes)));
  const std::unique_ptr<std::uint8_t[]> plane = NewArray<std::uint8_t>(planeBytes);
  if (!pixels || !plane) return nullptr;
  // A document that ends inside its image data keeps the pixels read so far.
  PsdReadChannels(in, header.width, header.height, {pixels.get(), pixelBytes},
                  {plane.get(), planeBytes}, header.channels, header.compression);
  DibImage* image = DibCreate(1, header.width, header.height, nullptr, 0);
  if (image) CopyToImage(pixels.get(), image);
  return image;
}

}  // namespace
}  // namespace kolta::image

int PsdReadChannels(std::FILE* stream, int width, int height, std::uint8_t* pixels,
                    int channelCount, int compression) {
  if (!stream || !pixels || width <= 0 || height <= 0) return 0;
  const std::uint64_t bytes = static_cast<std::uint64_t>(width) * static_cast<unsigned>(height) * 4;
  if (bytes > kDibMaxBlockBytes) return 0;
  const auto planeBytes = static_cast<std::size_t>(bytes / 4);
  const std::unique_ptr<std::uint8_t[]> plane = kolta::image::NewArray<std::uint8_t>(planeBytes);
  if (!plane) return 0;
  auto in = kolta::image::ByteReader::FromFile(stream);
  return kolta::image::PsdReadChannels(in, width, height, {pixels, static_cast<std::size_t>(bytes)},
                                       {plane.get(), planeBytes}, channelCount, compression);
}

DibImage* PsdLoadFromMemory(const void* data, std::size_t size) {
  return kolta::image::ReadMemory(data, size, kolta::image::LoadPsd);
}

DibImage* PsdLoad(const char* path) { return kolta::image::ReadFile(path, kolta::image::LoadPsd); }
