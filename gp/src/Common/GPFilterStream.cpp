#include "GPFilterStream.h"

FilterStream::~FilterStream() { close(); }

bool FilterStream::openResource(HMODULE module, int id, const char* type) {
  close();
  HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(uint16_t(id)), type);
  if (!info) return false;
  HGLOBAL loaded = LoadResource(module, info);
  if (!loaded) return false;
  const DWORD size = SizeofResource(module, info);
  void* data = LockResource(loaded);
  if (!data) return false;
  auto memory = std::make_unique<MemoryStream>();
  // Resource data is read-only; the stream is opened for reading only.
  if (!memory->open(1, data, int32_t(size))) return false;
  inner_ = std::move(memory);
  mode_ = 1;
  takeState();
  return state_ == kStreamOpen || state_ == kStreamAtEnd;
}

void FilterStream::close() {
  inner_.reset();
  mode_ = 0;
  state_ = kStreamClosed;
}

int32_t FilterStream::read(void* buffer, int32_t count) {
  if (!inner_ || (state_ != kStreamOpen && state_ != kStreamAtEnd)) return 0;
  const int32_t n = inner_->read(buffer, count);
  takeState();
  return n;
}

int32_t FilterStream::write(const void* buffer, int32_t count) {
  // The inner stream of a resource lies over read-only memory: writing is refused.
  if (!inner_ || mode_ == 1 || (state_ != kStreamOpen && state_ != kStreamAtEnd)) return 0;
  const int32_t n = inner_->write(buffer, count);
  takeState();
  return n;
}

int32_t FilterStream::tell() const {
  if (!inner_ || state_ == kStreamClosed) return -1;
  return inner_->tell();
}

void FilterStream::seek(int32_t offset, int origin) {
  if (!inner_) return;
  if (origin == kSeekCurrent && state_ != kStreamOpen && state_ != kStreamAtEnd) return;
  inner_->seek(offset, origin);
  takeState();
}
