// Checks the fuzz targets share: after a successful read, every record must hold only values the engine
// can trust (flags 0 or 1, codes and indexes in range, finite levels within their bounds, terminated
// names). A failed check names itself on stderr and traps, which libFuzzer and the replay program
// report with the input.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "modules/effectRecords.h"
#include "preset/envelopeSlot.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

namespace fuzzcheck {

inline void fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "check failed: %s (%s:%d)\n", what, file, line);
  __builtin_trap();
}

#define require(ok) ((ok) ? (void)0 : ::fuzzcheck::fail(#ok, __FILE__, __LINE__))

inline bool finiteIn(double x, double lo, double hi) { return std::isfinite(x) && x >= lo && x <= hi; }
inline bool flag(std::uint32_t b) { return b == 0 || b == 1; }

inline void oscRecord(const ChannelOscRecord& r) {
  require(r.type >= 0 && r.type < oscTypeCount);
  require(r.freqMode >= 0 && r.freqMode <= 3 && r.freqModeB >= 0 && r.freqModeB <= 3);
  require(r.channel >= 0 && r.channel <= 3);
  require(r.numVoices >= 1 && r.numVoices <= 8);
  require(r.iterations >= 1 && r.iterations <= 1024);
  for (std::int16_t in : r.inputs) require(in >= -1 && in <= 5);
  require(r.phaseA >= 0.0f && r.phaseA < 1024.0f && r.phaseB >= 0.0f && r.phaseB < 1024.0f);
  require(finiteIn(r.level, 0, 1) && finiteIn(r.inputGain, 0, 4));
  require(finiteIn(r.pitchInc, 0, 1024) && finiteIn(r.pitchIncB, 0, 1024));
  require(finiteIn(r.pitchRatio, 0, 1024) && finiteIn(r.pitchRatioB, 0, 1024));
  require(finiteIn(r.fmIndex, 0, 1e6) && finiteIn(r.trans, 0, 48) && finiteIn(r.randTrans, 0, 72));
  require(finiteIn(r.balanceDouble, 0, 1) && finiteIn(r.balanceRingmod, 0, 1));
  require(finiteIn(r.displacement, 0, 1) && finiteIn(r.amount, 0, 1));
  require(flag(r.on) && flag(r.auxSwitch) && flag(r.bandLimited) && flag(r.phaseReset));
  require(r.sampleInfo.name[255] == 0 && r.sampleInfo.path[259] == 0);
  require(r.sampleInfo.loopMode >= 0 && r.sampleInfo.loopMode <= 2);
  require(r.subRecord.count >= 1 && r.subRecord.count <= 8);
  require(finiteIn(r.subRecord.size, 128, 10000) && finiteIn(r.subRecord.time, -100, 100));
}

inline void filterRecord(const FilterRecord& r) {
  require(filterTypeIsUsed(r.type) && r.index >= 0 && r.index <= 3);
  require(flag(r.on) && flag(r.postMix));
  require(finiteIn(r.cutoff, 0, 480) && finiteIn(r.combDelay, 1, 2046) && finiteIn(r.feedback, -1, 1));
  require(finiteIn(r.bandwidth, 0, 1000) && finiteIn(r.gain, 0, 16) && finiteIn(r.width, 0, 1000));
  require(finiteIn(r.combGain, 0, 16) && finiteIn(r.resonance, 0, 1));
}

inline void modulatorRecord(const ModulatorRecord& r) {
  require((r.type == modulatorRingmod || r.type == modulatorFreqShift) && r.channel >= 0 && r.channel <= 2);
  require(r.freqMode >= 0 && r.freqMode <= 3 && flag(r.on) && flag(r.shiftSwitch));
  require(finiteIn(r.ratio, 0, 1024) && finiteIn(r.increment, 0, 1024));
  require(finiteIn(r.balance, 0, 1) && finiteIn(r.feedback, 0, 0.5));
}

inline void waveshaperRecord(const WaveshaperRecord& r) {
  require(flag(r.on) && flag(r.postMix) && r.word <= 3);
  require(finiteIn(r.inGain, 0, 16) && finiteIn(r.outGain, 0, 16) && finiteIn(r.phase, -1024, 1024));
}

inline void envelopeSlot(const EnvelopeSlot& s) {
  require(s.mode >= envModeRelease && s.mode <= envModeControl);
  require(s.destination >= 0 && s.destination <= 38 && s.owner >= 0 && s.owner <= 3);
  require(s.lastIndex >= 0 && s.lastIndex < envBreakpointCount);
  require(s.sustainIndex >= 0 && s.sustainIndex <= s.lastIndex);
  require(s.releaseIndex >= 0 && s.releaseIndex <= s.lastIndex);
  require(s.loopStart >= 0 && s.loopStart <= s.lastIndex);
  require(s.linkMasterSlot >= 0 && s.linkMasterSlot < envSlotCount);
  require(finiteIn(s.startLevel, 0, 1) && finiteIn(s.ampPercent, -16, 16) && finiteIn(s.ampOffset, -1, 2));
  require(finiteIn(s.timePercent, 0.01f, 16) && finiteIn(s.slopePercent, 0.01f, 16));
  require(s.lfoPhase >= 0.0f && s.lfoPhase < 1.0f);
  for (const Breakpoint& b : s.breakpoints) {
    require(finiteIn(b.time, 0, 44100.0 * 86400.0) && finiteIn(b.level, 0, 1) && finiteIn(b.slope, 0, 1e6));
    require(flag(b.step) && finiteIn(b.ampScale, -1, 1) && finiteIn(b.timeScale, -1, 1));
    require(finiteIn(b.lfoSeconds, 0.001, 999) && finiteIn(b.shSeconds, 0.001, 999) && finiteIn(b.lfoDepth, 0, 1));
  }
}

inline void wave(const WaveRecord& w) {
  for (float s : w.samples) require(finiteIn(s, -4, 4));
  require(w.state <= waveStateLocal);
}

// The effect records: the common head, the levels and each kind's times, feedbacks and flags.
inline void effectCommon(const EffectHeader& h, std::uint16_t type, std::uint8_t on, float a, float b) {
  require(h.type == type && flag(on) && finiteIn(a, 0, 1) && finiteIn(b, 0, 1));
}

inline void effectPipe(const EffectPipeRecord& r) {
  effectCommon(r.header, ::effectPipe, r.on, r.levelA, r.levelB);
  require(finiteIn(r.delay, 1e-5f, 32767) && finiteIn(r.time, 0, 1000) && finiteIn(r.feedback, -0.999f, 0.999f));
  require(finiteIn(r.inputPos, 0, 1) && finiteIn(r.pickupPos[0], 0, 1) && finiteIn(r.pickupPos[1], 0, 1));
  require(finiteIn(r.filterIndex, 0, 480) && finiteIn(r.lengthMod, 0, 1));
}

inline void effectComb(const EffectCombRecord& r) {
  effectCommon(r.header, ::effectComb, r.on, r.levelA, r.levelB);
  require(finiteIn(r.delay, 1e-5f, 32767) && finiteIn(r.time, 0, 1000) && finiteIn(r.feedback, 0, 0.999f));
  require(finiteIn(r.filterIndex, 0, 480));
  for (int i = 0; i < effectCombCount; ++i) {
    require(flag(r.combOn[i]) && finiteIn(r.delayFactor[i], 0, 1) && finiteIn(r.feedbackFactor[i], -1, 1));
    require(finiteIn(r.level[i], 0, 1) && finiteIn(r.pan[i], 0, 0.9999f) && finiteIn(r.filterFactor[i], 0, 1));
  }
}

inline void effectTap(const EffectTapRecord& r) {
  effectCommon(r.header, ::effectTap, r.on, r.levelA, r.levelB);
  require(r.ringLength >= 1 && r.ringLength <= effectTapMaxRing);
  require(finiteIn(r.time, 0.441f, effectTapMaxRing - 1) && finiteIn(r.beatTime, 0, 1000));
  require(finiteIn(r.feedback, -0.999f, 0.999f) && finiteIn(r.filterIndex, 0, 480));
  for (int i = 0; i < effectTapCount; ++i)
    require(finiteIn(r.tapTimeFactor[i], 0, 1) && finiteIn(r.tapLevel[i], 0, 1) && finiteIn(r.tapPan[i], 0, 0.9999f));
}

inline void effectEcho(const EffectEchoRecord& r) {
  effectCommon(r.header, ::effectEcho, r.on, r.levelA, r.levelB);
  require(finiteIn(r.baseTime, 0.001, 0.75) && finiteIn(r.beatTime, 0, 8) && finiteIn(r.feedback, -0.9999f, 0.9999f));
  for (int l = 0; l < 3; ++l) {
    require(finiteIn(r.lineTimeFactor[l], 0.01, 1) && finiteIn(r.lineModDepth[l], 0, 1));
    require(finiteIn(r.lineLevel[l], 0, 1) && finiteIn(r.linePan[l], 0, 1) && finiteIn(r.lineFeedback[l], -0.9999f, 1));
    require(finiteIn(r.lines[l].lowPassFreq, 1e-3, 1e6) && finiteIn(r.lines[l].highPassFreq, 1e-3, 1e6));
    require(finiteIn(r.lines[l].allpassFreq, 1e-3, 1e6) && std::isfinite(r.lines[l].lineTime));
  }
}

inline void effectRev(const EffectRevRecord& r) {
  effectCommon(r.header, ::effectRev, r.on, r.levelA, r.levelB);
  require(finiteIn(r.size, 0.0001 * 0.7, 0.7) && finiteIn(r.feedback, 0, 1) && finiteIn(r.brightness, 0.0001, 1));
  require(finiteIn(r.preDelay, 0, 0.5) && finiteIn(r.jitter, 0, 1));
  for (int u = 0; u < 3; ++u) {
    require(finiteIn(r.unitScale[u], 0.0001, 1) && finiteIn(r.laneSpread[u], 0, 1) && finiteIn(r.timeModDepth[u], 0, 1));
    require(finiteIn(r.unitBrightness[u], 0.0001, 1) && finiteIn(r.brightModDepth[u], 0, 1));
    require(r.mode[u] <= revModeSynthetic && flag(r.unitOn[u]));
  }
}

// A record of any kind behind its head.
inline void effect(const EffectHeader* h) {
  switch (h->type) {
    case ::effectPipe: effectPipe(*reinterpret_cast<const EffectPipeRecord*>(h)); break;
    case ::effectComb: effectComb(*reinterpret_cast<const EffectCombRecord*>(h)); break;
    case ::effectTap: effectTap(*reinterpret_cast<const EffectTapRecord*>(h)); break;
    case ::effectEcho: effectEcho(*reinterpret_cast<const EffectEchoRecord*>(h)); break;
    case ::effectRev: effectRev(*reinterpret_cast<const EffectRevRecord*>(h)); break;
    default: require(false);
  }
}

}  // namespace fuzzcheck
