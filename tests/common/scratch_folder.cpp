#include "scratch_folder.h"

#ifdef _WIN32
#include <windows.h>

#include "win_test_files.h"
#else
#include <stdlib.h>  // mkdtemp

#include <filesystem>
#include <system_error>
#endif

namespace kolta::test {

#ifdef _WIN32

namespace {

// Copies everything in `source` into the existing folder `target` (both ending in "\").
bool CopyTree(const std::string& source, const std::string& target) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((source + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = CreateDirectoryA((target + name).c_str(), nullptr) &&
           CopyTree(source + name + "\\", target + name + "\\");
    } else {
      ok = CopyFileA((source + name).c_str(), (target + name).c_str(), FALSE) != 0;
    }
  } while (ok && FindNextFileA(find, &entry));
  FindClose(find);
  return ok;
}

}  // namespace

ScratchFolder::ScratchFolder(std::string_view label) {
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, temp);  // ends in "\"
  if (length == 0 || length >= MAX_PATH) return;
  // The process identifier keeps apart test programs that share a prefix.
  const std::string base = std::string(temp, length) + "kolta-" + std::string(label) + "-" +
                           std::to_string(GetCurrentProcessId()) + "-";
  for (int n = 0; n < 1000; ++n) {
    const std::string folder = base + std::to_string(n);
    if (CreateDirectoryA(folder.c_str(), nullptr)) {
      path_ = folder + "\\";
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return;
  }
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  // A folder that is some process's current folder cannot be removed.
  char current[MAX_PATH];
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, current);
  const std::string here = std::string(current, length < MAX_PATH ? length : 0) + "\\";
  if (here.size() >= path_.size() && lstrcmpiA(here.substr(0, path_.size()).c_str(), path_.c_str()) == 0) {
    SetCurrentDirectoryA((path_ + "..").c_str());
  }
  RemoveTree(path_);
}

std::string ScratchFolder::CopyFileIn(const std::string& source, std::string_view name) const {
  const std::string target = Path(name);
  return !path_.empty() && CopyFileA(source.c_str(), target.c_str(), FALSE) ? target : "";
}

std::string ScratchFolder::CopyFolderIn(const std::string& source, std::string_view name) const {
  const std::string target = Path(name) + "\\";
  return !path_.empty() && CreateDirectoryA(target.c_str(), nullptr) && CopyTree(source, target)
             ? target
             : "";
}

#else

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(std::string_view label) {
  std::string pattern = "/tmp/kolta-" + std::string(label) + "-XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  // A test may have taken away write permission; links are removed, never followed.
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (fs::recursive_directory_iterator entry(path_, ignored), end; entry != end;
       entry.increment(ignored)) {
    if (!entry->is_symlink(ignored)) {
      fs::permissions(entry->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(path_, ignored);
}

std::string ScratchFolder::CopyFileIn(const std::string& source, std::string_view name) const {
  const std::string target = Path(name);
  std::error_code error;
  return !path_.empty() &&
                 fs::copy_file(source, target, fs::copy_options::overwrite_existing, error)
             ? target
             : "";
}

std::string ScratchFolder::CopyFolderIn(const std::string& source, std::string_view name) const {
  const std::string target = Path(name);
  std::error_code error;
  if (path_.empty() || !fs::is_directory(source, error)) return "";
  fs::copy(source, target, fs::copy_options::recursive, error);
  return error ? "" : target + "/";
}

#endif

}  // namespace kolta::test
