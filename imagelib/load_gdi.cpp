// Not yet written: every call fails.
#include "dib_gdi.h"

HBITMAP DibLoadFittedBitmap(const char*, int, int, int, DibColor) { return nullptr; }
HBITMAP DibLoadBitmap(const char*) { return nullptr; }
