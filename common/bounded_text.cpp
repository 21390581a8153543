#include "bounded_text.h"

namespace kolta {

std::size_t SkipChars(std::string_view text, std::size_t count, LeadBytePredicate isLead) {
  std::size_t pos = 0;
  for (; count > 0 && pos < text.size(); --count) pos += CharLength(text, pos, isLead);
  return pos;
}

char SingleByteCharAt(std::string_view text, std::size_t index, LeadBytePredicate isLead) {
  const std::size_t pos = SkipChars(text, index, isLead);
  if (pos >= text.size() || CharLength(text, pos, isLead) != 1) return '\0';
  return text[pos];
}

namespace {

// Calls visit(pos, length) for every character of the text, in order.
template <typename Visit>
void ForEachChar(std::string_view text, LeadBytePredicate isLead, Visit visit) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = CharLength(text, pos, isLead);
    visit(pos, length);
    pos += length;
  }
}

bool IsSeparator(char c, Separators which) {
  return c == '\\' || (which == Separators::BackslashOrSlash && c == '/');
}

}  // namespace

std::optional<std::size_t> LastSeparator(std::string_view text, Separators which,
                                         LeadBytePredicate isLead) {
  std::optional<std::size_t> last;
  ForEachChar(text, isLead, [&](std::size_t pos, std::size_t length) {
    if (length == 1 && IsSeparator(text[pos], which)) last = pos;
  });
  return last;
}

bool ContainsChar(std::string_view text, char c, LeadBytePredicate isLead) {
  bool found = false;
  ForEachChar(text, isLead, [&](std::size_t pos, std::size_t length) {
    found = found || (length == 1 && text[pos] == c);
  });
  return found;
}

bool EndsInLoneLeadByte(std::string_view text, LeadBytePredicate isLead) {
  bool lone = false;
  ForEachChar(text, isLead, [&](std::size_t pos, std::size_t length) {
    lone = length == 1 && isLead(static_cast<unsigned char>(text[pos]));
  });
  return lone;
}

bool EndsWithBackslash(std::string_view text, LeadBytePredicate isLead) {
  bool last = false;
  ForEachChar(text, isLead, [&](std::size_t pos, std::size_t length) {
    last = length == 1 && text[pos] == '\\';
  });
  return last;
}

std::optional<InterfaceText> JoinPath(std::string_view folder, std::string_view name,
                                      LeadBytePredicate isLead) {
  InterfaceText path(folder);
  AppendFolderSeparator(path, isLead);
  path.Append(name);
  if (!path.ok()) return std::nullopt;
  return path;
}

}  // namespace kolta
