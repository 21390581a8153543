// The JPEG reader: libjpeg decodes; this adapter drives its decompression calls over a C
// stream or a memory block and reads each scanline into its stored row as blue, green, red
// (the image's own order). Colour and greyscale pictures come out of the library in that
// order; CMYK and YCCK ones come out as CMYK and are converted here.
//
// libjpeg reports a fatal error through the error manager's exit routine, which jumps back
// to the adapter. The frame it returns to holds no object with a destructor, and what the
// decode allocates lives in one record that its caller releases on either path.
#include <algorithm>
#include <csetjmp>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

// libjpeg's header needs <cstdio> first.
#include <jpeglib.h>
#include <jerror.h>

#include "jpeg_file.h"

namespace kolta::image {
namespace {

// The library's standard error manager with the jump point behind it; the library's
// pointer to the manager is a pointer to the record.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpBackOnError(j_common_ptr common) {
  (*common->err->output_message)(common);  // the library's default: the standard error stream
  std::longjmp(reinterpret_cast<JpegErrors*>(common->err)->jump, 1);
}

// Where the compressed data comes from: an open stream, or else a memory block.
struct JpegInput {
  std::FILE* file = nullptr;
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

// Everything one decode owns. It lives outside the frame that the error jump returns to.
struct JpegSession {
  jpeg_decompress_struct info;
  JpegErrors errors;
  std::uint8_t* block;  // the image block, header still zero
  std::uint8_t* inkRow;  // one scanline of CMYK samples, for ink pictures only
  int width, height;
};

// How the library's output becomes blue, green, red.
enum class JpegColour { Refused, Direct, Ink };

JpegColour ColourOf(const jpeg_decompress_struct& info) {
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      return info.num_components == 1 ? JpegColour::Direct : JpegColour::Refused;
    case JCS_YCbCr:
    case JCS_RGB:
      return info.num_components == 3 ? JpegColour::Direct : JpegColour::Refused;
    case JCS_CMYK:
    case JCS_YCCK:
      return info.num_components == 4 ? JpegColour::Ink : JpegColour::Refused;
    default:
      return JpegColour::Refused;
  }
}

// One scanline of CMYK samples as blue, green, red: each channel is (1 - ink) x (1 - black).
// Files with an Adobe marker (what nearly every writer of CMYK pictures puts in) store the
// inks inverted, 255 meaning none; the others store them plainly.
void InkToBgr(const std::uint8_t* cmyk, int width, bool inverted, std::uint8_t* bgr) {
  const unsigned flip = inverted ? 0 : 255;
  for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    const unsigned white = cmyk[3] ^ flip;
    for (int c = 0; c < 3; ++c) {
      bgr[2 - c] = static_cast<std::uint8_t>(((cmyk[c] ^ flip) * white + 127) / 255);
    }
  }
}

// Scanline k (0 at the top) belongs in stored row height - 1 - k.
std::uint8_t* StoredRow(const JpegSession& d, JDIMENSION scanline) {
  return d.block + kDibHeaderSize +
         static_cast<std::size_t>(d.height - 1 - static_cast<int>(scanline)) *
             DibRowBytes(d.width, 24);
}

// Colour and grey pictures: as many scanlines per call as the decoder makes at a time
// (two for the common 2 x 2 sampled files), straight into their rows; fewer would make the
// library buffer and copy each pair.
void ReadDirectScanlines(JpegSession& d) {
  constexpr int kMaxRows = 16;
  JSAMPROW rows[kMaxRows];
  const int group = std::clamp(d.info.rec_outbuf_height, 1, kMaxRows);
  while (d.info.output_scanline < d.info.output_height) {
    const JDIMENSION first = d.info.output_scanline;
    const int count = static_cast<int>(std::min<JDIMENSION>(group, d.info.output_height - first));
    for (int i = 0; i < count; ++i) rows[i] = StoredRow(d, first + i);
    // The stream and memory sources never suspend, so scanlines come back every time;
    // anything else would loop for ever.
    if (jpeg_read_scanlines(&d.info, rows, static_cast<JDIMENSION>(count)) == 0) {
      ERREXIT(&d.info, JERR_INPUT_EMPTY);
    }
  }
}

void ReadInkScanlines(JpegSession& d) {
  while (d.info.output_scanline < d.info.output_height) {
    std::uint8_t* target = StoredRow(d, d.info.output_scanline);
    JSAMPROW row = d.inkRow;
    if (jpeg_read_scanlines(&d.info, &row, 1) != 1) ERREXIT(&d.info, JERR_INPUT_EMPTY);
    InkToBgr(d.inkRow, d.width, d.info.saw_Adobe_marker, target);
  }
}

// The decode after the error manager is set up; false when the picture is refused or the
// library gives up (it jumps back here).
bool Decompress(JpegSession& d, const JpegInput& input) {
  if (setjmp(d.errors.jump)) return false;
  jpeg_create_decompress(&d.info);
  if (input.file) {
    jpeg_stdio_src(&d.info, input.file);
  } else {
    jpeg_mem_src(&d.info, input.data, static_cast<unsigned long>(input.size));
  }
  jpeg_read_header(&d.info, TRUE);
  const JpegColour colour = ColourOf(d.info);
  if (colour == JpegColour::Refused) return false;
  // The library turns grey into blue, green, red itself, and YCCK into CMYK.
  d.info.out_color_space = colour == JpegColour::Ink ? JCS_CMYK : JCS_EXT_BGR;
  const int outputComponents = colour == JpegColour::Ink ? 4 : 3;
  // The picture's size is checked against the library's limit before the decoder
  // allocates its own buffers.
  jpeg_calc_output_dimensions(&d.info);
  d.width = static_cast<int>(d.info.output_width);
  d.height = static_cast<int>(d.info.output_height);
  const std::size_t bytes = DibBlockBytes(d.width, d.height, 24, 0);
  if (bytes == 0) return false;
  d.block = static_cast<std::uint8_t*>(ImgAlloc(bytes));
  if (!d.block) return false;
  if (colour == JpegColour::Ink) {
    // The 24-bit rows fit a block, so 4-byte rows of the same width cannot overflow.
    d.inkRow = static_cast<std::uint8_t*>(ImgAlloc(std::size_t{4} * d.width));
    if (!d.inkRow) return false;
  }
  jpeg_start_decompress(&d.info);
  if (d.info.output_components != outputComponents ||
      static_cast<int>(d.info.output_width) != d.width ||
      static_cast<int>(d.info.output_height) != d.height) {
    return false;
  }
  if (colour == JpegColour::Ink) {
    ReadInkScanlines(d);
  } else {
    ReadDirectScanlines(d);
  }
  jpeg_finish_decompress(&d.info);
  return true;
}

void* DecodeJpeg(const JpegInput& input, int* width, int* height, int* components) {
  JpegSession d{};
  d.info.err = jpeg_std_error(&d.errors.manager);
  d.errors.manager.error_exit = JumpBackOnError;
  const bool decoded = Decompress(d, input);
  jpeg_destroy_decompress(&d.info);
  ImgFree(d.inkRow);
  if (!decoded) {
    ImgFree(d.block);
    return nullptr;
  }
  *width = d.width;
  *height = d.height;
  *components = 3;
  return d.block;
}

// Writes the 24-bit header into a decoded block.
DibImage* AsImage(void* block, int width, int height) {
  if (!block) return nullptr;
  auto* image = static_cast<DibImage*>(block);
  image->headerSize = kDibHeaderSize;
  image->width = width;
  image->height = height;
  image->planes = 1;
  image->bitCount = 24;
  return image;
}

}  // namespace
}  // namespace kolta::image

void* JpegDecode(const char* path, int* width, int* height, int* components) {
  if (!path || !width || !height || !components) return nullptr;
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return nullptr;
  void* block = kolta::image::DecodeJpeg({.file = file}, width, height, components);
  std::fclose(file);
  return block;
}

DibImage* JpegLoad(const char* path) {
  int width = 0, height = 0, components = 0;
  void* block = JpegDecode(path, &width, &height, &components);
  return kolta::image::AsImage(block, width, height);
}

DibImage* JpegLoadFromMemory(const void* data, std::size_t size) {
  // The library takes the size as an unsigned long, which is 32 bits on Windows.
  if (!data || size > ULONG_MAX) return nullptr;
  int width = 0, height = 0, components = 0;
  void* block = kolta::image::DecodeJpeg(
      {.data = static_cast<const unsigned char*>(data), .size = size}, &width, &height,
      &components);
  return kolta::image::AsImage(block, width, height);
}
