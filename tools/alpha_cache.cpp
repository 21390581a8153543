// alpha_cache: makes and inspects the ".qa" alpha run caches that lie beside the skin's
// grey masks on an install medium, so that the installer need not build the tables at
// start-up.
//
//   alpha_cache MASK.bmp FRAMES   builds the table of the 8-bit mask split into FRAMES
//                                 frames (1 to 30), writes it to the mask's cache (as the
//                                 skin's loader does when it rebuilds) and prints the cache
//                                 as read back
//   alpha_cache --show FILE       prints FILE's cache (FILE may be the ".qa" file or its
//                                 mask) without writing anything
//
// Exit codes: 0 done, 1 failure (one line on stderr), 2 usage.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "alpha_runs.h"
#include "bmp_file.h"
#include "image_owners.h"

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2;

using kolta::AlphaRunsPtr;
using kolta::ImagePtr;

int Usage() {
  std::fputs(
      "usage: alpha_cache MASK.bmp FRAMES   build the mask's .qa cache (FRAMES 1 to 30)\n"
      "       alpha_cache --show FILE       print the cache of FILE (a .qa file or its mask)\n",
      stderr);
  return kUsage;
}

int Fail(const char* what, const char* path) {
  std::fprintf(stderr, "alpha_cache: %s: %s\n", path, what);
  return kFailed;
}

// Runs and pixels of one kind.
struct Tally {
  long long runs = 0, pixels = 0;
  void Add(const AlphaRun& run) {
    ++runs;
    pixels += run.length;
  }
};

void PrintTable(const char* cachePath, const AlphaRunTable& table) {
  const AlphaRunHeader& h = table.header;
  std::printf("cache        %s\n", cachePath);
  std::printf("magic        %u (bytes %02X %02X)\n", h.magic, h.magic & 0xFF, h.magic >> 8);
  std::printf("offsets      x %d, y %d\n", h.xOffset, h.yOffset);
  std::printf("frames       %d of %d x %d pixels\n", h.frameCount, h.frameWidth, h.height);
  std::printf("box          columns %d to %d, rows %d to %d\n", h.minColumn, h.maxColumn, h.minRow,
              h.maxRow);
  std::printf("total pixels %d\n\n", h.totalPixels);
  std::printf("frame  runs  pixels  opaque runs  opaque pixels  partial runs  partial pixels\n");
  Tally all, allOpaque, allPartial;
  for (int f = 0; f < h.frameCount; ++f) {
    Tally opaque, partial;
    for (int i = 0; i < h.frames[f].runCount; ++i) {
      const AlphaRun& run = table.runs[f][i];
      (run.alpha == 255 ? opaque : partial).Add(run);
      all.Add(run);
      (run.alpha == 255 ? allOpaque : allPartial).Add(run);
    }
    std::printf("%5d %5lld %7lld %12lld %14lld %13lld %15lld\n", f, opaque.runs + partial.runs,
                opaque.pixels + partial.pixels, opaque.runs, opaque.pixels, partial.runs,
                partial.pixels);
  }
  std::printf("  all %5lld %7lld %12lld %14lld %13lld %15lld\n", all.runs, all.pixels,
              allOpaque.runs, allOpaque.pixels, allPartial.runs, allPartial.pixels);
}

// Prints the cache of `path`; a missing and a refused cache are told apart.
int Show(const char* path) {
  char cachePath[128];
  if (!AlphaRunsCachePath(path, cachePath)) return Fail("the cache's name is too long", path);
  std::FILE* file = std::fopen(cachePath, "rb");
  if (!file) return Fail("no such cache", cachePath);
  AlphaRunsPtr table(AlphaRunsRead(file));
  std::fclose(file);
  if (!table) return Fail("not a valid alpha run cache", cachePath);
  PrintTable(cachePath, *table);
  return kDone;
}

int Build(const char* maskPath, int frames) {
  char cachePath[128];
  if (!AlphaRunsCachePath(maskPath, cachePath))
    return Fail("the cache's name is too long", maskPath);
  ImagePtr mask(BmpLoad(maskPath));
  if (!mask) return Fail("cannot read the bitmap file", maskPath);
  if (DibBitCount(mask.get()) != 8) return Fail("not an 8-bit grey mask", maskPath);
  AlphaRunsPtr table(AlphaRunsBuild(mask.get(), frames));
  if (!table) return Fail("the mask is narrower than its frame count or too large", maskPath);
  if (!AlphaRunsWriteCache(maskPath, table.get())) return Fail("cannot write the cache", cachePath);
  return Show(maskPath);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  const std::string_view first = argv[1];
  if (first == "--show") return Show(argv[2]);
  if (first.starts_with("-")) return Usage();
  const std::string_view count = argv[2];
  int frames = 0;
  const auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), frames);
  if (error != std::errc() || end != count.data() + count.size() || frames < 1 ||
      frames > kAlphaRunsMaxFrames) {
    return Usage();
  }
  return Build(argv[1], frames);
}
