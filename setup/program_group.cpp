#include "program_group.h"

#include <io.h>
#include <objbase.h>
#include <shlobj.h>

#include <optional>
#include <string_view>

#include "ansi_win.h"
#include "bounded_text.h"
#include "setup_info.h"
#include "setup_info_file.h"
#include "setup_paths.h"
#include "setup_screens.h"
#include "setup_state.h"

namespace {

using kolta::InterfaceText;

// Releases a COM interface on every path.
template <typename Interface>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  Interface* operator->() const { return pointer_; }
  void** out() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

// A special folder of the system with a final "\"; nothing when unknown or too long.
std::optional<InterfaceText> SpecialFolder(int csidl) {
  char path[MAX_PATH] = "";
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return std::nullopt;
  InterfaceText folder(path);
  kolta::AppendFolderSeparator(folder, kolta::SystemLeadByte);
  if (!folder.ok() || folder.size() < 3) return std::nullopt;
  return folder;
}

std::optional<InterfaceText> GroupFolder(std::string_view group) {
  auto folder = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  if (!folder) return std::nullopt;
  folder->Append(group);
  kolta::AppendFolderSeparator(*folder, kolta::SystemLeadByte);
  if (!folder->ok()) return std::nullopt;
  return folder;
}

// folder + title + ".lnk"
std::optional<InterfaceText> LinkPath(std::optional<InterfaceText> folder, const char* title) {
  const auto titleText = kolta::ReadBoundedText(title);
  if (!folder || !titleText) return std::nullopt;
  folder->Append(*titleText).Append(".lnk");
  if (!folder->ok()) return std::nullopt;
  return folder;
}

std::optional<InterfaceText> GroupLinkPath(const char* group, const char* title) {
  const auto groupText = kolta::ReadBoundedText(group);
  if (!groupText) return std::nullopt;
  return LinkPath(GroupFolder(*groupText), title);
}

// A shortcut's command: a quoted path, which with its quotes may be longer than a
// 128-byte path (a folder of 127 characters and a file below it), but not than MAX_PATH.
using CommandText = kolta::BoundedText<MAX_PATH>;

// Writes a shell shortcut to `target` (quotes and all) at `linkPath`.
int SaveShortcut(const std::optional<InterfaceText>& linkPath, const char* target) {
  if (!linkPath || !kolta::ReadBoundedText(target, MAX_PATH)) return 0;
  ComRef<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.out()))) {
    return 0;
  }
  link->SetPath(target);
  ComRef<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return 0;
  wchar_t widePath[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, linkPath->c_str(), -1, widePath, MAX_PATH) == 0) return 0;
  return SUCCEEDED(file->Save(widePath, TRUE)) ? 1 : 0;
}

// The quoted command of a shortcut entry: its path from the fourth character on, below
// the setup's folder when the second character is "S" or "s", else below installDir.
std::optional<CommandText> TargetCommand(std::string_view target) {
  const SetupState* state = GetSetupState();
  const bool onMedium =
      kolta::AsciiUpper(kolta::SingleByteCharAt(target, 1, kolta::SystemLeadByte)) == 'S';
  CommandText command("\"");
  command.Append(onMedium ? state->sourceDir : state->installDir)
      .Append(kolta::TextFrom(target, kolta::SkipChars(target, 3, kolta::SystemLeadByte)))
      .Append('"');
  if (!command.ok()) return std::nullopt;
  return command;
}

}  // namespace

int CreateProgramGroup(HWND owner) {
  const SetupInfo* info = GetSetupInfo();
  MakeGroupFolder(info->defPMGroup);
  for (unsigned i = 0; i < info->shortcutCount; ++i) {
    char title[kolta::kTextBufferSize];
    char target[kolta::kTextBufferSize];
    std::optional<CommandText> command;
    if (GetSetupShortcut(i, title, target)) command = TargetCommand(target);
    if (!command) {
      SetupMessage(owner, "IDS_PMERROR", 0);
      return 0;
    }
    DeleteGroupShortcut(info->defPMGroup, title);
    CreateGroupShortcut(info->defPMGroup, title, command->c_str());
    if (i == 0) CreateDesktopShortcut(title, command->c_str());
  }
  return 1;
}

int CommonProgramsPath(char* buffer, int strip) {
  auto folder = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  if (buffer == nullptr || !folder) return 0;
  if (strip) folder->Truncate(folder->size() - 1);
  return folder->CopyTo(buffer) ? 1 : 0;
}

int MakeGroupFolder(const char* group) {
  const auto groupText = kolta::ReadBoundedText(group);
  const auto base = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  if (!groupText || !base || !setup_paths::SelectDrive(base->view().front())) return 0;
  InterfaceText folder(*base);
  folder.Append(*groupText);
  if (!folder.ok()) return 0;  // shortcuts could not be saved into it either
  if (_access(folder.c_str(), 0) == 0) return 1;
  setup_paths::CreateFolderLevels(base->view(), *groupText);
  return 1;
}

int CreateGroupShortcut(const char* group, const char* title, const char* target) {
  return SaveShortcut(GroupLinkPath(group, title), target);
}

int DeleteGroupShortcut(const char* group, const char* title) {
  const auto path = GroupLinkPath(group, title);
  if (!path || GetFileAttributesA(path->c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
  SetFileAttributesA(path->c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path->c_str()) ? 1 : 0;
}

int CreateDesktopShortcut(const char* title, const char* target) {
  return SaveShortcut(LinkPath(SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY), title), target);
}
