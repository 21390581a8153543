// Reads arbitrary bytes as an alpha run cache. A table that comes back is drawn, every frame,
// at positions over each edge of a small target, with and without clips (nothing outside
// the frame's place and the clip may change), then written and read back unchanged.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "alpha_runs.h"
#include "picture_fuzz.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool SameTable(const AlphaRunTable* a, const AlphaRunTable* b) {
  if (!a || !b || std::memcmp(&a->header, &b->header, sizeof a->header) != 0) return false;
  for (int f = 0; f < a->header.frameCount; ++f) {
    const std::size_t bytes =
        static_cast<std::size_t>(a->header.frames[f].runCount) * sizeof(AlphaRun);
    if (bytes != 0 && std::memcmp(a->runs[f], b->runs[f], bytes) != 0) return false;
  }
  return true;
}

bool Inside(std::int64_t x, std::int64_t y, std::int64_t left, std::int64_t top, std::int64_t right,
            std::int64_t bottom) {
  return x >= left && x < right && y >= top && y < bottom;
}

// Pixels outside the frame's place and the clip are as they were.
void CheckOnlyTheFrameChanged(const DibImage* before, const DibImage* after,
                              const AlphaRunHeader& header, int x, int y, const DibRect* clip) {
  const std::int64_t left = std::int64_t{x} + header.xOffset,
                     top = std::int64_t{y} + header.yOffset;
  for (int row = 0; row < DibHeight(after); ++row) {
    for (int column = 0; column < DibWidth(after); ++column) {
      const bool mayChange =
          Inside(column, row, left, top, left + header.frameWidth, top + header.height) &&
          (!clip || Inside(column, row, clip->left, clip->top, clip->right, clip->bottom));
      if (!mayChange) {
        Check(std::memcmp(DibPixelAddress(before, column, row), DibPixelAddress(after, column, row),
                          3) == 0);
      }
    }
  }
}

void DrawEveryFrame(const AlphaRunTable* table) {
  const AlphaRunHeader& h = table->header;
  const std::uint64_t sourceWidth = std::uint64_t(h.frameWidth) * h.frameCount;
  if (kolta::test::HugePicture(sourceWidth, h.height)) return;
  DibImage* source = DibCreate(1, static_cast<int>(sourceWidth), h.height, nullptr, 0x00C08040);
  DibImage* target = DibCreate(1, 16, 12, nullptr, 0x00102030);
  Check(source && target);
  const int positions[][2] = {{0, 0},   {-3, -2},         {5, 4}, {1 - h.frameWidth, 3},
                              {15, 11}, {2, 1 - h.height}};
  const DibRect clips[] = {{2, 1, 9, 7}, {-5, -5, 100, 100}, {8, 8, 3, 3}};
  for (int f = 0; f < h.frameCount; ++f) {
    for (const auto& [x, y] : positions) {
      for (int c = -1; c < 3; ++c) {
        const DibRect* clip = c < 0 ? nullptr : &clips[c];
        DibImage* before = DibDuplicate(target);
        AlphaRunsBlit(target, x, y, source, table, f, clip);
        CheckOnlyTheFrameChanged(before, target, h, x, y, clip);
        DibFree(before);
      }
    }
  }
  // A source one pixel too wide is refused.
  DibImage* wide = DibCreate(1, static_cast<int>(sourceWidth) + 1, h.height, nullptr, 0);
  Check(!wide || AlphaRunsBlit(target, 0, 0, wide, table, 0, nullptr) == 0);
  DibFree(wide);
  DibFree(source);
  DibFree(target);
}

// Written back, the table gives the input's runs after its header and reads back the same,
// from memory and from a stream.
void CheckRoundTrip(const AlphaRunTable* table, const std::uint8_t* data, std::size_t size) {
  char* buffer = nullptr;
  std::size_t written = 0;
  std::FILE* out = open_memstream(&buffer, &written);
  Check(out != nullptr);
  Check(AlphaRunsWrite(out, table) == 1);
  std::fclose(out);
  Check(written >= sizeof(AlphaRunHeader) && written <= size);
  Check(std::memcmp(buffer + sizeof(AlphaRunHeader), data + sizeof(AlphaRunHeader),
                    written - sizeof(AlphaRunHeader)) == 0);
  AlphaRunTable* fromMemory = AlphaRunsReadFromMemory(buffer, written);
  Check(SameTable(table, fromMemory));
  AlphaRunsFree(fromMemory);
  std::FILE* in = fmemopen(buffer, written, "rb");
  Check(in != nullptr);
  AlphaRunTable* fromStream = AlphaRunsRead(in);
  std::fclose(in);
  Check(SameTable(table, fromStream));
  AlphaRunsFree(fromStream);
  std::free(buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AlphaRunTable* table = AlphaRunsReadFromMemory(data, size);
  if (!table) return 0;
  DrawEveryFrame(table);
  CheckRoundTrip(table, data, size);
  AlphaRunsFree(table);
  return 0;
}
