// Path helpers of the install actions (Windows builds): composing bounded paths in the
// system's ANSI code page, selecting drives and creating folder levels.
#pragma once

#include <optional>
#include <string_view>

#include "bounded_text.h"

namespace setup_paths {

// folder + "\" (unless the folder ends in one) + name; nothing when it does not fit.
std::optional<kolta::InterfaceText> JoinPath(std::string_view folder, std::string_view name);

// Makes the drive of `letter` (either case) the current drive; false when it cannot be.
bool SelectDrive(char letter);

// Creates base + the text before every "\" of `relative`, left to right, then base +
// `relative`; failures are ignored (a level may exist already).
void CreateFolderLevels(std::string_view base, std::string_view relative);

// The text in lower case by the system's ANSI rules.
void LowerCase(char* text);

}  // namespace setup_paths
