// The common design of the picture and font maps: shared items made on first use by id, with a use
// count per id, and an index resource ("PM", "FM") that lists the ids with a record each.
#pragma once

#include "GPBinaryStream.h"
#include "NGLResource.h"
#include "NGLStreamState.h"

#include <cstdint>
#include <map>
#include <memory>

// One id's entry: the item (owned; absent until first asked for), its users and the index record.
template <class Item>
class ResourceMapEntry {
 public:
  ResourceMapEntry() = default;
  virtual ~ResourceMapEntry() = default;
  ResourceMapEntry(const ResourceMapEntry&) = delete;
  ResourceMapEntry& operator=(const ResourceMapEntry&) = delete;

  // Takes the item over (called while the entry has none).
  virtual void setItem(Item* item) { item_.reset(item); }
  virtual bool read(BinaryStream& stream) = 0;
  virtual bool write(BinaryStream& stream) = 0;

  Item* item() const { return item_.get(); }
  uint32_t useCount() const { return useCount_; }
  // Deletes the item; the entry keeps its record.
  void dropItem() { item_.reset(); }

  // Counts one user more (saturating) or one less (never below 0).
  void addUser() {
    if (useCount_ != UINT32_MAX) ++useCount_;
  }
  void removeUser() {
    if (useCount_ > 0) --useCount_;
  }

 private:
  std::unique_ptr<Item> item_;
  uint32_t useCount_ = 0;
};

template <class Item, class Entry>
class ResourceMap {
 public:
  ResourceMap() = default;
  // Deletes every entry and item (also of a map whose index failed to load: nothing is leaked).
  virtual ~ResourceMap() { deleteEntries(); }
  ResourceMap(const ResourceMap&) = delete;
  ResourceMap& operator=(const ResourceMap&) = delete;

  // Id 0: loaded and empty. Otherwise reads the index resource of typeName() with that id; a
  // missing resource leaves the map not loaded. Answers the loaded flag.
  virtual bool load(uint32_t resourceId) {
    if (resourceId == 0) {
      loaded_ = 1;
      return true;
    }
    std::unique_ptr<BinaryStream> stream = nglOpenResource(resourceId, typeName());
    if (!stream) {
      loaded_ = 0;
      return false;
    }
    loaded_ = read(*stream) ? 1 : 0;
    return loaded_ != 0;
  }

  // Adds the index resource of that name to a loaded map; the loaded flag stays as it was.
  virtual bool loadMore(const char* resourceName) {
    if (!loaded_ || !resourceName) return false;
    std::unique_ptr<BinaryStream> stream = nglOpenNamedResource(resourceName, typeName());
    if (!stream) return false;
    return read(*stream);
  }

  // Deletes every entry (and item, whatever its use count) and clears the loaded flag.
  virtual void clear() {
    deleteEntries();
    loaded_ = 0;
  }

  // The item for the id, loaded on first use; counts one more user even when it could not be
  // loaded (so the caller's release stays balanced).
  virtual Item* get(uint32_t id, bool flag) {
    Entry* entry = findOrCreate(id);
    if (!entry) return nullptr;
    if (!entry->item()) {
      if (Item* item = loadItem(entry, id, flag)) entry->setItem(item);
    }
    entry->addUser();
    return entry->item();
  }

  // One user less; the last one deletes the item (the entry stays). True when no user is left,
  // and for an unknown id.
  virtual bool release(uint32_t id) {
    auto found = entries_.find(id);
    if (found == entries_.end()) return true;
    Entry* entry = found->second.get();
    entry->removeUser();
    if (entry->useCount() == 0) entry->dropItem();
    return entry->useCount() == 0;
  }

  // The index: u32 version (below 3: nothing more, true), i32 count, then per record a u32 id and
  // the entry's record. Stops with false at the first record that fails; the entries read before
  // it stay, an entry made for the failing record is removed again. Each record consumes bytes, so
  // a count larger than the data ends at the data's end without allocating for the count.
  virtual bool read(BinaryStream& stream) {
    const uint32_t version = stream.readU32();
    if (!nglStreamOk(stream)) return false;
    if (version < 3) return true;
    const int32_t count = stream.readInt32();
    if (!nglStreamOk(stream)) return false;
    for (int32_t i = 0; i < count; ++i) {
      const uint32_t id = stream.readU32();
      if (!nglStreamOk(stream)) return false;
      const bool existed = entries_.count(id) != 0;
      Entry* entry = findOrCreate(id);
      if (!entry) return false;
      if (!entry->read(stream)) {
        if (!existed) entries_.erase(id);
        return false;
      }
    }
    return true;
  }

  // u32 3, u32 number of entries, then each entry's id and record in ascending id order.
  virtual bool write(BinaryStream& stream) {
    stream.writeU32(3);
    stream.writeU32(uint32_t(entries_.size()));
    for (auto& pair : entries_) {
      stream.writeU32(pair.first);
      pair.second->write(stream);
    }
    return nglStreamOk(stream);
  }

  virtual Entry* createEntry() = 0;
  // Makes the item for an id; null when it cannot be made.
  virtual Item* loadItem(Entry* entry, uint32_t id, bool flag) = 0;
  virtual const char* typeName() const = 0;

  bool isLoaded() const { return loaded_ != 0; }
  size_t entryCount() const { return entries_.size(); }
  // The entry for the id, or null (for tests and diagnostics).
  Entry* findEntry(uint32_t id) const {
    auto found = entries_.find(id);
    return found == entries_.end() ? nullptr : found->second.get();
  }

 protected:
  Entry* findOrCreate(uint32_t id) {
    auto found = entries_.find(id);
    if (found != entries_.end()) return found->second.get();
    Entry* entry = createEntry();
    if (entry) entries_.emplace(id, std::unique_ptr<Entry>(entry));
    return entry;
  }

  void deleteEntries() { entries_.clear(); }

 private:
  uint8_t loaded_ = 0;
  std::map<uint32_t, std::unique_ptr<Entry>> entries_;
};
