#include "modules/moduleRender.h"

#include "engine/engine.h"
#include "modules/hilbertCoefs.h"

// Routine table by type code. The modulator kinds install themselves here as they are built; until
// then a modulator leaves its buffers as they are (it works in place).
typedef void (*ModuleRoutine)(Engine* engine, std::int16_t index, std::int16_t frames);

static ModuleRoutine modulatorRoutines[3];

void modulatorInstallRoutines() {
  for (auto& r : modulatorRoutines) r = nullptr;
  hilbertCoefsForRate(engineSampleRate());
}

void modulatorRenderAll(Engine* engine, std::int16_t frames) {
  if (!engine) return;
  for (std::int16_t c = 0; c < 3; ++c) {
    if (!engine->modulatorActive[c]) continue;
    const std::uint16_t type = engine->modulators[c].type;
    if (type > 0 && type < 3 && modulatorRoutines[type]) modulatorRoutines[type](engine, c, frames);
  }
}

void waveshaperRender(Engine* engine, std::int16_t frames, int post) {
  // The transfer curve comes with the waveshaper's own unit; until then the signal passes unchanged.
  (void)engine; (void)frames; (void)post;
}

