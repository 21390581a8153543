// Puts a test double where the product looks for a system library, and makes Wine load
// it instead of its own library of that name.
#pragma once

#include <windows.h>

#include <string>

namespace kolta::test {

// An export of a module as the function pointer type it has.
template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A folder as one of the Get...DirectoryA functions gives it, ending in "\".
inline std::string FolderOf(UINT(WINAPI* get)(LPSTR, UINT)) {
  char folder[MAX_PATH] = {};
  get(folder, MAX_PATH);
  std::string text = folder;
  if (text.back() != '\\') text += '\\';
  return text;
}
inline std::string WindowsFolder() { return FolderOf(GetWindowsDirectoryA); }
inline std::string SystemFolder() { return FolderOf(GetSystemDirectoryA); }

// The folder of this test program, ending in "\".
inline std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

// Copies the double built beside this program to `destination` and loads it from there,
// native before built-in (the registry's per-user DLL overrides, which the loader reads
// at every load). The old file is deleted first rather than overwritten: a prefix shares
// unchanged DLL files with its template by hard link. Then checks the double's marker
// export: Wine's own library of that name, loaded when the override is not honoured, has
// none. Null when any step fails.
inline HMODULE InstallDouble(const std::string& builtName, const std::string& destination,
                             const char* overrideName, const char* markerExport, int marker) {
  HKEY overrides = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &overrides, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  constexpr char kNative[] = "native";
  const LONG set = RegSetValueExA(overrides, overrideName, 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(kNative), sizeof kNative);
  RegCloseKey(overrides);
  if (set != ERROR_SUCCESS) return nullptr;

  if (GetModuleHandleA(destination.c_str()) == nullptr) {
    SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(destination.c_str());
    if (!CopyFileA((ProgramFolder() + builtName).c_str(), destination.c_str(), TRUE))
      return nullptr;
  }
  const HMODULE module = LoadLibraryA(destination.c_str());
  const auto markerOf = module ? Export<int (*)()>(module, markerExport) : nullptr;
  return markerOf != nullptr && markerOf() == marker ? module : nullptr;
}

// A hidden window to own contexts and dialogs.
inline HWND MakeTestWindow() {
  return CreateWindowExA(0, "STATIC", "k_device test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace kolta::test
