// Decoding the planes of a layered-image document into blue, green, red, alpha pixels,
// over the library's byte reader.
#pragma once

#include <cstdint>
#include <span>

#include "byte_reader.h"

namespace kolta::image {

// As the stream form in psd_file.h; `pixels` holds width x height x 4 bytes, and `plane`
// (width x height bytes) is the caller's working memory for one plane.
int PsdReadChannels(ByteReader& in, int width, int height, std::span<std::uint8_t> pixels,
                    std::span<std::uint8_t> plane, int channelCount, int compression);

}  // namespace kolta::image
