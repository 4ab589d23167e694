// The calling thread's processor time, for the time budgets of drawing and refreshing. A busy machine
// stretches the wall clock of a stretch of work (the thread waits for a core), not the processor time
// the work takes: budgets are asserted on this, and the wall clock is printed beside it as the figure
// met on this machine. Under Wine the count moves in steps of 10 ms, so a budget is measured over
// rounds that together take well over that.
#pragma once
#ifdef _WIN32
#include <windows.h>

inline double threadCpuMs() {
  FILETIME created, ended, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return 0.0;
  const auto units = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(units(kernel) + units(user)) / 1e4;  // from 100 ns units
}
#endif
