// Drawing through alpha run tables onto a real device context: a memory DC holding a 24-bit
// DIB section, whose bits are read back directly.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

#include "alpha_runs.h"
#include "dib_gdi.h"
#include "image_test_support.h"

namespace kolta::test {
namespace {

// A memory device context drawing into a bottom-up 24-bit DIB section that starts with the
// pixels of `content`.
class DibSectionDC {
 public:
  explicit DibSectionDC(const DibImage* content)
      : width_(DibWidth(content)), height_(DibHeight(content)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    if (bitmap_ && dc_) {
      old_ = SelectObject(dc_, bitmap_);
      std::memcpy(bits_, DibBits(content), DibStride(content) * height_);
    }
  }
  ~DibSectionDC() {
    if (dc_) {
      SelectObject(dc_, old_);
      DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
  }
  DibSectionDC(const DibSectionDC&) = delete;
  DibSectionDC& operator=(const DibSectionDC&) = delete;

  bool ok() const { return bitmap_ && dc_; }
  HDC dc() const { return dc_; }
  // The section's rows, in the image layout (both bottom-up, rows padded to 4 bytes).
  std::vector<std::uint8_t> Pixels() const {
    GdiFlush();
    const auto* bits = static_cast<const std::uint8_t*>(bits_);
    return {bits, bits + DibRowBytes(width_, 24) * height_};
  }

 private:
  int width_, height_;
  HBITMAP bitmap_ = nullptr;
  void* bits_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// The screen, as the reference device context of the grabs.
struct ScreenDC {
  HDC dc = GetDC(nullptr);
  ~ScreenDC() { ReleaseDC(nullptr, dc); }
};

constexpr int kFrames = 3, kFrameWidth = 12, kHeight = 10;

struct Sprite {
  ImagePtr mask = GreyImage(kFrames * kFrameWidth, kHeight, SoftMaskValue);
  ImagePtr picture = Pattern(kFrames * kFrameWidth, kHeight);
  AlphaRunsPtr table{AlphaRunsBuild(mask.get(), kFrames)};
};

// What reaches the device context is what the portable blit draws into the same pixels:
// inside, over the edges (the grab's outside never shows), and through clips.
TEST(AlphaRunsBlitToDC, DrawsWhatTheBlitDrawsIntoTheSamePixels) {
  Sprite sprite;
  ASSERT_TRUE(sprite.table);
  ScreenDC screen;
  struct Case {
    const char* name;
    int x, y, frame;
    std::optional<RECT> clip;
  };
  const Case cases[] = {
      {"inside", 5, 4, 0, {}},
      {"another frame", 5, 4, 2, {}},
      {"over the top-left corner", -5, -3, 1, {}},
      {"over the bottom-right corner", 33, 24, 1, {}},
      {"left half", 5, 4, 1, RECT{5, 4, 11, 14}},
      {"bottom half", 5, 4, 2, RECT{0, 9, 40, 30}},
      {"clip over the edge", -2, 1, 0, RECT{-10, 3, 4, 100}},
  };
  for (const Case& c : cases) {
    ImagePtr expected = Pattern(40, 30);
    DibSectionDC target(expected.get());
    ASSERT_TRUE(target.ok());
    const RECT* clip = c.clip ? &*c.clip : nullptr;
    const DibRect dibClip =
        clip ? DibRect{clip->left, clip->top, clip->right, clip->bottom} : DibRect{};
    AlphaRunsBlit(expected.get(), c.x, c.y, sprite.picture.get(), sprite.table.get(), c.frame,
                  clip ? &dibClip : nullptr);
    EXPECT_EQ(AlphaRunsBlitToDC(target.dc(), screen.dc, c.x, c.y, sprite.picture.get(),
                                sprite.table.get(), c.frame, clip),
              1)
        << c.name;
    EXPECT_EQ(target.Pixels(), PixelBytes(expected.get())) << c.name;
  }
}

TEST(AlphaRunsBlitToDC, DrawsNothingWithoutSomethingToDraw) {
  Sprite sprite;
  ImagePtr background = Pattern(40, 30);
  DibSectionDC target(background.get());
  ASSERT_TRUE(target.ok());
  ScreenDC screen;
  const RECT miss{0, 0, 5, 4};  // ends where the sprite at (5, 4) begins
  EXPECT_EQ(AlphaRunsBlitToDC(target.dc(), screen.dc, 5, 4, sprite.picture.get(),
                              sprite.table.get(), 0, &miss),
            0);
  EXPECT_EQ(
      AlphaRunsBlitToDC(target.dc(), screen.dc, 5, 4, nullptr, sprite.table.get(), 0, nullptr), 0);
  EXPECT_EQ(
      AlphaRunsBlitToDC(target.dc(), screen.dc, 5, 4, sprite.picture.get(), nullptr, 0, nullptr),
      0);
  // A picture that is not three frames wide is refused by the blit: the grab goes back as
  // it was.
  ImagePtr wide = Pattern(kFrames * kFrameWidth + 1, kHeight);
  EXPECT_EQ(
      AlphaRunsBlitToDC(target.dc(), screen.dc, 5, 4, wide.get(), sprite.table.get(), 0, nullptr),
      1);
  EXPECT_EQ(target.Pixels(), PixelBytes(background.get()));
}

}  // namespace
}  // namespace kolta::test
