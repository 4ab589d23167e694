// Numbers and strings over any Stream in either byte order, and the reader of executable resources.
#pragma once
#include "GPFilterStream.h"

#include <cstdint>
#include <string>

class BinaryStream {
 public:
  // Byte-order flag 1: values as they lie in memory (little-endian); any other value: bytes reversed.
  explicit BinaryStream(Stream* stream = nullptr) : stream_(stream) {}
  virtual ~BinaryStream() = default;

  void setStream(Stream* stream) { stream_ = stream; }
  Stream* stream() const { return stream_; }
  void setByteOrder(int flag) { byteOrder_ = flag; }
  int byteOrder() const { return byteOrder_; }

  // True while the stream is open with data ahead: not closed, failed or at its end.
  bool isGood() const { return stream_ && stream_->state() == kStreamOpen; }

  // Readers return 0 for the bytes that a short read did not deliver; callers test the stream's state.
  uint8_t readU8();
  int readInt8();
  uint16_t readU16();
  uint32_t readU32();
  int32_t readInt32();
  float readFloat();
  // A u32 length, then that many characters. A length larger than the data that follows fails the
  // stream (state 3) and gives the empty string; memory is taken only for bytes actually read.
  std::string readString();
  // A u8 length n, then n characters into a new zero-terminated array of n + 1 bytes that the caller
  // frees with delete[]. A short read fails the stream; the missing characters are zeros.
  char* readByteString();
  int32_t readBytes(void* buffer, int32_t count);

  int32_t writeU8(uint8_t value);
  int32_t writeBool(bool value);
  int32_t writeU32(uint32_t value);
  int32_t writeString(const std::string& text);

 protected:
  Stream* stream_;  // not owned
  int byteOrder_ = 1;
};

// A BinaryStream over its own FilterStream, opened on a resource of a module.
class ResourceReader : public BinaryStream {
 public:
  ResourceReader() : BinaryStream(&filter_) {}
  ~ResourceReader() override = default;
  ResourceReader(const ResourceReader&) = delete;
  ResourceReader& operator=(const ResourceReader&) = delete;

  bool open(HMODULE module, int id, const char* type) { return filter_.openResource(module, id, type); }
  void close() { filter_.close(); }
  FilterStream& filter() { return filter_; }

 private:
  FilterStream filter_;
};
