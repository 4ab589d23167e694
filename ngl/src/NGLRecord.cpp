// Record helpers: stream state, bounded strings.
#include "NGLRecord.h"

#include "GPBinaryStream.h"
#include "NGLStreamState.h"

int64_t nglBytesLeft(const BinaryStream& stream) {
  Stream* s = stream.stream();
  if (!s || (s->state() != kStreamOpen && s->state() != kStreamAtEnd)) return 0;
  const int32_t position = s->tell();
  if (position < 0) return 0;
  s->seek(0, kSeekEnd);
  const int32_t end = s->tell();
  s->seek(position, kSeekStart);
  return end > position ? int64_t(end) - position : 0;
}

bool nglReadString(BinaryStream& stream, std::string& out) {
  out.clear();
  const uint32_t length = stream.readU32();
  if (!nglStreamOk(stream)) return false;
  if (length == 0) return true;
  if (int64_t(length) > nglBytesLeft(stream)) {
    // Past the end of the data: fail without taking memory for it.
    stream.stream()->seek(0, kSeekEnd);
    char dummy;
    stream.readBytes(&dummy, 1);
    return false;
  }
  out.resize(length);
  if (stream.readBytes(&out[0], int32_t(length)) != int32_t(length)) {
    out.clear();
    return false;
  }
  return nglStreamOk(stream);
}

bool nglReadByteString(BinaryStream& stream, std::string& out) {
  out.clear();
  const uint8_t length = stream.readU8();
  if (!nglStreamOk(stream)) return false;
  if (length == 0) return true;
  out.resize(length);
  if (stream.readBytes(&out[0], length) != length) {
    out.clear();
    return false;
  }
  return nglStreamOk(stream);
}

bool nglSkipByteString(BinaryStream& stream) {
  std::string ignored;
  return nglReadByteString(stream, ignored);
}
