#include "destination_path.h"

#include <cstdio>

namespace destination_path {

namespace {

using kolta::LeadBytePredicate;

// Calls `visit(pos)` with the byte offset of each of the text's characters, in order.
template <typename Visit>
void ForEachCharStart(std::string_view text, LeadBytePredicate isLead, Visit visit) {
  for (std::size_t pos = 0; pos < text.size(); pos += kolta::CharLength(text, pos, isLead)) {
    visit(pos);
  }
}

bool IsSingleByte(std::string_view text, std::size_t pos, char c, LeadBytePredicate isLead) {
  return text[pos] == c && kolta::CharLength(text, pos, isLead) == 1;
}

std::string_view WithoutTrailingBackslash(std::string_view text, LeadBytePredicate isLead) {
  if (kolta::EndsWithBackslash(text, isLead)) text.remove_suffix(1);
  return text;
}

bool EndsInTwoDots(std::string_view text, LeadBytePredicate isLead) {
  // Whether the last character, and the one before it, is a dot.
  bool lastIsDot = false, beforeIsDot = false;
  ForEachCharStart(text, isLead, [&](std::size_t pos) {
    beforeIsDot = lastIsDot;
    lastIsDot = IsSingleByte(text, pos, '.', isLead);
  });
  return lastIsDot && beforeIsDot;
}

// The text as the screen's path, when it fits and ends in a whole character.
std::optional<Path> FitPath(std::string_view text, LeadBytePredicate isLead) {
  if (kolta::EndsInLoneLeadByte(text, isLead)) return std::nullopt;
  Path path(text);
  if (!path.ok()) return std::nullopt;
  return path;
}

}  // namespace

std::optional<Path> PathFromText(std::string_view text, LeadBytePredicate isLead) {
  return FitPath(WithoutTrailingBackslash(text, isLead), isLead);
}

std::optional<Path> ValidateTypedPath(std::string_view typed, LeadBytePredicate isLead) {
  if (typed.size() <= 3) return std::nullopt;
  const std::string_view text = WithoutTrailingBackslash(typed, isLead);
  if (kolta::SingleByteCharAt(text, 1, isLead) != ':' || EndsInTwoDots(text, isLead)) {
    return std::nullopt;
  }
  return FitPath(text, isLead);
}

std::string_view ParentFolder(std::string_view path, LeadBytePredicate isLead) {
  const auto last = kolta::LastSeparator(path, kolta::Separators::BackslashOnly, isLead);
  return last ? path.substr(0, *last + 1) : std::string_view{};
}

std::string_view LastComponent(std::string_view path, LeadBytePredicate isLead) {
  return path.substr(ParentFolder(path, isLead).size());
}

ListEntry FolderListEntry(std::string_view name) {
  ListEntry entry;
  entry.Append('[').Append(name).Append(']');
  return entry;
}

std::string_view ListedName(std::string_view selected, LeadBytePredicate isLead) {
  return WithoutTrailingBackslash(selected, isLead);
}

bool IsParentEntry(std::string_view name) { return name == ".."; }

std::optional<Path> SelectFolder(std::string_view path, std::string_view name,
                                 LeadBytePredicate isLead) {
  const auto last = kolta::LastSeparator(path, kolta::Separators::BackslashOnly, isLead);
  if (last && *last == 0) return std::nullopt;
  Path selected(ParentFolder(path, isLead));
  selected.Append(name);
  return selected.ok() ? FitPath(selected.view(), isLead) : std::nullopt;
}

std::string_view LeaveParentEntry(std::string_view path, LeadBytePredicate isLead) {
  std::size_t count = 0;
  ForEachCharStart(path, isLead, [&](std::size_t) { ++count; });
  if (count < 4) return path;
  // The last backslash among the characters 1 to count - 4 (character 0 is never taken:
  // a backslash there would leave nothing to list).
  std::size_t index = 0;
  std::optional<std::size_t> cut;
  ForEachCharStart(path, isLead, [&](std::size_t pos) {
    if (index >= 1 && index <= count - 4 && IsSingleByte(path, pos, '\\', isLead)) cut = pos;
    ++index;
  });
  return cut ? path.substr(0, *cut) : path;
}

std::optional<Path> JoinFolder(std::string_view folder, std::string_view name,
                               LeadBytePredicate isLead) {
  Path joined(folder);
  kolta::AppendFolderSeparator(joined, isLead);
  joined.Append(name);
  return joined.ok() ? FitPath(joined.view(), isLead) : std::nullopt;
}

bool IsOtherDrive(std::string_view path, char driveLetter) {
  return path.empty() || kolta::AsciiUpper(path.front()) != kolta::AsciiUpper(driveLetter);
}

std::optional<kolta::InterfaceText> InstallFolder(std::string_view path,
                                                  LeadBytePredicate isLead) {
  kolta::InterfaceText folder(path);
  kolta::AppendFolderSeparator(folder, isLead);
  if (!folder.ok()) return std::nullopt;
  return folder;
}

SpaceText SpaceLine(std::string_view label, unsigned megabytes) {
  char number[16];
  std::snprintf(number, sizeof number, " %uM", megabytes);
  SpaceText line(label);
  line.Append(number);
  return line;
}

}  // namespace destination_path
