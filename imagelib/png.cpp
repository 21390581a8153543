// The PNG reader: libpng decodes; this adapter feeds it from a byte reader, picks the image
// a picture becomes by its bits per pixel, and moves the decoded rows into the bottom-up
// image (straight into the stored rows where the layouts agree).
//
// libpng reports a fatal error by a long jump back to the adapter. The frame it returns to
// holds no object with a destructor, and everything the decode allocates lives in one
// record owned by the caller of that frame, which releases it on either path.
#include <png.h>

#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstring>

#include "byte_reader.h"
#include "png_file.h"

namespace kolta::image {
namespace {

// What a picture becomes, by its colour type: palette and grey pictures of every depth
// become 8-bit images (palette indices, or grey levels over a grey ramp), colour ones 24-bit
// images, and those with an alpha channel (colour or grey) 24-bit images plus the alpha.
enum class PngShape { Refused, Indexed, Rgb, RgbAlpha };

PngShape ShapeOf(png_const_structrp png, png_const_inforp info) {
  switch (png_get_color_type(png, info)) {
    case PNG_COLOR_TYPE_PALETTE:
    case PNG_COLOR_TYPE_GRAY:
      return PngShape::Indexed;
    case PNG_COLOR_TYPE_RGB:
      return PngShape::Rgb;
    case PNG_COLOR_TYPE_RGB_ALPHA:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return PngShape::RgbAlpha;
    default:
      return PngShape::Refused;
  }
}

// Everything one decode owns. It lives outside the frame that the error jump returns to.
struct PngSession {
  png_structp png = nullptr;
  png_infop info = nullptr;
  bool wantAlpha = false;
  DibImage* image = nullptr;
  DibImage* alpha = nullptr;    // made only when the caller asked for it
  std::uint8_t* row = nullptr;  // one row of blue, green, red, alpha pixels
};

void ReadFromByteReader(png_structp png, png_bytep out, std::size_t count) {
  auto* in = static_cast<ByteReader*>(png_get_io_ptr(png));
  if (in->Read(out, count) != count) png_error(png, "Read Error");
}

DibImage* CreateIndexedImage(png_const_structrp png, png_inforp info, int width, int height) {
  png_colorp palette = nullptr;
  int count = 0;
  if (png_get_PLTE(png, info, &palette, &count) == 0 || count <= 0) {
    return DibCreate(0, width, height, nullptr, 0);  // grey ramp
  }
  std::array<std::uint8_t, 256 * 3> rgb{};
  count = count > 256 ? 256 : count;
  for (int i = 0; i < count; ++i) {
    rgb[i * 3] = palette[i].red;
    rgb[i * 3 + 1] = palette[i].green;
    rgb[i * 3 + 2] = palette[i].blue;
  }
  return DibCreatePalettized(width, height, count, rgb.data());
}

bool CreateImages(PngSession& d, PngShape shape) {
  const auto width = static_cast<int>(png_get_image_width(d.png, d.info));
  const auto height = static_cast<int>(png_get_image_height(d.png, d.info));
  if (shape == PngShape::Indexed) {
    d.image = CreateIndexedImage(d.png, d.info, width, height);
    return d.image != nullptr;
  }
  // No fill: every row is written whole before the image is handed out (libpng gives up
  // with an error, and the image is dropped, where the data ends early).
  d.image = DibCreate(1, width, height, nullptr, 0);
  if (!d.image || shape == PngShape::Rgb) return d.image != nullptr;
  if (d.wantAlpha) {
    d.alpha = DibCreate(0, width, height, nullptr, 0);
    if (!d.alpha) return false;
  }
  // The 24-bit image may fit where a row of 32-bit pixels is longer than any block (a size
  // of 0); libpng's width limit keeps such pictures out, and this keeps them out without it.
  const std::size_t rowBytes = DibRowBytes(width, 32);
  if (rowBytes == 0) return false;
  d.row = static_cast<std::uint8_t*>(ImgAlloc(rowBytes));
  return d.row != nullptr;
}

// Asks libpng for rows of one byte per sample in the image's own order (blue, green, red):
// palette indices below 8 bits unpacked, grey levels below 8 bits scaled up to 0..255,
// grey with alpha as colour with alpha. 16-bit samples keep their high byte, the one rule
// for 16-bit samples in every reader of the library. Returns the number of interlace
// passes.
int RequestTransforms(png_structrp png, png_inforp info, bool stripAlpha) {
  const int colourType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  if (depth == 16) png_set_strip_16(png);
  if (depth < 8) {
    if (colourType == PNG_COLOR_TYPE_GRAY) {
      png_set_expand_gray_1_2_4_to_8(png);
    } else {
      png_set_packing(png);
    }
  }
  if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (stripAlpha) png_set_strip_alpha(png);
  png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return passes;
}

// Splits one row of blue, green, red, alpha pixels into the image and the alpha image.
void SplitAlphaRow(const std::uint8_t* in, int width, std::uint8_t* colour, std::uint8_t* alpha) {
  for (int x = 0; x < width; ++x) std::memcpy(colour + x * 3, in + x * 4, 3);
  if (alpha) {
    for (int x = 0; x < width; ++x) alpha[x] = in[x * 4 + 3];
  }
}

// The inverse, for the passes of an interlaced picture, which fill a row in several steps.
void JoinAlphaRow(const std::uint8_t* colour, const std::uint8_t* alpha, int width,
                  std::uint8_t* out) {
  for (int x = 0; x < width; ++x) std::memcpy(out + x * 4, colour + x * 3, 3);
  if (alpha) {
    for (int x = 0; x < width; ++x) out[x * 4 + 3] = alpha[x];
  }
}

void ReadRows(PngSession& d, PngShape shape, int passes) {
  const int width = DibWidth(d.image), height = DibHeight(d.image);
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < height; ++y) {
      std::uint8_t* target = DibPixelAddress(d.image, 0, y);  // the top file row is stored last
      if (shape != PngShape::RgbAlpha) {
        png_read_row(d.png, target, nullptr);
        continue;
      }
      std::uint8_t* alpha = d.alpha ? DibPixelAddress(d.alpha, 0, y) : nullptr;
      if (passes > 1) JoinAlphaRow(target, alpha, width, d.row);
      png_read_row(d.png, d.row, nullptr);
      SplitAlphaRow(d.row, width, target, alpha);
    }
  }
}

// The decode after the reader is attached; false when the picture is refused or libpng
// gives up (it jumps back here).
bool Decode(PngSession& d) {
  if (setjmp(png_jmpbuf(d.png))) return false;
  png_read_info(d.png, d.info);
  PngShape shape = ShapeOf(d.png, d.info);
  // An alpha channel nobody asked for is dropped by libpng, and the colour rows go
  // straight into the image.
  const bool stripAlpha = shape == PngShape::RgbAlpha && !d.wantAlpha;
  if (stripAlpha) shape = PngShape::Rgb;
  if (shape == PngShape::Refused || !CreateImages(d, shape)) return false;
  const int passes = RequestTransforms(d.png, d.info, stripAlpha);
  // The rows must come out exactly as wide as the image's rows (or the row buffer).
  const std::size_t pixelBytes = shape == PngShape::Indexed ? 1 : shape == PngShape::Rgb ? 3 : 4;
  if (png_get_rowbytes(d.png, d.info) != pixelBytes * DibWidth(d.image)) return false;
  ReadRows(d, shape, passes);
  png_read_end(d.png, nullptr);
  return true;
}

DibImage* LoadPng(ByteReader& in, DibImage** alpha) {
  if (alpha) *alpha = nullptr;
  PngSession d;
  d.wantAlpha = alpha != nullptr;
  // libpng's default handlers write its messages to the standard error stream.
  d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!d.png) return nullptr;
  d.info = png_create_info_struct(d.png);
  bool decoded = false;
  if (d.info) {
    png_set_read_fn(d.png, &in, ReadFromByteReader);
    decoded = Decode(d);
  }
  png_destroy_read_struct(&d.png, &d.info, nullptr);
  ImgFree(d.row);
  if (!decoded) {
    DibFree(d.alpha);
    DibFree(d.image);
    return nullptr;
  }
  if (alpha) *alpha = d.alpha;
  return d.image;
}

}  // namespace
}  // namespace kolta::image

DibImage* PngLoad(const char* path, DibImage** alpha) {
  if (alpha) *alpha = nullptr;
  return kolta::image::ReadFile(
      path, [alpha](kolta::image::ByteReader& in) { return kolta::image::LoadPng(in, alpha); });
}

DibImage* PngLoadFromMemory(const void* data, std::size_t size, DibImage** alpha) {
  if (alpha) *alpha = nullptr;
  return kolta::image::ReadMemory(data, size, [alpha](kolta::image::ByteReader& in) {
    return kolta::image::LoadPng(in, alpha);
  });
}
