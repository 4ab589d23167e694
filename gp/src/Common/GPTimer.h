// High-resolution timing over the system's performance counter.
#pragma once

#include <cstdint>

class HiResTimer {
 public:
  HiResTimer() = default;
  // Reads the counter into the start reading and returns it.
  int64_t start();
  // Reads the counter into the end reading and returns it.
  int64_t stop();
  int64_t startReading() const { return m_start; }
  int64_t endReading() const { return m_end; }

 private:
  int64_t m_start = 0;
  int64_t m_end = 0;
};

// The performance counter now (counts).
int64_t gpReadCounter();
// Low 32 bits of the counter frequency (counts per second).
uint32_t gpCounterFrequency();
// Low word of end minus low word of start, modulo 2^32 (counts).
uint32_t gpCounterTicks(int64_t start, int64_t end);
// (end - start) in milliseconds at the counter frequency; 0 when the frequency is unknown.
int64_t gpCounterMillis(int64_t start, int64_t end);
// The same at a given frequency (counts per second).
int64_t gpCounterMillisAt(int64_t start, int64_t end, uint32_t frequency);
