// Reading PCX files of 1, 4 (planar), 8 and 24 (three planes) bits per pixel.
#pragma once

#include <cstddef>

#include "dib_image.h"

DibImage* PcxLoad(const char* path);
// A PCX file held in memory.
DibImage* PcxLoadFromMemory(const void* data, std::size_t size);
