// End to end: the tools pane's attack/release pulses (120 BPM, beat duration 0.5, 8 pulses) on the
// amplitude envelope of a held note, rendered through the engine at 44.1 and 48 kHz, give eight
// level peaks a quarter second apart and then silence. Breakpoint times stay at 44,100 per second
// whatever the rate; the generator scales them, so the pulses keep their length at 48 kHz.
#include "../envToolsRig.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/engineConfig.h"
#include "engine/testAudioThread.h"
#include "preset/oscParams.h"
#include "support/signal.h"

namespace {

struct Peaks {
  std::vector<double> at;      // seconds of each pulse's loudest chunk
  std::vector<double> level;   // its level
  std::vector<double> trough;  // the level at the end of each pulse
  double after = 0.0;          // loudest chunk after the last pulse
};

// Renders `seconds` of the held note and measures chunks of 2 ms (their largest magnitude).
Peaks render(Engine* e, float rate, double seconds, double pulse, int pulses) {
  std::vector<float> out1(engineBlockMax), out2(engineBlockMax);
  float* outs[2] = {out1.data(), out2.data()};
  const std::uint8_t note[3] = {0x90, 96, 100};  // a high note: every 2 ms chunk holds crests
  std::vector<float> all;
  const int blocks = static_cast<int>(seconds * rate / engineBlockMax) + 1;
  for (int b = 0; b < blocks; ++b) {
    TestAudioThread::runClientSubBlock(e, outs, 2, 0, b == 0 ? note : nullptr, b == 0 ? 1 : 0);
    all.insert(all.end(), out1.begin(), out1.end());
  }
  EXPECT_TRUE(signalAllNormal(all.data(), all.size()));
  const int chunk = static_cast<int>(rate * 0.002);
  std::vector<double> env;
  for (std::size_t i = 0; i + chunk <= all.size(); i += chunk) {
    double m = 0.0;
    for (int k = 0; k < chunk; ++k) m = std::max(m, static_cast<double>(std::fabs(all[i + k])));
    env.push_back(m);
  }
  auto chunkOf = [&](double t) { return static_cast<std::size_t>(t / 0.002); };
  Peaks p;
  for (int j = 0; j < pulses; ++j) {
    std::size_t best = chunkOf(j * pulse);
    for (std::size_t c = chunkOf(j * pulse); c < chunkOf((j + 1) * pulse) && c < env.size(); ++c)
      if (env[c] > env[best]) best = c;
    p.at.push_back(best * 0.002);
    p.level.push_back(env[best]);
    const std::size_t end = std::min(chunkOf((j + 1) * pulse) - 2, env.size() - 1);
    p.trough.push_back(env[end]);
  }
  for (std::size_t c = chunkOf(pulses * pulse + 0.05); c < env.size(); ++c) p.after = std::max(p.after, env[c]);
  return p;
}

TEST(EnvPulseSound, EightPeaksAQuarterSecondApartAt44And48kHz) {
  for (float rate : {44100.0f, 48000.0f}) {
    runInApplication([&](RecordingApplication&) {
      ASSERT_TRUE(engineCfgSetRate(rate));
      EnvHarness page([](Engine* e) {
        oscSetOn(e, 0, 1);
        oscSetOn(e, 1, 0);
        oscSetOn(e, 2, 0);
      });
      envBuildEditorPanes();
      drainMessages();
      Engine* e = page.engine();
      ASSERT_NE(envSelectSlot(page, 0), 0);
      envToolsShow(kPageWin, 1, envToolPulses);
      EXPECT_NEAR(envPaneBox(paneEnvTools, envToolsArBpm), 120.0, 1e-9) << "the preset's tempo";
      envToolsType(envToolsArBeatDuration, "0.5");
      envToolsType(envToolsArBeats, "8");
      envToolsShow(kPageWin, 0, 0);
      ASSERT_EQ(page.slot(0)->lastIndex, 16);
      ASSERT_EQ(page.slot(0)->sustainIndex, 15);
      EXPECT_NEAR(page.slot(0)->breakpoints[1].time + page.slot(0)->breakpoints[0].time, 11025.0, 1e-6)
          << "a pulse is 11,025 samples at 44,100 per second at any device rate";
      engineApplyPatchChange(e, 1);

      const double pulse = 0.25;
      const Peaks p = render(e, rate, 8 * pulse + 0.5, pulse, 8);
      const double top = *std::max_element(p.level.begin(), p.level.end());
      ASSERT_GT(top, 0.01) << rate;
      std::vector<double> later(p.level.begin() + 1, p.level.end());
      std::sort(later.begin(), later.end());
      const double mid = later[later.size() / 2];
      for (int j = 0; j < 8; ++j) {
        EXPECT_NEAR(p.at[j], j * pulse + 0.0025, 0.006) << "peak " << j << " at " << rate;
        // The first attack starts the voice and may come out louder; the others match each other.
        EXPECT_GT(p.level[j], 0.75 * mid) << "peak " << j << " at " << rate;
        if (j > 0) {
          EXPECT_LT(p.level[j], 1.25 * mid) << "peak " << j << " at " << rate;
        }
        EXPECT_GT(p.level[j], 4.0 * p.trough[j]) << "a clear peak " << j << " at " << rate;
        EXPECT_LT(p.trough[j], 0.25 * mid) << "the level falls before pulse " << j + 1 << " at " << rate;
      }
      for (int j = 1; j < 8; ++j) EXPECT_NEAR(p.at[j] - p.at[j - 1], pulse, 0.005) << rate;
      EXPECT_LT(p.after, 0.02 * mid) << "held at the minimum after the last pulse, " << rate;
      std::printf("[figure] %.0f Hz: peaks at", rate);
      for (double t : p.at) std::printf(" %.4f", t);
      std::printf(" s\n");
    });
  }
  engineCfgSetRate(44100.0f);
}

}  // namespace
