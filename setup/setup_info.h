// The parsed setup information file: what the medium installs (default folder, space
// needed, program group, source and destination folders, files and shortcuts).
//
// The parser is portable: the platform supplies the Windows folder's drive letter and the
// directory listing that the whole-folder and by-extension file lines expand over.
#pragma once

#include <cstddef>
#include <string_view>

#include "bounded_text.h"
#include "function_ref.h"

// Limits of the file; exceeding any of them makes the file invalid.
inline constexpr unsigned kMaxSourceDirs = 100;
inline constexpr unsigned kMaxDestDirs = 100;
inline constexpr unsigned kMaxFiles = 10000;
inline constexpr unsigned kMaxShortcuts = 10;
inline constexpr std::size_t kMaxFolderNumberText = 23;  // "*" and "?" lines

// Section codes while parsing.
enum SetupInfoSection : unsigned {
  kSectionNone = 0,
  kSectionVersion = 1,
  kSectionApp = 2,
  kSectionSrcDirs = 3,
  kSectionDstDirs = 4,
  kSectionFiles = 5,
  kSectionPmInfo = 6,
  kSectionEnd = 7,
};

struct DirEntry {
  unsigned number;
  char folder[128];  // relative; may be empty, may end in "\" or not
};

struct FileEntry {
  char name[128];  // shown while copying and in error messages
  unsigned sourceDirNumber;
  char sourceName[128];  // may be LZ-compressed
  unsigned destDirNumber;
  char destName[128];
};

struct ShortcutEntry {
  char target[128];  // second character "S"/"s": below the setup's folder, else below installDir
  char title[128];
};

struct SetupInfo {
  unsigned section;  // kSectionEnd once the file has been parsed
  char defDir[128];
  unsigned spaceNeeded;  // megabytes
  char defPMGroup[128];
  unsigned showSubDirCreateStats;
  unsigned sourceDirCount;
  unsigned destDirCount;
  unsigned fileCount;
  unsigned shortcutCount;
  unsigned installToHD;
  DirEntry* sourceDirs[kMaxSourceDirs];
  DirEntry* destDirs[kMaxDestDirs];
  FileEntry* files[kMaxFiles];
  ShortcutEntry* shortcuts[kMaxShortcuts];
};

// The one SetupInfo; never fails, never allocates.
SetupInfo* GetSetupInfo();

// The parser's handler of one listed file name; returns false to stop the listing. A
// reference to the parser's callable: it never allocates, so never throws.
using SetupFileVisitor = kolta::FunctionRef<bool(std::string_view name)>;

// What the parser needs from the platform: plain values and functions, so that making and
// copying it never allocates.
struct SetupInfoPlatform {
  // Drive letter of the Windows folder, lower case (replaces a leading "$" of "DefDir").
  char windowsDrive = 'c';
  // Folder of the running setup program, ending in "\" (whole-folder lines list below it).
  std::string_view programFolder;
  // Calls `onFile` with the name of every file (not sub-folder) that matches `pattern`, in
  // listing order; `onFile` returns false to stop the listing. Returns false when the
  // folder cannot be listed (a pattern that matches nothing is no failure), which makes
  // the file invalid: a medium that cannot be read must not install partly. `context` is
  // listContext. Null: whole-folder and by-extension lines add no files.
  bool (*listFiles)(void* context, const char* pattern, SetupFileVisitor onFile) = nullptr;
  // The ANSI code page's lead bytes, for finding a folder's final "\".
  kolta::LeadBytePredicate isLead = kolta::NoLeadBytes;
  // Handed to listFiles: the state of a listing, if it has any.
  void* listContext = nullptr;
};

// Parses the data of a setup information file into `info`. Returns 1 when the data is a
// valid file ending in an "[End]" line, else 0 (entries made so far stay until
// ClearSetupInfo). Once "[End]" has been read, later calls return 1 without reading.
// Lines end in CR LF, LF or CR; the data ends at its size or at a zero byte.
int ParseSetupInfo(SetupInfo& info, std::string_view data, const SetupInfoPlatform& platform);

// Frees every entry and zeroes the record.
void ClearSetupInfo(SetupInfo& info);

// Removes blanks and tabs at both ends in place and returns the text.
char* TrimBlanks(char* text);

// The decimal value of the digits at the start of the text (no sign, no blanks; "" gives
// 0). A value beyond the range of unsigned stays at its largest value.
unsigned LeadingNumber(std::string_view text);

// The first folder entry with the number, or null.
const DirEntry* FindDirEntry(DirEntry* const* entries, unsigned count, unsigned number);

// A file entry with its folders looked up. Fails (false) when the index is out of range or
// a folder number names no folder entry.
struct ResolvedFileEntry {
  std::string_view name;  // as written; the platform layer lowers its case
  std::string_view sourceFolder;
  std::string_view sourceName;
  std::string_view destFolder;
  std::string_view destName;
};
bool ResolveFileEntry(const SetupInfo& info, unsigned index, ResolvedFileEntry& out);
