// The GIF reader's rules that tool-written files do not show: signatures, header failures,
// background colours, composition by disposal method and transparency, interlaced row
// order, and LZW streams no encoder writes (bad code sizes, a full table, codes beyond the
// table, missing end codes, truncated data). Files are built with the
// encoder of gif_test_files.h.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "byte_reader.h"
#include "gif_file.h"
#include "gif_lzw.h"
#include "gif_test_files.h"
#include "image_test_support.h"

namespace kolta::test {
namespace {

constexpr DibColor kWhite = 0xFFFFFF;

ImagePtr Load(const std::vector<std::uint8_t>& file, DibImage** mask = nullptr) {
  return ImagePtr(GifLoadFromMemory(file.data(), file.size(), mask));
}

const std::vector<DibColor> kColours = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FF00, 0x123456};
constexpr DibColor kBackground = 0xFF0000;  // entry 2

std::vector<std::uint8_t> Indices(int count, int (*index)(int)) {
  std::vector<std::uint8_t> out;
  for (int i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(index(i)));
  return out;
}

// A 3 x 3 frame at (5, 5) of a 20 x 20 screen: indices 0 to 4 in a pattern.
std::vector<std::uint8_t> SmallFrameFile(int disposal, int transparentIndex) {
  GifBuilder gif(20, 20, kColours, 2);
  const auto pattern = Indices(9, [](int i) { return i % 5; });
  gif.Control(disposal, transparentIndex).Frame(5, 5, 3, 3, pattern);
  return gif.End();
}

TEST(Gif, SignaturesAndHeaders) {
  for (const char* signature : {"GIF89a", "GIF87a"}) {
    GifBuilder gif(2, 1, kColours, 0, signature);
    ImagePtr image = Load(gif.Frame(0, 0, 2, 1, {1, 2}).End());
    ASSERT_TRUE(image) << signature;
    EXPECT_EQ(PixelColour(image.get(), 1, 0), kColours[2]);
  }
  for (const char* signature : {"gif89a", "GIF88a", "GIF89b"}) {
    GifBuilder gif(2, 1, kColours, 0, signature);
    EXPECT_FALSE(Load(gif.Frame(0, 0, 2, 1, {1, 2}).End())) << signature;
  }
  const std::vector<std::uint8_t> file = GifBuilder(2, 1, kColours).Frame(0, 0, 2, 1, {1, 2}).End();
  for (std::size_t size :
       {std::size_t{0}, std::size_t{12}, std::size_t{13 + 23}, std::size_t{13 + 24}}) {
    EXPECT_FALSE(Load({file.begin(), file.begin() + size})) << size;  // short header or table
  }
  EXPECT_FALSE(Load(GifBuilder(2, 1, kColours).End()));  // no image
  EXPECT_EQ(GifLoad("no such file.gif", nullptr), nullptr);
}

TEST(Gif, OpaqueFrameOverTheBackgroundColour) {
  AnimationPtr animation = Open(SmallFrameFile(0, -1));
  ASSERT_TRUE(animation);
  EXPECT_EQ(animation->background, kBackground);
  ImagePtr image(GifRenderFrame(animation.get(), kWhite));
  ASSERT_TRUE(image);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool inFrame = x >= 5 && x < 8 && y >= 5 && y < 8;
      const DibColor want = inFrame ? kColours[((y - 5) * 3 + x - 5) % 5] : kBackground;
      ASSERT_EQ(PixelColour(image.get(), x, y), want) << x << "," << y;
    }
  }
  EXPECT_EQ(GifFrameMask(animation.get()), nullptr);  // opaque: no mask

  // A background index beyond the table means entry 0; no global table means white.
  EXPECT_EQ(Open(GifBuilder(4, 4, kColours, 200).Frame(0, 0, 1, 1, {0}).End())->background,
            kColours[0]);
  GifBuilder local(4, 4, {});
  local.Descriptor(1, 1, 1, 1, 0, kColours).Data(Bytes({8})).Data(Lzw({3}, 8));
  ImagePtr white = Load(local.End());
  ASSERT_TRUE(white);
  EXPECT_EQ(PixelColour(white.get(), 0, 0), kWhite);
  EXPECT_EQ(PixelColour(white.get(), 1, 1), kColours[3]);
}

TEST(Gif, TransparentColourMatchesEveryEntryOfThatColour) {
  DibImage* rawMask = nullptr;
  ImagePtr image = Load(SmallFrameFile(0, 1), &rawMask);  // entry 3 repeats entry 1's colour
  ImagePtr mask(rawMask);
  ASSERT_TRUE(image && mask);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool inFrame = x >= 5 && x < 8 && y >= 5 && y < 8;
      const int index = inFrame ? ((y - 5) * 3 + x - 5) % 5 : -1;
      const bool opaque = inFrame && index != 1 && index != 3;
      ASSERT_EQ(PixelColour(image.get(), x, y), opaque ? kColours[index] : kWhite) << x << "," << y;
      ASSERT_EQ(*DibPixelAddress(mask.get(), x, y), opaque ? 255 : 0) << x << "," << y;
    }
  }
}

// Every disposal method, transparent and opaque, drawn over a pattern at (2, 1) of a
// larger target: what is drawn, and what the canvas keeps.
TEST(Gif, DisposalMethods) {
  for (int disposal = 0; disposal < 8; ++disposal) {
    for (const int transparentIndex : {-1, 1}) {
      AnimationPtr animation = Open(SmallFrameFile(disposal, transparentIndex));
      ASSERT_TRUE(animation);
      ImagePtr target = Pattern(24, 22);
      ImagePtr before(DibDuplicate(target.get()));
      ASSERT_EQ(GifDrawFrameToImage(animation.get(), target.get(), 2, 1), 1);
      const bool transparent = transparentIndex >= 0;
      const bool overCanvas = disposal == 1 || (disposal == 0 && !transparent);
      for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 24; ++x) {
          const int sx = x - 2, sy = y - 1;
          const bool onScreen = sx >= 0 && sx < 20 && sy >= 0 && sy < 20;
          const bool inFrame = sx >= 5 && sx < 8 && sy >= 5 && sy < 8;
          const int index = inFrame ? ((sy - 5) * 3 + sx - 5) % 5 : -1;
          DibColor want = PixelColour(before.get(), x, y);
          if (disposal < 4 && onScreen) {
            if (overCanvas) want = kBackground;
            if (inFrame && !(transparent && (index == 1 || index == 3))) want = kColours[index];
          }
          ASSERT_EQ(PixelColour(target.get(), x, y), want)
              << "disposal " << disposal << " transparent " << transparent << " at " << x << ","
              << y;
          if (onScreen) {
            ASSERT_EQ(PixelColour(animation->canvas, sx, sy), disposal == 1 ? want : kBackground);
          }
        }
      }
      ImagePtr mask(GifFrameMask(animation.get()));
      EXPECT_EQ(mask != nullptr, transparent && (disposal == 0 || disposal == 2 || disposal == 3));
    }
  }
}

TEST(Gif, FramesKeepTheirOwnControlValuesAndClipping) {
  GifBuilder gif(6, 4, kColours, 2);
  gif.Control(1, -1, 7).Frame(4, 2, 4, 4, std::vector<std::uint8_t>(16, 4));  // partly outside
  gif.Control(2, 0, 30).Frame(0, 0, 1, 1, {0});
  gif.Frame(0, 0, 2, 2, {1, 1, 1, 1});
  gif.Descriptor(0, 0, 0, 5);  // an empty frame ends the sequence
  gif.Frame(0, 0, 1, 1, {1});
  AnimationPtr animation = Open(gif.End());
  ASSERT_TRUE(animation);
  ASSERT_EQ(animation->frameCount, 3);
  const GifFrame* first = animation->first;
  EXPECT_EQ(first->disposal, 1);
  EXPECT_EQ(first->delay, 70);
  EXPECT_FALSE(first->transparent);
  EXPECT_EQ(first->next->delay, 300);
  EXPECT_TRUE(first->next->transparent);
  EXPECT_EQ(first->next->transparentColour, kColours[0]);
  EXPECT_EQ(first->next->next->disposal, 0);  // control values apply to one image only
  EXPECT_FALSE(first->next->next->transparent);

  ImagePtr image(GifRenderFrame(animation.get(), kWhite));
  ASSERT_TRUE(image);
  EXPECT_EQ(PixelColour(image.get(), 3, 1), kBackground);
  EXPECT_EQ(PixelColour(image.get(), 5, 3), kColours[4]);

  // An empty first frame: nothing to load.
  EXPECT_FALSE(Load(GifBuilder(4, 4, kColours).Frame(0, 0, 0, 4, {}).End()));
}

// GifLoad gives what the animation's rendering over white and its mask give for the first
// frame, row padding too, whatever follows it (here a second frame, whole or cut short):
// a frame partly outside the screen, and one covering it.
TEST(Gif, LoadGivesTheFirstFrameAsTheAnimationDrawsIt) {
  struct Place {
    int left, top, width, height;
  };
  for (const Place place : {Place{15, 8, 8, 3}, Place{0, 0, 21, 10}}) {
    const auto pattern = Indices(place.width * place.height, [](int i) { return (i * 7) % 5; });
    for (int disposal = 0; disposal < 8; ++disposal) {
      for (const int transparentIndex : {-1, 3}) {
        GifBuilder gif(21, 10, kColours, 2);
        gif.Control(disposal, transparentIndex)
            .Frame(place.left, place.top, place.width, place.height, pattern);
        gif.Control(1, 2).Frame(0, 0, 21, 10, std::vector<std::uint8_t>(210, 2));
        std::vector<std::uint8_t> file = gif.End();
        AnimationPtr animation = Open(file);
        ASSERT_TRUE(animation);
        ImagePtr want(GifRenderFrame(animation.get(), kWhite));
        ImagePtr wantMask(GifFrameMask(animation.get()));
        for (const std::size_t cut : {std::size_t{0}, std::size_t{8}}) {
          file.resize(file.size() - cut);
          DibImage* mask = nullptr;
          ImagePtr image = Load(file, &mask);
          ImagePtr gotMask(mask);
          ASSERT_TRUE(image);
          EXPECT_EQ(PixelBytes(image.get()), PixelBytes(want.get()))
              << place.left << " disposal " << disposal << " cut " << cut;
          ASSERT_EQ(gotMask != nullptr, wantMask != nullptr) << disposal;
          if (wantMask) {
            EXPECT_EQ(PixelBytes(gotMask.get()), PixelBytes(wantMask.get()));
          }
        }
      }
    }
  }
}

// The decoder alone, collecting rows by their place.
struct CollectedRows final : image::GifRowSink {
  std::vector<int> order;  // rows in the order written
  std::vector<std::vector<std::uint8_t>> rows;
  explicit CollectedRows(int height) : rows(static_cast<std::size_t>(height)) {}
  void WriteRow(int row, std::span<const std::uint8_t> indices) override {
    order.push_back(row);
    rows[static_cast<std::size_t>(row)].assign(indices.begin(), indices.end());
  }
};

CollectedRows Decode(const std::vector<std::uint8_t>& data, int width, int height,
                     bool interlaced = false) {
  CollectedRows rows(height);
  image::ByteReader in = image::ByteReader::FromMemory(data.data(), data.size());
  image::GifDecodeImage(in, width, height, interlaced, rows);
  return rows;
}

std::vector<std::uint8_t> WithSize(int minimumSize, const std::vector<std::uint8_t>& blocks) {
  std::vector<std::uint8_t> data = {static_cast<std::uint8_t>(minimumSize)};
  data.insert(data.end(), blocks.begin(), blocks.end());
  return data;
}

TEST(Gif, InterlacedRowOrder) {
  std::vector<std::uint8_t> pixels;
  for (int row = 0; row < 10; ++row) pixels.insert(pixels.end(), 3, static_cast<std::uint8_t>(row));
  CollectedRows rows = Decode(WithSize(8, Lzw(pixels, 8)), 3, 10, true);
  EXPECT_EQ(rows.order, (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
  EXPECT_EQ(Decode(WithSize(8, Lzw(pixels, 8)), 3, 3, true).order, (std::vector<int>{0, 2, 1}));
}

TEST(Gif, BadMinimumCodeSizeLeavesIndexZero) {
  for (int size : {0, 12, 255}) {
    GifBuilder gif(2, 2, kColours);
    gif.Descriptor(0, 0, 2, 2).Data(WithSize(size, Lzw({1, 2, 3, 4}, 8)));
    ImagePtr image = Load(gif.End());
    ASSERT_TRUE(image) << size;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(PixelColour(image.get(), i % 2, i / 2), kColours[0]);
  }
}

std::vector<std::uint8_t> AllRows(const CollectedRows& rows) {
  std::vector<std::uint8_t> all;
  for (const auto& row : rows.rows) all.insert(all.end(), row.begin(), row.end());
  return all;
}

// Minimum sizes 1 to 11 (1: roots 0 and 1, 2-bit codes, 3 bits from the second code on;
// 11: 12-bit codes from the start), with a clear code first and without one, which some
// encoders leave out.
TEST(Gif, EveryMinimumCodeSizeWithAndWithoutAFirstClearCode) {
  std::uint32_t state = 99;
  std::vector<std::uint8_t> noise;
  for (int i = 0; i < 9000; ++i) {
    state = state * 1103515245 + 12345;
    noise.push_back(static_cast<std::uint8_t>(state >> 16));
  }
  for (int size = 1; size <= 11; ++size) {
    std::vector<std::uint8_t> pixels = noise;
    for (std::uint8_t& pixel : pixels)
      pixel = static_cast<std::uint8_t>(pixel % (1 << std::min(size, 8)));
    for (const bool clear : {true, false}) {
      const auto data = WithSize(size, Lzw(pixels, size, true, clear));
      EXPECT_EQ(AllRows(Decode(data, 90, 100)), pixels) << "size " << size << " clear " << clear;
    }
  }
}

TEST(Gif, LongStreamsFillTheTableAndKeepTwelveBitCodes) {
  // Noise over a few values fills the table early; a long run makes codes that are used
  // the moment they are defined.
  std::vector<std::uint8_t> pixels;
  std::uint32_t state = 12345;
  for (int i = 0; i < 60000; ++i) {
    state = state * 1103515245 + 12345;
    pixels.push_back(i >= 20000 && i < 23000 ? 7 : static_cast<std::uint8_t>((state >> 16) % 6));
  }
  for (const bool endCode : {true, false}) {
    EXPECT_EQ(AllRows(Decode(WithSize(8, Lzw(pixels, 8, endCode)), 300, 200)), pixels)
        << "end code " << endCode;
  }
  // Minimum size 2: four colours, 3-bit first codes.
  const std::vector<std::uint8_t> small = Indices(999, [](int i) { return (i * i / 7) % 4; });
  EXPECT_EQ(Decode(WithSize(2, Lzw(small, 2)), 999, 1).rows[0], small);
}

TEST(Gif, TruncatedAndHostileStreams) {
  // Data cut after a few codes: the rows so far, then index 0 from the middle of row 1 on.
  std::vector<std::uint8_t> data = WithSize(8, Lzw(Indices(40, [](int i) { return i + 1; }), 8));
  data.resize(12);
  CollectedRows cut = Decode(data, 4, 10);
  ASSERT_EQ(cut.order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(cut.rows[1], (std::vector<std::uint8_t>{5, 6, 7, 0}));
  EXPECT_EQ(cut.rows[9], (std::vector<std::uint8_t>{0, 0, 0, 0}));

  // Codes beyond the next free slot (7 when 6 is next) decode as the previous string plus
  // its first index, and later codes built on them never loop.
  CodeWriter exact;
  for (auto [code, size] :
       std::vector<std::pair<int, int>>{{4, 3}, {1, 3}, {7, 3}, {6, 3}, {7, 4}, {15, 4}, {5, 4}}) {
    exact.Put(code, size);
  }
  CollectedRows hostile = Decode(WithSize(2, exact.SubBlocks()), 12, 1);
  EXPECT_EQ(hostile.rows[0], std::vector<std::uint8_t>(12, 1));
  // After a clear code, a first code beyond the table is index 0.
  CodeWriter afterClear;
  for (int code : {4, 6, 5}) afterClear.Put(code, 3);
  EXPECT_EQ(Decode(WithSize(2, afterClear.SubBlocks()), 1, 1).rows[0],
            std::vector<std::uint8_t>{0});
}

TEST(Gif, KeyColourMasks) {
  ImagePtr image = RgbImage(3, 1, [](int x, int) { return std::array{x == 1 ? 9 : 1, 2, 3}; });
  const DibColor key = DibRgb(3, 2, 1);
  ImagePtr masked(KeyColourMasks(image.get(), key, 0));
  ImagePtr mask(KeyColourMasks(image.get(), key, 1));
  ASSERT_TRUE(masked && mask);
  EXPECT_EQ(PixelColour(masked.get(), 0, 0), 0u);
  EXPECT_EQ(PixelColour(masked.get(), 1, 0), DibRgb(3, 2, 9));
  EXPECT_EQ(GreyValues(mask.get()), (std::vector<int>{255, 0, 255}));
  EXPECT_EQ(KeyColourMasks(image.get(), key, 2), nullptr);
  EXPECT_EQ(KeyColourMasks(mask.get(), key, 0), nullptr);
}

TEST(Gif, EverythingIsReleased) {
  const std::size_t before = ImgLiveBlocks();
  {
    AnimationPtr animation = Open(SmallFrameFile(0, 1));
    ImagePtr image(GifRenderFrame(animation.get(), kWhite));
    ImagePtr mask(GifFrameMask(animation.get()));
  }
  EXPECT_EQ(ImgLiveBlocks(), before);
  EXPECT_EQ(GifFreeAnimation(nullptr), 1);
}

}  // namespace
}  // namespace kolta::test
