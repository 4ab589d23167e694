#include "GPRegion.h"

#include "GPBlockPool.h"
#include "GPError.h"

#include <algorithm>

namespace {

// Nodes per first chunk of the region node pool; chunks have no size limit.
constexpr int kFirstChunkNodes = 8192;

LockedBlockPool g_nodePool;
int g_poolUsers = 0;

RegionNode* newNode(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!g_nodePool.isCreated()) GP_FATAL("region node pool used before gpRegionPoolAcquire");
  RegionNode* node = static_cast<RegionNode*>(g_nodePool.lockedAlloc());  // throws std::bad_alloc
  node->prev = node->next = nullptr;
  node->x1 = x1;
  node->y1 = y1;
  node->x2 = x2;
  node->y2 = y2;
  return node;
}

bool overlaps(const RegionRect& a, const RegionRect& b) {
  return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2;
}

bool containsRect(const RegionRect& outer, const RegionRect& inner) {
  return outer.x1 <= inner.x1 && outer.y1 <= inner.y1 && outer.x2 >= inner.x2 && outer.y2 >= inner.y2;
}

// A region seen as a list of rectangles: its nodes, or its extents as one stand-in node.
struct RegionView {
  RegionNode single;
  const RegionNode* first;

  explicit RegionView(const Region& r) {
    single.prev = single.next = nullptr;
    single.x1 = r.extents().x1;
    single.y1 = r.extents().y1;
    single.x2 = r.extents().x2;
    single.y2 = r.extents().y2;
    if (r.nodeCount() > 0)
      first = r.firstNode();
    else
      first = r.extents().isEmpty() ? nullptr : &single;
  }
};

// First node after the band that `r` begins.
const RegionNode* bandEnd(const RegionNode* r) {
  const int32_t y1 = r->y1;
  while (r && r->y1 == y1) r = r->next;
  return r;
}

enum class Op { Union, Subtract, Intersect };

}  // namespace

// Builds the bands of a result region from the top, merging each new band with the one above when
// they touch and have the same x spans.
struct RegionBuilder {
  Region& out;
  RegionNode* prevBand = nullptr;  // first node of the last band
  RegionNode* bandMark = nullptr;  // last node before the band being built

  explicit RegionBuilder(Region& target) : out(target) {}

  void beginBand() { bandMark = out.last_; }
  void emit(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (x1 < x2 && y1 < y2) out.appendNode(newNode(x1, y1, x2, y2));
  }
  void endBand() {
    RegionNode* band = bandMark ? bandMark->next : out.first_;
    if (!band) return;  // nothing was added
    if (prevBand && prevBand->y2 == band->y1 && sameSpans(prevBand, band)) {
      const int32_t y2 = band->y2;
      for (RegionNode* n = prevBand; n != band; n = n->next) n->y2 = y2;
      // Drop the lower band.
      RegionNode* n = band;
      out.last_ = band->prev;
      if (out.last_) out.last_->next = nullptr;
      while (n) {
        RegionNode* next = n->next;
        gpPoolFree(n);
        --out.count_;
        n = next;
      }
    } else {
      prevBand = band;
    }
  }
  static bool sameSpans(const RegionNode* a, const RegionNode* b) {
    const RegionNode* aEnd = b;  // the upper band ends where the lower one begins
    while (a != aEnd && b) {
      if (a->x1 != b->x1 || a->x2 != b->x2) return false;
      a = a->next;
      b = b->next;
    }
    return a == aEnd && !b;
  }

  // Copies a band's rectangles clipped to [top, bottom).
  void copyBand(const RegionNode* r, const RegionNode* end, int32_t top, int32_t bottom) {
    beginBand();
    for (; r != end; r = r->next) emit(r->x1, top, r->x2, bottom);
    endBand();
  }

  void unionBands(const RegionNode* r1, const RegionNode* e1, const RegionNode* r2, const RegionNode* e2, int32_t top,
                  int32_t bottom) {
    beginBand();
    bool have = false;
    int32_t cx1 = 0, cx2 = 0;
    while (r1 != e1 || r2 != e2) {
      const RegionNode* next;
      if (r2 == e2 || (r1 != e1 && r1->x1 < r2->x1)) {
        next = r1;
        r1 = r1->next;
      } else {
        next = r2;
        r2 = r2->next;
      }
      if (!have) {
        cx1 = next->x1;
        cx2 = next->x2;
        have = true;
      } else if (next->x1 > cx2) {
        emit(cx1, top, cx2, bottom);
        cx1 = next->x1;
        cx2 = next->x2;
      } else if (next->x2 > cx2) {
        cx2 = next->x2;
      }
    }
    if (have) emit(cx1, top, cx2, bottom);
    endBand();
  }

  void subtractBands(const RegionNode* r1, const RegionNode* e1, const RegionNode* r2, const RegionNode* e2,
                     int32_t top, int32_t bottom) {
    beginBand();
    int32_t x1 = r1->x1;
    while (r1 != e1 && r2 != e2) {
      if (r2->x2 <= x1) {
        r2 = r2->next;  // wholly left of what is left of r1
      } else if (r2->x1 <= x1) {
        x1 = r2->x2;  // covers the left part of r1
        if (x1 >= r1->x2) {
          r1 = r1->next;
          if (r1 != e1) x1 = r1->x1;
        } else {
          r2 = r2->next;
        }
      } else if (r2->x1 < r1->x2) {
        emit(x1, top, r2->x1, bottom);  // the part of r1 left of r2 stays
        x1 = r2->x2;
        if (x1 >= r1->x2) {
          r1 = r1->next;
          if (r1 != e1) x1 = r1->x1;
        } else {
          r2 = r2->next;
        }
      } else {
        emit(x1, top, r1->x2, bottom);  // r2 lies right of r1
        r1 = r1->next;
        if (r1 != e1) x1 = r1->x1;
      }
    }
    while (r1 != e1) {
      emit(x1, top, r1->x2, bottom);
      r1 = r1->next;
      if (r1 != e1) x1 = r1->x1;
    }
    endBand();
  }

  void intersectBands(const RegionNode* r1, const RegionNode* e1, const RegionNode* r2, const RegionNode* e2,
                      int32_t top, int32_t bottom) {
    beginBand();
    while (r1 != e1 && r2 != e2) {
      const int32_t x1 = std::max(r1->x1, r2->x1);
      const int32_t x2 = std::min(r1->x2, r2->x2);
      emit(x1, top, x2, bottom);
      if (r1->x2 == x2) r1 = r1->next;
      if (r2->x2 == x2) r2 = r2->next;
    }
    endBand();
  }

  void overlap(Op op, const RegionNode* r1, const RegionNode* e1, const RegionNode* r2, const RegionNode* e2,
               int32_t top, int32_t bottom) {
    switch (op) {
      case Op::Union: unionBands(r1, e1, r2, e2, top, bottom); break;
      case Op::Subtract: subtractBands(r1, e1, r2, e2, top, bottom); break;
      case Op::Intersect: intersectBands(r1, e1, r2, e2, top, bottom); break;
    }
  }

  // The band sweep over both operands.
  void sweep(Op op, const RegionNode* r1, const RegionNode* r2) {
    const bool keepA = op != Op::Intersect;
    const bool keepB = op == Op::Union;
    int32_t ybot = 0;
    if (r1 && r2) ybot = std::min(r1->y1, r2->y1);
    while (r1 && r2) {
      const RegionNode* e1 = bandEnd(r1);
      const RegionNode* e2 = bandEnd(r2);
      int32_t ytop;
      if (r1->y1 < r2->y1) {
        // Only a has rectangles above b's band.
        const int32_t top = std::max(r1->y1, ybot);
        const int32_t bottom = std::min(r1->y2, r2->y1);
        if (keepA && top < bottom) copyBand(r1, e1, top, bottom);
        ytop = r2->y1;
      } else if (r2->y1 < r1->y1) {
        const int32_t top = std::max(r2->y1, ybot);
        const int32_t bottom = std::min(r2->y2, r1->y1);
        if (keepB && top < bottom) copyBand(r2, e2, top, bottom);
        ytop = r1->y1;
      } else {
        ytop = r1->y1;
      }
      ybot = std::min(r1->y2, r2->y2);
      if (ybot > ytop) overlap(op, r1, e1, r2, e2, ytop, ybot);
      if (r1->y2 == ybot) r1 = e1;
      if (r2->y2 == ybot) r2 = e2;
    }
    if (r1 && keepA) copyRest(r1, ybot);
    if (r2 && keepB) copyRest(r2, ybot);
  }

  // Copies the remaining bands from r on, the first one starting no higher than ybot.
  void copyRest(const RegionNode* r, int32_t ybot) {
    bool first = true;
    while (r) {
      const RegionNode* e = bandEnd(r);
      const int32_t top = first ? std::max(r->y1, ybot) : r->y1;
      if (top < r->y2) copyBand(r, e, top, r->y2);
      first = false;
      r = e;
    }
  }
};

namespace {

void runSweep(Op op, Region& result, const Region& a, const Region& b) {
  const RegionView va(a), vb(b);
  if (&result == &a || &result == &b) {
    Region temp;
    RegionBuilder builder(temp);
    builder.sweep(op, va.first, vb.first);
    temp.updateExtents();
    result.moveFrom(temp);
  } else {
    result.clear();
    RegionBuilder builder(result);
    builder.sweep(op, va.first, vb.first);
  }
  result.updateExtents();
}

}  // namespace

Region::~Region() { freeNodes(); }

void Region::freeNodes() {
  RegionNode* n = first_;
  while (n) {
    RegionNode* next = n->next;
    gpPoolFree(n);
    n = next;
  }
  first_ = last_ = nullptr;
  count_ = 0;
}

void Region::appendNode(RegionNode* node) {
  node->prev = last_;
  node->next = nullptr;
  if (last_)
    last_->next = node;
  else
    first_ = node;
  last_ = node;
  ++count_;
}

void Region::clear() {
  freeNodes();
  extents_ = {0, 0, 0, 0};
}

void Region::setRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  freeNodes();
  extents_ = {x1, y1, x2, y2};
  if (extents_.isEmpty()) extents_ = {0, 0, 0, 0};
}

void Region::assign(Region& destination) const {
  if (&destination == this) return;
  if (count_ <= 1 && !extents_.isEmpty()) {
    destination.freeNodes();
    destination.extents_ = extents_;
    return;
  }
  // Reuse the destination's nodes in order, adding or freeing nodes at the end.
  RegionNode* d = destination.first_;
  for (const RegionNode* s = first_; s; s = s->next) {
    if (d) {
      d->x1 = s->x1;
      d->y1 = s->y1;
      d->x2 = s->x2;
      d->y2 = s->y2;
      d = d->next;
    } else {
      destination.appendNode(newNode(s->x1, s->y1, s->x2, s->y2));
    }
  }
  if (d) {
    destination.last_ = d->prev;
    if (destination.last_)
      destination.last_->next = nullptr;
    else
      destination.first_ = nullptr;
    while (d) {
      RegionNode* next = d->next;
      gpPoolFree(d);
      d = next;
    }
  }
  destination.count_ = count_;
  destination.extents_ = extents_;
}

void Region::moveFrom(Region& source) {
  if (&source == this) return;
  freeNodes();
  if (source.count_ > 1 || source.extents_.isEmpty()) {
    first_ = source.first_;
    last_ = source.last_;
    count_ = source.count_;
    extents_ = source.extents_;
    if (count_ == 0 && extents_.isEmpty()) extents_ = {0, 0, 0, 0};
    source.first_ = source.last_ = nullptr;
    source.count_ = 0;
  } else {
    extents_ = source.extents_;
    source.freeNodes();
  }
  source.extents_ = {0, 0, 0, 0};
}

void Region::updateExtents() {
  if (!first_) {
    if (extents_.isEmpty()) extents_ = {0, 0, 0, 0};
    return;
  }
  RegionRect e = {first_->x1, first_->y1, first_->x2, first_->y2};
  for (const RegionNode* n = first_->next; n; n = n->next) {
    e.x1 = std::min(e.x1, n->x1);
    e.y1 = std::min(e.y1, n->y1);
    e.x2 = std::max(e.x2, n->x2);
    e.y2 = std::max(e.y2, n->y2);
  }
  extents_ = e;
}

void Region::offset(int32_t dx, int32_t dy) {
  if (!first_ && extents_.isEmpty()) return;
  extents_.x1 += dx;
  extents_.x2 += dx;
  extents_.y1 += dy;
  extents_.y2 += dy;
  for (RegionNode* n = first_; n; n = n->next) {
    n->x1 += dx;
    n->x2 += dx;
    n->y1 += dy;
    n->y2 += dy;
  }
}

int Region::rectIn(const RegionRect& r) const {
  if (extents_.isEmpty() || r.isEmpty() || !overlaps(r, extents_)) return kRectOutside;
  if (count_ <= 1) return containsRect(extents_, r) ? kRectInside : kRectPartlyInside;

  bool partIn = false, partOut = false;
  int32_t x = r.x1, y = r.y1;
  for (const RegionNode* n = first_; n; n = n->next) {
    if (n->y2 <= y) continue;  // above the point
    if (n->y1 > y) {
      partOut = true;  // a gap above this band
      if (partIn || n->y1 >= r.y2) break;
      y = n->y1;  // a new band
      x = r.x1;
    }
    if (n->x2 <= x) continue;
    if (n->x1 > x) {
      partOut = true;
      if (partIn) break;
    }
    if (n->x1 < r.x2) {
      partIn = true;
      if (partOut) break;
    }
    if (n->x2 >= r.x2) {
      // The band covers r's right edge: go on below it.
      y = n->y2;
      if (y >= r.y2) break;
      x = r.x1;
    } else {
      break;  // the band ends short of the right edge
    }
  }
  if (!partIn) return kRectOutside;
  return y < r.y2 ? kRectPartlyInside : kRectInside;
}

std::vector<RegionRect> Region::rects() const {
  std::vector<RegionRect> out;
  if (first_) {
    for (const RegionNode* n = first_; n; n = n->next) out.push_back({n->x1, n->y1, n->x2, n->y2});
  } else if (!extents_.isEmpty()) {
    out.push_back(extents_);
  }
  return out;
}

bool Region::contains(int32_t x, int32_t y) const {
  if (!first_) return x >= extents_.x1 && x < extents_.x2 && y >= extents_.y1 && y < extents_.y2;
  for (const RegionNode* n = first_; n; n = n->next)
    if (x >= n->x1 && x < n->x2 && y >= n->y1 && y < n->y2) return true;
  return false;
}

void Region::unite(Region& result, const Region& a, const Region& b) {
  if (&a == &b) {
    a.assign(result);
    return;
  }
  if (a.isEmpty()) {
    b.assign(result);
    return;
  }
  if (b.isEmpty()) {
    a.assign(result);
    return;
  }
  if (a.count_ == 0 && containsRect(a.extents_, b.extents_)) {
    a.assign(result);
    return;
  }
  if (b.count_ == 0 && containsRect(b.extents_, a.extents_)) {
    b.assign(result);
    return;
  }
  runSweep(Op::Union, result, a, b);
}

void Region::subtract(Region& result, const Region& a, const Region& b) {
  if (a.isEmpty() || b.isEmpty() || !overlaps(a.extents_, b.extents_)) {
    a.assign(result);
    return;
  }
  runSweep(Op::Subtract, result, a, b);
}

void Region::intersect(Region& result, const Region& a, const Region& b) {
  if (a.isEmpty() || b.isEmpty() || !overlaps(a.extents_, b.extents_)) {
    result.clear();
    return;
  }
  if (&a == &b) {
    a.assign(result);
    return;
  }
  if (a.count_ == 0 && b.count_ == 0) {
    const RegionRect& p = a.extents_;
    const RegionRect& q = b.extents_;
    result.setRect(std::max(p.x1, q.x1), std::max(p.y1, q.y1), std::min(p.x2, q.x2), std::min(p.y2, q.y2));
    return;
  }
  runSweep(Op::Intersect, result, a, b);
}

void gpPoolFree(RegionNode* node) {
  if (node) g_nodePool.lockedFree(node);
}

bool gpRegionPoolAcquire() {
  if (g_poolUsers++ > 0) return true;
  const bool created = g_nodePool.create(int(sizeof(RegionNode)), kFirstChunkNodes, 0, 0);
  if (!created) g_poolUsers = 0;
  return created;
}

void gpRegionPoolRelease() {
  if (g_poolUsers <= 0) return;
  if (--g_poolUsers == 0) g_nodePool.destroy();
}
