// Cost of the number box's drag step rules and of its typed-text parser and value text, per call.
#include <benchmark/benchmark.h>

#include "controls/numboxText.h"
#include "controls/stepRules.h"

namespace {

void BM_StepRuleAdditive(benchmark::State& state) {
  double v = 0.5;
  int16_t steps = 0;
  for (auto _ : state) {
    v = stepHundredth(nullptr, v, steps, static_cast<uint16_t>(1 + (steps & 1)));
    steps = static_cast<int16_t>((steps + 7) & 63);
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_StepRuleAdditive);

void BM_StepRuleSemitone(benchmark::State& state) {
  double v = 440.0;
  int16_t steps = -30;
  for (auto _ : state) {
    benchmark::DoNotOptimize(stepSemitoneRatio(nullptr, v, steps, 1));
    steps = static_cast<int16_t>(steps < 30 ? steps + 1 : -30);
  }
}
BENCHMARK(BM_StepRuleSemitone);

void BM_StepRuleExpTime(benchmark::State& state) {
  double v = 0.25;
  int16_t steps = -30;
  for (auto _ : state) {
    benchmark::DoNotOptimize(stepExpTime(nullptr, v, steps, 1));
    steps = static_cast<int16_t>(steps < 30 ? steps + 1 : -30);
  }
}
BENCHMARK(BM_StepRuleExpTime);

void BM_ParseTypedText(benchmark::State& state) {
  const char* texts[] = {"0.25", "-12,5", "1e3", "440.125", ""};
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(numboxParseText(texts[i]));
    i = (i + 1) % 5;
  }
}
BENCHMARK(BM_ParseTypedText);

void BM_FormatValueText(benchmark::State& state) {
  char out[numboxTextSize];
  double v = 0.0;
  for (auto _ : state) {
    numboxFormatText(v, 3, out);
    benchmark::DoNotOptimize(out);
    v += 0.137;
  }
}
BENCHMARK(BM_FormatValueText);

}  // namespace
