// Reading baseline TIFF files: the first image, uncompressed or PackBits, as a 1-, 4-, 8- or
// 24-bit image.
#pragma once

#include <cstddef>

#include "dib_image.h"

DibImage* TiffLoad(const char* path);
// A TIFF file held in memory.
DibImage* TiffLoadFromMemory(const void* data, std::size_t size);
