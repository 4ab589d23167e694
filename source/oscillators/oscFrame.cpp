// Oscillator frame: shared tables, the routine table by type, silence rule and the per-block entry.
#include "oscillators/oscFrame.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "oscillators/oscAudioIn.h"
#include "oscillators/oscDouble.h"
#include "oscillators/oscGranular.h"
#include "oscillators/oscRender.h"
#include "oscillators/oscSample.h"
#include "oscillators/oscSingle.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

float oscFractionRamp[256 + 65536];
float* const oscIndexRamp = oscFractionRamp + 256;
float oscGrainWindow[1024];
OscRenderRoutine OscRenderTable[8];
const float oscLfoNeutral = 1.0f;

const float* dspConstTable() { return oscFractionRamp; }

void oscBuildGrainWindow() {
  for (int i = 0; i < 1024; ++i)
    oscGrainWindow[i] = static_cast<float>((static_cast<double>(sineTable[(i + 768) & 1023]) + 1.0) * 0.5);
}

void oscDspInit() {
  for (int i = 0; i < 256; ++i) oscFractionRamp[i] = static_cast<float>(i * 0.00390625);
  for (int i = 0; i < 65536; ++i) oscIndexRamp[i] = static_cast<float>(i);
  oscBuildGrainWindow();
  for (int t = 0; t < 8; ++t) OscRenderTable[t] = oscRenderSilent;
  OscRenderTable[oscTypeSingle] = singleRender;
  OscRenderTable[oscTypeDouble] = oscRenderDouble;
  OscRenderTable[oscTypeFm] = oscRenderFm;
  OscRenderTable[oscTypeRingmod] = oscRenderRingmod;
  OscRenderTable[oscTypeFractalize] = oscRenderFractalize;
  OscRenderTable[oscTypeSample] = oscRenderSample;
  OscRenderTable[oscTypeGranular] = oscRenderGranular;
  OscRenderTable[oscTypeAudioIn] = oscRenderAudioIn;
}

// ---- helpers ----

float oscWrapPhaseSlow(double phase) {
  if (!std::isfinite(phase)) return 0.0f;
  double p = phase - 1024.0 * std::floor(phase / 1024.0);
  float f = static_cast<float>(p);
  if (!(f >= 0.0f) || f >= 1024.0f) f = 0.0f;
  return f;
}

int oscRecordUnit(const ChannelOscRecord* record, int channel) {
  if (record && record->channel >= 0 && record->channel < engineChannels) return record->channel;
  return numIndexOrZero<int>(channel, engineChannels);
}

// ---- per-block entry ----

bool oscVoiceSilent(Engine* engine, const ChannelOscRecord* record, std::int16_t voice) {
  if (engine->paused.load(std::memory_order_relaxed) || !record->on) return true;
  const std::int32_t s = engine->voices[voice].state;
  return s == 0 || s == 6;
}

void oscClearVoiceBuffer(Engine* engine, std::int16_t channel, std::int16_t voice, std::int16_t frames) {
  float* out = engine->voiceBuffers[channel][voice];
  if (!out) return;
  int lanes = engineGetVoiceBufferCount(engine, channel);
  if (lanes < 1) lanes = 1;
  std::memset(out, 0, sizeof(float) * static_cast<std::size_t>(lanes) * static_cast<std::size_t>(frames));
}

void oscRenderSilent(Engine* engine, ChannelOscRecord*, std::int16_t channel, std::int16_t frames) {
  engine->voiceCursor = -1;
  std::int16_t v;
  while ((v = engineNextActiveVoice(engine)) >= 0) oscClearVoiceBuffer(engine, channel, v, frames);
}

// ---- shared set-up of the two-wave unison oscillators ----

bool oscUnisonBegin(OscUnisonBlock* block, Engine* engine, ChannelOscRecord* record, std::int16_t channel,
                    std::int16_t frames, bool allowBandLimited) {
  if (!engine || !record || channel < 0 || channel >= engineChannels || frames < 1 || frames > engineBlockMax)
    return false;
  block->engine = engine;
  block->record = record;
  block->channel = channel;
  block->frames = frames;
  int unison = record->numVoices;
  unison = numClamp(unison, 1, oscUnisonMax);
  block->unison = unison;
  block->scale = 2.0f / static_cast<float>(unison + 1);
  block->unit = oscRecordUnit(record, channel);
  block->bandLimited = allowBandLimited && record->bandLimited != 0;
  block->count = block->bandLimited ? 2 * frames : frames;
  block->spread = oscSpreadRatio(record);
  block->waveA = static_cast<std::int16_t>(record->waveA);
  block->waveB = static_cast<std::int16_t>(record->waveB);
  block->plainA = waveGet(engine, block->waveA)->samples;
  block->plainB = waveGet(engine, block->waveB)->samples;
  engine->voiceCursor = -1;
  return true;
}

OscVoiceState* oscNextVoice(Engine* engine, const ChannelOscRecord* record, std::int16_t channel, std::int16_t frames,
                            bool silenceRule, std::int16_t* voice, float** buffer) {
  std::int16_t v;
  while ((v = engineNextActiveVoice(engine)) >= 0) {
    float* b = engine->voiceBuffers[channel][v];
    if (!b) continue;
    if (silenceRule && oscVoiceSilent(engine, record, v)) {
      oscClearVoiceBuffer(engine, channel, v, frames);
      continue;
    }
    OscVoiceState* state = engineGetOscVoiceState(engine, channel, v);
    state->voiceIndex = v;  // the voice this state renders for (pitch, envelope, modulation row)
    *voice = v;
    *buffer = b;
    return state;
  }
  return nullptr;
}

bool oscUnisonNextVoice(const OscUnisonBlock* block, OscUnisonVoice* voice) {
  Engine* engine = block->engine;
  const ChannelOscRecord* record = block->record;
  std::int16_t v;
  float* buffer;
  while (OscVoiceState* state = oscNextVoice(engine, record, block->channel, block->frames, true, &v, &buffer)) {
    voice->voice = v;
    voice->buffer = buffer;
    voice->state = state;
    voice->mod = engine->modMultipliers[block->unit][v];
    voice->out = block->bandLimited ? engine->wavetables[block->unit].oversample : buffer;
    std::memset(voice->out, 0, sizeof(float) * static_cast<std::size_t>(block->count));
    voice->incA = oscVoicePitch(engine, record, state);
    voice->incB = oscVoicePitchB(engine, record, state);
    voice->depth = static_cast<double>(record->randTrans) * voice->mod[modRowUnisonRandTrans];
    voice->shiftA = 2048.0 * voice->mod[modRowOscPhaseA] + record->phaseA - 1024.0;
    for (int k = 0; k < block->unison; ++k) voice->detune[k] = oscDoubleDetune(state, k, block->spread, voice->depth);
    return true;
  }
  return false;
}

void oscRenderAll(Engine* engine, std::int16_t frames) {
  if (!engine || frames < 1 || frames > engineBlockMax) return;
  engine->channelCursor = -1;
  std::int16_t ch;
  while ((ch = engineNextActiveChannel(engine)) >= 0) {
    ChannelOscRecord* record = engineGetChannel(engine, ch);
    const std::int32_t type = record->type;
    OscRenderRoutine routine = type >= 0 && type < 8 ? OscRenderTable[type] : nullptr;
    if (!routine) routine = oscRenderSilent;
    routine(engine, record, ch, frames);
  }
}
