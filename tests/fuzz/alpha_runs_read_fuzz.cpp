// Reads arbitrary bytes as an alpha run cache. A table that comes back is drawn, every frame,
// at positions over each edge of a small target, with and without clips (nothing outside
// the frame's place and the clip may change), then written and read back unchanged.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "alpha_runs.h"
#include "image_owners.h"
#include "picture_fuzz.h"

namespace {

using kolta::AlphaRunsPtr;
using kolta::ImagePtr;

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

// Pixels outside the frame's place and the clip are as they were.
void CheckOnlyTheFrameChanged(const DibImage* before, const DibImage* after,
                              const AlphaRunHeader& header, int x, int y, const DibRect* clip) {
  const std::int64_t left = std::int64_t{x} + header.xOffset;
  const std::int64_t top = std::int64_t{y} + header.yOffset;
  for (int row = 0; row < DibHeight(after); ++row) {
    for (int column = 0; column < DibWidth(after); ++column) {
      const bool inFrame = column >= left && column < left + header.frameWidth && row >= top &&
                           row < top + header.height;
      const bool inClip = !clip || (column >= clip->left && column < clip->right &&
                                    row >= clip->top && row < clip->bottom);
      Check((inFrame && inClip) || std::memcmp(DibPixelAddress(before, column, row),
                                               DibPixelAddress(after, column, row), 3) == 0);
    }
  }
}

void DrawEveryFrame(const AlphaRunTable* table) {
  const AlphaRunHeader& h = table->header;
  const std::uint64_t sourceWidth = std::uint64_t(h.frameWidth) * h.frameCount;
  if (kolta::test::HugePicture(sourceWidth, h.height)) return;
  ImagePtr source(DibCreate(1, static_cast<int>(sourceWidth), h.height, nullptr, 0x00C08040));
  ImagePtr target(DibCreate(1, 16, 12, nullptr, 0x00102030));
  Check(source && target);
  const int positions[][2] = {{0, 0},   {-3, -2},         {5, 4}, {1 - h.frameWidth, 3},
                              {15, 11}, {2, 1 - h.height}};
  const DibRect clips[] = {{2, 1, 9, 7}, {-5, -5, 100, 100}, {8, 8, 3, 3}};
  for (int f = 0; f < h.frameCount; ++f) {
    for (const auto& [x, y] : positions) {
      for (int c = -1; c < 3; ++c) {
        const DibRect* clip = c < 0 ? nullptr : &clips[c];
        ImagePtr before(DibDuplicate(target.get()));
        AlphaRunsBlit(target.get(), x, y, source.get(), table, f, clip);
        CheckOnlyTheFrameChanged(before.get(), target.get(), h, x, y, clip);
      }
    }
  }
  // A source one pixel too wide is refused.
  ImagePtr wide(DibCreate(1, static_cast<int>(sourceWidth) + 1, h.height, nullptr, 0));
  Check(!wide || AlphaRunsBlit(target.get(), 0, 0, wide.get(), table, 0, nullptr) == 0);
}

// Written back, the table gives the input's runs after its header and reads back the same,
// from memory and from a stream.
void CheckRoundTrip(const AlphaRunTable* table, const std::uint8_t* data, std::size_t size) {
  char* buffer = nullptr;
  std::size_t written = 0;
  std::FILE* out = open_memstream(&buffer, &written);
  Check(out != nullptr && AlphaRunsWrite(out, table) == 1);
  std::fclose(out);
  Check(written >= sizeof(AlphaRunHeader) && written <= size);
  Check(std::memcmp(buffer + sizeof(AlphaRunHeader), data + sizeof(AlphaRunHeader),
                    written - sizeof(AlphaRunHeader)) == 0);
  Check(SameTable(table, AlphaRunsPtr(AlphaRunsReadFromMemory(buffer, written)).get()));
  std::FILE* in = fmemopen(buffer, written, "rb");
  Check(in != nullptr);
  AlphaRunsPtr fromStream(AlphaRunsRead(in));
  std::fclose(in);
  Check(SameTable(table, fromStream.get()));
  std::free(buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AlphaRunsPtr table(AlphaRunsReadFromMemory(data, size));
  if (table) {
    DrawEveryFrame(table.get());
    CheckRoundTrip(table.get(), data, size);
  }
  return 0;
}
