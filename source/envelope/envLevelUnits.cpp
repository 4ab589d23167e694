// Envelope levels in the destination's unit: one table of kinds, read both ways.
#include "envelope/envLevelUnits.h"

#include <cmath>

#include "engine/engine.h"
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
#include "preset/oscParams.h"
#include "preset/oscRecord.h"

namespace {

// Destination kinds of an envelope slot that the units tell apart.
enum EnvDestKind : std::int16_t {
  destOscAmp = 1,
  destOscPitch = 2,
  destOscPhase = 3,
  destOscModPitch = 5,
  destOscBalance = 6,
  destOscIndexBal = 7,
  destOscRingBal = 8,
  destFilterFreq = 9,
  destShapeInGain = 10,
  destShapeOutGain = 11,
  destShapePhase = 12,
  destModPitch = 13,
  destModBalance = 14,
  destFilterRes = 15,
  destFilterBw = 16,
  destSampleJump = 18,
  destEffectTime = 25,
  destEffectFeedback = 26,
  destEffectFilter = 27,
  destPanLr = 28,
  destEffectWet = 29,
  destEffectDry = 30,
  destOscVol = 31,
  destPanFb = 37
};

const double unitDbFloor = -96.0;
const double unitPitchFloor = 0.0001;
const double unitSemisFloor = -64.0;
const double unitHzFloor = 20.0;

bool isAllpass(std::int16_t type) { return type >= filterAllpass2 && type <= filterAllpass8; }

// Frequency mode and pitch of the pitch-like kinds.
bool pitchOf(Engine* engine, std::int16_t kind, std::int16_t owner, std::int16_t* mode, double* m) {
  switch (kind) {
    case destOscPitch:
      *mode = oscGetFreqMode(engine, owner);
      *m = oscGetPitch(engine, owner);
      return true;
    case destOscModPitch:
      *mode = oscGetFreqModeB(engine, owner);
      *m = oscGetPitchB(engine, owner);
      return true;
    case destModPitch:
      *mode = modulatorGetFreqMode(engine, owner);
      *m = modulatorGetFrequency(engine, owner);
      return true;
    default:
      return false;
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
    case destEffectTime:
      switch (type) {
        case effectPipe: *m = effectPipeGetDelay(engine); return true;
        case effectComb: *m = effectCombGetDelay(engine); return true;
        case effectTap: *m = effectTapGetTime(engine); return true;
        case effectEcho: *m = effectEchoGetBaseTime(engine); return true;
        case effectRev: *m = effectRevGetSize(engine); return true;
        default: return false;
      }
    case destEffectFeedback:
      switch (type) {
        case effectPipe: *m = effectPipeGetFeedback(engine); return true;
        case effectComb: *m = effectCombGetFeedback(engine); return true;
        case effectTap: *m = effectTapGetFeedback(engine); return true;
        case effectEcho: *m = effectEchoGetFeedback(engine); return true;
        case effectRev: *m = effectRevGetFeedback(engine); return true;
        default: return false;
      }
    case destEffectFilter:
      switch (type) {
        case effectComb: *m = effectCombGetFilterFreq(engine); return true;
        case effectTap: *m = effectTapGetFilterFreq(engine); return true;
        case effectEcho: *m = effectEchoGetLowPassFreq(engine, 0); return true;
        case effectRev: *m = effectRevGetBrightness(engine); return true;
        default: return false;
      }
    default:
      return false;
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

double clamp01(double x) { return x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x; }

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
    case destOscPitch:
    case destOscModPitch:
    case destModPitch: return pitchOf(engine, kind, owner, &mode, m);
    case destOscPhase: *m = oscGetPhaseA(engine, owner); return true;
    case destOscBalance:
    case destOscIndexBal:
    case destOscRingBal: return oscMixValue(engine, owner, m);
    case destFilterFreq: {
      const FilterRecord* f = engineGetFilter(engine, owner);
      if (!f) return false;
      *m = f->type == filterComb ? f->combDelay : f->cutoff;
      return true;
    }
    case destShapeInGain:
    case destEffectWet:
    case destEffectDry: *m = waveshaperGetInGainDb(engine); return true;
    case destShapeOutGain: *m = waveshaperGetOutGainDb(engine); return true;
    case destShapePhase: *m = waveshaperGetPhase(engine); return true;
    case destModBalance: *m = modulatorGetBalance(engine, owner); return true;
    case destFilterRes: *m = filterGetResonance(engine, owner); return true;
    case destFilterBw: {
      const FilterRecord* f = engineGetFilter(engine, owner);
      if (!f) return false;
      *m = f->type == filterNotch ? f->width : f->bandwidth;
      return true;
    }
    case destEffectTime:
    case destEffectFeedback:
    case destEffectFilter: return effectValue(engine, kind, m);
    default: return false;
  }
}

EnvUnitShown envLevelToUnits(Engine* engine, std::int16_t kind, std::int16_t owner, double level) {
  const EnvUnitShown keep{true, 0.0, 0.0, 0.0, nullptr, ""};
  if (!engine || !std::isfinite(level)) return keep;
  const double L = clamp01(level);
  double m = 0.0;
  std::int16_t mode = 0;
  switch (kind) {
    case destOscAmp:
    case destOscVol: return shown(gainToDb6(L), unitDbFloor, 0.0, valueStepTenths, "dB");
    case destOscPitch:
    case destOscModPitch:
    case destModPitch:
      pitchOf(engine, kind, owner, &mode, &m);
      switch (mode) {
        case oscFreqTrans:
          return shown(pitchRatioToSemis(pitchSemisToRatio(m) * L), unitSemisFloor, m, nullptr, pitchWord(mode));
        case oscFreqRatio:
        case oscFreqHz: return shown(m * L, unitPitchFloor, m, nullptr, pitchWord(mode));
        default: return shown(pitchHzToNote(pitchNoteToHz(m) * L), 0.0, m, nullptr, pitchWord(mode));
      }
    case destOscPhase:
    case destShapePhase:
      envUnitModuleValue(engine, kind, owner, &m);
      return shown(m + 2.0 * L - 1.0, m - 1.0, m + 1.0, valueStepTenths, "Phase");
    case destFilterFreq: {
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
    case destShapeInGain:
    case destShapeOutGain:
    case destEffectWet:
    case destEffectDry:
      envUnitModuleValue(engine, kind, owner, &m);
      return shown(gainToDb6(db6ToGain(m) * L), unitDbFloor, m, valueStepTenths, "dB");
    case destModBalance:
      m = modulatorGetBalance(engine, owner);
      return shown(m * L, 0.0, m, valueStepHundredths, "Bal");
    case destOscBalance:
    case destOscIndexBal:
    case destOscRingBal:
      if (!oscMixValue(engine, owner, &m)) return keep;
      return shown(m * L, 0.0, m, valueStepTenths, oscGetType(engine, owner) == oscTypeFm ? "Index" : "Bal");
    case destFilterRes:
    case destFilterBw:
    case destEffectTime:
    case destEffectFeedback:
    case destEffectFilter:
      if (!envUnitModuleValue(engine, kind, owner, &m)) return keep;
      return shown(m * L, 0.0, m, nullptr, "Value");
    case destSampleJump: return shown(L * 100.0, 0.0, 100.0, nullptr, "%");
    case destPanLr:
    case destPanFb: return shown(2.0 * L - 1.0, -1.0, 1.0, valueStepTenths, "Pan");
    default: return keep;
  }
}

bool envUnitsToLevel(Engine* engine, std::int16_t kind, std::int16_t owner, double v, double* level) {
  if (!engine || !level || !std::isfinite(v)) return false;
  double L = 1.0;
  double m = 0.0;
  std::int16_t mode = 0;
  switch (kind) {
    case destOscAmp:
    case destOscVol: L = db6ToGain(v); break;
    case destOscPitch:
    case destOscModPitch:
    case destModPitch:
      pitchOf(engine, kind, owner, &mode, &m);
      if (!envUnitRatio(mode, v, m, &L)) return false;
      break;
    case destOscPhase:
    case destShapePhase:
      envUnitModuleValue(engine, kind, owner, &m);
      L = 0.5 + (v - m) * 0.5;
      break;
    case destOscBalance:
    case destOscIndexBal:
    case destOscRingBal:
      L = oscMixValue(engine, owner, &m) ? (m != 0.0 ? v / m : 0.0) : 1.0;
      break;
    case destFilterFreq: {
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
    case destShapeInGain:
    case destShapeOutGain:
    case destEffectWet:
    case destEffectDry: {
      envUnitModuleValue(engine, kind, owner, &m);
      const double g = db6ToGain(m);
      L = g > 0.0 ? db6ToGain(v) / g : 0.0;
      break;
    }
    case destModBalance:
      m = modulatorGetBalance(engine, owner);
      L = m != 0.0 ? v / m : 0.0;
      break;
    case destFilterRes:
    case destFilterBw:
    case destEffectTime:
    case destEffectFeedback:
    case destEffectFilter:
      if (!envUnitModuleValue(engine, kind, owner, &m)) return false;
      L = kind == destFilterBw ? (m != 0.0 ? v / m : 0.0) : (m > 0.0 ? v / m : 0.0);
      break;
    case destSampleJump: L = v * 0.01; break;
    case destPanLr:
    case destPanFb: L = v * 0.5 + 0.5; break;
    default: L = 1.0; break;
  }
  if (!std::isfinite(L)) return false;
  *level = clamp01(L);
  return true;
}
