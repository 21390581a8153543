// K_SETUP's start-up, main window, step sequence and shutdown.
#pragma once

#include <windows.h>

// The steps the main window posts to itself as WM_COMMAND (wParam; lParam 0).
enum SetupStep : WPARAM {
  STEP_LOGO = 0,
  STEP_DESTINATION = 1,
  STEP_INSTALL = 2,
  STEP_FINISH = 3,
  STEP_FAILED = 10,
};

// Fills the setup state: program folder, language, settings, fonts, display check, the main
// window's picture and shape. 1 on success; 0 when the setup must end (also when an
// installed product was started instead, and when start-up has run already).
int SetupStartup(HINSTANCE instance);

// Start-up, then the frameless 600 x 450 main window centred on the screen, shaped and
// shown. 1 when it exists and is shown.
int SetupCreateMainWindow(HINSTANCE instance);

// The main window procedure: paints the picture and runs the steps.
LRESULT CALLBACK SetupMainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The install step under the progress screen: folders, files, program group, product
// configuration. 1 when all four succeeded.
int RunInstall(HWND mainWindow);

// Releases what start-up made and zeroes the setup state. Always 0.
int SetupShutdown();
