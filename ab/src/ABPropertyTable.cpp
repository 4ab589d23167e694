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
    : m_hash(hash ? hash : propertyHash), m_compare(compare ? compare : propertyCompare) {
  uint32_t n = 2;
  while (n < bucketCount && n < 0x40000000u) n <<= 1;
  m_buckets.reset(new (std::nothrow) Chain[n]);
  if (m_buckets) {
    m_bucketCount = n;
    m_mask = n - 1;
  }
}

PropertyTable::~PropertyTable() { clear(); }

void PropertyTable::clear() {
  // Entry by entry from the head of each chain, so that a long chain is not destroyed recursively.
  for (uint32_t b = 0; b < m_bucketCount; ++b)
    while (m_buckets[b]) m_buckets[b] = std::move(m_buckets[b]->next);
  m_count = 0;
  rewind();
}

bool PropertyTable::insert(const char* key, PropertyObject* value) {
  std::unique_ptr<PropertyObject> owned(value);  // deleted here when it cannot be stored
  if (!key || !m_buckets) return false;
  const size_t len = std::strlen(key);
  Chain e(new (std::nothrow) Entry);
  std::unique_ptr<char[]> copy(new (std::nothrow) char[len + 1]);
  if (!e || !copy) return false;
  std::memcpy(copy.get(), key, len + 1);
  e->key = std::move(copy);
  e->value = std::move(owned);
  const uint32_t b = m_hash(key, m_mask) & m_mask;
  e->next = std::move(m_buckets[b]);
  m_buckets[b] = std::move(e);
  ++m_count;
  if (m_count >= m_bucketCount * 3 / 4) grow();  // a failed rebuild keeps the smaller table
  return true;
}

bool PropertyTable::grow() {
  if (m_bucketCount >= 0x40000000u) return false;
  const uint32_t n = m_bucketCount * 2;
  std::unique_ptr<Chain[]> buckets(new (std::nothrow) Chain[n]);
  if (!buckets) return false;
  const uint32_t mask = n - 1;
  for (uint32_t b = 0; b < m_bucketCount; ++b) {
    while (m_buckets[b]) {
      Chain e = std::move(m_buckets[b]);
      m_buckets[b] = std::move(e->next);
      const uint32_t nb = m_hash(e->key.get(), mask) & mask;
      e->next = std::move(buckets[nb]);
      buckets[nb] = std::move(e);
    }
  }
  m_buckets = std::move(buckets);
  m_bucketCount = n;
  m_mask = mask;
  rewind();
  return true;
}

PropertyObject* PropertyTable::find(const char* key) const {
  if (!key || !m_buckets) return nullptr;
  for (const Entry* e = m_buckets[m_hash(key, m_mask) & m_mask].get(); e; e = e->next.get())
    if (m_compare(e->key.get(), key) == 0) return e->value.get();
  return nullptr;
}

void PropertyTable::rewind() {
  m_cursorBucket = 0;
  m_cursorEntry = nullptr;
}

PropertyObject* PropertyTable::next(const char** key) {
  if (m_cursorEntry) m_cursorEntry = m_cursorEntry->next.get();
  while (!m_cursorEntry && m_cursorBucket < m_bucketCount) m_cursorEntry = m_buckets[m_cursorBucket++].get();
  if (!m_cursorEntry) return nullptr;
  if (key) *key = m_cursorEntry->key.get();
  return m_cursorEntry->value.get();
}
