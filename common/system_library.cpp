#include "system_library.h"

#include <array>

#include "ansi_win.h"

namespace kolta {

namespace {

// Values of the loader's search flags, which the oldest headers of the build may lack.
constexpr DWORD kSearchDllLoadDir = 0x00000100;  // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD kSearchSystem32 = 0x00000800;    // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD flags);

// The system's SetDefaultDllDirectories, looked up at run time: the program must still
// start on systems that lack it. Its presence also tells that LoadLibraryEx takes the
// search flags.
SetDefaultDllDirectoriesProc SetDefaultDllDirectoriesOfSystem() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<SetDefaultDllDirectoriesProc>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
}

}  // namespace

std::optional<InterfaceText> SystemFolderFile(SystemFolder folder, std::string_view name) {
  std::array<char, MAX_PATH> buffer{};
  const UINT size = static_cast<UINT>(buffer.size());
  const UINT length = folder == SystemFolder::Windows ? GetWindowsDirectoryA(buffer.data(), size)
                                                      : GetSystemDirectoryA(buffer.data(), size);
  if (length == 0 || length >= size) return std::nullopt;
  return JoinPath(std::string_view(buffer.data(), length), name, SystemLeadByte);
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

HMODULE LoadSystemFolderLibrary(std::string_view name) {
  const auto path = SystemFolderFile(SystemFolder::System, name);
  return path ? LoadSystemLibrary(*path) : nullptr;
}

bool RestrictDllSearchToSystem() {
  const auto restrict = SetDefaultDllDirectoriesOfSystem();
  return restrict != nullptr && restrict(kSearchSystem32);
}

HMODULE LoadLibraryWithItsFolder(const char* path) {
  // The search flags and LOAD_WITH_ALTERED_SEARCH_PATH cannot be combined; systems
  // without the flags know only the latter.
  const DWORD flags = SetDefaultDllDirectoriesOfSystem() != nullptr
                          ? kSearchDllLoadDir | kSearchSystem32
                          : LOAD_WITH_ALTERED_SEARCH_PATH;
  HMODULE library = LoadLibraryExA(path, nullptr, flags);
  return library != nullptr && IsLoaded(library) ? library : nullptr;
}

}  // namespace kolta
