// Loading by file name: the first byte picks the name's extension (the loader's own, in
// various cases, and a few it does not know), the next two a small box and the fit flag;
// the rest is written to a file of that name in a folder of this process and loaded.
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "dib_load.h"
#include "picture_fuzz.h"

namespace {

constexpr const char* kExtensions[] = {
    "bmp",  "RLE", "pcx", "jpg", "Jpeg", "tif", "TGA", "gif", "psd", "png",  // the loader's
    "tiff", "txt", "",    "jp",  "png.",                                     // (and not)
    "dib",  "jpe", "JFIF",
};
constexpr std::size_t kExtensionCount = sizeof kExtensions / sizeof kExtensions[0];

int ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return getpid();
#endif
}

// A folder of this process, made for each input and removed after it (libFuzzer ends
// without running exit handlers, so nothing may be left for the end).
std::filesystem::path Folder() {
  return std::filesystem::temp_directory_path() /
         ("kolta_image_load_fuzz_" + std::to_string(ProcessId()));
}

// The readers whose headers tell the picture's size at a fixed place: the one the extension
// names, and the one the file's first bytes name, which the loader asks when the first
// refuses the file.
bool DeclaresHugePicture(const std::string& extension, const std::uint8_t* data, std::size_t size) {
  if (kolta::test::SignatureDeclaresHugePicture(data, size)) return true;
  using namespace kolta::test;
  struct Check {
    const char* extension;
    bool (*huge)(const std::uint8_t*, std::size_t);
  };
  constexpr Check kChecks[] = {
      {"bmp", BmpDeclaresHugePicture},   {"RLE", BmpDeclaresHugePicture},
      {"png", PngDeclaresHugePicture},   {"jpg", JpegDeclaresHugePicture},
      {"Jpeg", JpegDeclaresHugePicture}, {"pcx", PcxDeclaresHugePicture},
      {"TGA", TgaDeclaresHugePicture},   {"psd", PsdDeclaresHugePicture},
  };
  for (const Check& check : kChecks) {
    if (extension == check.extension) return check.huge(data, size);
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::string extension = kExtensions[data[0] % kExtensionCount];
  const int boxWidth = data[1] % 48, boxHeight = data[2] % 24, fit = data[2] >= 128;
  data += 3;
  size -= 3;
  if (DeclaresHugePicture(extension, data, size)) return 0;

  const std::filesystem::path folder = Folder();
  std::filesystem::create_directories(folder);
  const std::string path = (folder / ("input." + extension)).string();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) __builtin_trap();
  const bool written = std::fwrite(data, 1, size, file) == size;
  if (std::fclose(file) != 0 || !written) __builtin_trap();

  DibImage* image = DibLoadFitted(path.c_str(), boxWidth, boxHeight, fit, 0x00123456);
  if (image &&
      (DibBitCount(image) != 24 ||
       (boxWidth && boxHeight && (DibWidth(image) != boxWidth || DibHeight(image) != boxHeight)))) {
    __builtin_trap();
  }
  kolta::test::ExerciseImage(image);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
