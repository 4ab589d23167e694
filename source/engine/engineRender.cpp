// The block render: one block of at most 128 frames in a fixed order of units, the per-voice
// bookkeeping, the output DC filter and the engine ramp; and the engine's initial state.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/envCompile.h"
#include "engine/envGen.h"
#include "engine/lfoRuntime.h"
#include "engine/midiQueue.h"
#include "engine/mix.h"
#include "engine/noteCurveRuntime.h"
#include "engine/numeric.h"
#include "engine/panLevelRuntime.h"
#include "engine/surround.h"
#include "engine/valueFormat.h"
#include "engine/velocityRuntime.h"
#include "engine/voice.h"
#include "modules/filterCombPool.h"
#include "modules/filterModule.h"
#include "modules/modulator.h"
#include "modules/moduleRender.h"
#include "modules/waveshaper.h"
#include "oscillators/oscRender.h"
#include "oscillators/oscVoiceState.h"
#include "preset/envelope.h"
#include "preset/sample.h"

// ---- Buffers and modulation ----

// Carves each active voice's channel and master runs from the pool, in the order channel 0 voices,
// channel 1 voices, channel 2 voices, master voices. Lane counts are 1..3 (a master count above 1
// takes three field lanes), so 64 voices of 128 frames need at most 12 x 8,192 floats of the pool's
// 99,840.
static void assignBuffers(Engine* engine, std::int16_t frames) {
  float* position = engine->pool;
  engine->channelCursor = -1;
  for (std::int16_t ch = engineNextActiveChannel(engine); ch >= 0; ch = engineNextActiveChannel(engine)) {
    const int run = engineGetVoiceBufferCount(engine, ch) * frames;
    engine->voiceCursor = -1;
    for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
      engine->voiceBuffers[ch][v] = position;
      position += run;
    }
  }
  const int run = mixMasterLanes(engine) * frames;
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    engine->masterBuffers[v] = position;
    position += run;
  }
}

static void clearBuses(Engine* engine, std::int16_t frames) {
  const int n = frames & ~7;  // eight at a time; 128 frames clear the whole bus
  for (auto& bus : engine->buses) std::memset(bus, 0, sizeof(float) * n);
}

static void setRow(float* row) {
  for (int p = 0; p < engineModParams; ++p) row[p] = 1.0f;
}

void engineResetModulation(Engine* engine) {
  if (!engine) return;
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    for (int u = 0; u < engineUnits; ++u) setRow(engine->modMultipliers[u][v]);
    for (int c = 0; c < engineChannels; ++c) {
      engine->panEntries[c][v].a = 0.0f;
      engine->panEntries[c][v].b = 0.0f;
    }
  }
  setRow(engine->modMultipliers[3][0]);
}

// ---- Master stage, output filter, engine ramp ----

void engineRenderMaster(Engine* engine, std::int16_t frames) {
  if (!engine) return;
  // The master filter's routine picks its lanes by the record's post-mix switch. Between a switch of
  // it and the next rebuild of the routing flags the two disagree: the filter then sits the blocks
  // out rather than run on a voice sum this block never made (its own stale output, fed back each
  // block until it overflows).
  const bool filterPostMix = engine->filters[3].postMix != 0;
  if (engine->waveshaperPerVoice) waveshaperRender(engine, frames, 0);
  if (engine->masterFilterPerVoice && !filterPostMix) filterRenderMaster(engine, frames);
  if (!engine->waveshaperPostMix && !engine->masterFilterPostMix) return;
  // The voice sum of the mix comes first; the after-the-mix stages then run once on it.
  engineSumVoices(engine, frames);
  if (engine->waveshaperPostMix) waveshaperRender(engine, frames, 1);
  if (engine->masterFilterPostMix && filterPostMix) filterRenderMaster(engine, frames);
}

void engineOutputFilterClamp(OutputFilterState* state) {
  if (!state) return;
  auto clamp = [](float x) { return numClampPassNaN(x, -0.99f, 0.99f); };
  state->y = clamp(state->y);
  state->u = clamp(state->u);
}

void engineOutputFilterReset(OutputFilterState* state) {
  if (!state) return;
  state->y = 0.0f;
  state->u = 0.0f;
}

// One-pole DC blocker with pole a and a 1e-24 guard: the state settles near 1.4e-21 on silence, far
// above the denormal range.
static void outputFilterBus(OutputFilterState* state, float* bus, std::int16_t frames) {
  const float a = 0.9992879f;
  const float g = 0.9996439f;
  const float e = 1e-24f;
  float y = state->y + e;
  float u = state->u + e;
  for (int n = 0; n < frames; ++n) {
    const float un = (bus[n] + e) * g;
    y = y * a + (e - u) + un;
    u = un;
    bus[n] = y;
  }
  state->y = y;
  state->u = u;
}

void engineOutputFilter(Engine* engine, std::int16_t frames) {
  if (!engine) return;
  outputFilterBus(&engine->outFilter[0], engine->buses[0], frames);
  outputFilterBus(&engine->outFilter[1], engine->buses[1], frames);
  if (engine->surround.fieldMode == 1) outputFilterBus(&engine->outFilter[2], engine->buses[2], frames);
}

// The engine side of the handshake's fade, on B0 and B1 (B2 is not ramped).
static void engineRamp(Engine* engine, std::int16_t frames) {
  const std::int16_t request = static_cast<std::int16_t>(engine->request.load());
  if (request <= 0) return;
  double gain = engine->engineRampGain.load();
  double factor = request == 1 ? 0.97272 : 1.02805;
  if (gain <= 0.001 || gain >= 1.0) factor = 1.0;
  for (int n = 0; n < frames; ++n) {
    engine->buses[0][n] *= static_cast<float>(gain);
    engine->buses[1][n] *= static_cast<float>(gain);
    if (gain > 0.001 && gain < 1.0) {
      gain = static_cast<float>(gain * factor);
    } else if (gain >= 1.0) {
      gain = 1.0;
    } else {
      gain = 0.0;
      factor = 1.0;
    }
  }
  engine->engineRampGain.store(static_cast<float>(gain));
}

// ---- One block ----

void engineRender(Engine* engine, std::int16_t frames) {
  if (!engine || frames < 1 || frames > engineBlockMax || !engine->pool) return;
  assignBuffers(engine, frames);

  // Read once: a stop that lands inside the block takes effect from the next block, and the
  // interface waits for this one to end before it changes anything.
  const bool paused = engine->paused.load() != 0;
  engine->renderedPaused = paused;
  if (paused) clearBuses(engine, frames);

  // Control units.
  voiceStartPending(engine);
  tempoAdvance(engine, frames);
  envRunControlDriven(engine);
  ccMapProcessBlock(engine);
  lfoRenderAll(engine, frames);
  engineResetModulation(engine);
  envRunGlobal(engine, frames);

  const std::uint16_t sustain = static_cast<std::uint16_t>(engine->midi.sustain);
  const std::int16_t glideMode = engine->controllers.glideMode;
  const float glideRate = engine->controllers.timeCoefficients[0];

  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    Voice& voice = engine->voices[v];
    voice.age += static_cast<std::uint32_t>(frames);
    if (voice.note < 0) {
      voice.active = 0;
    } else {
      // The pedal: released with the key up and the pedal just up, held with the pedal down.
      if (sustain == 0 && voice.keyVelocity == 0 && voice.state == voiceStateSustained)
        voiceRelease(engine, v);
      else if (sustain >= 1 && sustain <= 0x7FFF && voice.keyVelocity == 0 && voice.state == voiceStateSounding)
        voiceSustain(engine, v);
      if (glideMode > 0 && voice.glideRatio != 1.0f && glideRate != 1.0f) {
        const float r = voice.glideRatio;
        const float next = r + (1.0f - r) * glideRate * static_cast<float>(frames) * 0.0078125f;
        voice.glideRatio = std::fabs(1.0f - next) < 1e-24f ? 1.0f : next;
      }
    }
    envRunVoice(engine, v, frames);  // also for a voice just deactivated
  }

  if (paused) return;

  oscRenderAll(engine, frames);
  filterRenderAll(engine, frames);
  modulatorRenderAll(engine, frames);
  if (engineGetVoiceBufferCount(engine, 3) != 1)
    engineMixChannelsToVoices(engine, frames);
  else
    engineSumChannelsToVoices(engine, frames);
  engineRenderMaster(engine, frames);
  clearBuses(engine, frames);
  if (!engine->waveshaperPostMix && !engine->masterFilterPostMix)
    engineMixVoicesToBuses(engine, frames);
  else
    engineMixSumToBuses(engine, frames);
  engineOutputFilter(engine, frames);
  engineRamp(engine, frames);
  effectRender(engine, frames);
  engine->framesDone += static_cast<std::uint32_t>(frames);
}

// ---- Device ramp (audio thread, after the surround decode) ----

void engineOutputRamp(Engine* engine, float* out1, float* out2) {
  if (!engine) return;
  const std::uint16_t request = engine->request.load();
  const bool apply = engine->rampFlag.load() != 0;
  double gain = engine->deviceRampGain.load();
  double factor = request == 1 ? 0.97272 : 1.02805;
  if (request == 2 && engine->renderedPaused) {
    // A restart that landed while this block was rendered paused: the block is silent, so the
    // fade-in waits for the next one instead of rising over silence.
    for (int n = 0; n < engineBlockMax && apply; ++n) {
      if (out1) out1[n] *= static_cast<float>(gain);
      if (out2) out2[n] *= static_cast<float>(gain);
    }
    return;
  }
  bool ended = false;
  for (int n = 0; n < engineBlockMax; ++n) {
    if (apply) {
      if (out1) out1[n] *= static_cast<float>(gain);
      if (out2) out2[n] *= static_cast<float>(gain);
    }
    gain = static_cast<float>(gain * factor);
    if (!ended && (gain <= 0.001 || gain >= 1.0)) {
      ended = true;
      if (request == 1) {
        engine->paused.store(1);
        factor = 0.0;  // one more frame at the last gain, then silence
      } else {
        gain = 1.0;
        factor = 1.0;
      }
      // Clear only the request this block was serving; a new one from the interface stays.
      std::uint16_t expected = request;
      if (request != 0) engine->request.compare_exchange_strong(expected, 0);
    }
  }
  if (request == 0) return;  // idle: the gain stays at 1.0
  if (engine->request.load() == request)
    engine->deviceRampGain.store(static_cast<float>(gain));
  else
    engine->deviceRampGain.store(1.0f);
}

// ---- Tempo clock ----

void tempoAdvance(Engine* engine, std::int16_t frames) {
  if (engine) tempoAdvanceClock(&engine->header.tempo, frames);
}

void tempoSetBpm(Engine* engine, double bpm) {
  if (!engine) return;
  bpm = numClamp(bpm, 0.01, 1000.0);
  engine->header.tempo.presetTempo = bpm;
}

double tempoGetBpm(Engine* engine) { return engine ? engine->header.tempo.presetTempo : 120.0; }
double tempoGetSamplesPerBeat(Engine* engine) {
  return engine ? engine->header.tempo.samplesPerBeat : 0.5 * engineSampleRate();
}
double tempoGetSecondsPerBeat(Engine* engine) { return engine ? engine->header.tempo.secondsPerBeat : 0.5; }
double tempoGetRatio(Engine* engine) { return engine ? engine->header.tempo.tempoRatio : 1.0; }

// ---- Initial state ----

// Every state gets the oscillator's own defaults, its LFO links at the neutral constant among them
// (lfoBindVoices points them at the LFOs at the next rebuild).
static void initOscVoiceStates(Engine* engine, int channel, int voices) {
  for (int v = 0; v < voices; ++v) oscVoiceInit(engine, &engine->oscStates[channel][v], static_cast<std::int16_t>(v));
}

static void initModuleStates(Engine* engine, int voices) {
  for (int f = 0; f < 4; ++f)
    for (int v = 0; v < voices; ++v)
      for (int s = 0; s < engineLanesMax; ++s)
        filterVoiceInit(&engine->filterStates[f][v][s], static_cast<std::int16_t>(v));
}

void engineResetVoiceStates(Engine* engine) {
  if (!engine) return;
  int voices = engine->header.polyphony;
  if (voices > engineMaxVoices) voices = engineMaxVoices;
  for (int c = 0; c < engineChannels; ++c) initOscVoiceStates(engine, c, voices);
  initModuleStates(engine, voices);
  engineClearBuffers(engine);
}

void engineInitTables(Engine* engine) {
  if (!engine) return;
  effectPipeInit(&engine->effectPipe);
  effectCombInit(&engine->effectComb);
  effectTapInit(&engine->effectTap);
  effectEchoParamDefaults(&engine->effectEcho);
  effectRevParamDefaults(&engine->effectRev);
  effectRecompute(engine);
  for (int i = 0; i < 12; ++i) {
    panPositionInit(&engine->effectPanPositions[i]);
    panStateInit(&engine->effectPanStates[i], &engine->effectPanPositions[i]);
  }
}

void engineInitPreset(Engine* engine) {
  if (!engine) return;
  // 1 The engine stays paused until the next rebuild restarts it.
  engineStopAudio(engine, 1);

  // 2 Engine words.
  engine->polyphony = 0;
  engine->tempoPercent = 1.0;
  engine->outputGain = 0.25f;
  engine->masterGain = 1.0f;
  engine->blockLength = 128;
  for (auto& w : engine->clockWords) w = 0;
  engine->lastProgramChange = -1;
  engine->requestedProgram = -1;
  engine->presetModified = 0;
  engine->spareWord = 0;
  engine->headerChanged = 1;
  ++engine->soundSerial;  // another sound from here on
  engine->displayVoice = 0;
  for (auto& p : engine->speakerPeaks) p = 0.0f;
  for (auto& p : engine->inputPeaks) p = 0.0f;

  // 3, 4 Header defaults; voice-buffer counts 1.
  patchHeaderDefaults(&engine->header, -1);
  for (auto& n : engine->header.stageCounts) n = 1;
  for (int n = 0; n < 128; ++n) engine->noteFreq[n] = pitchNoteToInc(n);

  // 5 Audio inputs; the channels' samples are given back to the pool.
  std::memset(engine->inputs, 0, sizeof engine->inputs);
  sampleReleaseAll(engine);

  // 6 Channels.
  for (int c = 0; c < engineChannels; ++c) {
    oscInitRecord(engine, engine->channels[c], c);
    initOscVoiceStates(engine, c, engineMaxVoices);
  }

  // 7, 8 Filters, modulators, waveshaper.
  for (int f = 0; f < 4; ++f) filterInitRecord(&engine->filters[f], static_cast<std::int16_t>(f));
  initModuleStates(engine, engineMaxVoices);
  combBufferPoolClear(engine);
  for (int c = 0; c < engineChannels; ++c) modulatorInitRecord(&engine->modulators[c], static_cast<std::int16_t>(c));
  waveshaperInitRecord(&engine->waveshaper);
  std::memset(static_cast<void*>(engine->waveshaperStates), 0, sizeof engine->waveshaperStates);
  for (std::uint16_t v = 0; v < engineMaxVoices; ++v) {
    for (int l = 0; l < engineLanesMax; ++l) {
      for (int c = 0; c < engineChannels; ++c) modulatorVoiceInit(engine, &engine->modulatorStates[c][v][l], v);
      waveshaperVoiceInit(&engine->waveshaperStates[v][l], v);
    }
  }

  // 9 Effect records.
  engineInitTables(engine);

  // 10 Voices (the polyphony in force is 0 here: the lists start empty until the next rebuild).
  voicePoolInit(engine);
  engine->retriggerClock = 0.0;

  // 11 Controllers, note curves, velocity settings, pan gains.
  ccMapDefaults(&engine->controllers);
  engineLevelDefaults(engine);
  engineInitVoiceLevels(engine);
  noteCurvesInitEngine(engine);
  velocityDefaults(&engine->velocity);
  velocityBuildTables(engine);
  // The default pan gain is the equal-power fade at entry 511: sqrt(0.5 + 0.5 cos(pi x 511 / 1024)).
  const float centre = static_cast<float>(std::sqrt(0.5 + 0.5 * std::cos(3.14159265358979 * 511.0 / 1024.0)));
  for (auto& row : engine->panEntries)
    for (auto& e : row) e = PanEntry{0.0f, 0.0f, centre, centre};

  // 12 Pan positions and their per-voice states.
  for (int u = 0; u < engineUnits; ++u) {
    panPositionInit(&engine->panPositions[u]);
    for (auto& s : engine->panStates[u]) panStateInit(&s, &engine->panPositions[u]);
  }

  // 13 LFOs.
  for (int i = 0; i < 3; ++i) {
    lfoDefaults(&engine->lfos[i], static_cast<std::int16_t>(i));
    for (int v = 0; v < engineMaxVoices; ++v)
      lfoVoiceStateDefaults(&engine->lfoStates[i][v], static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(v));
  }

  // 14 Envelope slots and their instances.
  for (int s = 0; s < envSlotCount; ++s) {
    envInitSlot(&engine->envSlots[s], static_cast<std::int16_t>(s), envDestNone);
    for (int v = 0; v < engineMaxVoices; ++v)
      envInstanceInit(engine, static_cast<std::int16_t>(s), static_cast<std::int16_t>(v));
  }

  // 15 Preset waves: sine cycles, free for claiming; the two spare waves.
  char name[waveNameSize + 8];
  for (int i = 0; i < waveLocalCount; ++i) {
    std::snprintf(name, sizeof name, "preset %d", i);
    waveFill(&engine->presetWaves[i], static_cast<std::uint16_t>(i), waveBankLocal, waveStateFree, sineTable, name);
  }
  for (auto& w : engine->spareWaves) waveFill(&w, 0, waveBankLocal, waveStateFree, sineTable, "preset 0");

  // 16
  engine->spareWord = 0;
  midiReset(engine);
}
