// Scale, set duration and attack/release pulses on envelope records.
#include "envelope/envToolsMath.h"

#include <cmath>

#include "engine/numeric.h"

namespace {

const double kRate = 44100.0;
const double kTimeCeiling = 44100.0 * 86400.0;  // a day, the model's longest segment

int lastOf(const EnvelopeSlot* s) {
  int last = s->lastIndex;
  last = numClamp(last, 0, envBreakpointCount - 1);
  return last;
}

double boundTime(double t, double floor) { return numClamp<double>(t, floor, kTimeCeiling); }

}  // namespace

void envToolScaleSlot(const EnvelopeSlot* from, EnvelopeSlot* to, const EnvToolScale& p) {
  if (!from || !to) return;
  const double time = numClamp<double>(p.timeScale, 0.0, 100.0);
  const double amp = numClamp<double>(p.ampScale, 0.0, 8.0);
  const double offset = numClamp<double>(p.ampOffset, -1.0, 1.0);
  const double slope = numClamp<double>(p.slopeScale, 0.0, 100.0);
  to->startLevel = static_cast<float>(numClamp<double>(from->startLevel * amp + offset, envToolLevelFloor, 1.0));
  const int last = lastOf(from);
  for (int k = 0; k <= last; ++k) {
    const Breakpoint& a = from->breakpoints[k];
    Breakpoint& b = to->breakpoints[k];
    b.level = static_cast<float>(numClamp<double>(a.level * amp + offset, envToolLevelFloor, 1.0));
    b.slope = static_cast<float>(numClamp<double>(a.slope * slope, 0.0001, 100.0));
    b.time = boundTime(a.time * time, envToolScaleTimeFloor);
  }
}

double envToolDurationTarget(bool useBeats, double seconds, double bpm, double beats) {
  if (!useBeats) return numClamp<double>(seconds, 0.01, 10000.0);
  return numClamp<double>(beats, 0.01, 10000.0) * (60.0 / numClamp<double>(bpm, 1.0, 1000.0));
}

double envToolMeasuredSeconds(const EnvelopeSlot* s) {
  if (!s) return 0.0;
  int first = s->mode == envModeLoop ? s->loopStart : 0;
  if (first < 0) first = 0;
  int end = s->releaseIndex;
  if (end > lastOf(s)) end = lastOf(s);
  double total = 0.0;
  for (int k = first; k <= end; ++k) total += s->breakpoints[k].time;
  return std::isfinite(total) ? total / kRate : 0.0;
}

bool envToolSetDuration(const EnvelopeSlot* from, EnvelopeSlot* to, double targetSeconds) {
  if (!from || !to) return false;
  const double measured = envToolMeasuredSeconds(from);
  if (!(measured > 0.0)) return false;
  const double ratio = numClamp<double>(targetSeconds, 0.01, 10000.0) / measured;
  const int last = lastOf(from);
  for (int k = 0; k <= last; ++k)
    to->breakpoints[k].time = boundTime(from->breakpoints[k].time * ratio, envToolTimeFloor);
  return true;
}

double envToolPulseLength(const EnvToolPulses& p) {
  return (60.0 / numClamp<double>(p.bpm, 1.0, 1000.0)) * numClamp<double>(p.beatDuration, 0.01, 10000.0) * kRate;
}

void envToolPulsesSlot(EnvelopeSlot* to, const EnvToolPulses& p) {
  if (!to) return;
  int n = p.count;
  n = numClamp(n, 1, 32);
  const double attack = numClamp<double>(p.attack, 0.0001, 0.999);
  const float low = static_cast<float>(numClamp<double>(p.minAmp, 0.000001, 0.999));
  const float slope = static_cast<float>(numClamp<double>(p.slope, 0.0001, 100.0));
  const double length = envToolPulseLength(p);
  const double a = boundTime(attack * length, envToolTimeFloor);
  const double r = boundTime((1.0 - attack) * length, envToolTimeFloor);
  for (int j = 0; j < n; ++j) {
    Breakpoint& up = to->breakpoints[2 * j];
    up.time = a;
    up.level = 1.0f;
    up.slope = slope;
    Breakpoint& down = to->breakpoints[2 * j + 1];
    down.time = r;
    down.level = low;
    down.slope = slope;
  }
  Breakpoint& tail = to->breakpoints[2 * n];
  tail.time = r;
  tail.level = low;
  tail.slope = slope;
  to->sustainIndex = to->releaseIndex = static_cast<std::int16_t>(2 * n - 1);
  to->lastIndex = static_cast<std::int16_t>(2 * n);
  to->startLevel = low;
}
