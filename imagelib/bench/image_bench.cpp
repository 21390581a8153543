// Prints megapixels per second of the operations the skin draws with, and the decode
// throughput of the file readers beside independent decoders, so that changes can be
// compared. Build with optimisation (a Release build) for figures that mean something;
// imagelib/bench/run_bench.sh gathers the files, builds and runs it on one core.
//
// Usage: image_bench [SYNTHETIC_FOLDER [SET_FOLDER...]]
//   SYNTHETIC_FOLDER holds the files of `python3 imagelib/bench/make_bench_files.py FOLDER`
//   (one photo-like picture in every format, and an animation), each timed on its own;
//   each SET_FOLDER (any folder tree, named by its last part) holds further files, such as
//   real ones, timed together per format. Every file is read into
//   memory first and decoded from there: by the library's reader (its ...LoadFromMemory
//   entry) and, in native builds, by the independent decoders of that format that are
//   present: stb_image, a plain libpng read loop, libjpeg-turbo's own decompression loop,
//   giflib (the first image composed over the logical screen) and libtiff's RGBA path.
//   Figures are MB/s of 24-bit output (width x height x 3 bytes a second, whatever the
//   decoder gives), the median of three rounds; the ratios are ours over each peer's, on
//   the files that every decoder of the row reads. Without folders only the other figures
//   print.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "bmp_file.h"
#include "dib_ops.h"
#include "gif_file.h"
#include "jpeg_file.h"
#include "pcx_file.h"
#include "png_file.h"
#include "psd_file.h"
#include "tga_file.h"
#include "tiff_file.h"

#ifdef KOLTA_BENCH_STB
#include <stb/stb_image.h>
#endif
#ifdef KOLTA_BENCH_LIBPNG
#include <png.h>
#endif
#ifdef KOLTA_BENCH_LIBJPEG
#include <jpeglib.h>
#endif
#ifdef KOLTA_BENCH_GIFLIB
#include <gif_lib.h>
#endif
#ifdef KOLTA_BENCH_LIBTIFF
#include <tiffio.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Runs `work` (which handles `pixels` pixels) for at least half a second; megapixels per
// second.
double Rate(double pixels, const std::function<void()>& work) {
  work();  // warm-up
  int rounds = 0;
  const auto start = Clock::now();
  std::chrono::duration<double> elapsed{};
  do {
    work();
    ++rounds;
    elapsed = Clock::now() - start;
  } while (elapsed.count() < 0.5);
  return pixels * rounds / elapsed.count() / 1e6;
}

void Measure(const char* name, double pixels, const std::function<void()>& work) {
  std::printf("%-34s %9.1f Mpixel/s\n", name, Rate(pixels, work));
}

DibImage* Pattern(int width, int height) {
  DibImage* image = DibCreate(1, width, height, nullptr, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = DibPixelAddress(image, x, y);
      p[0] = static_cast<std::uint8_t>(x * 7);
      p[1] = static_cast<std::uint8_t>(y * 3);
      p[2] = static_cast<std::uint8_t>(x ^ y);
    }
  }
  return image;
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A bitmap file in memory: 8-bit plain or run-length, or 24-bit.
std::vector<std::uint8_t> BmpFile(int width, int height, int bitCount, bool rle) {
  const std::uint32_t palette = bitCount == 8 ? 1024 : 0;
  std::vector<std::uint8_t> pixels;
  const int stride = ((width * bitCount / 8) + 3) & ~3;
  for (int y = 0; y < height; ++y) {
    if (rle) {
      for (int x = 0; x < width; x += 16) {
        pixels.push_back(static_cast<std::uint8_t>(std::min(16, width - x)));
        pixels.push_back(static_cast<std::uint8_t>(x / 16 + y));
      }
      pixels.push_back(0);
      pixels.push_back(0);
    } else {
      for (int i = 0; i < stride; ++i) pixels.push_back(static_cast<std::uint8_t>(i + y));
    }
  }
  std::vector<std::uint8_t> file = {'B', 'M'};
  Append32(file, static_cast<std::uint32_t>(54 + palette + pixels.size()));
  Append32(file, 0);
  Append32(file, 54 + palette);
  for (std::uint32_t v :
       {40u, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)}) {
    Append32(file, v);
  }
  file.push_back(1);
  file.push_back(0);
  file.push_back(static_cast<std::uint8_t>(bitCount));
  file.push_back(0);
  for (std::uint32_t v : {rle ? 1u : 0u, 0u, 0u, 0u, 0u, 0u}) Append32(file, v);
  for (std::uint32_t i = 0; i < palette / 4; ++i) Append32(file, i * 0x010101);
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

void MeasureLoad(const char* name, int bitCount, bool rle) {
  const std::vector<std::uint8_t> file = BmpFile(600, 450, bitCount, rle);
  Measure(name, 600.0 * 450, [&] { DibFree(BmpLoadFromMemory(file.data(), file.size())); });
}

// ---- Decoders of a file in memory: each gives the picture's pixel count, 0 when it
// refuses the file (or cannot tell).

using Bytes = std::span<const std::uint8_t>;
using DecodeFn = std::uint64_t (*)(Bytes file);

std::uint64_t PixelsOf(DibImage* image) {
  const std::uint64_t pixels = image ? std::uint64_t(DibWidth(image)) * DibHeight(image) : 0;
  DibFree(image);
  return pixels;
}

template <DibImage* (*Load)(const void*, std::size_t)>
std::uint64_t Ours(Bytes file) {
  return PixelsOf(Load(file.data(), file.size()));
}
std::uint64_t OursPng(Bytes file) {
  return PixelsOf(PngLoadFromMemory(file.data(), file.size(), nullptr));
}
std::uint64_t OursGif(Bytes file) {
  return PixelsOf(GifLoadFromMemory(file.data(), file.size(), nullptr));
}

#ifdef KOLTA_BENCH_STB
// Three 8-bit channels, what our readers give colour pictures.
std::uint64_t Stb(Bytes file) {
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width,
                                          &height, &channels, 3);
  if (!pixels) return 0;
  stbi_image_free(pixels);
  return std::uint64_t(width) * height;
}
#endif

#ifdef KOLTA_BENCH_LIBPNG
// The classic read loop: 8 bits a sample (16-bit samples scaled, smaller ones unpacked),
// the file's own channels, every row into one picture.
struct PngMemory {
  Bytes file;
  std::size_t at = 0;
};

void ReadPngMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* memory = static_cast<PngMemory*>(png_get_io_ptr(png));
  if (memory->file.size() - memory->at < count) png_error(png, "short");
  std::memcpy(out, memory->file.data() + memory->at, count);
  memory->at += count;
}

void PngQuiet(png_structp, png_const_charp) {}
[[noreturn]] void PngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

std::uint64_t Libpng(Bytes file) {
  PngMemory memory{file};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngQuiet);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return 0;
  }
  std::vector<png_byte> pixels;
  std::uint64_t result = 0;
  if (!setjmp(png_jmpbuf(png))) {
    png_set_read_fn(png, &memory, ReadPngMemory);
    png_read_info(png, info);
    // The same rows as the library's reader gives without an alpha output: one byte per
    // sample (16-bit samples by their high byte, low grey depths scaled up), grey with alpha
    // as colour, alpha dropped, blue-green-red.
    const int colourType = png_get_color_type(png, info);
    if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
    if (png_get_bit_depth(png, info) < 8) {
      if (colourType == PNG_COLOR_TYPE_GRAY) {
        png_set_expand_gray_1_2_4_to_8(png);
      } else {
        png_set_packing(png);
      }
    }
    if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (colourType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 width = png_get_image_width(png, info),
                      height = png_get_image_height(png, info);
    pixels.resize(rowBytes * height);
    for (int pass = 0; pass < passes; ++pass) {
      for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, &pixels[y * rowBytes], nullptr);
    }
    png_read_end(png, nullptr);
    result = std::uint64_t(width) * height;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return result;
}
#endif

#ifdef KOLTA_BENCH_LIBJPEG
// libjpeg-turbo's decompression loop with its default settings (RGB out of colour files),
// the lines it gives at a time into one picture.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JpegFail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}
void JpegQuiet(j_common_ptr, int) {}

std::uint64_t Libjpeg(Bytes file) {
  jpeg_decompress_struct info{};
  JpegErrors errors{};
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JpegFail;
  errors.manager.emit_message = JpegQuiet;
  std::vector<JSAMPLE> pixels;
  std::uint64_t result = 0;
  jpeg_create_decompress(&info);
  if (!setjmp(errors.jump)) {
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const std::size_t rowBytes = std::size_t(info.output_width) * info.output_components;
    pixels.resize(rowBytes * info.output_height);
    JSAMPROW rows[16];
    while (info.output_scanline < info.output_height) {
      const int count = std::min<int>(std::min(info.rec_outbuf_height, 16),
                                      static_cast<int>(info.output_height - info.output_scanline));
      for (int i = 0; i < count; ++i) rows[i] = &pixels[(info.output_scanline + i) * rowBytes];
      jpeg_read_scanlines(&info, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_decompress(&info);
    result = std::uint64_t(info.output_width) * info.output_height;
  }
  jpeg_destroy_decompress(&info);
  return result;
}
#endif

#ifdef KOLTA_BENCH_GIFLIB
// giflib reads up to the first image, whose rows (interlaced ones in their passes) are
// composed through its colour table over the logical screen in the background colour,
// without its transparent pixels.
struct GifMemory {
  Bytes file;
  std::size_t at = 0;
};

int ReadGifMemory(GifFileType* gif, GifByteType* out, int count) {
  auto* memory = static_cast<GifMemory*>(gif->UserData);
  const std::size_t take = std::min<std::size_t>(count, memory->file.size() - memory->at);
  std::memcpy(out, memory->file.data() + memory->at, take);
  memory->at += take;
  return static_cast<int>(take);
}

bool GiflibFirstImage(GifFileType* gif, std::vector<std::uint8_t>& screen) {
  const int screenWidth = gif->SWidth, screenHeight = gif->SHeight;
  if (screenWidth <= 0 || screenHeight <= 0) return false;
  screen.assign(std::size_t(screenWidth) * screenHeight * 3, 255);
  if (const ColorMapObject* map = gif->SColorMap; map && gif->SBackGroundColor < map->ColorCount) {
    const GifColorType c = map->Colors[gif->SBackGroundColor];
    for (std::size_t at = 0; at < screen.size(); at += 3) {
      screen[at] = c.Red, screen[at + 1] = c.Green, screen[at + 2] = c.Blue;
    }
  }
  int transparent = NO_TRANSPARENT_COLOR;
  for (GifRecordType type; DGifGetRecordType(gif, &type) == GIF_OK;) {
    if (type == TERMINATE_RECORD_TYPE) return false;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock control{};
        DGifExtensionToGCB(block[0], block + 1, &control);
        transparent = control.TransparentColor;
      }
      while (block) {
        if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) != GIF_OK) return false;
    const GifImageDesc& image = gif->Image;
    const ColorMapObject* map = image.ColorMap ? image.ColorMap : gif->SColorMap;
    if (!map || image.Width <= 0 || image.Height <= 0) return false;
    std::vector<GifPixelType> line(static_cast<std::size_t>(image.Width));
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    const int passes = image.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
      const int start = image.Interlace ? kStart[pass] : 0,
                step = image.Interlace ? kStep[pass] : 1;
      for (int row = start; row < image.Height; row += step) {
        if (DGifGetLine(gif, line.data(), image.Width) != GIF_OK) return false;
        const int y = image.Top + row;
        if (y >= screenHeight) continue;
        std::uint8_t* out = &screen[(std::size_t(y) * screenWidth + image.Left) * 3];
        const int shown = std::min(image.Width, screenWidth - image.Left);
        for (int x = 0; x < shown; ++x, out += 3) {
          const int index = line[static_cast<std::size_t>(x)];
          if (index == transparent || index >= map->ColorCount) continue;
          const GifColorType c = map->Colors[index];
          out[0] = c.Red, out[1] = c.Green, out[2] = c.Blue;
        }
      }
    }
    return true;
  }
  return false;
}

std::uint64_t Giflib(Bytes file) {
  GifMemory memory{file};
  int error = 0;
  GifFileType* gif = DGifOpen(&memory, ReadGifMemory, &error);
  if (!gif) return 0;
  std::vector<std::uint8_t> screen;
  const bool read = GiflibFirstImage(gif, screen);
  const std::uint64_t pixels = read ? std::uint64_t(gif->SWidth) * gif->SHeight : 0;
  DGifCloseFile(gif, &error);
  return pixels;
}
#endif

#ifdef KOLTA_BENCH_LIBTIFF
// libtiff's RGBA path over the file in memory (mapped, as libtiff maps files).
struct TiffMemory {
  Bytes file;
  toff_t at = 0;
};

tsize_t ReadTiffMemory(thandle_t handle, tdata_t out, tsize_t count) {
  auto* memory = static_cast<TiffMemory*>(handle);
  const toff_t left = memory->at < memory->file.size() ? memory->file.size() - memory->at : 0;
  const toff_t take = std::min<toff_t>(static_cast<toff_t>(count), left);
  std::memcpy(out, memory->file.data() + memory->at, take);
  memory->at += take;
  return static_cast<tsize_t>(take);
}
tsize_t WriteTiffMemory(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t SeekTiffMemory(thandle_t handle, toff_t offset, int whence) {
  auto* memory = static_cast<TiffMemory*>(handle);
  if (whence == SEEK_CUR) offset += memory->at;
  if (whence == SEEK_END) offset += memory->file.size();
  return memory->at = offset;
}
int CloseTiffMemory(thandle_t) { return 0; }
toff_t SizeOfTiffMemory(thandle_t handle) { return static_cast<TiffMemory*>(handle)->file.size(); }
int MapTiffMemory(thandle_t handle, tdata_t* base, toff_t* size) {
  auto* memory = static_cast<TiffMemory*>(handle);
  *base = const_cast<std::uint8_t*>(memory->file.data());
  *size = memory->file.size();
  return 1;
}
void UnmapTiffMemory(thandle_t, tdata_t, toff_t) {}

std::uint64_t Libtiff(Bytes file) {
  TiffMemory memory{file};
  TIFF* tiff =
      TIFFClientOpen("memory", "r", &memory, ReadTiffMemory, WriteTiffMemory, SeekTiffMemory,
                     CloseTiffMemory, SizeOfTiffMemory, MapTiffMemory, UnmapTiffMemory);
  if (!tiff) return 0;
  std::uint32_t width = 0, height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  std::uint64_t pixels = 0;
  if (width > 0 && height > 0 && std::uint64_t(width) * height <= (std::uint64_t{1} << 28)) {
    std::vector<std::uint32_t> raster(std::size_t(width) * height);
    if (TIFFReadRGBAImage(tiff, width, height, raster.data(), 0))
      pixels = std::uint64_t(width) * height;
  }
  TIFFClose(tiff);
  return pixels;
}
#endif

struct Decoder {
  const char* name;
  DecodeFn decode;
};

struct Format {
  const char* name;
  std::vector<const char*> extensions;
  std::vector<Decoder> decoders;  // ours first
  const char* goal;               // what the figures should show
};

std::vector<Format> Formats() {
  std::vector<Decoder> stb;
#ifdef KOLTA_BENCH_STB
  stb.push_back({"stb_image", Stb});
#endif
  auto with = [&](Decoder ours, std::vector<Decoder> peers, bool stbReads) {
    std::vector<Decoder> all = {ours};
    all.insert(all.end(), peers.begin(), peers.end());
    if (stbReads) all.insert(all.end(), stb.begin(), stb.end());
    return all;
  };
  std::vector<Decoder> png, jpeg, gif, tiff;
#ifdef KOLTA_BENCH_LIBPNG
  png.push_back({"libpng", Libpng});
#endif
#ifdef KOLTA_BENCH_LIBJPEG
  jpeg.push_back({"libjpeg-turbo", Libjpeg});
#endif
#ifdef KOLTA_BENCH_GIFLIB
  gif.push_back({"giflib", Giflib});
#endif
#ifdef KOLTA_BENCH_LIBTIFF
  tiff.push_back({"libtiff RGBA", Libtiff});
#endif
  return {
      {"BMP", {".bmp"}, with({"ours", Ours<BmpLoadFromMemory>}, {}, true), ">= 1.0x stb_image"},
      {"PNG", {".png"}, with({"ours", OursPng}, png, true), ">= 0.98x libpng"},
      {"JPEG",
       {".jpg", ".jpeg"},
       with({"ours", Ours<JpegLoadFromMemory>}, jpeg, true),
       ">= 0.98x libjpeg-turbo"},
      {"GIF", {".gif"}, with({"ours", OursGif}, gif, true), ">= 1.0x stb_image and giflib"},
      {"TIFF",
       {".tif", ".tiff"},
       with({"ours", Ours<TiffLoadFromMemory>}, tiff, false),
       ">= 1.0x libtiff RGBA"},
      {"PSD", {".psd"}, with({"ours", Ours<PsdLoadFromMemory>}, {}, true), ">= 1.0x stb_image"},
      {"TGA", {".tga"}, with({"ours", Ours<TgaLoadFromMemory>}, {}, true), ">= 1.0x stb_image"},
      {"PCX",
       {".pcx"},
       with({"ours", Ours<PcxLoadFromMemory>}, {}, false),
       "no peer reads it: ahead of the other readers"},
  };
}

struct File {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const Format* FormatOf(const std::vector<Format>& formats, const std::filesystem::path& path) {
  const std::string extension = Lower(path.extension().string());
  for (const Format& format : formats) {
    for (const char* known : format.extensions) {
      if (extension == known) return &format;
    }
  }
  return nullptr;
}

// The files below `folder` by format, in name order.
std::map<const Format*, std::vector<File>> ReadFiles(const std::vector<Format>& formats,
                                                     const std::string& folder) {
  std::vector<std::filesystem::path> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && FormatOf(formats, entry.path())) paths.push_back(entry.path());
  }
  std::sort(paths.begin(), paths.end());
  std::map<const Format*, std::vector<File>> files;
  for (const auto& path : paths) {
    std::ifstream in(path, std::ios::binary);
    File file{std::filesystem::relative(path, folder).string(),
              {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}};
    files[FormatOf(formats, path)].push_back(std::move(file));
  }
  return files;
}

// One round: the files decoded over and over for at least a quarter of a second; MB/s of
// 24-bit output.
double RoundRate(const Decoder& decoder, const std::vector<const File*>& files,
                 std::uint64_t pixels) {
  int passes = 0;
  const auto start = Clock::now();
  std::chrono::duration<double> elapsed{};
  do {
    for (const File* file : files) decoder.decode(file->bytes);
    ++passes;
    elapsed = Clock::now() - start;
  } while (elapsed.count() < 0.25);
  return 3.0 * static_cast<double>(pixels) * passes / elapsed.count() / 1e6;
}

double MedianRate(const Decoder& decoder, const std::vector<const File*>& files,
                  std::uint64_t pixels) {
  double rates[3];
  for (double& rate : rates) rate = RoundRate(decoder, files, pixels);
  std::sort(std::begin(rates), std::end(rates));
  return rates[1];
}

// A peer's figure and ours on the files that both read.
struct PeerFigure {
  const char* name;
  std::size_t files;
  double ours, peer;  // MB/s
};

struct Figures {
  std::string set, row;
  const Format* format;
  std::size_t files;  // that ours reads
  double ours;        // MB/s on them
  std::vector<PeerFigure> peers;
};

// Files with the pixel counts ours gives them.
struct Subset {
  std::vector<const File*> files;
  std::uint64_t pixels = 0;
};

// Those of `candidates` that `decoder` reads (to the same pixel count as ours, when ours
// is given); the others are named.
Subset ReadBy(const Decoder& decoder, const std::vector<const File*>& candidates,
              const Decoder* ours, const std::string& label) {
  Subset subset;
  for (const File* file : candidates) {
    const std::uint64_t pixels = decoder.decode(file->bytes);
    if (pixels != 0 && (!ours || pixels == ours->decode(file->bytes))) {
      subset.files.push_back(file);
      subset.pixels += pixels;
    } else {
      std::printf("  (%s: %s not read by %s)\n", label.c_str(), file->name.c_str(), decoder.name);
    }
  }
  return subset;
}

// Times ours on the files it reads, and each peer with ours on those of them it reads.
Figures MeasureRow(const std::string& set, const std::string& row, const Format& format,
                   const std::vector<File>& files) {
  const std::string label = set + " " + format.name;
  std::vector<const File*> all;
  for (const File& file : files) all.push_back(&file);
  const Decoder& ours = format.decoders[0];
  const Subset mine = ReadBy(ours, all, nullptr, label);
  Figures figures{set, row, &format, mine.files.size(), 0, {}};
  if (mine.files.empty()) return figures;
  figures.ours = MedianRate(ours, mine.files, mine.pixels);
  for (std::size_t i = 1; i < format.decoders.size(); ++i) {
    const Decoder& peer = format.decoders[i];
    const Subset both = ReadBy(peer, mine.files, &ours, label);
    if (both.files.empty()) continue;
    const double oursOnThem =
        both.files == mine.files ? figures.ours : MedianRate(ours, both.files, both.pixels);
    figures.peers.push_back(
        {peer.name, both.files.size(), oursOnThem, MedianRate(peer, both.files, both.pixels)});
  }
  return figures;
}

std::string PeerText(const Figures& f, bool withRates) {
  std::string text;
  char part[160];
  for (const PeerFigure& peer : f.peers) {
    const double ratio = peer.ours / peer.peer;
    if (withRates) {
      std::snprintf(part, sizeof part, "  %s %.1f (%.2fx", peer.name, peer.peer, ratio);
    } else {
      std::snprintf(part, sizeof part, "  %s %.2fx", peer.name, ratio);
    }
    text += part;
    if (peer.files != f.files) {
      std::snprintf(part, sizeof part, " on %zu files", peer.files);
      text += part;
    }
    if (withRates) text += ")";
  }
  return text;
}

void PrintRow(const Figures& f) {
  std::printf("%-9s %-5s %-20s %5zu", f.set.c_str(), f.format->name, f.row.c_str(), f.files);
  if (f.files > 0) std::printf("  ours %.1f%s", f.ours, PeerText(f, true).c_str());
  std::printf("\n");
  std::fflush(stdout);
}

// The synthetic files one by one, those of the other sets per format.
void MeasureDecoding(const std::string& synthetic, const std::vector<std::string>& sets) {
  const std::vector<Format> formats = Formats();
  std::printf(
      "\nDecoding from memory, MB/s of 24-bit output (median of 3 rounds); ratio ours/peer\n");
  std::printf("%-9s %-5s %-20s %5s  MB/s\n", "set", "", "file(s)", "files");
  std::vector<Figures> all;
  for (const auto& [format, files] : ReadFiles(formats, synthetic)) {
    for (const File& file : files) {
      all.push_back(MeasureRow("synthetic", file.name, *format, {file}));
      PrintRow(all.back());
    }
  }
  for (const std::string& folder : sets) {
    std::filesystem::path path = std::filesystem::path(folder).lexically_normal();
    if (path.filename().empty()) path = path.parent_path();  // a folder given with a slash
    const std::string set = path.filename().string();
    for (const auto& [format, files] : ReadFiles(formats, folder)) {
      all.push_back(MeasureRow(set, "all files", *format, files));
      PrintRow(all.back());
    }
  }
  std::printf("\nGoals (ratios of this run):\n");
  for (const Format& format : formats) {
    std::printf("  %-5s %s\n", format.name, format.goal);
    for (const Figures& f : all) {
      if (f.format != &format || f.files == 0) continue;
      std::printf("        %-9s %-20s ours %.1f MB/s%s\n", f.set.c_str(), f.row.c_str(), f.ours,
                  PeerText(f, false).c_str());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
#ifdef KOLTA_BENCH_LIBTIFF
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(nullptr);
#endif
  DibImage* picture = Pattern(600, 450);
  DibImage* large = DibCreate(1, 1200, 900, nullptr, 0);
  DibImage* small = DibCreate(1, 300, 225, nullptr, 0);
  DibImage* canvas = DibCreate(1, 600, 450, nullptr, 0x00404040);

  Measure("DibStretchCopy 600x450 -> 1200x900", 1200.0 * 900,
          [&] { DibStretchCopy(large, 0, 0, 1200, 900, picture, 0, 0, 600, 450); });
  Measure("DibStretchCopy 600x450 -> 300x225", 300.0 * 225,
          [&] { DibStretchCopy(small, 0, 0, 300, 225, picture, 0, 0, 600, 450); });
  Measure("  the same, DibSampleBilinear each", 1200.0 * 900, [&] {
    const double step = 0.5;
    double ay = 0;
    for (int i = 0; i < 900; ++i, ay += step) {
      double ax = 0;
      for (int j = 0; j < 1200; ++j, ax += step) DibSampleBilinear(large, j, i, picture, ax, ay, 3);
    }
  });
  Measure("DibStretchCopy 600x450 same size", 600.0 * 450,
          [&] { DibStretchCopy(canvas, 0, 0, 600, 450, picture, 0, 0, 600, 450); });

  CompositeParams blend{};
  blend.target = canvas;
  blend.source = picture;
  blend.opacity = 0.5f;
  blend.maxWidth = blend.maxHeight = 1 << 30;
  Measure("DibComposite opacity 0.5", 600.0 * 450, [&] { DibComposite(nullptr, &blend); });
  CompositeParams keyed = blend;
  keyed.opacity = 1.0f;
  keyed.useKey = 1;
  keyed.keyFromCorner = 1;
  keyed.tolerance = 8;
  Measure("DibComposite key, tolerance 8", 600.0 * 450, [&] { DibComposite(nullptr, &keyed); });

  MeasureLoad("BmpLoad 8-bit 600x450", 8, false);
  MeasureLoad("BmpLoad 24-bit 600x450", 24, false);
  MeasureLoad("BmpLoad RLE8 600x450", 8, true);

  for (DibImage* image : {picture, large, small, canvas}) DibFree(image);
  if (argc > 1) MeasureDecoding(argv[1], std::vector<std::string>(argv + 2, argv + argc));
  return 0;
}
