// The graph row's layout at its worst case: a 68-breakpoint envelope with curved segments and the
// per-breakpoint LFO on, laid out over 1,536 columns (a power per column for the curve and the LFO's
// depth and period); us per layout. A redraw lays out every shown row this way.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "engine/engine.h"
#include "envelope/envGraphLayoutCore.h"
#include "envelope/envView.h"
#include "preset/envelope.h"

namespace {

struct LayoutBuffers {
  std::int16_t loopStartX = 0, sustainX = 0, pointCount = 0, handleCount = 0;
  GraphHit loopMark{}, sustainMark{}, startMark{};
  GraphHit pointHits[envGraphHitCount];
  GraphHit handleHits[envGraphHitCount];
  std::int16_t curveY[envGraphMaxColumns];
  std::int16_t lfoCurveY[envGraphMaxColumns];
  EnvGraphLayoutOut out() {
    return {&loopStartX,  &sustainX, &loopMark,  &sustainMark, &startMark, &pointCount,
            &handleCount, pointHits, handleHits, curveY,       lfoCurveY};
  }
};

void BM_EnvGraphLayout1536Lfo(benchmark::State& state) {
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  if (!engine) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  engineApplyPatchChange(engine, 1);
  EnvelopeSlot* slot = envSlot(engine, 0);
  for (int i = 0; i < envBreakpointCount; ++i) {
    Breakpoint& b = slot->breakpoints[i];
    b.time = 1000.0;  // 68 segments over about 1.5 s
    b.level = (i % 2) ? 0.9f : 0.1f;
    b.slope = 0.7f;
    b.step = 0;
    b.lfoSeconds = 0.05 + 0.01 * (i % 5);
    b.lfoDepth = 0.5f;
  }
  slot->lastIndex = envBreakpointCount - 1;
  slot->sustainIndex = 40;
  slot->lfoOn = 1;
  EnvelopeView* view = static_cast<EnvelopeView*>(std::calloc(1, sizeof(EnvelopeView)));
  envViewInit(view);
  view->pixelsPerSecond = 1000.0;  // 1.54 s across 1,536 columns
  view->secondsPerPixel = 0.001;
  LayoutBuffers* buf = new LayoutBuffers;
  const EnvGraphLayoutOut out = buf->out();
  const EnvLayoutRect rect = {165, 232, 165 + envGraphMaxColumns, 232 + 128};
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    envGraphLayoutCompute(view, engine, 232, rect, slot, out);
    benchmark::DoNotOptimize(buf->lfoCurveY[1000]);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  state.counters["us_per_layout"] =
      state.iterations() > 0 ? seconds * 1e6 / static_cast<double>(state.iterations()) : 0.0;
  state.counters["markers"] = buf->pointCount;
  delete buf;
  std::free(view);
  engineDestroy(engine);
}
BENCHMARK(BM_EnvGraphLayout1536Lfo);

}  // namespace
