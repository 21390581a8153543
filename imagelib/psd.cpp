// Not yet written: every call fails.
#include "psd_file.h"

DibImage* PsdLoad(const char*) { return nullptr; }
DibImage* PsdLoadFromMemory(const void*, std::size_t) { return nullptr; }
