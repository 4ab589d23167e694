#include "preset/presetHeader.h"

#include <cmath>
#include <cstring>

#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "preset/fieldTables.h"

void patchHeaderDefaults(PatchHeader* header, std::int16_t program) {
  if (!header) return;
  if (program >= -1 && program <= 127) header->slot = program;
  patchHeaderSetPolyphony(header, 4);
  patchHeaderSetGain(header, static_cast<float>(db6ToGain(0.001)));
  header->transpose = static_cast<float>(pitchSemisToRatio(0.0));
  patchHeaderSetPan(header, 0.5f);
  header->length = 88200.0;
  header->beats = 4.0f;
  header->tuning = 0;
  patchHeaderSetName(header, "default");
  for (std::uint16_t& c : header->stageCounts) c = 1;
  for (int c = 0; c < 3; ++c) {
    header->channelPan[c] = 0.5f;
    header->pairFirst[c] = 0.0f;
    header->pairSecond[c] = 0.0f;
  }
  tempoInitRecord(&header->tempo);
}

std::int16_t patchHeaderGetPolyphony(const PatchHeader* header) {
  return header ? static_cast<std::int16_t>(header->polyphony) : 4;
}

void patchHeaderSetPolyphony(PatchHeader* header, std::int32_t n) {
  if (!header) return;
  header->polyphony = static_cast<std::uint16_t>(numClamp<std::int32_t>(n, 1, 64));
}

float patchHeaderGetGain(const PatchHeader* header) { return header ? header->gain : 0.0f; }

void patchHeaderSetGain(PatchHeader* header, float x) {
  if (!header) return;
  if (!(x >= 1e-24f)) x = 0.0f;  // NaN too
  if (x > 16.0f) x = 16.0f;
  header->gain = x;
}

double patchHeaderGetTranspose(const PatchHeader* header) {
  return header ? pitchRatioToSemis(header->transpose) : 0.0;
}

// A ratio beyond ten octaves is held there; a value that is no number is refused (it used to store a
// NaN or infinite ratio that a saved bank then read back as 1).
void patchHeaderSetTranspose(PatchHeader* header, double semitones) {
  if (header)
    header->transpose =
        fieldSetFloat(headerFields[headerFieldTranspose], pitchSemisToRatio(semitones), header->transpose);
}

float patchHeaderGetPan(const PatchHeader* header) { return header ? header->pan : 0.0f; }

void patchHeaderSetPan(PatchHeader* header, float x) {
  if (!header) return;
  x = numClamp(x, 0.0f, 1.0f);
  header->pan = x;
}

void patchHeaderGetName(const PatchHeader* header, char* out) {
  if (!out) return;
  std::memset(out, 0, patchNameLength + 1);
  if (header) std::memcpy(out, header->name, patchNameLength);
}

void patchHeaderSetName(PatchHeader* header, const char* text) {
  if (!header) return;
  std::memset(header->name, 0, sizeof header->name);
  if (text) std::strncpy(header->name, text, patchNameLength);
}

// fallback lies inside lo..hi.
static float finiteIn(float x, float lo, float hi, float fallback) {
  return numClamp(numFiniteOr(x, fallback), lo, hi);
}

void patchHeaderSanitize(PatchHeader* header) {
  if (!header) return;
  if (header->slot < -1 || header->slot > 127) header->slot = -1;
  patchHeaderSetPolyphony(header, header->polyphony);
  if (!std::isfinite(header->gain)) header->gain = static_cast<float>(db6ToGain(0.001));
  patchHeaderSetGain(header, header->gain);
  fieldLoad(headerFields[headerFieldTranspose], header->transpose);
  patchHeaderSetPan(header, header->pan);
  if (!std::isfinite(header->length) || header->length < 1.0) header->length = 88200.0;
  if (header->length > 1e9) header->length = 1e9;
  header->beats = finiteIn(header->beats, 0.001f, 1000.0f, 4.0f);
  header->name[patchNameLength] = 0;
  // Voice-buffer lanes per channel and master: the engine's buffer pool is sized for at most 3 each.
  for (std::uint16_t& n : header->stageCounts) n = numClamp<std::uint16_t>(n, 1, 3);
  for (int c = 0; c < 3; ++c) {
    header->channelPan[c] = finiteIn(header->channelPan[c], 0.0f, 1.0f, 0.5f);
    header->pairFirst[c] = finiteIn(header->pairFirst[c], -1.0f, 1.0f, 0.0f);
    header->pairSecond[c] = finiteIn(header->pairSecond[c], -1.0f, 1.0f, 0.0f);
  }
  double bpm = header->tempo.presetTempo;
  if (!std::isfinite(bpm)) bpm = 120.0;
  header->tempo.presetTempo = numClamp(bpm, 0.01, 1000.0);
}
