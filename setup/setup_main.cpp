// K_SETUP's entry point: one copy at a time, the main window, and the message loop.
#include "setup_main.h"
#include "setup_state.h"
#include "system_library.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Libraries loaded by name from now on come from the system folder only, never from the
  // folder the medium was copied to (a downloads folder, say, with whatever else landed there).
  kolta::RestrictDllSearchToSystem();

  // A second copy of the setup does nothing.
  if (FindWindowA("KOLTASETUP_MAIN", nullptr) != nullptr) return 0;

  if (!SetupCreateMainWindow(instance)) {
    HWND mainWindow = GetSetupState()->mainWindow;
    if (mainWindow != nullptr) DestroyWindow(mainWindow);
    return 0;
  }

  MSG message{};
  int exitCode = 0;
  for (;;) {
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
      WaitMessage();
      continue;
    }
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      exitCode = static_cast<int>(message.wParam);
      break;
    }
    if (got == -1) break;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  SetupShutdown();
  return exitCode;
}
