// Deflate-coded TIFF strips (compression 8 and the older code 32946, the same zlib
// stream), inflated through zlib.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "tiff_strip_input.h"

namespace kolta::image {

// Inflates one strip after another, a row at a time.
class TiffInflater {
 public:
  TiffInflater() = default;
  TiffInflater(const TiffInflater&) = delete;
  TiffInflater& operator=(const TiffInflater&) = delete;
  ~TiffInflater();
  // False when zlib or the input buffer cannot be had.
  bool Init();
  // Starts on a strip; `in` must outlive the reads of it.
  void Start(StripInput& in);
  // Fills `out`; fewer bytes only once the strip's stream has ended, been cut short or
  // gone wrong: what was inflated before is kept, and the strip yields nothing after it.
  // Never asks for more than `out` holds, so a stream can expand only as far as the rows.
  std::size_t Read(std::span<std::uint8_t> out);

 private:
  static constexpr std::size_t kInputBytes = 64 * 1024;

  z_stream stream_{};
  bool ready_ = false;
  bool ended_ = true;
  StripInput* in_ = nullptr;
  std::unique_ptr<std::uint8_t[]> input_;
};

}  // namespace kolta::image
