#include "oscillators/oscRender.h"

#include <cstring>

#include "engine/engine.h"

typedef void (*OscRoutine)(Engine* engine, std::int16_t channel, std::int16_t voice, std::int16_t frames);

// One routine per oscillator type (0..7); an empty slot renders silence.
static OscRoutine oscRoutines[8];

void oscDspInit() {
  // The oscillator kinds install their routines here as they are built.
  for (auto& r : oscRoutines) r = nullptr;
}

void oscRenderAll(Engine* engine, std::int16_t frames) {
  if (!engine || engine->paused.load() || frames < 1 || frames > 128) return;
  for (std::int16_t ch = 0; ch < 3; ++ch) {
    if (!engine->channelOn[ch]) continue;
    const ChannelOscRecord* rec = engine->channels[ch];
    const std::int32_t type = rec->type;
    const std::int16_t lanes = engineGetVoiceBufferCount(engine, ch);
    for (std::int16_t v = 0; v < engine->polyphony && v < engineMaxVoices; ++v) {
      if (!engine->voices[v].active || !engine->voiceBuffers[ch][v]) continue;
      OscRoutine routine = (type >= 0 && type < 8) ? oscRoutines[type] : nullptr;
      if (routine) routine(engine, ch, v, frames);
      else std::memset(engine->voiceBuffers[ch][v], 0, sizeof(float) * lanes * frames);
    }
  }
}
