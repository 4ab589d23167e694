// Envelope levels in the destination's unit against a real engine: a typed value turned into a level
// and shown again reads the same over the kinds the page offers (amplitude, pitch in each frequency
// mode, phase, filter frequency with an index filter and a Comb, modulator balance, sample jump, pan),
// and a module value that gives no inverse leaves the level alone.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "engine/engine.h"
#include "envelope/envLevelUnits.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "pages/pageRig.h"
#include "preset/envelope.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"

namespace {

struct Case {
  std::string name;
  std::int16_t kind;
  std::int16_t owner;
  std::function<void(Engine*)> setup;
  double typed;
  double level;  // the level the typed value must give
};

TEST(EnvLevelUnits, TypedValueRoundTripsOverTheKinds) {
  Engine* e = pageTestEngine();
  const Case cases[] = {
      {"amp dB", 1, 0, nullptr, -12.0, 0.25},
      {"osc vol dB", 31, 1, nullptr, -6.0, 0.5},
      {"pitch Trans", 2, 0,
       [](Engine* x) {
         oscSetFreqMode(x, 0, oscFreqTrans);
         oscSetPitch(x, 0, 12.0f);
       },
       0.0, 0.5},
      {"pitch Ratio", 2, 0,
       [](Engine* x) {
         oscSetFreqMode(x, 0, oscFreqRatio);
         oscSetPitch(x, 0, 2.0f);
       },
       0.5, 0.25},
      {"pitch Note", 2, 0,
       [](Engine* x) {
         oscSetFreqMode(x, 0, oscFreqNote);
         oscSetPitch(x, 0, 69.0f);
       },
       57.0, 0.5},
      {"pitch Hz", 2, 0,
       [](Engine* x) {
         oscSetFreqMode(x, 0, oscFreqHz);
         oscSetPitch(x, 0, 880.0f);
       },
       440.0, 0.5},
      {"phase", 3, 0, [](Engine* x) { oscSetPhaseA(x, 0, 0.25f); }, 0.5, 0.625},
      {"filter freq", 9, 0,
       [](Engine* x) {
         filterSetType(x, 0, filterLpf12dB);
         filterSetFrequency(x, 0, 2000.0);
       },
       500.0, -1.0},
      {"filter freq Comb", 9, 1,
       [](Engine* x) {
         filterSetType(x, 1, filterComb);
         filterSetFrequency(x, 1, 1000.0);
       },
       500.0, -1.0},
      {"mod balance", 14, 0, [](Engine* x) { modulatorSetBalance(x, 0, 0.8); }, 0.4, 0.5},
      {"sample jump", 18, 0, nullptr, 30.0, 0.3},
      {"pan LR", 28, 0, nullptr, 0.5, 0.75},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    engineInitPreset(e);
    if (c.setup) c.setup(e);
    double L = -5.0;
    ASSERT_TRUE(envUnitsToLevel(e, c.kind, c.owner, c.typed, &L));
    if (c.level >= 0.0) {
      EXPECT_NEAR(L, c.level, 1e-6);
    }
    EXPECT_GT(L, 0.0);
    EXPECT_LE(L, 1.0);
    // The level is stored as a float, as the slot keeps it.
    const EnvUnitShown s = envLevelToUnits(e, c.kind, c.owner, static_cast<float>(L));
    ASSERT_FALSE(s.keep);
    EXPECT_NEAR(s.value, c.typed, 1e-3 * (1.0 + std::fabs(c.typed)));
    EXPECT_GE(s.value, s.minimum - 1e-9);
    EXPECT_LE(s.value, s.maximum + 1e-6);
    EXPECT_STRNE(s.word, "");
  }
}

TEST(EnvLevelUnits, PanEndsAndClamps) {
  Engine* e = pageTestEngine();
  engineInitPreset(e);
  double L = 0.5;
  ASSERT_TRUE(envUnitsToLevel(e, 28, 0, -1.0, &L));
  EXPECT_EQ(L, 0.0);
  ASSERT_TRUE(envUnitsToLevel(e, 28, 0, 1.0, &L));
  EXPECT_EQ(L, 1.0);
  ASSERT_TRUE(envUnitsToLevel(e, 1, 0, 30.0, &L));  // above 0 dB: held at full level
  EXPECT_EQ(L, 1.0);
  EXPECT_EQ(envLevelToUnits(e, 1, 0, 0.0).minimum, -96.0);  // the box holds a silent level at -96
}

TEST(EnvLevelUnits, NoInverseLeavesTheLevel) {
  Engine* e = pageTestEngine();
  engineInitPreset(e);
  double r = 7.0;
  // Ratio and Hz modes of a zero module value (kinds 2, 5 and 13 share the ratio).
  EXPECT_FALSE(envUnitRatio(oscFreqRatio, 1.0, 0.0, &r));
  EXPECT_FALSE(envUnitRatio(oscFreqHz, 1.0, 0.0, &r));
  EXPECT_EQ(r, 7.0);
  double L = 0.42;
  engineGetModulator(e, 0)->freqMode = oscFreqRatio;
  engineGetModulator(e, 0)->ratio = 0.0f;
  EXPECT_FALSE(envUnitsToLevel(e, 13, 0, 2.0, &L));
  ChannelOscRecord* osc = engineGetChannel(e, 0);
  osc->freqModeB = oscFreqRatio;
  osc->pitchRatioB = 0.0f;
  EXPECT_FALSE(envUnitsToLevel(e, 5, 0, 2.0, &L));
  // The display of a zero ratio keeps a usable range.
  const EnvUnitShown s = envLevelToUnits(e, 5, 0, 0.5);
  EXPECT_LE(s.minimum, s.maximum);
  // A filter index of 0 and a Comb delay of 0.
  FilterRecord* f = engineGetFilter(e, 0);
  f->type = filterLpf12dB;
  f->cutoff = 0.0f;
  EXPECT_FALSE(envUnitsToLevel(e, 9, 0, 400.0, &L));
  f->type = filterComb;
  f->combDelay = 0.0f;
  EXPECT_FALSE(envUnitsToLevel(e, 9, 0, 400.0, &L));
  EXPECT_TRUE(std::isfinite(envLevelToUnits(e, 9, 0, 0.5).value));
  // Not a number.
  EXPECT_FALSE(envUnitsToLevel(e, 1, 0, std::nan(""), &L));
  EXPECT_EQ(L, 0.42);
}

}  // namespace
