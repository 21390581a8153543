// A stranger's LZ32.DLL, planted beside a copy of the setup: when loaded it leaves a file
// "<its own path>.loaded", and its expander functions all fail. The setup must never load
// it (it takes the system's expander by full path), and installs all the same.
#include <windows.h>

#include <cstring>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char marker[MAX_PATH];
  const DWORD length = GetModuleFileNameA(instance, marker, MAX_PATH);
  if (length == 0 || length + sizeof ".loaded" > MAX_PATH) return TRUE;
  std::memcpy(marker + length, ".loaded", sizeof ".loaded");
  HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return TRUE;
}

extern "C" INT WINAPI LZOpenFileA(LPSTR, LPOFSTRUCT, WORD) { return -1; }
extern "C" LONG WINAPI LZSeek(INT, LONG, INT) { return -1; }
extern "C" INT WINAPI LZRead(INT, LPSTR, INT) { return -1; }
extern "C" void WINAPI LZClose(INT) {}
