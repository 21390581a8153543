// Drawing a GIF animation's current frame on a device context.
#pragma once

#include <windows.h>

#include "gif_file.h"

// Draws the current frame with its logical screen at (x, y) of `destination`, by the
// frame's disposal method as GifDrawFrameToImage does, composing through a bitmap
// compatible with `reference`; with `invert` the logical screen's area is then inverted.
void GifDrawFrame(GifAnimation* animation, HDC destination, HDC reference, int x, int y,
                  int invert);
