// Formats arbitrary message texts with the argument lists of the setup's keys. The first
// input byte picks the list and the code page rule; the result must be a terminated text
// within the buffer, and a text without conversions must come back as written.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "dbcs_fixture.h"
#include "setup_message_text.h"

namespace {

// Walks the text's characters: the end of the last one that ends within `limit` bytes.
std::size_t WholeCharacters(std::string_view text, std::size_t limit,
                            kolta::LeadBytePredicate isLead) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next = end + kolta::CharLength(text, end, isLead);
    if (next > limit) break;
    end = next;
  }
  return end;
}

void Format(kolta::LeadBytePredicate isLead, std::string_view kinds, const char* text, ...) {
  char out[256];
  std::memset(out, 0x5A, sizeof out);
  va_list arguments;
  va_start(arguments, text);
  FormatSetupMessage(kinds, text, arguments, out, isLead);
  va_end(arguments);
  const void* end = std::memchr(out, '\0', sizeof out);
  if (end == nullptr) __builtin_trap();
  // A text without conversions shows as written, up to its last whole character that fits.
  const std::string_view written(text);
  if (written.find('%') == std::string_view::npos &&
      std::string_view(out) != written.substr(0, WholeCharacters(written, 255, isLead))) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const kolta::LeadBytePredicate isLead =
      (data[0] & 1) ? kolta::test::Cp936LeadByte : kolta::NoLeadBytes;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const char* folder = "c:\\program files\\kolta\\\xD6\xD0\xCE\xC4\\";
  switch ((data[0] >> 1) % 4) {
    case 0:
      Format(isLead, "", text.c_str());
      break;
    case 1:
      Format(isLead, "s", text.c_str(), folder);
      break;
    case 2:
      Format(isLead, "cdd", text.c_str(), 'C', -2147483647 - 1, 65536);
      break;
    default:
      Format(isLead, "s", text.c_str(), static_cast<const char*>(nullptr));
      break;
  }
  return 0;
}
