#include "setup_info_file.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "ansi_win.h"
#include "bounded_text.h"
#include "setup_info.h"
#include "setup_paths.h"
#include "setup_screens.h"
#include "setup_state.h"
#include "win_handles.h"

namespace {

// Far above any real file (10000 entries of 127 characters take 1.3 MB); a larger file
// is refused rather than read into memory.
constexpr LONGLONG kMaxFileSize = 64LL << 20;

// False when the folder cannot be listed (missing, or a read error of the medium); an
// existing folder without a match lists nothing.
bool ListFiles(void*, const char* pattern, SetupFileVisitor onFile) {
  WIN32_FIND_DATAA entry;
  const FindHandle find(ValidOrNull(FindFirstFileA(pattern, &entry)));
  if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && !onFile(entry.cFileName))
      return true;
  } while (FindNextFileA(find.get(), &entry));
  return GetLastError() == ERROR_NO_MORE_FILES;
}

char WindowsDriveLetter() {
  char folder[MAX_PATH] = "c";
  GetWindowsDirectoryA(folder, MAX_PATH);
  char drive[2] = {folder[0], '\0'};
  setup_paths::LowerCase(drive);
  return drive[0];
}

// A whole file in a block of its own.
struct FileData {
  std::unique_ptr<char[]> bytes;
  std::size_t size = 0;
  std::string_view view() const { return {bytes.get(), size}; }
};

// The whole file; false when it cannot be opened or read, is absurdly large, or finds no
// memory.
bool ReadWholeFile(const char* path, FileData& data) {
  const FileHandle file(ValidOrNull(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
  LARGE_INTEGER size;
  if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxFileSize) {
    return false;
  }
  data.size = static_cast<std::size_t>(size.QuadPart);
  data.bytes.reset(new (std::nothrow) char[data.size > 0 ? data.size : 1]);
  if (!data.bytes) return false;
  DWORD read = 0;
  return ReadFile(file.get(), data.bytes.get(), static_cast<DWORD>(data.size), &read, nullptr) &&
         read == data.size;
}

template <std::size_t N>
void CopyText(std::string_view text, char (&out)[N]) {
  kolta::BoundedText<N>(text).CopyTo(out);
}

}  // namespace

int LoadSetupInfo(HWND owner) {
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  const SetupState* state = GetSetupState();
  // Longer than the interface's paths it is not read, but named whole in the message.
  kolta::BoundedText<2 * kolta::kTextBufferSize> path(state->skinDir);
  path.Append(state->installMode ? "setuphd.inf" : "setupcd.inf");

  SetupInfo* info = GetSetupInfo();
  FileData data;
  if (path.ok() && path.size() < kolta::kTextBufferSize && ReadWholeFile(path.c_str(), data)) {
    const SetupInfoPlatform platform{WindowsDriveLetter(), state->sourceDir, ListFiles,
                                     kolta::SystemLeadByte};
    if (ParseSetupInfo(*info, data.view(), platform)) return 1;
  }
  if (info->section != kSectionEnd) ClearSetupInfo(*info);  // nothing of an invalid file stays
  SetupMessage(owner, "IDS_NOSETUPINFOFILE", 0, path.c_str());
  return 0;
}

int GetSetupFileEntry(unsigned index, SetupFileTexts* out) {
  const SetupInfo* info = GetSetupInfo();
  if (out == nullptr || index >= info->fileCount || index >= kMaxFiles ||
      info->files[index] == nullptr) {
    return 0;
  }
  // Every text comes from a 128-byte field, so each copy fits.
  *out = SetupFileTexts{};
  CopyText(info->files[index]->name, out->name);
  setup_paths::LowerCase(out->name);
  ResolvedFileEntry entry;
  if (!ResolveFileEntry(*info, index, entry)) return 0;
  CopyText(entry.sourceFolder, out->sourceFolder);
  CopyText(entry.sourceName, out->sourceName);
  CopyText(entry.destFolder, out->destFolder);
  CopyText(entry.destName, out->destName);
  return 1;
}

int GetSetupShortcut(unsigned index, char* title, char* target) {
  const SetupInfo* info = GetSetupInfo();
  if (title == nullptr || target == nullptr || index >= info->shortcutCount ||
      index >= kMaxShortcuts || info->shortcuts[index] == nullptr) {
    return 0;
  }
  std::memcpy(title, info->shortcuts[index]->title, sizeof info->shortcuts[index]->title);
  std::memcpy(target, info->shortcuts[index]->target, sizeof info->shortcuts[index]->target);
  return 1;
}
