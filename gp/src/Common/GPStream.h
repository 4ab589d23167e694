// Byte streams of the platform library: the abstract Stream and the MemoryStream over a caller's buffer.
#pragma once
#include <cstdint>

// Stream states.
enum StreamState {
  kStreamClosed = 0,  // not open
  kStreamOpen = 1,    // open, data ahead
  kStreamAtEnd = 2,   // open, the end has been reached exactly
  kStreamFailed = 3   // a read, write or seek went past the end
};

// Seek origins.
enum StreamOrigin { kSeekStart = 0, kSeekCurrent = 1, kSeekEnd = 2 };

class Stream {
 public:
  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  virtual ~Stream() = default;

  virtual bool isOpen() const { return state_ != kStreamClosed; }
  // Number of bytes actually transferred.
  virtual int32_t read(void* buffer, int32_t count) = 0;
  virtual int32_t write(const void* buffer, int32_t count) = 0;
  // Position in bytes from the start, or -1 when not open.
  virtual int32_t tell() const = 0;
  virtual void seek(int32_t offset, int origin) = 0;

  int state() const { return state_; }
  int mode() const { return mode_; }  // 1 for reading

 protected:
  int mode_ = 0;
  int state_ = kStreamClosed;
};

// A stream over a buffer that the caller owns; it never grows.
class MemoryStream : public Stream {
 public:
  MemoryStream() = default;
  ~MemoryStream() override = default;

  bool open(int mode, void* buffer, int32_t size);
  void close();

  int32_t read(void* buffer, int32_t count) override;
  int32_t write(const void* buffer, int32_t count) override;
  int32_t tell() const override;
  void seek(int32_t offset, int origin) override;

  int32_t capacity() const { return capacity_; }

 private:
  // Cuts count to what lies between the position and the capacity (failing the stream when cut).
  int32_t clampCount(int32_t count);

  uint8_t* buffer_ = nullptr;
  int32_t capacity_ = 0;  // bytes
  int32_t position_ = 0;  // bytes from the start
};
