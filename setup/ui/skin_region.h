// The shape of the setup's frameless main window, from a grey mask.
#pragma once

#include <windows.h>

// The region of the mask's rectangle without every pixel whose value (palette index) is
// below 128. The mask must be an 8-bit BMP; null for a missing, unreadable or other-depth
// file. The caller deletes the region.
HRGN SkinRegionFromMask(const char* maskPath);
