// The string-keyed hash table of property objects.
#include "ABPropertyTable.h"

#include <cstring>
#include <new>

uint32_t propertyHash(const char* key, uint32_t mask) {
  uint32_t h = 0;
  unsigned shift = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key); *p; ++p) {
    h ^= static_cast<uint32_t>(*p) << shift;
    shift = (shift + 1) & 3;
  }
  return h & mask;
}

int propertyCompare(const char* a, const char* b) { return std::strcmp(a, b); }

PropertyTable::PropertyTable(uint32_t bucketCount, PropertyHashFunction hash, PropertyCompareFunction compare)
    : hash_(hash ? hash : propertyHash), compare_(compare ? compare : propertyCompare) {
  uint32_t n = 2;
  while (n < bucketCount && n < 0x40000000u) n <<= 1;
  buckets_.reset(new (std::nothrow) Chain[n]);
  if (buckets_) {
    bucketCount_ = n;
    mask_ = n - 1;
  }
}

PropertyTable::~PropertyTable() { clear(); }

void PropertyTable::clear() {
  // Entry by entry from the head of each chain, so that a long chain is not destroyed recursively.
  for (uint32_t b = 0; b < bucketCount_; ++b)
    while (buckets_[b]) buckets_[b] = std::move(buckets_[b]->next);
  count_ = 0;
  rewind();
}

bool PropertyTable::insert(const char* key, PropertyObject* value) {
  std::unique_ptr<PropertyObject> owned(value);  // deleted here when it cannot be stored
  if (!key || !buckets_) return false;
  const size_t len = std::strlen(key);
  Chain e(new (std::nothrow) Entry);
  std::unique_ptr<char[]> copy(new (std::nothrow) char[len + 1]);
  if (!e || !copy) return false;
  std::memcpy(copy.get(), key, len + 1);
  e->key = std::move(copy);
  e->value = std::move(owned);
  const uint32_t b = hash_(key, mask_) & mask_;
  e->next = std::move(buckets_[b]);
  buckets_[b] = std::move(e);
  ++count_;
  if (count_ >= bucketCount_ * 3 / 4) grow();  // a failed rebuild keeps the smaller table
  return true;
}

bool PropertyTable::grow() {
  if (bucketCount_ >= 0x40000000u) return false;
  const uint32_t n = bucketCount_ * 2;
  std::unique_ptr<Chain[]> buckets(new (std::nothrow) Chain[n]);
  if (!buckets) return false;
  const uint32_t mask = n - 1;
  for (uint32_t b = 0; b < bucketCount_; ++b) {
    while (buckets_[b]) {
      Chain e = std::move(buckets_[b]);
      buckets_[b] = std::move(e->next);
      const uint32_t nb = hash_(e->key.get(), mask) & mask;
      e->next = std::move(buckets[nb]);
      buckets[nb] = std::move(e);
    }
  }
  buckets_ = std::move(buckets);
  bucketCount_ = n;
  mask_ = mask;
  rewind();
  return true;
}

PropertyObject* PropertyTable::find(const char* key) const {
  if (!key || !buckets_) return nullptr;
  for (const Entry* e = buckets_[hash_(key, mask_) & mask_].get(); e; e = e->next.get())
    if (compare_(e->key.get(), key) == 0) return e->value.get();
  return nullptr;
}

void PropertyTable::rewind() {
  cursorBucket_ = 0;
  cursorEntry_ = nullptr;
}

PropertyObject* PropertyTable::next(const char** key) {
  if (cursorEntry_) cursorEntry_ = cursorEntry_->next.get();
  while (!cursorEntry_ && cursorBucket_ < bucketCount_) cursorEntry_ = buckets_[cursorBucket_++].get();
  if (!cursorEntry_) return nullptr;
  if (key) *key = cursorEntry_->key.get();
  return cursorEntry_->value.get();
}
