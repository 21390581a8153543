// GIF's variable-length-code LZW: codes of 2 to 12 bits, least significant bit first, in
// data sub-blocks of up to 255 bytes; a clear code resets the table, an end code ends it.
//
// The table keeps, per code, the string's last index, the code of the string one index
// shorter and the length, so that a string is written backwards straight into the row
// buffer where it lands; the codes come out of a 64-bit bit buffer.
#include "gif_lzw.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

namespace kolta::image {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;
// Minimum code sizes below 2 are outside the format (one-bit pictures are to declare 2),
// but encoders write 1; 11 is the largest that leaves a code for the table.
constexpr int kSmallestMinimumSize = 1;
constexpr int kLargestMinimumSize = kMaxCodeBits - 1;
// Every entry since a clear code is one index longer than the string it is built on, and
// at most kTableSize - 4 are added, so no string is longer than this.
constexpr std::size_t kLongestString = kTableSize;

std::uint64_t LoadLe64(const std::uint8_t* p) {
  std::uint64_t word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&word, p, sizeof word);
  } else {
    for (int i = 7; i >= 0; --i) word = (word << 8) | p[i];
  }
  return word;
}

// The codes of the data sub-blocks. A sub-block is read only when a code needs its bits,
// so the reader stops in the sub-block that holds the last code.
class CodeReader {
 public:
  explicit CodeReader(ByteReader& in) : in_(in) {}

  // The next code of `size` bits, or -1 once the data holds no further whole code.
  int Next(int size) {
    if (count_ < size && !Refill(size)) return -1;
    const int code = static_cast<int>(bits_ & ((std::uint64_t{1} << size) - 1));
    bits_ >>= size;
    count_ -= size;
    return code;
  }

  // True once the zero-length sub-block (or the end of the data) was read.
  bool Ended() const { return ended_; }

 private:
  bool Refill(int size) {
    for (;;) {
      TakeBytes();
      if (count_ >= size) return true;
      if (!NextBlock()) return false;
    }
  }

  // Moves bytes of the current sub-block into the bit buffer: 56 bits or more where the
  // block has them. A whole word is loaded and only its first bytes are counted; the
  // bits above the count are those bytes' own, so loading them again changes nothing.
  void TakeBytes() {
    if (end_ - next_ >= 8) {
      bits_ |= LoadLe64(next_) << count_;
      next_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    while (count_ <= 56 && next_ < end_) {
      bits_ |= std::uint64_t{*next_++} << count_;
      count_ += 8;
    }
  }

  bool NextBlock() {
    if (ended_) return false;
    const int length = in_.Byte();
    if (length <= 0) {
      ended_ = true;
      return false;
    }
    // A block cut short by the end of the data is used as far as it goes.
    next_ = block_.data();
    end_ = next_ + in_.Read(block_.data(), static_cast<std::size_t>(length));
    return true;
  }

  ByteReader& in_;
  std::array<std::uint8_t, 255> block_{};
  const std::uint8_t* next_ = block_.data();
  const std::uint8_t* end_ = block_.data();
  std::uint64_t bits_ = 0;
  int count_ = 0;
  bool ended_ = false;
};

// Gathers the strings into rows and hands each whole row to the sink at its place in the
// frame. Strings are written straight into the buffer, which has room for the longest
// string starting at a row's last pixel.
class RowAssembler {
 public:
  RowAssembler(std::uint8_t* buffer, int width, int height, bool interlaced, GifRowSink& sink)
      : buffer_(buffer),
        width_(static_cast<std::size_t>(std::max(width, 0))),
        height_(height),
        interlaced_(interlaced),
        done_(width <= 0 || height <= 0),
        sink_(sink) {}

  // Where the next string goes; it may be up to kLongestString indices long.
  std::uint8_t* Next() { return buffer_ + filled_; }

  // Counts the `count` indices written at Next().
  void Wrote(std::size_t count) {
    filled_ += count;
    if (filled_ >= width_) HandOverRows();
  }

  // Completes the row the data ended in and the rows it did not reach with index 0.
  void Finish() {
    if (done_) return;
    std::memset(buffer_ + filled_, 0, width_ - filled_);
    for (bool first = true; !done_; first = false) {
      if (!first) std::memset(buffer_, 0, width_);
      WriteRow(buffer_);
    }
  }

 private:
  void HandOverRows() {
    std::size_t at = 0;
    for (; filled_ - at >= width_ && !done_; at += width_) WriteRow(buffer_ + at);
    if (done_) {
      filled_ = 0;  // indices beyond the frame's last row are dropped
      return;
    }
    filled_ -= at;
    std::memmove(buffer_, buffer_ + at, filled_);
  }

  void WriteRow(const std::uint8_t* indices) {
    sink_.WriteRow(y_, std::span(indices, width_));
    if (!interlaced_) {
      done_ = ++y_ >= height_;
      return;
    }
    // Passes start at rows 0, 4, 2, 1 and step by 8, 8, 4, 2; a pass that starts below a
    // short frame is skipped.
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    y_ += kStep[pass_];
    while (y_ >= height_) {
      if (++pass_ == 4) {
        done_ = true;
        return;
      }
      y_ = kStart[pass_];
    }
  }

  std::uint8_t* const buffer_;
  const std::size_t width_;
  std::size_t filled_ = 0;  // indices of the current row (and beyond it) in the buffer
  int y_ = 0, pass_ = 0;
  const int height_;
  const bool interlaced_;
  bool done_;
  GifRowSink& sink_;
};

// A table entry: the string's last index (bits 0-7; roots beyond 255 keep their low 8
// bits), the code of the string without it (bits 8-19) and the length (bits 20-31). The
// length of an entry is one more than its prefix's, so a walk of `length` steps ends on
// a root, whatever the codes were.
using Table = std::array<std::uint32_t, kTableSize>;
constexpr int kPrefixShift = 8, kLengthShift = 20;

constexpr std::uint32_t Entry(std::uint32_t last, std::uint32_t prefix, std::uint32_t length) {
  return (last & 0xFF) | (prefix << kPrefixShift) | (length << kLengthShift);
}

std::size_t LengthOf(const Table& table, int code) {
  return table[static_cast<std::size_t>(code)] >> kLengthShift;
}

// Writes the string of `code` at `out`, from its last index backwards; its length.
std::size_t WriteString(const Table& table, int code, std::uint8_t* out) {
  std::uint32_t entry = table[static_cast<std::size_t>(code)];
  const std::size_t length = entry >> kLengthShift;
  std::uint8_t* at = out + length;
  for (;;) {
    *--at = static_cast<std::uint8_t>(entry);
    if (at == out) return length;
    entry = table[(entry >> kPrefixShift) & (kTableSize - 1)];
  }
}

}  // namespace

bool GifDecodeImage(ByteReader& in, int width, int height, bool interlaced, GifRowSink& sink) {
  const std::size_t bufferBytes = static_cast<std::size_t>(std::max(width, 0)) + kLongestString;
  const std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[bufferBytes]);
  if (!buffer) return false;
  RowAssembler rows(buffer.get(), width, height, interlaced, sink);

  const int minimumSize = in.Byte();
  if (minimumSize < kSmallestMinimumSize || minimumSize > kLargestMinimumSize) {
    rows.Finish();
    return true;
  }
  const int clearCode = 1 << minimumSize, endCode = clearCode + 1, firstFree = clearCode + 2;
  Table table{};
  for (int root = 0; root < clearCode; ++root) {
    table[static_cast<std::size_t>(root)] = Entry(static_cast<std::uint32_t>(root), 0, 1);
  }

  // The data starts as if behind a clear code: some encoders write none first.
  int codeSize = minimumSize + 1, nextFree = firstFree;
  int widerFrom = 1 << codeSize;  // the first free slot that needs a wider code
  int previous = -1;              // the code before, -1 behind a clear code
  CodeReader codes(in);
  for (int code = codes.Next(codeSize); code >= 0 && code != endCode; code = codes.Next(codeSize)) {
    if (code == clearCode) {
      codeSize = minimumSize + 1;
      widerFrom = 1 << codeSize;
      nextFree = firstFree;
      previous = -1;
      continue;
    }
    std::uint8_t* out = rows.Next();
    std::size_t length = 0;
    if (previous < 0) {
      if (code >= nextFree) code = 0;  // nothing to build on yet: index 0
      length = WriteString(table, code, out);
    } else if (code < nextFree) {
      length = WriteString(table, code, out);
      // The previous string plus this one's first index; a full table stays as it is
      // until the next clear code.
      if (nextFree < kTableSize) {
        table[static_cast<std::size_t>(nextFree++)] =
            Entry(out[0], static_cast<std::uint32_t>(previous),
                  static_cast<std::uint32_t>(LengthOf(table, previous) + 1));
      }
    } else {
      // Not yet in the table (so the table has room): the previous string plus its first
      // index, which is the entry added now and stands for the code from here on.
      const std::size_t before = WriteString(table, previous, out);
      out[before] = out[0];
      length = before + 1;
      table[static_cast<std::size_t>(nextFree)] =
          Entry(out[0], static_cast<std::uint32_t>(previous), static_cast<std::uint32_t>(length));
      code = nextFree++;
    }
    previous = code;
    // The next code is one bit wider once it may be the next free slot; checked behind
    // every code, the first one too (with minimum size 1 it already needs 3 bits).
    if (nextFree >= widerFrom && codeSize < kMaxCodeBits) widerFrom = 1 << ++codeSize;
    rows.Wrote(length);
  }

  rows.Finish();
  // An end code inside the data leaves the zero-length block that closes it.
  if (!codes.Ended()) in.Skip(1);
  return true;
}

}  // namespace kolta::image
