#include "tiff_rows.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kolta::image {
namespace {

struct Point {
  int x, y;
};

// Where stored pixel (column, row) lands.
Point Upright(Orientation orientation, int storedWidth, int storedHeight, int column, int row) {
  const int width = orientation.swap ? storedHeight : storedWidth;
  const int height = orientation.swap ? storedWidth : storedHeight;
  int x = orientation.swap ? row : column;
  int y = orientation.swap ? column : row;
  if (orientation.flipX) x = width - 1 - x;
  if (orientation.flipY) y = height - 1 - y;
  return {x, y};
}

// The running sums of the usual sample counts kept in registers: no byte waits for the
// store of the one before.
template <std::size_t kSamples>
void UndoDifferencing8(std::span<std::uint8_t> row) {
  if (row.size() < kSamples) return;
  std::array<std::uint8_t, kSamples> sums;
  std::copy_n(row.begin(), kSamples, sums.begin());
  const std::size_t whole = row.size() - row.size() % kSamples;
  for (std::size_t at = kSamples; at < whole; at += kSamples) {
    for (std::size_t k = 0; k < kSamples; ++k) {
      sums[k] = static_cast<std::uint8_t>(sums[k] + row[at + k]);
      row[at + k] = sums[k];
    }
  }
  for (std::size_t at = whole; at < row.size(); ++at) {
    row[at] = static_cast<std::uint8_t>(row[at] + row[at - kSamples]);
  }
}

}  // namespace

Orientation OrientationFromTag(std::uint32_t tag) {
  switch (tag) {
    case 2:
      return {false, true, false};  // columns from the right
    case 3:
      return {false, true, true};  // turned half round
    case 4:
      return {false, false, true};  // rows from the bottom
    case 5:
      return {true, false, false};  // rows are columns from the left, from the top
    case 6:
      return {true, true, false};  // a quarter turn clockwise
    case 7:
      return {true, true, true};
    case 8:
      return {true, false, true};  // a quarter turn anticlockwise
    default:
      return {};
  }
}

RowTarget TargetOfRow(DibImage* image, Orientation orientation, int storedWidth, int storedHeight,
                      int row) {
  const Point start = Upright(orientation, storedWidth, storedHeight, 0, row);
  const auto pixelBytes = static_cast<std::ptrdiff_t>(DibBitCount(image) / 8);
  // Rows are stored bottom-up: the next y is one stride lower in memory.
  const auto stride = static_cast<std::ptrdiff_t>(DibStride(image));
  const std::ptrdiff_t step = orientation.swap ? (orientation.flipY ? stride : -stride)
                                               : (orientation.flipX ? -pixelBytes : pixelBytes);
  return {DibPixelAddress(image, start.x, start.y), step};
}

void UndoHorizontalDifferencing(std::span<std::uint8_t> row, std::size_t samplesPerPixel,
                                std::size_t sampleBytes, bool bigEndian) {
  if (sampleBytes == 1) {
    if (samplesPerPixel == 3) return UndoDifferencing8<3>(row);
    if (samplesPerPixel == 4) return UndoDifferencing8<4>(row);
    if (samplesPerPixel == 1) return UndoDifferencing8<1>(row);
    for (std::size_t i = samplesPerPixel; i < row.size(); ++i) {
      row[i] = static_cast<std::uint8_t>(row[i] + row[i - samplesPerPixel]);
    }
    return;
  }
  const std::size_t samples = row.size() / 2;
  const std::size_t high = bigEndian ? 0 : 1;
  auto get = [&](std::size_t i) {
    return static_cast<unsigned>(row[2 * i + high] << 8 | row[2 * i + 1 - high]);
  };
  for (std::size_t i = samplesPerPixel; i < samples; ++i) {
    const unsigned sum = get(i) + get(i - samplesPerPixel);
    row[2 * i + high] = static_cast<std::uint8_t>(sum >> 8);
    row[2 * i + 1 - high] = static_cast<std::uint8_t>(sum);
  }
}

namespace {

template <std::size_t kChannels>
void PlaceChannels(const std::uint8_t* row, int width, const SampleLayout& layout,
                   RowTarget target) {
  for (std::ptrdiff_t x = 0; x < width; ++x) {
    const std::uint8_t* sample =
        row + static_cast<std::size_t>(x) * layout.pixelBytes + layout.highByte;
    std::uint8_t* pixel = target.first + x * target.step;
    for (std::size_t k = 0; k < kChannels; ++k) {
      pixel[layout.channelAt[k]] = sample[k * layout.sampleBytes];
    }
  }
}

}  // namespace

void PlaceSamples(const std::uint8_t* row, int width, const SampleLayout& layout,
                  RowTarget target) {
  if (layout.channels == 1) return PlaceChannels<1>(row, width, layout, target);
  PlaceChannels<3>(row, width, layout, target);
}

void PlaceSmallPixels(std::span<const std::uint8_t> pixels, int bitCount, DibImage* image,
                      Orientation orientation, int storedWidth, int storedHeight, int row) {
  const int perByte = 8 / bitCount;
  const unsigned mask = (1u << bitCount) - 1;
  auto shift = [&](int x) { return 8 - bitCount * (x % perByte + 1); };
  for (int column = 0; column < storedWidth; ++column) {
    const auto at = static_cast<std::size_t>(column / perByte);
    if (at >= pixels.size()) return;
    const unsigned value = (pixels[at] >> shift(column)) & mask;
    const Point p = Upright(orientation, storedWidth, storedHeight, column, row);
    std::uint8_t& byte = DibPixelAddress(image, 0, p.y)[p.x / perByte];
    byte = static_cast<std::uint8_t>((byte & ~(mask << shift(p.x))) | (value << shift(p.x)));
  }
}

void RedGreenBlueToBlueGreenRed(std::span<std::uint8_t> row, int width) {
  for (std::size_t at = 0; at < static_cast<std::size_t>(width) * 3; at += 3) {
    std::swap(row[at], row[at + 2]);
  }
}

}  // namespace kolta::image
