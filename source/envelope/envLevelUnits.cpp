// Envelope levels in the destination's unit: one table of kinds, read both ways.
#include "envelope/envLevelUnits.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "modules/echoEffect.h"
#include "modules/effectFrame.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/multiCombEffect.h"
#include "modules/multiTapEffect.h"
#include "modules/pipeEffect.h"
#include "modules/pitchIndex.h"
#include "modules/threeUnitEffect.h"
#include "modules/waveshaper.h"
#include "preset/envDestKinds.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"

namespace {

const double unitDbFloor = -96.0;
const double unitPitchFloor = 0.0001;
const double unitSemisFloor = -64.0;
const double unitHzFloor = 20.0;

bool isAllpass(std::int16_t type) { return type >= filterAllpass2 && type <= filterAllpass8; }

// Frequency mode and pitch of the pitch-like kinds.
bool pitchOf(Engine* engine, std::int16_t kind, std::int16_t owner, std::int16_t* mode, double* m) {
  switch (kind) {
    case envDestOscPitch:
      *mode = oscGetFreqMode(engine, owner);
      *m = oscGetPitch(engine, owner);
      return true;
    case envDestOscModPitch:
      *mode = oscGetFreqModeB(engine, owner);
      *m = oscGetPitchB(engine, owner);
      return true;
    case envDestModPitch:
      *mode = modulatorGetFreqMode(engine, owner);
      *m = modulatorGetFrequency(engine, owner);
      return true;
    default: return false;
  }
}

// The oscillator's value of the balance and index kinds: its type's balance or the FM index; false
// for the types without one.
bool oscMixValue(Engine* engine, std::int16_t owner, double* m) {
  const ChannelOscRecord* r = engineGetChannel(engine, owner);
  if (!r) return false;
  switch (oscGetType(engine, owner)) {
    case oscTypeDouble: *m = r->balanceDouble; return true;
    case oscTypeRingmod: *m = r->balanceRingmod; return true;
    case oscTypeFm: *m = oscGetFmIndex(engine, owner); return true;
    default: return false;
  }
}

// The master effect's time, feedback and filter frequency by its type.
bool effectValue(Engine* engine, std::int16_t kind, double* m) {
  const std::uint16_t type = effectGetType(engine);
  switch (kind) {
    case envDestEffectTime:
      switch (type) {
        case effectPipe: *m = effectPipeGetDelay(engine); return true;
        case effectComb: *m = effectCombGetDelay(engine); return true;
        case effectTap: *m = effectTapGetTime(engine); return true;
        case effectEcho: *m = effectEchoGetBaseTime(engine); return true;
        case effectRev: *m = effectRevGetSize(engine); return true;
        default: return false;
      }
    case envDestEffectFeedback:
      switch (type) {
        case effectPipe: *m = effectPipeGetFeedback(engine); return true;
        case effectComb: *m = effectCombGetFeedback(engine); return true;
        case effectTap: *m = effectTapGetFeedback(engine); return true;
        case effectEcho: *m = effectEchoGetFeedback(engine); return true;
        case effectRev: *m = effectRevGetFeedback(engine); return true;
        default: return false;
      }
    case envDestEffectFilter:
      switch (type) {
        case effectComb: *m = effectCombGetFilterFreq(engine); return true;
        case effectTap: *m = effectTapGetFilterFreq(engine); return true;
        case effectEcho: *m = effectEchoGetLowPassFreq(engine, 0); return true;
        case effectRev: *m = effectRevGetBrightness(engine); return true;
        default: return false;
      }
    default: return false;
  }
}

EnvUnitShown shown(double value, double minimum, double maximum, ValueStepRule step, const char* word) {
  // A module value below the floor would leave an empty range: the range closes on the floor.
  if (!(maximum >= minimum)) maximum = minimum;
  return EnvUnitShown{false, value, minimum, maximum, step, word};
}

const char* pitchWord(std::int16_t mode) {
  switch (mode) {
    case oscFreqTrans: return "Trans";
    case oscFreqRatio: return "Ratio";
    case oscFreqHz: return "Hz";
    default: return "Note";
  }
}

}  // namespace

bool envUnitRatio(std::int16_t mode, double v, double m, double* ratio) {
  double r = 1.0;
  switch (mode) {
    case oscFreqTrans: r = pitchSemisToRatio(v) / pitchSemisToRatio(m); break;
    case oscFreqRatio:
    case oscFreqHz:
      if (m == 0.0) return false;
      r = v / m;
      break;
    case oscFreqNote: r = pitchNoteToHz(v) / pitchNoteToHz(m); break;
    default: break;
  }
  if (!std::isfinite(r)) return false;
  *ratio = r;
  return true;
}

bool envUnitModuleValue(Engine* engine, std::int16_t kind, std::int16_t owner, double* m) {
  if (!engine) return false;
  std::int16_t mode = 0;
  switch (kind) {
    case envDestOscPitch:
    case envDestOscModPitch:
    case envDestModPitch: return pitchOf(engine, kind, owner, &mode, m);
    case envDestOscPhase: *m = oscGetPhaseA(engine, owner); return true;
    case envDestOscBalance:
    case envDestOscIndexBal:
    case envDestOscRingBal: return oscMixValue(engine, owner, m);
    case envDestFilterFreq: {
      const FilterRecord* f = engineGetFilter(engine, owner);
      if (!f) return false;
      *m = f->type == filterComb ? f->combDelay : f->cutoff;
      return true;
    }
    case envDestShapeInGain:
    case envDestEffectWet:
    case envDestEffectDry: *m = waveshaperGetInGainDb(engine); return true;
    case envDestShapeOutGain: *m = waveshaperGetOutGainDb(engine); return true;
    case envDestShapePhase: *m = waveshaperGetPhase(engine); return true;
    case envDestModBalance: *m = modulatorGetBalance(engine, owner); return true;
    case envDestFilterRes: *m = filterGetResonance(engine, owner); return true;
    case envDestFilterBw: {
      const FilterRecord* f = engineGetFilter(engine, owner);
      if (!f) return false;
      *m = f->type == filterNotch ? f->width : f->bandwidth;
      return true;
    }
    case envDestEffectTime:
    case envDestEffectFeedback:
    case envDestEffectFilter: return effectValue(engine, kind, m);
    default: return false;
  }
}

EnvUnitShown envLevelToUnits(Engine* engine, std::int16_t kind, std::int16_t owner, double level) {
  const EnvUnitShown keep{true, 0.0, 0.0, 0.0, nullptr, ""};
  if (!engine || !std::isfinite(level)) return keep;
  const double L = numClamp(level, 0.0, 1.0);
  double m = 0.0;
  std::int16_t mode = 0;
  switch (kind) {
    case envDestOscAmp:
    case envDestOscVol: return shown(gainToDb6(L), unitDbFloor, 0.0, valueStepTenths, "dB");
    case envDestOscPitch:
    case envDestOscModPitch:
    case envDestModPitch:
      pitchOf(engine, kind, owner, &mode, &m);
      switch (mode) {
        case oscFreqTrans:
          return shown(pitchRatioToSemis(pitchSemisToRatio(m) * L), unitSemisFloor, m, nullptr, pitchWord(mode));
        case oscFreqRatio:
        case oscFreqHz: return shown(m * L, unitPitchFloor, m, nullptr, pitchWord(mode));
        default: return shown(pitchHzToNote(pitchNoteToHz(m) * L), 0.0, m, nullptr, pitchWord(mode));
      }
    case envDestOscPhase:
    case envDestShapePhase:
      envUnitModuleValue(engine, kind, owner, &m);
      return shown(m + 2.0 * L - 1.0, m - 1.0, m + 1.0, valueStepTenths, "Phase");
    case envDestFilterFreq: {
      const FilterRecord* f = engineGetFilter(engine, owner);
      if (!f) return keep;
      const double top = filterGetFrequency(engine, owner);
      double hz = unitHzFloor;
      if (f->type == filterComb) {
        if (f->combDelay > 0.0 && L > 0.0) hz = 44100.0 / (f->combDelay / L);
      } else if (isAllpass(f->type)) {
        hz = 20.0 * std::pow(2.0, L * f->cutoff / 48.0);  // the allpass types' own index scale
      } else {
        hz = dspIndexToFreq(L * f->cutoff);
      }
      return shown(hz, unitHzFloor, top, valueStepHz, "Hz");
    }
    case envDestShapeInGain:
    case envDestShapeOutGain:
    case envDestEffectWet:
    case envDestEffectDry:
      envUnitModuleValue(engine, kind, owner, &m);
      return shown(gainToDb6(db6ToGain(m) * L), unitDbFloor, m, valueStepTenths, "dB");
    case envDestModBalance:
      m = modulatorGetBalance(engine, owner);
      return shown(m * L, 0.0, m, valueStepHundredths, "Bal");
    case envDestOscBalance:
    case envDestOscIndexBal:
    case envDestOscRingBal:
      if (!oscMixValue(engine, owner, &m)) return keep;
      return shown(m * L, 0.0, m, valueStepTenths, oscGetType(engine, owner) == oscTypeFm ? "Index" : "Bal");
    case envDestFilterRes:
    case envDestFilterBw:
    case envDestEffectTime:
    case envDestEffectFeedback:
    case envDestEffectFilter:
      if (!envUnitModuleValue(engine, kind, owner, &m)) return keep;
      return shown(m * L, 0.0, m, nullptr, "Value");
    case envDestSampleJump: return shown(L * 100.0, 0.0, 100.0, nullptr, "%");
    case envDestPanLr:
    case envDestPanFb: return shown(2.0 * L - 1.0, -1.0, 1.0, valueStepTenths, "Pan");
    default: return keep;
  }
}

bool envUnitsToLevel(Engine* engine, std::int16_t kind, std::int16_t owner, double v, double* level) {
  if (!engine || !level || !std::isfinite(v)) return false;
  double L = 1.0;
  double m = 0.0;
  std::int16_t mode = 0;
  switch (kind) {
    case envDestOscAmp:
    case envDestOscVol: L = db6ToGain(v); break;
    case envDestOscPitch:
    case envDestOscModPitch:
    case envDestModPitch:
      pitchOf(engine, kind, owner, &mode, &m);
      if (!envUnitRatio(mode, v, m, &L)) return false;
      break;
    case envDestOscPhase:
    case envDestShapePhase:
      envUnitModuleValue(engine, kind, owner, &m);
      L = 0.5 + (v - m) * 0.5;
      break;
    case envDestOscBalance:
    case envDestOscIndexBal:
    case envDestOscRingBal: L = oscMixValue(engine, owner, &m) ? (m != 0.0 ? v / m : 0.0) : 1.0; break;
    case envDestFilterFreq: {
      const FilterRecord* f = engineGetFilter(engine, owner);
      if (!f) return false;
      if (f->type == filterComb) {
        if (!(f->combDelay > 0.0)) return false;
        L = v / (44100.0 / f->combDelay);
      } else if (isAllpass(f->type)) {
        if (!(f->cutoff > 0.0) || !(v > 0.0)) return false;
        L = 48.0 * std::log2(v / 20.0) / f->cutoff;
      } else {
        if (!(f->cutoff > 0.0)) return false;
        L = dspFreqToIndex(v) / f->cutoff;
      }
      break;
    }
    case envDestShapeInGain:
    case envDestShapeOutGain:
    case envDestEffectWet:
    case envDestEffectDry: {
      envUnitModuleValue(engine, kind, owner, &m);
      const double g = db6ToGain(m);
      L = g > 0.0 ? db6ToGain(v) / g : 0.0;
      break;
    }
    case envDestModBalance:
      m = modulatorGetBalance(engine, owner);
      L = m != 0.0 ? v / m : 0.0;
      break;
    case envDestFilterRes:
    case envDestFilterBw:
    case envDestEffectTime:
    case envDestEffectFeedback:
    case envDestEffectFilter:
      if (!envUnitModuleValue(engine, kind, owner, &m)) return false;
      L = kind == envDestFilterBw ? (m != 0.0 ? v / m : 0.0) : (m > 0.0 ? v / m : 0.0);
      break;
    case envDestSampleJump: L = v * 0.01; break;
    case envDestPanLr:
    case envDestPanFb: L = v * 0.5 + 0.5; break;
    default: L = 1.0; break;
  }
  if (!std::isfinite(L)) return false;
  *level = numClamp(L, 0.0, 1.0);
  return true;
}
