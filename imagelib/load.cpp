// Loading a picture by its file name's extension: the reader the extension names, the
// conversion to 24 bits, and the placement into a box.
#include <optional>
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

struct ReaderByExtension {
  std::string_view extension;  // upper case
  DibImage* (*read)(const char* path);
};

// Compared in this order, whole and case-sensitively, with the upper-cased extension. The
// four-letter spelling of the TIFF extension is not among them.
constexpr ReaderByExtension kReaders[] = {
    {"BMP", BmpLoad},
    {"RLE", BmpLoad},
    {"PCX", PcxLoad},
    {"JPG", JpegLoad},
    {"JPEG", JpegLoad},
    {"TIF", TiffLoad},
    {"TGA", TgaLoad},
    {"GIF", [](const char* path) { return GifLoad(path, nullptr); }},
    {"PSD", PsdLoad},
    {"PNG", [](const char* path) { return PngLoad(path, nullptr); }},
};

// The picture at `path` at the depth its reader gives, or null. Paths must be shorter than
// the interface's 128-byte buffers: a longer one is refused, never shortened.
DibImage* ReadByExtension(const char* path) {
  const std::optional<std::string_view> text = ReadBoundedText(path, kTextBufferSize);
  if (!text) return nullptr;
  const std::size_t dot = text->rfind('.');
  if (dot == std::string_view::npos) return nullptr;
  InterfaceText extension;
  for (char c : text->substr(dot + 1)) extension.Append(AsciiUpper(c));
  for (const ReaderByExtension& reader : kReaders) {
    if (extension.view() == reader.extension) return reader.read(path);
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
    DibStretchCopy(box, at.left, at.top, at.right - at.left, at.bottom - at.top, loaded, 0, 0,
                   width, height);
  }
  DibFree(loaded);
  return box;
}

DibImage* DibLoad(const char* path) { return DibLoadFitted(path, 0, 0, 0, 0); }
