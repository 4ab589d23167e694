// A real engine with one voice playing on channel 0, rendered through the oscillator entry alone:
// the envelope of the voice holds (sustain) unless a test sets it otherwise.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscRender.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

inline double noteIncrement(double note) {  // at 44,100 Hz
  return std::pow(1.0594630964, note) * 8.175798 * 0.023219954648526078;
}

struct OscRig {
  Engine* engine = nullptr;
  ChannelOscRecord* record = nullptr;

  explicit OscRig(float rate = 44100.0f) {
    presetWavesInit();
    engineCfgInitDefaults();
    engineCfgSetRate(rate);
    engine = engineCreate();
    oscDspInit();
    engine->paused.store(0);
    engine->polyphony = 4;
    engine->header.polyphony = 4;
    record = engineGetChannel(engine, 0);
    record->on = 1;
    record->type = oscTypeSingle;
    record->waveA = 0;  // the global sine
    engine->channelOn[0] = 1;
    engine->controllers.pitchFactor = 1.0f;
    engine->masterGain = 1.0f;
    for (VelocityEntry& e : engine->velocity.entries) e.value = 1.0f;
    for (NoteCurve& c : engine->noteCurves.curves)
      for (float& v : c.values) v = 1.0f;
  }
  ~OscRig() {
    engineDestroy(engine);
    engineCfgSetRate(44100.0f);
  }
  OscVoiceState* state(int voice = 0) { return engineGetOscVoiceState(engine, 0, static_cast<std::int16_t>(voice)); }
  EnvelopeInstance* envelope(int voice = 0) {
    return engineGetEnvelopeInstance(engine, 0, static_cast<std::int16_t>(voice));
  }

  // Starts a note on a voice: sounding, multipliers neutral, amplitude envelope holding.
  void startNote(int voice, int note, bool fullGain = true) {
    Voice& v = engine->voices[voice];
    v.state = 3;
    v.active = 1;
    v.note = static_cast<std::int16_t>(note);
    v.pitch = static_cast<float>(noteIncrement(note));
    v.glideRatio = 1.0f;
    resetModulation(voice);
    EnvelopeInstance* env = envelope(voice);
    env->state = 2;
    env->rampLength = 128.0f;
    // A non-zero gain factor makes a fresh start begin at the full amplitude (no attack ramp).
    state(voice)->gainFactor = fullGain ? 1.0f : 0.0f;
    oscVoiceStart(engine, 0, static_cast<std::int16_t>(voice), static_cast<std::int16_t>(note), 0);
  }
  void resetModulation(int voice) {
    for (int p = 0; p < engineModParams; ++p) engine->modMultipliers[0][voice][p] = 1.0f;
  }

  // Renders `total` frames of voice 0 in blocks of `block` frames (each into an exactly sized buffer).
  std::vector<float> render(int total, int block = 128, int voice = 0) {
    std::vector<float> out;
    out.reserve(total);
    while (static_cast<int>(out.size()) < total) {
      const int n = std::min(block, total - static_cast<int>(out.size()));
      std::vector<float> buffer(n, 0.0f);
      engine->voiceBuffers[0][voice] = buffer.data();
      if (envelope(voice)->state == 2) envelope(voice)->rampLength = static_cast<float>(n);
      oscRenderAll(engine, static_cast<std::int16_t>(n));
      engine->voiceBuffers[0][voice] = nullptr;
      out.insert(out.end(), buffer.begin(), buffer.end());
    }
    return out;
  }
};
