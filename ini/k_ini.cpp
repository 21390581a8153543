// The exported functions of K_INI: the path rules of ini_paths.h fed with the platform's
// profile files, module names, file system and display.

#define K_INI_BUILD
#include "K_INI.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "ansi_win.h"
#include "bounded_text.h"
#include "ini_paths.h"

namespace {

using kolta::InterfaceText;
using kolta::ReadBoundedText;
using kolta::Separators;
using kolta::SystemLeadByte;
namespace ini = kolta::ini;

constexpr char kPathSection[] = "PATH";
constexpr char kParameterSection[] = "PARA";

// Longest caller text (name or coded name) read as input; anything longer cannot fit a
// result anyway.
constexpr std::size_t kInputLimit = 4096;

// Reads a profile value. A value longer than 127 characters is treated as not set, so
// that it is never cut short into another path or name.
InterfaceText ReadProfileText(const char* section, const char* key, const char* file) {
  std::array<char, 1024> value{};
  const DWORD length = GetPrivateProfileStringA(section, key, "", value.data(),
                                                static_cast<DWORD>(value.size()), file);
  if (length >= kolta::kTextBufferSize) return {};
  return InterfaceText(std::string_view(value.data(), length));
}

// Full file name of a module; nothing when the platform fails or cuts it short.
std::optional<std::string_view> ModuleFileName(HINSTANCE instance, std::array<char, 1024>& buffer) {
  const DWORD length =
      GetModuleFileNameA(instance, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return std::nullopt;
  return std::string_view(buffer.data(), length);
}

// A file in the folder of a module; the folder ends at its last separator (by default
// "\" or "/").
std::optional<InterfaceText> ModuleFolderFile(HINSTANCE instance, std::string_view fileName,
                                              Separators separators = Separators::BackslashOrSlash) {
  std::array<char, 1024> buffer;
  const auto modulePath = ModuleFileName(instance, buffer);
  if (!modulePath) return std::nullopt;
  return ini::FileBesideModule(*modulePath, fileName, separators, SystemLeadByte);
}

// A per-program parameter value: the key of a section of fileName beside the module.
InterfaceText ReadModuleParameter(HINSTANCE instance, const char* fileName, const char* section,
                                  const char* key) {
  const auto name = ReadBoundedText(fileName, kInputLimit);
  if (!name || !section || !key) return {};
  const auto file = ModuleFolderFile(instance, *name);
  if (!file) return {};
  return ReadProfileText(section, key, file->c_str());
}

char* CopyConstant(std::string_view text, char* out) {
  if (out == nullptr) return nullptr;
  InterfaceText(text).CopyTo(out);
  return out;
}

int GetFolderKey(const char* key, char* out) {
  if (out == nullptr) return 0;
  const InterfaceText value = ReadProfileText(kPathSection, key, ini::kConfigFileName);
  if (value.empty()) return 0;
  const auto folder = ini::AsFolder(value.view(), SystemLeadByte);
  if (!folder) return 0;
  folder->CopyTo(out);
  return 1;
}

int PutFolderKey(const char* key, const char* path) {
  const auto text = ReadBoundedText(path);
  if (!text) return 0;
  const auto folder = ini::AsFolder(*text, SystemLeadByte);
  if (!folder) return 0;
  return WritePrivateProfileStringA(kPathSection, key, folder->c_str(), ini::kConfigFileName);
}

bool StartsWithNullWord(std::string_view value) {
  constexpr std::string_view kNull = "NULL";
  if (value.size() < kNull.size()) return false;
  for (std::size_t i = 0; i < kNull.size(); ++i) {
    if (kolta::AsciiUpper(value[i]) != kNull[i]) return false;
  }
  return true;
}

bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Refuses a composed path: the caller's buffer is left empty.
int Refuse(char* out) {
  out[0] = '\0';
  return ini::kRefused;
}

// Composes a path into the caller's buffer. An unknown root letter appends to what out
// holds, so out is read as input first; an unterminated buffer reads as a text too long
// to fit, which a known root letter replaces and an unknown one refuses.
template <typename Compose>
int ComposeInto(char* out, const char* codedName, Compose compose) {
  if (out == nullptr) return ini::kRefused;
  const auto current = ReadBoundedText(out);
  InterfaceText path(current.value_or(std::string_view(out, kolta::kTextBufferSize)));
  const auto coded = ReadBoundedText(codedName, kInputLimit);
  if (!coded || !compose(path, *coded) || !path.CopyTo(out)) return Refuse(out);
  return 0;
}

int FindInto(ini::FileQuery query, const char* name, char* out) {
  if (out == nullptr) return ini::kRefused;
  const auto nameText = ReadBoundedText(name, kInputLimit);
  if (!nameText) return Refuse(out);
  query.name = *nameText;
  InterfaceText path;  // empty when FindFile refuses
  const int result = ini::FindFile(query, path, SystemLeadByte, &PathExists);
  path.CopyTo(out);
  return result;
}

}  // namespace

extern "C" {

char* WINAPI IniGetIni(char* out) { return CopyConstant(ini::kConfigFileName, out); }

int WINAPI IniGetSysLan(void) { return ini::kSystemLanguage; }

char* WINAPI IniGetSysLanStr(char* out) {
  return CopyConstant(ini::LanguageCode(IniGetSysLan()), out);
}

char* WINAPI IniGetLocalSysLanStr(const char* /*filePath*/, char* out) { return IniGetSysLanStr(out); }

int WINAPI IniRightMode(int minWidth, int minHeight) {
  int bitsPerPixel = 0;
  if (HDC info = CreateICA("DISPLAY", nullptr, nullptr, nullptr)) {
    bitsPerPixel = GetDeviceCaps(info, BITSPIXEL);
    DeleteDC(info);
  }
  return bitsPerPixel >= 16 && GetSystemMetrics(SM_CXSCREEN) >= minWidth &&
         GetSystemMetrics(SM_CYSCREEN) >= minHeight;
}

HWND WINAPI IniGetParent(const char* fileName, HINSTANCE instance) {
  const InterfaceText parent = ReadModuleParameter(instance, fileName, kParameterSection, "PARENT");
  if (parent.empty() || StartsWithNullWord(parent.view())) return nullptr;
  return FindWindowA(parent.c_str(), nullptr);
}

int WINAPI IniGetInfoBmp(const char* fileName, HINSTANCE instance, char* out) {
  if (out == nullptr) return 0;
  const InterfaceText picture = ReadModuleParameter(instance, fileName, kParameterSection, "INFOBMP");
  picture.CopyTo(out);
  return picture.empty() ? 0 : 1;
}

char* WINAPI IniGetModulePath(HINSTANCE instance, char* out) {
  if (out == nullptr) return nullptr;
  const auto folder = ModuleFolderFile(instance, {}, Separators::BackslashOnly);
  if (!folder || !folder->CopyTo(out)) out[0] = '\0';
  return out;
}

int WINAPI IniRemove(void) {
  std::array<char, MAX_PATH> windows{};
  const UINT length = GetWindowsDirectoryA(windows.data(), kolta::kTextBufferSize);
  if (length == 0 || length >= kolta::kTextBufferSize) return -1;
  auto path = ini::AsFolder(std::string_view(windows.data(), length), SystemLeadByte);
  if (!path || !path->Append(ini::kConfigFileName).ok()) return -1;
  SetFileAttributesA(path->c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path->c_str()) ? 0 : -1;
}

char* WINAPI IniGetAppName(const void*, const void*, const void*, char* out) {
  return CopyConstant("Untitled", out);
}

int WINAPI IniGetFileNameClearMean(const char* firstRoot, const char* secondRoot, int language,
                                   const char* codedName, char* out) {
  return ComposeInto(out, codedName, [&](InterfaceText& path, std::string_view coded) {
    return ini::ComposeDataPath({firstRoot, secondRoot}, language, coded, path, SystemLeadByte);
  });
}

int WINAPI IniGetFileName(const char* firstRoot, const char* secondRoot, int language,
                          const char* name, char* out) {
  return FindInto({ini::FileKind::Data, {firstRoot, secondRoot}, language, false, {}}, name, out);
}

int WINAPI IniGetOtherPath(const char* fileName, HINSTANCE instance, const char* section,
                           const char* key, char* out) {
  if (out == nullptr) return 0;
  const InterfaceText value = ReadModuleParameter(instance, fileName, section, key);
  if (value.empty()) return 0;
  const auto folder = ModuleFolderFile(instance, {});
  const auto path = folder ? ini::ResolveOtherPath(value.view(), folder->view(), SystemLeadByte)
                           : std::nullopt;
  if (!path) return 0;
  path->CopyTo(out);
  return 1;
}

int WINAPI IniGetSoundNameClearMean(const char* firstRoot, const char* secondRoot, int language,
                                    int stereo, const char* codedName, char* out) {
  return ComposeInto(out, codedName, [&](InterfaceText& path, std::string_view coded) {
    return ini::ComposeSoundPath({firstRoot, secondRoot}, language, stereo != 0, coded, path,
                                 SystemLeadByte);
  });
}

int WINAPI IniGetSoundName(const char* firstRoot, const char* secondRoot, int language, int stereo,
                           const char* name, char* out) {
  return FindInto({ini::FileKind::Sound, {firstRoot, secondRoot}, language, stereo != 0, {}}, name,
                  out);
}

int WINAPI IniGetInstallPath(char* out) { return GetFolderKey("INSTALLPATH", out); }

int WINAPI IniPutInstallPath(const char* path) { return PutFolderKey("INSTALLPATH", path); }

int WINAPI IniGetCDPath(char* out) { return GetFolderKey("CDPATH", out); }

int WINAPI IniPutCDPath(const char* path) { return PutFolderKey("CDPATH", path); }

int WINAPI IniGetAll(void) {
  const InterfaceText value = ReadProfileText(kPathSection, "ALL", ini::kConfigFileName);
  return !value.empty() && std::strtol(value.c_str(), nullptr, 10) == 1;
}

int WINAPI IniPutAll(int flag) {
  return WritePrivateProfileStringA(kPathSection, "ALL", flag != 0 ? "1" : "0",
                                    ini::kConfigFileName);
}

int WINAPI IniGetValue(const char* section, const char* key, char* out) {
  if (section == nullptr || key == nullptr || out == nullptr) return 0;
  const InterfaceText value = ReadProfileText(section, key, ini::kConfigFileName);
  if (value.empty()) return 0;
  value.CopyTo(out);
  return 1;
}

int WINAPI IniPutValue(const char* section, const char* key, const char* value) {
  return WritePrivateProfileStringA(section, key, value, ini::kConfigFileName);
}

}  // extern "C"
