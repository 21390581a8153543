// The LZW decoder of GIF image data: the minimum code size byte and the data sub-blocks
// behind it, decoded into rows of palette indices in the frame's row order.
#pragma once

#include <cstdint>
#include <span>

#include "byte_reader.h"

namespace kolta::image {

// Receives the decoded rows of one frame.
class GifRowSink {
 public:
  // `row` counts from the top of the frame; `indices` holds the row's palette indices,
  // fewer than the frame width for a last row that the data ended in.
  virtual void WriteRow(int row, std::span<const std::uint8_t> indices) = 0;

 protected:
  ~GifRowSink() = default;
};

// Decodes one frame's image data from `in`, which stands at the minimum code size byte.
// Rows the data does not reach are not written; interlaced frames get their rows in the
// order 0, 8, 16, ... 4, 12, ... 2, 6, ... 1, 3, .... Bad data never fails: a bad minimum
// code size writes no row, and codes the table does not hold decode as the previous
// string plus its first index. Afterwards `in` stands behind the data (or, when a bad
// minimum code size stopped the decoding, right behind that byte).
void GifDecodeImage(ByteReader& in, int width, int height, bool interlaced, GifRowSink& sink);

}  // namespace kolta::image
