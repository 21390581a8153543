// The first two install actions (destination folders, then files) and two helpers of the
// destination screen. Paths are single-byte texts of at most 127 characters.
#pragma once

#include <windows.h>

// Creates installDir and the destination folders, one level each, in file order, under
// the progress screen. 1 done, 0 failed (after its message) or cancelled. The process's
// current directory is left in the last folder.
int CreateDestinationDirs(HWND owner);

// Copies (and expands) every file entry under the progress screen. 1 done, 0 failed
// (after "IDS_COPYFILEERROR") or cancelled.
int CopySetupFiles(HWND owner);

// Copies one file, expanding an LZ-compressed source; an existing destination is
// overwritten. A folder may end in "\" or not. 1 copied, 0 failed.
int CopyOneFile(const char* sourceFolder, const char* sourceName, const char* destFolder,
                const char* destName);

// Creates every level of a path that begins with a drive letter. 0 when the drive cannot
// be selected (or the path is not a text of at most 127 characters), else 1.
int MakeDirectoryPath(const char* path);

// Free megabytes on a drive.
int FreeDiskSpaceMB(char driveLetter);
