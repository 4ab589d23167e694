#include "engine/engineConfig.h"

#include <cmath>

#include "engine/numeric.h"
#include "engine/tempoClock.h"
#include "modules/allpassTable.h"
#include "modules/hilbertCoefs.h"
#include "modules/pitchIndex.h"
#include "preset/wave.h"

EngineConfig engineConfig = {256, 128, 128.0f / 44100.0f, 44100.0f, 44100.0f, 1.0f, 1.0f, 0.0f, 1};

void engineCfgInitDefaults() {
  engineConfig.block = 128;
  engineCfgSetMaxBlock(256);
  engineCfgSetBlock(128);
  engineConfig.configuredRate = 44100.0f;
  engineCfgSetRate(44100.0f);
  presetWavesInit();  // the global wave table (and the sine cycle the engine's waves start from)
}

bool engineCfgSetRate(float rate) {
  // A rate of 0 or below (or not a number) would make every factor infinite: refuse it.
  if (!(rate > 0.0f) || !std::isfinite(rate)) return false;
  engineConfig.sampleRate = rate;
  engineConfig.rateFactor = 44100.0f / rate;
  engineConfig.rateRatio = rate * (1.0f / 44100.0f);
  engineConfig.pitchIndexOffset =
      static_cast<float>(dspFreqToIndex(100.0) - dspFreqToIndex(100.0 * engineConfig.rateFactor));
  allpassTableInit(rate);
  hilbertCoefsForRate(rate);
  return true;
}

void engineCfgSetMaxBlock(std::int32_t length) {
  // 0, a negative length and an unchanged one are ignored; -1 stands for "above 65,535" (no bound).
  if (length <= 0 || length == engineConfig.maxBlock) return;
  engineConfig.maxBlock = length > 65535 ? -1 : static_cast<std::int16_t>(length);
  if (engineConfig.maxBlock > 0 && engineConfig.maxBlock < engineConfig.block) engineCfgSetBlock(engineConfig.maxBlock);
}

void engineCfgSetBlock(std::int32_t length) {
  std::int32_t n = length;
  if (engineConfig.maxBlock > 0 && n > engineConfig.maxBlock) n = engineConfig.maxBlock;
  n = numClamp(n, 1, 32767);
  engineConfig.block = static_cast<std::int16_t>(n);
  engineConfig.blockSeconds = static_cast<float>(engineConfig.block) / 44100.0f;
}

void engineCfgSetFlag(std::uint8_t flag) { engineConfig.followFlag = flag; }

void tempoInitRecord(TempoClock* clock) {
  if (!clock) return;
  clock->position = 0.0;
  clock->secondPosition = 0.0;
  clock->samplesPerBeat = 0.5 * engineConfig.sampleRate;
  clock->secondsPerBeat = 0.5;
  clock->tempoRatio = 1.0;
  clock->presetTempo = 120.0;
  clock->runningTempo = 120.0f;
}

void tempoAdvanceClock(TempoClock* clock, std::int16_t frames) {
  clock->position += frames;
  if (engineConfig.followFlag) clock->runningTempo = static_cast<float>(clock->presetTempo);
  const double b = clock->runningTempo;
  const double t = b < 0.00001 ? 120.0 : b;
  clock->samplesPerBeat = 60.0 / t * engineConfig.sampleRate;
  clock->secondsPerBeat = 60.0 / t;
  // The ratio uses the raw running tempo; a running tempo of 0 gives no ratio to follow.
  clock->tempoRatio = b != 0.0 ? clock->presetTempo / b : 1.0;
}
