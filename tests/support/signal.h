// Measurements of rendered audio for tests: level, pitch and the level of one frequency.
#pragma once
#include <cstddef>
#include <vector>

double signalRms(const float* data, std::size_t count);
double signalPeak(const float* data, std::size_t count);
// Linear gain as decibels (20 log10); -400 for silence.
double signalDb(double gain);
// Frequency of the strongest spectral peak (Hann window, zero-padded FFT, parabolic interpolation).
double signalPeakFrequency(const float* data, std::size_t count, double rate);
// Amplitude of a sinusoid at `frequency` (Hann-windowed correlation; a full-scale sine gives ~1.0).
double signalToneAmplitude(const float* data, std::size_t count, double rate, double frequency);
// Magnitude spectrum of the Hann-windowed signal zero-padded to `size` (a power of two) bins.
std::vector<double> signalSpectrum(const float* data, std::size_t count, std::size_t size);
// Whether every sample is finite and none is a denormal.
bool signalAllNormal(const float* data, std::size_t count);

inline double signalRms(const std::vector<float>& v) { return signalRms(v.data(), v.size()); }
inline double signalPeakFrequency(const std::vector<float>& v, double rate) {
  return signalPeakFrequency(v.data(), v.size(), rate);
}
