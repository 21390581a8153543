// Skin file names, composed within their buffers.
#include "skin_files.h"

#include <string_view>

#include "bounded_text.h"
#include "setup_state.h"

int SkinFilePath(const char* format, char (&out)[128]) {
  out[0] = '\0';
  const auto folder = kolta::ReadBoundedText(GetSetupState()->skinDir);
  const auto formatText = kolta::ReadBoundedText(format);
  // The rest of the format is taken as it stands, never handed to a formatting function:
  // any further conversion would have no argument to take.
  if (!folder || !formatText || !formatText->starts_with("%s")) return 0;
  const std::string_view name = formatText->substr(2);
  if (name.find('%') != std::string_view::npos) return 0;
  kolta::InterfaceText path(*folder);
  path.Append(name);
  return path.CopyTo(out) ? 1 : 0;
}
