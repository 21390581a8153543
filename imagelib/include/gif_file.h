// Reading GIF files: the frames of the file, and the first one composed into a 24-bit image.
#pragma once

#include <cstddef>

#include "dib_image.h"

// The first frame composed over white, or null. When `mask` is given it receives an 8-bit
// image that is 255 where the first frame is opaque (null for an opaque frame).
DibImage* GifLoad(const char* path, DibImage** mask);
// A GIF file held in memory.
DibImage* GifLoadFromMemory(const void* data, std::size_t size, DibImage** mask);
