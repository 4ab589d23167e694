// The two program-wide caches of GDI pens and brushes that drawing contexts select, ten entries each.
// Every cached object keeps the list of drawing contexts that have it selected, so that deleting it
// first gives each of them a stock object back.
#pragma once

#include <windows.h>

#include <cstdint>

class DrawContext;

// One drawing context's entry in the user list of a selected pen, brush or font.
struct UiaUserLink {
  UiaUserLink* prev = nullptr;
  UiaUserLink* next = nullptr;
  DrawContext* context = nullptr;  // null while the link is in no list
};

// The drawing contexts that have one object selected, first user first.
struct UiaUserList {
  UiaUserLink* first = nullptr;
  UiaUserLink* last = nullptr;

  void append(UiaUserLink& link, DrawContext* context);
  void remove(UiaUserLink& link);  // nothing when the link is in no list
  bool isEmpty() const { return first == nullptr; }
  int count() const;
};

// A cache key: colour 0x00RRGGBB, then, for pens, the width and the style word (0 copy, 1 invert, 2 xor).
struct GdiCacheKey {
  uint32_t colour = 0;
  int32_t width = 1;
  uint32_t style = 0;
};

// What the cache keeps for one entry.
class GdiCacheHolder {
 public:
  virtual ~GdiCacheHolder() = default;
  UiaUserList users;
  HGDIOBJ handle = nullptr;
};

class PenHolder : public GdiCacheHolder {
 public:
  int32_t rasterOp = R2_COPYPEN;  // what SetROP2 gets when the pen is selected
};

class GdiObjectCache {
 public:
  static constexpr int kSlots = 10;

  GdiObjectCache() = default;
  // Program end: the used entries are released and the count set to 0.
  virtual ~GdiObjectCache();
  GdiObjectCache(const GdiObjectCache&) = delete;
  GdiObjectCache& operator=(const GdiObjectCache&) = delete;

  // The per-kind operations.
  virtual bool create(const GdiCacheKey& key, GdiCacheHolder& holder) = 0;
  virtual void release(GdiCacheHolder& holder) = 0;
  virtual bool equalKeys(const GdiCacheKey& a, const GdiCacheKey& b) const = 0;
  virtual void copyKey(GdiCacheKey& to, const GdiCacheKey& from) const { to = from; }
  virtual GdiCacheHolder* allocateHolder() = 0;
  virtual void freeHolder(GdiCacheHolder* holder) { delete holder; }

  // Allocates the ten holders once; true when they exist afterwards.
  bool allocate();
  // Releases every used entry, frees the holders and clears the allocated flag.
  void clear();
  // Releases every used entry and sets the count to 0 (the holders stay).
  void releaseAll();
  // The holder for a key: an entry with an equal key, else a new entry. With all ten in use, the
  // least recently made entry that no context has selected is released and reused (the oldest
  // entry when every one is selected somewhere). Null when the holders are not allocated or the
  // object cannot be made.
  GdiCacheHolder* lookup(const GdiCacheKey& key);

  int count() const { return count_; }
  bool isAllocated() const { return allocated_; }
  GdiCacheHolder* holderAt(int index) const { return index >= 0 && index < count_ ? holders_[index] : nullptr; }

 private:
  GdiCacheKey keys_[kSlots];
  GdiCacheHolder* holders_[kSlots] = {};
  int count_ = 0;
  bool allocated_ = false;
};

class PenCache : public GdiObjectCache {
 public:
  ~PenCache() override;
  // A solid pen of the key's colour and width; the style word picks the raster operation.
  bool create(const GdiCacheKey& key, GdiCacheHolder& holder) override;
  // Each user gets the stock black pen back, then the pen is deleted.
  void release(GdiCacheHolder& holder) override;
  // Colour, width and style all count.
  bool equalKeys(const GdiCacheKey& a, const GdiCacheKey& b) const override;
  GdiCacheHolder* allocateHolder() override;
};

class BrushCache : public GdiObjectCache {
 public:
  ~BrushCache() override;
  bool create(const GdiCacheKey& key, GdiCacheHolder& holder) override;
  void release(GdiCacheHolder& holder) override;
  bool equalKeys(const GdiCacheKey& a, const GdiCacheKey& b) const override;
  GdiCacheHolder* allocateHolder() override;
};

PenCache& uiaPenCache();
BrushCache& uiaBrushCache();

// The raster operation of a pen style word: 0 R2_COPYPEN, 1 R2_NOT, 2 R2_XORPEN, others R2_COPYPEN.
int32_t uiaPenRasterOp(uint32_t style);
// 0x00RRGGBB (any alpha byte ignored) as a GDI COLORREF 0x00BBGGRR.
COLORREF uiaGdiColour(uint32_t colour);
