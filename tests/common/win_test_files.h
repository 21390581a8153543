// File helpers for the Windows tests: ANSI paths, so that they follow the process's code
// page like the code under test.
#pragma once

#include <windows.h>

#include <string>

namespace kolta::test {

// Creates a folder and its parents; `path` ends in "\".
inline bool MakeDirectories(const std::string& path) {
  for (std::size_t pos = path.find('\\', 3); pos != std::string::npos;
       pos = path.find('\\', pos + 1)) {
    const std::string part = path.substr(0, pos);
    if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return false;
    }
  }
  return true;
}

// Whether `folder` names a folder below a drive's root: "X:\name\" or deeper.
inline bool IsFolderBelowDriveRoot(const std::string& folder) {
  return folder.size() > 4 && folder[1] == ':' && folder[2] == '\\' && folder[3] != '\\' &&
         folder.back() == '\\';
}

// Deletes a folder (ending in "\") with everything in it; read-only files too. Anything
// else is left alone: an empty or relative path would name the current folder, and a
// test whose set-up failed early may pass one.
inline void RemoveTree(const std::string& folder) {
  if (!IsFolderBelowDriveRoot(folder)) return;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + "\\");
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

// Writes a file, creating its folders.
inline bool WriteFile(const std::string& path, const std::string& content) {
  if (!MakeDirectories(path.substr(0, path.find_last_of('\\') + 1))) return false;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written,
                              nullptr);
  CloseHandle(file);
  return ok && written == content.size();
}

}  // namespace kolta::test
