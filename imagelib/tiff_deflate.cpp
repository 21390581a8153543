#include "tiff_deflate.h"

#include <climits>
#include <new>

namespace kolta::image {

TiffInflater::~TiffInflater() {
  if (ready_) inflateEnd(&stream_);
}

// The stream's two-byte zlib header is read here and its checksum left unchecked: zlib
// inflates the raw Deflate data behind it, without computing the Adler-32 of every byte
// (corrupt data shows in the picture anyway).
bool TiffInflater::Init() {
  input_.reset(new (std::nothrow) std::uint8_t[kInputBytes]);
  ready_ = input_ && inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
  return ready_;
}

void TiffInflater::Start(StripInput& in) {
  in_ = &in;
  stream_.avail_in = 0;
  std::uint8_t header[2];
  // Deflate (method 8) in a window of at most 32 KiB, the header's check bits right, and
  // no preset dictionary.
  ended_ = inflateReset(&stream_) != Z_OK || in.Read(header, 2) != 2 ||
           (header[0] & 0x0F) != Z_DEFLATED || (header[0] >> 4) > 7 ||
           (header[0] << 8 | header[1]) % 31 != 0 || (header[1] & 0x20) != 0;
}

std::size_t TiffInflater::Read(std::span<std::uint8_t> out) {
  if (ended_ || out.empty()) return 0;
  // A row is far below 4 GiB (the reader limits them), so its size fits zlib's counts.
  static_assert(sizeof(uInt) >= 4);
  stream_.next_out = out.data();
  stream_.avail_out = static_cast<uInt>(out.size());
  while (stream_.avail_out > 0) {
    if (stream_.avail_in == 0) {
      const std::size_t got = in_->Read(input_.get(), kInputBytes);
      if (got == 0) {
        ended_ = true;
        break;
      }
      stream_.next_in = input_.get();
      stream_.avail_in = static_cast<uInt>(got);
    }
    // Z_BUF_ERROR only asks for more input, which the loop gives.
    const int result = inflate(&stream_, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_BUF_ERROR) {
      ended_ = true;
      break;
    }
  }
  return out.size() - stream_.avail_out;
}

}  // namespace kolta::image
