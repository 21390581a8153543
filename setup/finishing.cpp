#include "finishing.h"

#include <array>
#include <optional>
#include <string_view>

#include "K_INI.h"
#include "ansi_win.h"
#include "bounded_text.h"
#include "file_install.h"
#include "setup_screens.h"
#include "setup_state.h"
#include "system_library.h"
#include "win_handles.h"

namespace {

using kolta::InterfaceText;

constexpr char kMainProgram[] = "bin\\koltamain.exe";

// The DirectX set-up library's entries, by ordinal.
constexpr WORD kDirectXGetVersionOrdinal = 11;
constexpr WORD kDirectXSetupOrdinal = 5;
using DirectXGetVersionProc = INT(WINAPI*)(DWORD* version, DWORD* revision);
using DirectXSetupProc = INT(WINAPI*)(HWND owner, LPSTR rootPath, DWORD flags);
constexpr DWORD kDirectXSetupFlags = 0x10018;

// The installed folder with a final "\", or nothing when none is recorded (or the value
// is too long to be a folder of the product).
std::optional<InterfaceText> InstalledFolder() {
  std::array<char, 1024> value{};
  const DWORD length =
      GetPrivateProfileStringA("PATH", "INSTALLPATH", "", value.data(),
                               static_cast<DWORD>(value.size()), GetSetupState()->configFileName);
  if (length == 0 || length >= kolta::kTextBufferSize) return std::nullopt;
  InterfaceText folder(std::string_view(value.data(), length));
  kolta::AppendFolderSeparator(folder, kolta::SystemLeadByte);
  if (!folder.ok()) return std::nullopt;
  return folder;
}

// The set-up library of the medium: "DIRECTX\DSETUP.dll", else "DSETUP.dll" beside the
// setup program. Loaded at run time so that a medium without it still installs, with its
// own folder searched for the libraries it brings along.
ModuleHandle LoadDirectXSetup(std::string_view sourceDir) {
  for (const char* name : {"DIRECTX\\DSETUP.dll", "DSETUP.dll"}) {
    InterfaceText path(sourceDir);
    path.Append(name);
    if (!path.ok()) continue;
    if (HMODULE module = kolta::LoadLibraryWithItsFolder(path.c_str())) return ModuleHandle(module);
  }
  return ModuleHandle();
}

}  // namespace

int CheckExistingInstall() {
  const auto folder = InstalledFolder();
  if (!folder) return 1;  // a fresh install

  char installedLanguage[K_INI_TEXT_SIZE] = "";
  IniGetSysLanStr(installedLanguage);
  if (std::string_view(installedLanguage) == GetSetupState()->languageCode) {
    // Quoted: a folder with a blank must not make the system run another program. The
    // command is no path of a 128-byte buffer: with its quotes it may be longer than the
    // longest folder a program can be installed to.
    kolta::BoundedText<MAX_PATH> command("\"");
    command.Append(folder->view()).Append(kMainProgram).Append('"');
    // Results up to 31 are failures: the recorded product is gone (deleted by hand, or
    // recorded by an install that failed), so this becomes a fresh install instead of
    // ending without a word every time.
    constexpr UINT kLastFailure = 31;
    return command.ok() && WinExec(command.c_str(), SW_SHOW) > kLastFailure ? 0 : 1;
  }
  if (SetupMessage(nullptr, "IDS_DIFFVERSION", MB_YESNO) != 1) return 0;
  IniRemove();
  return 1;
}

int WriteProductConfig(HWND owner) {
  const SetupState* state = GetSetupState();
  char windowsFolder[kolta::kTextBufferSize] = "";
  const UINT length = GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder);
  if (length > 0 && length < sizeof windowsFolder) {
    CopyOneFile(state->sourceDir, state->configFileName, windowsFolder, state->configFileName);
  }
  // A product whose folder was not recorded cannot find itself: that is no install. The
  // user learns which file could not be written.
  if (!IniPutInstallPath(state->installDir) || !IniPutCDPath(state->installDir) ||
      !IniPutAll(1)) {
    SetupMessage(owner, "IDS_COPYFILEERROR", 0, state->configFileName);
    return 0;
  }
  return 1;
}

int InstallDirectX(HINSTANCE /*instance*/, HWND owner) {
  if ((GetVersion() & 0x80000000u) == 0) return 0;  // Windows NT family: nothing to do

  const SetupState* state = GetSetupState();
  const ModuleHandle library = LoadDirectXSetup(state->sourceDir);
  if (!library.valid()) return 0;
  const auto getVersion = ExportedFunction<DirectXGetVersionProc>(
      library.get(), MAKEINTRESOURCEA(kDirectXGetVersionOrdinal));
  const auto setup =
      ExportedFunction<DirectXSetupProc>(library.get(), MAKEINTRESOURCEA(kDirectXSetupOrdinal));
  if (getVersion == nullptr || setup == nullptr) return 0;

  DWORD version = 0, revision = 0;
  if (getVersion(&version, &revision) && LOWORD(version) >= 5) return 0;

  InterfaceText root(state->sourceDir);
  root.Append("DIRECTX");
  if (!root.ok()) return 0;
  char rootPath[kolta::kTextBufferSize];
  root.CopyTo(rootPath);
  return setup(owner, rootPath, kDirectXSetupFlags) != 0 ? 1 : 0;
}
