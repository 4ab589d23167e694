// Regions against a pixel-grid oracle: random unions, subtractions and intersections, rectIn, moves.
#include "GPRegion.h"

#include <gtest/gtest.h>

#include <bitset>
#include <random>

namespace {

constexpr int kSize = 48;  // the grid spans 0..47 (rectangles also reach outside it a little)
using Grid = std::bitset<(kSize + 8) * (kSize + 8)>;

int cell(int x, int y) { return (y + 4) * (kSize + 8) + (x + 4); }

Grid gridOf(const Region& r) {
  Grid g;
  for (int y = -4; y < kSize + 4; ++y)
    for (int x = -4; x < kSize + 4; ++x)
      if (r.contains(x, y)) g.set(size_t(cell(x, y)));
  return g;
}

void paint(Grid& g, const RegionRect& r) {
  for (int y = r.y1; y < r.y2; ++y)
    for (int x = r.x1; x < r.x2; ++x) g.set(size_t(cell(x, y)));
}

// The banded form: sorted bands, non-overlapping non-touching rectangles within a band, touching
// bands with different spans, extents that bound it all (zero when empty).
::testing::AssertionResult wellFormed(const Region& region) {
  const std::vector<RegionRect> rects = region.rects();
  if (region.isEmpty()) {
    const RegionRect& e = region.extents();
    if (e.x1 || e.y1 || e.x2 || e.y2) return ::testing::AssertionFailure() << "empty region with extents";
    return ::testing::AssertionSuccess();
  }
  RegionRect box = rects[0];
  for (size_t i = 0; i < rects.size(); ++i) {
    const RegionRect& r = rects[i];
    if (r.isEmpty()) return ::testing::AssertionFailure() << "empty rectangle " << i;
    box.x1 = std::min(box.x1, r.x1);
    box.y1 = std::min(box.y1, r.y1);
    box.x2 = std::max(box.x2, r.x2);
    box.y2 = std::max(box.y2, r.y2);
    if (i == 0) continue;
    const RegionRect& p = rects[i - 1];
    if (p.y1 == r.y1) {
      if (p.y2 != r.y2 || p.x2 >= r.x1) return ::testing::AssertionFailure() << "bad band at " << i;
    } else if (r.y1 < p.y2) {
      return ::testing::AssertionFailure() << "bands overlap at " << i;
    }
  }
  // Touching bands must differ in their spans.
  size_t start = 0;
  size_t prevStart = 0, prevEnd = 0;
  bool havePrev = false;
  while (start < rects.size()) {
    size_t end = start;
    while (end < rects.size() && rects[end].y1 == rects[start].y1) ++end;
    if (havePrev && rects[prevStart].y2 == rects[start].y1 && prevEnd - prevStart == end - start) {
      bool same = true;
      for (size_t k = 0; k < end - start; ++k)
        same = same && rects[prevStart + k].x1 == rects[start + k].x1 && rects[prevStart + k].x2 == rects[start + k].x2;
      if (same) return ::testing::AssertionFailure() << "uncoalesced bands at " << start;
    }
    prevStart = start;
    prevEnd = end;
    havePrev = true;
    start = end;
  }
  const RegionRect& e = region.extents();
  if (e.x1 != box.x1 || e.y1 != box.y1 || e.x2 != box.x2 || e.y2 != box.y2)
    return ::testing::AssertionFailure() << "extents do not bound the rectangles";
  return ::testing::AssertionSuccess();
}

class RegionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(gpRegionPoolAcquire()); }
  static void TearDownTestSuite() { gpRegionPoolRelease(); }

  RegionRect randomRect(std::mt19937& rng) {
    std::uniform_int_distribution<int> pos(-3, kSize + 2);
    std::uniform_int_distribution<int> len(0, 20);
    const int x = pos(rng), y = pos(rng);
    return {x, y, std::min(x + len(rng), kSize + 3), std::min(y + len(rng), kSize + 3)};
  }

  // A region built from up to n random rectangles, and its grid.
  void randomRegion(std::mt19937& rng, Region& region, Grid& grid, int n) {
    region.clear();
    grid.reset();
    std::uniform_int_distribution<int> count(0, n);
    const int k = count(rng);
    for (int i = 0; i < k; ++i) {
      const RegionRect r = randomRect(rng);
      Region one(r.x1, r.y1, r.x2, r.y2);
      Region::unite(region, region, one);
      if (!r.isEmpty()) paint(grid, r);
    }
  }
};

TEST_F(RegionTest, RandomSetOperationsMatchTheGrid) {
  std::mt19937 rng(20261209);
  for (int round = 0; round < 400; ++round) {
    Region a, b;
    Grid ga, gb;
    randomRegion(rng, a, ga, 6);
    randomRegion(rng, b, gb, 6);
    ASSERT_TRUE(wellFormed(a)) << round;
    ASSERT_EQ(gridOf(a), ga) << round;

    Region u, s, i;
    Region::unite(u, a, b);
    Region::subtract(s, a, b);
    Region::intersect(i, a, b);
    ASSERT_EQ(gridOf(u), ga | gb) << "union, round " << round;
    ASSERT_EQ(gridOf(s), ga & ~gb) << "subtraction, round " << round;
    ASSERT_EQ(gridOf(i), ga & gb) << "intersection, round " << round;
    ASSERT_TRUE(wellFormed(u)) << round;
    ASSERT_TRUE(wellFormed(s)) << round;
    ASSERT_TRUE(wellFormed(i)) << round;

    // The result may be either operand.
    Region a2, b2;
    a.assign(a2);
    b.assign(b2);
    switch (round % 3) {
      case 0:
        Region::unite(a2, a2, b2);
        ASSERT_EQ(gridOf(a2), ga | gb);
        break;
      case 1:
        Region::subtract(b2, a2, b2);
        ASSERT_EQ(gridOf(b2), ga & ~gb);
        break;
      case 2:
        Region::intersect(b2, a2, b2);
        ASSERT_EQ(gridOf(b2), ga & gb);
        break;
    }
    ASSERT_TRUE(wellFormed(a2));
    ASSERT_TRUE(wellFormed(b2));
  }
}

TEST_F(RegionTest, RectInMatchesTheGrid) {
  std::mt19937 rng(77);
  for (int round = 0; round < 300; ++round) {
    Region a;
    Grid ga;
    randomRegion(rng, a, ga, 5);
    for (int k = 0; k < 10; ++k) {
      const RegionRect r = randomRect(rng);
      int inside = 0, total = 0;
      for (int y = r.y1; y < r.y2; ++y)
        for (int x = r.x1; x < r.x2; ++x, ++total) inside += ga.test(size_t(cell(x, y)));
      const int expected = total == 0 || inside == 0 ? kRectOutside : inside == total ? kRectInside : kRectPartlyInside;
      ASSERT_EQ(a.rectIn(r), expected) << "round " << round << " rect " << r.x1 << "," << r.y1 << "," << r.x2 << ","
                                       << r.y2;
    }
  }
}

TEST_F(RegionTest, NamedCases) {
  // Touching on a vertical edge, same y range: one rectangle.
  Region a(0, 0, 10, 10), b(10, 0, 20, 10), r;
  Region::unite(r, a, b);
  ASSERT_EQ(r.rects().size(), 1u);
  EXPECT_EQ(r.extents().x2, 20);

  // Touching on a horizontal edge with the same x span: coalesced into one.
  Region c(0, 10, 10, 25), d(0, 0, 10, 10);
  Region::unite(r, c, d);
  ASSERT_EQ(r.rects().size(), 1u);
  EXPECT_EQ(r.extents().y1, 0);
  EXPECT_EQ(r.extents().y2, 25);

  // A hole in the middle: four rectangles in three bands.
  Region big(0, 0, 30, 30), hole(10, 10, 20, 20);
  Region::subtract(r, big, hole);
  const std::vector<RegionRect> parts = r.rects();
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0].y2, 10);
  EXPECT_EQ(parts[1].y1, 10);
  EXPECT_EQ(parts[2].y1, 10);
  EXPECT_EQ(parts[3].y1, 20);
  EXPECT_TRUE(wellFormed(r));

  // Disjoint intersection: empty with zero extents.
  Region e(0, 0, 5, 5), f(10, 10, 15, 15);
  Region::intersect(r, e, f);
  EXPECT_TRUE(r.isEmpty());
  EXPECT_TRUE(wellFormed(r));

  // rectIn at the edge and of an empty rectangle.
  EXPECT_EQ(big.rectIn({25, 25, 35, 35}), kRectPartlyInside);
  EXPECT_EQ(big.rectIn({5, 5, 5, 9}), kRectOutside);
  EXPECT_EQ(big.rectIn({1, 1, 9, 9}), kRectInside);
  Region framed;
  Region::subtract(framed, big, hole);
  EXPECT_EQ(framed.rectIn({12, 12, 18, 18}), kRectOutside);
  EXPECT_EQ(framed.rectIn({0, 0, 30, 30}), kRectPartlyInside);
  EXPECT_EQ(framed.rectIn({0, 0, 30, 10}), kRectInside);
}

TEST_F(RegionTest, AssignMoveAndOffset) {
  Region big(0, 0, 30, 30), hole(10, 10, 20, 20), framed;
  Region::subtract(framed, big, hole);
  const Grid g = gridOf(framed);

  // Assign over a destination that has more nodes, then fewer.
  Region many;
  std::mt19937 rng(5);
  for (int i = 0; i < 12; ++i) {
    Region one(i * 3, i * 3, i * 3 + 1, i * 3 + 1);
    Region::unite(many, many, one);
  }
  ASSERT_GT(many.nodeCount(), 4);
  framed.assign(many);
  EXPECT_EQ(gridOf(many), g);
  EXPECT_EQ(many.nodeCount(), framed.nodeCount());
  Region single(1, 2, 3, 4);
  single.assign(many);
  EXPECT_EQ(many.nodeCount(), 0);
  EXPECT_EQ(many.rects().size(), 1u);
  framed.assign(framed);  // itself: nothing
  EXPECT_EQ(gridOf(framed), g);

  // Move: the source ends empty.
  Region moved;
  moved.moveFrom(framed);
  EXPECT_EQ(gridOf(moved), g);
  EXPECT_TRUE(framed.isEmpty());
  EXPECT_TRUE(wellFormed(framed));
  Region target(5, 5, 6, 6);
  target.moveFrom(single);
  EXPECT_EQ(target.rects().size(), 1u);
  EXPECT_EQ(target.extents().x1, 1);
  EXPECT_TRUE(single.isEmpty());

  // Offset moves every pixel.
  moved.offset(3, -2);
  for (int y = -4; y < kSize + 4; ++y)
    for (int x = -4; x < kSize + 4; ++x)
      if (x - 3 >= -4 && y + 2 < kSize + 4) {
        ASSERT_EQ(moved.contains(x, y), g.test(size_t(cell(x - 3, y + 2)))) << x << "," << y;
      }
  EXPECT_TRUE(wellFormed(moved));
  Region empty;
  empty.offset(5, 5);
  EXPECT_TRUE(empty.isEmpty());
  EXPECT_EQ(empty.extents().x1, 0);
}

TEST_F(RegionTest, PoolIsCountedByUsers) {
  // The suite holds one use; another acquire and release leave the pool working.
  EXPECT_TRUE(gpRegionPoolAcquire());
  gpRegionPoolRelease();
  Region a(0, 0, 4, 4), b(2, 2, 6, 6), r;
  Region::unite(r, a, b);
  EXPECT_EQ(r.nodeCount(), 3);
}

}  // namespace
