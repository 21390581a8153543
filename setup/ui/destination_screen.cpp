// The destination screen (being built).
#include "setup_screens.h"

int ShowDestinationScreen(HWND) { return 0; }
