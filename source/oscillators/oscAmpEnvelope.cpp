#include "oscillators/oscAmpEnvelope.h"

#include "engine/engine.h"
#include "oscillators/oscFrame.h"
#include "preset/envelopeSlot.h"
#include "preset/oscRecord.h"

int oscWholeRamp(float length, int frames) {
  if (!(length > 0.0f)) return 0;
  if (length >= static_cast<float>(frames)) return frames;
  return static_cast<int>(length);
}

OscAmpEnvelope oscAmpEnvelopeOf(Engine* engine, const ChannelOscRecord* record, const OscVoiceState* state,
                                int frames) {
  OscAmpEnvelope a;
  a.unit = oscRecordUnit(record, 0);
  a.voice = state->voiceIndex;
  if (a.voice < 0 || a.voice >= engineMaxVoices) a.voice = 0;
  a.slot = engineGetEnvelopeSlot(engine, static_cast<std::int16_t>(a.unit));
  a.inst = engineGetEnvelopeInstance(engine, static_cast<std::int16_t>(a.unit), static_cast<std::int16_t>(a.voice));
  a.segState = a.inst->state;
  a.ramp = oscWholeRamp(a.inst->rampLength, frames);
  if (a.segState == 2 && a.slot && a.slot->mode == envModeControl) a.ramp = frames;
  return a;
}
