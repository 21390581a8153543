// Bounded texts for the fixed buffers that cross every interface of the system, and
// character scanning that respects double-byte ANSI code pages.
//
// Texts at the interfaces are single-byte strings of at most 127 characters in 128-byte
// buffers. Composing one never writes past its buffer: a text that does not fit is
// refused as a whole, never cut into another path or name.
//
// In a double-byte code page (936, 950, 932) the trail byte of a character can equal
// '\\', '/' or a letter, so scanning steps over whole characters: a byte is a separator
// only where a character starts. The code page's rule is passed in as a lead-byte
// predicate; the Windows builds use the system's (IsDBCSLeadByte), portable code and
// tests may pass any.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

namespace kolta {

// Buffer size of every text at the system's interfaces: 127 characters and the terminator.
inline constexpr std::size_t kTextBufferSize = 128;

// Tells whether a byte starts a two-byte character in the active ANSI code page.
using LeadBytePredicate = bool (*)(unsigned char);

// The rule of a single-byte code page: no byte is a lead byte.
constexpr bool NoLeadBytes(unsigned char) { return false; }

// A text composed in place, never longer than Size - 1 characters. An append that does
// not fit marks the text as overflowed and leaves it unchanged; every later append is
// ignored, so a whole composition can be checked once at its end.
template <std::size_t Size>
class BoundedText {
  static_assert(Size > 0);

 public:
  static constexpr std::size_t kCapacity = Size - 1;

  BoundedText() = default;
  explicit BoundedText(std::string_view text) { Append(text); }

  BoundedText& Append(std::string_view text) {
    if (overflowed_ || text.size() > kCapacity - length_) {
      overflowed_ = true;
      return *this;
    }
    if (text.empty()) return *this;  // its data may be null
    std::memcpy(buffer_.data() + length_, text.data(), text.size());
    length_ += text.size();
    buffer_[length_] = '\0';
    return *this;
  }

  BoundedText& Append(char c) { return Append(std::string_view(&c, 1)); }

  // Keeps the first `length` bytes (no effect when the text is shorter).
  void Truncate(std::size_t length) {
    if (length < length_) {
      length_ = length;
      buffer_[length_] = '\0';
    }
  }

  // Marks the text as failed, as an append that does not fit does.
  void Refuse() { overflowed_ = true; }

  bool ok() const { return !overflowed_; }
  bool empty() const { return length_ == 0; }
  std::size_t size() const { return length_; }
  std::string_view view() const { return {buffer_.data(), length_}; }
  const char* c_str() const { return buffer_.data(); }

  // Copies the text with its terminator into a buffer of at least Size bytes. Refuses
  // (false, buffer untouched) when the text overflowed.
  bool CopyTo(char* out) const {
    if (overflowed_ || out == nullptr) return false;
    std::memcpy(out, buffer_.data(), length_ + 1);
    return true;
  }

 private:
  std::array<char, Size> buffer_{};
  std::size_t length_ = 0;
  bool overflowed_ = false;
};

// A path or name as it crosses the system's interfaces.
using InterfaceText = BoundedText<kTextBufferSize>;

// Reads a caller's zero-terminated text from a buffer of at most `limit` bytes. Gives
// nothing when the pointer is null or no terminator lies within the limit, so that a
// text that cannot fit is never read past its end.
inline std::optional<std::string_view> ReadBoundedText(const char* text,
                                                       std::size_t limit = kTextBufferSize) {
  if (text == nullptr) return std::nullopt;
  const void* end = std::memchr(text, '\0', limit);
  if (end == nullptr) return std::nullopt;
  return std::string_view(text, static_cast<std::size_t>(static_cast<const char*>(end) - text));
}

// Upper case of an ASCII letter; any other byte as it is.
constexpr char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Length in bytes of the character that starts at `pos` (1 or 2; 1 at a lone lead byte
// at the end of the text).
inline std::size_t CharLength(std::string_view text, std::size_t pos, LeadBytePredicate isLead) {
  return (isLead(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

// Byte offset of the character after the first `count` characters (the text's length
// when it has fewer).
std::size_t SkipChars(std::string_view text, std::size_t count, LeadBytePredicate isLead);

// The `index`-th character as a single byte, or '\0' when the text is shorter or that
// character is a double-byte one (which is never an ASCII letter or punctuation).
char SingleByteCharAt(std::string_view text, std::size_t index, LeadBytePredicate isLead);

enum class Separators { BackslashOnly, BackslashOrSlash };

// Offset of the last separator character, or nothing.
std::optional<std::size_t> LastSeparator(std::string_view text, Separators which,
                                         LeadBytePredicate isLead);

// Whether a single-byte character occurs in the text (trail bytes never match).
bool ContainsChar(std::string_view text, char c, LeadBytePredicate isLead);

// Whether the text ends in the first byte of a two-byte character whose second byte is
// missing: a malformed text, to which nothing can be appended without changing its last
// character.
bool EndsInLoneLeadByte(std::string_view text, LeadBytePredicate isLead);

// Whether the last character of the text is a backslash.
bool EndsWithBackslash(std::string_view text, LeadBytePredicate isLead);

// Appends a backslash unless the text already ends in one (the form of every folder
// text of the system). A text that ends in a lone lead byte is refused instead: the
// backslash would become that character's second byte, naming another folder.
template <std::size_t Size>
void AppendFolderSeparator(BoundedText<Size>& text, LeadBytePredicate isLead) {
  if (EndsInLoneLeadByte(text.view(), isLead)) {
    text.Refuse();
  } else if (!EndsWithBackslash(text.view(), isLead)) {
    text.Append('\\');
  }
}

// Up to `length` bytes of the text from byte `pos` on, empty when `pos` lies past its end:
// substr without the exception it throws there.
constexpr std::string_view TextPart(std::string_view text, std::size_t pos,
                                    std::size_t length = std::string_view::npos) {
  const std::size_t start = pos < text.size() ? pos : text.size();
  const std::size_t rest = text.size() - start;
  return std::string_view(text.data() + start, length < rest ? length : rest);
}

// The text from byte `pos` on (empty when `pos` lies past its end).
constexpr std::string_view TextFrom(std::string_view text, std::size_t pos) {
  return TextPart(text, pos);
}

// folder + "\" (unless the folder ends in one) + name; nothing when it does not fit.
std::optional<InterfaceText> JoinPath(std::string_view folder, std::string_view name,
                                      LeadBytePredicate isLead);

}  // namespace kolta
