// The skinned message box (being built).
#include "setup_screens.h"

int SetupMessage(HWND, const char*, int, ...) { return 0; }
