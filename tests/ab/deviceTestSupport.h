// Helpers the device tests share: a one-record port list, switching one port through it, and a whole
// captured file read back as samples.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ABDevice.h"
#include "ABPortEntry.h"

// A "PortDescription"-style list of one record: the port by index and direction, with its active and
// enabled bytes.
inline void fillPortRecord(uint8_t record[80], int32_t index, bool output, uint8_t active, uint8_t enabled) {
  const uint32_t one = 1;
  std::memcpy(record, &one, 4);
  AudioPortEntry e;
  std::memset(&e, 0, sizeof e);
  e.index = index;
  e.isOutput = output ? 1 : 0;
  e.active = active;
  e.enabled = enabled;
  std::memcpy(record + 4, &e, 76);
}

// Sets the property to a list of that one record.
inline int setPortRecord(const char* name, uint32_t id, int32_t index, bool output, uint8_t active, uint8_t enabled) {
  uint8_t record[80];
  fillPortRecord(record, index, output, active, enabled);
  return abDevSetProperty(name, id, record, 80);
}

// The whole file as samples of type T (empty when it cannot be read; a partial last sample is dropped).
template <class T>
std::vector<T> readSamples(const std::string& path) {
  std::vector<T> data;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return data;
  std::fseek(f, 0, SEEK_END);
  const long bytes = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  data.resize(static_cast<size_t>(bytes) / sizeof(T));
  data.resize(std::fread(data.data(), sizeof(T), data.size(), f));
  std::fclose(f);
  return data;
}
