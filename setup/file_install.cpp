#include "file_install.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <new>

#include "ansi_win.h"
#include "lz_source.h"
#include "setup_info.h"
#include "setup_info_file.h"
#include "setup_paths.h"
#include "setup_screens.h"
#include "setup_settings.h"
#include "setup_state.h"
#include "win_handles.h"

namespace {

using kolta::InterfaceText;
using setup_paths::JoinPath;

// Data moves through one buffer of this size: the expander's own LZCopy moves 1000-byte
// pieces and is many times slower.
constexpr INT kCopyBufferSize = 1 << 20;

// Lets the screens paint and the cancel button work between two items. False when the
// quit message came (the main window was closed meanwhile): it is posted again for the
// program's own message loop, which would otherwise wait for it forever, and the action
// ends as if cancelled.
bool PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return true;
}

// Repaints the progress screen (all of it when `rect` is null) now, without erasing.
void RepaintNow(HWND window, const RECT* rect) {
  if (window == nullptr) return;  // a null window would mean every window
  InvalidateRect(window, rect, FALSE);
  UpdateWindow(window);
}

void RepaintChangedPart(HWND window) {
  RECT changed;
  ProgressChangedRect(&changed, 1);
  RepaintNow(window, &changed);
}

// Paces the repaints between items: drawing the screen costs more than copying a small
// file, so an install of many small files repaints at most every kRepaintInterval ms (and
// always after its last item); the eye sees no difference.
class RepaintPacer {
 public:
  static constexpr DWORD kRepaintInterval = 40;

  // Whether the changed area is to be repainted now.
  bool Due(bool lastItem) {
    const DWORD now = GetTickCount();
    if (!lastItem && now - last_ < kRepaintInterval) return false;
    last_ = now;
    return true;
  }

 private:
  DWORD last_ = GetTickCount();
};

void SetProgressTitle(const char* key) {
  char title[kolta::kTextBufferSize];
  ReadSetupText(0, key, title, sizeof title);
  ProgressSetTitle(title);
}

// Enters a folder, or creates it (one level) and enters it.
bool EnterOrCreateFolder(const char* path) {
  if (SetCurrentDirectoryA(path)) return true;
  return CreateDirectoryA(path, nullptr) && SetCurrentDirectoryA(path);
}

// One buffer for every copy of the run (the setup has one thread): a fresh megabyte per
// file would cost more than copying a small file. When it cannot be had, the next copy
// asks again: memory may have been freed meanwhile.
char* CopyBuffer() {
  static std::unique_ptr<char[]> buffer;
  if (!buffer) buffer.reset(new (std::nothrow) char[kCopyBufferSize]);
  return buffer.get();
}

// Moves the (expanded) source into the destination. The length the source states (an LZ
// file's header, a plain file's size) is the length installed: data that ends before it,
// or a read or write error, fails, so a truncated file is never installed short; bytes
// beyond it are not part of the file.
bool CopyData(LzSource& source, HANDLE dest) {
  const LONG expected = source.Seek(0, FILE_END);
  if (expected < 0 || source.Seek(0, FILE_BEGIN) != 0) return false;
  char* buffer = CopyBuffer();
  if (buffer == nullptr) return false;
  for (LONG total = 0; total < expected;) {
    const INT read = source.Read(buffer, std::min<LONG>(kCopyBufferSize, expected - total));
    if (read <= 0) return false;
    DWORD written = 0;
    if (!WriteFile(dest, buffer, static_cast<DWORD>(read), &written, nullptr) ||
        written != static_cast<DWORD>(read)) {
      return false;
    }
    total += read;
  }
  return true;
}

// Shows and copies file entry `index`; false when it cannot be copied (its `name` is
// filled all the same, for the message).
bool CopyEntry(unsigned index, SetupFileTexts& entry) {
  const SetupState* state = GetSetupState();
  const bool resolved = GetSetupFileEntry(index, &entry) != 0;
  // Only shown: the progress screen cuts a line too long for it at a whole character, so
  // a long descriptive name never fails a copy whose paths fit.
  kolta::BoundedText<2 * kolta::kTextBufferSize> detail(state->installDir);
  detail.Append(entry.name);
  ProgressSetDetail(detail.c_str());
  InterfaceText sourceFolder(state->sourceDir), destFolder(state->installDir);
  sourceFolder.Append(entry.sourceFolder);
  destFolder.Append(entry.destFolder);
  return resolved && sourceFolder.ok() && destFolder.ok() &&
         CopyOneFile(sourceFolder.c_str(), entry.sourceName, destFolder.c_str(), entry.destName);
}

}  // namespace

int CreateDestinationDirs(HWND owner) {
  const SetupState* state = GetSetupState();
  if (lstrcmpiA(state->sourceDir, state->installDir) == 0) {
    SetupMessage(owner, "IDS_SAMEPATH", 0);
    return 0;
  }
  SetProgressTitle("IDS_CREATEDIR");
  const SetupInfo* info = GetSetupInfo();
  const unsigned count = info->destDirCount;
  ProgressSetTotal(static_cast<int>(count) + 1);
  ProgressSetPosition(1);
  ProgressSetDetail(state->installDir);

  RepaintPacer pacer;
  for (unsigned i = 0;; ++i) {
    if (i == 0) {
      RepaintNow(owner, nullptr);
    } else if (pacer.Due(i == count)) {
      RepaintChangedPart(owner);
    }
    if (i == count) return 1;
    if (!PumpMessages() || ProgressAbortRequested()) return 0;

    const char* folder = info->destDirs[i]->folder;
    InterfaceText path(state->installDir);
    path.Append(folder);
    if (path.ok()) ProgressSetDetail(path.c_str());
    if (!path.ok() || !EnterOrCreateFolder(path.c_str())) {
      kolta::BoundedText<2 * kolta::kTextBufferSize> shown(state->installDir);
      shown.Append(folder);
      SetupMessage(owner, "IDS_CANTMAKEDIR", 0, shown.c_str());
      return 0;
    }
    ProgressStep();
  }
}

int CopySetupFiles(HWND owner) {
  SetProgressTitle("IDS_COPYINFO");
  const unsigned count = GetSetupInfo()->fileCount;
  ProgressSetTotal(static_cast<int>(count));
  ProgressSetPosition(0);
  RepaintNow(owner, nullptr);

  RepaintPacer pacer;
  for (unsigned i = 0; i < count; ++i) {
    if (!PumpMessages() || ProgressAbortRequested()) return 0;

    SetupFileTexts entry{};
    if (!CopyEntry(i, entry)) {
      SetupMessage(owner, "IDS_COPYFILEERROR", 0, entry.name);
      return 0;
    }
    ProgressStep();
    if (pacer.Due(i + 1 == count)) RepaintChangedPart(owner);
  }
  return 1;
}

int CopyOneFile(const char* sourceFolder, const char* sourceName, const char* destFolder,
                const char* destName) {
  const auto sourceFolderText = kolta::ReadBoundedText(sourceFolder);
  const auto sourceNameText = kolta::ReadBoundedText(sourceName);
  const auto destFolderText = kolta::ReadBoundedText(destFolder);
  const auto destNameText = kolta::ReadBoundedText(destName);
  if (!sourceFolderText || !sourceNameText || !destFolderText || !destNameText) return 0;
  const auto sourcePath = JoinPath(*sourceFolderText, *sourceNameText);
  const auto destPath = JoinPath(*destFolderText, *destNameText);
  if (!sourcePath || !destPath) return 0;

  LzSource source(sourcePath->c_str());
  if (!source.valid()) return 0;
  FileHandle dest(ValidOrNull(CreateFileA(destPath->c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
  if (!dest.valid()) return 0;
  if (CopyData(source, dest.get())) return 1;
  // What was written is no file of the product (a full disk, a medium that cannot be
  // read): it does not stay behind to pass for one.
  dest.reset();
  DeleteFileA(destPath->c_str());
  return 0;
}

int MakeDirectoryPath(const char* path) {
  const auto text = kolta::ReadBoundedText(path);
  if (!text || text->empty() || !setup_paths::SelectDrive(text->front())) return 0;
  if (SetCurrentDirectoryA(path)) return 1;
  setup_paths::CreateFolderLevels({}, *text);
  return 1;
}

int FreeDiskSpaceMB(char driveLetter) {
  char root[] = {driveLetter, ':', '\\', '\0'};
  CharUpperBuffA(root, 1);
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                         &totalClusters)) {
    return 0;
  }
  const double megabytes =
      static_cast<double>(freeClusters) * bytesPerSector * sectorsPerCluster / 1048576.0;
  return megabytes >= INT_MAX ? INT_MAX : static_cast<int>(megabytes);
}
