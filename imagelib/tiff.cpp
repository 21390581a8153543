// Not yet written: every call fails.
#include "tiff_file.h"

DibImage* TiffLoad(const char*) { return nullptr; }
DibImage* TiffLoadFromMemory(const void*, std::size_t) { return nullptr; }
