// Helpers shared by the envelope kernel, the note events and the Control driven pass. Every index
// that comes from a slot or an instance is brought into range here before it is used, so a record
// with hostile values can make an envelope sound wrong but never reach outside its arrays.
#pragma once
#include <cmath>
#include <cstdint>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/voice.h"
#include "preset/midiSources.h"

namespace envgen {

const double tiny = 1e-24;  // levels and results below this count as 0

inline int clampIndex(int i, int hi) { return numClamp(i, 0, hi); }

inline const Breakpoint& bpAt(const EnvelopeSlot* s, int i) {
  return s->breakpoints[clampIndex(i, envBreakpointCount - 1)];
}
inline int lastIndexOf(const EnvelopeSlot* s) { return clampIndex(s->lastIndex, envBreakpointCount - 1); }

inline int voiceIndex(int v) { return clampIndex(v, engineMaxVoices - 1); }

// The slot whose shape plays for `own`: its link master when linked, else itself.
inline EnvelopeSlot* shapeOf(Engine* engine, EnvelopeSlot* own) {
  if (own->linked && own->linkMasterSlot >= 0 && own->linkMasterSlot < envSlotCount)
    return &engine->envSlots[own->linkMasterSlot];
  return own;
}
inline bool isLinked(const EnvelopeSlot* own) {
  return own->linked && own->linkMasterSlot >= 0 && own->linkMasterSlot < envSlotCount;
}

// A MIDI source as a voice sees it: controller 0..127, -1 channel pressure, 128 the pitch-bend word,
// 129 the voice's velocity, 130 its note; 127 for anything else. Limited to 0..128.
inline int sourceValue(const Engine* engine, int voice, int source) {
  source = static_cast<std::int16_t>(source);
  int v = 127;
  if (source >= 0 && source <= 127)
    v = engine->midi.controllers[source];
  else if (source == midiSourcePressure)
    v = engine->midi.channelPressure;
  else if (source == midiSourcePitchBend)
    v = engine->midi.pitchBend;
  else if ((source == midiSourceVelocity || source == midiSourceNote) && voice >= 0 && voice < engineMaxVoices)
    v = source == midiSourceVelocity ? engine->voices[voice].velocity : engine->voices[voice].note;
  return numClamp<int>(v, 0, 128);
}

// The "Amp CC" of breakpoint b scales a level (only with the slot's ccScaleOn switch).
inline double ampControl(const Engine* engine, const EnvelopeSlot* s, const Breakpoint& b, int voice, double level) {
  if (!s->ccScaleOn) return level;
  const double c = sourceValue(engine, voice, b.ampCc) * (1.0 / 128.0);
  const double a = b.ampScale;
  if (a < 0.0) return level + (-a) * (c - 1.0) * level;
  return level + c * (1.0 - level) * a;
}

// The "Time CC" of breakpoint b scales a duration.
inline double timeControl(const Engine* engine, const EnvelopeSlot* s, const Breakpoint& b, int voice, double d) {
  if (!s->ccScaleOn) return d;
  const double c = sourceValue(engine, voice, b.timeCc) * (1.0 / 128.0);
  const double a = b.timeScale;
  if (a < 0.0) return d + a * c * d;
  return d * (1.0 - a + a * c);
}

// Length in samples at the running rate of the segment that ends at breakpoint b; never NaN or
// negative, at most 1e12 samples.
inline double segmentLength(const Engine* engine, const EnvelopeSlot* s, const Breakpoint& b, int voice,
                            double timeScale) {
  double d = timeControl(engine, s, b, voice, b.time * static_cast<double>(engineRateRatio())) * timeScale;
  if (!(d >= 0.0)) d = 0.0;
  return d > 1e12 ? 1e12 : d;
}

// The unit whose row an envelope writes: its owner, except for the waveshaper and effect kinds. Those
// modules sit in the master section and read unit 3's rows (their slots keep owner 0, as single
// modules), so their envelopes write there; unit 3's voice-0 row is the one reset every block.
inline int envelopeUnit(const EnvelopeSlot* own) {
  switch (own->destination) {
    case envDestShapeInGain:
    case envDestShapeOutGain:
    case envDestShapePhase:  // waveshaper in gain, out gain, phase
    case envDestEffectTime:
    case envDestEffectFeedback:
    case envDestEffectFilter:
    case envDestEffectWet:
    case envDestEffectDry:  // effect time, feedback, filter freq, wet, dry
      return 3;
    default: return own->owner;
  }
}

// Multiplies a value into the slot's entry [unit][voice][destination] (see envelopeUnit); owners
// outside 0..3 and destinations outside 1..38 write nothing.
inline void multiplyInto(Engine* engine, const EnvelopeSlot* own, int voice, double value) {
  const int unit = envelopeUnit(own);
  const int dest = own->destination;
  if (unit < 0 || unit >= engineUnits || dest < 0 || dest >= engineModParams) return;
  float& entry = engine->modMultipliers[unit][voiceIndex(voice)][dest];
  // Bounded, never NaN, Inf or denormal, whatever a slot written around the loader holds.
  double v = value == value ? value : 0.0;
  v = numClamp(v, -1e4, 1e4);
  double e = entry * v;
  if (!(e >= -1e6 && e <= 1e6)) e = e > 1e6 ? 1e6 : (e < -1e6 ? -1e6 : 0.0);
  if (e > -tiny && e < tiny) e = 0.0;
  entry = static_cast<float>(e);
}

// The audio side of the slot handshake: -1 is acknowledged with -2, -3 resumes to 0. True when the
// slot may be read in this block. Compare-and-swap, so a move of the interface between the read and
// the write is never lost.
inline bool handshakeAdmit(EnvelopeSlot* s) {
  std::int32_t w = envHandshakeLoad(s);
  if (w >= 0) return true;
  if (w == envHandshakeRequest) {
    __atomic_compare_exchange_n(&s->handshake, &w, envHandshakeAcked, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
    return false;
  }
  if (w == envHandshakeResume)
    return __atomic_compare_exchange_n(&s->handshake, &w, envHandshakeRunning, false, __ATOMIC_ACQ_REL,
                                       __ATOMIC_ACQUIRE);
  return false;
}

// Voices sustained or sounding.
inline int heldCount(Engine* engine) { return voiceHeldCount(engine); }

// The per-breakpoint LFO of slot s: settings blended from breakpoints a and b by weight w, phase
// advanced by `frames`. a < 0 (or b < 0 when `decideByB`) gives 1.0 and leaves the LFO state alone.
double lfoFactor(Engine* engine, const EnvelopeSlot* s, EnvelopeInstance* inst, int a, int b, double w, int frames,
                 bool decideByB);

}  // namespace envgen
