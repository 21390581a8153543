// Not yet written: every call fails.
#include "dib_load.h"

DibImage* DibLoadFitted(const char*, int, int, int, DibColor) { return nullptr; }
DibImage* DibLoad(const char*) { return nullptr; }
