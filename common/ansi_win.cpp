#include "ansi_win.h"

#include <windows.h>

namespace kolta {

bool SystemLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

}  // namespace kolta
