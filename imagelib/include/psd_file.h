// Reading the composite picture of 8-bit RGB layered-image documents into 24-bit images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "dib_image.h"

DibImage* PsdLoad(const char* path);
// A document held in memory.
DibImage* PsdLoadFromMemory(const void* data, std::size_t size);

// Decodes the image data of a document (from the stream's position: raw planes for
// compression 0, run-length planes with their table of row byte counts for 1) into
// `pixels`, width x height pixels of blue, green, red, alpha, rows from the top. Channels
// 0 to 3 are red, green, blue and alpha; a missing one gives 0 (alpha 255); channels past
// the fourth are not read. 1 when all four were handled, 0 when the data ended first (the
// pixels not reached keep their values) or memory for decoding ran out (the pixels
// untouched). The stream is read ahead in blocks, so its position afterwards lies
// somewhere past the data used.
int PsdReadChannels(std::FILE* stream, int width, int height, std::uint8_t* pixels,
                    int channelCount, int compression);
