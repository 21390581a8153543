// Loading a picture of any supported format by its file name's extension, as a 24-bit image,
// optionally placed into a box: stretched to fill it, or scaled to fit and centred on a
// background colour.
#pragma once

#include "dib_image.h"

// The picture at `path` as a new 24-bit image, or null. A box of width or height 0 leaves
// the picture at its own size.
DibImage* DibLoadFitted(const char* path, int boxWidth, int boxHeight, int fit,
                        DibColor background);
DibImage* DibLoad(const char* path);
