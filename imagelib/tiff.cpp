// The TIFF reader: the first image file directory of a file in either byte order. Strips
// stored uncompressed, PackBits-, LZW- or Deflate-coded, with or without horizontal
// differencing, the samples of a pixel together or in one plane per sample; bilevel,
// 4-bit, 8-bit and 16-bit grey and palette pictures and 8- and 16-bit RGB, any extra
// samples (alpha) dropped, turned upright as the orientation asks. The image is of 1, 4,
// 8 or 24 bits.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>

#include "byte_reader.h"
#include "image_owners.h"
#include "new_array.h"
#include "packbits.h"
#include "row_mirror.h"
#include "tiff_deflate.h"
#include "tiff_file.h"
#include "tiff_lzw.h"
#include "tiff_rows.h"
#include "tiff_strip_input.h"

namespace kolta::image {
namespace {

// The directory is read as one piece whose size (N x 12 + 4) must fit 16 bits.
constexpr std::uint32_t kMaxDirectoryEntries = 5460;
// The image's rows (upright) stay below 64 KiB.
constexpr std::size_t kMaxRowBytes = 65535;
// A stored row (all its samples) may be longer, as 16-bit samples and extra samples
// are, but not without bound: eight times the longest image row.
constexpr std::uint64_t kMaxFileRowBytes = 8 * kMaxRowBytes;
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
  kTileWidth = 322,
  kTileOffsets = 324,
  kSampleFormat = 339,
};

enum FieldType : std::uint16_t { kShort = 3, kLong = 4, kSignedLong = 9 };

enum Compression : std::uint32_t {
  kUncompressed = 1,
  kLzw = 5,
  kDeflate = 8,
  kOldDeflate = 32946,
  kPackBits = 32773,
};

enum Photometric : std::uint16_t { kWhiteIsZero = 0, kBlackIsZero = 1, kRgb = 2, kPalette = 3 };

constexpr std::uint16_t kPlanesPerSample = 2;
constexpr std::uint16_t kHorizontalDifferencing = 2;

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
  std::optional<std::uint16_t> photometric;  // missing: see FillPalette
  std::uint16_t samplesPerPixel = 1;
  std::uint16_t compression = kUncompressed;
  std::uint32_t orientation = 1;
  std::uint16_t planar = 1;
  std::uint16_t predictor = 1;
  bool tiled = false;
  // Arrays of one value a sample; the first sample's value stands for all of them.
  Entry bitsPerSample{kBitsPerSample, kShort, 1, 1};
  Entry sampleFormat{kSampleFormat, kShort, 1, 1};
  std::optional<Entry> stripOffsets, stripByteCounts, colorMap;
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
      dir.bitsPerSample = entry;
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
    case kTileWidth:
    case kTileOffsets:
      dir.tiled = true;
      break;
    case kSampleFormat:
      dir.sampleFormat = entry;
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
  const std::size_t bytes = entries * kEntryBytes;
  const std::unique_ptr<std::uint8_t[]> raw = NewArray<std::uint8_t>(bytes);
  if (!raw) return false;
  // A directory cut short by the end of the file ends there.
  const std::size_t got = in.Read(raw.get(), bytes);
  for (std::size_t at = 0; at + kEntryBytes <= got; at += kEntryBytes) {
    ApplyEntry(DecodeEntry(&raw[at], order), dir);
  }
  return true;
}

// The values of an array entry, as many as the file says (within its size).
struct ValueArray {
  std::unique_ptr<std::uint32_t[]> values;
  std::size_t count = 0;

  std::size_t size() const { return count; }
  bool empty() const { return count == 0; }
  std::uint32_t operator[](std::size_t i) const { return values[i]; }
};

// The SHORT or LONG values of an array entry, from the entry itself or from the file;
// nothing (a refusal) for other types, an array that the file does not hold, or when
// memory for the values runs out.
std::optional<ValueArray> ReadArray(ByteReader& in, ByteOrder order, const Entry& entry,
                                    std::uint64_t fileSize) {
  if (entry.type != kShort && entry.type != kLong) return std::nullopt;
  const std::uint64_t bytes = entry.Bytes();
  const bool inlined = entry.Inline();
  if (!inlined && (entry.value > fileSize || bytes > fileSize - entry.value ||
                   bytes > SIZE_MAX || !in.Seek(entry.value))) {
    return std::nullopt;
  }
  ValueArray array{NewArray<std::uint32_t>(entry.count), entry.count};
  if (!array.values) return std::nullopt;
  if (inlined) {
    // One LONG, or up to two SHORTs in the low and high halves.
    for (std::uint32_t i = 0; i < entry.count; ++i) {
      array.values[i] = entry.type == kLong ? entry.value : (entry.value >> (16 * i)) & 0xFFFF;
    }
    return array;
  }
  const auto rawBytes = static_cast<std::size_t>(bytes);
  const std::unique_ptr<std::uint8_t[]> raw = NewArray<std::uint8_t>(rawBytes);
  if (!raw || in.Read(raw.get(), rawBytes) != rawBytes) return std::nullopt;
  for (std::uint32_t i = 0; i < entry.count; ++i) {
    array.values[i] = entry.type == kShort ? order.U16(&raw[i * std::size_t{2}])
                                           : order.U32(&raw[i * std::size_t{4}]);
  }
  return array;
}

// The first value of an entry of one value a sample.
std::optional<std::uint32_t> FirstValue(ByteReader& in, ByteOrder order, const Entry& entry) {
  if (entry.type != kShort && entry.type != kLong) return std::nullopt;
  if (entry.Inline()) return entry.type == kShort ? entry.value & 0xFFFF : entry.value;
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
  int width = 0, height = 0;  // as stored
  int bitCount = 0;           // of the image
  int bitsPerSample = 0;
  int samplesPerPixel = 0;
  int colourSamples = 0;  // 1, or 3 for RGB; the rest are extra samples, dropped
  bool planar = false;    // one plane per sample, each in strips of its own
  bool bigEndian = false;
  // The stored rows are the image's rows as they are (or mirrored): decoded in place.
  bool direct = false;
  std::size_t stripRowBytes = 0;  // one row of one strip: all samples, or one plane's
  int rowsPerStrip = 0;
  std::uint64_t stripsPerPlane = 0;
  std::uint16_t compression = kUncompressed;
  bool differenced = false;
  Orientation orientation;
  std::optional<std::uint16_t> photometric;
  ValueArray offsets, byteCounts;
  std::optional<ValueArray> colorMap;

  int ImageWidth() const { return orientation.swap ? height : width; }
  int ImageHeight() const { return orientation.swap ? width : height; }
  std::size_t Planes() const { return planar ? static_cast<std::size_t>(samplesPerPixel) : 1; }
};

// Counts of a file without StripByteCounts: each strip runs to the next one's offset, the
// last one to the end of the picture. Counts that come out negative are refused, and so
// is the file when memory for them runs out.
std::optional<ValueArray> CountsFromOffsets(const Plan& plan) {
  const ValueArray& offsets = plan.offsets;
  ValueArray counts{NewArray<std::uint32_t>(offsets.size()), offsets.size()};
  if (!counts.values) return std::nullopt;
  std::int64_t others = 0;
  for (std::size_t i = 0; i + 1 < offsets.size(); ++i) {
    const std::int64_t count = std::int64_t{offsets[i + 1]} - offsets[i];
    if (count < 0) return std::nullopt;
    counts.values[i] = static_cast<std::uint32_t>(count);
    others += count;
  }
  // A row of all planes is within the stored row limit (below 2^20 bytes with each plane's
  // rounding), so the picture is below 2^51 bytes.
  const auto all = static_cast<std::int64_t>(plan.stripRowBytes) *
                   static_cast<std::int64_t>(plan.Planes()) * plan.height;
  const std::int64_t last = all - others;
  if (last < 0 || last > UINT32_MAX) return std::nullopt;
  counts.values[counts.size() - 1] = static_cast<std::uint32_t>(last);
  return counts;
}

constexpr bool Decoded(std::uint16_t compression) {
  return compression == kUncompressed || compression == kPackBits || compression == kLzw ||
         compression == kDeflate || compression == kOldDeflate;
}

// Horizontal differencing belongs to LZW and Deflate: libtiff (and so ImageMagick and
// PIL) ignores the Predictor tag of uncompressed and PackBits strips, and so does this
// reader.
constexpr bool Predicted(const Directory& dir) {
  return dir.compression == kLzw || dir.compression == kDeflate || dir.compression == kOldDeflate;
}

bool Supported(const Directory& dir) {
  // Fax, JPEG and other codings, tiles and floating-point prediction are not read.
  if (!Decoded(dir.compression) || dir.tiled || dir.planar < 1 || dir.planar > 2 ||
      (Predicted(dir) && (dir.predictor < 1 || dir.predictor > kHorizontalDifferencing))) {
    return false;
  }
  // Without byte counts only uncompressed strips can be measured.
  return dir.stripOffsets && (dir.stripByteCounts || dir.compression == kUncompressed) &&
         dir.width && dir.height;
}

// The samples and the image's depth: bilevel and 4-bit pictures of one sample, 8- and
// 16-bit grey or palette (one sample and extras) and RGB (three and extras).
bool PlanSamples(ByteReader& in, ByteOrder order, const Directory& dir, Plan& plan) {
  const auto bits = FirstValue(in, order, dir.bitsPerSample);
  const auto format = FirstValue(in, order, dir.sampleFormat);
  if (!bits || !format || *format != 1) return false;  // signed and floating samples
  plan.bitsPerSample = static_cast<int>(*bits);
  plan.samplesPerPixel = dir.samplesPerPixel;
  plan.photometric = dir.photometric;
  plan.colourSamples = dir.samplesPerPixel >= 3 ? 3 : 1;
  // Three samples are read as RGB unless the file says they are something else (CMYK,
  // YCbCr, CIE L*a*b*, ...).
  if (dir.samplesPerPixel == 0 ||
      (plan.colourSamples == 3 && dir.photometric.value_or(kRgb) > kRgb)) {
    return false;
  }
  switch (plan.bitsPerSample) {
    case 1:
    case 4:
      plan.bitCount = plan.bitsPerSample;
      return dir.samplesPerPixel == 1 && !(Predicted(dir) && dir.predictor != 1);
    case 8:
    case 16:
      plan.bitCount = plan.colourSamples == 3 ? 24 : 8;
      // 16-bit palette indices would need 65536 palette entries.
      return plan.bitsPerSample == 8 || dir.photometric != kPalette;
    default:
      return false;
  }
}

// Size, depth and row layout; false for a picture the library does not make.
bool PlanPicture(ByteReader& in, ByteOrder order, const Directory& dir, Plan& plan) {
  if (*dir.width == 0 || *dir.height == 0 || *dir.width > INT32_MAX || *dir.height > INT32_MAX) {
    return false;
  }
  plan.width = static_cast<int>(*dir.width);
  plan.height = static_cast<int>(*dir.height);
  plan.bigEndian = order.big;
  plan.orientation = OrientationFromTag(dir.orientation);
  if (!PlanSamples(in, order, dir, plan)) return false;
  // A row with no size is longer than any block.
  const std::size_t rowBytes = DibRowBytes(plan.ImageWidth(), plan.bitCount);
  if (rowBytes == 0 || rowBytes > kMaxRowBytes) return false;
  const std::uint64_t sampleBits =
      static_cast<std::uint64_t>(plan.width) * plan.bitsPerSample;  // of one sample a row
  const std::uint64_t fileRowBytes = (sampleBits * plan.samplesPerPixel + 7) / 8;
  if (fileRowBytes > kMaxFileRowBytes) return false;
  plan.planar = dir.planar == kPlanesPerSample && plan.samplesPerPixel > 1;
  plan.stripRowBytes = static_cast<std::size_t>(plan.planar ? (sampleBits + 7) / 8 : fileRowBytes);
  plan.direct = !plan.planar && !plan.orientation.swap &&
                (plan.bitsPerSample < 8 ||
                 (plan.bitsPerSample == 8 && plan.samplesPerPixel == plan.colourSamples));

  // No RowsPerStrip, or 0, means one strip of the whole picture.
  const std::uint32_t rows = dir.rowsPerStrip.value_or(0);
  plan.rowsPerStrip = rows == 0 || rows > static_cast<std::uint32_t>(plan.height)
                          ? plan.height
                          : static_cast<int>(rows);
  plan.stripsPerPlane =
      (static_cast<std::uint64_t>(plan.height) + plan.rowsPerStrip - 1) / plan.rowsPerStrip;
  plan.compression = dir.compression;
  plan.differenced = Predicted(dir) && dir.predictor == kHorizontalDifferencing;
  return true;
}

// The strip offsets and byte counts, and the colour map.
bool ReadTables(ByteReader& in, ByteOrder order, const Directory& dir, std::uint64_t fileSize,
                Plan& plan) {
  auto offsets = ReadArray(in, order, *dir.stripOffsets, fileSize);
  if (!offsets || offsets->empty()) return false;
  plan.offsets = std::move(*offsets);
  // Planes follow one another in the strips: without all of the colour planes' strips
  // the file's layout is not what its rows per strip say.
  if (plan.planar && plan.offsets.size() < plan.stripsPerPlane * plan.colourSamples) {
    return false;
  }
  auto counts = dir.stripByteCounts ? ReadArray(in, order, *dir.stripByteCounts, fileSize)
                                    : CountsFromOffsets(plan);
  if (!counts) return false;
  plan.byteCounts = std::move(*counts);
  if (dir.colorMap && plan.bitsPerSample <= 8) {
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
    // Value 0 is black only where the file says so; a bilevel file without a photometric
    // value has white 0.
    const std::uint8_t zero = plan.photometric == kBlackIsZero ? 0 : 255;
    put(0, zero, zero, zero);
    put(1, 255 - zero, 255 - zero, 255 - zero);
  } else if (entries == 16 && plan.photometric >= kRgb) {
    for (std::size_t i = 0; i < entries; ++i) {
      put(i, kSixteenColours[i][0], kSixteenColours[i][1], kSixteenColours[i][2]);
    }
  } else {
    // The full grey range (4-bit level v is v x 17), white first where value 0 is white,
    // else (also without a photometric value) black first; also the palette of 256-colour
    // pictures without a colour map, for which no display palette is at hand.
    const bool whiteFirst = plan.photometric == kWhiteIsZero;
    for (std::size_t i = 0; i < entries; ++i) {
      const auto level = static_cast<std::uint8_t>(i * 255 / (entries - 1));
      put(i, whiteFirst ? 255 - level : level, whiteFirst ? 255 - level : level,
          whiteFirst ? 255 - level : level);
    }
  }
}

ImagePtr NewImage(const Plan& plan) {
  const std::uint32_t paletteCount = plan.bitCount == 24 ? 0 : 1u << plan.bitCount;
  ImagePtr image(DibCreateWithPalette(plan.ImageWidth(), plan.ImageHeight(), plan.bitCount,
                                      paletteCount, nullptr));
  if (image) FillPalette(plan, {DibPalette(image.get()), paletteCount * 4});
  return image;
}

// The decoder of the file's compression, started anew on each strip.
class StripDecoder {
 public:
  bool Init(std::uint16_t compression) {
    compression_ = compression;
    if (compression == kLzw) {
      lzw_.reset(new (std::nothrow) TiffLzwDecoder);
      return lzw_ != nullptr;
    }
    return compression == kDeflate || compression == kOldDeflate ? inflater_.Init() : true;
  }
  void Start(StripInput& in) {
    in_ = &in;
    if (lzw_) lzw_->Start(in);
    if (compression_ == kDeflate || compression_ == kOldDeflate) inflater_.Start(in);
  }
  // One row; fewer bytes only where the strip's data ends (PackBits: runs are cut at the
  // row's end).
  std::size_t Read(std::span<std::uint8_t> row) {
    switch (compression_) {
      case kPackBits:
        return UnpackBits(*in_, row);
      case kLzw:
        return lzw_->Read(row);
      case kDeflate:
      case kOldDeflate:
        return inflater_.Read(row);
      default:
        return in_->Read(row.data(), row.size());
    }
  }

 private:
  std::uint16_t compression_ = kUncompressed;
  StripInput* in_ = nullptr;
  std::unique_ptr<TiffLzwDecoder> lzw_;
  TiffInflater inflater_;
};

// Fills the image from the strips, the stored rows from the top down (and in a planar file
// plane after plane). Rows that no strip holds stay zero; so does the rest of a strip
// whose data ends early, is cut short by the end of the file or goes wrong when decoded
// (a bad LZW code, a broken Deflate stream) - however early: such a strip is never a
// failure of the whole file. False only when memory for decoding cannot be had.
class StripReader {
 public:
  StripReader(ByteReader& in, const Plan& plan, std::uint64_t fileSize, DibImage* image)
      : in_(in), plan_(plan), fileSize_(fileSize), image_(image) {}

  bool Read() {
    if (!decoder_.Init(plan_.compression)) return false;
    if (!plan_.direct) {
      scratch_.reset(static_cast<std::uint8_t*>(ImgAlloc(plan_.stripRowBytes)));
      if (!scratch_) return false;
    }
    const std::size_t planes = plan_.planar ? static_cast<std::size_t>(plan_.colourSamples) : 1;
    for (std::size_t plane = 0; plane < planes; ++plane) {
      for (std::uint64_t strip = 0; strip < plan_.stripsPerPlane; ++strip) {
        const std::uint64_t index = plane * plan_.stripsPerPlane + strip;
        if (index >= plan_.offsets.size()) break;
        ReadStrip(static_cast<std::size_t>(index), static_cast<int>(strip * plan_.rowsPerStrip),
                  plane);
      }
    }
    return true;
  }

 private:
  void ReadStrip(std::size_t index, int firstRow, std::size_t plane) {
    const int rows = std::min(plan_.rowsPerStrip, plan_.height - firstRow);
    const std::uint64_t offset = plan_.offsets[index];
    const std::uint64_t count = index < plan_.byteCounts.size() ? plan_.byteCounts[index] : 0;
    const std::uint64_t held = offset < fileSize_ ? std::min(count, fileSize_ - offset) : 0;
    if (held == 0 || !MoveTo(in_, offset)) return;
    StripInput stripIn(in_, held);
    decoder_.Start(stripIn);
    for (int row = firstRow; row < firstRow + rows; ++row) {
      const std::span<std::uint8_t> bytes = RowBuffer(row).first(plan_.stripRowBytes);
      const std::size_t got = decoder_.Read(bytes);
      if (got == 0) return;
      // The image's rows start zero; the scratch row may hold the row before.
      if (!plan_.direct) std::memset(bytes.data() + got, 0, bytes.size() - got);
      if (plan_.differenced) UndoDifferencing(bytes.first(got));
      PlaceRow(bytes, row, plane);
      if (got < bytes.size()) return;
    }
  }

  // Where stored row `row` is decoded: its own image row, or the scratch row.
  std::span<std::uint8_t> RowBuffer(int row) {
    if (!plan_.direct) return {scratch_.get(), plan_.stripRowBytes};
    const int y = plan_.orientation.flipY ? plan_.height - 1 - row : row;
    return {DibPixelAddress(image_, 0, y), DibStride(image_)};
  }

  void UndoDifferencing(std::span<std::uint8_t> bytes) const {
    const std::size_t sampleBytes = static_cast<std::size_t>(plan_.bitsPerSample) / 8;
    UndoHorizontalDifferencing(bytes.first(bytes.size() - bytes.size() % sampleBytes),
                               plan_.planar ? 1 : static_cast<std::size_t>(plan_.samplesPerPixel),
                               sampleBytes, plan_.bigEndian);
  }

  void PlaceRow(std::span<std::uint8_t> bytes, int row, std::size_t plane) {
    if (plan_.direct) {
      const std::span<std::uint8_t> imageRow(bytes.data(), DibStride(image_));
      if (plan_.bitCount == 24) RedGreenBlueToBlueGreenRed(imageRow, plan_.width);
      if (plan_.orientation.flipX) MirrorRow(imageRow, plan_.width, plan_.bitCount);
    } else if (plan_.bitCount < 8) {
      PlaceSmallPixels(bytes, plan_.bitCount, image_, plan_.orientation, plan_.width, plan_.height,
                       row);
    } else {
      PlaceSamples(bytes.data(), plan_.width, Layout(plane),
                   TargetOfRow(image_, plan_.orientation, plan_.width, plan_.height, row));
    }
  }

  // 16-bit samples become 8 bits by their high byte, whichever the byte order: the levels
  // are cut, not rounded.
  SampleLayout Layout(std::size_t plane) const {
    SampleLayout layout;
    layout.sampleBytes = static_cast<std::size_t>(plan_.bitsPerSample) / 8;
    layout.highByte = layout.sampleBytes == 2 && !plan_.bigEndian ? 1 : 0;
    const bool rgb = plan_.bitCount == 24;
    if (plan_.planar) {
      layout.pixelBytes = layout.sampleBytes;
      layout.channelAt = {static_cast<std::uint8_t>(rgb ? 2 - plane : 0)};
    } else {
      layout.pixelBytes = layout.sampleBytes * static_cast<std::size_t>(plan_.samplesPerPixel);
      layout.channels = rgb ? 3 : 1;
      layout.channelAt = rgb ? std::array<std::uint8_t, 3>{2, 1, 0} : std::array<std::uint8_t, 3>{};
    }
    return layout;
  }

  ByteReader& in_;
  const Plan& plan_;
  const std::uint64_t fileSize_;
  DibImage* const image_;
  StripDecoder decoder_;
  BlockPtr<std::uint8_t> scratch_;
};

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
  ImagePtr image = NewImage(*plan);
  if (!image || !StripReader(in, *plan, *fileSize, image.get()).Read()) return nullptr;
  return image.release();
}

}  // namespace
}  // namespace kolta::image

DibImage* TiffLoadFromMemory(const void* data, std::size_t size) {
  return kolta::image::ReadMemory(data, size, kolta::image::LoadTiff);
}

DibImage* TiffLoad(const char* path) {
  return kolta::image::ReadFile(path, kolta::image::LoadTiff);
}
