// Reading Windows and OS/2 bitmap files (".bmp", ".rle", ".dib") into images.
//
// Uncompressed files come through at their own depth with their own header; 8- and 4-bit
// run-length encoded files expand into 8-bit images (4-bit ones get a 256-entry palette);
// 16- and 32-bit files with colour masks become 24-bit images. Top-down files and the
// larger info headers (108 and 124 bytes) give the same image as the 40-byte bottom-up
// form of the picture, and so do the OS/2 headers (12 bytes with three-byte palette
// entries, 64 bytes with four-byte ones). The block is sized from the header; a file
// shorter than its uncompressed pixel area is refused, and a truncated run-length stream
// keeps what it decoded.
#pragma once

#include <cstddef>
#include <cstdio>

#include "dib_image.h"

// The file at `path`; null when it cannot be opened or read.
DibImage* BmpLoad(const char* path);
// The bitmap file that starts at the stream's current position.
DibImage* BmpLoadFromHandle(std::FILE* file);
// A bitmap file held in memory.
DibImage* BmpLoadFromMemory(const void* data, std::size_t size);
