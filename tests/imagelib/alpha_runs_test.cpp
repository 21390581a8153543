// Alpha run tables: building from grey masks, drawing through them against a per-pixel
// reference, the ".qa" cache file and its checks, and loading a mask's table from disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "alpha_runs.h"
#include "bmp_file.h"
#include "image_test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace kolta::test {
namespace {

using RunFields = std::tuple<int, int, int, int>;  // column, row, length, opacity

std::vector<RunFields> Runs(const AlphaRunTable* table, int frame) {
  std::vector<RunFields> runs;
  for (int i = 0; i < table->header.frames[frame].runCount; ++i) {
    const AlphaRun& run = table->runs[frame][i];
    runs.emplace_back(run.column, run.row, run.length, run.alpha);
  }
  return runs;
}

void ExpectSameTable(const AlphaRunTable* expected, const AlphaRunTable* actual) {
  ASSERT_TRUE(expected);
  ASSERT_TRUE(actual);
  EXPECT_EQ(std::memcmp(&expected->header, &actual->header, sizeof expected->header), 0);
  for (int f = 0; f < expected->header.frameCount; ++f) {
    EXPECT_EQ(Runs(expected, f), Runs(actual, f)) << "frame " << f;
  }
}

// The frame drawn pixel by pixel straight from the mask, as the table should draw it.
void ReferenceBlit(DibImage* target, int left, int top, const DibImage* source,
                   const DibImage* mask, int frames, int frame, const DibRect* clip) {
  const int frameWidth = DibWidth(mask) / frames;
  for (int row = 0; row < DibHeight(mask); ++row) {
    for (int column = 0; column < frameWidth; ++column) {
      const int alpha = *DibPixelAddress(mask, frame * frameWidth + column, row);
      const int x = left + column, y = top + row;
      if (alpha <= 20 || !DibInBounds(target, x, y)) continue;
      if (clip && (x < clip->left || x >= clip->right || y < clip->top || y >= clip->bottom)) {
        continue;
      }
      std::uint8_t* t = DibPixelAddress(target, x, y);
      const std::uint8_t* s = DibPixelAddress(source, frame * frameWidth + column, row);
      for (int k = 0; k < 3; ++k) {
        t[k] = static_cast<std::uint8_t>(alpha == 255 ? s[k] : t[k] + (s[k] - t[k]) * alpha / 256);
      }
    }
  }
}

// ---------------------------------------------------------------------------------------
// Building

TEST(AlphaRunsBuild, RowsBecomeVisibleRunsOfEqualOpacity) {
  struct Case {
    std::vector<int> row;
    std::vector<RunFields> runs;  // all in row 1, the bottom one
  };
  const Case cases[] = {
      {{0, 0, 30, 30, 30, 10, 255}, {{2, 1, 3, 30}, {6, 1, 1, 255}}},
      {{5, 21, 21}, {{1, 1, 2, 21}}},  // a run of 21 at the row's end
      {{0, 20, 19, 20, 1}, {}},        // nothing above 20
      {{255, 255, 255}, {{0, 1, 3, 255}}},
      {{200, 100, 200, 200}, {{0, 1, 1, 200}, {1, 1, 1, 100}, {2, 1, 2, 200}}},
  };
  for (const Case& c : cases) {
    const int width = static_cast<int>(c.row.size());
    // Row 0 is the picture's top row: the tested row lies below an invisible one.
    ImagePtr mask = GreyImage(width, 2, [&](int x, int y) { return y == 1 ? c.row[x] : 0; });
    AlphaRunsPtr table(AlphaRunsBuild(mask.get(), 1));
    ASSERT_TRUE(table);
    EXPECT_EQ(Runs(table.get(), 0), c.runs) << testing::PrintToString(c.row);
    int pixels = 0;
    for (const RunFields& run : c.runs) pixels += std::get<2>(run);
    EXPECT_EQ(table->header.totalPixels, pixels);
    EXPECT_EQ(table->header.magic, 550);
    EXPECT_EQ(table->runs[0] == nullptr, c.runs.empty());
  }
}

TEST(AlphaRunsBuild, FramesSplitTheMaskByIntegerDivision) {
  for (int width : {90, 91}) {
    ImagePtr mask = GreyImage(width, 4, SoftMaskValue);
    AlphaRunsPtr table(AlphaRunsBuild(mask.get(), 3));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->header.frameWidth, 30);
    EXPECT_EQ(table->header.height, 4);
    EXPECT_EQ(table->header.frameCount, 3);
    for (int f = 3; f < kAlphaRunsMaxFrames; ++f) EXPECT_EQ(table->header.frames[f].runCount, 0);
    // Only a picture exactly three frames wide can be drawn.
    ImagePtr source = Pattern(width, 4);
    ImagePtr target = Pattern(40, 10);
    for (int f = 0; f < 3; ++f) {
      EXPECT_EQ(AlphaRunsBlit(target.get(), 0, 0, source.get(), table.get(), f, nullptr),
                width == 90 ? 1 : 0);
    }
  }
}

TEST(AlphaRunsBuild, RefusesOtherDepthsAndFrameCounts) {
  ImagePtr mask = GreyImage(6, 2, SoftMaskValue);
  for (int frames : {0, -1, 31, 7}) {  // 7: a frame narrower than a pixel
    EXPECT_EQ(AlphaRunsBuild(mask.get(), frames), nullptr) << frames;
  }
  const std::vector<std::uint8_t> palette(16 * 4, 0);
  for (int depth : {1, 4, 16, 24, 32}) {
    ImagePtr other(DibCreateWithPalette(6, 2, depth, depth < 16 ? 1u << depth : 0, palette.data()));
    ASSERT_TRUE(other) << depth;
    EXPECT_EQ(AlphaRunsBuild(other.get(), 1), nullptr) << depth;
  }
  EXPECT_EQ(AlphaRunsBuild(nullptr, 1), nullptr);
  AlphaRunsPtr thirty(AlphaRunsBuild(GreyImage(30, 1, SoftMaskValue).get(), 30));
  ASSERT_TRUE(thirty);
  EXPECT_EQ(thirty->header.frameWidth, 1);
}

TEST(AlphaRunsBuild, BoundingBoxCollapsesPairsThatDoNotSpan) {
  struct Case {
    int width, frames;
    std::vector<std::tuple<int, int, int>> pixels;  // x, y, value over an invisible mask
    std::array<int, 4> box;                         // min column, min row, max column, max row
  };
  const Case cases[] = {
      {6, 1, {{0, 0, 20}}, {0, 0, 0, 0}},  // nothing visible
      {6, 1, {{2, 1, 21}}, {0, 0, 0, 0}},  // one pixel
      {6, 1, {{1, 0, 200}, {3, 2, 255}, {5, 2, 20}}, {1, 0, 3, 2}},
      {6, 1, {{1, 0, 200}, {1, 2, 30}}, {0, 0, 0, 2}},  // one column
      {6, 1, {{1, 1, 200}, {4, 1, 30}}, {1, 0, 4, 0}},  // one row
      {8, 2, {{1, 1, 99}, {6, 2, 99}}, {1, 1, 2, 2}},   // frame columns
  };
  for (const Case& c : cases) {
    ImagePtr mask = GreyImage(c.width, 3, [&](int x, int y) {
      for (const auto& [px, py, value] : c.pixels) {
        if (px == x && py == y) return value;
      }
      return 0;
    });
    AlphaRunsPtr table(AlphaRunsBuild(mask.get(), c.frames));
    ASSERT_TRUE(table);
    const AlphaRunHeader& h = table->header;
    EXPECT_EQ((std::array{h.minColumn, h.minRow, h.maxColumn, h.maxRow}), c.box)
        << testing::PrintToString(c.pixels);
  }
}

// ---------------------------------------------------------------------------------------
// Drawing

TEST(AlphaRunsBlit, BlendsTruncatingTowardZero) {
  struct Case {
    int alpha, source, target, result;
  };
  const Case cases[] = {
      {128, 200, 100, 150}, {128, 0, 255, 128}, {255, 7, 250, 7},
      {21, 255, 0, 20},     {254, 0, 255, 2},
  };
  for (const Case& c : cases) {
    ImagePtr mask = Grey(1, 1, {c.alpha});
    AlphaRunsPtr table(AlphaRunsBuild(mask.get(), 1));
    ImagePtr source = RgbImage(1, 1, [&](int, int) {
      return std::array{c.source, c.source, c.source};
    });
    ImagePtr target = RgbImage(1, 1, [&](int, int) {
      return std::array{c.target, c.target, c.target};
    });
    ASSERT_EQ(AlphaRunsBlit(target.get(), 0, 0, source.get(), table.get(), 0, nullptr), 1);
    EXPECT_EQ(PixelColour(target.get(), 0, 0), DibRgb(c.result, c.result, c.result)) << c.alpha;
  }
}

// Every frame at positions over every edge of the target, with and without clips, against
// the per-pixel reference over the whole target: nothing outside the frame and clip moves.
TEST(AlphaRunsBlit, MatchesThePerPixelReferenceAtEveryEdge) {
  constexpr int kFrames = 3, kFrameWidth = 13, kHeight = 9;
  ImagePtr mask = GreyImage(kFrames * kFrameWidth, kHeight, SoftMaskValue);
  ImagePtr source = Pattern(kFrames * kFrameWidth, kHeight);
  AlphaRunsPtr table(AlphaRunsBuild(mask.get(), kFrames));
  ASSERT_TRUE(table);
  struct Case {
    const char* name;
    int x, y;
    std::optional<DibRect> clip;
    int result;
    int xOffset = 0, yOffset = 0;
  };
  const Case cases[] = {
      {"inside", 3, 2, {}, 1},
      {"left edge", -5, 4, {}, 1},
      {"top edge", 4, -6, {}, 1},
      {"top-left corner, one column left", -12, -8, {}, 1},
      {"right edge", 15, 3, {}, 1},
      {"bottom edge", 2, 10, {}, 1},
      {"bottom-right corner", 19, 14, {}, 1},
      {"wholly left", -13, 0, {}, 1},
      {"wholly above", 0, -9, {}, 1},
      {"past the right", 20, 0, {}, 0},
      {"past the bottom", 0, 15, {}, 0},
      {"left half clip", 3, 2, DibRect{3, 2, 9, 11}, 1},
      {"bottom half clip", 3, 2, DibRect{0, 7, 20, 15}, 1},
      {"clip that misses", 3, 2, DibRect{0, 0, 3, 2}, 1},
      {"clip beyond the target", -4, -3, DibRect{-10, -10, 100, 100}, 1},
      {"inverted clip", 3, 2, DibRect{10, 10, 5, 5}, 1},
      {"clip over a negative position", -6, -2, DibRect{1, 1, 4, 5}, 1},
      {"offsets", 3, 2, {}, 1, -7, 8},
      {"offsets past the right", 3, 2, {}, 0, 17, 0},
  };
  for (const Case& c : cases) {
    table->header.xOffset = c.xOffset;
    table->header.yOffset = c.yOffset;
    const DibRect* clip = c.clip ? &*c.clip : nullptr;
    for (int f = 0; f < kFrames; ++f) {
      ImagePtr target = Pattern(20, 15);
      ImagePtr expected = Pattern(20, 15);
      ReferenceBlit(expected.get(), c.x + c.xOffset, c.y + c.yOffset, source.get(), mask.get(),
                    kFrames, f, clip);
      EXPECT_EQ(AlphaRunsBlit(target.get(), c.x, c.y, source.get(), table.get(), f, clip), c.result)
          << c.name;
      EXPECT_EQ(PixelBytes(target.get()), PixelBytes(expected.get())) << c.name << ", frame " << f;
    }
  }
}

TEST(AlphaRunsBlit, RefusesBadArguments) {
  ImagePtr mask = GreyImage(8, 3, SoftMaskValue);
  AlphaRunsPtr table(AlphaRunsBuild(mask.get(), 2));
  ImagePtr source = Pattern(8, 3);
  ImagePtr target = Pattern(10, 10);
  const auto before = PixelBytes(target.get());
  ImagePtr shortSource = Pattern(8, 2);
  ImagePtr greySource = GreyImage(8, 3, SoftMaskValue);
  ImagePtr greyTarget = GreyImage(10, 10, SoftMaskValue);
  EXPECT_EQ(AlphaRunsBlit(target.get(), 0, 0, source.get(), table.get(), -1, nullptr), 0);
  EXPECT_EQ(AlphaRunsBlit(target.get(), 0, 0, source.get(), table.get(), 2, nullptr), 0);
  EXPECT_EQ(AlphaRunsBlit(target.get(), 0, 0, shortSource.get(), table.get(), 0, nullptr), 0);
  EXPECT_EQ(AlphaRunsBlit(target.get(), 0, 0, greySource.get(), table.get(), 0, nullptr), 0);
  EXPECT_EQ(AlphaRunsBlit(greyTarget.get(), 0, 0, source.get(), table.get(), 0, nullptr), 0);
  EXPECT_EQ(AlphaRunsBlit(target.get(), 0, 0, nullptr, table.get(), 0, nullptr), 0);
  EXPECT_EQ(AlphaRunsBlit(nullptr, 0, 0, source.get(), table.get(), 0, nullptr), 0);
  EXPECT_EQ(AlphaRunsBlit(target.get(), 0, 0, source.get(), nullptr, 0, nullptr), 0);
  EXPECT_EQ(PixelBytes(target.get()), before);
}

// ---------------------------------------------------------------------------------------
// Cache files

std::string TempPath(const std::string& name) { return testing::TempDir() + "kolta_alpha_" + name; }

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<std::uint8_t>(c));
    std::fclose(file);
  }
  return bytes;
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

std::vector<std::uint8_t> CacheBytes(const AlphaRunTable* table) {
  const std::string path = TempPath("bytes.qa");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  EXPECT_TRUE(file);
  if (!file) return {};
  EXPECT_EQ(AlphaRunsWrite(file, table), 1);
  std::fclose(file);
  std::vector<std::uint8_t> bytes = FileBytes(path);
  std::remove(path.c_str());
  return bytes;
}

// The table read from these bytes in memory and through a stream, which must agree.
AlphaRunsPtr ReadBytes(const std::vector<std::uint8_t>& bytes) {
  AlphaRunsPtr fromMemory(AlphaRunsReadFromMemory(bytes.data(), bytes.size()));
  const std::string path = TempPath("read.qa");
  EXPECT_TRUE(WriteBytes(path, bytes));
  std::FILE* file = std::fopen(path.c_str(), "rb");
  AlphaRunsPtr fromStream(file ? AlphaRunsRead(file) : nullptr);
  if (file) std::fclose(file);
  std::remove(path.c_str());
  EXPECT_EQ(!fromMemory, !fromStream);
  if (fromMemory && fromStream) ExpectSameTable(fromMemory.get(), fromStream.get());
  return fromMemory;
}

void Store(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

// Two frames of 6 x 4, both with runs.
AlphaRunsPtr SmallTable() {
  return AlphaRunsPtr(AlphaRunsBuild(GreyImage(12, 4, SoftMaskValue).get(), 2));
}

TEST(AlphaRunsCache, WriteAndReadBackGiveTheSameTable) {
  AlphaRunsPtr table = SmallTable();
  ASSERT_TRUE(table);
  ASSERT_GT(table->header.frames[1].runCount, 0);
  const std::vector<std::uint8_t> bytes = CacheBytes(table.get());
  std::size_t runs = 0;
  for (int f = 0; f < 2; ++f) runs += table->header.frames[f].runCount;
  ASSERT_EQ(bytes.size(), 284 + 8 * runs);
  EXPECT_EQ(bytes[0], 0x26);
  EXPECT_EQ(bytes[1], 0x02);
  AlphaRunsPtr back = ReadBytes(bytes);
  ExpectSameTable(table.get(), back.get());

  // Address slots are written as 0 and ignored when read, and slots beyond the frame
  // count are cleared.
  std::vector<std::uint8_t> odd = bytes;
  Store(odd, 48, 0xDEADBEEF, 4);
  Store(odd, 44 + 8 * 5, 3, 4);
  AlphaRunsPtr cleaned = ReadBytes(odd);
  ExpectSameTable(table.get(), cleaned.get());
}

TEST(AlphaRunsCache, RefusesEveryFieldOutOfRange) {
  AlphaRunsPtr table = SmallTable();
  const std::vector<std::uint8_t> valid = CacheBytes(table.get());
  const std::uint32_t count0 = table->header.frames[0].runCount;
  const std::uint32_t count1 = table->header.frames[1].runCount;
  const std::size_t firstRun = 284;
  struct Mutation {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> apply;
  };
  auto field = [](std::size_t at, std::uint32_t value, int size = 4) {
    return [=](std::vector<std::uint8_t>& b) { Store(b, at, value, size); };
  };
  const Mutation mutations[] = {
      {"magic 02 26", field(0, 0x2602, 2)},
      {"magic 551", field(0, 551, 2)},
      {"frame count 0", field(36, 0)},
      {"frame count 31", field(36, 31)},
      {"frame count -1", field(36, 0xFFFFFFFF)},
      {"frame width 0", field(12, 0)},
      {"frame width -6", field(12, static_cast<std::uint32_t>(-6))},
      {"frame width 65536", field(12, 65536)},
      {"height 0", field(16, 0)},
      {"height 65537", field(16, 65537)},
      {"run count -1", field(44, 0xFFFFFFFF)},
      {"run count above the frame area", field(44, 6 * 4 + 1)},
      {"run count beyond the file", field(52, count1 + 1)},
      {"run past the frame's width", field(firstRun, 6, 2)},
      {"run length past the frame's width", field(firstRun + 4, 7, 2)},
      {"run length 0", field(firstRun + 4, 0, 2)},
      {"run row at the height", field(firstRun + 2, 4, 2)},
      {"opacity 20", field(firstRun + 6, 20, 1)},
      {"opacity 0 in the second frame", field(firstRun + 8 * count0 + 6, 0, 1)},
      {"last byte missing", [](auto& b) { b.pop_back(); }},
      {"header only, one byte short", [](auto& b) { b.resize(283); }},
      {"empty", [](auto& b) { b.clear(); }},
  };
  for (const Mutation& m : mutations) {
    std::vector<std::uint8_t> bytes = valid;
    m.apply(bytes);
    EXPECT_FALSE(ReadBytes(bytes)) << m.name;
  }
  EXPECT_TRUE(ReadBytes(valid));
  EXPECT_EQ(AlphaRunsRead(nullptr), nullptr);
  EXPECT_EQ(AlphaRunsReadFromMemory(nullptr, 284), nullptr);
}

TEST(AlphaRunsCache, WriteFailsWithoutStreamTableOrRoom) {
  AlphaRunsPtr table = SmallTable();
  const std::string path = TempPath("readonly_stream.qa");
  ASSERT_TRUE(WriteBytes(path, {1}));
  std::FILE* readOnly = std::fopen(path.c_str(), "rb");
  ASSERT_TRUE(readOnly);
  EXPECT_EQ(AlphaRunsWrite(readOnly, table.get()), 0);
  EXPECT_EQ(AlphaRunsWrite(readOnly, nullptr), 0);
  EXPECT_EQ(AlphaRunsWrite(nullptr, table.get()), 0);
  std::fclose(readOnly);
  std::remove(path.c_str());
  EXPECT_EQ(AlphaRunsWriteCache(TempPath("no_such_folder/mask.bmp").c_str(), table.get()), 0);
  EXPECT_EQ(AlphaRunsWriteCache(TempPath("mask.bmp").c_str(), nullptr), 0);
}

TEST(AlphaRunsCache, PathReplacesTheLastExtensionWithinTheBuffer) {
  const std::string noDot124(124, 'a');
  struct Case {
    std::string mask;
    std::optional<std::string> cache;
  };
  const Case cases[] = {
      {"C:\\skin\\btna.bmp", "C:\\skin\\btna.qa"},
      {"mask", "mask.qa"},
      {".hidden", ".hidden.qa"},  // a leading dot is no extension
      {"a.b.c", "a.b.qa"},
      {"x.", "x.qa"},
      {"C:\\skin.v2\\mask", "C:\\skin.qa"},  // the last dot, even in a folder name
      {noDot124, noDot124 + ".qa"},          // 127 characters: fits
      {std::string(125, 'a'), std::nullopt},
      {std::string(123, 'a') + ".bmp", std::string(123, 'a') + ".qa"},  // 127 in
      {std::string(127, 'a'), std::nullopt},
      {std::string(124, 'a') + ".bmp", std::nullopt},  // 128: cannot be copied
      {std::string(200, 'a') + ".bmp", std::nullopt},
  };
  for (const Case& c : cases) {
    char cache[128];
    const int result = AlphaRunsCachePath(c.mask.c_str(), cache);
    EXPECT_EQ(result, c.cache ? 1 : 0) << c.mask;
    if (result && c.cache) {
      EXPECT_EQ(std::string(cache), *c.cache);
    }
  }
  char cache[128];
  EXPECT_EQ(AlphaRunsCachePath(nullptr, cache), 0);
}

// ---------------------------------------------------------------------------------------
// Loading from files

class AlphaRunsLoadTest : public testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& name : {mask_, cache_}) {
      SetWritable(name, true);
      std::remove(name.c_str());
    }
  }

  static void SetWritable(const std::string& path, bool writable) {
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), writable ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY);
#else
    chmod(path.c_str(), writable ? 0644 : 0444);
#endif
  }

  static bool IsWritable(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_READONLY);
#else
    struct stat status;
    return stat(path.c_str(), &status) == 0 && (status.st_mode & S_IWUSR);
#endif
  }

  // Writes the mask as an 8-bit bitmap file with a grey palette.
  bool WriteMask(const DibImage* mask) {
    BmpFields fields;
    fields.width = DibWidth(mask);
    fields.height = DibHeight(mask);
    fields.bitCount = 8;
    fields.palette = GreyPalette(256);
    fields.pixels = PixelBytes(mask);
    return WriteBytes(mask_, BmpBytes(fields));
  }

  const std::string mask_ = TempPath("load.bmp");
  const std::string cache_ = TempPath("load.qa");
  ImagePtr image_ = GreyImage(30, 5, SoftMaskValue);
};

TEST_F(AlphaRunsLoadTest, RebuildWritesTheCacheOfTheMask) {
  ASSERT_TRUE(WriteMask(image_.get()));
  AlphaRunsPtr expected(AlphaRunsBuild(image_.get(), 3));
  AlphaRunsPtr built(AlphaRunsLoad(mask_.c_str(), 3, 1));
  ExpectSameTable(expected.get(), built.get());
  AlphaRunsPtr cached(AlphaRunsReadCache(mask_.c_str()));
  ExpectSameTable(expected.get(), cached.get());
  AlphaRunsPtr viaCachePath(AlphaRunsReadCache(cache_.c_str()));  // "load.qa" names itself
  ExpectSameTable(expected.get(), viaCachePath.get());
}

TEST_F(AlphaRunsLoadTest, ACacheIsUsedAsItIsWithoutTheMask) {
  AlphaRunsPtr twoFrames(AlphaRunsBuild(image_.get(), 2));
  ASSERT_EQ(AlphaRunsWriteCache(mask_.c_str(), twoFrames.get()), 1);
  // No mask file at all, and another frame count asked for.
  AlphaRunsPtr loaded(AlphaRunsLoad(mask_.c_str(), 5, 0));
  ExpectSameTable(twoFrames.get(), loaded.get());
  // Rebuilding needs the mask.
  EXPECT_EQ(AlphaRunsLoad(mask_.c_str(), 5, 1), nullptr);
}

TEST_F(AlphaRunsLoadTest, ARefusedCacheFallsBackToTheMask) {
  ASSERT_TRUE(WriteMask(image_.get()));
  std::vector<std::uint8_t> bytes = CacheBytes(AlphaRunsPtr(AlphaRunsBuild(image_.get(), 1)).get());
  bytes[0] = 0x27;
  ASSERT_TRUE(WriteBytes(cache_, bytes));
  EXPECT_EQ(AlphaRunsReadCache(mask_.c_str()), nullptr);
  AlphaRunsPtr expected(AlphaRunsBuild(image_.get(), 3));
  AlphaRunsPtr loaded(AlphaRunsLoad(mask_.c_str(), 3, 0));
  ExpectSameTable(expected.get(), loaded.get());
  EXPECT_EQ(FileBytes(cache_), bytes);  // without rebuild nothing is written
}

TEST_F(AlphaRunsLoadTest, RebuildOverwritesAReadOnlyCache) {
  ASSERT_TRUE(WriteMask(image_.get()));
  AlphaRunsPtr old(AlphaRunsBuild(image_.get(), 1));
  ASSERT_EQ(AlphaRunsWriteCache(mask_.c_str(), old.get()), 1);
  SetWritable(cache_, false);
  ASSERT_FALSE(IsWritable(cache_));
  AlphaRunsPtr rebuilt(AlphaRunsLoad(mask_.c_str(), 3, 1));
  ASSERT_TRUE(rebuilt);
  // Running as an administrator may write it anyway; the attribute tells.
  EXPECT_TRUE(IsWritable(cache_));
  AlphaRunsPtr cached(AlphaRunsReadCache(mask_.c_str()));
  ExpectSameTable(rebuilt.get(), cached.get());
}

TEST_F(AlphaRunsLoadTest, NothingToLoadGivesNull) {
  EXPECT_EQ(AlphaRunsLoad(mask_.c_str(), 1, 0), nullptr);
  EXPECT_EQ(AlphaRunsLoad(mask_.c_str(), 1, 1), nullptr);
  EXPECT_EQ(AlphaRunsReadCache(mask_.c_str()), nullptr);
  EXPECT_EQ(AlphaRunsLoad(nullptr, 1, 0), nullptr);
  // A 24-bit mask file loads but makes no table.
  BmpFields fields;
  fields.width = 2;
  fields.pixels = {1, 2, 3, 4, 5, 6, 0, 0};
  ASSERT_TRUE(WriteBytes(mask_, BmpBytes(fields)));
  EXPECT_EQ(AlphaRunsLoad(mask_.c_str(), 1, 1), nullptr);
  EXPECT_TRUE(FileBytes(cache_).empty());
}

}  // namespace
}  // namespace kolta::test
