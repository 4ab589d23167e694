// Pieces shared by the two-wave oscillators: detune, increment ramps, balance.
#include <cmath>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "oscillators/oscDouble.h"
#include "oscillators/oscFrame.h"

namespace {

const double rampMax = 512.0;       // increments above this are held for the block
const double phaseGuard = 65536.0;  // a ramp that would carry the phase this far is not glided
const double balanceMax = 64.0;     // balances beyond this (hostile modulation) are held

double limitRamp(double inc) { return numClamp(inc, 0.0, rampMax); }

}  // namespace

double oscDoubleDetune(const OscVoiceState* state, int k, double t, double depth) {
  const double r = state->unisonRandom[k];
  const double e = (2.0 * r - 1.0) * depth / 12.0;
  const double f = oscUnisonSpread(k, t) * (e == 0.0 ? 1.0 : std::pow(2.0, e));
  return std::isfinite(f) ? f : 1.0;
}

OscWaveRamp oscDoubleRamp(float* stored, double target, int count, double phase, int half) {
  target = numClamp(target, 0.0, 1e9);
  const double previous = *stored;
  *stored = static_cast<float>(target);
  // Both ends limited alike, so the glide always lands on its (limited) target.
  double start = limitRamp(previous);
  double end = limitRamp(target);
  if (half) {
    start *= 0.5;
    end *= 0.5;
  }
  double step = (end - start) / count;
  if (phase + count * start + count * step >= phaseGuard) step = 0.0;
  OscWaveRamp ramp;
  ramp.phase = static_cast<std::uint32_t>(static_cast<float>(phase) * 65536.0f) & 0x3FFFFFFu;
  ramp.start = static_cast<float>(start);
  ramp.inc = static_cast<std::int32_t>(ramp.start * 65536.0f);
  ramp.stepValue = static_cast<float>(step);
  ramp.step = static_cast<std::int32_t>(ramp.stepValue * 65536.0f);
  return ramp;
}

double oscDoubleLimitBalance(double b) { return numClamp(numFiniteOr(b, 0.0), -balanceMax, balanceMax); }

double oscDoubleBalance(Engine* engine, const OscVoiceState* state, int unit, double base) {
  const int v = state->voiceIndex >= 0 && state->voiceIndex < engineMaxVoices ? state->voiceIndex : 0;
  double b = base * state->velocityParam * engine->modMultipliers[unit][v][modRowOscIndex];
  for (int i = 0; i < 3; ++i) b *= state->lfoFmIndex[i] ? *state->lfoFmIndex[i] : 1.0f;
  b *= ccMapFmFactor(engine, static_cast<std::int16_t>(unit));
  return oscDoubleLimitBalance(b);
}
