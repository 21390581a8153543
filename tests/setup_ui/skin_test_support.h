// Helpers for the skin tests: a folder of skin files written as bitmap files, owning
// pointers, device contexts over images, and the expected result of drawing a picture
// through its mask, computed pixel by pixel.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../imagelib/image_test_support.h"
#include "alpha_runs.h"
#include "dib_gdi.h"
#include "gdi_owners.h"
#include "skin_button.h"
#include "win_test_files.h"

namespace kolta::test {

struct ButtonDeleter {
  void operator()(SkinButton* button) const { SkinButtonFree(button); }
};
using ButtonPtr = std::unique_ptr<SkinButton, ButtonDeleter>;

// Writes a 24-bit image, or an 8-bit one with a grey palette, as a bitmap file.
inline bool WriteBmp(const std::string& path, const DibImage* image) {
  const std::vector<std::uint8_t> bytes = ImageBmpBytes(image);
  return WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// A test with a fresh folder of the temporary folder, named after its suite.
class SkinFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "kolta_" +
              ::testing::UnitTest::GetInstance()->current_test_suite()->name() + "\\";
    RemoveTree(folder_);
    ASSERT_TRUE(MakeDirectories(folder_));
  }
  void TearDown() override { RemoveTree(folder_); }

  std::string Path(const char* name) const { return folder_ + name; }
  // Writes a file of the folder and gives its path.
  std::string Write(const char* name, const std::string& bytes) const {
    EXPECT_TRUE(WriteFile(Path(name), bytes)) << name;
    return Path(name);
  }
  std::string Write(const char* name, const DibImage* image) const {
    EXPECT_TRUE(WriteBmp(Path(name), image)) << name;
    return Path(name);
  }

  std::string folder_;
};

inline int Blend(int source, int target, int alpha) {
  return target + (source - target) * alpha / 256;  // truncates toward zero
}

// `target` after drawing frame `frame` (of `frames` side by side) of `picture` with its
// top-left at (x, y), through `mask` (null: opaque), limited to `clip`: every pixel on its
// own, opacities up to 20 invisible.
inline ImagePtr DrawnThroughMask(const DibImage* target, const DibImage* picture,
                                 const DibImage* mask, int frames, int frame, int x, int y,
                                 const RECT& clip) {
  ImagePtr result(DibDuplicate(target));
  const int frameWidth = DibWidth(picture) / frames;
  for (int row = 0; row < DibHeight(picture); ++row) {
    for (int column = 0; column < frameWidth; ++column) {
      const int tx = x + column, ty = y + row, sx = frame * frameWidth + column;
      if (tx < clip.left || tx >= clip.right || ty < clip.top || ty >= clip.bottom) continue;
      std::uint8_t* t = DibPixelAddress(result.get(), tx, ty);
      const std::uint8_t* s = DibPixelAddress(picture, sx, row);
      const int alpha = mask ? *DibPixelAddress(mask, sx, row) : 255;
      if (!t || alpha <= kAlphaRunsInvisible) continue;
      for (int k = 0; k < 3; ++k) {
        t[k] = static_cast<std::uint8_t>(alpha == 255 ? s[k] : Blend(s[k], t[k], alpha));
      }
    }
  }
  return result;
}

// "" when both images hold the same pixels, else where they first differ.
inline std::string FirstDifference(const DibImage* actual, const DibImage* expected) {
  if (!actual || !expected) return "missing image";
  if (DibWidth(actual) != DibWidth(expected) || DibHeight(actual) != DibHeight(expected)) {
    return "different sizes";
  }
  for (int y = 0; y < DibHeight(expected); ++y) {
    for (int x = 0; x < DibWidth(expected); ++x) {
      const DibColor a = PixelColour(actual, x, y), e = PixelColour(expected, x, y);
      if (a != e) {
        char text[96];
        wsprintfA(text, "pixel %d,%d is %06X, expected %06X", x, y, a, e);
        return text;
      }
    }
  }
  return "";
}

// A visible frameless top-level window of its own class (registered on first use) at
// (x, y) of the screen, painted once.
inline HWND ShowTopWindow(const char* className, WNDPROC procedure, int x, int y, int width,
                          int height) {
  WNDCLASSA type{};
  type.lpfnWndProc = procedure;
  type.hInstance = GetModuleHandleA(nullptr);
  type.lpszClassName = className;
  RegisterClassA(&type);  // fails harmlessly once it exists
  HWND window =
      CreateWindowExA(WS_EX_TOPMOST, className, className, WS_POPUP | WS_VISIBLE, x, y, width,
                      height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window) UpdateWindow(window);
  return window;
}

// A memory device context holding a device bitmap made from an image.
class Canvas {
 public:
  explicit Canvas(const DibImage* image)
      : bitmap_(DibToDeviceBitmap(image, nullptr)),
        dc_(nullptr, bitmap_.get()),
        width_(DibWidth(image)),
        height_(DibHeight(image)) {}
  HDC dc() const { return dc_.get(); }
  ImagePtr Image() const { return ImagePtr(DibFromDC(dc(), dc(), 0, 0, width_, height_)); }

 private:
  BitmapPtr bitmap_;
  MemoryDC dc_;  // after bitmap_: the bitmap is selected out before it is deleted
  int width_, height_;
};

}  // namespace kolta::test
