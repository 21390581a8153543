// The GDI bridge against Wine's real GDI on a 24-bit display: device bitmaps, memory and
// window device contexts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "dib_gdi.h"
#include "dib_load.h"
#include "dib_ops.h"
#include "gdi_owners.h"
#include "image_test_support.h"
#include "win_test_files.h"

namespace kolta::test {
namespace {

bool SamePixels(const DibImage* a, const DibImage* b) {
  return DibWidth(a) == DibWidth(b) && PixelBytes(a) == PixelBytes(b);
}

// A visible top-level window without frame, for drawing and reading back.
class TestWindow {
 public:
  TestWindow(int width, int height) {
    window_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "imagelib", WS_POPUP | WS_VISIBLE, 0, 0,
                              width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window_);
    dc_ = GetDC(window_);
  }
  ~TestWindow() {
    ReleaseDC(window_, dc_);
    DestroyWindow(window_);
  }
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// The round trips below are lossless only with 8 bits per channel (Wine reports the
// 24-bit X display as 32 bits per pixel).
TEST(GdiBridge, ScreenHoldsEightBitsPerChannel) {
  HDC screen = GetDC(nullptr);
  EXPECT_GE(GetDeviceCaps(screen, BITSPIXEL), 24);
  ReleaseDC(nullptr, screen);
}

TEST(GdiBridge, DeviceBitmapRoundTripIsLossless) {
  ImagePtr image = Pattern(37, 23);
  BitmapPtr bitmap(DibToDeviceBitmap(image.get(), nullptr));
  ASSERT_TRUE(bitmap);
  ImagePtr back(DibFromDeviceBitmap(bitmap.get()));
  ASSERT_TRUE(back);
  EXPECT_TRUE(SamePixels(image.get(), back.get()));

  // An 8-bit image goes through its palette, as the in-memory conversion does.
  ImagePtr grey = Grey(5, 3, {0, 0, 0, 0, 0, 0, 60, 120, 180, 240, 0, 0, 0, 0, 0});
  BitmapPtr greyBitmap(DibToDeviceBitmap(grey.get(), nullptr));
  ImagePtr greyBack(DibFromDeviceBitmap(greyBitmap.get()));
  ImagePtr converted(DibConvertTo24(grey.get()));
  EXPECT_TRUE(SamePixels(greyBack.get(), converted.get()));

  // Through a logical palette, which a true-colour display does not need.
  struct {
    LOGPALETTE header;
    PALETTEENTRY more[1];
  } colours = {{0x300, 2, {{255, 0, 0, 0}}}, {{0, 0, 255, 0}}};
  HPALETTE palette = CreatePalette(&colours.header);
  ASSERT_TRUE(palette);
  BitmapPtr paletted(DibToDeviceBitmap(image.get(), palette));
  DeleteObject(palette);
  ImagePtr palettedBack(DibFromDeviceBitmap(paletted.get()));
  EXPECT_TRUE(SamePixels(image.get(), palettedBack.get()));

  EXPECT_EQ(DibToDeviceBitmap(nullptr, nullptr), nullptr);
  EXPECT_EQ(DibFromDC(nullptr, nullptr, 0, 0, 4, 4), nullptr);
  EXPECT_EQ(DibFromDeviceBitmap(nullptr), nullptr);
}

TEST(GdiBridge, PartsOfBitmapsAndCopiesIntoImages) {
  ImagePtr image = Pattern(20, 10);
  BitmapPtr bitmap(DibToDeviceBitmap(image.get(), nullptr));
  ImagePtr part(DibFromBitmapRect(bitmap.get(), 3, 2, 6, 5));
  ASSERT_TRUE(part);
  EXPECT_EQ(DibWidth(part.get()), 6);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) {
      ASSERT_EQ(PixelColour(part.get(), x, y), PixelColour(image.get(), x + 3, y + 2))
          << x << "," << y;
    }
  }
  ImagePtr target(DibCreate(1, 8, 8, nullptr, 0x00FFFFFF));
  ASSERT_EQ(DibCopyFromBitmap(target.get(), 5, 1, bitmap.get(), 0, 0, 6, 4), 1);
  EXPECT_EQ(PixelColour(target.get(), 5, 1), PixelColour(image.get(), 0, 0));
  EXPECT_EQ(PixelColour(target.get(), 7, 4), PixelColour(image.get(), 2, 3));
  EXPECT_EQ(PixelColour(target.get(), 4, 1), 0x00FFFFFFu);
  EXPECT_EQ(PixelColour(target.get(), 5, 5), 0x00FFFFFFu);
  EXPECT_EQ(DibCopyFromBitmap(nullptr, 0, 0, bitmap.get(), 0, 0, 1, 1), 0);
  EXPECT_EQ(DibCopyFromBitmap(target.get(), 0, 0, nullptr, 0, 0, 1, 1), 0);
}

TEST(GdiBridge, StretchToWindowIsUpright) {
  ImagePtr image = Pattern(30, 20);
  TestWindow window(200, 100);
  ASSERT_EQ(DibStretchToDC(window.dc(), 0, 0, 30, 20, image.get(), 0, 0, 30, 20), 1);
  ImagePtr shown(DibFromDC(window.dc(), window.dc(), 0, 0, 30, 20));
  ASSERT_TRUE(shown);
  EXPECT_TRUE(SamePixels(shown.get(), image.get()));
  EXPECT_EQ(GetPixel(window.dc(), 0, 0), PixelColour(image.get(), 0, 0));

  // Rows 5 to 14 (measured from the top), doubled in both directions at (50, 10).
  ASSERT_EQ(DibStretchToDC(window.dc(), 50, 10, 60, 20, image.get(), 0, 5, 30, 10), 1);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 30; ++x) {
      ASSERT_EQ(GetPixel(window.dc(), 50 + 2 * x + 1, 10 + 2 * y + 1),
                PixelColour(image.get(), x, y + 5))
          << x << "," << y;
    }
  }
  EXPECT_EQ(DibStretchToDC(nullptr, 0, 0, 1, 1, image.get(), 0, 0, 1, 1), 0);
  EXPECT_EQ(DibStretchToDC(window.dc(), 0, 0, 1, 1, nullptr, 0, 0, 1, 1), 0);
}

TEST(GdiBridge, LoadedBitmapsHoldTheLoadedPicture) {
  char temp[MAX_PATH];
  ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string folder = std::string(temp) + "kolta_gdi_load\\";
  const std::string path = folder + "picture.bmp";
  ImagePtr picture = Pattern(37, 23);
  const std::vector<std::uint8_t> bytes = ImageBmpBytes(picture.get());
  ASSERT_TRUE(WriteFile(path, std::string(bytes.begin(), bytes.end())));

  BitmapPtr bitmap(DibLoadBitmap(path.c_str()));
  ASSERT_TRUE(bitmap);
  ImagePtr back(DibFromDeviceBitmap(bitmap.get()));
  ASSERT_TRUE(back);
  EXPECT_TRUE(SamePixels(back.get(), picture.get()));

  // Fitted into a box, centred on the background colour.
  BitmapPtr fitted(DibLoadFittedBitmap(path.c_str(), 60, 30, 1, DibRgb(0, 90, 200)));
  ImagePtr expected(DibLoadFitted(path.c_str(), 60, 30, 1, DibRgb(0, 90, 200)));
  ASSERT_TRUE(fitted && expected);
  ImagePtr fittedBack(DibFromDeviceBitmap(fitted.get()));
  ASSERT_TRUE(fittedBack);
  EXPECT_TRUE(SamePixels(fittedBack.get(), expected.get()));
  EXPECT_EQ(PixelColour(fittedBack.get(), 0, 0), DibRgb(0, 90, 200));

  EXPECT_EQ(DibLoadBitmap((folder + "missing.bmp").c_str()), nullptr);
  EXPECT_EQ(DibLoadFittedBitmap(path.c_str(), -1, 5, 1, 0), nullptr);
  RemoveTree(folder);
}

}  // namespace
}  // namespace kolta::test
