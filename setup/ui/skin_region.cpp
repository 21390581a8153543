// The window shape is collected as horizontal runs of inside pixels. Rows with the same
// runs form one band, so every band becomes one rectangle per run; the rectangles reach
// GDI in small pieces through ExtCreateRegion, joined with RGN_OR. The result is the
// rectangle 0, 0, width, height without every pixel whose value is below 128.
#include "skin_region.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "bmp_file.h"
#include "image_owners.h"

namespace {

// Values from here up are inside the window.
constexpr std::uint8_t kInsideFrom = 128;

// Rectangles per ExtCreateRegion call. GDI joins region data rectangle by rectangle, which
// grows with the square of the count on some systems; small pieces merged pairwise (below)
// keep the whole build near linear.
constexpr int kRectsPerPiece = 16;

struct Span {
  int left, right;  // right exclusive
  bool operator==(const Span&) const = default;
};

// The runs of inside pixels of one row: at most one for every two pixels, and one more.
class SpanRow {
 public:
  explicit SpanRow(int width)
      : spans_(new (std::nothrow) Span[static_cast<std::size_t>(width) / 2 + 1]) {}
  bool valid() const { return spans_ != nullptr; }

  void Collect(const std::uint8_t* row, int width) {
    count_ = 0;
    for (int x = 0; x < width;) {
      while (x < width && row[x] < kInsideFrom) ++x;
      const int left = x;
      while (x < width && row[x] >= kInsideFrom) ++x;
      if (x > left) spans_[count_++] = {left, x};
    }
  }

  const Span* begin() const { return spans_.get(); }
  const Span* end() const { return spans_.get() + count_; }
  bool operator==(const SpanRow& other) const {
    return std::equal(begin(), end(), other.begin(), other.end());
  }
  void swap(SpanRow& other) noexcept {
    spans_.swap(other.spans_);
    std::swap(count_, other.count_);
  }

 private:
  std::unique_ptr<Span[]> spans_;
  std::size_t count_ = 0;
};

// Collects disjoint rectangles and joins them into one region. Pieces are merged like a
// binary counter: two regions of the same level (made of the same number of pieces) are
// joined into one of the next level, so every rectangle takes part in few joins.
class RegionBuilder {
 public:
  RegionBuilder() = default;
  RegionBuilder(const RegionBuilder&) = delete;
  RegionBuilder& operator=(const RegionBuilder&) = delete;
  ~RegionBuilder() {
    for (int i = 0; i < levelCount_; ++i) DeleteObject(levels_[i].region);
  }

  void Add(const RECT& rect) {
    if (count_ == kRectsPerPiece) Flush();
    piece_.rects[count_++] = rect;
  }

  // The region of every rectangle added (empty when there was none); null when GDI failed.
  HRGN Finish() {
    Flush();
    while (!failed_ && levelCount_ > 1) JoinTopTwo();
    if (failed_) return nullptr;
    if (levelCount_ == 0) return CreateRectRgn(0, 0, 0, 0);
    levelCount_ = 0;
    return levels_[0].region;
  }

 private:
  struct Piece {
    RGNDATAHEADER header;
    RECT rects[kRectsPerPiece];
  };
  struct Level {
    HRGN region;
    int level;
  };

  void Flush() {
    if (count_ == 0 || failed_) return;
    RGNDATAHEADER& header = piece_.header;
    header = {sizeof header, RDH_RECTANGLES, static_cast<DWORD>(count_),
              static_cast<DWORD>(count_ * sizeof(RECT)), piece_.rects[0]};
    for (int i = 1; i < count_; ++i) UnionBounds(header.rcBound, piece_.rects[i]);
    const DWORD bytes = static_cast<DWORD>(sizeof header + count_ * sizeof(RECT));
    HRGN region = ExtCreateRegion(nullptr, bytes, reinterpret_cast<const RGNDATA*>(&piece_));
    count_ = 0;
    if (!region) {
      failed_ = true;
      return;
    }
    // Room for every level: the levels below the top are all different and each holds
    // twice the pieces of the one after it, so no more than the bits of a count are in use.
    levels_[levelCount_++] = {region, 0};
    while (!failed_ && levelCount_ > 1 &&
           levels_[levelCount_ - 2].level == levels_[levelCount_ - 1].level) {
      JoinTopTwo();
    }
  }

  // Joins the last region into the one before it, one level up.
  void JoinTopTwo() {
    const Level last = levels_[--levelCount_];
    Level& into = levels_[levelCount_ - 1];
    failed_ = CombineRgn(into.region, into.region, last.region, RGN_OR) == ERROR;
    DeleteObject(last.region);
    ++into.level;
  }

  static void UnionBounds(RECT& bounds, const RECT& rect) {
    if (rect.left < bounds.left) bounds.left = rect.left;
    if (rect.top < bounds.top) bounds.top = rect.top;
    if (rect.right > bounds.right) bounds.right = rect.right;
    if (rect.bottom > bounds.bottom) bounds.bottom = rect.bottom;
  }

  Piece piece_{};
  int count_ = 0;
  Level levels_[8 * sizeof(std::size_t) + 1];
  int levelCount_ = 0;
  bool failed_ = false;
};

}  // namespace

HRGN SkinRegionFromMask(const char* maskPath) {
  if (!maskPath) return nullptr;
  const kolta::ImagePtr mask(BmpLoad(maskPath));
  // Only one byte per pixel is read as a value; other depths would be read past their rows.
  if (!mask || DibBitCount(mask.get()) != 8) return nullptr;
  const int width = DibWidth(mask.get()), height = DibHeight(mask.get());

  RegionBuilder builder;
  SpanRow band(width), row(width);
  if (!band.valid() || !row.valid()) return nullptr;
  int bandTop = 0;
  auto closeBand = [&](int bottom) {
    for (const Span& span : band) builder.Add({span.left, bandTop, span.right, bottom});
  };
  for (int y = 0; y < height; ++y) {
    row.Collect(DibPixelAddress(mask.get(), 0, y), width);
    if (row == band) continue;
    closeBand(y);
    band.swap(row);
    bandTop = y;
  }
  closeBand(height);
  return builder.Finish();
}
