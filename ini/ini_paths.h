// The configuration library's path rules, free of any platform call: the language table,
// the data folders, and how data, sound, module-folder and other paths are composed.
// The exported functions (k_ini.cpp) feed them the platform's answers.
#pragma once

#include <optional>
#include <string_view>

#include "bounded_text.h"
#include "function_ref.h"

namespace kolta::ini {

// The configuration file, kept in the Windows folder.
inline constexpr char kConfigFileName[] = "korvex.ini";
// The language number of the library ("chs").
inline constexpr int kSystemLanguage = 2;
// Result of the path functions when the composed text would not fit its buffer or an
// argument is unusable (the output is then emptied).
inline constexpr int kRefused = -1;

// Code of a language number: "enu", "cht", "chs", "diy"; empty outside the table.
std::string_view LanguageCode(int language);

// Data folder of a folder letter (either case): "BIN\", "FILE\", "GLIB\", "MEDIA\",
// "RES\", "WORK\"; empty for any other letter.
std::string_view DataFolder(char letter);

// The two roots a coded name selects: "C" the first (the CD folder), "H" the second (the
// installed folder). Either may be null when the name does not select it.
struct Roots {
  const char* first = nullptr;
  const char* second = nullptr;
};

// Composes root + language folder + data folder + the coded name from its third
// character on. The coded name is root letter, folder letter, relative path; an unknown
// root letter keeps what `out` holds and appends to it. False when the result does not
// fit or a selected root is null or longer than a buffer.
bool ComposeDataPath(const Roots& roots, int language, std::string_view codedName,
                     InterfaceText& out, LeadBytePredicate isLead);

// Composes root + language folder + "STEREO\" or "MONO\" + the coded name from its
// second character on.
bool ComposeSoundPath(const Roots& roots, int language, bool stereo, std::string_view codedName,
                      InterfaceText& out, LeadBytePredicate isLead);

// A name whose last component has no "." (or an empty name) names a folder.
bool IsFolderName(std::string_view name, LeadBytePredicate isLead);

enum class FileKind { Data, Sound };

struct FileQuery {
  FileKind kind = FileKind::Data;
  Roots roots;
  int language = -1;
  bool stereo = false;  // sound files only
  std::string_view name;  // data: folder letter + relative path; sound: relative path
};

// The platform's test of whether a path exists (never allocates, so never throws).
using PathTest = FunctionRef<bool(const char* path)>;

// Finds a data or sound file, preferring the copy below the second root: composes the
// "H" path and returns 0 when it exists; otherwise composes the "C" path (not checked)
// and returns 0 for a file name, or, for a folder name, the offset of the cut that
// leaves the folder itself (-1 when there is no separator). kRefused when a path does
// not fit; `out` is then empty.
int FindFile(const FileQuery& query, InterfaceText& out, LeadBytePredicate isLead,
             PathTest exists);

// Folder of a module path up to and including its last separator (empty without one),
// followed by `fileName`. Nothing when the result does not fit.
std::optional<InterfaceText> FileBesideModule(std::string_view modulePath, std::string_view fileName,
                                              Separators separators, LeadBytePredicate isLead);

// A value whose second character is ":" is a drive path and stands as it is; any other
// value is relative to the module's folder. Nothing when the result does not fit.
std::optional<InterfaceText> ResolveOtherPath(std::string_view value, std::string_view moduleFolder,
                                              LeadBytePredicate isLead);

// The path keys hold folders: the value with a final "\" added when missing. Nothing when
// the result does not fit or the value ends in a broken double-byte character.
std::optional<InterfaceText> AsFolder(std::string_view path, LeadBytePredicate isLead);

}  // namespace kolta::ini
