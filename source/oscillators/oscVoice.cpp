// Pitch and gain of a voice, and the voice start that seeds its oscillator state for a note.
#include <cmath>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/noteCurveRuntime.h"
#include "engine/numeric.h"
#include "engine/velocityRuntime.h"
#include "oscillators/oscFractal.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscGranular.h"
#include "preset/oscRecord.h"

static int stateVoice(const OscVoiceState* state) {
  const int v = state->voiceIndex;
  return numIndexOrZero<int>(v, engineMaxVoices);
}

static const float* modRow(Engine* engine, const ChannelOscRecord* record, const OscVoiceState* state) {
  return engine->modMultipliers[oscRecordUnit(record, 0)][stateVoice(state)];
}

static double clampIncrement(double inc) { return numClamp<double>(inc, 0.0, oscIncrementMax); }

static double lfoProduct(const float* const links[3]) {
  double p = 1.0;
  for (int i = 0; i < 3; ++i) p *= links[i] ? *links[i] : 1.0f;
  return p;
}

static double notePitch(Engine* engine, const OscVoiceState* state, double ratio, double modulation) {
  const Voice& voice = engine->voices[stateVoice(state)];
  return lfoProduct(state->lfoPitch) * (voice.pitch * ratio * modulation * engine->controllers.pitchFactor) *
         engineRateFactor() * voice.glideRatio;
}

double oscVoicePitch(Engine* engine, const ChannelOscRecord* record, const OscVoiceState* state) {
  if (!engine || !record || !state) return 0.0;
  const double m = modRow(engine, record, state)[2];
  double inc;
  if (record->freqMode == oscFreqTrans || record->freqMode == oscFreqRatio)
    inc = notePitch(engine, state, record->pitchRatio, m);
  else
    inc = static_cast<double>(record->pitchInc) * m * engineRateFactor();
  return clampIncrement(inc);
}

double oscVoicePitchB(Engine* engine, const ChannelOscRecord* record, const OscVoiceState* state) {
  if (!engine || !record || !state) return 0.0;
  const double m = modRow(engine, record, state)[5];
  double inc;
  if (record->freqModeB == oscFreqTrans || record->freqModeB == oscFreqRatio)
    inc = notePitch(engine, state, record->pitchRatioB, m);
  else
    inc = static_cast<double>(record->pitchIncB) * m * engineRateFactor();
  return clampIncrement(inc);
}

// The volume control's smoothed factor scales every oscillator; the switched oscillator level control
// acts on the FM index / balance instead (ccMapFmFactor).
static double controllerGain(Engine* engine) { return engine->controllers.volume; }

static double limitGain(double g) { return numGate(g, static_cast<double>(oscGainFloor), 1.0); }

double oscVoiceGain(Engine* engine, const ChannelOscRecord* record, const OscVoiceState* state) {
  if (!engine || !record || !state) return 0.0;
  const double g = lfoProduct(state->lfoGain) *
                   (record->level * controllerGain(engine) * engine->masterGain * state->velocityGain) *
                   modRow(engine, record, state)[31];
  return limitGain(g);
}

double oscSpreadRatio(const ChannelOscRecord* record) {
  // Derived from "Trans" itself: the stored ratio is not carried by every record copy.
  double trans = record->trans;
  trans = numClamp(trans, 0.0, 48.0);
  return trans == 0.0 ? 1.0 : std::pow(2.0, trans / 12.0);  // 2^0 is exactly 1: no call needed
}

double oscUnisonSpread(int k, double t) {
  const int j = (k + 1) / 2;
  const double base = ((k + 1) & 1) ? t : 1.0 / t;
  return j == 0 || base == 1.0 ? 1.0 : std::pow(base, j);  // x^0 and 1^j are exactly 1
}

// ---- voice start ----

void oscVoiceStart(Engine* engine, std::int16_t channel, std::int16_t voice, std::int16_t note, std::uint8_t legato) {
  if (!engine || channel < 0 || channel >= engineChannels || voice < 0 || voice >= engineMaxVoices) return;
  ChannelOscRecord* record = engineGetChannel(engine, channel);
  OscVoiceState* state = engineGetOscVoiceState(engine, channel, voice);
  if (!record || !state) return;
  state->voiceIndex = voice;
  const Voice& v = engine->voices[voice];
  const bool monoHeld = v.state == voiceStateMonoReleased;
  const float* mod = modRow(engine, record, state);
  const int unit = oscRecordUnit(record, channel);

  state->velocityGain = static_cast<float>(velocityGetAmount(engine, 1, unit) * noteCurveValue(engine, 1, unit, note));
  state->incA = static_cast<float>(oscVoicePitch(engine, record, state));
  state->velocityParam = static_cast<float>(velocityGetAmount(engine, 2, unit) * noteCurveValue(engine, 2, unit, note));
  state->incB = static_cast<float>(oscVoicePitchB(engine, record, state));
  if (!legato) sampleVoiceInit(&state->sampleVoice);
  if (record->type == oscTypeSample || record->type == oscTypeGranular) state->incA *= record->sampleInfo.rateFactor;

  const bool fresh = !((engine->header.polyphony == 1 && v.state <= voiceStateFree) || legato || monoHeld);
  if (fresh) {
    state->phaseA = 0.0f;
    state->gain = static_cast<float>(limitGain(
        lfoProduct(state->lfoGain) *
        (state->gainFactor * record->level * controllerGain(engine) * engine->masterGain * state->velocityGain) *
        mod[modRowOscVolume]));
    state->phaseB = 0.0f;
    state->sampleVoice.position = 0.0;
    state->sampleVoice.startOffset = mod[modRowSampleStart];
    state->grainBlock.voice = static_cast<std::uint32_t>(voice);
    grainSetup(engine, &record->subRecord, &state->grainBlock);
    oscStateClear48(state->decimator);
  }

  if (!legato) {
    switch (record->type) {
      case oscTypeDouble: state->mixValue = record->balanceDouble * state->velocityParam * mod[modRowOscIndex]; break;
      case oscTypeFm: {
        double index = record->fmIndex * state->velocityParam * mod[modRowOscIndex] * lfoProduct(state->lfoFmIndex) *
                       ccMapFmFactor(engine, static_cast<std::int16_t>(unit));
        state->fmIndex = static_cast<float>(index);
        break;
      }
      case oscTypeRingmod: state->mixValue = record->balanceRingmod * state->velocityParam * mod[modRowOscIndex]; break;
      case oscTypeFractalize: {
        const float x = record->displacement;
        fractBuildTree(state, x);
        state->fractalSplit[0] = x;
        state->fractalSplit[1] = x;
        if (!monoHeld) {
          const double g = mod[modRowFractAmount] * state->velocityParam * record->amount;
          double gl = 1.0;
          for (int level = 0; level < oscFractalLevels; ++level) {
            FractalLevel& l = state->fractalLevels[level];
            l.currentSegment = 0;
            l.cyclePhase = 0.0f;
            l.segmentEnded = 0;
            l.layerGain = static_cast<float>(gl);
            gl *= g;
          }
        }
        break;
      }
      default: break;
    }
  }

  // Unison voices: every start, legato included.
  const double t = oscSpreadRatio(record);
  int n = record->numVoices;
  n = numClamp(n, 1, oscUnisonMax);
  const double incA = clampIncrement(oscVoicePitch(engine, record, state));
  const double incB = state->incB;
  const bool resetPhases = record->phaseReset && !legato && !monoHeld;
  for (int k = 0; k < n; ++k) {
    const float r = dspRandomNext();
    state->unisonRandom[k] = r;
    const double d = (2.0 * r - 1.0) * record->randTrans * mod[modRowUnisonRandTrans] / 12.0;
    const double f = std::pow(2.0, d) * oscUnisonSpread(k, t);
    state->unisonIncA[k] = static_cast<float>(f * incA);
    state->unisonIncB[k] = static_cast<float>(f * incB);
    if (resetPhases) {
      state->unisonPhaseA[k] = 0.0f;
      state->unisonPhaseB[k] = 0.0f;
    }
  }
}
