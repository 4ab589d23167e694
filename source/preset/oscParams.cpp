#include "preset/oscParams.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "oscillators/oscHalfband.h"
#include "preset/editBlock.h"
#include "preset/fieldTables.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"
#include "preset/wave.h"

namespace {

const double kIndexToRadians = 0.006135923151546361;  // 2 pi / 1024

// Setters take channels 0..2; getters also the edit copy's index. Another index has no record (the
// engine's lookup would hand back channel 0 for it).
ChannelOscRecord* liveRecord(Engine* engine, std::int16_t channel) {
  if (!engine || channel < 0 || channel >= engineChannels) return nullptr;
  return engineGetChannel(engine, channel);
}

ChannelOscRecord* readRecord(Engine* engine, std::int16_t channel) {
  if (engine && channel == engineEditIndex) return engineGetChannel(engine, channel);
  return liveRecord(engine, channel);
}

ChannelOscRecord* beginEdit(Engine* engine, std::int16_t channel) {
  if (!engine || channel < 0 || channel >= engineChannels || !engineGetChannel(engine, channel)) return nullptr;
  return editBeginOsc(engine, channel);
}

void commit(Engine* engine, std::int16_t channel) { editCommit(engine, editKindOsc, channel); }

float wrapPhase(float cycles) {
  if (!std::isfinite(cycles)) return 0.0f;
  double x = double(cycles) * 1024.0;
  double w = x - 1024.0 * std::floor(x / 1024.0);
  return (w >= 0.0 && w < 1024.0) ? float(w) : 0.0f;
}

// The ratio or increment of the mode, held within its row (a value that is no number is refused).
void storePitch(std::int32_t mode, float value, float* ratio, float* inc, bool waveB) {
  const FieldRange& ratioRow = oscFields[waveB ? oscFieldPitchRatioB : oscFieldPitchRatio];
  const FieldRange& incRow = oscFields[waveB ? oscFieldPitchIncB : oscFieldPitchInc];
  switch (mode) {
    case oscFreqTrans: *ratio = fieldSetFloat(ratioRow, pitchSemisToRatio(value), *ratio); break;
    case oscFreqRatio: *ratio = fieldSetFloat(ratioRow, value, *ratio); break;
    case oscFreqNote: *inc = fieldSetFloat(incRow, pitchNoteToInc(value), *inc); break;
    case oscFreqHz: *inc = fieldSetFloat(incRow, pitchHzToInc(value), *inc); break;
    default: break;
  }
}

double readPitch(const ChannelOscRecord* r, std::int32_t mode, float ratio, float inc) {
  switch (mode) {
    case oscFreqTrans: return pitchRatioToSemis(ratio);
    case oscFreqRatio: return ratio;
    case oscFreqNote: return pitchHzToNote(pitchIncToHz(inc));
    case oscFreqHz: return pitchIncToHz(inc);
    default: return 1.0;
  }
}

// Values below 1e-24 (negatives and NaN too) become 0, values above the row's top the top.
float rowClamp(int field, float x) { return numGate(x, 1e-24f, static_cast<float>(oscFields[field].hi)); }

void setWave(Engine* engine, std::int16_t channel, std::int16_t id, bool waveA) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  (waveA ? c->waveA : c->waveB) = id;
  if (c->on && c->bandLimited) oscRebuildTables(engine, channel, c);
  commit(engine, channel);
}

}  // namespace

void oscRebuildTables(Engine* engine, std::int16_t channel, const ChannelOscRecord* r) {
  if (!engine || !r || channel < 0 || channel >= engineChannels) return;
  ChannelWavetables& t = engine->wavetables[channel];
  const WaveRecord* a = waveGet(engine, static_cast<std::int16_t>(r->waveA));
  for (int k = 0; k < oscBandLevels; ++k) oscBuildBandLimitedTable(k, t.waveA[k], a->samples);
  const WaveRecord* b = waveGet(engine, static_cast<std::int16_t>(r->waveB));
  for (int k = 0; k < oscBandLevels; ++k) oscBuildBandLimitedTable(k, t.waveB[k], b->samples);
}

void oscSetWaveA(Engine* engine, std::int16_t channel, std::int16_t id) { setWave(engine, channel, id, true); }
void oscSetWaveB(Engine* engine, std::int16_t channel, std::int16_t id) { setWave(engine, channel, id, false); }

void oscSetPitch(Engine* engine, std::int16_t channel, float value) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  storePitch(c->freqMode, value, &c->pitchRatio, &c->pitchInc, false);
  commit(engine, channel);
}

void oscSetPitchB(Engine* engine, std::int16_t channel, float value) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  storePitch(c->freqModeB, value, &c->pitchRatioB, &c->pitchIncB, true);
  commit(engine, channel);
}

void oscSetTrans(Engine* engine, std::int16_t channel, double semitones) {
  ChannelOscRecord* r = liveRecord(engine, channel);
  if (!r) return;
  r->trans = fieldSetFloat(oscFields[oscFieldTrans], numFiniteOr(semitones, 0.0), r->trans);
  r->transRatio = float(std::pow(2.0, double(r->trans) / 12.0));
}

void oscSetRandTrans(Engine* engine, std::int16_t channel, double semitones) {
  ChannelOscRecord* r = liveRecord(engine, channel);
  if (!r) return;
  r->randTrans = fieldSetFloat(oscFields[oscFieldRandTrans], numFiniteOr(semitones, 0.0), r->randTrans);
}

void oscSetNumVoices(Engine* engine, std::int16_t channel, std::int16_t voices) {
  ChannelOscRecord* r = liveRecord(engine, channel);
  if (r && voices >= 1 && voices <= 8) r->numVoices = voices;
}

void oscSetOn(Engine* engine, std::int16_t channel, std::uint8_t on) {
  ChannelOscRecord* r = liveRecord(engine, channel);
  if (!r) return;
  r->on = on;
  if (on && r->bandLimited) oscRebuildTables(engine, channel, r);
  engineClearBuffers(engine);
}

void oscSetAudioInput(Engine* engine, std::int16_t channel, std::int16_t selector, std::int16_t input) {
  if (selector < 0 || selector > 2 || input < -1 || input >= oscAudioInputCount) return;
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  c->inputs[selector] = input;
  commit(engine, channel);
}

void oscSetInputGain(Engine* engine, std::int16_t channel, float gain) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  c->inputGain = numFlushTiny(fieldSetFloat(oscFields[oscFieldInputGain], numFiniteOr(gain, 0.0f), c->inputGain));
  commit(engine, channel);
}

void oscSetLevel(Engine* engine, std::int16_t channel, float level) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  c->level = rowClamp(oscFieldLevel, level);
  commit(engine, channel);
}

void oscSetBalance(Engine* engine, std::int16_t channel, float balance) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  if (c->type == oscTypeDouble)
    c->balanceDouble = rowClamp(oscFieldBalanceDouble, balance);
  else if (c->type == oscTypeRingmod)
    c->balanceRingmod = rowClamp(oscFieldBalanceRingmod, balance);
  commit(engine, channel);
}

void oscSetFmIndex(Engine* engine, std::int16_t channel, float index) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  c->fmIndex = rowClamp(oscFieldFmIndex, index * oscFmIndexScale);  // no infinity reaches the phases
  commit(engine, channel);
}

void oscSetPhaseA(Engine* engine, std::int16_t channel, float cycles) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  c->phaseA = wrapPhase(cycles);
  commit(engine, channel);
}

void oscSetPhaseB(Engine* engine, std::int16_t channel, float cycles) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  c->phaseB = wrapPhase(cycles);
  commit(engine, channel);
}

void oscSetFreqMode(Engine* engine, std::int16_t channel, std::int16_t mode) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  if (mode >= 0 && mode <= 3) c->freqMode = mode;
  commit(engine, channel);
}

void oscSetFreqModeB(Engine* engine, std::int16_t channel, std::int16_t mode) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  if (mode >= 0 && mode <= 3) c->freqModeB = mode;
  commit(engine, channel);
}

void oscSetAuxSwitch(Engine* engine, std::int16_t channel, std::uint8_t on) {
  ChannelOscRecord* c = beginEdit(engine, channel);
  if (!c) return;
  c->auxSwitch = on ? 1 : 0;
  commit(engine, channel);
}

void oscSetPhaseReset(Engine* engine, std::int16_t channel, std::uint8_t on) {
  ChannelOscRecord* r = liveRecord(engine, channel);
  if (r) r->phaseReset = on;
}

void oscSetBandLimited(Engine* engine, std::int16_t channel, std::uint8_t on) {
  ChannelOscRecord* r = liveRecord(engine, channel);
  if (!r) return;
  r->bandLimited = on ? 1 : 0;
  if (on && r->on) oscRebuildTables(engine, channel, r);
}

void oscSetType(Engine* engine, std::uint16_t channel, std::uint16_t type) {
  ChannelOscRecord* r = liveRecord(engine, static_cast<std::int16_t>(channel));
  if (!r || type >= oscTypeCount) return;
  r->type = type;
}

std::int16_t oscGetWaveA(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? static_cast<std::int16_t>(r->waveA) : 0;
}
std::int16_t oscGetWaveB(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? static_cast<std::int16_t>(r->waveB) : 0;
}
double oscGetPitch(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? readPitch(r, r->freqMode, r->pitchRatio, r->pitchInc) : 1.0;
}
double oscGetPitchB(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? readPitch(r, r->freqModeB, r->pitchRatioB, r->pitchIncB) : 1.0;
}
double oscGetTrans(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? r->trans : 0.0;
}
double oscGetRandTrans(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? r->randTrans : 0.0;
}
std::int16_t oscGetNumVoices(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? static_cast<std::int16_t>(r->numVoices) : 1;
}
std::uint8_t oscIsOn(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? r->on : 0;
}
float oscGetLevel(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? r->level : 0.0f;
}
double oscGetFmIndex(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? r->fmIndex * kIndexToRadians : 1.0;
}
double oscGetPhaseA(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? r->phaseA * 0.0009765625 : 0.0;
}
double oscGetPhaseB(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? r->phaseB * 0.0009765625 : 0.0;
}
std::int16_t oscGetType(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? static_cast<std::int16_t>(r->type) : 0;
}
std::int16_t oscGetFreqMode(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? static_cast<std::int16_t>(r->freqMode) : 0;
}
std::int16_t oscGetFreqModeB(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? static_cast<std::int16_t>(r->freqModeB) : 0;
}
std::uint8_t oscGetAuxSwitch(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? (r->auxSwitch != 0) : 0;
}
std::uint8_t oscGetPhaseReset(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? r->phaseReset : 1;
}
std::uint8_t oscGetBandLimited(Engine* e, std::int16_t ch) {
  ChannelOscRecord* r = readRecord(e, ch);
  return r ? (r->bandLimited != 0) : 0;
}

void oscCopyRecord(Engine* engine, const ChannelOscRecord* s, ChannelOscRecord* d, std::int16_t n,
                   std::uint8_t withSetup) {
  if (!s || !d || n < 0 || n > 3) return;
  if (withSetup && engine) {
    oscInitRecord(engine, d, n);
    if (s->type >= 0 && s->type < oscTypeCount)
      oscSetType(engine, static_cast<std::uint16_t>(n), static_cast<std::uint16_t>(s->type));
  }
  d->on = s->on;
  d->waveA = s->waveA;
  d->pitchInc = s->pitchInc;
  d->phaseA = s->phaseA;
  d->pitchRatio = s->pitchRatio;
  d->channel = n;
  d->level = s->level + 1e-24f;
  d->inputGain = s->inputGain;
  d->phaseReset = s->phaseReset;
  d->trans = s->trans;
  d->randTrans = s->randTrans;
  d->numVoices = s->numVoices;
  d->displacement = s->displacement;
  d->amount = s->amount;
  d->iterations = s->iterations;
  d->inputs[0] = s->inputs[0];
  d->inputs[1] = s->inputs[1];
  d->pitchRatioB = s->pitchRatioB;
  d->waveB = s->waveB;
  d->type = s->type;
  d->freqMode = s->freqMode;
  d->freqModeB = s->freqModeB;
  d->phaseB = s->phaseB;
  d->pitchIncB = s->pitchIncB;
  d->balanceDouble = s->balanceDouble;
  d->fmIndex = s->fmIndex;
  d->balanceRingmod = s->balanceRingmod;
  d->auxSwitch = s->auxSwitch;
  d->bandLimited = s->bandLimited;
  if (withSetup && engine && d->on && d->bandLimited && n < engineChannels) oscRebuildTables(engine, n, d);
  // The sample slot in part: the file record and display fields, then the stored settings.
  SampleInfo& di = d->sampleInfo;
  const SampleInfo& si = s->sampleInfo;
  di.tag = si.tag;
  std::memcpy(di.name, si.name, sizeof di.name);
  std::memcpy(di.path, si.path, sizeof di.path);
  std::memcpy(di.pathRest, si.pathRest, sizeof di.pathRest);
  di.displayMapped = si.displayMapped;
  di.displayMapping = si.displayMapping;
  std::memcpy(di.displayName, si.displayName, sizeof di.displayName);
  di.readAsMono = si.readAsMono;
  di.loopStart = si.loopStart;
  di.loopEnd = si.loopEnd;
  di.loopMode = si.loopMode;
  di.startPosition = si.startPosition;
  // The first seven words of the granular sub-record, then its channel.
  d->subRecord.count = s->subRecord.count;
  d->subRecord.size = s->subRecord.size;
  d->subRecord.diffusion = s->subRecord.diffusion;
  d->subRecord.time = s->subRecord.time;
  d->subRecord.randTime = s->subRecord.randTime;
  d->subRecord.randFreq = s->subRecord.randFreq;
  d->subRecord.randAmp = s->subRecord.randAmp;
  d->subRecord.channel = n;
}

void oscRelinkVoices(Engine* engine, std::int16_t channel) {
  ChannelOscRecord* r = liveRecord(engine, channel);
  if (!r) return;
  const std::int16_t voices = patchGetPolyphony(engine);
  std::int16_t other = -1;
  for (std::int16_t c = 0; c < engineChannels && r->on; ++c) {
    ChannelOscRecord* o = liveRecord(engine, c);
    if (c != channel && o && o->on) {
      other = c;
      break;
    }
  }
  for (std::int16_t v = 0; v < voices && v < engineMaxVoices; ++v) {
    OscVoiceState* state = engineGetOscVoiceState(engine, channel, v);
    if (!state) continue;
    if (!r->on) {
      state->gain = 0.0f;
    } else if (other >= 0) {
      const OscVoiceState* from = engineGetOscVoiceState(engine, other, v);
      if (from) {
        state->phaseA = from->phaseA;
        state->phaseB = from->phaseB;
      }
    }
  }
}
