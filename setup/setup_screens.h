// The operations of the setup's screens that the setup core calls: the message box, the
// progress screen, the logo and destination screens, and the main window's skin. The
// skinned screens implement them; the setup core knows nothing else of the screens.
#pragma once

#include <windows.h>

// Shows the text of `key` from section "INFO" of the settings, formatted with the
// arguments, as an OK box (mode 0) or a yes/no question (mode 4). 1 for OK or yes, 0 for
// no, -1 when its window cannot be created. Where the skinned box cannot be built (a poor
// display, a missing skin file) the platform's message box asks instead.
int SetupMessage(HWND owner, const char* key, int mode, ...);

// The progress screen; each does nothing (or returns the stated value) when it is not
// loaded.
void ProgressSetTitle(const char* text);   // first line; null empties it
void ProgressSetDetail(const char* text);  // second line; null empties it
void ProgressSetTotal(int total);          // position = 0, total = n
void ProgressSetPosition(int position);
int ProgressStep();            // position + 1; whether the screen is loaded
int ProgressAbortRequested();  // 1 once the user confirmed cancelling, or not loaded
// which 0: the whole screen; which 1: the second line, the bar and the percentage; any
// other value or no screen: the empty rectangle.
void ProgressChangedRect(RECT* out, int which);

// The progress screen's lifetime, run by the install step: load the skin over the main
// window (1, or 0 with nothing kept), then create the modeless dialog (resource
// kProgressDialog) with ProgressDialogProc after registering "KOLTASETUP_STATUS" with
// ProgressSkinWndProc; free it once the dialog is destroyed.
int ProgressLoad(HWND mainWindow);
void ProgressFree();
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ProgressSkinWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The logo screen, modal over the main window: 1 when the user chose to install and the
// setup information was loaded; 0 when the user quit, the information failed to load or
// the skin failed to build; -1 when the dialog could not be created.
int ShowLogoScreen(HWND mainWindow);

// The destination screen, modal over the main window: 1 when a valid folder was accepted
// (it is then installDir), 0 when the user quit or the skin failed to build, -1 when the
// dialog could not be created.
int ShowDestinationScreen(HWND mainWindow);

// The main window's 600 x 450 picture: the skin's "back.jpg" with the product title drawn
// on it, as a device bitmap; null when it cannot be had.
HBITMAP MainWindowBackgroundCreate();

// The main window's shape from the skin's "backa.bmp"; null keeps the window rectangular.
HRGN MainWindowShapeCreate();
