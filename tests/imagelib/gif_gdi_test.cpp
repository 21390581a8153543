// Drawing GIF frames on a device context under Wine's GDI gives the pixels of the
// in-memory composition, for every disposal method, with and without transparency.
#include "gif_gdi.h"

#include <gtest/gtest.h>

#include "dib_gdi.h"
#include "gdi_test_support.h"
#include "gif_test_files.h"
#include "image_test_support.h"

namespace kolta::test {
namespace {

// A 5 x 4 frame at (3, 2) of a 9 x 7 screen; index 1 (and entry 3 of the same colour) is
// transparent when asked for.
std::vector<std::uint8_t> FrameFile(int disposal, bool transparent) {
  const std::vector<DibColor> colours = {0x2040C0, 0x10E020, 0xC02010, 0x10E020};
  GifBuilder gif(9, 7, colours, 2);
  std::vector<std::uint8_t> pixels;
  for (int i = 0; i < 20; ++i) pixels.push_back(static_cast<std::uint8_t>((i * 7 / 3) % 4));
  gif.Control(disposal, transparent ? 1 : -1).Frame(3, 2, 5, 4, pixels);
  return gif.End();
}

TEST(GifGdi, DrawingOnADeviceMatchesTheMemoryComposition) {
  for (int disposal : {0, 1, 2, 3, 5}) {
    for (bool transparent : {false, true}) {
      for (int invert : {0, 1}) {
        const std::vector<std::uint8_t> file = FrameFile(disposal, transparent);
        AnimationPtr onDevice = Open(file), inMemory = Open(file);
        ASSERT_TRUE(onDevice && inMemory);
        ImagePtr expected = Pattern(14, 10);
        MemoryCanvas canvas(expected.get());
        GifDrawFrame(onDevice.get(), canvas.dc(), canvas.screen(), 4, -1, invert);
        ASSERT_EQ(GifDrawFrameToImage(inMemory.get(), expected.get(), 4, -1), 1);
        if (invert) {
          for (int y = 0; y < 6; ++y) {
            for (int x = 4; x < 13; ++x) {
              std::uint8_t* p = DibPixelAddress(expected.get(), x, y);
              for (int k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>(~p[k]);
            }
          }
        }
        ImagePtr drawn = canvas.Pixels(14, 10);
        ASSERT_TRUE(drawn);
        EXPECT_EQ(PixelBytes(drawn.get()), PixelBytes(expected.get()))
            << "disposal " << disposal << " transparent " << transparent << " invert " << invert;
        // Disposal 1 keeps what was drawn as the canvas, on the device as in memory.
        EXPECT_EQ(PixelBytes(onDevice->canvas), PixelBytes(inMemory->canvas));
      }
    }
  }
}

}  // namespace
}  // namespace kolta::test
