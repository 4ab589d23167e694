// A string-keyed hash table of owned property objects, used by the device manager and the drivers to
// find property handlers (and listeners) by name.
#pragma once

#include <cstdint>
#include <memory>

// Anything a PropertyTable holds; the table deletes its objects when it is destroyed.
class PropertyObject {
 public:
  PropertyObject() = default;
  virtual ~PropertyObject() = default;
  PropertyObject(const PropertyObject&) = delete;
  PropertyObject& operator=(const PropertyObject&) = delete;
};

typedef uint32_t (*PropertyHashFunction)(const char* key, uint32_t mask);
typedef int (*PropertyCompareFunction)(const char* a, const char* b);

// XORs the key's bytes shifted left by 0, 1, 2, 3, 0, 1, ... bits in turn and masks the result.
uint32_t propertyHash(const char* key, uint32_t mask);
// Zero-terminated string comparison (0 when equal).
int propertyCompare(const char* a, const char* b);

class PropertyTable {
 public:
  // bucketCount is rounded up to a power of two (at least 2).
  explicit PropertyTable(uint32_t bucketCount = 32, PropertyHashFunction hash = propertyHash,
                         PropertyCompareFunction compare = propertyCompare);
  virtual ~PropertyTable();
  PropertyTable(const PropertyTable&) = delete;
  PropertyTable& operator=(const PropertyTable&) = delete;

  // Puts the object at the head of its bucket's chain under a copy of the key and takes ownership;
  // when the count reaches 75 % of the buckets the table is rebuilt with twice the buckets. False
  // (and the object deleted) for a null key or when memory is short.
  virtual bool insert(const char* key, PropertyObject* value);
  // The most recently inserted object under the key, or null (also for a null key).
  virtual PropertyObject* find(const char* key) const;
  // Deletes every entry and its object.
  virtual void clear();

  uint32_t count() const { return count_; }
  uint32_t bucketCount() const { return bucketCount_; }

  // Iteration: rewind, then next until it returns null (the key out-value may be null).
  void rewind();
  PropertyObject* next(const char** key);

 private:
  struct Entry {
    std::unique_ptr<Entry> next;  // the rest of the bucket's chain
    std::unique_ptr<char[]> key;
    std::unique_ptr<PropertyObject> value;  // destroyed first
  };
  typedef std::unique_ptr<Entry> Chain;
  bool grow();

  std::unique_ptr<Chain[]> buckets_;
  uint32_t bucketCount_ = 0;
  uint32_t count_ = 0;
  uint32_t mask_ = 0;
  uint32_t cursorBucket_ = 0;  // iteration cursor
  Entry* cursorEntry_ = nullptr;
  PropertyHashFunction hash_;
  PropertyCompareFunction compare_;
};
