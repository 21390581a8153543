// Reading the composite picture of 8-bit RGB layered-image documents into 24-bit images.
#pragma once

#include <cstddef>

#include "dib_image.h"

DibImage* PsdLoad(const char* path);
// A document held in memory.
DibImage* PsdLoadFromMemory(const void* data, std::size_t size);
