#include "tiff_lzw.h"

#include <algorithm>
#include <cstring>

namespace kolta::image {
namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstString = 258;
constexpr int kMaxCodeBits = 12;

}  // namespace

TiffLzwDecoder::TiffLzwDecoder() {
  for (int byte = 0; byte < 256; ++byte) {
    prefix_[byte] = 0;
    last_[byte] = first_[byte] = static_cast<std::uint8_t>(byte);
    length_[byte] = 1;
  }
}

void TiffLzwDecoder::Start(StripInput& in) {
  in_ = &in;
  ended_ = false;
  bits_ = 0;
  bitCount_ = 0;
  pendingAt_ = pendingEnd_ = 0;
  Clear();
  // The first two bytes tell the bit order; they are the first bits either way.
  const int first = in.Byte();
  const int second = in.Byte();
  oldOrder_ = first == 0 && second >= 0 && (second & 1) != 0;
  for (const int byte : {first, second}) {
    if (byte < 0) break;
    Take(static_cast<std::uint8_t>(byte));
  }
}

void TiffLzwDecoder::Take(std::uint8_t byte) {
  // At most 12 + 7 bits are kept, so 32 bits never overflow in either order.
  bits_ = oldOrder_ ? bits_ | (std::uint32_t{byte} << bitCount_) : (bits_ << 8) | byte;
  bitCount_ += 8;
}

void TiffLzwDecoder::Clear() {
  width_ = 9;
  nextFree_ = kFirstString;
  previous_ = -1;
}

// The next code, or -1 when the strip's bytes end first.
int TiffLzwDecoder::NextCode() {
  const std::uint32_t mask = (1u << width_) - 1;
  while (bitCount_ < width_) {
    const int byte = in_->Byte();
    if (byte < 0) return -1;
    Take(static_cast<std::uint8_t>(byte));
  }
  bitCount_ -= width_;
  if (oldOrder_) {
    const auto code = static_cast<int>(bits_ & mask);
    bits_ >>= width_;
    return code;
  }
  return static_cast<int>((bits_ >> bitCount_) & mask);
}

void TiffLzwDecoder::AddString(int prefix, std::uint8_t last) {
  // A full table takes no more strings until the next clear code; its codes still decode.
  if (nextFree_ >= kTableSize) return;
  prefix_[nextFree_] = static_cast<std::uint16_t>(prefix);
  last_[nextFree_] = last;
  first_[nextFree_] = first_[prefix];
  length_[nextFree_] = static_cast<std::uint16_t>(length_[prefix] + 1);
  ++nextFree_;
  // The usual order widens the codes as the table reaches one below the next power of
  // two, the old order when it reaches it.
  const int widenAt = (1 << width_) - (oldOrder_ ? 0 : 1);
  if (nextFree_ >= widenAt && width_ < kMaxCodeBits) ++width_;
}

// Writes the string of `code` (from its last byte back), into `out` where it fits, else
// into the pending string of which `out` gets the beginning.
std::size_t TiffLzwDecoder::WriteString(int code, std::span<std::uint8_t> out) {
  const std::size_t length = length_[code];
  std::uint8_t* end = length <= out.size() ? out.data() + length : pending_ + length;
  for (std::size_t i = 0; i < length; ++i) {
    *--end = last_[code];
    code = prefix_[code];
  }
  if (length <= out.size()) return length;
  pendingAt_ = 0;
  pendingEnd_ = length;
  return WritePending(out);
}

std::size_t TiffLzwDecoder::WritePending(std::span<std::uint8_t> out) {
  const std::size_t take = std::min(out.size(), pendingEnd_ - pendingAt_);
  std::memcpy(out.data(), pending_ + pendingAt_, take);
  pendingAt_ += take;
  return take;
}

std::size_t TiffLzwDecoder::Read(std::span<std::uint8_t> out) {
  std::size_t done = WritePending(out);
  while (done < out.size() && !ended_) {
    const int code = NextCode();
    if (code < 0 || code == kEndCode) {
      ended_ = true;
    } else if (code == kClearCode) {
      Clear();
    } else if (previous_ < 0) {
      // After a clear code (or at the start) only a single byte can follow.
      if (code >= 256) {
        ended_ = true;
      } else {
        out[done++] = static_cast<std::uint8_t>(code);
        previous_ = code;
      }
    } else if (code <= nextFree_ && code < kTableSize) {
      // The code right after the table's last is the previous string plus its own first
      // byte, which the new string also ends with.
      const std::uint8_t last = code < nextFree_ ? first_[code] : first_[previous_];
      AddString(previous_, last);
      done += WriteString(code, out.subspan(done));
      previous_ = code;
    } else {
      ended_ = true;
    }
  }
  return done;
}

}  // namespace kolta::image
