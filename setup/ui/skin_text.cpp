// Text measured and drawn by GDI, and text rendered into images: GDI draws the glyphs white
// on black into a bitmap the size of the text box; that coverage picture, turned and
// softened as asked, then decides per pixel how much of the colour is painted.
#include "skin_text.h"

#include <cstdint>
#include <cstdlib>

#include "dib_gdi.h"
#include "dib_ops.h"
#include "gdi_owners.h"
#include "image_owners.h"

namespace {

using kolta::BitmapPtr;
using kolta::ImagePtr;
using kolta::MemoryDC;
using kolta::Selected;
using kolta::SelectionPtr;
using PenPtr = kolta::GdiPtr<HPEN>;

bool HasText(const char* text, int length) { return text && length > 0; }

SIZE TextExtent(HDC dc, const char* text, int length) {
  SIZE size{0, 0};
  if (!dc || !HasText(text, length) || !GetTextExtentPointA(dc, text, length, &size)) return {0, 0};
  return size;
}

int ItalicPad(HDC dc, int divisor) {
  TEXTMETRICA metrics;
  if (!dc || !GetTextMetricsA(dc, &metrics) || !metrics.tmItalic) return 0;
  return metrics.tmMaxCharWidth / divisor;
}

std::int64_t RectWidth(const RECT* rect) { return std::int64_t{rect->right} - rect->left; }

// Everything one rendering pass needs besides the target and position.
struct TextStyle {
  const char* text;
  int length;
  HFONT font;  // never null: the reference's own font when the caller gave none
  COLORREF colour;
  const DibImage* colourTexture;   // null, or 24- or 32-bit
  const DibImage* opacityTexture;  // null, or 8 bits per pixel or more
  float opacity;
  int outlineWidth;
  int soften, mirror, flip, fade;
  int boxWidth, boxHeight;  // the text box, measured with the font
  // Room on either side of the box for ink outside it: a glyph may reach beyond its
  // advance (the end of a round or slanted last letter, the start of a "j"), which the
  // measured box leaves out.
  int inkMargin;
};

// A font's ink may reach beyond the measured box by part of a character's width; half the
// font's height is more than any glyph of a text font overhangs.
int InkMargin(HDC dc, HFONT font) {
  const Selected selected(dc, font);
  TEXTMETRICA metrics;
  if (!GetTextMetricsA(dc, &metrics)) return 0;
  return static_cast<int>(metrics.tmHeight / 2 + metrics.tmOverhang);
}

// The text in white on black in a new bitmap of the box's size and the ink margin on either
// side, compatible with `reference`: filled glyphs, or with an outline width only their
// outlines.
BitmapPtr DrawCoverageBitmap(HDC reference, const TextStyle& style) {
  const int width = style.boxWidth + 2 * style.inkMargin;
  BitmapPtr bitmap(CreateCompatibleBitmap(reference, width, style.boxHeight));
  if (!bitmap) return nullptr;
  bool drawn = false;
  {
    // Let go of the bitmap before it is read.
    const MemoryDC memory(reference, bitmap.get());
    const HDC dc = memory.get();
    if (!dc) return nullptr;
    const RECT box{0, 0, width, style.boxHeight};
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    const Selected fontSelected(dc, style.font);
    const int left = style.inkMargin + TextItalicLeftPad(dc);
    if (style.outlineWidth <= 0) {
      drawn = TextOutA(dc, left, 0, style.text, style.length);
    } else {
      PenPtr pen(CreatePen(PS_SOLID, style.outlineWidth, RGB(255, 255, 255)));
      if (pen) {
        const Selected penSelected(dc, pen.get());
        drawn = BeginPath(dc) && TextOutA(dc, left, 0, style.text, style.length) && EndPath(dc) &&
                StrokePath(dc);
      }
    }
  }
  if (!drawn) return nullptr;
  return bitmap;
}

// The coverage level (0-255) of each pixel: the first byte of a 24-bit image.
class Coverage {
 public:
  explicit Coverage(DibImage* image) : image_(image) {}
  int Width() const { return image_->width; }
  int Height() const { return image_->height; }
  std::uint8_t* Row(int y) const { return DibPixelAddress(image_, 0, y); }

  // Lowers every non-zero level by the share of its 3 x 3 block (inside the image) that is
  // empty. In place, from the top left: later pixels see the earlier pixels' new levels.
  void Soften() const {
    for (int y = 0; y < Height(); ++y) {
      std::uint8_t* row = Row(y);
      for (int x = 0; x < Width(); ++x) {
        const int level = row[3 * x];
        if (level == 0) continue;
        int inside = 0, inked = 0;
        for (int ny = y - 1; ny <= y + 1; ++ny) {
          if (ny < 0 || ny >= Height()) continue;
          const std::uint8_t* neighbours = Row(ny);
          for (int nx = x - 1; nx <= x + 1; ++nx) {
            if (nx < 0 || nx >= Width()) continue;
            ++inside;
            inked += neighbours[3 * nx] != 0;
          }
        }
        if (inked < inside) row[3 * x] = static_cast<std::uint8_t>(level * inked / inside);
      }
    }
  }

 private:
  DibImage* image_;
};

// The pixel of a tiled texture under a target point; textures repeat from the target's
// origin in both directions.
const std::uint8_t* TexturePixel(const DibImage* texture, std::int64_t x, std::int64_t y) {
  const std::int64_t column = std::llabs(x) % texture->width;
  const std::int64_t row = std::llabs(y) % texture->height;
  return DibPixelAddress(texture, static_cast<int>(column), static_cast<int>(row));
}

// Paints the coverage into the target with its top-left at (x, y).
void PaintCoverage(const SelectionMask* selection, DibImage* target, std::int64_t x, std::int64_t y,
                   const Coverage& coverage, const TextStyle& style) {
  const float* unit = UnitTable;
  for (int i = 0; i < coverage.Height(); ++i) {
    const std::int64_t targetY = y + i;
    if (targetY < 0 || targetY >= target->height) continue;
    const float fade =
        style.fade ? 1.0f - static_cast<float>(i) / static_cast<float>(coverage.Height()) : 1.0f;
    const std::uint8_t* levels = coverage.Row(i);
    for (int k = 0; k < coverage.Width(); ++k) {
      const int level = levels[3 * k];
      const std::int64_t targetX = x + k;
      // Level 0 would blend to the pixel's own value: nothing to paint.
      if (level == 0 || targetX < 0 || targetX >= target->width) continue;
      float textureOpacity = 1.0f;
      if (style.opacityTexture) {
        textureOpacity = unit[*TexturePixel(style.opacityTexture, targetX, targetY)];
      }
      COLORREF colour = style.colour;
      if (style.colourTexture) {
        const std::uint8_t* bgr = TexturePixel(style.colourTexture, targetX, targetY);
        colour = RGB(bgr[2], bgr[1], bgr[0]);
      }
      const float opacity = style.opacity * fade * textureOpacity * unit[level];
      DibPaintPixel(selection, target, static_cast<int>(targetX), static_cast<int>(targetY), colour,
                    opacity, 0);
    }
  }
}

int RenderText(const SelectionMask* selection, DibImage* target, HDC reference, std::int64_t x,
               std::int64_t y, const TextStyle& style) {
  ImagePtr coverage;
  {
    const BitmapPtr bitmap = DrawCoverageBitmap(reference, style);
    if (!bitmap) return 0;
    coverage.reset(DibFromDeviceBitmap(bitmap.get()));
  }
  if (!coverage) return 0;
  // Both keep the old image when the new one cannot be made.
  if (style.mirror) coverage.reset(DibMirror(coverage.release()));
  if (style.flip) coverage.reset(DibFlip(coverage.release()));
  const Coverage levels(coverage.get());
  if (style.soften) levels.Soften();
  PaintCoverage(selection, target, x - style.inkMargin, y, levels, style);
  return 1;
}

// A texture is read from pixel addresses: it needs whole bytes per pixel, at least
// `minimumBits` of them, and a real size to wrap around.
bool UsableTexture(const DibImage* texture, int minimumBits) {
  const int bits = DibBitCount(texture);
  return bits >= minimumBits && bits % 8 == 0 && texture->width > 0 && texture->height > 0;
}

// The style of the given options, or nothing to draw (text, target, reference or the
// opacity table missing, or an empty text box).
bool MakeStyle(DibImage* target, HDC reference, const char* text, int length, HFONT font,
               COLORREF colour, const DibImage* colourTexture, const DibImage* opacityTexture,
               float opacity, int outlineWidth, int soften, int mirror, int flip, int fade,
               TextStyle* style) {
  if (!DibIs24(target) || !reference || !HasText(text, length)) return false;
  // The installer builds the table at start; a caller that did not gets it here.
  if (!UnitTable && !UnitTableCreate()) return false;
  if (!font) font = static_cast<HFONT>(GetCurrentObject(reference, OBJ_FONT));
  *style = {text,
            length,
            font,
            colour,
            UsableTexture(colourTexture, 24) ? colourTexture : nullptr,
            UsableTexture(opacityTexture, 8) ? opacityTexture : nullptr,
            opacity,
            outlineWidth,
            soften,
            mirror,
            flip,
            fade,
            TextBoxWidth(reference, text, length, font),
            TextBoxHeight(reference, text, length, font),
            InkMargin(reference, font)};
  return style->boxWidth > 0 && style->boxHeight > 0;
}

int RenderShadowed(const SelectionMask* selection, DibImage* target, HDC reference, std::int64_t x,
                   std::int64_t y, const TextStyle& style, COLORREF shadowColour,
                   int shadowOffset) {
  if (shadowOffset != 0) {
    TextStyle shadow = style;
    shadow.colour = shadowColour;
    shadow.colourTexture = nullptr;
    shadow.opacity = style.opacity * 0.25f;
    RenderText(selection, target, reference, x + shadowOffset, y + shadowOffset, shadow);
  }
  return RenderText(selection, target, reference, x, y, style);
}

}  // namespace

int TextWidth(HDC dc, const char* text, int length) {
  return static_cast<int>(TextExtent(dc, text, length).cx);
}

// The texts drawn here carry names of folders, files and the product, in which "&" is a
// character like any other, never the mark of an underlined access key.
int DrawTextWrapIfLong(HDC dc, const char* text, int length, RECT* rect) {
  if (!dc || !HasText(text, length) || !rect) return 0;
  const UINT format = TextWidth(dc, text, length) < RectWidth(rect) ? 0 : DT_WORDBREAK;
  return DrawTextA(dc, text, length, rect, format | DT_NOPREFIX);
}

int DrawTextCentreIfFits(HDC dc, const char* text, int length, RECT* rect) {
  if (!dc || !HasText(text, length) || !rect) return 0;
  const UINT format = TextWidth(dc, text, length) < RectWidth(rect) ? DT_CENTER : 0;
  return DrawTextA(dc, text, length, rect, format | DT_NOPREFIX);
}

int TextItalicLeftPad(HDC dc) { return ItalicPad(dc, 6); }

int TextItalicRightPad(HDC dc) { return ItalicPad(dc, 5); }

int TextBoxWidth(HDC dc, const char* text, int length, HFONT font) {
  if (!dc) return 0;
  const Selected selected(dc, font);
  return static_cast<int>(TextExtent(dc, text, length).cx) + TextItalicRightPad(dc) +
         TextItalicLeftPad(dc);
}

int TextBoxHeight(HDC dc, const char* text, int length, HFONT font) {
  if (!dc) return 0;
  const Selected selected(dc, font);
  return static_cast<int>(TextExtent(dc, text, length).cy);
}

int TextRenderIntoImage(const SelectionMask* selection, DibImage* target, HDC reference, int x,
                        int y, const char* text, int length, HFONT font, COLORREF colour,
                        const DibImage* colourTexture, const DibImage* opacityTexture,
                        float opacity, int outlineWidth, int soften, int mirror, int flip,
                        int fade) {
  TextStyle style;
  if (!MakeStyle(target, reference, text, length, font, colour, colourTexture, opacityTexture,
                 opacity, outlineWidth, soften, mirror, flip, fade, &style)) {
    return 0;
  }
  return RenderText(selection, target, reference, x, y, style);
}

int TextRenderShadowed(const SelectionMask* selection, DibImage* target, HDC reference, int x,
                       int y, const char* text, int length, HFONT font, COLORREF colour,
                       const DibImage* colourTexture, const DibImage* opacityTexture, float opacity,
                       COLORREF shadowColour, int shadowOffset, int outlineWidth, int soften,
                       int mirror, int flip, int fade) {
  TextStyle style;
  if (!MakeStyle(target, reference, text, length, font, colour, colourTexture, opacityTexture,
                 opacity, outlineWidth, soften, mirror, flip, fade, &style)) {
    return 0;
  }
  return RenderShadowed(selection, target, reference, x, y, style, shadowColour, shadowOffset);
}

int TextRenderInRect(const SelectionMask* selection, DibImage* target, HDC reference,
                     const char* text, int length, const RECT* rect, HFONT font, int centre,
                     COLORREF colour, const DibImage* colourTexture, const DibImage* opacityTexture,
                     float opacity, COLORREF shadowColour, int shadowOffset, int outlineWidth,
                     int soften, int mirror, int flip, int fade) {
  TextStyle style;
  if (!rect ||
      !MakeStyle(target, reference, text, length, font, colour, colourTexture, opacityTexture,
                 opacity, outlineWidth, soften, mirror, flip, fade, &style)) {
    return 0;
  }
  const SelectionPtr box(
      SelectionCreateRect(rect->left, rect->top, rect->right, rect->bottom, soften));
  if (!box) return 0;
  // Within the caller's selection too, when there is one.
  const SelectionPtr clip(selection ? SelectionCombine(box.get(), selection, kSelectionIntersect)
                                    : nullptr);
  if (selection && !clip) return 0;

  std::int64_t left = rect->left, top = rect->top;
  if (centre) {
    // Centred where the text and its shadow fit; from the edge where they do not.
    auto offset = [&](std::int64_t room, int needed) {
      const std::int64_t spare = room - shadowOffset - needed;
      return spare >= 0 ? spare / 2 : 0;
    };
    left += offset(std::int64_t{rect->right} - rect->left, style.boxWidth);
    top += offset(std::int64_t{rect->bottom} - rect->top, style.boxHeight);
  }
  return RenderShadowed(clip ? clip.get() : box.get(), target, reference, left, top, style,
                        shadowColour, shadowOffset);
}
