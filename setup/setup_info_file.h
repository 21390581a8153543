// Loading the setup information file of the medium, and reading its entries as the
// install actions need them.
#pragma once

#include <windows.h>

// Reads and parses "setuphd.inf" (or "setupcd.inf" when installMode is 0) of skinDir.
// 1 when it is valid; otherwise shows "IDS_NOSETUPINFOFILE" with its path over `owner`
// (the screen that asked, kept disabled while the message is up), leaves the tables empty
// and returns 0.
int LoadSetupInfo(HWND owner);

// File entry `index` with its folders looked up, every text at most 127 characters.
struct SetupFileTexts {
  char name[128];  // lower case
  char sourceFolder[128];
  char sourceName[128];
  char destFolder[128];
  char destName[128];
};

// 0 when there is no such entry, or when a folder number names no folder entry (`name`
// is filled all the same, for the error message).
int GetSetupFileEntry(unsigned index, SetupFileTexts* out);

// Shortcut `index` into two 128-byte buffers; 0 when there is no such entry.
int GetSetupShortcut(unsigned index, char* title, char* target);
