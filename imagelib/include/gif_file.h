// Reading GIF files: every frame of the file with its placement, timing and transparency,
// composed in 24-bit memory onto a picture of the file's logical screen; and the first
// frame composed over white as one 24-bit image.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dib_image.h"

// One image of the file. Opaque frames keep `image`; transparent frames keep `maskedImage`
// and `mask` instead.
struct GifFrame {
  std::uint16_t width, height;  // from the image descriptor
  std::uint16_t left, top;      // position on the logical screen
  DibImage* image;              // 24-bit picture of the frame; null for transparent frames
  DibImage* maskedImage;        // 24-bit: the frame with its transparent pixels black
  DibImage* mask;               // 8-bit: 255 where the frame is transparent, 0 where opaque
  std::uint8_t disposal;        // disposal method 0-7 of the frame's graphic control
  std::int32_t delay;           // milliseconds
  int transparent;              // nonzero when the frame has a transparent colour
  DibColor transparentColour;   // colour of the transparent index (0 when opaque)
  GifFrame* next;
};

struct GifAnimation {
  std::uint16_t width, height;  // logical screen
  DibColor background;          // from the global colour table, white without one
  GifFrame* first;              // the frames in file order
  GifFrame* current;            // the frame drawing and masks use: the first one
  DibImage* canvas;             // 24-bit logical screen, filled with the background colour
  std::uint16_t frameCount;
};

// The first frame composed over white, or null: what GifRenderFrame over white gives for
// the animation's first frame, without reading beyond that frame. When `mask` is given it
// receives an 8-bit image that is 255 where the first frame is opaque (GifFrameMask's: null
// for an opaque frame).
DibImage* GifLoad(const char* path, DibImage** mask);
// A GIF file held in memory.
DibImage* GifLoadFromMemory(const void* data, std::size_t size, DibImage** mask);

// Reads every frame of the file; null when the file is no GIF or holds no frame.
GifAnimation* GifOpenAnimation(const char* path);
GifAnimation* GifOpenAnimationFromMemory(const void* data, std::size_t size);
// Releases the animation with its frames and pictures (null allowed); always 1.
int GifFreeAnimation(GifAnimation* animation);

// Draws the current frame onto a 24-bit target whose logical screen lies at (x, y), by
// the frame's disposal method:
//   0: a transparent frame over the target; an opaque one over the canvas;
//   1: the frame over the canvas, and the result becomes the canvas;
//   2, 3: the frame over the target;
//   4-7: nothing.
// Only the logical screen's area is drawn. 0 when there is nothing to draw with.
int GifDrawFrameToImage(GifAnimation* animation, DibImage* target, int x, int y);
// A new 24-bit picture of the logical screen: the current frame drawn over `colour`.
DibImage* GifRenderFrame(GifAnimation* animation, DibColor colour);
// A new 8-bit picture of the logical screen, 255 where the current frame is opaque and 0
// elsewhere; null unless the frame is transparent and drawn over the target (disposal 0,
// 2 or 3).
DibImage* GifFrameMask(GifAnimation* animation);

// For a 24-bit image and a key colour (red, green and blue compared exactly): mode 0 gives
// a copy with every key-coloured pixel black, mode 1 an 8-bit mask, 255 where the pixel is
// key-coloured and 0 elsewhere. Null for other images and modes.
DibImage* KeyColourMasks(const DibImage* image, DibColor key, int mode);
