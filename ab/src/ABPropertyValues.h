// Helpers the drivers share for reading and writing property values: unaligned 32-bit words in a
// caller's buffer, values of a fixed size, the rate list, port records and their lists, the stream
// description, the input-device list, a read-only text property (the device name) and the
// per-channel float buffers of a block. Each checks only the caller's buffer and size: whether the
// device must be open first is the driver's own rule, tested before the call.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "ABDeviceErrors.h"
#include "ABPortEntry.h"

inline uint32_t readU32(const void* p, size_t offset) {
  uint32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, 4);
  return v;
}

inline void writeU32(void* p, size_t offset, uint32_t v) { std::memcpy(static_cast<uint8_t*>(p) + offset, &v, 4); }

// Copies a text into a fixed field, cut to fit and always terminated.
inline void copyText(char* to, size_t room, const std::string& from) {
  std::strncpy(to, from.c_str(), room - 1);
  to[room - 1] = 0;
}

// The information of a value of a known size: the size and whether it can be changed.
inline int valuePropertyInfo(uint64_t bytes, bool canChange, uint32_t* size, uint32_t* changeable) {
  if (!size) return AB_ERR_BAD_VALUE;
  *size = static_cast<uint32_t>(bytes);
  if (changeable) *changeable = canChange ? 1 : 0;
  return AB_OK;
}

// A 32-bit word: a buffer of exactly one to read it into, a value of exactly one to set.
inline bool isWordBuffer(const void* buffer, const uint32_t* size) { return size && buffer && *size == 4; }
inline bool isWordValue(const void* value, uint32_t size) { return value && size == 4; }

// Reads the word into a buffer of exactly one word; AB_ERR_BAD_VALUE for another buffer.
inline int wordPropertyGet(uint32_t word, void* buffer, uint32_t* size) {
  if (!isWordBuffer(buffer, size)) return AB_ERR_BAD_VALUE;
  writeU32(buffer, 0, word);
  return AB_OK;
}

// ---- "DeviceDescription": the device's kind and its driver type (ABDriverType).

const uint32_t kDeviceDescriptionBytes = 8;

inline void writeDeviceDescription(void* buffer, uint32_t kind, uint32_t driverType) {
  writeU32(buffer, 0, kind);
  writeU32(buffer, 4, driverType);
}

// ---- "SampleRateList": the count, each rate as a 32-bit word, and a spare word.

inline uint64_t rateListBytes(int count) { return 8 + 4 * static_cast<uint64_t>(count); }

// Changeable when there is a choice (two rates or more).
inline int rateListPropertyInfo(int count, uint32_t* size, uint32_t* changeable) {
  return valuePropertyInfo(rateListBytes(count), count > 1, size, changeable);
}

// The count and the rates (whole numbers); the spare word is left as it is.
template <class Rate>
void writeRateList(void* buffer, const Rate* rates, int count) {
  writeU32(buffer, 0, static_cast<uint32_t>(count));
  for (int i = 0; i < count; ++i)
    writeU32(buffer, 4 + 4 * static_cast<size_t>(i), static_cast<uint32_t>(static_cast<int32_t>(rates[i])));
}

// ---- Port records ("PortDescription", "EnableAudioPort", "ActiveAudioPort").

// A port record list: at least one record, and exactly 4 + 76 × count bytes.
inline bool isRecordList(const void* value, uint32_t size) {
  if (!value || size < kPortRecordBytes) return false;
  return size == portListBytes(readU32(value, 0));
}

// A single-entry record that asks for one port's flags: 80 bytes and the count 1.
inline bool isSinglePortRecord(const void* buffer, uint32_t size) {
  return size == kPortRecordBytes && readU32(buffer, 0) == 1;
}

// The i-th entry of a record list, and writing one there.
inline AudioPortEntry portEntryAt(const void* list, size_t i) {
  AudioPortEntry e;
  std::memcpy(&e, static_cast<const uint8_t*>(list) + kRecordCountBytes + sizeof e * i, sizeof e);
  return e;
}

inline void putPortEntry(void* list, size_t i, const AudioPortEntry& e) {
  std::memcpy(static_cast<uint8_t*>(list) + kRecordCountBytes + sizeof e * i, &e, sizeof e);
}

// An entry with its flags and an empty name.
inline AudioPortEntry makePortEntry(int32_t index, bool isOutput, bool active, bool enabled) {
  AudioPortEntry e;
  std::memset(&e, 0, sizeof e);
  e.index = index;
  e.isOutput = isOutput ? 1 : 0;
  e.active = active ? 1 : 0;
  e.enabled = enabled ? 1 : 0;
  return e;
}

// Answers a single-entry record (see isSinglePortRecord) with the flags of the port it names:
// flagsOf(entry, &active, &enabled) finds the port and gives its flags, or returns false when there
// is no such port (AB_ERR_BAD_VALUE, and the record stays as it was).
template <class FlagsOf>
int answerPortRecord(void* buffer, FlagsOf flagsOf) {
  AudioPortEntry e = portEntryAt(buffer, 0);
  uint8_t active = 0, enabled = 0;
  if (!flagsOf(e, &active, &enabled)) return AB_ERR_BAD_VALUE;
  e.active = active;
  e.enabled = enabled;
  putPortEntry(buffer, 0, e);
  return AB_OK;
}

// The same, with the port that findPort(index, isOutput) gives (null: none) and its own flags.
template <class FindPort>
int answerPortRecordFrom(void* buffer, FindPort findPort) {
  return answerPortRecord(buffer, [&](const AudioPortEntry& e, uint8_t* active, uint8_t* enabled) {
    const auto* port = findPort(e.index, e.isOutput != 0);
    if (!port) return false;
    *active = port->active;
    *enabled = port->enabled;
    return true;
  });
}

// Calls f(entry) for each entry of a record list (checked by isRecordList), in order.
template <class F>
void forEachPortEntry(const void* list, F f) {
  const uint32_t count = readU32(list, 0);
  for (uint32_t i = 0; i < count; ++i) f(portEntryAt(list, i));
}

// ---- "StreamDescription": the count of listed ports, the block frames and the rate, then per listed
// port its direction byte (1 output), its channel within the direction and its port index.

const size_t kStreamHeaderBytes = 12;
const size_t kStreamEntryBytes = 16;

inline uint64_t streamDescriptionBytes(uint64_t entries) { return kStreamHeaderBytes + kStreamEntryBytes * entries; }

inline void writeStreamHeader(void* out, uint32_t ports, uint32_t frames, uint32_t rate) {
  writeU32(out, 0, ports);
  writeU32(out, 4, frames);
  writeU32(out, 8, rate);
}

// Writes the entry at the byte offset (into a zeroed buffer); the offset of the next one.
inline size_t writeStreamEntry(void* out, size_t at, bool isOutput, uint32_t channel, uint32_t index) {
  static_cast<uint8_t*>(out)[at] = isOutput ? 1 : 0;
  writeU32(out, at + 4, channel);
  writeU32(out, at + 8, index);
  return at + kStreamEntryBytes;
}

// ---- Input devices ("AudioInDeviceList", "AudioInDevice", "ActiveAudioInDevice").

// The name of the entry that chooses no input device (index -1).
const char* const kNoInputDeviceName = "no device";

// Writes the entry at slot k of an entry array.
inline void putInDeviceEntry(void* out, size_t k, int32_t index, const std::string& name) {
  AudioInDeviceEntry e;
  std::memset(&e, 0, sizeof e);
  e.index = index;
  copyText(e.name, sizeof e.name, name);
  std::memcpy(static_cast<uint8_t*>(out) + sizeof e * k, &e, sizeof e);
}

// The list of count system devices: "no device", then nameOf(i) at index i. With a buffer too small
// for all of it, nothing is written and the size becomes 0 (AB_ERR_BAD_VALUE); else the size becomes
// the list's.
template <class NameOf>
int inDeviceListPropertyGet(uint32_t count, NameOf nameOf, void* buffer, uint32_t* size) {
  const uint32_t needed = static_cast<uint32_t>(inDeviceListBytes(count));
  if (!buffer || *size < needed) {
    *size = 0;
    return AB_ERR_BAD_VALUE;
  }
  putInDeviceEntry(buffer, 0, -1, kNoInputDeviceName);
  for (uint32_t i = 0; i < count; ++i) putInDeviceEntry(buffer, i + 1, static_cast<int32_t>(i), nameOf(i));
  *size = needed;
  return AB_OK;
}

// A read-only text: its size with the terminator.
inline int textPropertyInfo(const std::string& text, uint32_t* size, uint32_t* changeable) {
  if (!size) return AB_ERR_BAD_VALUE;
  *size = static_cast<uint32_t>(text.size() + 1);
  if (changeable) *changeable = 0;
  return AB_OK;
}

// A read-only text into the caller's buffer: with room, the text and its terminator, and the size
// becomes the text's length; without room for the terminator, exactly the given number of bytes.
inline int textPropertyGet(const std::string& text, void* buffer, uint32_t* size) {
  if (!size || (*size > 0 && !buffer)) return AB_ERR_BAD_VALUE;
  const uint32_t len = static_cast<uint32_t>(text.size());
  if (*size <= len) {
    std::memcpy(buffer, text.data(), *size);
    return AB_OK;
  }
  std::memcpy(buffer, text.c_str(), len + 1);
  *size = len;
  return AB_OK;
}

// One zeroed buffer of frames per channel and the list of them ended by a null entry (what a
// block's buffers point to).
class ChannelBuffers {
 public:
  // Replaces the buffers; false when memory runs out (nothing is left allocated then).
  bool allocate(int channels, uint32_t frames) {
    release();
    std::unique_ptr<std::unique_ptr<float[]>[]> store(new (std::nothrow) std::unique_ptr<float[]>[channels]);
    std::unique_ptr<float*[]> list(new (std::nothrow) float*[channels + 1]());
    if (!store || !list) return false;
    for (int c = 0; c < channels; ++c) {
      store[c].reset(new (std::nothrow) float[frames]());
      if (!store[c]) return false;
      list[c] = store[c].get();
    }
    store_ = std::move(store);
    list_ = std::move(list);
    return true;
  }
  void release() {
    list_.reset();
    store_.reset();
  }
  float** list() const { return list_.get(); }  // null until allocated

 private:
  std::unique_ptr<std::unique_ptr<float[]>[]> store_;
  std::unique_ptr<float*[]> list_;
};
