// The LZW decoder of TIFF strips: codes of 9 to 12 bits, 256 clearing the table and 257
// ending the data, most significant bit first with the code width growing one code early,
// or in the old order that early writers used: least significant bit first, the width
// growing when the table is full. As libtiff does, a strip whose first two bytes are 0x00
// and a byte with its low bit set (a clear code in the old order) is read the old way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tiff_strip_input.h"

namespace kolta::image {

// Decodes one strip after another, a row at a time. About 56 KB: allocate it on the heap.
class TiffLzwDecoder {
 public:
  TiffLzwDecoder();
  // Starts on a strip; `in` must outlive the reads of it.
  void Start(StripInput& in);
  // Fills `out`; fewer bytes only once the strip's data has ended: at its end, an end code,
  // or a code that goes wrong (one the table does not hold yet, or a string code where
  // only a single byte can stand). Everything decoded before such a code is kept, and the
  // strip yields nothing after it.
  std::size_t Read(std::span<std::uint8_t> out);

 private:
  static constexpr int kTableSize = 4096;
  static constexpr std::size_t kInputBytes = 16 * 1024;

  template <bool kOldOrder>
  std::size_t Decode(std::span<std::uint8_t> out, std::size_t done);
  std::size_t RefillInput(const std::uint8_t* from);
  std::size_t WriteLongString(int code, std::span<std::uint8_t> out);
  std::size_t WritePending(std::span<std::uint8_t> out);

  StripInput* in_ = nullptr;
  bool oldOrder_ = false;
  bool ended_ = true;
  // The input bits not yet taken as codes: the next code at the top in the usual order,
  // at the bottom in the old one.
  std::uint64_t bits_ = 0;
  int bitCount_ = 0;
  int width_ = 9;
  int nextFree_ = 0;
  int previous_ = -1;  // the last code, -1 right after a clear code
  // The strings, each packed in 64 bits (see tiff_lzw.cpp); the last entry takes what a
  // full table is given.
  std::uint64_t strings_[kTableSize + 1];
  // A string that did not fit the caller's output, handed out by the next reads.
  std::uint8_t pending_[kTableSize];
  std::size_t pendingAt_ = 0, pendingEnd_ = 0;
  std::uint8_t input_[kInputBytes];
  std::size_t inputAt_ = 0, inputEnd_ = 0;
};

}  // namespace kolta::image
