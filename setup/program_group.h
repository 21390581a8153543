// The third install action: the program group under the all-users Programs folder, one
// shell shortcut per shortcut entry, and a desktop shortcut for the first entry. COM must
// be initialised on the calling thread.
#pragma once

#include <windows.h>

// 1; 0 only when an entry cannot be read or made into a command (after "IDS_PMERROR").
// Shortcuts that cannot be saved are skipped silently.
int CreateProgramGroup(HWND owner);

// The all-users Programs folder into a 128-byte buffer: without its final "\" when `strip`
// is non-zero, else with one. 0 when the folder is unknown or too long.
int CommonProgramsPath(char* buffer, int strip);

// Creates the group folder below the Programs folder, every level of it. 0 when the
// Programs folder's drive cannot be selected, else 1 (creation failures are ignored).
int MakeGroupFolder(const char* group);

// Saves "<Programs>\<group>\<title>.lnk" pointing at `target` (a command of up to
// MAX_PATH - 1 characters). 1 saved, 0 failed.
int CreateGroupShortcut(const char* group, const char* title, const char* target);

// Deletes "<Programs>\<group>\<title>.lnk", read-only or not. 1 when one was deleted.
int DeleteGroupShortcut(const char* group, const char* title);

// Saves "<all-users desktop>\<title>.lnk" pointing at `target` (a command of up to
// MAX_PATH - 1 characters). 1 saved, 0 failed.
int CreateDesktopShortcut(const char* title, const char* target);
