// The steps that reach outside the copied files: an installed product found at start-up,
// the product's configuration written after the install, and DirectX from the medium.
#pragma once

#include <windows.h>

// 1 = go on installing (also when the recorded product of the same language cannot be
// started: its folder is gone); 0 = end the setup now (the installed product of the same
// language was started, or the user declined to replace one of another language).
int CheckExistingInstall();

// Copies the medium's configuration file into the Windows folder and records installDir
// as "INSTALLPATH" and "CDPATH" with "ALL" = 1. 1 when all three were recorded; else 0,
// after "IDS_COPYFILEERROR" naming the configuration file.
int WriteProductConfig(HWND owner);

// On a Windows 95-family system whose DirectX reports a version word below 5, runs the
// DirectX set-up of the medium. 1 when it asks for a restart, else 0 (also when the
// medium has no DirectX set-up library).
int InstallDirectX(HINSTANCE instance, HWND owner);
