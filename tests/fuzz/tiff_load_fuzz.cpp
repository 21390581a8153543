// Loads arbitrary bytes as a TIFF file, then converts and turns the image, so that every
// image the reader accepts is proven consistent with its own header.
#include "picture_fuzz.h"
#include "tiff_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DibImage* image = TiffLoadFromMemory(data, size);
  // The size lies in a directory anywhere in the file: a huge picture, read quickly as
  // zero rows, is only checked, not converted.
  if (image && kolta::test::HugePicture(DibWidth(image), DibHeight(image))) {
    kolta::test::CheckBlockHoldsRows(image);
    DibFree(image);
    return 0;
  }
  kolta::test::ExerciseImage(image);
  return 0;
}
