// Features of a rendering that survive compiler and maths-library differences, their text form (the
// stored references under tests/render/refs/) and their comparison by tolerance.
//
//   RMS     : per window of renderRmsWindow frames and output, in dB (20 log10), held at renderDbFloor.
//   Peaks   : at a few fixed times, the strongest spectral peaks of the mid signal (L + R) / 2 over
//             renderPeakFrames frames (Hann window, zero-padded FFT, parabolic interpolation on the dB
//             spectrum): frequency in Hz and level in dB of a sine's amplitude (a full-scale sine 0 dB).
#pragma once
#include <string>
#include <vector>

const int renderRmsWindow = 2048;
const int renderPeakFrames = 4096;
const int renderPeakFft = 8192;
const int renderPeakCount = 6;
const double renderDbFloor = -100.0;
const double renderPeakFloorDb = -80.0;  // peaks below this are not listed

struct RenderPeak {
  double hz;
  double db;
};

struct RenderPeakWindow {
  double seconds;                  // start of the analysed stretch
  std::vector<RenderPeak> peaks;   // strongest first
  std::vector<double> spectrumDb;  // renderPeakFft / 2 bins (not stored in references)
};

struct RenderFeatures {
  int rate = 0;
  std::vector<double> rmsDb[2];  // per output, one value per whole window
  std::vector<RenderPeakWindow> windows;
};

// The times of the peak windows (seconds from the start of the sequence).
const std::vector<double>& renderPeakTimes();

// Features of two outputs of equal length.
RenderFeatures renderFeatures(const std::vector<float>& left, const std::vector<float>& right, int rate);

std::string renderFeaturesToText(const RenderFeatures& f, const std::string& caseName);
// False (with the reason in `error`) when the text is not a reference of this form.
bool renderFeaturesFromText(const std::string& text, RenderFeatures* f, std::string* error);

struct RenderTolerance {
  double rmsDb = 0.2;             // windows whose reference is above -30 dB
  double quietSlope = 0.03;       // quieter windows: + this many dB per dB below -30 dB
  double peakHzFraction = 0.002;  // frequency: 0.2 % or
  double peakHzMin = 1.0;         // at least 1 Hz
  double peakDb = 0.5;            // level of a peak
  double peakQuietDb = 1.5;       // level of a peak more than 30 dB below the window's strongest
};

// Empty when `current` matches `reference` within the tolerance; otherwise one line per difference
// (at most `maxLines`).
std::string renderCompare(const RenderFeatures& reference, const RenderFeatures& current,
                          const RenderTolerance& tolerance, int maxLines = 20);
