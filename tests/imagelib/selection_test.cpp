#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <set>
#include <string>

#include "image_test_support.h"
#include "selection_mask.h"

namespace kolta::test {
namespace {

// The mask's values row by row, "." for 0 and "#" for 255, "o" for 1.
std::string Picture(const SelectionMask* mask) {
  std::string text;
  for (int y = 0; y < mask->height; ++y) {
    for (int x = 0; x < mask->width; ++x) {
      const int v = mask->values[y * mask->width + x];
      text += v == 0 ? '.' : v == 1 ? 'o' : v == 255 ? '#' : '?';
    }
    text += '|';
  }
  return text;
}

std::set<int> Values(const SelectionMask* mask) {
  return std::set<int>(mask->values, mask->values + SelectionValuesSize(mask));
}

TEST(Selection, RectangleHasAFramedInterior) {
  SelectionPtr small(SelectionCreateRect(10, 10, 13, 13, 0));
  ASSERT_TRUE(small);
  EXPECT_EQ(Picture(small.get()), "###|#o#|###|");
  EXPECT_EQ(small->shapeKind, kSelectionRectangle);
  ASSERT_EQ(small->pointCount, 4);
  EXPECT_EQ(small->points[1].x, 12);
  EXPECT_EQ(small->points[2].y, 12);
  EXPECT_EQ(small->runCount, 3);
  EXPECT_EQ(small->runs[0].edgy, 1);  // three edge values
  EXPECT_EQ(small->runs[1].edgy, 0);  // two
  EXPECT_EQ(SelectionCreateRect(10, 10, 12, 20, 0), nullptr);
  EXPECT_EQ(SelectionCreateRect(0, 0, INT_MAX, INT_MAX, 0), nullptr);  // too large
  EXPECT_EQ(SelectionCreateRect(INT_MAX - 1, 0, INT_MIN, 5, 0), nullptr);
}

TEST(Selection, ContainsGetAndCoverage) {
  float coverage = 0;
  int value = -1;
  EXPECT_EQ(SelectionContains(nullptr, -5, 99999, &coverage, &value), 1);
  EXPECT_EQ(coverage, 1.0f);

  SelectionPtr soft(SelectionCreateRect(0, 0, 5, 5, 1));
  ASSERT_EQ(SelectionSet(soft.get(), 2, 2, 128), 1);
  EXPECT_EQ(SelectionContains(soft.get(), 2, 2, &coverage, &value), 1);
  EXPECT_EQ(value, 128);
  EXPECT_FLOAT_EQ(coverage, 126.0f / 253.0f);
  EXPECT_EQ(SelectionContains(soft.get(), 0, 0, &coverage, nullptr), 1);
  EXPECT_EQ(coverage, 1.0f);
  SelectionSet(soft.get(), 1, 1, 0);
  EXPECT_EQ(SelectionContains(soft.get(), 1, 1, &coverage, nullptr), 0);
  EXPECT_EQ(coverage, 0.0f);
  EXPECT_EQ(SelectionContains(soft.get(), 5, 0, nullptr, nullptr), 0);
  EXPECT_EQ(SelectionGet(soft.get(), 5, 1), 0);
  EXPECT_EQ(SelectionSet(soft.get(), -1, 0, 1), 0);

  SelectionPtr hard(SelectionCreateRect(0, 0, 5, 5, 0));
  SelectionSet(hard.get(), 2, 2, 2);
  EXPECT_EQ(SelectionContains(hard.get(), 2, 2, &coverage, nullptr), 1);
  EXPECT_EQ(coverage, 1.0f);
}

TEST(Selection, BoundsDuplicateAndEmptyRecords) {
  SelectionPtr mask(SelectionCreateRect(-3, 4, 7, 9, 0));
  DibRect bounds;
  ASSERT_EQ(SelectionBounds(mask.get(), &bounds), 1);
  EXPECT_EQ(Sides(bounds), (std::array{-3, 4, 7, 9}));
  SelectionPtr copy(SelectionDuplicate(mask.get()));
  ASSERT_TRUE(copy);
  EXPECT_NE(copy->values, mask->values);
  EXPECT_EQ(Picture(copy.get()), Picture(mask.get()));
  EXPECT_EQ(copy->runCount, mask->runCount);

  SelectionPtr empty(SelectionNew());
  EXPECT_EQ(SelectionValuesSize(empty.get()), 0u);
  EXPECT_EQ(SelectionGet(empty.get(), 0, 0), 0);
  EXPECT_EQ(SelectionContains(empty.get(), 0, 0, nullptr, nullptr), 0);
  empty->width = -4;
  ASSERT_EQ(SelectionBounds(empty.get(), &bounds), 1);
  EXPECT_EQ(bounds.right, 0);
  EXPECT_EQ(SelectionBuildRuns(empty.release(), 1), nullptr);
  EXPECT_EQ(SelectionFree(nullptr), 1);
}

TEST(Selection, MarkEdgesAndCrop) {
  SelectionPtr mask(SelectionCreateRect(0, 0, 6, 5, 0));
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x)
      SelectionSet(mask.get(), x, y, x >= 1 && x <= 4 && y >= 1 && y <= 3 ? 7 : 0);
  }
  SelectionCrop(mask.get());
  EXPECT_EQ((std::array{mask->left, mask->top, mask->width, mask->height}),
            (std::array{1, 1, 4, 3}));
  SelectionMarkEdges(mask.get());
  EXPECT_EQ(Picture(mask.get()), "####|#oo#|####|");

  // A hole frames itself with edge values; the mask's border does too.
  SelectionPtr holed(SelectionCreateRect(0, 0, 7, 7, 0));
  SelectionSet(holed.get(), 3, 3, 0);
  SelectionMarkEdges(holed.get());
  EXPECT_EQ(Picture(holed.get()), "#######|#ooooo#|#o###o#|#o#.#o#|#o###o#|#ooooo#|#######|");
}

TEST(Selection, CombinationsLeaveOnlyZeroOneAndFull) {
  SelectionPtr a(SelectionCreateRect(0, 0, 8, 8, 0));
  SelectionPtr b(SelectionCreateRect(4, 4, 12, 12, 1));
  for (int operation = kSelectionCopy; operation <= kSelectionUnite; ++operation) {
    SelectionPtr result(SelectionCombine(a.get(), b.get(), operation));
    ASSERT_TRUE(result) << operation;
    for (int v : Values(result.get()))
      EXPECT_TRUE(v == 0 || v == 1 || v == 255) << operation << " " << v;
  }
  SelectionPtr both(SelectionCombine(a.get(), b.get(), kSelectionIntersect));
  EXPECT_EQ(both->left, 4);
  EXPECT_EQ(both->width, 4);
  EXPECT_EQ(both->soft, 1);
  EXPECT_EQ(Picture(both.get()), "####|#oo#|#oo#|####|");

  SelectionPtr either(SelectionCombine(a.get(), b.get(), kSelectionUnite));
  EXPECT_EQ(either->width, 12);
  EXPECT_EQ(SelectionGet(either.get(), 7, 4), 255);  // where both edges cross: no hole
  EXPECT_EQ(SelectionGet(either.get(), 10, 1), 0);
  EXPECT_EQ(SelectionGet(either.get(), 11, 11), 255);

  SelectionPtr less(SelectionCombine(a.get(), b.get(), kSelectionSubtract));
  EXPECT_EQ(less->width, 8);
  EXPECT_EQ(SelectionGet(less.get(), 5, 5), 0);
  EXPECT_EQ(SelectionGet(less.get(), 2, 2), 1);

  SelectionPtr far(SelectionCreateRect(100, 100, 110, 110, 0));
  EXPECT_EQ(SelectionCombine(a.get(), far.get(), kSelectionIntersect), nullptr);
  EXPECT_EQ(SelectionCombine(a.get(), a.get(), kSelectionSubtract), nullptr);
  EXPECT_EQ(SelectionCombine(nullptr, a.get(), kSelectionUnite), nullptr);
  SelectionPtr copy(SelectionCombine(a.get(), nullptr, kSelectionUnite));
  EXPECT_EQ(Picture(copy.get()), Picture(a.get()));

  // A record with a rectangle but no values selects nothing.
  SelectionPtr blank(SelectionNew());
  blank->width = blank->height = 8;
  EXPECT_EQ(SelectionCombine(a.get(), blank.get(), kSelectionIntersect), nullptr);
  SelectionPtr same(SelectionCombine(blank.get(), a.get(), kSelectionUnite));
  ASSERT_TRUE(same);
  EXPECT_EQ(Picture(same.get()), Picture(a.get()));
}

}  // namespace
}  // namespace kolta::test
