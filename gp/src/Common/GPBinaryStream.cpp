#include "GPBinaryStream.h"

#include <cstring>

namespace {

uint16_t swap16(uint16_t v) { return uint16_t((v >> 8) | (v << 8)); }

uint32_t swap32(uint32_t v) { return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24); }

// Longest piece of a string read at once: a corrupt length cannot make a large allocation before the
// data proves to be there.
constexpr uint32_t kStringPiece = 64 * 1024;

}  // namespace

int32_t BinaryStream::readBytes(void* buffer, int32_t count) {
  if (!stream_ || count <= 0) return 0;
  return stream_->read(buffer, count);
}

uint8_t BinaryStream::readU8() {
  uint8_t v = 0;
  readBytes(&v, 1);
  return v;
}

int BinaryStream::readInt8() { return int(int8_t(readU8())); }

uint16_t BinaryStream::readU16() {
  uint8_t b[2] = {0, 0};
  readBytes(b, 2);
  uint16_t v = uint16_t(b[0] | (b[1] << 8));  // the bytes as they lie: little-endian
  return byteOrder_ == 1 ? v : swap16(v);
}

uint32_t BinaryStream::readU32() {
  uint8_t b[4] = {0, 0, 0, 0};
  readBytes(b, 4);
  uint32_t v = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
  return byteOrder_ == 1 ? v : swap32(v);
}

int32_t BinaryStream::readInt32() { return int32_t(readU32()); }

float BinaryStream::readFloat() {
  const uint32_t bits = readU32();
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

std::string BinaryStream::readString() {
  const uint32_t length = readU32();
  std::string text;
  if (!stream_) return text;
  uint32_t done = 0;
  while (done < length) {
    const uint32_t piece = length - done < kStringPiece ? length - done : kStringPiece;
    text.resize(done + piece);
    const int32_t got = stream_->read(&text[done], int32_t(piece));
    if (got < int32_t(piece)) {
      // The data ends before the length said: the record is corrupt (the stream has failed
      // itself when it ran past its end).
      return std::string();
    }
    done += piece;
  }
  return text;
}

char* BinaryStream::readByteString() {
  const uint8_t length = readU8();
  char* text = new char[size_t(length) + 1];
  std::memset(text, 0, size_t(length) + 1);
  readBytes(text, length);
  return text;
}

int32_t BinaryStream::writeU8(uint8_t value) {
  if (!stream_) return 0;
  return stream_->write(&value, 1);
}

int32_t BinaryStream::writeBool(bool value) { return writeU8(value ? 1 : 0); }

int32_t BinaryStream::writeU32(uint32_t value) {
  if (!stream_) return 0;
  const uint32_t v = byteOrder_ == 1 ? value : swap32(value);
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  return stream_->write(b, 4);
}

int32_t BinaryStream::writeString(const std::string& text) {
  // The length field is 32 bits; longer texts cannot be stored.
  const uint32_t length = uint32_t(text.size());
  int32_t n = writeU32(length);
  if (length > 0 && stream_) n += stream_->write(text.data(), int32_t(length));
  return n;
}
