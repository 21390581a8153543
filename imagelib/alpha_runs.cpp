// Alpha run tables: building them from grey masks, their ".qa" cache files, and drawing
// through them.
#include "alpha_runs.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "bmp_file.h"
#include "byte_reader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

using kolta::image::ByteReader;

// Tables are read and written as their records' bytes: the file is little-endian.
static_assert(std::endian::native == std::endian::little);

// Runs keep columns and rows in 16 bits.
constexpr int kMaxFrameWidth = std::numeric_limits<std::uint16_t>::max();
constexpr int kMaxHeight = kMaxFrameWidth + 1;

AlphaRunTable* NewTable() {
  return static_cast<AlphaRunTable*>(ImgAlloc(sizeof(AlphaRunTable)));
}

// The visible pixels' box, over all frames.
struct VisibleBox {
  int minColumn, minRow, maxColumn, maxRow;
  void Add(int column, int row) {
    minColumn = std::min(minColumn, column);
    maxColumn = std::max(maxColumn, column);
    minRow = std::min(minRow, row);
    maxRow = std::max(maxRow, row);
  }
};

// Scans one frame of the mask row by row from the top and stores its visible runs in
// `out` when given; returns how many there are. Every visible pixel widens the box.
std::size_t ScanFrame(const DibImage* mask, int frame, int frameWidth, VisibleBox& box,
                      AlphaRun* out) {
  std::size_t count = 0;
  const auto store = [&](int start, int row, int length, int value) {
    if (value <= kAlphaRunsInvisible) return;
    if (out) {
      out[count] = {static_cast<std::uint16_t>(start), static_cast<std::uint16_t>(row),
                    static_cast<std::uint16_t>(length), static_cast<std::uint8_t>(value), 0};
    }
    ++count;
  };
  for (int row = 0; row < mask->height; ++row) {
    const std::uint8_t* values = DibPixelAddress(mask, frame * frameWidth, row);
    int start = 0;
    int previous = values[0];
    for (int column = 0; column < frameWidth; ++column) {
      const int value = values[column];
      if (value > kAlphaRunsInvisible) box.Add(column, row);
      if (value != previous) {
        store(start, row, column - start, previous);
        start = column;
        previous = value;
      }
    }
    store(start, row, frameWidth - start, previous);
  }
  return count;
}

// A pair of box bounds that does not enclose at least two values is 0, 0.
void SetVisibleBox(AlphaRunHeader& header, const VisibleBox& box) {
  const bool columns = box.minColumn < box.maxColumn;
  const bool rows = box.minRow < box.maxRow;
  header.minColumn = columns ? box.minColumn : 0;
  header.maxColumn = columns ? box.maxColumn : 0;
  header.minRow = rows ? box.minRow : 0;
  header.maxRow = rows ? box.maxRow : 0;
}

// Whether a run lies inside its frame and is visible.
bool RunFits(const AlphaRun& run, const AlphaRunHeader& header) {
  return run.length > 0 && run.column + run.length <= header.frameWidth &&
         run.row < header.height && run.alpha > kAlphaRunsInvisible;
}

// Whether the header describes a table this library can draw: the frame count, dimensions
// that runs can address, and run counts that fit their frames.
bool HeaderFits(const AlphaRunHeader& header) {
  if (header.magic != kAlphaRunsMagic || header.frameCount < 1 ||
      header.frameCount > kAlphaRunsMaxFrames || header.frameWidth < 1 ||
      header.frameWidth > kMaxFrameWidth || header.height < 1 || header.height > kMaxHeight) {
    return false;
  }
  const std::int64_t frameArea = std::int64_t{header.frameWidth} * header.height;
  for (int f = 0; f < header.frameCount; ++f) {
    const std::int32_t count = header.frames[f].runCount;
    if (count < 0 || count > frameArea) return false;
  }
  return true;
}

AlphaRunTable* ReadTable(ByteReader& in) {
  AlphaRunTable* table = NewTable();
  if (!table) return nullptr;
  AlphaRunHeader& header = table->header;
  // The record is the file's little-endian layout, which is also this platform's.
  if (in.Read(reinterpret_cast<std::uint8_t*>(&header), sizeof header) != sizeof header ||
      !HeaderFits(header)) {
    AlphaRunsFree(table);
    return nullptr;
  }
  for (int f = 0; f < kAlphaRunsMaxFrames; ++f) {
    header.frames[f].addressSlot = 0;
    if (f >= header.frameCount) header.frames[f].runCount = 0;
  }
  const std::optional<std::uint64_t> remaining = in.Remaining();
  std::uint64_t runBytes = 0;
  for (int f = 0; f < header.frameCount; ++f) runBytes += header.frames[f].runCount * 8ull;
  if (remaining && runBytes > *remaining) {
    AlphaRunsFree(table);
    return nullptr;
  }
  for (int f = 0; f < header.frameCount; ++f) {
    const std::size_t count = static_cast<std::size_t>(header.frames[f].runCount);
    if (count == 0) continue;
    // A stream that cannot tell its size leaves the count bounded only by the frame's
    // area, whose run bytes need not fit a 32-bit size.
    const bool fits = count <= std::numeric_limits<std::size_t>::max() / sizeof(AlphaRun);
    const std::size_t bytes = count * sizeof(AlphaRun);
    table->runs[f] = fits ? static_cast<AlphaRun*>(ImgAlloc(bytes)) : nullptr;
    if (!table->runs[f] ||
        in.Read(reinterpret_cast<std::uint8_t*>(table->runs[f]), bytes) != bytes ||
        !std::all_of(table->runs[f], table->runs[f] + count,
                     [&](const AlphaRun& run) { return RunFits(run, header); })) {
      AlphaRunsFree(table);
      return nullptr;
    }
  }
  return table;
}

// Lets a read-only cache be replaced.
void MakeWritable(const char* path) {
#ifdef _WIN32
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
#else
  struct stat status;
  if (stat(path, &status) == 0) chmod(path, status.st_mode | S_IWUSR);
#endif
}

// Blends `count` source pixels into the target: t + trunc((s - t) x alpha / 256) per byte.
void BlendPixels(std::uint8_t* target, const std::uint8_t* source, int count, int alpha) {
  for (int i = 0; i < count * 3; ++i) {
    const int t = target[i];
    target[i] = static_cast<std::uint8_t>(t + (source[i] - t) * alpha / 256);
  }
}

}  // namespace

AlphaRunTable* AlphaRunsBuild(const DibImage* mask, int frameCount) {
  if (!DibIsValid(mask) || DibBitCount(mask) != 8 || frameCount < 1 ||
      frameCount > kAlphaRunsMaxFrames) {
    return nullptr;
  }
  const int frameWidth = mask->width / frameCount;
  if (frameWidth < 1 || frameWidth > kMaxFrameWidth || mask->height > kMaxHeight) return nullptr;
  AlphaRunTable* table = NewTable();
  if (!table) return nullptr;
  AlphaRunHeader& header = table->header;
  header.magic = kAlphaRunsMagic;
  header.frameWidth = frameWidth;
  header.height = mask->height;
  header.frameCount = frameCount;
  VisibleBox box{frameWidth, mask->height, 0, 0};
  for (int f = 0; f < frameCount; ++f) {
    // Counted first, so that each frame's runs take one block of exactly their size.
    const std::size_t count = ScanFrame(mask, f, frameWidth, box, nullptr);
    header.frames[f].runCount = static_cast<std::int32_t>(count);
    if (count == 0) continue;
    table->runs[f] = static_cast<AlphaRun*>(ImgAlloc(count * sizeof(AlphaRun)));
    if (!table->runs[f]) {
      AlphaRunsFree(table);
      return nullptr;
    }
    ScanFrame(mask, f, frameWidth, box, table->runs[f]);
    for (std::size_t i = 0; i < count; ++i) header.totalPixels += table->runs[f][i].length;
  }
  SetVisibleBox(header, box);
  return table;
}

int AlphaRunsFree(AlphaRunTable* table) {
  if (!table) return 1;
  for (AlphaRun* runs : table->runs) ImgFree(runs);
  ImgFree(table);
  return 1;
}

AlphaRunTable* AlphaRunsRead(std::FILE* stream) {
  if (!stream) return nullptr;
  ByteReader in = ByteReader::FromFile(stream);
  return ReadTable(in);
}

AlphaRunTable* AlphaRunsReadFromMemory(const void* data, std::size_t size) {
  return kolta::image::ReadMemory(data, size, ReadTable);
}

int AlphaRunsWrite(std::FILE* stream, const AlphaRunTable* table) {
  if (!stream || !table || !HeaderFits(table->header)) return 0;
  AlphaRunHeader header = table->header;
  for (AlphaRunFrameSlot& slot : header.frames) slot.addressSlot = 0;
  if (std::fwrite(&header, sizeof header, 1, stream) != 1) return 0;
  for (int f = 0; f < header.frameCount; ++f) {
    const std::size_t count = static_cast<std::size_t>(header.frames[f].runCount);
    if (count == 0) continue;
    if (!table->runs[f] || std::fwrite(table->runs[f], sizeof(AlphaRun), count, stream) != count) {
      return 0;
    }
  }
  return 1;
}

int AlphaRunsCachePath(const char* maskPath, char (&cachePath)[128]) {
  if (!maskPath) return 0;
  const std::size_t length = std::strlen(maskPath);
  if (length >= sizeof cachePath) return 0;
  const char* lastDot = std::strrchr(maskPath, '.');
  const std::size_t stem = lastDot && lastDot != maskPath ? lastDot - maskPath : length;
  constexpr char kExtension[] = ".qa";
  if (stem + sizeof kExtension > sizeof cachePath) return 0;
  std::memcpy(cachePath, maskPath, stem);
  std::memcpy(cachePath + stem, kExtension, sizeof kExtension);
  return 1;
}

AlphaRunTable* AlphaRunsReadCache(const char* maskPath) {
  char cachePath[128];
  if (!AlphaRunsCachePath(maskPath, cachePath)) return nullptr;
  std::FILE* file = std::fopen(cachePath, "rb");
  if (!file) return nullptr;  // the normal case before a cache is made
  AlphaRunTable* table = AlphaRunsRead(file);
  std::fclose(file);
  return table;
}

int AlphaRunsWriteCache(const char* maskPath, const AlphaRunTable* table) {
  char cachePath[128];
  if (!table || !AlphaRunsCachePath(maskPath, cachePath)) return 0;
  MakeWritable(cachePath);
  std::FILE* file = std::fopen(cachePath, "wb");
  if (!file) return 0;
  const int written = AlphaRunsWrite(file, table);
  const bool closed = std::fclose(file) == 0;
  // A cut cache would only be refused later; leave none behind.
  if (!written || !closed) {
    std::remove(cachePath);
    return 0;
  }
  return 1;
}

AlphaRunTable* AlphaRunsLoad(const char* maskPath, int frameCount, int rebuild) {
  if (!rebuild) {
    if (AlphaRunTable* cached = AlphaRunsReadCache(maskPath)) return cached;
  }
  DibImage* mask = BmpLoad(maskPath);
  if (!mask) return nullptr;
  AlphaRunTable* table = AlphaRunsBuild(mask, frameCount);
  DibFree(mask);
  if (table && rebuild) AlphaRunsWriteCache(maskPath, table);
  return table;
}

int AlphaRunsBlit(DibImage* target, int x, int y, const DibImage* source,
                  const AlphaRunTable* table, int frame, const DibRect* clip) {
  if (!DibIsValid(target) || !DibIs24(target) || !DibIsValid(source) || !DibIs24(source) ||
      !table || frame < 0 || frame >= table->header.frameCount || !HeaderFits(table->header)) {
    return 0;
  }
  const AlphaRunHeader& header = table->header;
  if (source->width != std::int64_t{header.frameWidth} * header.frameCount ||
      source->height != header.height) {
    return 0;
  }
  const std::int64_t left = std::int64_t{x} + header.xOffset;
  const std::int64_t top = std::int64_t{y} + header.yOffset;
  const std::int64_t drawnWidth = std::clamp<std::int64_t>(target->width - left, 0, header.frameWidth);
  const std::int64_t drawnHeight = std::clamp<std::int64_t>(target->height - top, 0, header.height);
  if (drawnWidth == 0 || drawnHeight == 0) return 0;

  // Target area that may change: the image, cut to the clip.
  std::int64_t areaLeft = 0, areaTop = 0, areaRight = target->width, areaBottom = target->height;
  if (clip) {
    areaLeft = std::max<std::int64_t>(areaLeft, clip->left);
    areaTop = std::max<std::int64_t>(areaTop, clip->top);
    areaRight = std::min<std::int64_t>(areaRight, clip->right);
    areaBottom = std::min<std::int64_t>(areaBottom, clip->bottom);
  }
  const int count = header.frames[frame].runCount;
  const AlphaRun* runs = table->runs[frame];
  if (count > 0 && !runs) return 0;
  const int frameLeft = frame * header.frameWidth;
  for (int i = 0; i < count; ++i) {
    const AlphaRun& run = runs[i];
    if (!RunFits(run, header)) continue;  // a table made by hand may hold anything
    const std::int64_t row = top + run.row;
    if (row < areaTop || row >= areaBottom) continue;
    const std::int64_t runLeft = left + run.column;
    const std::int64_t from = std::max(runLeft, areaLeft);
    const std::int64_t to = std::min(runLeft + run.length, areaRight);
    if (from >= to) continue;
    const int skip = static_cast<int>(from - runLeft);
    const int pixels = static_cast<int>(to - from);
    std::uint8_t* out = DibPixelAddress(target, static_cast<int>(from), static_cast<int>(row));
    const std::uint8_t* in = DibPixelAddress(source, frameLeft + run.column + skip, run.row);
    if (run.alpha == 255) {
      std::memmove(out, in, static_cast<std::size_t>(pixels) * 3);  // source may be the target
    } else {
      BlendPixels(out, in, pixels, run.alpha);
    }
  }
  return 1;
}
