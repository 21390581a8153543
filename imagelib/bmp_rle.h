// Run-length decoding of 8- and 4-bit bitmap streams into one byte per pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "byte_reader.h"

namespace kolta::image {

enum class RleKind { EightBit, FourBit };

// Decodes the stream into `pixels` (rows of `stride` bytes, the bottom row first). Nothing
// is written outside `pixels`, whatever the stream's runs and deltas say; a stream that
// ends early leaves the rest untouched.
void DecodeRle(ByteReader& in, RleKind kind, std::span<std::uint8_t> pixels, std::size_t stride);

}  // namespace kolta::image
