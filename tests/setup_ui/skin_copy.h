// A private copy of the flat test skin for a screen test that adds or leaves out files, so
// that the fixture's copy of the test skin is never changed.
#pragma once

#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>

#include "setup_state.h"
#include "win_test_files.h"

namespace kolta::test {

// Copies every file of the fixture's test skin (test_skin\ of its source folder), except
// those named, into `folder` (ending in "\") and makes it the skin folder. False when a file
// cannot be copied.
inline bool UseSkinCopy(const std::string& folder,
                        std::initializer_list<std::string_view> without) {
  SetupState& state = *GetSetupState();
  const std::string source = std::string(state.sourceDir) + "test_skin\\";
  RemoveTree(folder);
  if (!MakeDirectories(folder) || folder.size() >= sizeof state.skinDir) return false;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((source + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    const std::string_view name = entry.cFileName;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        std::find(without.begin(), without.end(), name) != without.end()) {
      continue;
    }
    ok = ok && CopyFileA((source + entry.cFileName).c_str(), (folder + entry.cFileName).c_str(),
                         FALSE);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  lstrcpyA(state.skinDir, folder.c_str());
  return ok;
}

}  // namespace kolta::test
