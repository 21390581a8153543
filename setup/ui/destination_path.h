// The destination screen's rules for its path text, free of any window so that they can be
// checked on their own: what a typed path must look like, how choosing an entry of the
// folder list or the drive list changes the path, and how the path becomes the install
// folder. Every rule steps over whole characters of the ANSI code page given by its
// lead-byte predicate, so a double-byte name whose second byte is "\" stays one name.
//
// The path never ends in a backslash while the screen runs and holds at most 126
// characters, so that the install folder (the path and its backslash) fits in its 128-byte
// field. A typed path that is longer is refused; a selection that would make it longer is
// ignored.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "bounded_text.h"

namespace destination_path {

// Longest path the screen keeps: one character is left for the install folder's backslash.
inline constexpr std::size_t kMaxPathLength = kolta::kTextBufferSize - 2;

using Path = kolta::BoundedText<kMaxPathLength + 1>;
// A folder list entry, "[name]", for a name of up to 127 characters.
using ListEntry = kolta::BoundedText<kolta::kTextBufferSize + 2>;
// A label of the settings file and a number of megabytes.
using SpaceText = kolta::BoundedText<kolta::kTextBufferSize + 16>;

// The text with one trailing backslash removed, when it is a path the screen can hold.
std::optional<Path> PathFromText(std::string_view text, kolta::LeadBytePredicate isLead);

// Checks the path typed into the edit box: longer than 3 characters, a colon as its second
// character and no two dots at its end once one trailing backslash is removed, and short
// enough to take the install folder's backslash. The path without its trailing backslash,
// or nothing when the path is invalid.
std::optional<Path> ValidateTypedPath(std::string_view typed, kolta::LeadBytePredicate isLead);

// The path up to and including its last backslash (the folder whose subfolders are listed
// beside it); empty when it has none.
std::string_view ParentFolder(std::string_view path, kolta::LeadBytePredicate isLead);

// The path after its last backslash; the whole path when it has none.
std::string_view LastComponent(std::string_view path, kolta::LeadBytePredicate isLead);

// The folder list's entry for a name: "[name]".
ListEntry FolderListEntry(std::string_view name);

// A name chosen in the folder list, as the list gives it, without its trailing backslash.
std::string_view ListedName(std::string_view selected, kolta::LeadBytePredicate isLead);

// Whether a chosen name is the parent entry "..".
bool IsParentEntry(std::string_view name);

// A click on a folder list entry: the path with its last component replaced by the name.
// Nothing (the path stays) when the path's last backslash is its first character or the
// result would not fit.
std::optional<Path> SelectFolder(std::string_view path, std::string_view name,
                                 kolta::LeadBytePredicate isLead);

// A double click on the parent entry: the path with its last two components removed (the
// folder and the ".." after it). The search for the backslash starts four characters
// before the end, never before the text's start, and a backslash found at the first
// character is not used; the path is then unchanged.
std::string_view LeaveParentEntry(std::string_view path, kolta::LeadBytePredicate isLead);

// folder + "\" (unless it ends in one) + name, when it fits the screen's path.
std::optional<Path> JoinFolder(std::string_view folder, std::string_view name,
                               kolta::LeadBytePredicate isLead);

// Whether a drive letter chosen in the drive list names another drive than the path's.
bool IsOtherDrive(std::string_view path, char driveLetter);

// The install folder of the path: the path and a trailing backslash (when it has none).
// Nothing when it does not fit in 128 bytes.
std::optional<kolta::InterfaceText> InstallFolder(std::string_view path,
                                                  kolta::LeadBytePredicate isLead);

// One of the space lines: "label megabytesM".
SpaceText SpaceLine(std::string_view label, unsigned megabytes);

}  // namespace destination_path
