#include "preset/oscRecord.h"

#include <cmath>

#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "preset/fieldTables.h"
#include "preset/sample.h"

void oscSubDefaults(OscSubRecord* sub, std::int32_t channel) {
  if (!sub) return;
  sub->count = 4;
  sub->size = 4096.0f;
  sub->diffusion = 0.25f;
  sub->time = 1.0f;
  sub->randTime = 0.989f;
  sub->randFreq = 1.0f;
  sub->randAmp = 1.0f;
  sub->channel = channel;
}

void oscInitRecord(Engine* engine, ChannelOscRecord* r, std::int32_t channel) {
  if (!r) return;
  if (engine && channel >= 0 && channel <= 2) sampleCloseDisplayMap(engine, static_cast<std::int16_t>(channel));
  const float inc220 = static_cast<float>(pitchHzToInc(220.0));
  r->pitchInc = inc220;
  r->phaseA = 0.0f;
  r->pitchRatio = 1.0f;
  r->level = 1.0f;
  r->inputGain = 1.0f;
  r->pitchRatioB = 1.0f;
  r->phaseB = 0.0f;
  r->pitchIncB = inc220;
  r->balanceDouble = 0.5f;
  r->fmIndex = oscFmIndexScale;
  r->balanceRingmod = 1.0f;
  r->type = oscTypeSingle;
  r->freqMode = oscFreqTrans;
  r->freqModeB = oscFreqTrans;
  r->waveA = 0;
  r->waveB = 0;
  r->channel = channel;
  r->auxSwitch = 0;
  r->on = 0;
  r->bandLimited = 0;
  r->phaseReset = 1;
  r->trans = 0.05f;
  r->transRatio = 0.0f;
  r->randTrans = 0.0f;
  r->numVoices = 1;
  r->inputs[0] = 0;
  r->inputs[1] = 1;
  r->inputs[2] = 0;
  sampleInfoInit(&r->sampleInfo);
  oscSubDefaults(&r->subRecord, channel);
  r->displacement = 0.5f;
  r->amount = 0.5f;
  r->iterations = 2;
}

static float wrapPhase(float x) {
  if (!std::isfinite(x)) return 0.0f;
  float w = x - 1024.0f * std::floor(x / 1024.0f);
  return (w >= 0.0f && w < 1024.0f) ? w : 0.0f;
}

void oscSanitizeRecord(ChannelOscRecord* r) {
  if (!r) return;
  // Every float field by its row: ratios and increments, levels, the FM index and the grain fields
  // are kept finite and within what the pages can set.
  for (int f = 0; f < oscFieldCount; ++f) fieldLoad(oscFields[f], *oscFieldOf(r, f));
  r->phaseA = wrapPhase(r->phaseA);
  r->phaseB = wrapPhase(r->phaseB);
  if (r->type < 0 || r->type >= oscTypeCount) r->type = oscTypeSingle;
  if (r->freqMode < 0 || r->freqMode > 3) r->freqMode = oscFreqTrans;
  if (r->freqModeB < 0 || r->freqModeB > 3) r->freqModeB = oscFreqTrans;
  r->waveA = static_cast<std::int16_t>(r->waveA);
  r->waveB = static_cast<std::int16_t>(r->waveB);
  if (r->channel < 0 || r->channel > 3) r->channel = 0;
  r->auxSwitch = r->auxSwitch ? 1 : 0;
  r->on = r->on ? 1 : 0;
  r->bandLimited = r->bandLimited ? 1 : 0;
  r->phaseReset = r->phaseReset ? 1 : 0;
  if (r->numVoices < 1 || r->numVoices > 8) r->numVoices = 1;
  for (std::int16_t& in : r->inputs)
    if (in < -1 || in >= oscAudioInputCount) in = -1;
  // Above 7 still renders 7 layers (the stored value scales the pitch pull); only nonsense is cut.
  r->iterations = numClamp<std::int32_t>(r->iterations, 1, 1024);
  sampleInfoSanitize(&r->sampleInfo);
  OscSubRecord& s = r->subRecord;
  s.count = numClamp<std::int32_t>(s.count, 1, 8);  // grains 1..8
}
