#include "tiff_lzw.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kolta::image {
namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstString = 258;
constexpr int kMaxCodeBits = 12;

// A string of the table in 64 bits: the code of all but its last byte (bits 0-15), its
// length (16-31), its last byte (32-39) and its first (40-47).
using String = std::uint64_t;

constexpr int Prefix(String s) { return static_cast<int>(s & 0xFFFF); }
constexpr std::size_t Length(String s) { return static_cast<std::size_t>((s >> 16) & 0xFFFF); }
constexpr std::uint8_t Last(String s) { return static_cast<std::uint8_t>(s >> 32); }
constexpr std::uint8_t First(String s) { return static_cast<std::uint8_t>(s >> 40); }

constexpr String SingleByte(std::uint8_t byte) {
  return (String{1} << 16) | (String{byte} << 32) | (String{byte} << 40);
}

constexpr String kLengthAndFirst = (String{0xFFFF} << 16) | (String{0xFF} << 40);

// The string of code `code` (whose string is `string`) followed by `last`.
constexpr String Extended(String string, int code, std::uint8_t last) {
  return ((string & kLengthAndFirst) + (String{1} << 16)) | static_cast<String>(code) |
         (String{last} << 32);
}

std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// Eight bytes as a number, the first the lowest (old order) or the highest (usual order).
std::uint64_t LoadLittle64(const std::uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) return Load64(p);
  return __builtin_bswap64(Load64(p));
}

std::uint64_t LoadBig64(const std::uint8_t* p) {
  if constexpr (std::endian::native == std::endian::big) return Load64(p);
  return __builtin_bswap64(Load64(p));
}

}  // namespace

TiffLzwDecoder::TiffLzwDecoder() {
  for (int byte = 0; byte < 256; ++byte) {
    strings_[byte] = SingleByte(static_cast<std::uint8_t>(byte));
  }
  // The clear and end codes have no string, which the decoding loop tells by length 0.
  strings_[kClearCode] = strings_[kEndCode] = 0;
}

void TiffLzwDecoder::Start(StripInput& in) {
  in_ = &in;
  ended_ = false;
  bits_ = 0;
  bitCount_ = 0;
  pendingAt_ = pendingEnd_ = 0;
  inputAt_ = inputEnd_ = 0;
  width_ = 9;
  nextFree_ = kFirstString;
  previous_ = -1;
  // The first two bytes tell the bit order.
  RefillInput(input_);
  oldOrder_ = inputEnd_ >= 2 && input_[0] == 0 && (input_[1] & 1) != 0;
}

// Keeps the input from `from` on, moved to the front, and reads more behind it; returns
// how many bytes the buffer holds.
std::size_t TiffLzwDecoder::RefillInput(const std::uint8_t* from) {
  const auto kept = static_cast<std::size_t>(input_ + inputEnd_ - from);
  std::memmove(input_, from, kept);
  inputAt_ = 0;
  inputEnd_ = kept + in_->Read(input_ + kept, kInputBytes - kept);
  return inputEnd_;
}

std::size_t TiffLzwDecoder::WritePending(std::span<std::uint8_t> out) {
  const std::size_t take = std::min(out.size(), pendingEnd_ - pendingAt_);
  std::memcpy(out.data(), pending_ + pendingAt_, take);
  pendingAt_ += take;
  return take;
}

// A string longer than what is left of `out`: `out` gets its beginning, the pending
// string the rest.
std::size_t TiffLzwDecoder::WriteLongString(int code, std::span<std::uint8_t> out) {
  const std::size_t length = Length(strings_[code]);
  for (std::size_t i = length; i > 0; --i) {
    pending_[i - 1] = Last(strings_[code]);
    code = Prefix(strings_[code]);
  }
  pendingAt_ = 0;
  pendingEnd_ = length;
  return WritePending(out);
}

// The decoding loop, with the state in locals (the output's bytes may alias anything, so
// members would be read again after every byte written); written back when `out` is full
// or the data ends.
template <bool kOldOrder>
std::size_t TiffLzwDecoder::Decode(std::span<std::uint8_t> out, std::size_t done) {
  std::uint64_t bits = bits_;
  int bitCount = bitCount_;
  int width = width_;
  int nextFree = nextFree_;
  int previous = previous_;
  const std::uint8_t* input = input_ + inputAt_;
  const std::uint8_t* inputEnd = input_ + inputEnd_;
  String* const strings = strings_;
  std::uint8_t* next = out.data() + done;
  std::uint8_t* const end = out.data() + out.size();
  // The usual order widens the codes as the table reaches one below the next power of
  // two, the old order when it reaches it. At 12 bits the widening point is the table's
  // end, where it stops taking strings until the next clear code (its codes still decode).
  constexpr auto kWidenAt = [](int codeBits) {
    return codeBits < kMaxCodeBits ? (1 << codeBits) - (kOldOrder ? 0 : 1) : kTableSize;
  };
  int widenAt = nextFree < kTableSize ? kWidenAt(width) : kTableSize + 1;
  int adding = nextFree < kTableSize ? 1 : 0;  // 0 once the table is full
  std::uint32_t mask = (1u << width) - 1;

  // The next code, or -1 when the strip's data ends first.
  const auto nextCode = [&]() -> int {
    if (bitCount < width) {
      if (inputEnd - input < 8) {
        inputEnd = input_ + RefillInput(input);
        input = input_;
      }
      if (inputEnd - input >= 8) {
        // Whole bytes up to 56 bits: with the 7 or fewer left over they stay within 64.
        const int take = (63 - bitCount) / 8;  // 6 or 7
        const int takeBits = 8 * take;
        if constexpr (kOldOrder) {
          bits |= (LoadLittle64(input) & ((std::uint64_t{1} << takeBits) - 1)) << bitCount;
        } else {
          bits = (bits << takeBits) | (LoadBig64(input) >> (64 - takeBits));
        }
        input += take;
        bitCount += takeBits;
      } else {
        // The strip's last bytes, one by one.
        for (; bitCount < width && input != inputEnd; ++input, bitCount += 8) {
          bits = kOldOrder ? bits | (std::uint64_t{*input} << bitCount) : (bits << 8) | *input;
        }
        if (bitCount < width) return -1;
      }
    }
    bitCount -= width;
    if constexpr (kOldOrder) {
      const auto code = static_cast<int>(bits & mask);
      bits >>= width;
      return code;
    }
    return static_cast<int>((bits >> bitCount) & mask);
  };

  // After a clear code (or at the start) only a single byte can stand; it starts the
  // strings. False at the end of the data or for any other code.
  const auto startStrings = [&]() {
    int code;
    do {
      code = nextCode();
    } while (code == kClearCode);
    if (code < 0 || code > 255) return false;
    previous = code;
    *next++ = static_cast<std::uint8_t>(code);
    return true;
  };

  if (previous < 0 && !startStrings()) ended_ = true;
  while (next != end && !ended_) {
    const int code = nextCode();
    // Codes past the table's next string are wrong, as is the end of the data.
    if (code < 0 || code > nextFree) {
      ended_ = true;
      break;
    }
    // The code right after the table's last is the previous string plus its own first
    // byte: the string about to be added.
    const String before = strings[previous];
    const String string =
        code < nextFree ? strings[code] : Extended(before, previous, First(before));
    const std::size_t length = Length(string);
    if (length == 0) {
      // The clear and end codes, which have no string.
      if (code == kEndCode) {
        ended_ = true;
        break;
      }
      width = 9;
      mask = (1u << width) - 1;
      widenAt = kWidenAt(width);
      nextFree = kFirstString;
      adding = 1;
      if (!startStrings()) ended_ = true;
      continue;
    }
    strings[nextFree] = Extended(before, previous, First(string));
    nextFree += adding;
    if (nextFree >= widenAt) {
      if (width < kMaxCodeBits) {
        widenAt = kWidenAt(++width);
        mask = (1u << width) - 1;
      } else {
        adding = 0;
        widenAt = kTableSize + 1;
      }
    }
    previous = code;
    if (length > static_cast<std::size_t>(end - next)) {
      next += WriteLongString(code, {next, end});
      break;
    }
    // Single bytes and pairs, the most frequent, without a loop; longer strings from their
    // last byte back to the first.
    next[0] = First(string);
    next[length - 1] = Last(string);
    std::uint8_t* back = next + length - 1;
    for (int at = Prefix(string); back > next + 1; at = Prefix(strings[at])) {
      *--back = Last(strings[at]);
    }
    next += length;
  }
  inputAt_ = static_cast<std::size_t>(input - input_);
  bits_ = bits;
  bitCount_ = bitCount;
  width_ = width;
  nextFree_ = nextFree;
  previous_ = previous;
  return static_cast<std::size_t>(next - out.data());
}

std::size_t TiffLzwDecoder::Read(std::span<std::uint8_t> out) {
  const std::size_t done = WritePending(out);
  if (ended_ || done == out.size()) return done;
  return oldOrder_ ? Decode<true>(out, done) : Decode<false>(out, done);
}

}  // namespace kolta::image
