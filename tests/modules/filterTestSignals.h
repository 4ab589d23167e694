// Small helpers of the filter tests: test signals and block-wise runs of a lane function.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

inline std::vector<float> filterTestSine(double hz, std::size_t count, double amplitude = 1.0, double rate = 44100.0) {
  std::vector<float> v(count);
  for (std::size_t i = 0; i < count; ++i)
    v[i] = static_cast<float>(amplitude * std::sin(2.0 * 3.14159265358979323846 * hz * i / rate));
  return v;
}

inline std::vector<float> filterTestSquare(std::size_t halfPeriod, std::size_t count, float amplitude = 1.0f) {
  std::vector<float> v(count);
  for (std::size_t i = 0; i < count; ++i) v[i] = (i / halfPeriod) % 2 ? -amplitude : amplitude;
  return v;
}

// Calls run(pointer, frames) over the signal in blocks of `block` frames (the last may be shorter).
template <class Run>
void filterTestRunBlocks(std::vector<float>& signal, Run run, int block = 128) {
  for (std::size_t i = 0; i < signal.size(); i += block) {
    const int n = static_cast<int>(std::min<std::size_t>(block, signal.size() - i));
    run(signal.data() + i, n);
  }
}
