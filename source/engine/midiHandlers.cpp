// The handlers of the status-byte table: note on and off (with the mono note stack), controllers,
// program change, channel pressure and pitch bend. Audio thread, inside midiDispatchDue.
#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "engine/midiQueue.h"
#include "engine/numeric.h"
#include "engine/recorderHook.h"
#include "engine/voice.h"

namespace {

int asSigned(std::uint16_t v) { return static_cast<std::int16_t>(v); }
bool monoMode(const Engine* engine) { return engine->polyphony == 1; }
int voiceLimit(const Engine* engine) {
  return engine->polyphony > engineMaxVoices ? engineMaxVoices : engine->polyphony;
}

void monoPush(MidiState& m, std::int16_t note) {
  int i = 0;
  while (i < 10 && m.monoStack[i] != note && m.monoStack[i] != -1) ++i;
  for (int k = i; k > 0; --k) m.monoStack[k] = m.monoStack[k - 1];
  m.monoStack[0] = note;
}

void monoRemove(MidiState& m, std::int16_t note) {
  int p = -1;
  for (int i = 0; i < midiMonoSlots; ++i)
    if (m.monoStack[i] == note) {
      p = i;
      break;
    }
  if (p >= 0 && p < 10)
    for (int i = p; i < 10; ++i) m.monoStack[i] = m.monoStack[i + 1];
  m.monoStack[10] = -1;
}

// The voice a note-off ends: the oldest held voice of the note, else a parked voice waiting to play
// it, else the voice the note last started.
std::int16_t noteOffVoice(Engine* engine, std::int16_t note) {
  std::int16_t best = -1;
  std::uint32_t bestAge = 0;
  const int limit = voiceLimit(engine);
  for (int v = 0; v < limit; ++v) {
    const Voice& voice = engine->voices[v];
    if (voice.note != note || voice.state < voiceStateSounding) continue;
    if (best < 0 || voice.age >= bestAge) {
      best = static_cast<std::int16_t>(v);
      bestAge = voice.age;
    }
  }
  if (best >= 0) return best;
  for (int i = voicePendingEntries - 1; i >= 0; --i) {
    const std::int16_t v = engine->voicePool.pendingStart[i];
    if (v >= 0 && v < engineMaxVoices && engine->voices[v].note == note) return v;
  }
  return engine->midi.noteVoice[note];
}

}  // namespace

void midiOnIgnore(Engine*, MidiEvent*) {}

void midiOnNoteOn(Engine* engine, MidiEvent* event) {
  if (!engine || !event) return;
  const std::int16_t note = static_cast<std::int16_t>(numClamp<int>(asSigned(event->data1), 0, 127));
  const std::int16_t velocity = static_cast<std::int16_t>(numClamp<int>(asSigned(event->data2), 0, 127));
  if (velocity == 0) {
    midiOnNoteOff(engine, event);
    return;
  }
  const std::int16_t voice = voiceAllocate(engine);
  if (voice < 0) return;
  switch (engine->voices[voice].state) {
    case voiceStateStolen:
      voicePark(engine, voice, static_cast<std::uint16_t>(note), static_cast<std::uint16_t>(velocity));
      break;
    case voiceStateSounding:
    case voiceStateMonoReleased: voiceNoteOn(engine, voice, static_cast<std::uint16_t>(note), velocity, 0); break;
    case voiceStateMonoHeld: voiceNoteOn(engine, voice, static_cast<std::uint16_t>(note), velocity, 1); break;
    default: break;
  }
  MidiState& m = engine->midi;
  midiSetNoteVoice(&m, note, voice);
  if (monoMode(engine)) monoPush(m, note);
  if (m.noteOnCount[note] < 0xFFFF) ++m.noteOnCount[note];
  recStartOnNote();
  m.lastNote = note;
}

void midiOnNoteOff(Engine* engine, MidiEvent* event) {
  if (!engine || !event) return;
  const int raw = asSigned(event->data1);
  if (raw < 0 || raw > 127) return;
  const std::int16_t note = static_cast<std::int16_t>(raw);
  MidiState& m = engine->midi;
  const bool mono = monoMode(engine);
  if (mono) monoRemove(m, note);
  if (m.noteOnCount[note] > 0) --m.noteOnCount[note];

  const std::int16_t voice = noteOffVoice(engine, note);
  if (voice >= 0 && voice < engineMaxVoices) {
    Voice& v = engine->voices[voice];
    if (v.note == note) {
      if (mono && m.monoStack[0] >= 0) {
        // Back to the most recent key still held, legato. The voice leaves its list first, so the
        // note start does not append it a second time.
        VoiceList* list = voiceListForState(&engine->voicePool, v.state);
        if (list) voiceListRemove(engine, list, voice);
        if (v.state == voiceStateSounding || v.state == voiceStateSustained || v.state == voiceStateReleased)
          v.state = voiceStateMonoHeld;
        voiceNoteOn(engine, voice, static_cast<std::uint16_t>(m.monoStack[0]), static_cast<std::int16_t>(v.keyVelocity),
                    1);
      } else {
        voiceRelease(engine, voice);
      }
    }
    midiSetNoteVoice(&m, note, -1);
  }

  if (m.noteOnCount[note] == 0) {
    for (int i = 0; i < voiceLimit(engine); ++i) {
      const Voice& v = engine->voices[i];
      if (v.note == note && (v.state >= voiceStateSounding || v.state < voiceStateFree))
        voiceRelease(engine, static_cast<std::int16_t>(i));
    }
  }
}

void midiOnController(Engine* engine, MidiEvent* event) {
  if (!engine || !event) return;
  const std::int16_t controller = static_cast<std::int16_t>(numClamp<int>(asSigned(event->data1), 0, 127));
  const std::int16_t value = static_cast<std::int16_t>(numClamp<int>(asSigned(event->data2), 0, 127));
  MidiState& m = engine->midi;
  m.controllers[controller] = value;
  if (controller == 64) m.sustain = value;
  lfoControllerTrigger(engine, controller, value);
  if (controller == 123) voiceAllNotesOff(engine);
  m.controllerChanged = 1;
}

void midiOnProgramChange(Engine* engine, MidiEvent* event) {
  if (!engine || !event) return;
  const int program = asSigned(event->data1);
  if (program < 0 || program > 127) return;
  engine->requestedProgram = static_cast<std::int16_t>(program);
  engine->lastProgramChange = static_cast<std::int16_t>(program);
}

void midiOnChannelPressure(Engine* engine, MidiEvent* event) {
  if (!engine || !event) return;
  engine->midi.channelPressure = static_cast<std::uint16_t>(numClamp<int>(asSigned(event->data1), 0, 127));
  engine->midi.controllerChanged = 1;
}

void midiOnPitchBend(Engine* engine, MidiEvent* event) {
  if (!engine || !event) return;
  const int coarse = numClamp<int>(asSigned(event->data2), 0, 127);
  engine->controllers.bendFactor = ccMapBendFactor(&engine->controllers, coarse);
  engine->midi.pitchBend = static_cast<std::uint16_t>(coarse == 127 ? 128 : coarse);
  engine->midi.controllerChanged = 1;
}
