#include "setup_message_text.h"

#include <cstring>

std::string_view SetupMessageArgumentKinds(std::string_view key) {
  if (key == "IDS_NOSETUPINFOFILE" || key == "IDS_NOEXISTDIR" || key == "IDS_CANTMAKEDIR" ||
      key == "IDS_COPYFILEERROR") {
    return "s";
  }
  if (key == "IDS_NODISKSPACE") return "cdd";
  return "";
}

void FormatSetupMessage(std::string_view, const char* text, va_list, char (&out)[256],
                        kolta::LeadBytePredicate) {
  out[0] = '\0';
  if (text != nullptr) std::strncat(out, text, sizeof out - 1);
}
