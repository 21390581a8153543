#include "setup_paths.h"

#include <direct.h>
#include <windows.h>

#include <string>

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
  std::string path(base);
  for (std::size_t pos = 0; pos < relative.size();
       pos += kolta::CharLength(relative, pos, kolta::SystemLeadByte)) {
    if (relative[pos] == '\\') {
      path.assign(base).append(relative.substr(0, pos));
      CreateDirectoryA(path.c_str(), nullptr);
    }
  }
  path.assign(base).append(relative);
  CreateDirectoryA(path.c_str(), nullptr);
}

void LowerCase(char* text) {
  // CharLowerBuffA, not CharLowerA: the latter takes a pointer below 64 KiB for a character.
  CharLowerBuffA(text, static_cast<DWORD>(std::char_traits<char>::length(text)));
}

}  // namespace setup_paths
