// Checks the fuzz targets share: after a successful read, every record must hold only values the engine
// can trust (flags 0 or 1, codes and indexes in range, finite levels within their bounds, terminated
// names). A failed check names itself on stderr and traps, which libFuzzer and the replay program
// report with the input.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>

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

}  // namespace fuzzcheck
