// GIF's variable-length-code LZW: codes of 3 to 12 bits, least significant bit first, in
// data sub-blocks of up to 255 bytes; a clear code resets the table, an end code ends it.
#include "gif_lzw.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace kolta::image {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;
constexpr int kSmallestMinimumSize = 2;
constexpr int kLargestMinimumSize = 9;
// Short strings are copied in blocks of this many bytes, which the buffers leave room for.
constexpr std::size_t kCopySlack = 8;

// The codes of the data sub-blocks. After the zero-length block (or the end of the data)
// every further code is the end code.
class CodeReader {
 public:
  CodeReader(ByteReader& in, int endCode) : in_(in), endCode_(endCode) {}

  int Next(int size) {
    while (bitCount_ < size) {
      const int byte = NextByte();
      if (byte < 0) return endCode_;
      bits_ |= static_cast<std::uint32_t>(byte) << bitCount_;
      bitCount_ += 8;
    }
    const int code = static_cast<int>(bits_ & ((1u << size) - 1));
    bits_ >>= size;
    bitCount_ -= size;
    return code;
  }

  // True once the zero-length sub-block (or the end of the data) was read.
  bool Ended() const { return ended_; }

 private:
  int NextByte() {
    while (next_ == count_) {
      if (ended_) return -1;
      const int length = in_.Byte();
      if (length <= 0) {
        ended_ = true;
        return -1;
      }
      // A block cut short by the end of the data is used as far as it goes.
      count_ = in_.Read(block_.data(), static_cast<std::size_t>(length));
      next_ = 0;
    }
    return block_[next_++];
  }

  ByteReader& in_;
  const int endCode_;
  std::array<std::uint8_t, 255> block_{};
  std::size_t next_ = 0, count_ = 0;
  std::uint32_t bits_ = 0;
  int bitCount_ = 0;
  bool ended_ = false;
};

// Gathers pixels into rows and hands each full row to the sink at its place in the frame.
class RowAssembler {
 public:
  RowAssembler(int width, int height, bool interlaced, GifRowSink& sink)
      : width_(static_cast<std::size_t>(width)),
        row_(width_ + kCopySlack),
        height_(height),
        interlaced_(interlaced),
        sink_(sink) {}

  // `pixels` may be read up to kCopySlack bytes beyond `count`.
  void Put(const std::uint8_t* pixels, std::size_t count) {
    if (count < width_ - filled_) {  // the common case: a short string inside the row
      std::uint8_t* out = row_.data() + filled_;
      for (std::size_t i = 0; i < count; i += kCopySlack)
        std::memcpy(out + i, pixels + i, kCopySlack);
      filled_ += count;
      return;
    }
    while (count > 0 && !done_) {
      const std::size_t take = std::min(count, width_ - filled_);
      std::memcpy(row_.data() + filled_, pixels, take);
      filled_ += take;
      pixels += take;
      count -= take;
      if (filled_ == width_) {
        sink_.WriteRow(y_, std::span(row_).first(width_));
        filled_ = 0;
        Advance();
      }
    }
  }

  // Writes a row the data ended in, as far as it goes.
  void Finish() {
    if (filled_ > 0 && !done_) sink_.WriteRow(y_, std::span(row_).first(filled_));
  }

 private:
  void Advance() {
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

  const std::size_t width_;
  std::vector<std::uint8_t> row_;  // the row, and room for the last block of a short copy
  std::size_t filled_ = 0;
  int y_ = 0, pass_ = 0;
  const int height_;
  const bool interlaced_;
  bool done_ = false;
  GifRowSink& sink_;
};

// The string table and the stack its strings are unwound on.
//
// Why no walk can loop or overrun the stack: every entry k added since the last clear
// code has prefix[k] < k, because the previous code it is built on is a root, a code that
// was below the next free slot when it was read, or (for a code beyond the table) the
// entry added just before. A walk from any code below the next free slot therefore
// visits strictly smaller codes until it reaches a root, pushing at most
// kTableSize - firstFree + 2 bytes (the entries, the root, and the first index of a code
// not yet in the table), fewer than kTableSize.
struct StringTable {
  std::array<std::uint16_t, kTableSize> prefix{};
  std::array<std::uint8_t, kTableSize> suffix{};
  // Filled from the end (strings read forwards), with room for the last block of a copy.
  std::array<std::uint8_t, kTableSize + kCopySlack> stack{};
};

}  // namespace

void GifDecodeImage(ByteReader& in, int width, int height, bool interlaced, GifRowSink& sink) {
  const int minimumSize = in.Byte();
  if (minimumSize < kSmallestMinimumSize || minimumSize > kLargestMinimumSize) return;

  const int clearCode = 1 << minimumSize, endCode = clearCode + 1, firstFree = clearCode + 2;
  int codeSize = minimumSize + 1, nextFree = firstFree, topSlot = 1 << codeSize;
  int oldCode = 0, firstIndex = 0;
  StringTable table;
  CodeReader codes(in, endCode);
  RowAssembler rows(width, height, interlaced, sink);

  for (int code = codes.Next(codeSize); code != endCode; code = codes.Next(codeSize)) {
    if (code == clearCode) {
      codeSize = minimumSize + 1;
      nextFree = firstFree;
      topSlot = 1 << codeSize;
      do code = codes.Next(codeSize);
      while (code == clearCode);
      if (code == endCode) break;
      if (code >= nextFree) code = 0;
      oldCode = firstIndex = code;
      table.stack[kTableSize - 1] = static_cast<std::uint8_t>(code);
      rows.Put(table.stack.data() + kTableSize - 1, 1);
      continue;
    }

    int top = kTableSize;
    int walk = code;
    if (walk >= nextFree) {  // not yet in the table: the previous string plus its first index
      table.stack[--top] = static_cast<std::uint8_t>(firstIndex);
      walk = oldCode;
    }
    while (walk >= firstFree) {
      table.stack[--top] = table.suffix[walk];
      walk = table.prefix[walk];
    }
    table.stack[--top] = static_cast<std::uint8_t>(walk);  // the root (9-bit roots keep 8 bits)

    if (nextFree < topSlot) {  // a full table stays as it is until the next clear code
      table.suffix[nextFree] = static_cast<std::uint8_t>(walk);
      table.prefix[nextFree] = static_cast<std::uint16_t>(oldCode);
      firstIndex = walk;
      // A code beyond the table decoded as the string just added; that entry stands for it.
      oldCode = std::min(code, nextFree);
      ++nextFree;
    }
    if (nextFree >= topSlot && codeSize < kMaxCodeBits) {
      topSlot *= 2;
      ++codeSize;
    }
    rows.Put(table.stack.data() + top, static_cast<std::size_t>(kTableSize - top));
  }

  rows.Finish();
  // An end code inside the data leaves the zero-length block that closes it.
  if (!codes.Ended()) in.Skip(1);
}

}  // namespace kolta::image
