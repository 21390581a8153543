// Reading JPEG files through libjpeg: colour pictures become 24-bit images; greyscale and
// CMYK pictures are refused.
#pragma once

#include <cstddef>

#include "dib_image.h"

DibImage* JpegLoad(const char* path);
// A JPEG file held in memory.
DibImage* JpegLoadFromMemory(const void* data, std::size_t size);
