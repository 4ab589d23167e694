// The rebuild the wave editor runs after every edit of a preset wave (waveNotifyChanged): the tables
// of every band-limited channel that plays the wave follow its new samples, those of other channels
// stay, and the time one rebuild takes with three channels playing the wave.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/engine.h"
#include "oscillators/oscFrame.h"
#include "preset/oscParams.h"
#include "preset/wave.h"

namespace {

struct EngineDeleter {
  void operator()(Engine* e) const { engineDestroy(e); }
};

bool sameTables(const float* a, const float* b) { return std::memcmp(a, b, sizeof(float) * waveLength) == 0; }

}  // namespace

TEST(OscWaveRebuild, ThePlayingChannelsFollowAnEditedPresetWave) {
  presetWavesInit();
  std::unique_ptr<Engine, EngineDeleter> owner(engineCreate());
  Engine* e = owner.get();
  ASSERT_NE(e, nullptr);
  const std::int16_t id = engineClaimPresetWave(e);
  ASSERT_GE(id, 0);
  const std::uint16_t index = static_cast<std::uint16_t>(id & 0xFF);
  float samples[waveLength];
  for (int i = 0; i < waveLength; ++i) samples[i] = static_cast<float>(std::sin(2 * 3.14159265358979 * i / waveLength));
  waveCopySamplesIn(e, index, samples);
  for (std::int16_t c = 0; c < 3; ++c) {
    oscSetOn(e, c, 1);
    oscSetBandLimited(e, c, 1);
    oscSetWaveA(e, c, c < 2 ? id : 0);  // channel 2 plays the global sine
  }
  std::vector<float> before0(e->wavetables[0].waveA[0], e->wavetables[0].waveA[0] + waveLength);
  std::vector<float> before2(e->wavetables[2].waveA[0], e->wavetables[2].waveA[0] + waveLength);
  for (int i = 0; i < waveLength; ++i) samples[i] = i < waveLength / 2 ? 0.8f : -0.8f;
  std::memcpy(engineLocalWave(e, index)->samples, samples, sizeof samples);
  waveNotifyChanged(e, id);
  EXPECT_FALSE(sameTables(before0.data(), e->wavetables[0].waveA[0]));
  EXPECT_TRUE(sameTables(e->wavetables[0].waveA[0], e->wavetables[1].waveA[0]));
  EXPECT_TRUE(sameTables(before2.data(), e->wavetables[2].waveA[0]));
  for (int i = 0; i < waveLength; ++i) ASSERT_TRUE(std::isfinite(e->wavetables[0].waveA[0][i])) << i;

  // Three channels playing the wave.
  oscSetWaveA(e, 2, id);
  const int runs = 20;
  const auto t0 = std::chrono::steady_clock::now();
  for (int k = 0; k < runs; ++k) waveNotifyChanged(e, id);
  const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() / runs;
  std::printf("table rebuild for an edited wave, three channels playing it: %.1f us\n", us);
  RecordProperty("rebuildUs", std::to_string(us));
}
