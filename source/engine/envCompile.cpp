// Compiling a Control driven envelope into its runtime record, and where the records live.
#include "engine/envCompile.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/envGenShared.h"
#include "engine/numeric.h"
#include "preset/envelope.h"

using namespace envgen;

// ---- Storage ----
// The engine record holds the runtime records, one per envelope slot.

EnvelopeRuntime* envRuntimeGet(Engine* engine, std::int16_t slot) {
  if (!engine || slot < 0 || slot >= envSlotCount) return nullptr;
  return &engine->envRuntime[slot];
}

void envRuntimeReset(Engine* engine) {
  if (!engine) return;
  std::memset(static_cast<void*>(engine->envRuntime), 0, sizeof engine->envRuntime);
}

// ---- Compile ----

void envCompile(EnvelopeRuntime* R, const EnvelopeSlot* S) {
  if (!R || !S) return;
  const int last = S->lastIndex;
  const int lastRead = clampIndex(last, envBreakpointCount - 1);
  // 1 Total length and step.
  double T = 0.0;
  for (int i = 0; i <= lastRead; ++i) T += S->breakpoints[i].time;
  if (last < 0 || !(T > 0.0) || !std::isfinite(T)) T = 128.0;
  const double s = T / 128.0;
  // 2 Start.
  R->level[0] = S->startLevel >= 0.0f ? (S->startLevel <= 1.0f ? S->startLevel : 1.0f) : 0.0f;
  R->stepBreakpoint[0] = -1;
  // 3 Walk the steps.
  double t = 0.0;
  int i = 0;
  double Ls = S->startLevel;
  for (int k = 1; k < envRuntimeSteps; ++k) {
    const Breakpoint& b = S->breakpoints[i];
    const double Ti = b.time;
    const double Li = b.level;
    const double Si = b.slope;
    const double x = t + s > Ti ? Ti : t;
    // A segment of no length counts as arrived: it acts as a step to its level.
    const double ratio = Ti > 0.0 ? x / Ti : 1.0;
    double L = b.step ? Ls : Ls + (Li - Ls) * std::pow(ratio, Si);
    L = numClamp(L, 0.0, 1.0);
    R->level[k] = static_cast<float>(L);
    R->stepBreakpoint[k] = i;
    double c;
    if (b.step || Ti <= 128.0) {
      c = 1.0;
    } else {
      c = (Si - 1.0) * std::pow(ratio, Si);
      if (Si < 1.0) c += 1.0;
      c = numClamp(c, 0.03, 1.0);
    }
    R->coefficient[k] = static_cast<float>(c);
    t += s;
    if (t > Ti) {
      Ls = Li;
      if (i < lastRead) ++i;
      t = 0.0;
    }
  }
  // 4 The end.
  R->level[envRuntimeSteps - 1] = S->breakpoints[lastRead].level;
  R->stepBreakpoint[envRuntimeSteps - 1] = lastRead;
  R->coefficient[envRuntimeSteps - 1] = 1.0f;
  R->coefficient[0] = R->coefficient[1];
}

void envCompileSlot(Engine* engine, std::int16_t slot) {
  EnvelopeSlot* s = envSlot(engine, slot);
  EnvelopeRuntime* r = envRuntimeGet(engine, slot);
  if (s && r) envCompile(r, s);
}
