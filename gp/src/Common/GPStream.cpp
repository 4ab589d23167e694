#include "GPStream.h"

#include <cstring>

bool MemoryStream::open(int mode, void* buffer, int32_t size) {
  buffer_ = static_cast<uint8_t*>(buffer);
  capacity_ = size < 0 ? 0 : size;
  position_ = 0;
  mode_ = mode;
  state_ = kStreamOpen;
  return true;
}

void MemoryStream::close() {
  buffer_ = nullptr;
  capacity_ = 0;
  position_ = 0;
  mode_ = 0;
  state_ = kStreamClosed;
}

int32_t MemoryStream::clampCount(int32_t count) {
  if (count < 0) count = 0;
  const int32_t left = capacity_ - position_;
  if (count > left) {
    state_ = kStreamFailed;
    count = left;
  }
  return count;
}

int32_t MemoryStream::read(void* buffer, int32_t count) {
  if (state_ != kStreamOpen && state_ != kStreamAtEnd) return 0;
  count = clampCount(count);
  if (count > 0) std::memcpy(buffer, buffer_ + position_, size_t(count));
  position_ += count;
  if (position_ == capacity_ && (state_ == kStreamOpen || state_ == kStreamAtEnd)) state_ = kStreamAtEnd;
  return count;
}

int32_t MemoryStream::write(const void* buffer, int32_t count) {
  if (state_ != kStreamOpen && state_ != kStreamAtEnd) return 0;
  count = clampCount(count);
  if (count > 0) std::memcpy(buffer_ + position_, buffer, size_t(count));
  position_ += count;
  if (position_ == capacity_ && (state_ == kStreamOpen || state_ == kStreamAtEnd)) state_ = kStreamAtEnd;
  return count;
}

int32_t MemoryStream::tell() const { return state_ != kStreamClosed ? position_ : -1; }

void MemoryStream::seek(int32_t offset, int origin) {
  if (state_ == kStreamClosed) return;  // nothing to seek in
  if (origin == kSeekCurrent && state_ != kStreamOpen && state_ != kStreamAtEnd) return;
  int64_t target;
  switch (origin) {
    case kSeekStart: target = offset; break;
    case kSeekCurrent: target = int64_t(position_) + offset; break;
    case kSeekEnd: target = int64_t(capacity_) + offset; break;
    default: target = position_; break;
  }
  if (target >= 0 && target <= capacity_) {
    position_ = int32_t(target);
    if (state_ != kStreamOpen && state_ != kStreamAtEnd) state_ = kStreamOpen;
  } else {
    state_ = kStreamFailed;
  }
}
