// The pen and brush caches and the user lists of selected objects.
#include "UIAGdiCache.h"

#include "UIADrawContext.h"

#include <new>

// ---------------------------------------------------------------------------------------------------
// User lists

void UiaUserList::append(UiaUserLink& link, DrawContext* context) {
  remove(link);
  link.context = context;
  link.prev = last;
  link.next = nullptr;
  if (last)
    last->next = &link;
  else
    first = &link;
  last = &link;
}

void UiaUserList::remove(UiaUserLink& link) {
  if (!link.context) return;
  if (link.prev)
    link.prev->next = link.next;
  else if (first == &link)
    first = link.next;
  if (link.next)
    link.next->prev = link.prev;
  else if (last == &link)
    last = link.prev;
  link.prev = link.next = nullptr;
  link.context = nullptr;
}

int UiaUserList::count() const {
  int n = 0;
  for (const UiaUserLink* l = first; l; l = l->next) ++n;
  return n;
}

// ---------------------------------------------------------------------------------------------------
// The cache

GdiObjectCache::~GdiObjectCache() {
  // The kinds release their entries in their own destructors (their release operation is gone here).
}

bool GdiObjectCache::allocate() {
  if (allocated_) return true;
  for (int i = 0; i < kSlots; ++i) {
    holders_[i] = allocateHolder();
    if (!holders_[i]) {
      for (int j = 0; j < i; ++j) {
        freeHolder(holders_[j]);
        holders_[j] = nullptr;
      }
      return false;
    }
  }
  allocated_ = true;
  count_ = 0;
  return true;
}

void GdiObjectCache::releaseAll() {
  if (!allocated_) return;
  for (int i = 0; i < count_; ++i) release(*holders_[i]);
  count_ = 0;
}

void GdiObjectCache::clear() {
  if (!allocated_) return;
  releaseAll();
  for (GdiCacheHolder*& h : holders_) {
    freeHolder(h);
    h = nullptr;
  }
  allocated_ = false;
}

GdiCacheHolder* GdiObjectCache::lookup(const GdiCacheKey& key) {
  if (!allocated_) return nullptr;
  for (int i = 0; i < count_; ++i)
    if (equalKeys(keys_[i], key)) return holders_[i];

  int slot = count_;
  if (count_ == kSlots) {
    // Entries are kept oldest first: reuse the oldest that no context has selected, else the oldest.
    slot = 0;
    for (int i = 0; i < kSlots; ++i)
      if (holders_[i]->users.isEmpty()) {
        slot = i;
        break;
      }
    GdiCacheHolder* reused = holders_[slot];
    GdiCacheKey reusedKey = keys_[slot];
    release(*reused);
    for (int i = slot; i + 1 < kSlots; ++i) {
      holders_[i] = holders_[i + 1];
      keys_[i] = keys_[i + 1];
    }
    holders_[kSlots - 1] = reused;
    keys_[kSlots - 1] = reusedKey;
    slot = kSlots - 1;
    count_ = kSlots - 1;
  }
  GdiCacheHolder* holder = holders_[slot];
  if (!create(key, *holder)) return nullptr;
  copyKey(keys_[slot], key);
  count_ = slot + 1;
  return holder;
}

COLORREF uiaGdiColour(uint32_t colour) { return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF); }

int32_t uiaPenRasterOp(uint32_t style) {
  switch (style) {
    case 1: return R2_NOT;
    case 2: return R2_XORPEN;
    default: return R2_COPYPEN;
  }
}

// ---------------------------------------------------------------------------------------------------
// Pens

PenCache::~PenCache() {
  releaseAll();
  clear();
}

bool PenCache::create(const GdiCacheKey& key, GdiCacheHolder& holder) {
  holder.handle = CreatePen(PS_SOLID, key.width, uiaGdiColour(key.colour & 0xFFFFFFu));
  static_cast<PenHolder&>(holder).rasterOp = uiaPenRasterOp(key.style);
  return holder.handle != nullptr;
}

void PenCache::release(GdiCacheHolder& holder) {
  if (!holder.handle) return;
  while (UiaUserLink* user = holder.users.first) {
    DrawContext* context = user->context;
    context->releasePen();
    holder.users.remove(*user);  // in case the context did not take itself off
  }
  DeleteObject(holder.handle);
  holder.handle = nullptr;
}

bool PenCache::equalKeys(const GdiCacheKey& a, const GdiCacheKey& b) const {
  return (a.colour & 0xFFFFFFu) == (b.colour & 0xFFFFFFu) && a.width == b.width && a.style == b.style;
}

GdiCacheHolder* PenCache::allocateHolder() { return new (std::nothrow) PenHolder; }

// ---------------------------------------------------------------------------------------------------
// Brushes

BrushCache::~BrushCache() {
  releaseAll();
  clear();
}

bool BrushCache::create(const GdiCacheKey& key, GdiCacheHolder& holder) {
  holder.handle = CreateSolidBrush(uiaGdiColour(key.colour & 0xFFFFFFu));
  return holder.handle != nullptr;
}

void BrushCache::release(GdiCacheHolder& holder) {
  if (!holder.handle) return;
  while (UiaUserLink* user = holder.users.first) {
    DrawContext* context = user->context;
    context->releaseBrush();
    holder.users.remove(*user);
  }
  DeleteObject(holder.handle);
  holder.handle = nullptr;
}

bool BrushCache::equalKeys(const GdiCacheKey& a, const GdiCacheKey& b) const {
  return (a.colour & 0xFFFFFFu) == (b.colour & 0xFFFFFFu);
}

GdiCacheHolder* BrushCache::allocateHolder() { return new (std::nothrow) GdiCacheHolder; }

PenCache& uiaPenCache() {
  static PenCache cache;
  return cache;
}

BrushCache& uiaBrushCache() {
  static BrushCache cache;
  return cache;
}
