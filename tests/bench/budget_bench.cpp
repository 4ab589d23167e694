// The performance budget: whole-engine blocks of 128 frames at 44.1 kHz (2.9025 ms each) through
// the audio client's sub-block, as nanoseconds per played voice per output sample and as the share
// of a block's real-time budget.
//   BM_BudgetTypical/N   N voices of the typical voice: three "Single" oscillators, "LPF 4 pole" on
//                        each channel, default envelopes. Goal at 64 voices: at most 15 ns per voice
//                        per sample natively, 25 ns in the Windows builds under Wine.
//   BM_BudgetMode/M      64 voices with all three channels at oscillator mode M at its heaviest
//                        settings (the rest as the typical voice): the survey behind the worst case.
//   BM_BudgetWorstCase   64 voices, every channel at the heaviest mode ("Fractalize", see below),
//                        "LPF 8 pole", the channel modulators (frequency shifters), the waveshaper
//                        and the three-unit effect in "Synthetic" with its early taps.
//                        Goal: under half of the budget.
// Counters: ns_per_voice_sample and us_per_block are plain numbers (nanoseconds, microseconds) of the
// median block, which a busy machine disturbs far less than the mean; budget_fraction is the median
// block over 2.9025 ms, mean_budget_fraction and worst_budget_fraction the mean and the slowest block
// (the worst includes whatever else the machine did); sounding is the count of voices still playing
// at the end (every voice must still sound, or the figure would flatter the engine); lanes is the lane
// set the kernels ran (0 scalar, 1 SSE2, 2 AVX: engine/lanes.h; MORVANE_LANES=scalar|sse2|avx in the
// environment forces one, to compare the widths on one machine).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/lanes.h"
#include "perf/budgetRig.h"

namespace {

using Clock = std::chrono::steady_clock;

// The lane set named in MORVANE_LANES, forced before any engine is made.
const int forcedLanes = [] {
  const char* name = std::getenv("MORVANE_LANES");
  return name ? lanesForce(lanesParse(name)) : -1;
}();

void runBudget(benchmark::State& state, const BudgetSetup& setup) {
  BudgetRig rig(setup);
  if (!rig.engine()) {
    state.SkipWithError("engineCreate failed");
    return;
  }
  std::vector<double> times;
  times.reserve(1 << 16);
  double sum = 0.0;
  for (auto _ : state) {
    (void)_;
    const auto t0 = Clock::now();
    rig.subBlock();
    const double d = std::chrono::duration<double>(Clock::now() - t0).count();
    sum += d;
    times.push_back(d);
    benchmark::DoNotOptimize(rig.output(0)[0]);
  }
  if (times.empty()) return;
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  state.counters["ns_per_voice_sample"] = median * 1e9 / (static_cast<double>(setup.voices) * budgetFrames);
  state.counters["us_per_block"] = median * 1e6;
  state.counters["budget_fraction"] = median / budgetBlockSeconds;
  state.counters["mean_budget_fraction"] = sum / static_cast<double>(times.size()) / budgetBlockSeconds;
  state.counters["worst_budget_fraction"] = times.back() / budgetBlockSeconds;
  state.counters["sounding"] = rig.soundingVoices();
  state.counters["lanes"] = lanesActive;
  if (rig.soundingVoices() != setup.voices) state.SkipWithError("voices stopped sounding during the run");
}

// Every oscillator mode at its heaviest settings: eight unison voices where the mode has them, the
// band-limited (twice-rate) path where it has one, seven "Fractalize" layers, stereo samples and
// eight grains. "Audio In" is left out: it copies an input.
BudgetOsc heaviest(int mode) {
  BudgetOsc o;
  switch (mode) {
    case 0:
      o.type = oscTypeSingle;
      o.unison = 8;
      o.bandLimited = true;
      o.name = "Single BL x8";
      break;
    case 1:
      o.type = oscTypeDouble;
      o.unison = 8;
      o.bandLimited = true;
      o.name = "Double BL x8";
      break;
    case 2:
      o.type = oscTypeFm;
      o.unison = 8;
      o.name = "FM x8";
      break;
    case 3:
      o.type = oscTypeRingmod;
      o.unison = 8;
      o.name = "Ringmod x8";
      break;
    case 4:
      o.type = oscTypeSample;
      o.sampleChannels = 2;
      o.name = "Sample stereo";
      break;
    case 5:
      o.type = oscTypeGranular;
      o.sampleChannels = 2;
      o.grains = 8;
      o.name = "Granular stereo 8";
      break;
    default:
      o.type = oscTypeFractalize;
      o.bandLimited = true;
      o.name = "Fractalize BL 7";
      break;
  }
  return o;
}

// The worst case puts "Fractalize" band-limited with all seven layers on every channel: in the
// survey (BM_BudgetMode, natively and under Wine) it is the dearest mode per voice, ahead of "FM" with
// eight unison voices and "Double" band-limited with eight (each about two thirds of it or less).
// Each layer reads wave A at twice the rate once per output sample and walks its cycle segment by
// segment (layer 6 has 64 segments per cycle, so a high note starts a new run every sample or two),
// then the decimator. Stereo "Granular" with eight grains doubles the lanes of the filters and
// modulators after it yet still costs less per voice.
const int worstMode = 6;

void BM_BudgetTypical(benchmark::State& state) { runBudget(state, budgetTypical(static_cast<int>(state.range(0)))); }

void BM_BudgetMode(benchmark::State& state) {
  BudgetSetup s;
  s.voices = 64;
  for (auto& o : s.osc) o = heaviest(static_cast<int>(state.range(0)));
  state.SetLabel(s.osc[0].name);
  runBudget(state, s);
}

void BM_BudgetWorstCase(benchmark::State& state) {
  const BudgetSetup s = budgetWorstCase();  // every channel at heaviest(worstMode)
  state.SetLabel(s.osc[0].name);
  runBudget(state, s);
}

}  // namespace

BENCHMARK(BM_BudgetTypical)->Arg(1)->Arg(16)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BudgetMode)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BudgetWorstCase)->Unit(benchmark::kMicrosecond);
