#include <gtest/gtest.h>

#include <climits>

#include "platform/rtl/Geometry.h"

namespace {

TEST(Geometry, MulDivRoundsHalvesAwayFromZero) {
  struct Case {
    int number, numerator, denominator, result;
  };
  const Case cases[] = {
      {10, 3, 2, 15},
      {5, 1, 2, 3},
      {-5, 1, 2, -3},
      {5, -1, 2, -3},
      {5, 1, -2, -3},
      {-5, -1, -2, -3},
      {-5, -1, 2, 3},
      {7, 1, 3, 2},
      {8, 1, 3, 3},
      {-8, 1, 3, -3},
      {96, 8, 72, 11},
      {9, 96, 72, 12},
      {3, 1, 4, 1},
      {1, 1, 4, 0},
      {-1, 1, 4, 0},
      {0, 5, 7, 0},
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
      {INT_MIN, 1, 1, INT_MIN},
      {INT_MIN, -1, 1, -1},
      {INT_MAX, 2, 1, -1},
      {INT_MAX, 2, 2, INT_MAX},
      {100000, 100000, 100, 100000000},
      {1, 1, 0, -1},
      {0, 0, 0, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.result)
        << c.number << " * " << c.numerator << " / " << c.denominator;
}

TEST(Geometry, Constructors) {
  EXPECT_EQ(Bounds(10, 20, 30, 40), Rect(10, 20, 40, 60));
  EXPECT_EQ(RectWidth(Rect(10, 20, 40, 60)), 30);
  EXPECT_EQ(RectHeight(Rect(10, 20, 40, 60)), 40);
}

TEST(Geometry, EmptinessAndPointsAreRightBottomExclusive) {
  struct Case {
    TRect r;
    bool empty;
  };
  const Case rects[] = {{Rect(0, 0, 1, 1), false},
                        {Rect(0, 0, 0, 5), true},
                        {Rect(0, 0, 5, 0), true},
                        {Rect(5, 5, 4, 10), true},
                        {Rect(-3, -3, -2, -2), false}};
  for (const Case& c : rects)
    EXPECT_EQ(bool(IsRectEmpty(&c.r)), c.empty);
  EXPECT_TRUE(IsRectEmpty(nullptr));

  const TRect r = Rect(10, 10, 20, 30);
  struct PointCase {
    TPoint p;
    bool inside;
  };
  const PointCase points[] = {{{10, 10}, true},  {{19, 29}, true}, {{20, 15}, false},
                              {{15, 30}, false}, {{9, 15}, false}, {{15, 9}, false}};
  for (const PointCase& c : points)
    EXPECT_EQ(bool(PtInRect(&r, c.p)), c.inside) << c.p.x << "," << c.p.y;
}

TEST(Geometry, OffsetInflateCopyAndSet) {
  TRect r = Rect(1, 2, 3, 4);
  EXPECT_TRUE(OffsetRect(&r, 10, -2));
  EXPECT_EQ(r, Rect(11, 0, 13, 2));
  EXPECT_TRUE(InflateRect(&r, 2, -1));
  EXPECT_EQ(r, Rect(9, 1, 15, 1));
  TRect copy;
  EXPECT_TRUE(CopyRect(&copy, &r));
  EXPECT_TRUE(EqualRect(&copy, &r));
  EXPECT_TRUE(SetRect(&r, 5, 6, 7, 8));
  EXPECT_EQ(r, Rect(5, 6, 7, 8));
  EXPECT_FALSE(EqualRect(&copy, &r));
  EXPECT_TRUE(SetRectEmpty(&r));
  EXPECT_EQ(r, TRect{});
  EXPECT_FALSE(OffsetRect(nullptr, 1, 1));
  EXPECT_FALSE(InflateRect(nullptr, 1, 1));
  EXPECT_FALSE(EqualRect(nullptr, &r));
}

TEST(Geometry, IntersectUnionSubtract) {
  struct Case {
    TRect a, b;
    BOOL intersects;
    TRect intersection;
    BOOL unites;
    TRect unionRect;
    BOOL subtracts;
    TRect difference;
  };
  const Case cases[] = {
      // overlapping corners: the difference is not a rectangle, so a stays whole
      {Rect(0, 0, 10, 10), Rect(5, 5, 15, 15), TRUE, Rect(5, 5, 10, 10), TRUE, Rect(0, 0, 15, 15), TRUE,
       Rect(0, 0, 10, 10)},
      // touching edges do not intersect
      {Rect(0, 0, 10, 10), Rect(10, 0, 20, 10), FALSE, TRect{}, TRUE, Rect(0, 0, 20, 10), TRUE,
       Rect(0, 0, 10, 10)},
      // b covers the right part of a across its full height
      {Rect(0, 0, 10, 10), Rect(6, -5, 20, 20), TRUE, Rect(6, 0, 10, 10), TRUE, Rect(0, -5, 20, 20), TRUE,
       Rect(0, 0, 6, 10)},
      // b covers the left part
      {Rect(0, 0, 10, 10), Rect(-5, 0, 4, 10), TRUE, Rect(0, 0, 4, 10), TRUE, Rect(-5, 0, 10, 10), TRUE,
       Rect(4, 0, 10, 10)},
      // b covers the top and the bottom
      {Rect(0, 0, 10, 10), Rect(0, -1, 10, 3), TRUE, Rect(0, 0, 10, 3), TRUE, Rect(0, -1, 10, 10), TRUE,
       Rect(0, 3, 10, 10)},
      {Rect(0, 0, 10, 10), Rect(-1, 7, 11, 12), TRUE, Rect(0, 7, 10, 10), TRUE, Rect(-1, 0, 11, 12), TRUE,
       Rect(0, 0, 10, 7)},
      // b splits a in the middle: no rectangle remains, a stays whole
      {Rect(0, 0, 10, 10), Rect(3, 0, 6, 10), TRUE, Rect(3, 0, 6, 10), TRUE, Rect(0, 0, 10, 10), TRUE,
       Rect(0, 0, 10, 10)},
      // b covers a
      {Rect(2, 2, 4, 4), Rect(0, 0, 10, 10), TRUE, Rect(2, 2, 4, 4), TRUE, Rect(0, 0, 10, 10), FALSE,
       TRect{}},
      // an empty rectangle takes no part in a union
      {Rect(5, 5, 5, 9), Rect(1, 1, 2, 2), FALSE, TRect{}, TRUE, Rect(1, 1, 2, 2), FALSE, TRect{}},
      {Rect(1, 1, 2, 2), Rect(3, 3, 3, 3), FALSE, TRect{}, TRUE, Rect(1, 1, 2, 2), TRUE, Rect(1, 1, 2, 2)},
      {Rect(1, 1, 1, 2), Rect(3, 3, 3, 3), FALSE, TRect{}, FALSE, TRect{}, FALSE, TRect{}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    TRect out = Rect(99, 99, 99, 99);
    EXPECT_EQ(IntersectRect(&out, &c.a, &c.b), c.intersects) << i;
    EXPECT_EQ(out, c.intersection) << i;
    out = Rect(99, 99, 99, 99);
    EXPECT_EQ(UnionRect(&out, &c.a, &c.b), c.unites) << i;
    EXPECT_EQ(out, c.unionRect) << i;
    out = Rect(99, 99, 99, 99);
    EXPECT_EQ(SubtractRect(&out, &c.a, &c.b), c.subtracts) << i;
    EXPECT_EQ(out, c.difference) << i;
  }
}

} // namespace
