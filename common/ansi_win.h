// The system's ANSI code page rules for the portable text helpers (Windows builds only).
#pragma once

namespace kolta {

// Whether the byte starts a two-byte character in the system's ANSI code page; the rule
// CharNextA steps by.
bool SystemLeadByte(unsigned char byte);

}  // namespace kolta
