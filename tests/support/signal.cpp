#include "support/signal.h"

#include <cmath>
#include <complex>

namespace {
const double kPi = 3.14159265358979323846;

void fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const double ang = -2.0 * kPi / static_cast<double>(len);
    const std::complex<double> wl(std::cos(ang), std::sin(ang));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> w(1.0);
      for (std::size_t k = 0; k < len / 2; ++k) {
        std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= wl;
      }
    }
  }
}

double hann(std::size_t i, std::size_t count) {
  return count < 2 ? 1.0 : 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / static_cast<double>(count - 1));
}
}  // namespace

double signalRms(const float* data, std::size_t count) {
  if (count == 0) return 0.0;
  double sum = 0.0;
  for (std::size_t i = 0; i < count; ++i) sum += static_cast<double>(data[i]) * data[i];
  return std::sqrt(sum / static_cast<double>(count));
}

double signalPeak(const float* data, std::size_t count) {
  double peak = 0.0;
  for (std::size_t i = 0; i < count; ++i) peak = std::fmax(peak, std::fabs(static_cast<double>(data[i])));
  return peak;
}

double signalDb(double gain) { return gain > 0.0 ? 20.0 * std::log10(gain) : -400.0; }

std::vector<double> signalSpectrum(const float* data, std::size_t count, std::size_t size) {
  std::vector<std::complex<double>> a(size);
  for (std::size_t i = 0; i < count && i < size; ++i) a[i] = data[i] * hann(i, count);
  fft(a);
  std::vector<double> mag(size / 2);
  for (std::size_t i = 0; i < size / 2; ++i) mag[i] = std::abs(a[i]);
  return mag;
}

double signalPeakFrequency(const float* data, std::size_t count, double rate) {
  if (count < 4) return 0.0;
  std::size_t size = 1;
  while (size < count * 4) size <<= 1;
  std::vector<double> mag = signalSpectrum(data, count, size);
  std::size_t best = 1;
  for (std::size_t i = 1; i + 1 < mag.size(); ++i)
    if (mag[i] > mag[best]) best = i;
  double shift = 0.0;
  if (best > 0 && best + 1 < mag.size()) {
    double l = std::log(mag[best - 1] + 1e-300), c = std::log(mag[best] + 1e-300), r = std::log(mag[best + 1] + 1e-300);
    double d = l - 2.0 * c + r;
    if (d != 0.0) shift = 0.5 * (l - r) / d;
  }
  return (static_cast<double>(best) + shift) * rate / static_cast<double>(size);
}

double signalToneAmplitude(const float* data, std::size_t count, double rate, double frequency) {
  double re = 0.0, im = 0.0, wsum = 0.0;
  const double w = 2.0 * kPi * frequency / rate;
  for (std::size_t i = 0; i < count; ++i) {
    const double h = hann(i, count);
    re += data[i] * h * std::cos(w * static_cast<double>(i));
    im += data[i] * h * std::sin(w * static_cast<double>(i));
    wsum += h;
  }
  return wsum > 0.0 ? 2.0 * std::sqrt(re * re + im * im) / wsum : 0.0;
}

bool signalAllNormal(const float* data, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const int c = std::fpclassify(data[i]);
    if (c == FP_NAN || c == FP_INFINITE || c == FP_SUBNORMAL) return false;
  }
  return true;
}
