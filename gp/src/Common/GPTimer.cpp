// High-resolution timers.
#include "GPTimer.h"

#include <windows.h>

int64_t HiResTimer::start() {
  m_start = gpReadCounter();
  return m_start;
}

int64_t HiResTimer::stop() {
  m_end = gpReadCounter();
  return m_end;
}

int64_t gpReadCounter() {
  LARGE_INTEGER value;
  value.QuadPart = 0;
  QueryPerformanceCounter(&value);
  return value.QuadPart;
}

uint32_t gpCounterFrequency() {
  LARGE_INTEGER value;
  value.QuadPart = 0;
  QueryPerformanceFrequency(&value);
  return static_cast<uint32_t>(value.QuadPart);
}

uint32_t gpCounterTicks(int64_t start, int64_t end) {
  return static_cast<uint32_t>(end) - static_cast<uint32_t>(start);
}

int64_t gpCounterMillisAt(int64_t start, int64_t end, uint32_t frequency) {
  // A counter without a frequency would divide by zero.
  if (frequency == 0) return 0;
  return (end - start) * 1000 / static_cast<int64_t>(frequency);
}

int64_t gpCounterMillis(int64_t start, int64_t end) { return gpCounterMillisAt(start, end, gpCounterFrequency()); }
