// Reading JPEG files through libjpeg: colour, greyscale, CMYK and YCCK pictures all become
// 24-bit images.
#pragma once

#include <cstddef>

#include "dib_image.h"

DibImage* JpegLoad(const char* path);
// A JPEG file held in memory.
DibImage* JpegLoadFromMemory(const void* data, std::size_t size);

// The decoded pixels of the picture at `path` as blue, green, red, with its width, height
// and number of components (always 3, whatever the file's colour space), or null. The block has the layout of a 24-bit image whose
// 40-byte header is still zero (rows bottom-up, each padded to a multiple of 4 bytes);
// JpegLoad writes the header into it. The caller releases it with ImgFree.
void* JpegDecode(const char* path, int* width, int* height, int* components);
