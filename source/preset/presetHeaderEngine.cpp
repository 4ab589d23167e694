// The preset header of the engine's playing patch: the Main page's accessors and the copy between a
// preset and the engine.
#include <cstring>

#include "engine/engine.h"
#include "engine/panLevelRuntime.h"
#include "preset/editBlock.h"
#include "preset/presetHeader.h"

namespace {
PatchHeader* playing(Engine* engine) { return engine ? engineGetPatchHeader(engine) : nullptr; }
}  // namespace

std::int16_t patchGetPolyphony(Engine* engine) {
  PatchHeader* h = playing(engine);
  return h ? static_cast<std::int16_t>(h->polyphony) : 4;
}

void patchSetPolyphony(Engine* engine, std::int32_t n) {
  PatchHeader* h = playing(engine);
  if (!h || n < 1 || n > 64) return;
  engineStopAudio(engine, 1);
  h->polyphony = static_cast<std::uint16_t>(n);
  engineApplyPatchChange(engine, 1);
}

float patchGetGain(Engine* engine) {
  PatchHeader* h = playing(engine);
  return h ? h->gain : 0.0f;
}

void patchSetGain(Engine* engine, float gain) {
  if (!playing(engine)) return;
  PatchHeader* copy = editBeginPatchHeader(engine);
  if (!copy) return;
  patchHeaderSetGain(copy, gain);
  editCommit(engine, editKindHeader, 0);
}

double patchGetTranspose(Engine* engine) {
  PatchHeader* h = playing(engine);
  return h ? patchHeaderGetTranspose(h) : 0.0;
}

void patchSetTranspose(Engine* engine, double semitones) {
  if (!playing(engine)) return;
  PatchHeader* copy = editBeginPatchHeader(engine);
  if (!copy) return;
  patchHeaderSetTranspose(copy, semitones);
  engineRetuneVoices(engine);
  editCommit(engine, editKindHeader, 0);
}

float patchGetPan(Engine* engine) {
  PatchHeader* h = playing(engine);
  return h ? h->pan : 0.0f;
}

void patchSetPan(Engine* engine, float pan) {
  if (!playing(engine)) return;
  PatchHeader* copy = editBeginPatchHeader(engine);
  if (!copy) return;
  patchHeaderSetPan(copy, pan);
  editCommit(engine, editKindHeader, 0);
  engineBuildPanCurve(engine, playing(engine)->pan);
}

void patchGetName(Engine* engine, char* out) { patchHeaderGetName(playing(engine), out); }

void patchSetName(Engine* engine, const char* text) {
  if (!playing(engine)) return;
  PatchHeader* copy = editBeginPatchHeader(engine);
  if (!copy) return;
  patchHeaderSetName(copy, text);
  editCommit(engine, editKindHeader, 0);
}

void patchHeaderCopy(Engine* engine, const PatchHeader* source, PatchHeader* destination, std::int16_t slot,
                     std::uint8_t intoEngine) {
  if (!source || !destination) return;
  if (source != destination) std::memcpy(destination, source, sizeof *destination);
  destination->slot = slot;
  destination->name[patchNameLength] = 0;
  if (engine) engineBuildPanCurve(engine, destination->pan);
  if (intoEngine && destination->stageCounts[3] > 1) destination->stageCounts[3] = 3;
}
