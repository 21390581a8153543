#include "setup_paths.h"

#include <direct.h>
#include <windows.h>

#include <cstring>

#include "ansi_win.h"

namespace setup_paths {

std::optional<kolta::InterfaceText> JoinPath(std::string_view folder, std::string_view name) {
  return kolta::JoinPath(folder, name, kolta::SystemLeadByte);
}

bool SelectDrive(char letter) {
  char drive[2] = {letter, '\0'};
  LowerCase(drive);
  const int number = drive[0] - 'a' + 1;
  return number >= 1 && number <= 26 && _chdrive(number) == 0;
}

void CreateFolderLevels(std::string_view base, std::string_view relative) {
  // A level too long for the system is not made; entering the folder then fails.
  const auto createLevel = [&](std::size_t end) {
    kolta::BoundedText<MAX_PATH> path(base);
    path.Append(relative.substr(0, end));
    if (path.ok()) CreateDirectoryA(path.c_str(), nullptr);
  };
  for (std::size_t pos = 0; pos < relative.size();
       pos += kolta::CharLength(relative, pos, kolta::SystemLeadByte)) {
    if (relative[pos] == '\\') createLevel(pos);
  }
  createLevel(relative.size());
}

void LowerCase(char* text) {
  // CharLowerBuffA, not CharLowerA: the latter takes a pointer below 64 KiB for a character.
  CharLowerBuffA(text, static_cast<DWORD>(std::strlen(text)));
}

}  // namespace setup_paths
