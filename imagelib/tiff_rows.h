// Turning the decoded rows of a TIFF file into image rows: undoing horizontal
// differencing, taking 8 bits of each colour sample into the image's pixels, and turning
// the picture upright as the file's orientation asks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "dib_image.h"

namespace kolta::image {

// Where the stored picture's rows and columns go, as ImageMagick's -auto-orient turns
// them: stored pixel (column c, row r) lands at (x, y) = swap ? (r, c) : (c, r), then x
// and y counted from the far side where flipX and flipY say. Orientation 1 (rows from the
// top, columns from the left) and values outside 1-8 leave the picture as it is.
struct Orientation {
  bool swap = false, flipX = false, flipY = false;
};
Orientation OrientationFromTag(std::uint32_t tag);

// Stored row r of a picture `storedWidth` x `storedHeight` in `image` (already of the
// upright size): its pixel c goes to `first` + c x `step`. For images of 8 and 24 bits.
struct RowTarget {
  std::uint8_t* first;
  std::ptrdiff_t step;
};
RowTarget TargetOfRow(DibImage* image, Orientation orientation, int storedWidth, int storedHeight,
                      int row);

// Undoes horizontal differencing in the whole samples of `row`: each sample was stored
// as its difference from the same sample of the pixel before (16-bit samples in the
// file's byte order, the differences wrapping around).
void UndoHorizontalDifferencing(std::span<std::uint8_t> row, std::size_t samplesPerPixel,
                                std::size_t sampleBytes, bool bigEndian);

// How the samples of a decoded row lie and which of them become which byte of a pixel.
struct SampleLayout {
  std::size_t pixelBytes = 1;   // from one pixel's samples to the next's
  std::size_t sampleBytes = 1;  // 1, or 2 for 16-bit samples
  // The byte of a sample taken: a 16-bit sample gives its high byte, which is its first
  // in a big-endian file and its second in a little-endian one.
  std::size_t highByte = 0;
  std::size_t channels = 1;                 // samples taken from each pixel, in order
  std::array<std::uint8_t, 3> channelAt{};  // the byte of the image pixel each one fills
};

// Writes the first `width` pixels of `row` through `target`.
void PlaceSamples(const std::uint8_t* row, int width, const SampleLayout& layout, RowTarget target);

// Places stored row `row` of 1- or 4-bit pixels (the first the most significant bits of
// the first byte) into `image`, for the orientations that swap rows and columns.
void PlaceSmallPixels(std::span<const std::uint8_t> pixels, int bitCount, DibImage* image,
                      Orientation orientation, int storedWidth, int storedHeight, int row);

void RedGreenBlueToBlueGreenRed(std::span<std::uint8_t> row, int width);

}  // namespace kolta::image
