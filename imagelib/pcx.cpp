// Not yet written: every call fails.
#include "pcx_file.h"

DibImage* PcxLoad(const char*) { return nullptr; }
DibImage* PcxLoadFromMemory(const void*, std::size_t) { return nullptr; }
