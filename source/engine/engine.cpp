// Engine creation and destruction, the accessors, the stop and restart handshake seen from the
// user-interface thread, and the rebuild after a structural edit.
#include "engine/engine.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "engine/lfoRuntime.h"
#include "engine/midiQueue.h"
#include "engine/numeric.h"
#include "engine/surround.h"
#include "engine/voice.h"
#include "modules/filterCombPool.h"
#include "modules/filterModule.h"
#include "modules/moduleRender.h"
#include "os/osFile.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscRender.h"
#include "preset/envelope.h"
#include "preset/presetEngineState.h"
#include "preset/sample.h"
#include "preset/wave.h"
#include "uiSeams/msgBox.h"

// The handshake words are plain polled words: every one must be a lock-free atomic of its own size.
static_assert(std::atomic<std::uint16_t>::is_always_lock_free, "request word");
static_assert(std::atomic<std::uint8_t>::is_always_lock_free, "paused and ramp-flag bytes");
static_assert(std::atomic<float>::is_always_lock_free, "ramp gains");
static_assert(std::atomic<std::uint32_t>::is_always_lock_free, "audio block counter");

static std::atomic<bool> shuttingDown{false};

bool engineIsShuttingDown() { return shuttingDown.load(); }

// ---- Creation ----

// A wave whose samples changed: every channel playing it rebuilds its band-limited tables.
// The hook is program-wide: a bare engine record (no channel blocks linked) has nothing to rebuild.
static void rebuildForWave(Engine* engine, std::int16_t id) {
  if (engine && engine->channels[0]) oscRebuildForWave(engine, -1, id);
}

Engine* engineCreate() {
  // Value-initialised: every byte of the record starts at zero.
  Engine* engine = new (std::nothrow) Engine();
  if (!engine) return nullptr;

  engine->pool = new (std::nothrow) float[enginePoolFloats];
  const bool memoryOk = engine->pool && effectAllocMemory(&engine->effectMemory, engineEffectMemoryFloats) != 0;
  if (!memoryOk) {
    diagMessage("Morvane failed to allocate internal buffers");
    delete[] engine->pool;
    effectFreeMemory(&engine->effectMemory);
    delete engine;
    return nullptr;
  }
  std::memset(engine->pool, 0, sizeof(float) * enginePoolFloats);

  engine->framesDone = 0;
  std::memset(engine->combBuffers, 0, sizeof engine->combBuffers);

  for (int c = 0; c < engineChannels; ++c) {
    engine->channels[c] = &engine->channelBlocks[c].record;
    engine->oscStates[c] = engine->channelBlocks[c].voices;
    oscInitRecord(engine, engine->channels[c], c);
  }

  tuningBuildLibrary();  // the built-in tuning list, made here and never on the audio thread
  presetEngineStateInit(engine);
  engineInitPreset(engine);
  midiInit(engine);
  midiSetChannel(engine, -1, 1);

  oscDspInit();
  waveSetChangeRoutine(rebuildForWave);
  filterInstallRoutines();
  modulatorInstallRoutines();
  waveshaperSelectKernels();

  surroundBuildLayouts();
  surroundInitSettings(&engine->surround);

  engine->inputCount = 6;
  engine->outputCount = 8;
  return engine;
}

void engineDestroy(Engine* engine) {
  if (!engine) return;
  shuttingDown.store(true);
  delete[] engine->pool;
  engine->pool = nullptr;
  // Gives the channels' samples back to the pool and closes their display mappings; the application
  // frees the pool itself after this.
  sampleReleaseAll(engine);
  effectFreeMemory(&engine->effectMemory);
  delete engine;
  shuttingDown.store(false);
}

// ---- Accessors ----

static bool validChannel(std::int16_t c) { return c >= 0 && c < engineChannels; }
static bool validVoice(std::int16_t v) { return v >= 0 && v < engineMaxVoices; }

bool engineIsChannelEnabled(Engine* engine, std::int16_t channel) {
  if (!engine || !validChannel(channel)) return false;
  return engine->channels[channel]->on != 0;
}

PatchHeader* engineGetPatchHeader(Engine* engine) { return engine ? &engine->header : nullptr; }
VelocitySettings* engineGetVelocitySettings(Engine* engine) { return engine ? &engine->velocity : nullptr; }
NoteCurveSet* engineGetNoteCurveSet(Engine* engine) { return engine ? &engine->noteCurves : nullptr; }

ChannelOscRecord* engineGetChannel(Engine* engine, std::int16_t channel) {
  if (!engine) return nullptr;
  if (channel == engineEditIndex) return &engine->edit.osc;
  return engine->channels[validChannel(channel) ? channel : 0];
}

OscVoiceState* engineGetOscVoiceState(Engine* engine, std::int16_t channel, std::int16_t voice) {
  if (!engine) return nullptr;
  OscVoiceState* table = engine->oscStates[validChannel(channel) ? channel : 0];
  return &table[validVoice(voice) ? voice : 0];
}

FilterRecord* engineGetFilter(Engine* engine, std::int16_t index) {
  if (!engine) return nullptr;
  if (index == engineEditIndex) return &engine->edit.filter;
  return &engine->filters[numIndexOrZero<std::int16_t>(index, 4)];
}

static std::int16_t validLane(std::int16_t lane) { return numIndexOrZero<std::int16_t>(lane, engineLanesMax); }

FilterVoiceState* engineGetFilterVoiceState(Engine* engine, std::int16_t filter, std::int16_t voice,
                                            std::int16_t lane) {
  if (!engine) return nullptr;
  return &engine->filterStates[numIndexOrZero<std::int16_t>(filter, 4)][validVoice(voice) ? voice : 0][validLane(lane)];
}

ModulatorRecord* engineGetModulator(Engine* engine, std::int16_t channel) {
  if (!engine) return nullptr;
  if (channel == engineEditIndex) return &engine->edit.modulator;
  return &engine->modulators[validChannel(channel) ? channel : 0];
}

ModulatorVoiceState* engineGetModulatorVoiceState(Engine* engine, std::int16_t channel, std::int16_t voice,
                                                  std::int16_t lane) {
  if (!engine) return nullptr;
  return &engine->modulatorStates[validChannel(channel) ? channel : 0][validVoice(voice) ? voice : 0][validLane(lane)];
}

WaveshaperRecord* engineGetWaveshaper(Engine* engine) { return engine ? &engine->waveshaper : nullptr; }

WaveshaperVoiceState* engineGetWaveshaperVoiceState(Engine* engine, std::int16_t voice, std::int16_t lane) {
  if (!engine) return nullptr;
  return &engine->waveshaperStates[validVoice(voice) ? voice : 0][validLane(lane)];
}

ControllerSettings* engineGetControllerSettings(Engine* engine) { return engine ? &engine->controllers : nullptr; }
MidiState* engineGetMidiQueue(Engine* engine) { return engine ? &engine->midi : nullptr; }
Voice* engineGetVoice(Engine* engine, std::int16_t voice) { return &engine->voices[voice]; }
ChannelLevelBlock* engineGetLevelRecord(Engine* engine) { return engine ? &engine->levels : nullptr; }
VoiceLevelEntry* engineGetVoiceLevelEntry(Engine* engine, std::int16_t voice) { return &engine->voiceLevels[voice]; }
EffectPipeRecord* engineGetPipeEffect(Engine* engine) { return engine ? &engine->effectPipe : nullptr; }
EffectCombRecord* engineGetCombEffect(Engine* engine) { return engine ? &engine->effectComb : nullptr; }
EffectTapRecord* engineGetTapEffect(Engine* engine) { return engine ? &engine->effectTap : nullptr; }

std::int16_t engineNextActiveVoice(Engine* engine) {
  const std::int16_t limit =
      static_cast<std::int16_t>(engine->polyphony > engineMaxVoices ? engineMaxVoices : engine->polyphony);
  for (std::int16_t v = static_cast<std::int16_t>(engine->voiceCursor + 1); v < limit; ++v) {
    if (engine->voices[v].active) {
      engine->voiceCursor = v;
      return v;
    }
  }
  engine->voiceCursor = limit;
  return -1;
}

std::int16_t engineNextActiveChannel(Engine* engine) {
  for (std::int16_t c = static_cast<std::int16_t>(engine->channelCursor + 1); c < engineChannels; ++c) {
    if (engine->channels[c]->on) {
      engine->channelCursor = c;
      return c;
    }
  }
  engine->channelCursor = engineChannels;
  return -1;
}

EnvelopeInstance* engineGetEnvelopeInstance(Engine* engine, std::int16_t slot, std::int16_t voice) {
  return &engine->envInstances[slot][voice];
}
EnvelopeSlot* engineGetEnvelopeSlot(Engine* engine, std::int16_t slot) { return &engine->envSlots[slot]; }
Lfo* engineGetLfo(Engine* engine, std::int16_t lfo) { return &engine->lfos[lfo]; }
LfoVoiceState* engineGetLfoVoiceState(Engine* engine, std::int16_t lfo, std::int16_t voice) {
  return &engine->lfoStates[lfo][voice];
}

std::int16_t engineGetVoiceBufferCount(Engine* engine, std::int16_t index) {
  if (!engine || index < 0 || index > 3) return 1;
  const std::uint16_t n = engine->header.stageCounts[index];
  // The per-voice states hold three lanes: a count from a file is kept within 1..3.
  if (n < 1) return 1;
  return static_cast<std::int16_t>(n > engineLanesMax ? engineLanesMax : n);
}

void engineSetVoiceBufferCount(Engine* engine, std::int16_t index, std::int16_t count) {
  if (!engine || index < 0 || index > 3 || count <= 0) return;
  engine->header.stageCounts[index] = static_cast<std::uint16_t>(count > engineLanesMax ? engineLanesMax : count);
}

void engineSetBank(Engine* engine, Bank* bank) {
  if (engine) engine->bank = bank;
}
Bank* engineGetBank(Engine* engine) { return engine ? engine->bank : nullptr; }
EditBlock* engineGetEditBlock(Engine* engine) { return engine ? &engine->edit : nullptr; }

void engineSetTempoPercent(Engine* engine, double percent) {
  if (!engine) return;
  percent = numClamp(percent, 0.01, 16000.0);
  engine->tempoPercent = percent / 100.0;
}

double engineGetTempoPercent(Engine* engine) { return engine ? engine->tempoPercent * 100.0 : 100.0; }

void engineSetStartFlag(Engine* engine, std::uint16_t flag) {
  if (engine) engine->startFlag = flag;
}

void engineSetInputCount(Engine* engine, std::uint16_t count) {
  if (engine && count < 7) engine->inputCount = count;
}
std::uint16_t engineGetInputCount(Engine* engine) { return engine ? engine->inputCount : 0; }

void engineSetOutputCount(Engine* engine, std::uint16_t count) {
  if (engine && count < 9) engine->outputCount = count;
}
std::uint16_t engineGetOutputCount(Engine* engine) { return engine ? engine->outputCount : 0; }

// ---- The audio thread's block words ----

void engineAudioThreadBegin(Engine* engine) {
  if (engine) engine->audioRunning.store(1);
}

void engineAudioThreadEnd(Engine* engine) {
  if (!engine) return;
  engine->audioInBlock.store(0);
  engine->audioRunning.store(0);
}

void engineAudioBlockBegin(Engine* engine) {
  if (engine) engine->audioInBlock.store(1);
}

void engineAudioBlockEnd(Engine* engine) {
  if (!engine) return;
  engine->audioBlocks.fetch_add(1);
  engine->audioInBlock.store(0);
}

// Waits until no block that may have started before `paused` was set is still running. A block that
// begins after the paused word was written sees it and renders no module. Nothing to wait for when
// no audio thread runs.
static void awaitAudioIdle(Engine* engine) {
  if (!engine->audioRunning.load() || !engine->audioInBlock.load()) return;
  const std::uint32_t seen = engine->audioBlocks.load();
  while (engine->audioRunning.load() && engine->audioInBlock.load() && engine->audioBlocks.load() == seen) osSleepMs(1);
}

// ---- Stop and restart ----

// Waits that ended at their bound while an audio thread ran (the answer never came).
static std::atomic<int> g_handshakeMisses{0};

int engineHandshakeMisses() { return g_handshakeMisses.load(); }

void engineStopAudio(Engine* engine, std::uint8_t fade) {
  if (!engine || engine->paused.load()) return;
  engine->rampFlag.store(fade);
  engine->deviceRampGain.store(1.0f);
  engine->engineRampGain.store(1.0f);
  engine->request.store(1);
  if (engine->audioRunning.load()) {
    for (int i = 0; i < 16; ++i) {
      osSleepMs(16);
      if (engine->request.load() != 1) break;
    }
    if (engine->request.load() == 1) g_handshakeMisses.fetch_add(1);
  }
  // Whether or not the audio side answered: paused first, so a block starting now stays silent.
  engine->paused.store(1);
  engine->request.store(0);
  if (!engine->audioRunning.load()) engine->deviceRampGain.store(1.0f);
  awaitAudioIdle(engine);
  for (auto& state : engine->outFilter) engineOutputFilterReset(&state);
}

void engineRestartAudio(Engine* engine) {
  if (!engine) return;
  // The fade-in's start gains and request first, paused last: a block that started between them
  // would otherwise play at the gain the fade-out left (1.0), a click.
  engine->deviceRampGain.store(0.001f);
  engine->engineRampGain.store(0.001f);
  engine->request.store(2);
  engine->paused.store(0);
  if (engine->audioRunning.load()) {
    for (int i = 0; i < 16; ++i) {
      osSleepMs(16);
      if (engine->request.load() != 2) break;
    }
    if (engine->request.load() == 2) g_handshakeMisses.fetch_add(1);
  }
  engine->request.store(0);
  engine->rampFlag.store(0);
  if (!engine->audioRunning.load()) {
    // As if the audio side had finished the fade-in.
    engine->deviceRampGain.store(1.0f);
    engine->engineRampGain.store(1.0f);
  }
}

// ---- Rebuild ----

void engineClearBuffers(Engine* engine) {
  if (!engine) return;
  if (engine->pool) std::memset(engine->pool, 0, sizeof(float) * enginePoolFloats);
  std::memset(engine->mixScratch, 0, sizeof engine->mixScratch);
  std::memset(engine->inputs, 0, sizeof engine->inputs);
}

bool engineAnyChannelOn(Engine* engine) {
  if (!engine) return false;
  for (int c = 0; c < engineChannels; ++c)
    if (engine->channels[c]->on) return true;
  return false;
}

void engineUpdateChannelFlags(Engine* engine) {
  if (!engine) return;
  engine->waveshaperPerVoice = engine->waveshaperPostMix = 0;
  engine->masterFilterPerVoice = engine->masterFilterPostMix = 0;
  engine->effectOn = 0;
  const bool any = engineAnyChannelOn(engine);
  for (int c = 0; c < engineChannels; ++c) {
    const bool osc = engine->channels[c]->on != 0;
    engine->channelOn[c] = osc;
    engine->filterActive[c] = osc && engine->filters[c].on;
    engine->modulatorActive[c] = osc && engine->modulators[c].on;
  }
  if (!any) return;
  const WaveshaperRecord& ws = engine->waveshaper;
  engine->waveshaperPerVoice = ws.on && !ws.postMix;
  engine->waveshaperPostMix = ws.on && ws.postMix;
  const FilterRecord& master = engine->filters[3];
  engine->masterFilterPerVoice = master.on && !master.postMix;
  engine->masterFilterPostMix = master.on && master.postMix;
  engine->effectOn = effectIsOn(engine) != 0;
}

void engineUpdateOutputGain(Engine* engine) {
  if (!engine) return;
  const double polyphony = engine->header.polyphony > 0 ? engine->header.polyphony : 1;
  double g = (1.0 / polyphony) * engine->header.gain;
  if (g > 16.0) g = 16.0;
  engine->outputGain = static_cast<float>(g * 0.893992);
}

void engineApplyPatchChange(Engine* engine, std::uint8_t reinit) {
  if (!engine) return;
  const std::uint16_t inForce = engine->polyphony;
  std::uint16_t polyphony = engine->header.polyphony;
  polyphony = numClamp<std::uint16_t>(polyphony, 1, engineMaxVoices);
  engine->header.polyphony = polyphony;
  engineStopAudio(engine, 0);

  // A master count of 2 is raised to 3: the field path always writes three lanes per voice, so a
  // two-lane buffer would spill into the next voice's (the render also carves three lanes for it).
  if (engine->header.stageCounts[3] == 2) engine->header.stageCounts[3] = 3;

  if (polyphony != inForce) reinit = 1;
  if (reinit) engineResetVoiceStates(engine);

  filterVoicesInit(engine);
  // filterVoicesInit covers the first lane; the further lanes are reset alike.
  for (int f = 0; f < 4; ++f)
    for (int v = 0; v < engineMaxVoices; ++v)
      for (int s = 1; s < engineLanesMax; ++s) filterResetVoiceState(&engine->filterStates[f][v][s]);
  for (auto& state : engine->outFilter) engineOutputFilterClamp(&state);
  engineClearBuffers(engine);

  envSyncChannelOn(engine);
  envBindChannelSlots(engine);
  envRefreshUsedSlots(engine);
  engineUpdateOutputGain(engine);
  engine->polyphony = polyphony;
  combBufferAssign(engine);
  lfoBindVoices(engine);
  if (reinit) {
    voicePoolInit(engine);
    midiReset(engine);
  }

  engineClearBuffers(engine);
  effectReset(engine);
  engineUpdateChannelFlags(engine);
  engineRestartAudio(engine);
}

void engineRestart(Engine* engine) {
  if (!engine) return;
  engineStopAudio(engine, 1);
  effectReset(engine);
  // The stop above has cleared the output filter states; the rebuild restarts the audio, after which
  // only the audio thread may touch them.
  engineApplyPatchChange(engine, 1);
}

void engineRetuneVoices(Engine* engine) {
  if (!engine) return;
  const int limit = engine->polyphony > engineMaxVoices ? engineMaxVoices : engine->polyphony;
  for (int v = 0; v < limit; ++v) {
    Voice& voice = engine->voices[v];
    if (voice.note < 0 || voice.note > 127) continue;
    voice.pitch = static_cast<float>(engine->noteFreq[voice.note] * engine->header.transpose);
  }
}

// ---- Preset waves and envelope copies ----

std::int16_t engineClaimPresetWave(Engine* engine) {
  if (!engine) return -1;
  for (int i = 0; i < waveLocalCount; ++i) {
    WaveRecord& wave = engine->presetWaves[i];
    if (wave.state != waveStateFree) continue;
    wave.state = waveStateLocal;
    std::memset(wave.name, 0, sizeof wave.name);
    std::snprintf(wave.name, sizeof wave.name, "preset %d", i + 1);
    return static_cast<std::int16_t>(waveLocalIdBase + i);
  }
  return -1;
}

void engineCopyEnvelopeSlotEntry(Engine* engine, const EnvelopeSlot* source, EnvelopeSlot* target, std::int16_t slot,
                                 std::uint8_t fixLoop) {
  if (!source || !target) return;
  if (source != target) std::memcpy(static_cast<void*>(target), source, sizeof *target);
  if (!fixLoop) return;
  if (target->sustainIndex >= 0)
    target->releaseIndex = target->sustainIndex;
  else
    target->sustainIndex = target->releaseIndex;
  envHandshakeStore(target, envHandshakeRunning);
  if (engine && target->mode == envModeControl && slot >= 0 && slot < envSlotCount) envCompileIfControl(engine, slot);
}

void engineCopyEnvelopeSlot(Engine* engine, const EnvelopeSlot* source, EnvelopeSlot* target, std::int16_t slot,
                            std::uint8_t fixLoop, std::uint8_t keepDestination) {
  if (!source || !target) return;
  const EnvelopeSlot saved = *target;
  engineCopyEnvelopeSlotEntry(engine, source, target, slot, fixLoop);
  if (keepDestination) target->destination = saved.destination;
  target->owner = saved.owner;
  target->id = saved.id;
  target->homeIndex = saved.homeIndex;
  target->inUse = saved.inUse;
  target->allocated = saved.allocated;
}
