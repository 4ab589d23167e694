// The key display the pages draw as a keyboard (one changed flag and one set of changed bytes per
// reader), and the values of the MIDI sources as the controller runtime, envelopes and pages read them.
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/numeric.h"
#include "preset/midiSources.h"

namespace {

int setIndex(std::uint8_t set) { return set ? 1 : 0; }

void markKey(MidiState& m, int note, std::uint8_t down) {
  m.keyDisplayChanged[0] = m.keyDisplayChanged[1] = 1;
  m.keyChanged[0][note] = m.keyChanged[1][note] = 1;
  m.keyDown[note] = down;
}

}  // namespace

void midiClearKeyDisplay(Engine* engine) {
  if (!engine) return;
  MidiState& m = engine->midi;
  m.keyDisplayChanged[0] = m.keyDisplayChanged[1] = 1;
  for (int n = 0; n < 128; ++n) {
    if (m.keyDown[n]) m.keyChanged[0][n] = m.keyChanged[1][n] = 1;
    m.keyDown[n] = 0;
  }
}

void midiProcessBlock(Engine* engine) {
  if (!engine) return;
  midiClearKeyDisplay(engine);
  MidiState& m = engine->midi;
  const bool pedalUp = midiGetSourceValue(engine, 64) < 1;
  const int limit = engine->polyphony > engineMaxVoices ? engineMaxVoices : engine->polyphony;
  for (int i = 0; i < limit; ++i) {
    const Voice& v = engine->voices[i];
    if (v.note < 0 || v.note > 127) continue;
    if (pedalUp ? v.keyVelocity == 0 : !v.active) continue;
    markKey(m, v.note, (v.state >= voiceStateSustained || v.state < voiceStateFree) ? 1 : 0);
  }
}

bool midiTakeNextChangedKey(Engine* engine, std::int16_t* key, std::uint16_t* value, std::uint8_t set) {
  if (!engine || !key || !value) return false;
  const int k = *key;
  // -1 starts a scan that includes key 0.
  if (k < -1 || k > 127) return false;
  MidiState& m = engine->midi;
  const int s = setIndex(set);
  for (int n = k + 1; n < 128; ++n) {
    if (!m.keyChanged[s][n]) continue;
    *key = static_cast<std::int16_t>(n);
    *value = m.keyDown[n] ? 127 : 0;
    m.keyChanged[s][n] = 0;
    return true;
  }
  *key = 127;
  return false;
}

std::uint8_t midiReadNoteFlag(Engine* engine, std::uint8_t set) {
  return engine ? engine->midi.keyDisplayChanged[setIndex(set)] : 0;
}

void midiClearChangeFlag(Engine* engine, std::uint8_t set) {
  if (engine) engine->midi.keyDisplayChanged[setIndex(set)] = 0;
}

std::int16_t midiGetSourceValue(Engine* engine, std::int16_t source) {
  if (!engine) return 0;
  const MidiState& m = engine->midi;
  int v = 0;
  if (source >= 0 && source <= 127)
    v = m.controllers[source];
  else if (source == midiSourcePressure)
    v = m.channelPressure;
  else if (source == midiSourcePitchBend)
    v = m.pitchBend;
  return static_cast<std::int16_t>(numClamp<int>(v, 0, 127));
}

std::int16_t midiVoiceSourceValue(Engine* engine, std::int16_t voice, std::int16_t source) {
  if (!engine) return 127;
  const MidiState& m = engine->midi;
  if (source >= 0 && source <= 127) return m.controllers[source];
  if (source == midiSourcePressure) return static_cast<std::int16_t>(m.channelPressure);
  if (source == midiSourcePitchBend) return static_cast<std::int16_t>(m.pitchBend);
  if ((source == midiSourceVelocity || source == midiSourceNote) && voice >= 0 && voice < engineMaxVoices)
    return source == midiSourceVelocity ? static_cast<std::int16_t>(engine->voices[voice].velocity)
                                        : engine->voices[voice].note;
  return 127;
}

bool midiTakeChanged(Engine* engine) {
  if (!engine) return false;
  const bool changed = engine->midi.controllerChanged != 0;
  engine->midi.controllerChanged = 0;
  return changed;
}

std::int16_t midiGetLastNote(Engine* engine) { return engine ? engine->midi.lastNote : 60; }
std::int16_t midiGetGlideFromNote(Engine* engine) { return engine ? engine->midi.glideSourceNote : 0; }

void midiSetGlideFromNote(Engine* engine, std::uint16_t note) {
  if (engine && note <= 127) engine->midi.glideSourceNote = static_cast<std::int16_t>(note);
}

void midiSetNoteVoice(MidiState* queue, std::int16_t note, std::int16_t voice) {
  if (!queue || note < 0 || note > 127 || voice < -1 || voice > 63) return;
  queue->noteVoice[note] = voice;
}
