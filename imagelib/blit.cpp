// Painting single pixels and the compositing blit (opacity, colour key, selection mask),
// the comparison helpers and the unit opacity table.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "dib_ops.h"
#include "new_array.h"

namespace {

constexpr float kOpaqueTolerance = 0.01f;

std::uint8_t ClampToByte(float value) {
  return value >= 255 ? 255 : value > 0 ? static_cast<std::uint8_t>(value) : 0;
}

// The value rounded to single precision. The x87 unit (the i686 build) keeps intermediate
// results wider, which moves some blends across a whole number (one in twenty at opacity
// 0.9); a store to memory rounds, so every build truncates the same results.
inline float Single(float value) {
#if __FLT_EVAL_METHOD__ != 0
  volatile float stored = value;
  return stored;
#else
  return value;
#endif
}

// trunc(opacity x (c - v) + v), computed in single precision.
std::uint8_t Blend(float opacity, int c, int v) {
  return ClampToByte(Single(Single(opacity * static_cast<float>(c - v)) + static_cast<float>(v)));
}

struct Bgr {
  std::uint8_t blue, green, red;
  static Bgr Of(DibColor colour) {
    return {static_cast<std::uint8_t>(colour >> 16), static_cast<std::uint8_t>(colour >> 8),
            static_cast<std::uint8_t>(colour)};
  }
  bool Matches(const std::uint8_t* pixel, int tolerance) const {
    return std::abs(pixel[0] - blue) <= tolerance && std::abs(pixel[1] - green) <= tolerance &&
           std::abs(pixel[2] - red) <= tolerance;
  }
};

// Draws colour `c` (or the source pixel) over pixel t: copied when opaque, else blended.
inline void Draw(std::uint8_t* t, const std::uint8_t* c, bool opaque, float opacity) {
  if (opaque) {
    t[0] = c[0];
    t[1] = c[1];
    t[2] = c[2];
  } else {
    for (int k = 0; k < 3; ++k) t[k] = Blend(opacity, c[k], t[k]);
  }
}

// Every result of Blend for one opacity, for large areas: the same values, looked up. Null
// when memory for it runs out; the pixels are then blended one by one, to the same values.
std::unique_ptr<std::uint8_t[]> NewBlendTable(float opacity) {
  std::unique_ptr<std::uint8_t[]> table = kolta::image::NewArray<std::uint8_t>(256 * 256);
  if (!table) return nullptr;
  for (int c = 0; c < 256; ++c) {
    for (int v = 0; v < 256; ++v) table[c * 256 + v] = Blend(opacity, c, v);
  }
  return table;
}

inline void DrawFromTable(const std::uint8_t* table, std::uint8_t* t, const std::uint8_t* c) {
  for (int k = 0; k < 3; ++k) t[k] = table[c[k] * 256 + t[k]];
}

// Below this many blended pixels the table costs more than it saves.
constexpr std::int64_t kBlendTablePixels = 1 << 15;

std::uint8_t* RowAddress(DibImage* image, std::int64_t y) {
  return DibBits(image) + static_cast<std::size_t>(image->height - 1 - y) * DibStride(image);
}

float* g_unitTable = nullptr;

}  // namespace

const float* UnitTable = nullptr;

int NearlyEqualF(float a, float b, float tolerance) {
  return std::fabs(a - b) <= std::fabs(tolerance);
}

int NearlyEqual(int a, int b, int tolerance) {
  return std::llabs(std::int64_t{a} - b) <= std::llabs(std::int64_t{tolerance});
}

int ColourMatches(DibColor a, DibColor b, int tolerance) {
  const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(a >> 16),
                                 static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a)};
  return Bgr::Of(b).Matches(bytes, tolerance);
}

int PointInRect(int x, int y, int left, int top, int right, int bottom) {
  return left <= x && x < right && top <= y && y < bottom;
}

int ClipToSelection(const DibRect* rect, const DibRect* other, const SelectionMask* mask,
                    DibRect* out) {
  if (!rect || !out) return 0;
  DibRect clip = *rect;
  auto intersect = [&clip](const DibRect& r) {
    clip = {std::max(clip.left, r.left), std::max(clip.top, r.top), std::min(clip.right, r.right),
            std::min(clip.bottom, r.bottom)};
  };
  if (other) intersect(*other);
  DibRect bounds;
  if (SelectionBounds(mask, &bounds)) intersect(bounds);
  *out = clip;
  return clip.left < clip.right && clip.top < clip.bottom;
}

int DibPaintPixel(const SelectionMask* mask, DibImage* image, int x, int y, DibColor colour,
                  float opacity, int invert) {
  if (!DibIs24(image) || !SelectionContains(mask, x, y, nullptr, nullptr)) return 0;
  std::uint8_t* pixel = DibPixelAddress(image, x, y);
  if (!pixel) return 0;
  if (invert) {
    for (int k = 0; k < 3; ++k)
      pixel[k] = ClampToByte(Single(opacity * static_cast<float>(255 - pixel[k])));
    return 1;
  }
  const Bgr c = Bgr::Of(colour);
  const std::uint8_t bytes[3] = {c.blue, c.green, c.red};
  Draw(pixel, bytes, NearlyEqualF(opacity, 1.0f, kOpaqueTolerance), opacity);
  return 1;
}

int DibComposite(const SelectionMask* mask, const CompositeParams* params) {
  if (!params || !DibIs24(params->target)) return 0;
  DibImage* target = params->target;
  if (params->source && !DibIsValid(params->source)) return 0;
  DibImage* source = params->source ? params->source : target;
  if (!DibIs24(source)) return 0;
  const std::int64_t x = params->x, y = params->y;
  const std::int64_t sx = params->source ? params->sourceX : params->x;
  const std::int64_t sy = params->source ? params->sourceY : params->y;

  std::int64_t w = std::max<std::int64_t>(0, std::min(target->width - x, source->width - sx));
  std::int64_t h = std::max<std::int64_t>(0, std::min(target->height - y, source->height - sy));
  w = std::min<std::int64_t>(w, params->maxWidth);
  h = std::min<std::int64_t>(h, params->maxHeight);
  if (w <= 0 || h <= 0) return 0;

  const std::uint8_t* corner = DibBits(source);
  const Bgr key =
      params->keyFromCorner ? Bgr{corner[0], corner[1], corner[2]} : Bgr::Of(params->keyColour);
  const DibRect whole{0, 0, target->width, target->height};
  DibRect clip;
  if (!ClipToSelection(&whole, nullptr, mask, &clip)) return 0;
  if (mask && !mask->values) return 1;  // a mask without values selects nothing

  // The pixels that lie in the clip rectangle and whose source pixel exists.
  const std::int64_t jBegin = std::max<std::int64_t>({0, clip.left - x, -sx});
  const std::int64_t jEnd = std::min<std::int64_t>({w, clip.right - x, source->width - sx});
  const std::int64_t iBegin = std::max<std::int64_t>({0, clip.top - y, -sy});
  const std::int64_t iEnd = std::min<std::int64_t>({h, clip.bottom - y, source->height - sy});

  const bool paintsFill = source == target;
  const bool opaque = NearlyEqualF(params->opacity, 1.0f, kOpaqueTolerance);
  const int tolerance = static_cast<int>(params->tolerance & 0xFF);
  const Bgr fill = Bgr::Of(params->fillColour);
  const std::uint8_t fillBytes[3] = {fill.blue, fill.green, fill.red};

  std::unique_ptr<std::uint8_t[]> table;
  if (!opaque && !params->invert && (iEnd - iBegin) * (jEnd - jBegin) >= kBlendTablePixels) {
    table = NewBlendTable(params->opacity);
  }
  auto draw = [&](std::uint8_t* t, const std::uint8_t* c) {
    if (table) {
      DrawFromTable(table.get(), t, c);
    } else {
      Draw(t, c, opaque, params->opacity);
    }
  };

  for (std::int64_t i = iBegin; i < iEnd; ++i) {
    std::uint8_t* t = RowAddress(target, y + i) + (x + jBegin) * 3;
    const std::uint8_t* s = RowAddress(source, sy + i) + (sx + jBegin) * 3;
    const std::uint8_t* selected =
        mask ? mask->values + (y + i - mask->top) * mask->width + (x + jBegin - mask->left)
             : nullptr;
    for (std::int64_t j = jBegin; j < jEnd; ++j, t += 3, s += 3) {
      if (selected && *selected++ == 0) continue;
      if (params->invert) {
        for (int k = 0; k < 3; ++k) t[k] = static_cast<std::uint8_t>(255 - t[k]);
      } else if (!paintsFill) {
        if (!(params->useKey && key.Matches(s, tolerance))) draw(t, s);
      } else if (!params->useKey || key.Matches(t, tolerance)) {
        draw(t, fillBytes);
      }
    }
  }
  return 1;
}

int UnitTableCreate() {
  if (g_unitTable) return 1;
  g_unitTable = static_cast<float*>(ImgAlloc(256 * sizeof(float)));
  if (!g_unitTable) return 0;
  const float unit = 1.0f / 255.0f;
  for (int i = 0; i < 256; ++i) g_unitTable[i] = static_cast<float>(i) * unit;
  UnitTable = g_unitTable;
  return 1;
}

void UnitTableFree() {
  ImgFree(g_unitTable);
  g_unitTable = nullptr;
  UnitTable = nullptr;
}
