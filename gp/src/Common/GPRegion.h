// Regions: sets of pixels kept as sorted bands of non-overlapping rectangles, for invalidation and
// clipping. Rectangles are half-open: x1 <= x < x2, y1 <= y < y2.
#pragma once
#include <cstdint>
#include <vector>

struct RegionRect {
  int32_t x1, y1, x2, y2;
  bool isEmpty() const { return x1 >= x2 || y1 >= y2; }
  // Whether the pixel (x, y) lies in the rectangle (never in an empty one).
  bool contains(int32_t x, int32_t y) const { return x >= x1 && x < x2 && y >= y1 && y < y2; }
  // The common part; (0, 0, 0, 0) when either is empty or they do not meet.
  RegionRect intersection(const RegionRect& other) const {
    const RegionRect r = {x1 > other.x1 ? x1 : other.x1, y1 > other.y1 ? y1 : other.y1, x2 < other.x2 ? x2 : other.x2,
                          y2 < other.y2 ? y2 : other.y2};
    return r.isEmpty() ? RegionRect{0, 0, 0, 0} : r;
  }
};

// One rectangle of a complex region; nodes come from the process-wide region node pool.
struct RegionNode {
  RegionNode* prev;
  RegionNode* next;
  int32_t x1, y1, x2, y2;
};

// rectIn answers.
enum RegionRectIn { kRectInside = 0, kRectOutside = 1, kRectPartlyInside = 2 };

class Region {
 public:
  // Empty: no nodes, zero extents.
  Region() = default;
  // One rectangle (no node needed); an empty rectangle gives the empty region.
  Region(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { setRect(x1, y1, x2, y2); }
  virtual ~Region();
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;

  // Makes this region the one rectangle (empty rectangles give the empty region).
  void setRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Frees the nodes and zeroes the extents.
  void clear();

  // Copies this region into `destination` (nothing when it is this region).
  void assign(Region& destination) const;
  // Takes over the source's rectangles; the source becomes empty.
  void moveFrom(Region& source);
  // result = a ∪ b, a − b, a ∩ b; result may be a or b.
  static void unite(Region& result, const Region& a, const Region& b);
  static void subtract(Region& result, const Region& a, const Region& b);
  static void intersect(Region& result, const Region& a, const Region& b);
  void offset(int32_t dx, int32_t dy);
  // kRectInside, kRectOutside or kRectPartlyInside.
  int rectIn(const RegionRect& r) const;
  void updateExtents();

  bool isEmpty() const { return count_ == 0 && extents_.isEmpty(); }
  const RegionRect& extents() const { return extents_; }
  int nodeCount() const { return count_; }
  const RegionNode* firstNode() const { return first_; }
  // The rectangles in band order (the extents alone for a one-rectangle region).
  std::vector<RegionRect> rects() const;
  // Whether the pixel (x, y) belongs to the region.
  bool contains(int32_t x, int32_t y) const;

 private:
  friend struct RegionBuilder;
  void freeNodes();
  void appendNode(RegionNode* node);

  RegionNode* first_ = nullptr;
  RegionNode* last_ = nullptr;
  int count_ = 0;
  RegionRect extents_ = {0, 0, 0, 0};
};

// Returns one node to the region node pool under its lock.
void gpPoolFree(RegionNode* node);
// Counts a user of the region node pool, creating it for the first (its result is the creation's).
bool gpRegionPoolAcquire();
// Uncounts a user; the last one destroys the pool.
void gpRegionPoolRelease();
