// The bridge between images and GDI: device bitmaps made from images, images grabbed from
// device bitmaps and device contexts, and images stretched onto a device context.
#pragma once

#include <windows.h>

#include "dib_image.h"

// A device-dependent bitmap compatible with the screen, made from the image (through
// `palette` when given). Null on failure.
HBITMAP DibToDeviceBitmap(const DibImage* image, HPALETTE palette);
// Stretches the source rectangle (source y measured from the top) onto the target
// rectangle of `dc`.
int DibStretchToDC(HDC dc, int x, int y, int width, int height, const DibImage* image, int sourceX,
                   int sourceY, int sourceWidth, int sourceHeight);
// A new 24-bit image of the whole bitmap, which must not be selected into a device context.
DibImage* DibFromDeviceBitmap(HBITMAP bitmap);
// A new 24-bit image of an area of `source`, through a bitmap compatible with `reference`.
DibImage* DibFromDC(HDC source, HDC reference, int x, int y, int width, int height);
// A new 24-bit image of an area of the bitmap.
DibImage* DibFromBitmapRect(HBITMAP bitmap, int x, int y, int width, int height);
// Copies an area of the bitmap into the image at (targetX, targetY), clipped.
int DibCopyFromBitmap(DibImage* target, int targetX, int targetY, HBITMAP bitmap, int sourceX,
                      int sourceY, int width, int height);

// The picture at `path`, loaded and placed as DibLoadFitted does, as a device bitmap
// compatible with the screen; null on failure. The caller deletes it with DeleteObject.
HBITMAP DibLoadFittedBitmap(const char* path, int boxWidth, int boxHeight, int fit,
                            DibColor background);
HBITMAP DibLoadBitmap(const char* path);

struct AlphaRunTable;
// Draws frame `frame` of `source` through its alpha run table onto `dc` at (x, y), limited
// to `clip` when given: the pixels under the frame are grabbed (through a bitmap compatible
// with `reference`), blended and put back. 0 for a null source or table or a clip that
// misses the frame; 1 otherwise, also when the grab fails and nothing is drawn.
int AlphaRunsBlitToDC(HDC dc, HDC reference, int x, int y, const DibImage* source,
                      const AlphaRunTable* table, int frame, const RECT* clip);
