// The logo screen (being built).
#include "setup_screens.h"

int ShowLogoScreen(HWND) { return 0; }
