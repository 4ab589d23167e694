// Helpers of the resource tests: the executable's embedded resources as bytes, and binary streams
// over byte buffers for reading and writing records.
#pragma once

#include "GPBinaryStream.h"
#include "GPStream.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// The ids of every resource of that type in this executable, ascending.
// Collects the integer ids of one resource type (a stdcall callback: a lambda would not convert on i686).
inline BOOL CALLBACK collectEmbeddedId(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<uint32_t>*>(param)->push_back(uint32_t(uintptr_t(name)));
  return TRUE;
}

inline std::vector<uint32_t> embeddedIds(const char* type) {
  std::vector<uint32_t> ids;
  EnumResourceNamesA(nullptr, type, collectEmbeddedId, reinterpret_cast<LONG_PTR>(&ids));
  std::sort(ids.begin(), ids.end());
  return ids;
}

// A copy of the resource's bytes (empty when it is missing).
inline std::vector<uint8_t> embeddedBytes(const char* type, uint32_t id) {
  HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
  if (!info) return {};
  HGLOBAL loaded = LoadResource(nullptr, info);
  const uint8_t* data = static_cast<const uint8_t*>(LockResource(loaded));
  return std::vector<uint8_t>(data, data + SizeofResource(nullptr, info));
}

// A little-endian reader over a copy of some bytes.
class BytesReader {
 public:
  explicit BytesReader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)), binary_(&memory_) {
    memory_.open(1, bytes_.empty() ? nullptr : bytes_.data(), int32_t(bytes_.size()));
  }
  BinaryStream& stream() { return binary_; }
  int state() const { return memory_.state(); }
  int32_t position() const { return memory_.tell(); }

 private:
  std::vector<uint8_t> bytes_;
  MemoryStream memory_;
  BinaryStream binary_;
};

// A little-endian writer into a buffer of a fixed capacity; bytes() is what was written.
class BytesWriter {
 public:
  explicit BytesWriter(size_t capacity = 1 << 16) : buffer_(capacity), binary_(&memory_) {
    memory_.open(2, buffer_.data(), int32_t(buffer_.size()));
  }
  BinaryStream& stream() { return binary_; }
  std::vector<uint8_t> bytes() const { return std::vector<uint8_t>(buffer_.begin(), buffer_.begin() + memory_.tell()); }

 private:
  std::vector<uint8_t> buffer_;
  MemoryStream memory_;
  BinaryStream binary_;
};

inline void putU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
