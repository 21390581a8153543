// Stands in for the installed product's main program: appends its command line to
// "ran.log" in its own folder, so that a test sees how often and how it was started.
#include <windows.h>

#include <string>
#include <string_view>

#include "append_line.h"

int main() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string folder(path, std::string_view(path, length).find_last_of('\\') + 1);
  return AppendLine(folder + "ran.log", GetCommandLineA()) ? 0 : 1;
}
