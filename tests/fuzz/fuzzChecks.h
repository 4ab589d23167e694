// Checks the fuzz targets share: after a successful read, every record must hold only values the engine
// can trust (flags 0 or 1, codes and indexes in range, finite levels within their bounds, terminated
// names). The float fields that have a row in the field tables are checked against it, so a reader
// may keep exactly what the setters accept. A failed check names itself on stderr and traps, which
// libFuzzer and the replay program report with the input.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "modules/effectRecords.h"
#include "preset/envelopeSlot.h"
#include "preset/fieldTables.h"
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
template <typename T>
inline bool inRow(const FieldRange& row, T x) {
  return fieldHolds(row, x);
}

inline void oscRecord(const ChannelOscRecord& r) {
  require(r.type >= 0 && r.type < oscTypeCount);
  require(r.freqMode >= 0 && r.freqMode <= 3 && r.freqModeB >= 0 && r.freqModeB <= 3);
  require(r.channel >= 0 && r.channel <= 3);
  require(r.numVoices >= 1 && r.numVoices <= 8);
  require(r.iterations >= 1 && r.iterations <= 1024);
  for (std::int16_t in : r.inputs) require(in >= -1 && in <= 5);
  require(r.phaseA >= 0.0f && r.phaseA < 1024.0f && r.phaseB >= 0.0f && r.phaseB < 1024.0f);
  for (int f = 0; f < oscFieldCount; ++f)
    require(inRow(oscFields[f], *oscFieldOf(const_cast<ChannelOscRecord*>(&r), f)));
  require(flag(r.on) && flag(r.auxSwitch) && flag(r.bandLimited) && flag(r.phaseReset));
  require(r.sampleInfo.name[255] == 0 && r.sampleInfo.path[259] == 0);
  require(r.sampleInfo.loopMode >= 0 && r.sampleInfo.loopMode <= 2);
  require(r.subRecord.count >= 1 && r.subRecord.count <= 8);
}

inline void filterRecord(const FilterRecord& r) {
  require(filterTypeIsUsed(r.type) && r.index >= 0 && r.index <= 3);
  require(flag(r.on) && flag(r.postMix));
  for (int f = 0; f < filterFieldCount; ++f)
    require(inRow(filterFields[f], *filterFieldOf(const_cast<FilterRecord*>(&r), f)));
}

inline void modulatorRecord(const ModulatorRecord& r) {
  require((r.type == modulatorRingmod || r.type == modulatorFreqShift) && r.channel >= 0 && r.channel <= 2);
  require(r.freqMode >= 0 && r.freqMode <= 3 && flag(r.on) && flag(r.shiftSwitch));
  for (int f = 0; f < modulatorFieldCount; ++f)
    require(inRow(modulatorFields[f], *modulatorFieldOf(const_cast<ModulatorRecord*>(&r), f)));
}

inline void waveshaperRecord(const WaveshaperRecord& r) {
  require(flag(r.on) && flag(r.postMix) && r.word <= 3);
  for (int f = 0; f < waveshaperFieldCount; ++f)
    require(inRow(waveshaperFields[f], *waveshaperFieldOf(const_cast<WaveshaperRecord*>(&r), f)));
}

inline void envelopeSlot(const EnvelopeSlot& s) {
  require(s.mode >= envModeRelease && s.mode <= envModeControl);
  require(s.destination >= 0 && s.destination <= 38 && s.owner >= 0 && s.owner <= 3);
  require(s.lastIndex >= 0 && s.lastIndex < envBreakpointCount);
  require(s.sustainIndex >= 0 && s.sustainIndex <= s.lastIndex);
  require(s.releaseIndex >= 0 && s.releaseIndex <= s.lastIndex);
  require(s.loopStart >= 0 && s.loopStart <= s.lastIndex);
  require(s.linkMasterSlot >= 0 && s.linkMasterSlot < envSlotCount);
  const FieldRange* F = envelopeFields;
  require(inRow(F[envFieldStartLevel], s.startLevel) && inRow(F[envFieldAmpPercent], s.ampPercent));
  require(inRow(F[envFieldAmpOffset], s.ampOffset) && inRow(F[envFieldTimePercent], s.timePercent));
  require(inRow(F[envFieldSlopePercent], s.slopePercent));
  require(s.lfoPhase >= 0.0f && s.lfoPhase < 1.0f);
  for (const Breakpoint& b : s.breakpoints) {
    require(inRow(F[envFieldBpTime], b.time) && inRow(F[envFieldBpLevel], b.level) &&
            inRow(F[envFieldBpSlope], b.slope));
    require(flag(b.step) && inRow(F[envFieldBpAmpScale], b.ampScale) && inRow(F[envFieldBpTimeScale], b.timeScale));
    require(inRow(F[envFieldBpLfoSeconds], b.lfoSeconds) && inRow(F[envFieldBpShSeconds], b.shSeconds));
    require(inRow(F[envFieldBpLfoDepth], b.lfoDepth));
  }
}

inline void wave(const WaveRecord& w) {
  for (float s : w.samples) require(finiteIn(s, -4, 4));
  require(w.state <= waveStateLocal);
}

// The effect records: the common head, the flags and every float field against its row.
inline void effectCommon(const EffectHeader& h, std::uint16_t type, std::uint8_t on, float a, float b) {
  const FieldRange& level = effectFields[effectFieldLevel];
  require(h.type == type && flag(on) && inRow(level, a) && inRow(level, b));
}

inline void effectPipe(const EffectPipeRecord& r) {
  effectCommon(r.header, ::effectPipe, r.on, r.levelA, r.levelB);
  const FieldRange* P = pipeFields;
  require(inRow(P[pipeFieldStored1], r.stored1) && inRow(P[pipeFieldStored2], r.stored2));
  require(inRow(P[pipeFieldDelay], r.delay) && inRow(effectFields[effectFieldTime], r.time));
  require(inRow(P[pipeFieldFeedback], r.feedback) && inRow(P[pipeFieldInputPos], r.inputPos));
  require(inRow(P[pipeFieldPickupPos0], r.pickupPos[0]) && inRow(P[pipeFieldPickupPos1], r.pickupPos[1]));
  require(inRow(P[pipeFieldFilterIndex], r.filterIndex) && inRow(P[pipeFieldLengthMod], r.lengthMod));
  require(inRow(P[pipeFieldPickupMod], r.pickupMod[0]) && inRow(P[pipeFieldPickupMod], r.pickupMod[1]));
}

inline void effectComb(const EffectCombRecord& r) {
  effectCommon(r.header, ::effectComb, r.on, r.levelA, r.levelB);
  const FieldRange* C = combFields;
  require(inRow(C[combFieldDelay], r.delay) && inRow(effectFields[effectFieldTime], r.time));
  require(inRow(C[combFieldFeedback], r.feedback) && inRow(C[combFieldFilterIndex], r.filterIndex));
  for (int i = 0; i < effectCombCount; ++i) {
    require(flag(r.combOn[i]) && inRow(C[combFieldDelayFactor], r.delayFactor[i]));
    require(inRow(C[combFieldFeedbackFactor], r.feedbackFactor[i]) && inRow(C[combFieldLevel], r.level[i]));
    require(inRow(C[combFieldModAmount], r.modAmount[i]) && inRow(effectFields[effectFieldPan], r.pan[i]));
    require(inRow(C[combFieldFilterFactor], r.filterFactor[i]));
  }
}

inline void effectTap(const EffectTapRecord& r) {
  effectCommon(r.header, ::effectTap, r.on, r.levelA, r.levelB);
  const FieldRange* T = tapFields;
  require(r.ringLength >= 1 && r.ringLength <= effectTapMaxRing);
  require(inRow(effectFields[effectFieldTapTime], r.time) && inRow(effectFields[effectFieldTime], r.beatTime));
  require(inRow(T[tapFieldFeedback], r.feedback) && inRow(T[tapFieldFilterIndex], r.filterIndex));
  require(inRow(T[tapFieldSecondIndex], r.secondIndex));
  for (int i = 0; i < effectTapCount; ++i) {
    require(inRow(T[tapFieldModDepth], r.tapModDepth[i]) && inRow(T[tapFieldTimeFactor], r.tapTimeFactor[i]));
    require(inRow(T[tapFieldLevel], r.tapLevel[i]) && inRow(effectFields[effectFieldPan], r.tapPan[i]));
  }
}

inline void effectEcho(const EffectEchoRecord& r) {
  effectCommon(r.header, ::effectEcho, r.on, r.levelA, r.levelB);
  const FieldRange* E = echoFields;
  require(inRow(E[echoFieldBaseTime], r.baseTime) && inRow(E[echoFieldBeatTime], r.beatTime));
  require(inRow(E[echoFieldFeedback], r.feedback));
  for (int l = 0; l < 3; ++l) {
    require(inRow(E[echoFieldLineTimeFactor], r.lineTimeFactor[l]) &&
            inRow(E[echoFieldLineModDepth], r.lineModDepth[l]));
    require(inRow(E[echoFieldLineLevel], r.lineLevel[l]) && inRow(E[echoFieldLinePan], r.linePan[l]));
    require(inRow(E[echoFieldLineFeedback], r.lineFeedback[l]));
    require(inRow(E[echoFieldLowPassFreq], r.lines[l].lowPassFreq) &&
            inRow(E[echoFieldHighPassFreq], r.lines[l].highPassFreq));
    require(inRow(E[echoFieldAllpassFreq], r.lines[l].allpassFreq) && std::isfinite(r.lines[l].lineTime));
  }
}

inline void effectRev(const EffectRevRecord& r) {
  effectCommon(r.header, ::effectRev, r.on, r.levelA, r.levelB);
  const FieldRange* R = revFields;
  require(inRow(R[revFieldSize], r.size) && inRow(R[revFieldFeedback], r.feedback));
  require(inRow(R[revFieldBrightness], r.brightness) && inRow(R[revFieldPreDelay], r.preDelay));
  require(inRow(R[revFieldJitter], r.jitter));
  for (int u = 0; u < 3; ++u) {
    require(inRow(R[revFieldUnitScale], r.unitScale[u]) && inRow(R[revFieldLaneSpread], r.laneSpread[u]));
    require(inRow(R[revFieldTimeModDepth], r.timeModDepth[u]) && inRow(R[revFieldUnitBrightness], r.unitBrightness[u]));
    require(inRow(R[revFieldLaneBrightSpread], r.laneBrightSpread[u]) &&
            inRow(R[revFieldBrightModDepth], r.brightModDepth[u]));
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
