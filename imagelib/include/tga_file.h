// Reading TGA files, colour-mapped, grey or true colour, plain or run-length encoded, into
// 8- or 24-bit images.
#pragma once

#include <cstddef>

#include "dib_image.h"

DibImage* TgaLoad(const char* path);
// A TGA file held in memory.
DibImage* TgaLoadFromMemory(const void* data, std::size_t size);
