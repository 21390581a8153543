#include "bmp_rle.h"

#include <algorithm>
#include <cstring>

namespace kolta::image {
namespace {

// The decoder's place: a linear position in the pixel area, and the row and column it
// stands for. Positions are 64-bit so that no delta or run can wrap them around.
class RleCursor {
 public:
  RleCursor(std::span<std::uint8_t> pixels, std::size_t stride)
      : pixels_(pixels), stride_(static_cast<std::int64_t>(stride)) {}

  bool InArea() const { return pos_ < static_cast<std::int64_t>(pixels_.size()); }

  void Put(std::uint8_t value) {
    if (InArea()) pixels_[static_cast<std::size_t>(pos_)] = value;
    ++pos_;
  }

  void Fill(std::uint8_t value, int count) {
    if (InArea()) {
      const std::int64_t n = std::min<std::int64_t>(count, pixels_.size() - pos_);
      std::memset(pixels_.data() + pos_, value, static_cast<std::size_t>(n));
    }
    pos_ += count;
  }

  // After a run the row and column follow the position (a run may pass a row's end).
  void Resync() {
    row_ = pos_ / stride_;
    column_ = pos_ % stride_;
  }

  // An end of line right after a run that ended exactly at a row's end stays on the row
  // that follows.
  void EndOfLine() {
    if (column_ != 0) {
      ++row_;
      column_ = 0;
    }
    pos_ = stride_ * row_ + column_;
  }

  void Delta(int dx, int dy) {
    column_ += dx;
    row_ += dy;
    pos_ = stride_ * row_ + column_;
  }

 private:
  std::span<std::uint8_t> pixels_;
  std::int64_t stride_;
  std::int64_t pos_ = 0, row_ = 0, column_ = 0;
};

void EncodedRun(RleKind kind, RleCursor& cursor, int count, int value) {
  if (kind == RleKind::EightBit) {
    cursor.Fill(static_cast<std::uint8_t>(value), count);
  } else {
    const auto high = static_cast<std::uint8_t>(value >> 4),
               low = static_cast<std::uint8_t>(value & 15);
    for (int k = 0; k < count; ++k) cursor.Put(k % 2 == 0 ? high : low);
  }
  cursor.Resync();
}

// n literal pixels, padded in the stream to an even number of bytes.
void AbsoluteRun(ByteReader& in, RleKind kind, RleCursor& cursor, int n) {
  if (kind == RleKind::EightBit) {
    for (int k = 0; k < n; ++k) {
      const int byte = in.Byte();
      if (byte < 0) break;
      cursor.Put(static_cast<std::uint8_t>(byte));
    }
    if (n % 2 == 1) in.Byte();
  } else {
    int byte = 0;
    for (int k = 0; k < n; ++k) {
      if (k % 2 == 0) {
        byte = in.Byte();
        if (byte < 0) break;
        cursor.Put(static_cast<std::uint8_t>(byte >> 4));
      } else {
        cursor.Put(static_cast<std::uint8_t>(byte & 15));
      }
    }
    if (n % 4 == 1 || n % 4 == 2) in.Byte();
  }
  cursor.Resync();
}

}  // namespace

void DecodeRle(ByteReader& in, RleKind kind, std::span<std::uint8_t> pixels, std::size_t stride) {
  if (stride == 0) return;
  RleCursor cursor(pixels, stride);
  while (cursor.InArea()) {
    const int count = in.Byte();
    const int value = in.Byte();
    if (value < 0) return;
    if (count > 0) {
      EncodedRun(kind, cursor, count, value);
    } else if (value == 0) {
      cursor.EndOfLine();
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      const int dx = in.Byte();
      const int dy = in.Byte();
      if (dy < 0) return;
      cursor.Delta(dx, dy);
    } else {
      AbsoluteRun(in, kind, cursor, value);
    }
  }
}

}  // namespace kolta::image
