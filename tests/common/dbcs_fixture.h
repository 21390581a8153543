// Double-byte text for tests: the lead-byte rule of code page 936 (Simplified Chinese)
// and characters whose trail byte is a backslash.
#pragma once

namespace kolta::test {

// Lead bytes of code page 936.
constexpr bool Cp936LeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// U+8AA0 in code page 936: D5 5C, a character whose trail byte is '\'.
inline constexpr char kTrailBackslash[] = "\xD5\x5C";

}  // namespace kolta::test
