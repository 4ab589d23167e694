// The harmonics view's maths over 1024-float cycles: the analysis into 64 harmonics (amplitude
// relative to the largest, phase in radians), the rebuild from them plus a residual, the bar scales
// and the whole-table operations. Harmonic k of a table (index 0..63) has k + 1 cycles per 1024
// samples: it is amp x sin(2 pi (k + 1) n / 1024 + phase).
#pragma once
#include <cstdint>

#include "wave/waveEditState.h"  // WaveHarmonic {amp relative to the largest, phase in radians}

// Amplitude and phase of the first 64 harmonics of a cycle; amps relative to the largest (all 0 for
// silence), an amp below 1e-24 is 0, and a harmonic with amp below 1e-05 gets phase 0. Samples that
// are not finite count as 0.
void harmonicsAnalyzeSamples(const float* wave, WaveHarmonic* table);
// Sum of the table's 64 sines into resynth, normalised to a peak of 0.995 (silence stays silence).
void harmonicsResynthesize(const WaveHarmonic* table, float* resynth);
// The cycle minus its normalised rebuild (non-finite samples as 0), taken at an analysis.
void harmonicsResidual(const float* wave, const float* resynth, float* residual);
// The whole rebuild: the normalised sum (into resynth), plus the residual, normalised again, into out.
void harmonicsRebuildSamples(const WaveHarmonic* table, const float* residual, float* resynth, float* out);

// Bars: the amplitude bar's top row 0..128 (12 rows per halving, 128 the bottom); the phase bar's
// length below the middle, 126 rows per turn after an analysis or a table operation, 128 after a
// mouse edit.
std::int16_t harmonicsAmpBar(double amp);
std::int16_t harmonicsPhaseBarAnalysis(double phase);
std::int16_t harmonicsPhaseBarMouse(double phase);
// The phase as the read-outs show it: the remainder of phase / 2 pi, keeping its sign.
double harmonicsPhaseRemainder(double phase);
// A mouse height as a value: amplitude region v = top - y limited to -128..0 gives 2^(v / 12); phase
// region v limited to -255..-128 gives (-v) x 2 pi / 128 reduced to at most 2 pi.
double harmonicsMouseAmp(double value);
double harmonicsMousePhase(double value);

// Table operations (the rebuild follows in the caller).
void harmonicsInvertTable(WaveHarmonic* table);  // every phase - pi, wrapped to 0..2 pi
void harmonicsClearTable(WaveHarmonic* table, bool clearAmps, bool clearPhases);  // amps cleared: amp[0] = 1
// table = snapshot moved by s harmonics (up for s > 0); harmonics moved out of range are 0.
void harmonicsShiftTable(const WaveHarmonic* snapshot, WaveHarmonic* table, int s);
