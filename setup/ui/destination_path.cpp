#include "destination_path.h"

#include <cstdio>
#include <vector>

namespace destination_path {

namespace {

using kolta::LeadBytePredicate;

// Byte offsets at which the text's characters start.
std::vector<std::size_t> CharStarts(std::string_view text, LeadBytePredicate isLead) {
  std::vector<std::size_t> starts;
  for (std::size_t pos = 0; pos < text.size(); pos += kolta::CharLength(text, pos, isLead)) {
    starts.push_back(pos);
  }
  return starts;
}

std::string_view WithoutTrailingBackslash(std::string_view text, LeadBytePredicate isLead) {
  if (kolta::EndsWithBackslash(text, isLead)) text.remove_suffix(1);
  return text;
}

bool EndsInTwoDots(std::string_view text, LeadBytePredicate isLead) {
  const auto starts = CharStarts(text, isLead);
  const auto isDot = [&](std::size_t pos) {
    return text[pos] == '.' && kolta::CharLength(text, pos, isLead) == 1;
  };
  const std::size_t count = starts.size();
  return count >= 2 && isDot(starts[count - 1]) && isDot(starts[count - 2]);
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
  return FitPath(std::string(ParentFolder(path, isLead)).append(name), isLead);
}

std::string_view LeaveParentEntry(std::string_view path, LeadBytePredicate isLead) {
  const auto starts = CharStarts(path, isLead);
  if (starts.size() < 4) return path;
  // Index 0 is never searched: a backslash there would leave nothing to list.
  for (std::size_t i = starts.size() - 4; i > 0; --i) {
    const std::size_t pos = starts[i];
    if (path[pos] == '\\' && kolta::CharLength(path, pos, isLead) == 1) return path.substr(0, pos);
  }
  return path;
}

std::optional<Path> JoinFolder(std::string_view folder, std::string_view name,
                               LeadBytePredicate isLead) {
  if (kolta::EndsInLoneLeadByte(folder, isLead)) return std::nullopt;
  std::string joined(folder);
  if (!kolta::EndsWithBackslash(joined, isLead)) joined += '\\';
  return FitPath(joined.append(name), isLead);
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

std::string SpaceLine(std::string_view label, unsigned megabytes) {
  char number[16];
  std::snprintf(number, sizeof number, " %uM", megabytes);
  return std::string(label).append(number);
}

}  // namespace destination_path
