// Stands in for the DirectX set-up library of a medium: exports its version query
// (ordinal 11) and its install entry (ordinal 5), answers as the environment says and
// appends every call to the file named by DSETUP_DOUBLE_LOG. It imports a companion library
// (DSETUPCO.dll) that must lie beside it.
//   DSETUP_DOUBLE_VERSION  version reported (decimal), DSETUP_DOUBLE_QUERY  result of the
//   query (default 1), DSETUP_DOUBLE_RESULT  result of the install entry (default 0).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "append_line.h"

extern "C" __declspec(dllimport) int DSetupCompanionReady();

namespace {

unsigned long Setting(const char* name, unsigned long fallback) {
  char value[32];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return (length == 0 || length >= sizeof value) ? fallback : std::strtoul(value, nullptr, 0);
}

void Log(const std::string& line) {
  char path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("DSETUP_DOUBLE_LOG", path, MAX_PATH);
  if (length != 0 && length < MAX_PATH) AppendLine(path, line);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    Log("load " + std::string(path, length));
  }
  return TRUE;
}

extern "C" INT WINAPI DirectXSetupGetVersion(DWORD* version, DWORD* revision) {
  Log(DSetupCompanionReady() ? "version" : "version without the companion");
  if (version) *version = Setting("DSETUP_DOUBLE_VERSION", 0);
  if (revision) *revision = 0;
  return static_cast<INT>(Setting("DSETUP_DOUBLE_QUERY", 1));
}

extern "C" INT WINAPI DirectXSetupA(HWND owner, LPSTR root, DWORD flags) {
  char line[400];
  std::snprintf(line, sizeof line, "setup %s 0x%lx %s", root ? root : "(null)",
                static_cast<unsigned long>(flags),
                owner == GetDesktopWindow() ? "desktop" : "other");
  Log(line);
  return static_cast<INT>(Setting("DSETUP_DOUBLE_RESULT", 0));
}
