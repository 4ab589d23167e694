// A stream that forwards to an inner stream it owns; opened over a resource of an executable module.
#pragma once
#include "GPStream.h"

#include <memory>

#include <windows.h>

class FilterStream : public Stream {
 public:
  FilterStream() = default;
  ~FilterStream() override;

  // Opens the resource with the integer id `id` and the type name `type` (such as "FRM") of `module`
  // for reading. False when it is missing or cannot be loaded.
  bool openResource(HMODULE module, int id, const char* type);
  void close();

  int32_t read(void* buffer, int32_t count) override;
  int32_t write(const void* buffer, int32_t count) override;
  int32_t tell() const override;
  void seek(int32_t offset, int origin) override;

 private:
  void takeState() { state_ = inner_ ? inner_->state() : kStreamClosed; }

  std::unique_ptr<Stream> inner_;
};
