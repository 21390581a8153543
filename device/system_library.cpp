#include "system_library.h"

#include <array>

#include "ansi_win.h"
#include "device_paths.h"

namespace kolta::device {

std::optional<InterfaceText> SystemFolderFile(SystemFolder folder, std::string_view name) {
  std::array<char, MAX_PATH> buffer{};
  const UINT size = static_cast<UINT>(buffer.size());
  const UINT length = folder == SystemFolder::Windows ? GetWindowsDirectoryA(buffer.data(), size)
                                                      : GetSystemDirectoryA(buffer.data(), size);
  if (length == 0 || length >= size) return std::nullopt;
  return FileInFolder(std::string_view(buffer.data(), length), name, SystemLeadByte);
}

bool FileExists(const InterfaceText& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HMODULE LoadSystemLibrary(const InterfaceText& path) {
  if (!FileExists(path)) return nullptr;
  HMODULE library = LoadLibraryA(path.c_str());
  if (library != nullptr && !IsLoaded(library)) return nullptr;
  return library;
}

}  // namespace kolta::device
