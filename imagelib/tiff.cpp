// The TIFF reader: the first image file directory of a baseline file in either byte order,
// strips stored uncompressed or PackBits-coded, 1-, 4-, 8- and 24-bit pictures.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "byte_reader.h"
#include "packbits.h"
#include "row_mirror.h"
#include "tiff_file.h"

namespace kolta::image {
namespace {

// The directory is read as one piece whose size (N x 12 + 4) must fit 16 bits.
constexpr std::uint32_t kMaxDirectoryEntries = 5460;
constexpr std::size_t kMaxRowBytes = 65535;
constexpr std::size_t kEntryBytes = 12;

enum Tag : std::uint16_t {
  kImageWidth = 256,
  kImageLength = 257,
  kBitsPerSample = 258,
  kCompression = 259,
  kPhotometric = 262,
  kStripOffsets = 273,
  kOrientation = 274,
  kSamplesPerPixel = 277,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
  kPlanarConfiguration = 284,
  kPredictor = 317,
  kColorMap = 320,
};

enum FieldType : std::uint16_t { kShort = 3, kLong = 4, kSignedLong = 9 };

enum Compression : std::uint32_t {
  kUncompressed = 1,
  kHuffman = 2,  // read like uncompressed data
  kFax3 = 3,
  kFax4 = 4,
  kOldJpeg = 6,
  kPackBits = 32773,
};

constexpr std::uint32_t TypeSize(std::uint16_t type) {
  constexpr std::uint8_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  return type < std::size(kSizes) ? kSizes[type] : 0;
}

struct ByteOrder {
  bool big = false;
  std::uint16_t U16(const std::uint8_t* p) const { return big ? ReadBe16(p) : ReadLe16(p); }
  std::uint32_t U32(const std::uint8_t* p) const { return big ? ReadBe32(p) : ReadLe32(p); }
};

struct Entry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint32_t value = 0;  // the value field, swapped as the file's byte order asks

  std::uint64_t Bytes() const { return std::uint64_t{count} * TypeSize(type); }
  bool Inline() const { return Bytes() <= 4; }
};

Entry DecodeEntry(const std::uint8_t* raw, ByteOrder order) {
  Entry entry{order.U16(raw), order.U16(raw + 2), order.U32(raw + 4), 0};
  // A big-endian value field holding up to four bytes of 16-bit values is swapped half by
  // half, so that an inline SHORT lands in the low 16 bits as in a little-endian file.
  const bool whole = !entry.Inline() || entry.type == kLong || entry.type == kSignedLong;
  entry.value = !order.big || whole ? order.U32(raw + 8)
                                    : ReadBe16(raw + 8) | (std::uint32_t{ReadBe16(raw + 10)} << 16);
  return entry;
}

// What the directory says, with the defaults of the tags that have one.
struct Directory {
  std::optional<std::uint32_t> width, height, rowsPerStrip;
  std::uint16_t bitsPerSample = 1;
  std::uint16_t samplesPerPixel = 1;
  std::uint16_t compression = kUncompressed;
  std::uint16_t photometric = 0;
  std::uint32_t orientation = 1;
  std::uint16_t planar = 1;
  std::uint16_t predictor = 1;
  std::optional<Entry> stripOffsets, stripByteCounts, colorMap, bitsArray;
};

void ApplyEntry(const Entry& entry, Directory& dir) {
  const auto low16 = static_cast<std::uint16_t>(entry.value);
  switch (entry.tag) {
    case kImageWidth:
      dir.width = entry.value;
      break;
    case kImageLength:
      dir.height = entry.value;
      break;
    case kBitsPerSample:
      if (entry.Inline()) {
        dir.bitsPerSample = low16;
        dir.bitsArray.reset();
      } else {
        dir.bitsArray = entry;  // the first of the values, read later
      }
      break;
    case kCompression:
      dir.compression = low16;
      break;
    case kPhotometric:
      dir.photometric = low16;
      break;
    case kStripOffsets:
      dir.stripOffsets = entry;
      break;
    case kOrientation:
      dir.orientation = entry.value;
      break;
    case kSamplesPerPixel:
      dir.samplesPerPixel = low16;
      break;
    case kRowsPerStrip:
      dir.rowsPerStrip = entry.value;
      break;
    case kStripByteCounts:
      dir.stripByteCounts = entry;
      break;
    case kPlanarConfiguration:
      dir.planar = low16;
      break;
    case kPredictor:
      dir.predictor = low16;
      break;
    case kColorMap:
      dir.colorMap = entry;
      break;
    default:
      break;
  }
}

bool ReadDirectory(ByteReader& in, ByteOrder order, std::uint32_t offset, Directory& dir) {
  std::uint8_t count[2];
  if (!in.Seek(offset) || in.Read(count, 2) != 2) return false;
  const std::uint32_t entries = order.U16(count);
  if (entries > kMaxDirectoryEntries) return false;
  std::vector<std::uint8_t> raw(entries * kEntryBytes);
  // A directory cut short by the end of the file ends there.
  const std::size_t got = in.Read(raw.data(), raw.size());
  for (std::size_t at = 0; at + kEntryBytes <= got; at += kEntryBytes) {
    ApplyEntry(DecodeEntry(&raw[at], order), dir);
  }
  return true;
}

// The SHORT or LONG values of an array entry, from the entry itself or from the file;
// nothing (a refusal) for other types or an array that the file does not hold.
std::optional<std::vector<std::uint32_t>> ReadArray(ByteReader& in, ByteOrder order,
                                                    const Entry& entry, std::uint64_t fileSize) {
  if (entry.type != kShort && entry.type != kLong) return std::nullopt;
  std::vector<std::uint32_t> values;
  if (entry.Inline()) {
    if (entry.type == kLong) return std::vector<std::uint32_t>(entry.count, entry.value);
    for (std::uint32_t i = 0; i < entry.count; ++i) {
      values.push_back((entry.value >> (16 * i)) & 0xFFFF);
    }
    return values;
  }
  const std::uint64_t bytes = entry.Bytes();
  if (entry.value > fileSize || bytes > fileSize - entry.value || !in.Seek(entry.value)) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(bytes));
  if (in.Read(raw.data(), raw.size()) != raw.size()) return std::nullopt;
  values.resize(entry.count);
  for (std::uint32_t i = 0; i < entry.count; ++i) {
    values[i] = entry.type == kShort ? order.U16(&raw[i * 2]) : order.U32(&raw[i * 4]);
  }
  return values;
}

// The first value of an array stored away from its entry (the samples of one pixel).
std::optional<std::uint32_t> FirstStoredValue(ByteReader& in, ByteOrder order, const Entry& entry) {
  if (entry.type != kShort && entry.type != kLong) return std::nullopt;
  std::uint8_t raw[4];
  const std::size_t size = entry.type == kShort ? 2 : 4;
  if (!in.Seek(entry.value) || in.Read(raw, size) != size) return std::nullopt;
  return size == 2 ? order.U16(raw) : order.U32(raw);
}

// Moves forward by reading on where the target is near, else by one seek.
bool MoveTo(ByteReader& in, std::uint64_t offset) {
  return offset >= in.Tell() ? in.Skip(offset - in.Tell()) : in.Seek(offset);
}

// How the strips become the image.
struct Plan {
  int width = 0, height = 0, bitCount = 0;
  std::size_t fileRowBytes = 0;
  int rowsPerStrip = 0;
  std::uint16_t compression = kUncompressed;
  bool mirror = false;
  std::vector<std::uint32_t> offsets, byteCounts;
  std::optional<std::vector<std::uint32_t>> colorMap;
  std::uint16_t photometric = 0;
};

// Counts of a file without StripByteCounts: each strip runs to the next one's offset, the
// last one to the end of the picture. Counts that come out negative are refused.
std::optional<std::vector<std::uint32_t>> CountsFromOffsets(const Plan& plan) {
  const auto& offsets = plan.offsets;
  std::vector<std::uint32_t> counts(offsets.size());
  std::int64_t others = 0;
  for (std::size_t i = 0; i + 1 < offsets.size(); ++i) {
    const std::int64_t count = std::int64_t{offsets[i + 1]} - offsets[i];
    if (count < 0) return std::nullopt;
    counts[i] = static_cast<std::uint32_t>(count);
    others += count;
  }
  const std::int64_t last = static_cast<std::int64_t>(plan.fileRowBytes) * plan.height - others;
  if (last < 0 || last > UINT32_MAX) return std::nullopt;
  counts.back() = static_cast<std::uint32_t>(last);
  return counts;
}

bool Supported(const Directory& dir) {
  if (dir.planar != 1 || dir.predictor != 1) return false;
  if (dir.compression == kFax3 || dir.compression == kFax4 || dir.compression == kOldJpeg) {
    return false;
  }
  // Without byte counts only uncompressed strips can be measured.
  return dir.stripOffsets && (dir.stripByteCounts || dir.compression == kUncompressed) &&
         dir.width && dir.height;
}

// Size, depth and row layout; false for a picture the library does not make.
bool PlanPicture(ByteReader& in, ByteOrder order, const Directory& dir, Plan& plan) {
  if (*dir.width == 0 || *dir.height == 0 || *dir.width > INT32_MAX || *dir.height > INT32_MAX) {
    return false;
  }
  plan.width = static_cast<int>(*dir.width);
  plan.height = static_cast<int>(*dir.height);
  std::uint32_t bitsPerSample = dir.bitsPerSample;
  if (dir.bitsArray) {
    const auto first = FirstStoredValue(in, order, *dir.bitsArray);
    if (!first) return false;
    bitsPerSample = *first & 0xFFFF;
  }
  const std::uint32_t bitCount = std::uint32_t{dir.samplesPerPixel} * bitsPerSample;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return false;
  plan.bitCount = static_cast<int>(bitCount);
  // A row with no size is longer than any block. Within the limit the file's row size
  // below cannot wrap a 32-bit size_t.
  const std::size_t rowBytes = DibRowBytes(plan.width, plan.bitCount);
  if (rowBytes == 0 || rowBytes > kMaxRowBytes) return false;
  plan.fileRowBytes = (static_cast<std::size_t>(plan.width) * plan.bitCount + 7) / 8;

  // No RowsPerStrip, or 0, means one strip of the whole picture.
  const std::uint32_t rows = dir.rowsPerStrip.value_or(0);
  plan.rowsPerStrip = rows == 0 || rows > static_cast<std::uint32_t>(plan.height)
                          ? plan.height
                          : static_cast<int>(rows);
  plan.compression = dir.compression;
  plan.mirror = dir.orientation == 2 || dir.orientation == 3;
  plan.photometric = dir.photometric;
  return true;
}

// The strip offsets and byte counts, and the colour map.
bool ReadTables(ByteReader& in, ByteOrder order, const Directory& dir, std::uint64_t fileSize,
                Plan& plan) {
  auto offsets = ReadArray(in, order, *dir.stripOffsets, fileSize);
  if (!offsets || offsets->empty()) return false;
  plan.offsets = std::move(*offsets);
  auto counts = dir.stripByteCounts ? ReadArray(in, order, *dir.stripByteCounts, fileSize)
                                    : CountsFromOffsets(plan);
  if (!counts) return false;
  plan.byteCounts = std::move(*counts);
  if (dir.colorMap) {
    if (dir.colorMap->type != kShort) return false;
    plan.colorMap = ReadArray(in, order, *dir.colorMap, fileSize);
    if (!plan.colorMap) return false;
  }
  return true;
}

std::optional<Plan> MakePlan(ByteReader& in, ByteOrder order, const Directory& dir,
                             std::uint64_t fileSize) {
  Plan plan;
  if (!Supported(dir) || !PlanPicture(in, order, dir, plan) ||
      !ReadTables(in, order, dir, fileSize, plan)) {
    return std::nullopt;
  }
  return plan;
}

// The fixed palette of 16-colour pictures that are neither grey nor carry a colour map.
// clang-format off
constexpr std::array<std::array<std::uint8_t, 3>, 16> kSixteenColours{{
    {0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
    {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {128, 128, 128},
    {192, 192, 192}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
    {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255},
}};
// clang-format on

void FillPalette(const Plan& plan, std::span<std::uint8_t> palette) {
  const std::size_t entries = palette.size() / 4;
  auto put = [&](std::size_t i, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    palette[i * 4] = blue;
    palette[i * 4 + 1] = green;
    palette[i * 4 + 2] = red;
  };
  if (plan.colorMap) {
    // Three planes of 16-bit levels; a palette entry takes their high bytes.
    const auto& map = *plan.colorMap;
    const std::size_t n = map.size() / 3;
    for (std::size_t i = 0; i < std::min(n, entries); ++i) {
      put(i, static_cast<std::uint8_t>(map[i] >> 8), static_cast<std::uint8_t>(map[n + i] >> 8),
          static_cast<std::uint8_t>(map[2 * n + i] >> 8));
    }
  } else if (entries == 2) {
    put(0, 255, 255, 255);  // value 0 is white whatever the photometric value
    put(1, 0, 0, 0);
  } else if (entries == 16 && plan.photometric >= 2) {
    for (std::size_t i = 0; i < entries; ++i) {
      put(i, kSixteenColours[i][0], kSixteenColours[i][1], kSixteenColours[i][2]);
    }
  } else {
    // Grey levels 0 to 15 or 0 to 255; also the palette of 256-colour pictures without a
    // colour map, for which no display palette is at hand.
    for (std::size_t i = 0; i < entries; ++i) {
      const auto level = static_cast<std::uint8_t>(i);
      put(i, level, level, level);
    }
  }
}

DibImage* NewImage(const Plan& plan) {
  const std::uint32_t paletteCount = plan.bitCount == 24 ? 0 : 1u << plan.bitCount;
  DibImage* image =
      DibCreateWithPalette(plan.width, plan.height, plan.bitCount, paletteCount, nullptr);
  if (!image) return nullptr;
  FillPalette(plan, {DibPalette(image), paletteCount * 4});
  return image;
}

// One strip's bytes: what its count says, as far as the file holds them.
class StripInput {
 public:
  StripInput(ByteReader& in, std::uint64_t remaining) : in_(in), remaining_(remaining) {}
  int Byte() {
    if (remaining_ == 0) return -1;
    --remaining_;
    return in_.Byte();
  }
  std::size_t Read(std::uint8_t* out, std::size_t count) {
    const auto got =
        in_.Read(out, static_cast<std::size_t>(std::min<std::uint64_t>(count, remaining_)));
    remaining_ -= got;
    return got;
  }
  bool Empty() const { return remaining_ == 0; }

 private:
  ByteReader& in_;
  std::uint64_t remaining_;
};

void RedGreenBlueToBlueGreenRed(std::span<std::uint8_t> row, int width) {
  for (std::size_t at = 0; at < static_cast<std::size_t>(width) * 3; at += 3) {
    std::swap(row[at], row[at + 2]);
  }
}

// Reads the strips into the rows from the top down; rows that no strip holds stay zero.
void ReadStrips(ByteReader& in, const Plan& plan, std::uint64_t fileSize, DibImage* image) {
  const std::size_t stride = DibStride(image);
  const bool decoded = plan.compression == kUncompressed || plan.compression == kHuffman ||
                       plan.compression == kPackBits;
  int fileRow = 0;
  for (std::size_t strip = 0; strip < plan.offsets.size() && fileRow < plan.height; ++strip) {
    const int rows = std::min(plan.rowsPerStrip, plan.height - fileRow);
    const std::uint64_t offset = plan.offsets[strip];
    const std::uint64_t count = strip < plan.byteCounts.size() ? plan.byteCounts[strip] : 0;
    const std::uint64_t held = offset < fileSize ? std::min(count, fileSize - offset) : 0;
    if (!decoded || held == 0 || !MoveTo(in, offset)) {
      fileRow += rows;
      continue;
    }
    StripInput stripIn(in, held);
    const int end = fileRow + rows;
    // Rows past the strip's data stay zero: nothing to turn or mirror in them.
    for (; fileRow < end && !stripIn.Empty(); ++fileRow) {
      std::span<std::uint8_t> row(DibBits(image) + (plan.height - 1 - fileRow) * stride, stride);
      const auto fileBytes = row.first(plan.fileRowBytes);
      if (plan.compression == kPackBits) {
        UnpackBits(stripIn, fileBytes);
      } else {
        stripIn.Read(fileBytes.data(), fileBytes.size());
      }
      if (plan.bitCount == 24) RedGreenBlueToBlueGreenRed(row, plan.width);
      if (plan.mirror) MirrorRow(row, plan.width, plan.bitCount);
    }
    fileRow = end;
  }
}

DibImage* LoadTiff(ByteReader& in) {
  const std::optional<std::uint64_t> fileSize = in.Size();
  std::uint8_t header[8];
  if (!fileSize || in.Read(header, sizeof header) != sizeof header) return nullptr;
  ByteOrder order;
  if (header[0] == 'M' && header[1] == 'M') {
    order.big = true;
  } else if (header[0] != 'I' || header[1] != 'I') {
    return nullptr;
  }
  if (order.U16(header + 2) != 42) return nullptr;
  Directory dir;
  if (!ReadDirectory(in, order, order.U32(header + 4), dir)) return nullptr;
  const std::optional<Plan> plan = MakePlan(in, order, dir, *fileSize);
  if (!plan) return nullptr;
  DibImage* image = NewImage(*plan);
  if (image) ReadStrips(in, *plan, *fileSize, image);
  return image;
}

}  // namespace
}  // namespace kolta::image

DibImage* TiffLoadFromMemory(const void* data, std::size_t size) {
  return kolta::image::ReadMemory(data, size, kolta::image::LoadTiff);
}

DibImage* TiffLoad(const char* path) {
  return kolta::image::ReadFile(path, kolta::image::LoadTiff);
}
