// The start of a note on a voice: velocity values, modulation sources, glide, pitch and the start of
// every unit of the voice (oscillator, filter and modulator of each channel, waveshaper, master
// filter), its pan gains and sound-field states; then the voice joins the sounding list.
#include <cmath>

#include "engine/engine.h"
#include "engine/envNote.h"
#include "engine/lfoRuntime.h"
#include "engine/numeric.h"
#include "engine/panLevelRuntime.h"
#include "engine/surround.h"
#include "engine/velocityRuntime.h"
#include "engine/voice.h"
#include "modules/filterModule.h"
#include "modules/modulator.h"
#include "modules/waveshaper.h"
#include "oscillators/oscFrame.h"

namespace {

// Glide ratio the new note starts with (factor on its pitch, moving toward 1.0 in the block render);
// 1.0 when there is no glide.
float glideStart(Engine* engine, const Voice& v, std::int16_t note, bool mono, bool legato) {
  const ControllerSettings& c = engine->controllers;
  const std::int16_t from = engine->midi.glideSourceNote;
  if (c.glideMode == 0 || c.timeCoefficients[0] == 1.0f || from <= 0) return v.glideRatio;
  const double target = voiceNotePitch(engine, note);
  if (!(target > 0.0)) return v.glideRatio;
  double ratio;
  const double current = static_cast<double>(v.pitch) * v.glideRatio / target;
  const double fromSource = voiceNotePitch(engine, from) / target;
  if (c.glideMode == 1) {
    ratio = mono ? current : fromSource;
  } else if (c.glideMode == 2) {
    if (!mono && voiceHeldCount(engine) > 0)
      ratio = fromSource;
    else if (mono && legato)
      ratio = current;
    else
      return v.glideRatio;
  } else {
    return v.glideRatio;
  }
  return std::isfinite(ratio) && ratio > 0.0 ? static_cast<float>(ratio) : 1.0f;
}

}  // namespace

void voiceNoteOn(Engine* engine, std::int16_t voice, std::uint16_t note, std::int16_t velocity, std::uint8_t legato) {
  if (!engine || voice < 0 || voice >= engineMaxVoices) return;
  Voice& v = engine->voices[voice];
  const std::int16_t n = static_cast<std::int16_t>(note > 127 ? 127 : note);
  const std::int16_t vel = static_cast<std::int16_t>(numClamp<int>(velocity, 0, 127));
  const bool mono = engine->polyphony == 1;

  // 1, 2 Velocity values, envelopes, LFOs.
  velocityNoteStart(engine, vel);
  envStartVoice(engine, voice, legato);
  lfoNoteOn(engine, voice, legato != 0);

  // 3 Voice words.
  v.keyVelocity = static_cast<std::uint16_t>(vel);
  v.velocity = static_cast<std::uint16_t>(vel);
  v.fadeCounter = 0;
  v.fadeGain = 1.0f;
  engine->displayVoice = static_cast<std::uint16_t>(voice);
  if (!legato) v.retriggerClock = 0.0;

  // 4, 5 Glide.
  if (!(mono && legato)) v.glideRatio = 1.0f;
  v.glideRatio = glideStart(engine, v, n, mono, legato != 0);

  // 6 Pitch.
  engine->midi.glideSourceNote = n;
  v.note = n;
  v.pitch = static_cast<float>(voiceNotePitch(engine, n));

  // 7 Units.
  for (std::int16_t ch = 0; ch < engineChannels; ++ch) {
    oscVoiceStart(engine, ch, voice, n, legato);
    filterVoiceStart(engine, ch, voice, n, legato);
    modulatorVoiceStart(engine, ch, voice, n, legato);
  }
  waveshaperVoiceStart(engine, 3, voice, n, legato);
  filterVoiceStart(engine, 3, voice, n, legato);

  // 8 Pan gains and sound-field states.
  for (std::int16_t ch = 0; ch < engineChannels; ++ch) engineSetVoicePan(engine, ch, voice);
  for (int u = 0; u < engineUnits; ++u) panStateReset(&engine->panStates[u][voice]);

  // 9, 10
  voiceClearPending(engine, voice);
  voiceSetSounding(engine, voice);
}
