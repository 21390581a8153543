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
  // `row` counts from the top of the frame; `indices` holds the row's palette indices.
  virtual void WriteRow(int row, std::span<const std::uint8_t> indices) = 0;

 protected:
  ~GifRowSink() = default;
};

// Decodes one frame's image data from `in`, which stands at the minimum code size byte,
// and writes every row of the frame once, whole: pixels the data does not reach are index
// 0. Interlaced frames get their rows in the order 0, 8, 16, ... 4, 12, ... 2, 6, ... 1,
// 3, .... Bad data never fails: a minimum code size outside 1-11 gives rows of index 0,
// and codes the table does not hold decode as the previous string plus its first index.
// Afterwards `in` stands behind the data (or, when a bad minimum code size stopped the
// decoding, right behind that byte). False, with no row written, only when the decoder's
// row memory cannot be had.
bool GifDecodeImage(ByteReader& in, int width, int height, bool interlaced, GifRowSink& sink);

}  // namespace kolta::image
