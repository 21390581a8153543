// Reads arbitrary bytes as an alpha run cache. A table that comes back is drawn, every frame,
// at positions over each edge of a small target, with and without clips (nothing outside
// the frame's place and the clip may change), then written and read back unchanged.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <process.h>

#include <filesystem>
#include <string>
#endif

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

// The table as AlphaRunsWrite writes it, and the table read back from that stream.
struct Written {
  std::vector<std::uint8_t> bytes;
  AlphaRunsPtr fromStream;
};

#ifdef _WIN32
// No memory streams in this C library: a scratch file of this process, removed after use.
Written WriteAndReadBack(const AlphaRunTable* table) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("kolta_alpha_runs_fuzz_" + std::to_string(_getpid()));
  std::FILE* file = _wfopen(path.c_str(), L"w+b");
  Check(file != nullptr && AlphaRunsWrite(file, table) == 1);
  Written written;
  Check(std::fseek(file, 0, SEEK_END) == 0);
  written.bytes.resize(static_cast<std::size_t>(std::ftell(file)));
  std::rewind(file);
  Check(std::fread(written.bytes.data(), 1, written.bytes.size(), file) == written.bytes.size());
  std::rewind(file);
  written.fromStream.reset(AlphaRunsRead(file));
  std::fclose(file);
  std::filesystem::remove(path);
  return written;
}
#else
Written WriteAndReadBack(const AlphaRunTable* table) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  Check(out != nullptr && AlphaRunsWrite(out, table) == 1);
  std::fclose(out);
  Written written;
  written.bytes.assign(buffer, buffer + size);
  std::FILE* in = fmemopen(buffer, size, "rb");
  Check(in != nullptr);
  written.fromStream.reset(AlphaRunsRead(in));
  std::fclose(in);
  std::free(buffer);
  return written;
}
#endif

// Written back, the table gives the input's runs after its header and reads back the same,
// from memory and from a stream.
void CheckRoundTrip(const AlphaRunTable* table, const std::uint8_t* data, std::size_t size) {
  const Written written = WriteAndReadBack(table);
  const std::vector<std::uint8_t>& bytes = written.bytes;
  Check(bytes.size() >= sizeof(AlphaRunHeader) && bytes.size() <= size);
  Check(std::memcmp(bytes.data() + sizeof(AlphaRunHeader), data + sizeof(AlphaRunHeader),
                    bytes.size() - sizeof(AlphaRunHeader)) == 0);
  Check(SameTable(table, AlphaRunsPtr(AlphaRunsReadFromMemory(bytes.data(), bytes.size())).get()));
  Check(SameTable(table, written.fromStream.get()));
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
