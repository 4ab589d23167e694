// Accessors of the channel modulators (user-interface thread).
#include <cmath>

#include "engine/engine.h"
#include "engine/valueFormat.h"
#include "modules/modulator.h"
#include "preset/editBlock.h"
#include "preset/fieldTables.h"

namespace {

inline bool validChannel(std::int16_t c) { return c >= 0 && c < engineChannels; }

const ModulatorRecord* live(Engine* engine, std::int16_t channel) {
  return engine && validChannel(channel) ? &engine->modulators[channel] : nullptr;
}

// Changes one field of the edit copy and commits it (editKindModulator, one undo step).
template <class Change>
void edit(Engine* engine, std::int16_t channel, Change change) {
  if (!engine || !validChannel(channel)) return;
  ModulatorRecord* copy = editBeginModulator(engine, channel);
  if (!copy) return;
  change(*copy);
  editCommit(engine, editKindModulator, channel);
}

}  // namespace

std::uint8_t modulatorIsOn(Engine* engine, std::int16_t channel) {
  const ModulatorRecord* r = live(engine, channel);
  return r ? r->on : 0;
}

void modulatorSetOn(Engine* engine, std::int16_t channel, std::uint8_t on) {
  if (!engine || !validChannel(channel)) return;
  // Clearing the audio buffers and switching the routing are done with the audio stopped (unless the
  // caller has stopped it already, in which case it stays stopped).
  const bool running = !engine->paused.load();
  if (running) engineStopAudio(engine, 1);
  engine->modulators[channel].on = on ? 1 : 0;
  engineClearBuffers(engine);
  engineUpdateChannelFlags(engine);
  if (running) engineRestartAudio(engine);
}

std::uint16_t modulatorGetType(Engine* engine, std::int16_t channel) {
  if (!engine || !validChannel(channel)) return 0;
  const ModulatorRecord* r = editBeginModulator(engine, channel);  // commits a pending edit first
  return r ? r->type : 0;
}

void modulatorSetType(Engine* engine, std::int16_t channel, std::uint16_t type) {
  edit(engine, channel, [&](ModulatorRecord& r) {
    r.type =
        type == modulatorRingmod || type == modulatorFreqShift ? type : static_cast<std::uint16_t>(modulatorRingmod);
  });
}

std::int16_t modulatorGetFreqMode(Engine* engine, std::int16_t channel) {
  const ModulatorRecord* r = live(engine, channel);
  return r ? r->freqMode : 0;
}

void modulatorSetFreqMode(Engine* engine, std::int16_t channel, std::int16_t mode) {
  edit(engine, channel, [&](ModulatorRecord& r) { r.freqMode = mode; });
}

double modulatorGetFrequency(Engine* engine, std::int16_t channel) {
  const ModulatorRecord* r = live(engine, channel);
  if (!r) return 0.0;
  switch (r->freqMode) {
    case 0: return pitchRatioToSemis(r->ratio);
    case 1: return r->ratio;
    case 2: return pitchHzToNote(pitchIncToHz(r->increment));
    case 3: return pitchIncToHz(r->increment);
    default: return 0.0;
  }
}

void modulatorSetFrequency(Engine* engine, std::int16_t channel, double value) {
  edit(engine, channel, [&](ModulatorRecord& r) {
    double v;
    switch (r.freqMode) {
      case 0: v = pitchSemisToRatio(value); break;
      case 1: v = value; break;
      case 2: v = pitchNoteToInc(value); break;
      case 3: v = pitchHzToInc(value); break;
      default: return;
    }
    if (!std::isfinite(v) || std::fabs(v) > 1e30) return;  // a value that is no number stores nothing
    const int field = r.freqMode <= 1 ? modulatorFieldRatio : modulatorFieldIncrement;
    float* f = modulatorFieldOf(&r, field);
    *f = fieldSetFloat(modulatorFields[field], v, *f);
  });
}

std::int16_t modulatorGetWave(Engine* engine, std::int16_t channel) {
  const ModulatorRecord* r = live(engine, channel);
  return r ? r->wave : 0;
}

void modulatorSetWave(Engine* engine, std::int16_t channel, std::int16_t wave) {
  edit(engine, channel, [&](ModulatorRecord& r) { r.wave = wave; });
}

double modulatorGetBalance(Engine* engine, std::int16_t channel) {
  const ModulatorRecord* r = live(engine, channel);
  return r ? r->balance : 0.0;
}

void modulatorSetBalance(Engine* engine, std::int16_t channel, double value) {
  edit(engine, channel, [&](ModulatorRecord& r) {
    r.balance = fieldSetFloat(modulatorFields[modulatorFieldBalance], value, r.balance);
  });
}

double modulatorGetFeedback(Engine* engine, std::int16_t channel) {
  const ModulatorRecord* r = live(engine, channel);
  return r ? r->feedback : 0.0;
}

void modulatorSetFeedback(Engine* engine, std::int16_t channel, double value) {
  edit(engine, channel, [&](ModulatorRecord& r) {
    r.feedback = fieldSetFloat(modulatorFields[modulatorFieldFeedback], value, r.feedback);
  });
}

std::uint8_t modulatorGetShiftFlag(Engine* engine, std::int16_t channel) {
  const ModulatorRecord* r = live(engine, channel);
  return r ? r->shiftSwitch : 0;
}

void modulatorSetShiftFlag(Engine* engine, std::int16_t channel, std::uint8_t value) {
  edit(engine, channel, [&](ModulatorRecord& r) { r.shiftSwitch = value ? 1 : 0; });
}
