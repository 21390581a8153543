// Selection masks: creation, queries, runs, edge marking, cropping and combination.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "selection_mask.h"

namespace {

constexpr bool IsEdge(int value) { return value >= 2; }

std::size_t ValueBytes(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0 || width * height > static_cast<std::int64_t>(kDibMaxBlockBytes)) {
    return 0;
  }
  return static_cast<std::size_t>(width * height);
}

// Gives `mask` a zeroed values block for the rectangle; false (mask unchanged) when the
// rectangle is empty or too large or memory fails.
bool AllocateValues(SelectionMask* mask, std::int64_t left, std::int64_t top, std::int64_t width,
                    std::int64_t height) {
  const std::size_t bytes = ValueBytes(width, height);
  if (bytes == 0 || left < INT32_MIN || top < INT32_MIN || left + width > INT32_MAX ||
      top + height > INT32_MAX) {
    return false;
  }
  auto* values = static_cast<std::uint8_t*>(ImgAlloc(bytes));
  if (!values) return false;
  ImgFree(mask->values);
  mask->values = values;
  mask->left = static_cast<std::int32_t>(left);
  mask->top = static_cast<std::int32_t>(top);
  mask->width = static_cast<std::int32_t>(width);
  mask->height = static_cast<std::int32_t>(height);
  return true;
}

template <typename T>
T* CopyBlock(const T* source, std::size_t count) {
  if (!source || count == 0) return nullptr;
  auto* copy = static_cast<T*>(ImgAlloc(count * sizeof(T)));
  if (copy) std::memcpy(copy, source, count * sizeof(T));
  return copy;
}

std::uint8_t* Row(const SelectionMask* mask, int row) {
  return mask->values + static_cast<std::size_t>(row) * mask->width;
}

// The value of an image position under a mask (0 outside it, or without values).
int ValueAt(const SelectionMask* mask, std::int64_t x, std::int64_t y) {
  const std::int64_t column = x - mask->left, row = y - mask->top;
  if (!mask->values || column < 0 || row < 0 || column >= mask->width || row >= mask->height) {
    return 0;
  }
  return Row(mask, static_cast<int>(row))[column];
}

int Intersected(int o, int r) {
  if ((IsEdge(o) && r != 0) || (o != 0 && IsEdge(r))) return std::max(o, r);
  return o == 1 && r == 1 ? 1 : 0;
}

int Subtracted(int o, int r) { return o != 0 && r == 0 ? 1 : 0; }

// A pixel on the edge of both masks keeps its edge value, so that a union never opens a
// hole where the two edges meet.
int United(int o, int r) {
  if ((IsEdge(o) && r == 0) || (o == 0 && IsEdge(r)) || (IsEdge(o) && IsEdge(r))) {
    return std::max(o, r);
  }
  return o == 1 || r == 1 ? 1 : 0;
}

// The runs of the mask's values: the list's length, found before it is made.
std::size_t CountRuns(const SelectionMask* mask) {
  std::size_t count = 0;
  for (int row = 0; row < mask->height; ++row) {
    const std::uint8_t* values = Row(mask, row);
    bool inRun = false;
    for (int column = 0; column < mask->width; ++column) {
      const bool selected = values[column] != 0;
      count += selected && !inRun;
      inRun = selected;
    }
  }
  return count;
}

}  // namespace

SelectionMask* SelectionNew() {
  return static_cast<SelectionMask*>(ImgAlloc(sizeof(SelectionMask)));
}

int SelectionFree(SelectionMask* mask) {
  if (mask) {
    ImgFree(mask->values);
    ImgFree(mask->runs);
    ImgFree(mask->points);
    ImgFree(mask);
  }
  return 1;
}

SelectionMask* SelectionDuplicate(const SelectionMask* mask) {
  if (!mask) return nullptr;
  SelectionMask* copy = SelectionNew();
  if (!copy) return nullptr;
  *copy = *mask;
  copy->values = CopyBlock(mask->values, SelectionValuesSize(mask));
  copy->runs = CopyBlock(mask->runs, static_cast<std::size_t>(std::max(mask->runCount, 0)));
  copy->points = CopyBlock(mask->points, static_cast<std::size_t>(std::max(mask->pointCount, 0)));
  if ((mask->values && !copy->values) || (mask->runs && !copy->runs) ||
      (mask->points && !copy->points)) {
    SelectionFree(copy);
    return nullptr;
  }
  return copy;
}

std::size_t SelectionValuesSize(const SelectionMask* mask) {
  return mask ? ValueBytes(mask->width, mask->height) : 0;
}

int SelectionBounds(const SelectionMask* mask, DibRect* bounds) {
  if (!mask || !bounds) return 0;
  const std::int64_t right = std::int64_t{mask->left} + mask->width;
  const std::int64_t bottom = std::int64_t{mask->top} + mask->height;
  *bounds = {mask->left, mask->top,
             static_cast<std::int32_t>(std::max<std::int64_t>(right, mask->left)),
             static_cast<std::int32_t>(std::max<std::int64_t>(bottom, mask->top))};
  return 1;
}

int SelectionSet(SelectionMask* mask, int x, int y, int value) {
  if (!mask || !mask->values) return 0;
  const std::int64_t column = std::int64_t{x} - mask->left, row = std::int64_t{y} - mask->top;
  if (column < 0 || row < 0 || column >= mask->width || row >= mask->height) return 0;
  Row(mask, static_cast<int>(row))[column] = static_cast<std::uint8_t>(value);
  return 1;
}

int SelectionGet(const SelectionMask* mask, int x, int y) { return mask ? ValueAt(mask, x, y) : 0; }

int SelectionContains(const SelectionMask* mask, int x, int y, float* coverage, int* value) {
  if (coverage) *coverage = 1.0f;
  if (!mask) return 1;
  DibRect bounds;
  SelectionBounds(mask, &bounds);
  if (x < bounds.left || x >= bounds.right || y < bounds.top || y >= bounds.bottom) return 0;
  const int v = SelectionGet(mask, x, y);
  if (value) *value = v;
  if (coverage && mask->soft) {
    *coverage = v == 0   ? 0.0f
                : v == 1 ? 1.0f
                         : static_cast<float>(v - 2) / static_cast<float>(255 - 2);
  }
  return v != 0;
}

SelectionMask* SelectionBuildRuns(SelectionMask* mask, int freeIfEmpty) {
  if (!mask) return nullptr;
  ImgFree(mask->runs);
  mask->runs = nullptr;
  mask->runCount = 0;
  const std::size_t count = mask->values ? CountRuns(mask) : 0;
  if (count == 0) {
    if (freeIfEmpty) {
      SelectionFree(mask);
      return nullptr;
    }
    return mask;
  }
  // Without memory for the list the mask keeps no runs; nothing here reads them.
  if (count > INT32_MAX || count > SIZE_MAX / sizeof(SelectionRun)) return mask;
  auto* runs = static_cast<SelectionRun*>(ImgAlloc(count * sizeof(SelectionRun)));
  if (!runs) return mask;
  std::size_t made = 0;
  for (int row = 0; row < mask->height; ++row) {
    const std::uint8_t* values = Row(mask, row);
    for (int column = 0; column < mask->width;) {
      if (values[column] == 0) {
        ++column;
        continue;
      }
      SelectionRun run{column, row, 0, 0};
      int edges = 0;
      for (; column < mask->width && values[column] != 0; ++column)
        edges += IsEdge(values[column]);
      run.length = column - run.column;
      run.edgy = edges > 2;
      runs[made++] = run;
    }
  }
  mask->runs = runs;
  mask->runCount = static_cast<std::int32_t>(count);
  return mask;
}

void SelectionMarkEdges(SelectionMask* mask) {
  if (!mask || !mask->values || SelectionValuesSize(mask) == 0) return;
  const int width = mask->width, height = mask->height;
  // Marking never turns a pixel to 0, so the pixels can be visited in any order.
  auto selectedAt = [&](int column, int row) {
    return column >= 0 && row >= 0 && column < width && row < height && Row(mask, row)[column] != 0;
  };
  for (int row = 0; row < height; ++row) {
    std::uint8_t* values = Row(mask, row);
    for (int column = 0; column < width; ++column) {
      if (values[column] == 0) continue;
      bool touchesUnselected = false;
      for (int dy = -1; dy <= 1 && !touchesUnselected; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (!selectedAt(column + dx, row + dy)) {
            touchesUnselected = true;
            break;
          }
        }
      }
      values[column] = touchesUnselected ? 255 : 1;
    }
  }
}

void SelectionCrop(SelectionMask* mask) {
  if (!mask || !mask->values || SelectionValuesSize(mask) == 0) return;
  int left = mask->width, right = -1, top = mask->height, bottom = -1;
  for (int row = 0; row < mask->height; ++row) {
    const std::uint8_t* values = Row(mask, row);
    for (int column = 0; column < mask->width; ++column) {
      if (values[column] == 0) continue;
      left = std::min(left, column);
      right = std::max(right, column);
      top = std::min(top, row);
      bottom = std::max(bottom, row);
    }
  }
  if (right < 0 ||
      (left == 0 && top == 0 && right == mask->width - 1 && bottom == mask->height - 1)) {
    return;
  }
  const int width = right - left + 1, height = bottom - top + 1;
  auto* values = static_cast<std::uint8_t*>(ImgAlloc(static_cast<std::size_t>(width) * height));
  if (!values) return;
  for (int row = 0; row < height; ++row) {
    std::memcpy(values + static_cast<std::size_t>(row) * width, Row(mask, top + row) + left, width);
  }
  ImgFree(mask->values);
  mask->values = values;
  mask->left += left;
  mask->top += top;
  mask->width = width;
  mask->height = height;
}

SelectionMask* SelectionCombine(const SelectionMask* a, const SelectionMask* b, int operation) {
  if (operation == kSelectionCopy || !b) return SelectionDuplicate(a);
  if (!a || operation < kSelectionCopy || operation > kSelectionUnite) return nullptr;
  const std::int64_t aRight = std::int64_t{a->left} + a->width,
                     aBottom = std::int64_t{a->top} + a->height;
  const std::int64_t bRight = std::int64_t{b->left} + b->width,
                     bBottom = std::int64_t{b->top} + b->height;
  std::int64_t left = a->left, top = a->top, right = aRight, bottom = aBottom;
  if (operation == kSelectionIntersect) {
    left = std::max<std::int64_t>(a->left, b->left);
    top = std::max<std::int64_t>(a->top, b->top);
    right = std::min(aRight, bRight);
    bottom = std::min(aBottom, bBottom);
  } else if (operation == kSelectionUnite) {
    left = std::min<std::int64_t>(a->left, b->left);
    top = std::min<std::int64_t>(a->top, b->top);
    right = std::max(aRight, bRight);
    bottom = std::max(aBottom, bBottom);
  }

  SelectionMask* result = SelectionNew();
  if (!result || !AllocateValues(result, left, top, right - left, bottom - top)) {
    SelectionFree(result);
    return nullptr;
  }
  result->soft = a->soft || b->soft;
  const auto combine = operation == kSelectionIntersect  ? Intersected
                       : operation == kSelectionSubtract ? Subtracted
                                                         : United;
  for (int row = 0; row < result->height; ++row) {
    std::uint8_t* values = Row(result, row);
    const std::int64_t y = std::int64_t{result->top} + row;
    for (int column = 0; column < result->width; ++column) {
      const std::int64_t x = std::int64_t{result->left} + column;
      values[column] = static_cast<std::uint8_t>(combine(ValueAt(a, x, y), ValueAt(b, x, y)));
    }
  }
  SelectionCrop(result);
  SelectionMarkEdges(result);
  return SelectionBuildRuns(result, 1);
}

SelectionMask* SelectionCreateRect(int left, int top, int right, int bottom, int soft) {
  if (!(std::int64_t{left} + 2 < right && std::int64_t{top} + 2 < bottom)) return nullptr;
  SelectionMask* mask = SelectionNew();
  if (!mask ||
      !AllocateValues(mask, left, top, std::int64_t{right} - left, std::int64_t{bottom} - top)) {
    SelectionFree(mask);
    return nullptr;
  }
  mask->soft = soft;
  for (int row = 0; row < mask->height; ++row) {
    std::uint8_t* values = Row(mask, row);
    if (row == 0 || row == mask->height - 1) {
      std::memset(values, 255, mask->width);
    } else {
      std::memset(values, 1, mask->width);
      values[0] = values[mask->width - 1] = 255;
    }
  }
  SelectionBuildRuns(mask, 0);
  mask->shapeKind = kSelectionRectangle;
  const SelectionPoint corners[] = {
      {left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}};
  mask->points = CopyBlock(corners, 4);
  if (!mask->points || !mask->runs) {
    SelectionFree(mask);
    return nullptr;
  }
  mask->pointCount = 4;
  return mask;
}
