// Copying and bilinear scaling between images, mirroring and flipping. Inner loops walk
// rows through precomputed addresses; the sampling positions accumulate exactly as a
// pixel-by-pixel walk would, so the results are identical to sampling each pixel with
// DibSampleBilinear.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "dib_ops.h"
#include "new_array.h"

namespace {

// A half-open range of loop indices, clipped to what both images hold.
struct IndexRange {
  std::int64_t begin, end;
  bool Empty() const { return begin >= end; }
};

IndexRange Overlap(std::int64_t count, std::int64_t targetStart, std::int64_t targetSize,
                   std::int64_t sourceStart, std::int64_t sourceSize) {
  return {std::max<std::int64_t>({0, -targetStart, -sourceStart}),
          std::min<std::int64_t>({count, targetSize - targetStart, sourceSize - sourceStart})};
}

std::uint8_t* RowAddress(DibImage* image, std::int64_t y) {
  return DibBits(image) + static_cast<std::size_t>(image->height - 1 - y) * DibStride(image);
}

std::uint8_t BilerpChannel(int p, int q, int r, int s, double fx, double fy) {
  const double a = fx * (r - p) + p;
  const double b = fx * (s - q) + q;
  const double v = a + fy * (b - a);
  return v >= 255 ? 255 : v > 0 ? static_cast<std::uint8_t>(v) : 0;
}

// Copies between equal-sized rectangles, row by row.
void CopyRows(DibImage* target, std::int64_t tx, std::int64_t ty, int tw, int th,
              const DibImage* source, std::int64_t sx, std::int64_t sy) {
  const int bytesPerPixel = DibBytesPerPixel(target);
  IndexRange columns, rows;
  if (tx >= 0 && ty >= 0 && sx >= 0 && sy >= 0) {
    // Whole rows of the length both images can give from the offsets on.
    std::int64_t n = std::min<std::int64_t>({target->width - tx, source->width - sx, tw});
    columns = {0, n < 1 ? 0 : n};
    rows = {0, std::min<std::int64_t>({th, target->height - ty, source->height - sy})};
  } else {
    columns = Overlap(tw, tx, target->width, sx, source->width);
    rows = Overlap(th, ty, target->height, sy, source->height);
  }
  if (columns.Empty() || rows.Empty() || bytesPerPixel == 0) return;
  const std::size_t bytes = static_cast<std::size_t>(columns.end - columns.begin) * bytesPerPixel;
  auto* sourceImage = const_cast<DibImage*>(source);
  for (std::int64_t i = rows.begin; i < rows.end; ++i) {
    std::uint8_t* to = RowAddress(target, ty + i) + (tx + columns.begin) * bytesPerPixel;
    const std::uint8_t* from =
        RowAddress(sourceImage, sy + i) + (sx + columns.begin) * bytesPerPixel;
    std::memmove(to, from, bytes);
  }
}

// Where one target column or row samples the source.
struct SamplePlace {
  std::int64_t near;  // x0 or y0
  std::int64_t far;   // x1 or y1; -1 when outside the source (the near pixel repeats)
  double fraction;
};

// The value as a double holds it. The 32-bit build computes on the x87 unit, whose
// registers carry more precision than a double: a sum kept there would land on the other
// side of a whole pixel than the same sum stored, depending on how the compiler placed it.
double AsDouble(double value) {
  volatile double stored = value;
  return stored;
}

// The places of target indices [begin, end), stepping `step` from `origin`, or null when
// memory for them runs out. Entries whose near pixel lies outside the source get near = -1
// (nothing is drawn there).
std::unique_ptr<SamplePlace[]> SamplePlaces(IndexRange range, int origin, double step,
                                            int sourceSize) {
  std::unique_ptr<SamplePlace[]> places =
      kolta::image::NewArray<SamplePlace>(static_cast<std::size_t>(range.end - range.begin));
  if (!places) return nullptr;
  double offset = 0;
  for (std::int64_t k = 0; k < range.end; ++k, offset = AsDouble(offset + step)) {
    if (k < range.begin) continue;
    const double position = AsDouble(origin + offset);
    const double low = std::floor(position), high = std::ceil(position);
    SamplePlace place{-1, -1, position - low};
    if (low >= 0 && low < sourceSize) place.near = static_cast<std::int64_t>(low);
    if (high >= 0 && high < sourceSize) place.far = static_cast<std::int64_t>(high);
    places[static_cast<std::size_t>(k - range.begin)] = place;
  }
  return places;
}

// False (the target unchanged) when memory for the sampling places runs out.
bool ScaleRows(DibImage* target, int tx, int ty, int tw, int th, const DibImage* source, int sx,
               int sy, int sw, int sh) {
  const int n = DibBytesPerPixel(target);
  if (n != 1 && n != 3) return true;  // Bilerp writes nothing for other pixel sizes
  const IndexRange columns{std::max<std::int64_t>(0, -std::int64_t{tx}),
                           std::min<std::int64_t>(tw, std::int64_t{target->width} - tx)};
  const IndexRange rows{std::max<std::int64_t>(0, -std::int64_t{ty}),
                        std::min<std::int64_t>(th, std::int64_t{target->height} - ty)};
  if (columns.Empty() || rows.Empty()) return true;
  const double stepX = 1 / (static_cast<double>(tw) / sw);
  const double stepY = 1 / (static_cast<double>(th) / sh);
  // Both ranges lie within the target, so their lengths fit a size_t.
  const auto columnCount = static_cast<std::size_t>(columns.end - columns.begin);
  const auto rowCount = static_cast<std::size_t>(rows.end - rows.begin);
  const std::unique_ptr<SamplePlace[]> xs = SamplePlaces(columns, sx, stepX, source->width);
  const std::unique_ptr<SamplePlace[]> ys = SamplePlaces(rows, sy, stepY, source->height);
  if (!xs || !ys) return false;
  auto* sourceImage = const_cast<DibImage*>(source);

  for (std::size_t i = 0; i < rowCount; ++i) {
    const SamplePlace& y = ys[i];
    if (y.near < 0) continue;
    const std::uint8_t* row0 = RowAddress(sourceImage, y.near);
    const std::uint8_t* row1 = y.far >= 0 ? RowAddress(sourceImage, y.far) : nullptr;
    std::uint8_t* out = RowAddress(target, ty + rows.begin + i) + (tx + columns.begin) * n;
    for (std::size_t j = 0; j < columnCount; ++j, out += n) {
      const SamplePlace& x = xs[j];
      if (x.near < 0) continue;
      const std::uint8_t* p = row0 + x.near * n;
      const std::uint8_t* q = row1 ? row1 + x.near * n : p;
      const std::uint8_t* r = x.far >= 0 ? row0 + x.far * n : p;
      const std::uint8_t* s = row1 && x.far >= 0 ? row1 + x.far * n : p;
      for (int k = n - 1; k >= 0; --k)
        out[k] = BilerpChannel(p[k], q[k], r[k], s[k], x.fraction, y.fraction);
    }
  }
  return true;
}

// The new image of a mirror or flip, or null when the image is not 8- or 24-bit.
DibImage* ReversalTarget(const DibImage* image) {
  const int n = DibBytesPerPixel(image);
  if (image->bitCount != 8 && n != 3) return nullptr;
  return DibCreate(n == 3, image->width, image->height, nullptr, 0);
}

}  // namespace

int DibStretchCopy(DibImage* target, int tx, int ty, int tw, int th, const DibImage* source, int sx,
                   int sy, int sw, int sh) {
  if (!DibIsValid(target) || !DibIsValid(source) ||
      DibBytesPerPixel(target) != DibBytesPerPixel(source) || sw == 0 || sh == 0 || tw == 0 ||
      th == 0 || target->width <= 0 || target->height <= 0 || source->width <= 0 ||
      source->height <= 0) {
    return 0;
  }
  if (tw == sw && th == sh) {
    CopyRows(target, tx, ty, tw, th, source, sx, sy);
    return 1;
  }
  return ScaleRows(target, tx, ty, tw, th, source, sx, sy, sw, sh) ? 1 : 0;
}

void DibSampleBilinear(DibImage* target, int x, int y, const DibImage* source, double sx, double sy,
                       int bytesPerPixel) {
  std::uint8_t* out = DibPixelAddress(target, x, y);
  // Pixels of another size than both images' would be read and written past their ends.
  if (!out || !DibIsValid(source) || bytesPerPixel != DibBytesPerPixel(target) ||
      bytesPerPixel != DibBytesPerPixel(source) || !std::isfinite(sx) || !std::isfinite(sy)) {
    return;
  }
  // Coordinates beyond the int range lie outside any image.
  auto toIndex = [](double v) { return v >= -1e9 && v <= 1e9 ? static_cast<int>(v) : -1; };
  const int x0 = toIndex(std::floor(sx)), x1 = toIndex(std::ceil(sx));
  const int y0 = toIndex(std::floor(sy)), y1 = toIndex(std::ceil(sy));
  const std::uint8_t* p = DibPixelAddress(source, x0, y0);
  if (!p) return;
  const std::uint8_t* q = DibPixelAddress(source, x0, y1);
  const std::uint8_t* r = DibPixelAddress(source, x1, y0);
  const std::uint8_t* s = DibPixelAddress(source, x1, y1);
  Bilerp(p, q ? q : p, r ? r : p, s ? s : p, sx - std::floor(sx), sy - std::floor(sy), out,
         bytesPerPixel);
}

void Bilerp(const std::uint8_t* x0y0, const std::uint8_t* x0y1, const std::uint8_t* x1y0,
            const std::uint8_t* x1y1, double fx, double fy, std::uint8_t* out, int bytesPerPixel) {
  if ((bytesPerPixel != 1 && bytesPerPixel != 3) || !x0y0 || !x0y1 || !x1y0 || !x1y1 || !out)
    return;
  for (int k = bytesPerPixel - 1; k >= 0; --k) {
    out[k] = BilerpChannel(x0y0[k], x0y1[k], x1y0[k], x1y1[k], fx, fy);
  }
}

DibImage* DibMirror(DibImage* image) {
  if (!DibIsValid(image)) return image;
  DibImage* result = ReversalTarget(image);
  if (!result) return image;
  const int n = DibBytesPerPixel(image);
  for (int y = 0; y < image->height; ++y) {
    const std::uint8_t* from =
        RowAddress(image, y) + static_cast<std::size_t>(image->width - 1) * n;
    std::uint8_t* to = RowAddress(result, y);
    for (int x = 0; x < image->width; ++x, from -= n, to += n) std::memcpy(to, from, n);
  }
  DibFree(image);
  return result;
}

DibImage* DibFlip(DibImage* image) {
  if (!DibIsValid(image)) return image;
  DibImage* result = ReversalTarget(image);
  if (!result) return image;
  const std::size_t bytes = static_cast<std::size_t>(image->width) * DibBytesPerPixel(image);
  for (int y = 0; y < image->height; ++y) {
    std::memcpy(RowAddress(result, y), RowAddress(image, image->height - 1 - y), bytes);
  }
  DibFree(image);
  return result;
}
