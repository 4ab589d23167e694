// Cost of one 128-frame engine block, as microseconds per block and as the share of the 2.9 ms a
// block lasts at 44.1 kHz.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>

#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/surround.h"
#include "modules/effectFrame.h"
#include "modules/effectRecords.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/threeUnitEffect.h"
#include "modules/waveshaper.h"
#include "preset/wave.h"

namespace {

using Clock = std::chrono::steady_clock;

// An engine at polyphony 64 with all three channels on, the master count 3 (every channel panned into
// the field), "7 Cinema" plus the LFE on eight outputs.
Engine* fieldEngine() {
  presetWavesInit();
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  if (!engine) return nullptr;
  engine->header.polyphony = 64;
  for (auto* channel : engine->channels) channel->on = 1;
  engineSetVoiceBufferCount(engine, 3, 3);
  surroundSetLfeOn(&engine->surround, 1);
  surroundSetModeAndClamp(&engine->surround, 10);
  engineApplyPatchChange(engine, 1);
  return engine;
}

// The audio client's sub-block: push the device MIDI, dispatch, render, decode to eight outputs, ramp.
void clientSubBlock(Engine* engine, float* const* outputs, const std::uint8_t* midi, int midiCount) {
  for (int i = 0; i < midiCount; ++i) midiQueuePushShort(&engine->midi, midi[3 * i], midi[3 * i + 1], midi[3 * i + 2]);
  engine->blockLength = 128;
  const bool dispatched = !engine->paused.load() && midiDispatchDue(engine, 128);
  engineRender(engine, 128);
  if (dispatched) midiProcessBlock(engine);
  surroundMix(engine, &engine->surround, engine->buses[0], outputs, 8, 0, engine->outputGain, 128);
  engineOutputRamp(engine, outputs[0], outputs[1]);
  if (engine->midi.sustain == 0) engine->midi.sustain = -1;
}

struct Outputs {
  float data[8][128] = {};
  float* ptr[8];
  Outputs() {
    for (int k = 0; k < 8; ++k) ptr[k] = data[k];
  }
};

void report(benchmark::State& state, double seconds, double worst) {
  const double perBlock = state.iterations() > 0 ? seconds / static_cast<double>(state.iterations()) : 0.0;
  const double blockSeconds = 128.0 / 44100.0;
  state.counters["us_per_block"] = perBlock * 1e6;
  state.counters["worst_us"] = worst * 1e6;
  state.counters["budget_fraction"] = perBlock / blockSeconds;
  state.counters["worst_budget_fraction"] = worst / blockSeconds;
}

// Times client sub-blocks of `engine` after one sub-block that strikes 64 notes (36..99), reports the
// block figures and the voices left sounding, and destroys the engine.
void timeChord64(benchmark::State& state, Engine* engine) {
  Outputs out;
  std::uint8_t notes[64 * 3];
  for (int v = 0; v < 64; ++v) {
    notes[3 * v] = 0x90;
    notes[3 * v + 1] = static_cast<std::uint8_t>(36 + v);
    notes[3 * v + 2] = 100;
  }
  clientSubBlock(engine, out.ptr, notes, 64);
  double worst = 0.0;
  const auto start = Clock::now();
  for (auto _ : state) {
    const auto t0 = Clock::now();
    clientSubBlock(engine, out.ptr, nullptr, 0);
    worst = std::max(worst, std::chrono::duration<double>(Clock::now() - t0).count());
    benchmark::DoNotOptimize(out.data[0][0]);
  }
  report(state, std::chrono::duration<double>(Clock::now() - start).count(), worst);
  int active = 0;
  for (const Voice& v : engine->voices) active += v.active ? 1 : 0;
  state.counters["active_voices"] = active;
  engineDestroy(engine);
}

// 64 sounding voices through the whole chain: three oscillators each, field panning per channel, the
// lane add onto the buses and the eight-output decode with the LFE.
void BM_Engine64VoicesFieldSevenPlusLfe(benchmark::State& state) {
  Engine* engine = fieldEngine();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  timeChord64(state, engine);
}

// A burst of 1,000 MIDI events in one sub-block at polyphony 64: note-ons (most of them steal), note-offs,
// pedal and all-notes-off; the figure that matters is the worst block.
void BM_EngineMidiBurst1000(benchmark::State& state) {
  Engine* engine = fieldEngine();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  Outputs out;
  std::mt19937 rng(7);
  std::uint8_t burst[1000 * 3];
  for (int i = 0; i < 1000; ++i) {
    const unsigned r = rng() % 100;
    std::uint8_t* e = burst + 3 * i;
    e[1] = static_cast<std::uint8_t>(24 + rng() % 80);
    e[2] = static_cast<std::uint8_t>(1 + rng() % 127);
    if (r < 70)
      e[0] = 0x90;
    else if (r < 95)
      e[0] = 0x80;
    else if (r < 99) {
      e[0] = 0xB0;
      e[1] = 64;
    } else {
      e[0] = 0xB0;
      e[1] = 123;
    }
  }
  double worst = 0.0;
  const auto start = Clock::now();
  for (auto _ : state) {
    const auto t0 = Clock::now();
    clientSubBlock(engine, out.ptr, burst, 1000);
    worst = std::max(worst, std::chrono::duration<double>(Clock::now() - t0).count());
    benchmark::DoNotOptimize(out.data[0][0]);
  }
  report(state, std::chrono::duration<double>(Clock::now() - start).count(), worst);
  state.counters["dropped"] = static_cast<double>(midiDroppedCount(engine));
  engineDestroy(engine);
}

// The engine and module side of the worst case: 64 voices of three "Single" channels on the field path
// (7 speakers and the LFE), each channel through "LPF 8 pole" and a "Freq Shift" modulator, the
// master filter "LPF 8 pole" and the waveshaper per voice, the three-unit effect in "Synthetic" with
// every unit and the early taps. The oscillators are the cheapest kind here, so the figure is mostly
// the modules' own cost.
void BM_EngineModulesWorstCase(benchmark::State& state) {
  Engine* engine = fieldEngine();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  for (std::int16_t f = 0; f < 4; ++f) {
    filterSetOn(engine, f, 1);
    filterSetType(engine, f, filterLpf8Pole);
    filterSetResonance(engine, f, 0.6);
    filterSetFrequency(engine, f, 1500.0);
  }
  for (std::int16_t c = 0; c < 3; ++c) {
    modulatorSetOn(engine, c, 1);
    modulatorSetType(engine, c, modulatorFreqShift);
  }
  waveshaperSetOn(engine, 1);
  for (int u = 0; u < 3; ++u) {
    effectRevSetUnitOn(engine, u, 1);
    effectRevSetUnitMode(engine, u, revModeSynthetic);
  }
  effectRevSetEarlyTapsOn(engine, 1);
  effectSetType(engine, effectRev);
  effectSetOn(engine, 1);
  engineApplyPatchChange(engine, 1);
  timeChord64(state, engine);
}

void runEngineBlocks(benchmark::State& state, int activeVoices) {
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  engine->header.polyphony = 64;
  engineApplyPatchChange(engine, 1);
  for (int v = 0; v < activeVoices; ++v) {
    engine->voices[v].active = 1;
    engine->voices[v].note = 60;
  }
  for (auto* channel : engine->channels) channel->on = 1;
  engineUpdateChannelFlags(engine);
  float out1[128] = {}, out2[128] = {};
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    engineRender(engine, 128);
    engineOutputRamp(engine, out1, out2);
    benchmark::DoNotOptimize(engine->buses[0][0]);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double perBlock = state.iterations() > 0 ? seconds / static_cast<double>(state.iterations()) : 0.0;
  const double blockSeconds = 128.0 / 44100.0;  // 2.9 ms
  state.counters["us_per_block"] = perBlock * 1e6;
  state.counters["budget_fraction"] = perBlock / blockSeconds;
  engineDestroy(engine);
}

void BM_EngineRenderIdle(benchmark::State& state) { runEngineBlocks(state, 0); }
void BM_EngineRender64Voices(benchmark::State& state) { runEngineBlocks(state, 64); }

}  // namespace

BENCHMARK(BM_EngineRenderIdle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineRender64Voices)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine64VoicesFieldSevenPlusLfe)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineMidiBurst1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineModulesWorstCase)->Unit(benchmark::kMicrosecond);
