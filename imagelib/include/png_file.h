// Reading PNG files through libpng: grey and palette pictures of every depth as 8-bit images,
// colour pictures as 24-bit images, and the alpha channel (of colour or grey pictures) as a
// separate 8-bit image. 16-bit samples keep their high byte.
#pragma once

#include <cstddef>

#include "dib_image.h"

// The file at `path`, or null. When `alpha` is given it receives the alpha image of a picture
// with an alpha channel and null otherwise.
DibImage* PngLoad(const char* path, DibImage** alpha);
// A PNG file held in memory.
DibImage* PngLoadFromMemory(const void* data, std::size_t size, DibImage** alpha);
