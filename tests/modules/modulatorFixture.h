// An engine set up for the voice-path module tests (two-pole, band-pass and comb filters, channel
// modulators, waveshaper): no modulation, velocity and note-curve amounts of 1, voices whose channel
// and master buffers belong to the fixture, and block-wise runs of a signal through one entry.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/engineFixture.h"
#include "modules/filterModule.h"
#include "preset/wave.h"

class VoicePathEngine : public EngineFixture {
 protected:
  Engine*& e = engine;
  std::vector<float> buffers[engineMaxVoices];
  std::vector<float> masters[engineMaxVoices];
  int frames = 128;

  static void SetUpTestSuite() { presetWavesInit(); }

  void SetUp() override {
    EngineFixture::SetUp();
    if (HasFatalFailure()) return;
    neutralModulation();
    for (VelocityEntry& v : e->velocity.entries) v.value = 1.0f;
    for (NoteCurve& c : e->noteCurves.curves)
      for (float& x : c.values) x = 1.0f;
    e->controllers.pitchFactor = 1.0f;
    e->paused.store(0);  // a created engine waits for its first rebuild; these tests play at once
  }
  void neutralModulation() {
    for (auto& unit : e->modMultipliers)
      for (auto& row : unit)
        for (float& m : row) m = 1.0f;
  }

  // Channel c plays `voices` active voices with `lanes` lanes (channel and master path).
  void play(int c, int voices, int lanes) {
    e->polyphony = static_cast<std::uint16_t>(voices);
    e->header.polyphony = static_cast<std::uint16_t>(voices);
    e->channels[c]->on = 1;
    engineSetVoiceBufferCount(e, static_cast<std::int16_t>(c), static_cast<std::int16_t>(lanes));
    engineSetVoiceBufferCount(e, 3, static_cast<std::int16_t>(lanes));
    for (int v = 0; v < voices; ++v) {
      e->voices[v].active = 1;
      e->voices[v].state = 1;
      e->voices[v].pitch = static_cast<float>(e->noteFreq[60]);
      buffers[v].assign(static_cast<std::size_t>(lanes) * engineBlockMax, 0.0f);
      masters[v].assign(static_cast<std::size_t>(engineLanesMax) * engineBlockMax, 0.0f);
      e->voiceBuffers[c][v] = buffers[v].data();
      e->masterBuffers[v] = masters[v].data();
    }
    engineUpdateChannelFlags(e);
  }

  // Runs `signal` through `entry` in blocks: each block is copied into lane 0 of voice 0's buffer
  // (the channel buffer, or the master buffer when `master`), the entry runs, the block is copied back.
  std::vector<float> run(std::vector<float> signal, const std::function<void(int)>& entry, bool master = false) {
    for (std::size_t i = 0; i < signal.size(); i += frames) {
      const int n = static_cast<int>(std::min<std::size_t>(frames, signal.size() - i));
      float* lane = master ? masters[0].data() : buffers[0].data();
      std::memcpy(lane, signal.data() + i, sizeof(float) * n);
      entry(n);
      std::memcpy(signal.data() + i, lane, sizeof(float) * n);
    }
    return signal;
  }

  // A channel filter of type `type` on channel 0, one voice, started on note 60.
  FilterRecord& channelFilter(std::int16_t type) {
    play(0, 1, 1);
    FilterRecord& r = e->filters[0];
    r.on = 1;
    r.type = type;
    engineUpdateChannelFlags(e);
    return r;
  }
  // Fresh lane memory, then the voice start.
  void startFilter() {
    for (int s = 0; s < engineLanesMax; ++s) filterResetVoiceState(&e->filterStates[0][0][s]);
    filterVoiceStart(e, 0, 0, 60, 0);
  }
  std::vector<float> runFilter(const std::vector<float>& signal) {
    return run(signal, [&](int n) { filterRenderAll(e, static_cast<std::int16_t>(n)); });
  }
};

inline std::vector<float> sineOf(double hz, std::size_t count, double amplitude = 1.0, double rate = 44100.0) {
  std::vector<float> v(count);
  for (std::size_t i = 0; i < count; ++i)
    v[i] = static_cast<float>(amplitude * std::sin(2.0 * 3.14159265358979323846 * hz * i / rate));
  return v;
}

inline std::vector<float> tail(const std::vector<float>& v, std::size_t skip) {
  return std::vector<float>(v.begin() + static_cast<std::ptrdiff_t>(skip), v.end());
}
