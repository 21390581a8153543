// Loading a picture by its file name's extension: the reader the extension names, the
// conversion to 24 bits, and the placement into a box.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

#include "bmp_file.h"
#include "bounded_text.h"
#include "dib_load.h"
#include "dib_ops.h"
#include "gif_file.h"
#include "jpeg_file.h"
#include "pcx_file.h"
#include "png_file.h"
#include "psd_file.h"
#include "tga_file.h"
#include "tiff_file.h"

namespace kolta::image {
namespace {

using Reader = DibImage* (*)(const char* path);

DibImage* ReadGif(const char* path) { return GifLoad(path, nullptr); }
DibImage* ReadPng(const char* path) { return PngLoad(path, nullptr); }

struct ReaderByExtension {
  std::string_view extension;  // upper case
  Reader read;
};

// Compared whole and case-sensitively with the upper-cased extension.
constexpr ReaderByExtension kReaders[] = {
    {"BMP", BmpLoad},  {"RLE", BmpLoad},  {"DIB", BmpLoad},   {"PCX", PcxLoad},
    {"JPG", JpegLoad}, {"JPEG", JpegLoad}, {"JPE", JpegLoad}, {"JFIF", JpegLoad},
    {"TIF", TiffLoad}, {"TIFF", TiffLoad}, {"TGA", TgaLoad},  {"GIF", ReadGif},
    {"PSD", PsdLoad},  {"PNG", ReadPng},
};

// The formats whose files say what they are in their first bytes. TGA files have no such
// mark; a PCX file's (its maker byte, a known version and an encoding of 0 or 1) is weak,
// which is why it is only asked when the extension's own reader has refused the file.
struct ReaderBySignature {
  std::string_view signature;
  Reader read;
};

constexpr ReaderBySignature kSignatures[] = {
    {"BM", BmpLoad},
    {"\x89PNG\r\n\x1a\n", ReadPng},
    {"\xFF\xD8\xFF", JpegLoad},
    {"GIF87a", ReadGif},
    {"GIF89a", ReadGif},
    {{"II*\0", 4}, TiffLoad},
    {{"MM\0*", 4}, TiffLoad},
    {"8BPS", PsdLoad},
};

constexpr std::size_t kLongestSignature = 8;

bool LooksLikePcx(std::span<const std::uint8_t> head) {
  return head.size() >= 3 && head[0] == 0x0A &&
         (head[1] == 0 || (head[1] >= 2 && head[1] <= 5)) && head[2] <= 1;
}

// The reader whose signature the file at `path` begins with, or null.
Reader ReaderForContent(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return nullptr;
  std::array<std::uint8_t, kLongestSignature> bytes{};
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  const std::span<const std::uint8_t> head(bytes.data(), got);
  for (const ReaderBySignature& reader : kSignatures) {
    const std::string_view mark = reader.signature;
    if (mark.size() <= got && std::memcmp(head.data(), mark.data(), mark.size()) == 0) {
      return reader.read;
    }
  }
  return LooksLikePcx(head) ? PcxLoad : nullptr;
}

// The picture at `path` at the depth its reader gives, or null. Paths must be shorter than
// the interface's 128-byte buffers: a longer one is refused, never shortened. A file the
// extension's reader refuses is given to the reader its first bytes name, if that is
// another: pictures saved under the wrong extension still load.
DibImage* ReadByExtension(const char* path) {
  const std::optional<std::string_view> text = ReadBoundedText(path, kTextBufferSize);
  if (!text) return nullptr;
  const std::size_t dot = text->rfind('.');
  if (dot == std::string_view::npos) return nullptr;
  InterfaceText extension;
  for (char c : kolta::TextFrom(*text, dot + 1)) extension.Append(AsciiUpper(c));
  for (const ReaderByExtension& reader : kReaders) {
    if (extension.view() != reader.extension) continue;
    if (DibImage* image = reader.read(path)) return image;
    const Reader byContent = ReaderForContent(path);
    return byContent && byContent != reader.read ? byContent(path) : nullptr;
  }
  return nullptr;
}

// Where the picture lands in the box: scaled to fit with its aspect ratio kept and
// centred (single-precision arithmetic, truncating), or stretched over the whole box.
DibRect Placement(int boxWidth, int boxHeight, int width, int height, bool fit) {
  if (!fit) return {0, 0, boxWidth, boxHeight};
  const float widthRatio = static_cast<float>(boxWidth) / static_cast<float>(width);
  const float heightRatio = static_cast<float>(boxHeight) / static_cast<float>(height);
  const float scale = heightRatio > widthRatio ? widthRatio : heightRatio;
  const auto drawnWidth = static_cast<int>(static_cast<float>(width) * scale);
  const auto drawnHeight = static_cast<int>(static_cast<float>(height) * scale);
  const int x = (boxWidth - drawnWidth) / 2, y = (boxHeight - drawnHeight) / 2;
  return {x, y, x + drawnWidth, y + drawnHeight};
}

}  // namespace
}  // namespace kolta::image

DibImage* DibLoadFitted(const char* path, int boxWidth, int boxHeight, int fit,
                        DibColor background) {
  DibImage* loaded = kolta::image::ReadByExtension(path);
  if (!loaded) return nullptr;
  if (DibBitCount(loaded) != 24) {
    DibImage* converted = DibConvertTo24(loaded);
    DibFree(loaded);
    if (!converted) return nullptr;
    loaded = converted;
  }
  if (boxWidth == 0 || boxHeight == 0) return loaded;

  DibImage* box = DibCreate(1, boxWidth, boxHeight, nullptr, fit ? background : 0);
  if (box) {
    const int width = DibWidth(loaded), height = DibHeight(loaded);
    const DibRect at = kolta::image::Placement(boxWidth, boxHeight, width, height, fit != 0);
    // A picture fitted to nothing leaves the background; with a size to draw, both images
    // are 24-bit, so a refusal means memory for scaling ran out.
    if (at.right != at.left && at.bottom != at.top &&
        !DibStretchCopy(box, at.left, at.top, at.right - at.left, at.bottom - at.top, loaded, 0,
                        0, width, height)) {
      DibFree(box);
      box = nullptr;
    }
  }
  DibFree(loaded);
  return box;
}

DibImage* DibLoad(const char* path) { return DibLoadFitted(path, 0, 0, 0, 0); }
