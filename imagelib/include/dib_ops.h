// Pixel operations on images: conversion to 24 bits, copying and bilinear scaling,
// mirroring and flipping, painting and the compositing blit with opacity, colour key and
// selection mask. Colours are COLORREF-ordered integers; opacities are floats, 1 = opaque.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dib_image.h"
#include "selection_mask.h"

// The parameters of DibComposite.
struct CompositeParams {
  DibImage* target;
  std::int32_t x, y;  // where the source's origin lands in the target
  DibImage* source;   // null: the target itself, painted with the fill colour
  std::int32_t sourceX, sourceY;
  std::int32_t invert;         // invert the target pixels instead of drawing
  std::int32_t useKey;         // colour keying
  std::int32_t keyFromCorner;  // key = the source's first stored (bottom-left) pixel
  DibColor keyColour;
  std::uint32_t tolerance;  // low byte: largest difference per channel that matches the key
  DibColor fillColour;
  float opacity;
  std::int32_t maxWidth, maxHeight;
};

#if defined(__i386__)
// The record's 32-bit layout.
static_assert(sizeof(CompositeParams) == 60 && offsetof(CompositeParams, source) == 12 &&
              offsetof(CompositeParams, keyColour) == 36 &&
              offsetof(CompositeParams, opacity) == 48 &&
              offsetof(CompositeParams, maxHeight) == 56);
#endif

// A new 24-bit image of any image: palette look-up for 1, 4 and 8 bits, 5-5-5 for 16 bits,
// the fourth byte dropped for 32 bits; a 24-bit image is duplicated. Null on failure.
DibImage* DibConvertTo24(const DibImage* image);

// Copies (equal sizes, clipped) or scales bilinearly (different sizes) a source rectangle
// into a target rectangle of an image of the same bytes per pixel. 0 for unusable images or
// sizes, and when memory for scaling runs out (the target is then unchanged).
int DibStretchCopy(DibImage* target, int tx, int ty, int tw, int th, const DibImage* source, int sx,
                   int sy, int sw, int sh);
// Writes target pixel (x, y) sampled bilinearly from the source at (sx, sy); the right and
// bottom neighbours repeat the edge pixel outside the source. Nothing is written unless
// both images have `bytesPerPixel` bytes per pixel.
void DibSampleBilinear(DibImage* target, int x, int y, const DibImage* source, double sx, double sy,
                       int bytesPerPixel);
// Interpolates four pixels (1 or 3 bytes) at fractions fx, fy; results truncate, 255 at most.
void Bilerp(const std::uint8_t* x0y0, const std::uint8_t* x0y1, const std::uint8_t* x1y0,
            const std::uint8_t* x1y1, double fx, double fy, std::uint8_t* out, int bytesPerPixel);

// A new image with the columns (mirror) or rows (flip) reversed; the old one is freed. The
// old image itself comes back when the new one cannot be made, and for images that are
// neither 8- nor 24-bit.
DibImage* DibMirror(DibImage* image);
DibImage* DibFlip(DibImage* image);

// Paints one pixel of a 24-bit image with a colour at an opacity, or inverts it.
int DibPaintPixel(const SelectionMask* mask, DibImage* image, int x, int y, DibColor colour,
                  float opacity, int invert);
// Composites a 24-bit source (or the fill colour) into a 24-bit target; see CompositeParams.
int DibComposite(const SelectionMask* mask, const CompositeParams* params);

int NearlyEqualF(float a, float b, float tolerance);
int NearlyEqual(int a, int b, int tolerance);
int ColourMatches(DibColor a, DibColor b, int tolerance);
int PointInRect(int x, int y, int left, int top, int right, int bottom);
// The rectangle intersected with `other` and the mask's bounds (each when given); 0 when
// the result is empty.
int ClipToSelection(const DibRect* rect, const DibRect* other, const SelectionMask* mask,
                    DibRect* out);

// The 256 opacities i / 255, from UnitTableCreate until UnitTableFree (null otherwise).
extern const float* UnitTable;
int UnitTableCreate();
void UnitTableFree();
