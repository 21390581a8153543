// Alpha run tables: a grey mask (one opacity byte per pixel) turned once into the
// horizontal runs of equal opacity that are visible (opacity above 20), frame by frame, so
// that drawing a picture with soft edges walks only those runs: opacity 255 copies, any
// other blends. A picture may hold several frames side by side (a button's states); frame
// i occupies columns i x frameWidth to (i + 1) x frameWidth - 1 of the picture and mask.
//
// A table can be saved beside its mask as a ".qa" cache file: the 284-byte header below
// (little-endian) followed, for each frame in order whose run count is not 0, by its runs.
// A cache comes from an install medium, so reading one checks everything it declares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "dib_image.h"

inline constexpr std::uint16_t kAlphaRunsMagic = 550;  // bytes 26 02
inline constexpr int kAlphaRunsMaxFrames = 30;
// Opacities up to this value are invisible and make no run.
inline constexpr int kAlphaRunsInvisible = 20;

// One run: `length` pixels of opacity `alpha` (21 to 255) starting at `column` of its frame
// in `row` (0 = the picture's top row).
struct AlphaRun {
  std::uint16_t column;
  std::uint16_t row;
  std::uint16_t length;
  std::uint8_t alpha;
  std::uint8_t zero;
};
static_assert(sizeof(AlphaRun) == 8);

struct AlphaRunFrameSlot {
  std::int32_t runCount;
  // Where the file format keeps a run array's 32-bit address: 0 in memory and in the files
  // written here, ignored when read. The addresses live in AlphaRunTable::runs.
  std::uint32_t addressSlot;
};

// The cache file's header, byte for byte.
struct AlphaRunHeader {
  std::uint16_t magic;  // kAlphaRunsMagic
  std::uint16_t reserved;
  std::int32_t xOffset;  // added to the drawing position; 0 when built here
  std::int32_t yOffset;
  std::int32_t frameWidth;  // mask width / frame count
  std::int32_t height;      // mask height
  // The box of the visible pixels over all frames (frame columns, picture rows); a pair
  // whose smallest value is not below its largest is 0, 0.
  std::int32_t minColumn;
  std::int32_t minRow;
  std::int32_t maxColumn;
  std::int32_t maxRow;
  std::int32_t frameCount;   // 1 to kAlphaRunsMaxFrames
  std::int32_t totalPixels;  // pixels in all runs of all frames
  AlphaRunFrameSlot frames[kAlphaRunsMaxFrames];  // slots beyond frameCount are 0
};
static_assert(sizeof(AlphaRunHeader) == 284);
static_assert(offsetof(AlphaRunHeader, frameCount) == 36 && offsetof(AlphaRunHeader, frames) == 44);

// The in-memory table: the header as it is stored, and beside it the address of each
// frame's run array (null where the frame has no runs). Made and freed by this library.
struct AlphaRunTable {
  AlphaRunHeader header;
  AlphaRun* runs[kAlphaRunsMaxFrames];
};

// A table of `frameCount` frames (1 to 30) from an 8-bit mask; null for any other mask
// depth, a frame count out of range, a mask narrower than its frame count, or no memory.
AlphaRunTable* AlphaRunsBuild(const DibImage* mask, int frameCount);
// Releases every frame's runs and the record; null allowed. Always 1.
int AlphaRunsFree(AlphaRunTable* table);

// A table read from a stream at a cache's start; null when the magic is wrong, the data is
// short or any field is out of range (frame count, dimensions, run counts, a run outside
// its frame, an opacity of 20 or less).
AlphaRunTable* AlphaRunsRead(std::FILE* stream);
AlphaRunTable* AlphaRunsReadFromMemory(const void* data, std::size_t size);
// 1 when the header and every run were written, else 0.
int AlphaRunsWrite(std::FILE* stream, const AlphaRunTable* table);

// The cache file name of a mask: its path cut at its last dot (unless that dot is the
// first character) with ".qa" appended. 0 when the name does not fit in 128 bytes.
int AlphaRunsCachePath(const char* maskPath, char (&cachePath)[128]);
// The table of the mask's cache; null when there is none or it is refused.
AlphaRunTable* AlphaRunsReadCache(const char* maskPath);
// Writes the table to the mask's cache, overwriting a read-only one. 1 or 0.
int AlphaRunsWriteCache(const char* maskPath, const AlphaRunTable* table);
// The mask's table: from its cache unless `rebuild` is set (a cache is used whatever frame
// count it was built with), else built from the mask's BMP file; with `rebuild` the new
// table is also written to the cache.
AlphaRunTable* AlphaRunsLoad(const char* maskPath, int frameCount, int rebuild);

// Draws frame `frame` of `source` (the whole picture, every frame side by side: its width
// must be frameWidth x frameCount and its height the table's) into the 24-bit `target`
// with its top-left at (x + xOffset, y + yOffset), limited to `clip` when given (target
// coordinates; left and top inclusive, right and bottom not). Never
// reads or writes outside either image. 1 when drawn, 0 for bad arguments or nothing to
// draw.
int AlphaRunsBlit(DibImage* target, int x, int y, const DibImage* source,
                  const AlphaRunTable* table, int frame, const DibRect* clip);
