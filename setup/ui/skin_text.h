// Text for the skinned screens: drawn by GDI into device contexts, or rendered into 24-bit
// images with opacity, a drop shadow and optional effects.
//
// Helpers that take a font select it for the time of the call and restore the previous
// one; with a null font they measure with the font already selected. Colours are
// COLORREF values. Rendering allocates a bitmap and an image per call: it is meant for
// short single-line strings.
#pragma once

#include <windows.h>

#include "dib_image.h"
#include "selection_mask.h"

// The width of the text in the selected font; 0 for no text (null or a length below 1).
int TextWidth(HDC dc, const char* text, int length);
// One left-aligned line when the text is narrower than the rectangle, else word-wrapped.
// DrawTextA's result; 0 and nothing drawn for no text.
int DrawTextWrapIfLong(HDC dc, const char* text, int length, RECT* rect);
// Centred when the text is narrower than the rectangle, else one left-aligned line.
int DrawTextCentreIfFits(HDC dc, const char* text, int length, RECT* rect);
// Room an italic font's overhang needs on the left (tmMaxCharWidth / 6) and right
// (tmMaxCharWidth / 5); 0 for an upright font.
int TextItalicLeftPad(HDC dc);
int TextItalicRightPad(HDC dc);
// The box the text is rendered in: extent width plus both italic pads, and extent height.
int TextBoxWidth(HDC dc, const char* text, int length, HFONT font);
int TextBoxHeight(HDC dc, const char* text, int length, HFONT font);

// Renders the text with its box's top-left at (x, y) of the 24-bit `target`, through
// `selection` when given. `reference` is a device context of the display (the text is
// drawn in a bitmap compatible with it). A colour texture (24 or 32 bits) replaces
// `colour`, an opacity texture (8 bits or more; its first byte) scales `opacity`, both
// tiled from the target's origin; textures of other depths are ignored. An outline width
// above 0 draws only the glyphs' outlines with a pen that wide; `soften` lowers edge pixels
// by their share of empty neighbours; `mirror` and `flip` turn the glyphs; `fade` fades the
// text from full at its top to nothing at its bottom. 1 when the text was rendered (also
// when it fell outside the image or the selection); 0 for no text (null or a length below
// 1), no 24-bit target or reference, or a failed allocation. Builds UnitTable when the
// program has not.
int TextRenderIntoImage(const SelectionMask* selection, DibImage* target, HDC reference, int x,
                        int y, const char* text, int length, HFONT font, COLORREF colour,
                        const DibImage* colourTexture, const DibImage* opacityTexture,
                        float opacity, int outlineWidth, int soften, int mirror, int flip,
                        int fade);
// The text at (x + shadowOffset, y + shadowOffset) in the shadow colour at a quarter of the
// opacity (no shadow for an offset of 0), then at (x, y) as TextRenderIntoImage draws it.
int TextRenderShadowed(const SelectionMask* selection, DibImage* target, HDC reference, int x,
                       int y, const char* text, int length, HFONT font, COLORREF colour,
                       const DibImage* colourTexture, const DibImage* opacityTexture,
                       float opacity, COLORREF shadowColour, int shadowOffset, int outlineWidth,
                       int soften, int mirror, int flip, int fade);
// The shadowed text clipped to `rect`, at its top-left or, with `centre`, centred in it
// where it fits (a text too wide or too tall starts at the left or top edge). Nothing is
// drawn in a rectangle less than 3 pixels wide or high.
int TextRenderInRect(const SelectionMask* selection, DibImage* target, HDC reference,
                     const char* text, int length, const RECT* rect, HFONT font, int centre,
                     COLORREF colour, const DibImage* colourTexture,
                     const DibImage* opacityTexture, float opacity, COLORREF shadowColour,
                     int shadowOffset, int outlineWidth, int soften, int mirror, int flip,
                     int fade);
