// Not yet written: every call fails.
#include "tga_file.h"

DibImage* TgaLoad(const char*) { return nullptr; }
DibImage* TgaLoadFromMemory(const void*, std::size_t) { return nullptr; }
