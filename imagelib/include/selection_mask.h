// Selection masks: which pixels of an image an operation may touch. A mask is a rectangle
// in image coordinates with one byte per pixel: 0 not selected, 1 selected, 2-255 edge
// values (selected; with the soft flag their coverage is (v - 2) / 253). The record and
// its buffers come from ImgAlloc and are released together by SelectionFree.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dib_image.h"

struct SelectionPoint {
  std::int32_t x, y;
};

// A maximal horizontal stretch of selected pixels in one row, relative to the mask.
struct SelectionRun {
  std::int32_t column, row, length;
  std::int32_t edgy;  // 1 when more than 2 of its pixels hold edge values
};
static_assert(sizeof(SelectionRun) == 16);

inline constexpr std::int16_t kSelectionRectangle = 6;

struct SelectionMask {
  std::int32_t left, top;
  std::int32_t width, height;
  std::int32_t soft;
  std::int16_t shapeKind;  // kSelectionRectangle for SelectionCreateRect, else 0
  std::int32_t pointCount;
  SelectionPoint* points;  // outline, or null
  std::uint8_t* values;    // width x height bytes, rows from the top
  std::int32_t runCount;
  SelectionRun* runs;  // or null
};

#if defined(__i386__)
// The record's 32-bit layout.
static_assert(sizeof(SelectionMask) == 44 && offsetof(SelectionMask, shapeKind) == 20 &&
              offsetof(SelectionMask, pointCount) == 24 && offsetof(SelectionMask, values) == 32 &&
              offsetof(SelectionMask, runs) == 40);
#endif

enum SelectionOperation {
  kSelectionCopy = 0,
  kSelectionIntersect = 1,
  kSelectionSubtract = 2,
  kSelectionUnite = 3
};

SelectionMask* SelectionNew();
int SelectionFree(SelectionMask* mask);
SelectionMask* SelectionDuplicate(const SelectionMask* mask);
std::size_t SelectionValuesSize(const SelectionMask* mask);
// (left, top, left + width, top + height); a right or bottom before left or top is set to
// left or top.
int SelectionBounds(const SelectionMask* mask, DibRect* bounds);
int SelectionSet(SelectionMask* mask, int x, int y, int value);
int SelectionGet(const SelectionMask* mask, int x, int y);
// 1 when (x, y) is selected; a null mask selects everything. `coverage` (1.0 unless the
// mask is soft) and `value` may be null.
int SelectionContains(const SelectionMask* mask, int x, int y, float* coverage, int* value);
// Rebuilds the run list. With `freeIfEmpty`, a mask without runs is freed and null returned.
SelectionMask* SelectionBuildRuns(SelectionMask* mask, int freeIfEmpty);
// Makes every selected pixel 1, or 255 where it touches an unselected pixel or the border.
void SelectionMarkEdges(SelectionMask* mask);
// Shrinks the rectangle to the selected pixels.
void SelectionCrop(SelectionMask* mask);
// Copy, intersection, difference or union of two masks; null when nothing is selected.
// Afterwards only the values 0, 1 and 255 remain.
SelectionMask* SelectionCombine(const SelectionMask* a, const SelectionMask* b, int operation);
// A rectangle of at least 3 x 3 (right and bottom exclusive): interior 1, frame 255.
SelectionMask* SelectionCreateRect(int left, int top, int right, int bottom, int soft);
