// Reading TIFF files: the first image, in strips stored uncompressed, PackBits-, LZW- or
// Deflate-coded, turned upright, as a 1-, 4-, 8- or 24-bit image; null for what the reader
// does not decode (tiles, JPEG, fax codings, ...).
#pragma once

#include <cstddef>

#include "dib_image.h"

DibImage* TiffLoad(const char* path);
// A TIFF file held in memory.
DibImage* TiffLoadFromMemory(const void* data, std::size_t size);
