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

// Decodes one strip after another, a row at a time. About 30 KB: allocate it on the heap.
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

  void Clear();
  void Take(std::uint8_t byte);
  int NextCode();
  void AddString(int prefix, std::uint8_t last);
  std::size_t WriteString(int code, std::span<std::uint8_t> out);
  std::size_t WritePending(std::span<std::uint8_t> out);

  StripInput* in_ = nullptr;
  bool oldOrder_ = false;
  bool ended_ = true;
  std::uint32_t bits_ = 0;  // the input bits not yet taken as codes
  int bitCount_ = 0;
  int width_ = 9;
  int nextFree_ = 0;
  int previous_ = -1;  // the last code, -1 right after a clear code
  // The strings, each as the code of all but its last byte and that byte.
  std::uint16_t prefix_[kTableSize];
  std::uint8_t last_[kTableSize];
  std::uint8_t first_[kTableSize];
  std::uint16_t length_[kTableSize];
  // A string that did not fit the caller's output, handed out by the next reads.
  std::uint8_t pending_[kTableSize];
  std::size_t pendingAt_ = 0, pendingEnd_ = 0;
};

}  // namespace kolta::image
