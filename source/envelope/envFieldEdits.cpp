// Engine-side edits of the Envelope page's boxes and setting controls.
#include "envelope/envFieldEdits.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "envelope/envDrag.h"
#include "preset/editBlock.h"
#include "preset/envelope.h"

namespace {

const double samplesPerSecond = 44100.0;
const std::int16_t lastChannelSlot = 2;
const std::int16_t modeEntryLink = 6;

bool validRun(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last) {
  return envSlot(engine, slot) && first >= -1 && last >= first;
}

}  // namespace

double envFieldAbsSeconds(Engine* engine, std::int16_t slot, std::int16_t bp) {
  double sum = 0.0;
  for (std::int16_t k = 0; k <= bp && k < envBreakpointCount; ++k) sum += envGetBpTime(engine, slot, k);
  return sum / samplesPerSecond;
}

bool envFieldSetTime(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last, double v, bool absolute,
                     bool moveFollowing, const EnvSnap& snap) {
  EnvelopeSlot* s = envSlot(engine, slot);
  const std::int16_t b = first;
  if (!s || b < 0 || b >= envBreakpointCount || !std::isfinite(v)) return false;
  const std::int16_t n = s->lastIndex;
  std::int16_t follower = -1;
  double followerAt = 0.0;
  if (!moveFollowing && b < n) {
    const std::int16_t f = static_cast<std::int16_t>((last > b ? last : b) + 1);
    if (f <= n) {
      follower = f;
      followerAt = envFieldAbsSeconds(engine, slot, f);
    }
  }
  double d = v * samplesPerSecond;
  if (absolute && b > 0) d -= envFieldAbsSeconds(engine, slot, static_cast<std::int16_t>(b - 1)) * samplesPerSecond;
  if (!(d >= envMinSnappedSamples)) d = envMinSnappedSamples;
  envSetBpTimeSnap(engine, slot, b, d, snap.on, snap.gridBeats);
  if (follower >= 0) {
    double t =
        (followerAt - envFieldAbsSeconds(engine, slot, static_cast<std::int16_t>(follower - 1))) * samplesPerSecond;
    if (!(t >= envMinSnappedSamples)) t = envMinSnappedSamples;
    envSetBpTimeSnap(engine, slot, follower, t, false, snap.gridBeats);
  }
  return true;
}

bool envFieldSetLevel(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last, double level) {
  if (!validRun(engine, slot, first, last) || !std::isfinite(level)) return false;
  const EnvelopeSlot ref = *envSlot(engine, slot);
  const double L = numClampPassNaN(level, 0.0, 1.0);
  const double old = first < envBreakpointCount ? envGetBpLevel(engine, slot, first) : 0.0;
  envSetSelectedLevelsCore(engine, slot, first, last, &ref, L, old);
  return true;
}

bool envFieldSetEach(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last, EnvBpField field,
                     double value) {
  if (!validRun(engine, slot, first, last) || !std::isfinite(value)) return false;
  for (std::int16_t k = first < 0 ? 0 : first; k <= last && k < envBreakpointCount; ++k) {
    switch (field) {
      case envBpDepth: envSetBpDepth(engine, slot, k, static_cast<float>(value)); break;
      case envBpLfoSec: envSetBpLfoSec(engine, slot, k, static_cast<float>(value)); break;
      case envBpShSec: envSetBpShSec(engine, slot, k, static_cast<float>(value)); break;
      case envBpTimeScale: envSetBpTimeScale(engine, slot, k, value); break;
      case envBpAmpScale: envSetBpAmpScale(engine, slot, k, value); break;
      case envBpTimeCc: envSetBpTimeCc(engine, slot, k, static_cast<std::int16_t>(value)); break;
      case envBpAmpCc: envSetBpAmpCc(engine, slot, k, static_cast<std::int16_t>(value)); break;
      case envBpStep: envSetBpStepFlag(engine, slot, k, value != 0.0 ? 1u : 0u); break;
    }
  }
  return true;
}

EnvModeResult envFieldChooseMode(Engine* engine, std::int16_t slot, std::int16_t entry) {
  if (!envSlot(engine, slot) || entry < 1 || entry > modeEntryLink) return envModeNothing;
  if (entry == modeEntryLink && slot <= lastChannelSlot) return envModeRefusedChannel;
  if (entry == modeEntryLink && envIsLinkedTo(engine, slot)) return envModeRefusedLinkedTo;
  return envChooseMode(engine, slot, entry) ? envModeDone : envModeNothing;
}

bool envFieldSyncAllowed(Engine* engine, std::int16_t slot, bool mouseDown) {
  return mouseDown || envGetMode(engine, slot) != envModeRetrigger;
}

bool envFieldSetBeats(Engine* engine, double v) {
  if (!engine || !std::isfinite(v) || !(v > 0.0)) return false;
  const double bpm = tempoGetBpm(engine);
  if (!std::isfinite(bpm) || !(bpm > 0.0)) return false;
  const double length = 60.0 / bpm * v * samplesPerSecond;
  if (!std::isfinite(length)) return false;
  PatchHeader* h = editBeginPatchHeader(engine);
  if (!h) return false;
  h->length = length;
  h->beats = static_cast<float>(v);
  editCommit(engine, editKindHeader, 0);
  return true;
}
