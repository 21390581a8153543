#include "setup_message_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <optional>
#include <span>

namespace {

// No key passes more arguments than this.
constexpr std::size_t kMaxArguments = 8;
// A width or precision beyond this is taken for a broken text, not a format.
constexpr unsigned kMaxFieldSize = 9999;
constexpr std::size_t kMessageCapacity = 255;

// One argument as the caller passed it: its kind decides which member holds it.
struct Argument {
  char kind;
  int number;
  const char* text;
};

// One conversion of the text: %[-][#][0][width][.precision][h|l]type.
struct Conversion {
  bool leftAlign = false;
  bool alternate = false;  // '#': "0x" before a hexadecimal number
  bool zeroPad = false;
  unsigned width = 0;
  std::optional<unsigned> precision;
  char size = 0;  // 'h', 'l' or 0
  char type = 0;
  std::size_t length = 0;  // bytes of the conversion in the text, '%' included
};

// The formatted message with room for one byte beyond the buffer, so that a result cut at
// the end still shows whether its last character was whole.
class Composer {
 public:
  void Append(std::string_view text) {
    const std::size_t room = buffer_.size() - length_;
    if (text.size() > room) overflowed_ = true;
    const std::size_t taken = std::min(text.size(), room);
    if (taken > 0) std::memcpy(buffer_.data() + length_, text.data(), taken);
    length_ += taken;
  }
  void Repeat(char c, std::size_t count) {
    for (; count > 0 && !full(); --count) Append(std::string_view(&c, 1));
    if (count > 0) overflowed_ = true;
  }
  bool full() const { return length_ == buffer_.size(); }

  // The result in `out`: whole, or ended after the last whole character that fits.
  void CopyTo(char (&out)[256], kolta::LeadBytePredicate isLead) const {
    const std::string_view text(buffer_.data(), length_);
    std::size_t end = text.size();
    if (overflowed_ || end > kMessageCapacity) {
      end = 0;
      while (end < text.size()) {
        const std::size_t next = end + kolta::CharLength(text, end, isLead);
        if (next > kMessageCapacity) break;
        end = next;
      }
    }
    std::memcpy(out, text.data(), end);
    out[end] = '\0';
  }

 private:
  std::array<char, kMessageCapacity + 1> buffer_{};
  std::size_t length_ = 0;
  bool overflowed_ = false;
};

// Reads decimal digits at `pos`; nothing when there are none, or the value is absurd.
std::optional<unsigned> ReadField(std::string_view text, std::size_t& pos, bool& broken) {
  if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return std::nullopt;
  unsigned value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = value * 10 + static_cast<unsigned>(text[pos] - '0');
    if (value > kMaxFieldSize) {
      broken = true;
      return std::nullopt;
    }
  }
  return value;
}

// The conversion that starts with the '%' at `start`, or nothing when the text there is
// none the formatter knows ('*' widths, '+' or ' ' flags, sizes other than h and l, an
// unknown type, or the text's end).
std::optional<Conversion> ParseConversion(std::string_view text, std::size_t start) {
  Conversion c;
  std::size_t pos = start + 1;
  for (; pos < text.size(); ++pos) {
    if (text[pos] == '-') {
      c.leftAlign = true;
    } else if (text[pos] == '#') {
      c.alternate = true;
    } else if (text[pos] == '0') {
      c.zeroPad = true;
    } else {
      break;
    }
  }
  bool broken = false;
  c.width = ReadField(text, pos, broken).value_or(0);
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    c.precision = ReadField(text, pos, broken).value_or(0);
  }
  if (broken || pos >= text.size()) return std::nullopt;
  if (text[pos] == 'h' || text[pos] == 'l') c.size = text[pos++];
  if (pos >= text.size()) return std::nullopt;
  c.type = text[pos++];
  c.length = pos - start;
  return c;
}

// Whether the conversion reads an argument of the kind the caller passed. Only the single-
// byte forms are taken: in this formatter's syntax "S", "C" and an 'l' before s or c mean
// wide texts and characters, which no key passes ("hS" and "hC" are single-byte again).
bool Reads(const Conversion& c, char kind) {
  switch (c.type) {
    case 's':
      return kind == 's' && c.size != 'l';
    case 'S':
      return kind == 's' && c.size == 'h';
    case 'c':
      return kind == 'c' && c.size != 'l';
    case 'C':
      return kind == 'c' && c.size == 'h';
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
      return kind == 'd';  // 'l' is the same 32-bit number; 'h' keeps its low 16 bits
    default:
      return false;
  }
}

// The text of a number conversion without its padding: sign or prefix, then digits.
struct NumberText {
  std::string_view prefix;
  char digits[40];
  std::size_t digitCount;
};

NumberText FormatNumber(const Conversion& c, int value) {
  NumberText n{};
  const bool isSigned = c.type == 'd' || c.type == 'i';
  const int base = (c.type == 'x' || c.type == 'X') ? 16 : 10;
  unsigned long long magnitude = 0;
  if (isSigned) {
    long long v = c.size == 'h' ? static_cast<short>(value) : value;
    if (v < 0) {
      n.prefix = "-";
      v = -v;
    }
    magnitude = static_cast<unsigned long long>(v);
  } else {
    magnitude = c.size == 'h' ? static_cast<unsigned short>(value) : static_cast<unsigned>(value);
    if (c.alternate && base == 16 && magnitude != 0) n.prefix = c.type == 'X' ? "0X" : "0x";
  }
  // An explicit precision of 0 shows the number 0 as nothing at all.
  if (magnitude == 0 && c.precision == 0u) return n;
  const auto result = std::to_chars(n.digits, n.digits + sizeof n.digits, magnitude, base);
  n.digitCount = static_cast<std::size_t>(result.ptr - n.digits);
  if (c.type == 'X') {
    for (std::size_t i = 0; i < n.digitCount; ++i) n.digits[i] = kolta::AsciiUpper(n.digits[i]);
  }
  return n;
}

void AppendNumber(Composer& out, const Conversion& c, int value) {
  const NumberText n = FormatNumber(c, value);
  const std::size_t zeros =
      c.precision && *c.precision > n.digitCount ? *c.precision - n.digitCount : 0;
  const std::size_t body = n.prefix.size() + zeros + n.digitCount;
  const std::size_t pad = c.width > body ? c.width - body : 0;
  // '0' fills the width with zeros after the sign, unless the number is left aligned or has
  // a precision of its own.
  const bool padWithZeros = c.zeroPad && !c.leftAlign && !c.precision;
  if (!c.leftAlign && !padWithZeros) out.Repeat(' ', pad);
  out.Append(n.prefix);
  out.Repeat('0', zeros + (padWithZeros ? pad : 0));
  out.Append(std::string_view(n.digits, n.digitCount));
  if (c.leftAlign) out.Repeat(' ', pad);
}

// A text, at most `precision` bytes of whole characters, padded to the width with blanks.
void AppendText(Composer& out, const Conversion& c, std::string_view text,
                kolta::LeadBytePredicate isLead) {
  if (c.precision && *c.precision < text.size()) {
    std::size_t end = 0;
    while (end < text.size()) {
      const std::size_t next = end + kolta::CharLength(text, end, isLead);
      if (next > *c.precision) break;
      end = next;
    }
    text = text.substr(0, end);
  }
  const std::size_t pad = c.width > text.size() ? c.width - text.size() : 0;
  if (!c.leftAlign) out.Repeat(' ', pad);
  out.Append(text);
  if (c.leftAlign) out.Repeat(' ', pad);
}

void AppendArgument(Composer& out, const Conversion& c, const Argument& argument,
                    kolta::LeadBytePredicate isLead) {
  switch (argument.kind) {
    case 's':
      AppendText(out, c, argument.text ? std::string_view(argument.text) : "(null)", isLead);
      break;
    case 'c': {
      const char character = static_cast<char>(argument.number);
      AppendText(out, c, std::string_view(&character, 1), kolta::NoLeadBytes);
      break;
    }
    default:
      AppendNumber(out, c, argument.number);
      break;
  }
}

// Formats the whole text, or gives false as soon as a conversion is unknown, reads another
// kind of argument than the caller passed at its place, or reads beyond the arguments.
bool Format(Composer& out, std::string_view text, std::span<const Argument> arguments,
            kolta::LeadBytePredicate isLead) {
  std::size_t next = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t percent = text.find('%', pos);
    out.Append(text.substr(pos, percent - pos));
    if (percent == std::string_view::npos) break;
    if (percent + 1 < text.size() && text[percent + 1] == '%') {
      out.Append("%");
      pos = percent + 2;
      continue;
    }
    const std::optional<Conversion> c = ParseConversion(text, percent);
    if (!c || next >= arguments.size() || !Reads(*c, arguments[next].kind)) return false;
    AppendArgument(out, *c, arguments[next++], isLead);
    pos = percent + c->length;
  }
  return true;
}

}  // namespace

std::string_view SetupMessageArgumentKinds(std::string_view key) {
  if (key == "IDS_NOSETUPINFOFILE" || key == "IDS_NOEXISTDIR" || key == "IDS_CANTMAKEDIR" ||
      key == "IDS_COPYFILEERROR") {
    return "s";
  }
  if (key == "IDS_NODISKSPACE") return "cdd";
  return "";
}

void FormatSetupMessage(std::string_view kinds, const char* text, va_list arguments,
                        char (&out)[256], kolta::LeadBytePredicate isLead) {
  out[0] = '\0';
  if (text == nullptr) return;
  const std::string_view written(text);

  // The arguments are read as the key passes them, never as the text asks for them.
  std::array<Argument, kMaxArguments> values{};
  std::size_t count = 0;
  if (kinds.size() <= kMaxArguments) {
    for (const char kind : kinds) {
      Argument& a = values[count++];
      a.kind = kind;
      if (kind == 's') {
        a.text = va_arg(arguments, const char*);
      } else {
        a.number = va_arg(arguments, int);
      }
    }
  }

  Composer formatted;
  if (count == kinds.size() && Format(formatted, written, {values.data(), count}, isLead)) {
    formatted.CopyTo(out, isLead);
    return;
  }
  Composer asWritten;
  asWritten.Append(written);
  asWritten.CopyTo(out, isLead);
}
