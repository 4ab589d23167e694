// Breakpoint edits shared by the graph's mouse operations and the page's boxes.
#include "envelope/envDrag.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "preset/envDestKinds.h"
#include "preset/envelope.h"
#include "preset/presetHeader.h"

namespace {

const double samplesPerSecond = 44100.0;

double sumBefore(Engine* engine, std::int16_t slot, std::int16_t bp) {
  double sum = 0.0;
  for (std::int16_t k = 0; k < bp && k < envBreakpointCount; ++k) sum += envGetBpTime(engine, slot, k);
  return sum;
}

}  // namespace

bool envSnapGridSeconds(Engine* engine, double gridBeats, double* grid) {
  const PatchHeader* h = engine ? engineGetPatchHeader(engine) : nullptr;
  if (!h || !(h->length > 0.0) || !(h->beats > 0.0f) || !(gridBeats > 0.0)) return false;
  const double g = h->length / samplesPerSecond / h->beats * gridBeats;
  if (!std::isfinite(g) || !(g > 0.0)) return false;
  *grid = g;
  return true;
}

void envSetBpTimeSnap(Engine* engine, std::int16_t slot, std::int16_t bp, double samples, bool snap, double gridBeats) {
  envSetBpTime(engine, slot, bp, samples);
  double grid = 0.0;
  if (!snap || bp < 0 || bp >= envBreakpointCount || !envSnapGridSeconds(engine, gridBeats, &grid)) return;
  const double sum = sumBefore(engine, slot, bp);
  const double a = (sum + envGetBpTime(engine, slot, bp)) / samplesPerSecond + grid / 2.0;
  const double snapped = a - std::fmod(a, grid);
  double t = snapped * samplesPerSecond - sum;
  if (t < envMinSnappedSamples) t = envMinSnappedSamples;
  envSetBpTime(engine, slot, bp, t);
}

void envSetSelectedLevelsCore(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last,
                              const EnvelopeSlot* ref, double level, double old) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s || !std::isfinite(level) || first < -1 || last < first) return;
  if (first == last || !ref) {
    envSetBpLevel(engine, slot, first, numClamp(level, 0.0, 1.0));
    return;
  }
  const bool ratio = envDestIsPitch(s->destination);
  const double r = old == 0.0 ? level : level / old;
  const double d = level - old;
  auto moved = [&](double from) { return numClamp(ratio ? r * from : from + d, 0.0, 1.0); };
  const std::int16_t end = last < envBreakpointCount ? last : static_cast<std::int16_t>(envBreakpointCount - 1);
  for (std::int16_t k = first < 0 ? 0 : first; k <= end; ++k)
    envSetBpLevel(engine, slot, k, moved(ref->breakpoints[k].level));
  if (first < 0) envSetBpLevel(engine, slot, -1, moved(ref->startLevel));
}

std::int16_t envSyncPartnerCore(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s || s->partnerId == 0 || !envDestIsPanHalf(s->destination)) return -1;
  const std::int16_t p = envFindPartner(engine, slot);
  EnvelopeSlot* t = envSlot(engine, p);
  if (!t || p == slot || p == 0) return -1;
  envSlotWaitAudio(engine, static_cast<std::uint16_t>(p));
  for (int k = 0; k < envBreakpointCount; ++k) {
    const float level = t->breakpoints[k].level;
    const float slope = t->breakpoints[k].slope;
    t->breakpoints[k] = s->breakpoints[k];
    t->breakpoints[k].level = level;
    t->breakpoints[k].slope = slope;
  }
  t->inUse = s->inUse;
  t->tempoSync = s->tempoSync;
  t->global = s->global;
  t->mode = s->mode;
  t->owner = s->owner;
  t->sustainIndex = s->sustainIndex;
  t->releaseIndex = s->releaseIndex;
  t->lastIndex = s->lastIndex;
  t->loopStart = s->loopStart;
  t->bypass = s->bypass;
  t->controlSource = s->controlSource;
  t->ccScaleOn = s->ccScaleOn;
  t->lfoOn = s->lfoOn;
  t->lfoWave = s->lfoWave;
  t->sampleHoldOn = s->sampleHoldOn;
  t->linked = s->linked;
  t->ampOffset = s->ampOffset;
  t->timePercent = s->timePercent;
  t->slopePercent = s->slopePercent;
  t->lfoPhase = static_cast<float>(std::fmod(s->lfoPhase + 0.25, 1.0));
  envCompileIfControl(engine, p);
  envSlotMarkPending(engine, p);
  return p;
}

void envPointDragBegin(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last, std::int16_t pressed,
                       bool timeRangeLock, double secondsPerPixel, EnvPointDrag* drag) {
  EnvelopeSlot* s = envSlot(engine, slot);
  if (!s || !drag) return;
  drag->ref = *s;
  drag->pressed = pressed;
  drag->maxTime = envNoMaxSamples;
  drag->nextTime = 0.0;
  drag->keepNext = false;
  drag->startTime = 0.0;
  drag->startLevel = envGetBpLevel(engine, slot, pressed < 0 ? -1 : pressed);
  if (pressed >= 0) {
    drag->startTime = envGetBpTime(engine, slot, first);
    if (timeRangeLock && last < s->lastIndex) {
      drag->keepNext = true;
      drag->nextTime = envGetBpTime(engine, slot, static_cast<std::int16_t>(last + 1));
      drag->maxTime = drag->startTime + drag->nextTime;
    }
  }
  drag->samplesPerPixel = secondsPerPixel * samplesPerSecond;
}

void envPointDragMove(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last,
                      const EnvPointDrag& drag, int dx, double level, bool snap, double gridBeats) {
  if (!envSlot(engine, slot)) return;
  if (drag.pressed >= 0) {
    double t = drag.startTime + dx * drag.samplesPerPixel;
    if (t > drag.maxTime) t = drag.maxTime;
    if (!(t >= envMinDragSamples)) t = envMinDragSamples;
    envSetBpTimeSnap(engine, slot, first, t, snap, gridBeats);
    if (drag.keepNext) {
      const double next = drag.nextTime + drag.startTime - envGetBpTime(engine, slot, first);
      envSetBpTimeSnap(engine, slot, static_cast<std::int16_t>(last + 1), next, snap, gridBeats);
    }
  }
  if (!std::isfinite(level)) return;
  if (drag.pressed < 0)
    envSetBpLevel(engine, slot, -1, numClamp(level, 0.0, 1.0));
  else
    envSetSelectedLevelsCore(engine, slot, first, last, &drag.ref, level, drag.startLevel);
}

bool envSustainCandidateOk(const EnvelopeSlot* slot, std::int16_t b, bool selected) {
  if (!slot || b < 0 || selected || b >= slot->lastIndex) return false;
  return !(slot->mode == envModeLoop && b <= slot->loopStart);
}

bool envLoopCandidateOk(const EnvelopeSlot* slot, std::int16_t b, bool selected) {
  return slot && b >= 0 && !selected && b < slot->sustainIndex;
}

void envDropSustain(EnvelopeSlot* slot, std::int16_t candidate) {
  if (!slot) return;
  if (candidate >= 0 && candidate < slot->lastIndex) slot->sustainIndex = candidate;
  slot->releaseIndex = slot->sustainIndex;
}

void envDropLoopStart(EnvelopeSlot* slot, std::int16_t candidate) {
  if (slot && candidate >= 0 && candidate < slot->sustainIndex) slot->loopStart = candidate;
}

bool envBandSelectRun(const int* markers, const std::int16_t* bps, int count, int from, int to, std::int16_t* first,
                      std::int16_t* last, std::int16_t* anchor) {
  const bool rightToLeft = to < from;
  const int lo = rightToLeft ? to : from;
  int hi = rightToLeft ? from : to;
  if (hi <= lo) hi = lo + 1;
  bool any = false;
  for (int i = 0; i < count; ++i) {
    const int x = markers[i] + (rightToLeft ? 5 : 0);
    if (x < lo || x > hi) continue;
    const std::int16_t b = bps[i];
    any = true;
    if (*anchor < -1) {
      *first = *last = *anchor = b;
    } else if (b < *anchor) {
      if (b < *first) *first = b;
    } else if (b > *last) {
      *last = b;
    }
  }
  return any;
}
