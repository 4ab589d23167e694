// The string-keyed hash table of property objects.
#include "ABPropertyTable.h"

#include <cstring>
#include <new>

uint32_t propertyHash(const char* key, uint32_t mask)
{
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
    : m_hash(hash ? hash : propertyHash), m_compare(compare ? compare : propertyCompare)
{
    uint32_t n = 2;
    while (n < bucketCount && n < 0x40000000u) n <<= 1;
    m_buckets = new (std::nothrow) Entry*[n]();
    if (m_buckets) {
        m_bucketCount = n;
        m_mask = n - 1;
    }
}

PropertyTable::~PropertyTable()
{
    clear();
    delete[] m_buckets;
}

void PropertyTable::clear()
{
    for (uint32_t b = 0; b < m_bucketCount; ++b) {
        Entry* e = m_buckets[b];
        while (e) {
            Entry* next = e->next;
            delete e->value;
            delete[] e->key;
            delete e;
            e = next;
        }
        m_buckets[b] = nullptr;
    }
    m_count = 0;
    rewind();
}

bool PropertyTable::insert(const char* key, PropertyObject* value)
{
    if (!key || !m_buckets) {
        delete value;
        return false;
    }
    size_t len = std::strlen(key);
    Entry* e = new (std::nothrow) Entry;
    char* copy = new (std::nothrow) char[len + 1];
    if (!e || !copy) {
        delete e;
        delete[] copy;
        delete value;
        return false;
    }
    std::memcpy(copy, key, len + 1);
    e->key = copy;
    e->value = value;
    uint32_t b = m_hash(key, m_mask) & m_mask;
    e->next = m_buckets[b];
    m_buckets[b] = e;
    ++m_count;
    if (m_count >= m_bucketCount * 3 / 4) grow();   // a failed rebuild keeps the smaller table
    return true;
}

bool PropertyTable::grow()
{
    if (m_bucketCount >= 0x40000000u) return false;
    uint32_t n = m_bucketCount * 2;
    Entry** buckets = new (std::nothrow) Entry*[n]();
    if (!buckets) return false;
    uint32_t mask = n - 1;
    for (uint32_t b = 0; b < m_bucketCount; ++b) {
        Entry* e = m_buckets[b];
        while (e) {
            Entry* next = e->next;
            uint32_t nb = m_hash(e->key, mask) & mask;
            e->next = buckets[nb];
            buckets[nb] = e;
            e = next;
        }
    }
    delete[] m_buckets;
    m_buckets = buckets;
    m_bucketCount = n;
    m_mask = mask;
    rewind();
    return true;
}

PropertyObject* PropertyTable::find(const char* key) const
{
    if (!key || !m_buckets) return nullptr;
    for (Entry* e = m_buckets[m_hash(key, m_mask) & m_mask]; e; e = e->next)
        if (m_compare(e->key, key) == 0) return e->value;
    return nullptr;
}

void PropertyTable::rewind()
{
    m_cursorBucket = 0;
    m_cursorEntry = nullptr;
}

PropertyObject* PropertyTable::next(const char** key)
{
    if (m_cursorEntry) m_cursorEntry = m_cursorEntry->next;
    while (!m_cursorEntry && m_cursorBucket < m_bucketCount) m_cursorEntry = m_buckets[m_cursorBucket++];
    if (!m_cursorEntry) return nullptr;
    if (key) *key = m_cursorEntry->key;
    return m_cursorEntry->value;
}
