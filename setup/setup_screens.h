// The operations of the setup's screens that the install actions call: the message box
// and the progress screen. The skinned screens implement them; the install actions know
// nothing else of the screens.
#pragma once

#include <windows.h>

// Shows the text of `key` from section "INFO" of the settings, formatted with the
// arguments, as an OK box (mode 0) or a yes/no question (mode 4). 1 for OK or yes, 0 for
// no or when the box cannot be built, -1 when its window cannot be created.
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
