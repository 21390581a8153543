// Runs the DirectX step for the medium folder given as the only argument (ending in "\")
// and exits with its result. A separate process, so that the test can choose the Windows
// version Wine reports to it. Like the setup, it first restricts the DLL search to the
// system folder.
#include <windows.h>

#include <cstring>

#include "finishing.h"
#include "setup_state.h"
#include "system_library.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strlen(argv[1]) >= sizeof GetSetupState()->sourceDir) return 99;
  kolta::RestrictDllSearchToSystem();
  std::strcpy(GetSetupState()->sourceDir, argv[1]);
  return InstallDirectX(GetModuleHandleA(nullptr), GetDesktopWindow());
}
