// Alpha run tables: building from grey masks, drawing through them against a per-pixel
// reference, the ".qa" cache file and its checks, and loading a mask's table from disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "alpha_runs.h"
#include "bmp_file.h"
#include "image_test_support.h"
#include "tool_reference.h"

namespace kolta::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
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
  ASSERT_TRUE(expected && actual);
  EXPECT_EQ(std::memcmp(&expected->header, &actual->header, sizeof expected->header), 0);
  for (int f = 0; f < expected->header.frameCount; ++f) {
    EXPECT_EQ(Runs(expected, f), Runs(actual, f)) << "frame " << f;
  }
}

AlphaRunsPtr Build(const DibImage* mask, int frames) {
  return AlphaRunsPtr(AlphaRunsBuild(mask, frames));
}

// A grey mask, invisible but for the given x, y, value pixels.
ImagePtr SparseMask(int width, int height, const std::vector<std::tuple<int, int, int>>& pixels) {
  return GreyImage(width, height, [&](int x, int y) {
    for (const auto& [px, py, value] : pixels) {
      if (px == x && py == y) return value;
    }
    return 0;
  });
}

// The frame drawn pixel by pixel straight from the mask, as the table should draw it.
void ReferenceBlit(DibImage* target, int left, int top, const DibImage* source,
                   const DibImage* mask, int frames, int frame, const DibRect* clip) {
  const int frameWidth = DibWidth(mask) / frames;
  for (int row = 0; row < DibHeight(mask); ++row) {
    for (int column = 0; column < frameWidth; ++column) {
      const int alpha = *DibPixelAddress(mask, frame * frameWidth + column, row);
      const int x = left + column, y = top + row;
      if (alpha <= 20 || !DibInBounds(target, x, y) ||
          (clip && (x < clip->left || x >= clip->right || y < clip->top || y >= clip->bottom))) {
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
  const std::pair<std::vector<int>, std::vector<RunFields>> cases[] = {  // runs all in row 1
      {{0, 0, 30, 30, 30, 10, 255}, {{2, 1, 3, 30}, {6, 1, 1, 255}}},
      {{5, 21, 21}, {{1, 1, 2, 21}}},  // a run of 21 at the row's end
      {{0, 20, 19, 20, 1}, {}},        // nothing above 20
      {{255, 255, 255}, {{0, 1, 3, 255}}},
      {{200, 100, 200, 200}, {{0, 1, 1, 200}, {1, 1, 1, 100}, {2, 1, 2, 200}}},
  };
  for (const auto& [row, runs] : cases) {
    SCOPED_TRACE(testing::PrintToString(row));
    // Row 0 is the picture's top row: the tested row lies below an invisible one.
    AlphaRunsPtr table = Build(
        GreyImage(static_cast<int>(row.size()), 2, [&](int x, int y) { return y ? row[x] : 0; })
            .get(),
        1);
    ASSERT_TRUE(table);
    EXPECT_EQ(Runs(table.get(), 0), runs);
    int pixels = 0;
    for (const RunFields& run : runs) pixels += std::get<2>(run);
    EXPECT_EQ(table->header.totalPixels, pixels);
    EXPECT_EQ(table->header.magic, 550);
    EXPECT_EQ(table->runs[0] == nullptr, runs.empty());
  }
}

TEST(AlphaRunsBuild, FramesSplitTheMaskByIntegerDivision) {
  for (int width : {90, 91}) {
    AlphaRunsPtr table = Build(GreyImage(width, 4, SoftMaskValue).get(), 3);
    ASSERT_TRUE(table);
    const AlphaRunHeader& h = table->header;
    EXPECT_EQ(std::tuple(h.frameWidth, h.height, h.frameCount), std::tuple(30, 4, 3));
    for (int f = 3; f < kAlphaRunsMaxFrames; ++f) EXPECT_EQ(h.frames[f].runCount, 0);
    // Only a picture exactly three frames wide can be drawn.
    ImagePtr source = Pattern(width, 4), target = Pattern(40, 10);
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
  AlphaRunsPtr thirty = Build(GreyImage(30, 1, SoftMaskValue).get(), 30);
  ASSERT_TRUE(thirty);
  EXPECT_EQ(thirty->header.frameWidth, 1);
}

TEST(AlphaRunsBuild, BoundingBoxCollapsesPairsThatDoNotSpan) {
  struct Case {
    int width, frames;
    std::vector<std::tuple<int, int, int>> pixels;  // x, y, value over an invisible 3-row mask
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
    AlphaRunsPtr table = Build(SparseMask(c.width, 3, c.pixels).get(), c.frames);
    ASSERT_TRUE(table);
    const AlphaRunHeader& h = table->header;
    EXPECT_EQ((std::array{h.minColumn, h.minRow, h.maxColumn, h.maxRow}), c.box)
        << testing::PrintToString(c.pixels);
  }
}

// ---------------------------------------------------------------------------------------
// Drawing

TEST(AlphaRunsBlit, BlendsTruncatingTowardZero) {
  const auto grey = [](int value) {
    return RgbImage(1, 1, [=](int, int) { return std::array{value, value, value}; });
  };
  // opacity, source, target, result
  const int cases[][4] = {
      {128, 200, 100, 150}, {128, 0, 255, 128}, {255, 7, 250, 7}, {21, 255, 0, 20},
      {254, 0, 255, 2},
  };
  for (const auto& [alpha, source, target, result] : cases) {
    AlphaRunsPtr table = Build(Grey(1, 1, {alpha}).get(), 1);
    ImagePtr drawn = grey(target);
    ASSERT_EQ(AlphaRunsBlit(drawn.get(), 0, 0, grey(source).get(), table.get(), 0, nullptr), 1);
    EXPECT_EQ(PixelColour(drawn.get(), 0, 0), DibRgb(result, result, result)) << alpha;
  }
}

// Every frame at positions over every edge of the target, with and without clips, against
// the per-pixel reference over the whole target: nothing outside the frame and clip moves.
TEST(AlphaRunsBlit, MatchesThePerPixelReferenceAtEveryEdge) {
  constexpr int kFrames = 3, kFrameWidth = 13, kHeight = 9;
  ImagePtr mask = GreyImage(kFrames * kFrameWidth, kHeight, SoftMaskValue);
  ImagePtr source = Pattern(kFrames * kFrameWidth, kHeight);
  AlphaRunsPtr table = Build(mask.get(), kFrames);
  ASSERT_TRUE(table);
  struct Case {
    const char* name;
    int x, y;
    std::optional<DibRect> clip;
    int result;
    int xOffset = 0, yOffset = 0;
  };
  const Case cases[] = {
      {"inside", 3, 2, {}, 1}, {"left edge", -5, 4, {}, 1}, {"top edge", 4, -6, {}, 1},
      {"top-left corner, one column left", -12, -8, {}, 1}, {"right edge", 15, 3, {}, 1},
      {"bottom edge", 2, 10, {}, 1}, {"bottom-right corner", 19, 14, {}, 1},
      {"wholly left", -13, 0, {}, 1}, {"wholly above", 0, -9, {}, 1},
      {"past the right", 20, 0, {}, 0}, {"past the bottom", 0, 15, {}, 0},
      {"left half clip", 3, 2, DibRect{3, 2, 9, 11}, 1},
      {"bottom half clip", 3, 2, DibRect{0, 7, 20, 15}, 1},
      {"clip that misses", 3, 2, DibRect{0, 0, 3, 2}, 1},
      {"clip beyond the target", -4, -3, DibRect{-10, -10, 100, 100}, 1},
      {"inverted clip", 3, 2, DibRect{10, 10, 5, 5}, 1},
      {"clip over a negative position", -6, -2, DibRect{1, 1, 4, 5}, 1},
      {"offsets", 3, 2, {}, 1, -7, 8}, {"offsets past the right", 3, 2, {}, 0, 17, 0},
  };
  for (const Case& c : cases) {
    table->header.xOffset = c.xOffset;
    table->header.yOffset = c.yOffset;
    const DibRect* clip = c.clip ? &*c.clip : nullptr;
    for (int f = 0; f < kFrames; ++f) {
      SCOPED_TRACE(testing::Message() << c.name << ", frame " << f);
      ImagePtr target = Pattern(20, 15), expected = Pattern(20, 15);
      ReferenceBlit(expected.get(), c.x + c.xOffset, c.y + c.yOffset, source.get(), mask.get(),
                    kFrames, f, clip);
      EXPECT_EQ(AlphaRunsBlit(target.get(), c.x, c.y, source.get(), table.get(), f, clip),
                c.result);
      EXPECT_EQ(PixelBytes(target.get()), PixelBytes(expected.get()));
    }
  }
}

TEST(AlphaRunsBlit, RefusesBadArguments) {
  AlphaRunsPtr table = Build(GreyImage(8, 3, SoftMaskValue).get(), 2);
  ImagePtr source = Pattern(8, 3), target = Pattern(10, 10);
  ImagePtr shortSource = Pattern(8, 2), greySource = GreyImage(8, 3, SoftMaskValue);
  ImagePtr greyTarget = GreyImage(10, 10, SoftMaskValue);
  const Bytes before = PixelBytes(target.get());
  DibImage* t = target.get();
  const DibImage* s = source.get();
  const AlphaRunTable* r = table.get();
  const std::tuple<DibImage*, const DibImage*, const AlphaRunTable*, int> calls[] = {
      {t, s, r, -1}, {t, s, r, 2}, {t, shortSource.get(), r, 0}, {t, greySource.get(), r, 0},
      {greyTarget.get(), s, r, 0}, {t, nullptr, r, 0}, {nullptr, s, r, 0}, {t, s, nullptr, 0},
  };
  int call = 0;
  for (const auto& [into, from, runs, frame] : calls) {
    EXPECT_EQ(AlphaRunsBlit(into, 0, 0, from, runs, frame, nullptr), 0) << "call " << call++;
  }
  EXPECT_EQ(PixelBytes(target.get()), before);
}

// ---------------------------------------------------------------------------------------
// Cache files

std::string TempPath(const std::string& name) { return testing::TempDir() + "kolta_alpha_" + name; }

bool WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

// Opens a file, hands it to `use` and closes it; false when it cannot be opened.
template <typename Use>
bool WithFile(const std::string& path, const char* mode, Use use) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file) {
    use(file);
    std::fclose(file);
  }
  return file != nullptr;
}

Bytes CacheBytes(const AlphaRunTable* table) {
  const std::string path = TempPath("bytes.qa");
  EXPECT_TRUE(WithFile(path, "wb", [&](std::FILE* f) { EXPECT_EQ(AlphaRunsWrite(f, table), 1); }));
  Bytes bytes = FileBytes(path);
  std::remove(path.c_str());
  return bytes;
}

// The table read from these bytes in memory and through a stream, which must agree.
AlphaRunsPtr ReadBytes(const Bytes& bytes) {
  AlphaRunsPtr fromMemory(AlphaRunsReadFromMemory(bytes.data(), bytes.size())), fromStream;
  const std::string path = TempPath("read.qa");
  EXPECT_TRUE(WriteBytes(path, bytes));
  WithFile(path, "rb", [&](std::FILE* file) { fromStream.reset(AlphaRunsRead(file)); });
  std::remove(path.c_str());
  EXPECT_EQ(!fromMemory, !fromStream);
  if (fromMemory && fromStream) ExpectSameTable(fromMemory.get(), fromStream.get());
  return fromMemory;
}

void Store(Bytes& bytes, std::size_t at, std::uint32_t value, int size = 4) {
  for (int i = 0; i < size; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

// Two frames of 6 x 4, both with runs.
AlphaRunsPtr SmallTable() { return Build(GreyImage(12, 4, SoftMaskValue).get(), 2); }

TEST(AlphaRunsCache, WriteAndReadBackGiveTheSameTable) {
  AlphaRunsPtr table = SmallTable();
  ASSERT_TRUE(table);
  const AlphaRunHeader& h = table->header;
  ASSERT_GT(h.frames[1].runCount, 0);
  const Bytes bytes = CacheBytes(table.get());
  ASSERT_EQ(bytes.size(), 284u + 8u * (h.frames[0].runCount + h.frames[1].runCount));
  EXPECT_EQ(bytes[0], 0x26);
  EXPECT_EQ(bytes[1], 0x02);
  ExpectSameTable(table.get(), ReadBytes(bytes).get());

  // Address slots are written as 0 and ignored when read, and slots beyond the frame
  // count are cleared.
  Bytes odd = bytes;
  Store(odd, 48, 0xDEADBEEF);
  Store(odd, 44 + 8 * 5, 3);
  ExpectSameTable(table.get(), ReadBytes(odd).get());
}

TEST(AlphaRunsCache, RefusesEveryFieldOutOfRange) {
  AlphaRunsPtr table = SmallTable();
  const Bytes valid = CacheBytes(table.get());
  const std::uint32_t count0 = table->header.frames[0].runCount;
  const std::uint32_t count1 = table->header.frames[1].runCount;
  const std::size_t run = 284;  // the first run
  auto field = [](std::size_t at, std::uint32_t value, int size = 4) {
    return [=](Bytes& b) { Store(b, at, value, size); };
  };
  const std::pair<const char*, std::function<void(Bytes&)>> mutations[] = {
      {"magic 02 26", field(0, 0x2602, 2)}, {"magic 551", field(0, 551, 2)},
      {"frame count 0", field(36, 0)}, {"frame count 31", field(36, 31)},
      {"frame count -1", field(36, 0xFFFFFFFF)}, {"frame width 0", field(12, 0)},
      {"frame width -6", field(12, static_cast<std::uint32_t>(-6))},
      {"frame width 65536", field(12, 65536)}, {"height 0", field(16, 0)},
      {"height 65537", field(16, 65537)}, {"run count -1", field(44, 0xFFFFFFFF)},
      {"run count above the frame area", field(44, 6 * 4 + 1)},
      {"run count beyond the file", field(52, count1 + 1)},
      {"run past the frame's width", field(run, 6, 2)},
      {"run length past the frame's width", field(run + 4, 7, 2)},
      {"run length 0", field(run + 4, 0, 2)}, {"run row at the height", field(run + 2, 4, 2)},
      {"opacity 20", field(run + 6, 20, 1)},
      {"opacity 0 in the second frame", field(run + 8 * count0 + 6, 0, 1)},
      {"last byte missing", [](Bytes& b) { b.pop_back(); }},
      {"header only, one byte short", [](Bytes& b) { b.resize(283); }},
      {"empty", [](Bytes& b) { b.clear(); }},
  };
  for (const auto& [name, apply] : mutations) {
    Bytes bytes = valid;
    apply(bytes);
    EXPECT_FALSE(ReadBytes(bytes)) << name;
  }
  EXPECT_TRUE(ReadBytes(valid));
  EXPECT_EQ(AlphaRunsRead(nullptr), nullptr);
  EXPECT_EQ(AlphaRunsReadFromMemory(nullptr, 284), nullptr);
}

TEST(AlphaRunsCache, WriteFailsWithoutStreamTableOrRoom) {
  AlphaRunsPtr table = SmallTable();
  const std::string path = TempPath("readonly_stream.qa");
  ASSERT_TRUE(WriteBytes(path, {1}));
  ASSERT_TRUE(WithFile(path, "rb", [&](std::FILE* readOnly) {
    EXPECT_EQ(AlphaRunsWrite(readOnly, table.get()), 0);
    EXPECT_EQ(AlphaRunsWrite(readOnly, nullptr), 0);
  }));
  std::remove(path.c_str());
  EXPECT_EQ(AlphaRunsWrite(nullptr, table.get()), 0);
  EXPECT_EQ(AlphaRunsWriteCache(TempPath("no_such_folder/mask.bmp").c_str(), table.get()), 0);
  EXPECT_EQ(AlphaRunsWriteCache(TempPath("mask.bmp").c_str(), nullptr), 0);
}

TEST(AlphaRunsCache, PathReplacesTheLastExtensionWithinTheBuffer) {
  const std::string a123(123, 'a'), a124(124, 'a');
  const std::pair<std::string, std::optional<std::string>> cases[] = {  // mask, cache
      {"C:\\skin\\btna.bmp", "C:\\skin\\btna.qa"}, {"mask", "mask.qa"}, {"a.b.c", "a.b.qa"},
      {"x.", "x.qa"}, {".hidden", ".hidden.qa"},  // a leading dot is no extension
      {"C:\\skin.v2\\mask", "C:\\skin.qa"},  // the last dot, even in a folder name
      {a124, a124 + ".qa"},                  // 127 characters: fits
      {a123 + ".bmp", a123 + ".qa"},  // 127 in
      {std::string(125, 'a'), std::nullopt}, {std::string(127, 'a'), std::nullopt},
      {a124 + ".bmp", std::nullopt},  // 128: cannot be copied
      {std::string(200, 'a') + ".bmp", std::nullopt},
  };
  char cache[128];
  for (const auto& [mask, expected] : cases) {
    const int result = AlphaRunsCachePath(mask.c_str(), cache);
    EXPECT_EQ(result, expected ? 1 : 0) << mask;
    if (result && expected) {
      EXPECT_EQ(std::string(cache), *expected);
    }
  }
  EXPECT_EQ(AlphaRunsCachePath(nullptr, cache), 0);
}

// ---------------------------------------------------------------------------------------
// Loading from files

class AlphaRunsLoadTest : public testing::Test {
 protected:
  void TearDown() override {
    SetWritable(cache_, true);
    for (const std::string& name : {mask_, cache_}) std::remove(name.c_str());
  }

  static void SetWritable(const std::string& path, bool writable) {
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_write,
                    writable ? fs::perm_options::add : fs::perm_options::remove, ignored);
  }
  static bool IsWritable(const std::string& path) {
    std::error_code ignored;
    return (fs::status(path, ignored).permissions() & fs::perms::owner_write) != fs::perms::none;
  }

  AlphaRunsPtr Load(int frames, int rebuild) const {
    return AlphaRunsPtr(AlphaRunsLoad(mask_.c_str(), frames, rebuild));
  }
  static AlphaRunsPtr ReadCache(const std::string& path) {
    return AlphaRunsPtr(AlphaRunsReadCache(path.c_str()));
  }

  const std::string mask_ = TempPath("load.bmp"), cache_ = TempPath("load.qa");
  ImagePtr image_ = GreyImage(30, 5, SoftMaskValue);
};

TEST_F(AlphaRunsLoadTest, RebuildWritesTheCacheOfTheMaskEvenOverAReadOnlyOne) {
  ASSERT_TRUE(WriteBytes(mask_, ImageBmpBytes(image_.get())));
  ASSERT_EQ(AlphaRunsWriteCache(mask_.c_str(), Build(image_.get(), 1).get()), 1);
  SetWritable(cache_, false);
  ASSERT_FALSE(IsWritable(cache_));
  AlphaRunsPtr expected = Build(image_.get(), 3);
  ExpectSameTable(expected.get(), Load(3, 1).get());
  // Running as an administrator may write it anyway; the attribute tells.
  EXPECT_TRUE(IsWritable(cache_));
  ExpectSameTable(expected.get(), ReadCache(mask_).get());
  ExpectSameTable(expected.get(), ReadCache(cache_).get());  // "load.qa" names itself
}

TEST_F(AlphaRunsLoadTest, ACacheIsUsedAsItIsWithoutTheMask) {
  AlphaRunsPtr twoFrames = Build(image_.get(), 2);
  ASSERT_EQ(AlphaRunsWriteCache(mask_.c_str(), twoFrames.get()), 1);
  // No mask file at all, and another frame count asked for; rebuilding needs the mask.
  ExpectSameTable(twoFrames.get(), Load(5, 0).get());
  EXPECT_EQ(Load(5, 1), nullptr);
}

TEST_F(AlphaRunsLoadTest, ARefusedCacheFallsBackToTheMask) {
  ASSERT_TRUE(WriteBytes(mask_, ImageBmpBytes(image_.get())));
  Bytes bytes = CacheBytes(Build(image_.get(), 1).get());
  bytes[0] = 0x27;
  ASSERT_TRUE(WriteBytes(cache_, bytes));
  EXPECT_EQ(ReadCache(mask_), nullptr);
  ExpectSameTable(Build(image_.get(), 3).get(), Load(3, 0).get());
  EXPECT_EQ(FileBytes(cache_), bytes);  // without rebuild nothing is written
}

TEST_F(AlphaRunsLoadTest, NothingToLoadGivesNull) {
  EXPECT_EQ(Load(1, 0), nullptr);
  EXPECT_EQ(Load(1, 1), nullptr);
  EXPECT_EQ(ReadCache(mask_), nullptr);
  EXPECT_EQ(AlphaRunsLoad(nullptr, 1, 0), nullptr);
  // A 24-bit mask file loads but makes no table.
  ASSERT_TRUE(WriteBytes(mask_, ImageBmpBytes(Pattern(2, 1).get())));
  EXPECT_EQ(Load(1, 1), nullptr);
  EXPECT_TRUE(FileBytes(cache_).empty());
}

}  // namespace
}  // namespace kolta::test
