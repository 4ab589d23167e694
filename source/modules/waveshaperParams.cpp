// Accessors of the waveshaper (user-interface thread).
#include <cmath>

#include "engine/engine.h"
#include "engine/valueFormat.h"
#include "modules/waveshaper.h"
#include "preset/editBlock.h"
#include "preset/fieldTables.h"

namespace {

// Changes one field of the edit copy and commits it (editKindWaveshaper, index 0, one undo step).
template <class Change>
void edit(Engine* engine, Change change) {
  if (!engine) return;
  WaveshaperRecord* copy = editBeginWaveshaper(engine);
  if (!copy) return;
  change(*copy);
  editCommit(engine, editKindWaveshaper, 0);
}

// A gain that overflows (or is no number) is refused: the field keeps its value.
float gainFromDb(int field, double db, float current) {
  const double g = db6ToGain(db);
  return std::isfinite(g) ? fieldSetFloat(waveshaperFields[field], g, current) : current;
}

}  // namespace

std::uint8_t waveshaperIsOn(Engine* engine) { return engine ? engine->waveshaper.on : 0; }

void waveshaperSetOn(Engine* engine, std::uint8_t on) {
  if (engine) engine->waveshaper.on = on ? 1 : 0;
}

std::uint8_t waveshaperIsPostMix(Engine* engine) { return engine ? engine->waveshaper.postMix : 0; }

void waveshaperSetPostMix(Engine* engine, std::uint8_t postMix) {
  edit(engine, [&](WaveshaperRecord& r) { r.postMix = postMix ? 1 : 0; });
}

double waveshaperGetInGainDb(Engine* engine) { return gainToDb6(engine ? engine->waveshaper.inGain : 0.0); }

void waveshaperSetInGainDb(Engine* engine, double db) {
  edit(engine, [&](WaveshaperRecord& r) { r.inGain = gainFromDb(waveshaperFieldInGain, db, r.inGain); });
}

double waveshaperGetOutGainDb(Engine* engine) { return gainToDb6(engine ? engine->waveshaper.outGain : 0.0); }

void waveshaperSetOutGainDb(Engine* engine, double db) {
  edit(engine, [&](WaveshaperRecord& r) { r.outGain = gainFromDb(waveshaperFieldOutGain, db, r.outGain); });
}

std::int32_t waveshaperGetWave(Engine* engine) { return engine ? engine->waveshaper.wave : 0; }

void waveshaperSetWave(Engine* engine, std::int32_t wave) {
  edit(engine, [&](WaveshaperRecord& r) { r.wave = static_cast<std::int16_t>(wave); });
}

double waveshaperGetPhase(Engine* engine) { return engine ? engine->waveshaper.phase : 0.0; }

void waveshaperSetPhase(Engine* engine, double phase) {
  edit(engine, [&](WaveshaperRecord& r) {
    if (std::isfinite(phase)) r.phase = fieldSetFloat(waveshaperFields[waveshaperFieldPhase], phase, r.phase);
  });
}
