// Not yet written: every call fails.
#include "jpeg_file.h"

DibImage* JpegLoad(const char*) { return nullptr; }
DibImage* JpegLoadFromMemory(const void*, std::size_t) { return nullptr; }
