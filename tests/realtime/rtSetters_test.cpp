// Every setter of the table with every hostile value, and thousands of blocks of random setter calls
// between the audio client's sub-blocks: the outputs and the running state stay finite and free of
// denormals, and the sub-blocks stay free of allocations and locks whatever was set.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <sstream>

#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/testAudioThread.h"
#include "modules/effectFrame.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/waveshaper.h"
#include "preset/fieldTables.h"
#include "preset/oscParams.h"
#include "rtGuard.h"
#include "rtSetters.h"
#include "rtWorkload.h"
#include "support/signal.h"

namespace {

struct RtSetters : ::testing::Test {
  Engine* engine = nullptr;
  float out[2][engineBlockMax];
  float* outputs[2] = {out[0], out[1]};

  void SetUp() override {
    rtGuardInit();
    rtReset();
  }
  void TearDown() override {
    if (engine) engineDestroy(engine);
    engineCfgInitDefaults();  // the rate back to 44,100 Hz
  }
  void fresh(int variant, int voices, float rate = 44100.0f) {
    if (engine) engineDestroy(engine);
    engine = rtStressEngine(variant, voices, rate);
    ASSERT_NE(engine, nullptr);
  }
  // One guarded client sub-block; the fault of its outputs, if any.
  std::string block(const std::vector<std::uint8_t>& midi) {
    {
      RtArmed armed;
      TestAudioThread::runClientSubBlock(engine, outputs, 2, 0, midi.empty() ? nullptr : midi.data(),
                                         static_cast<int>(midi.size() / 3));
    }
    return rtCheckBlock(engine, outputs, 2);
  }
};

std::vector<std::uint8_t> chord() {
  std::vector<std::uint8_t> m;
  for (int n : {36, 55, 64, 72, 84, 100}) {  // over a polyphony of 4: a voice is stolen
    m.push_back(0x90);
    m.push_back(static_cast<std::uint8_t>(n));
    m.push_back(100);
  }
  return m;
}

// The first stored field outside its row of the field tables (the ranges the setters and the file
// readers keep to), or "" when every one is inside; the LFOs' run-time fields are not the setters'.
// The effect records of every kind are checked, whichever kind the engine runs.
std::string rowFault(Engine* e) {
  std::ostringstream o;
  auto check = [&](const char* what, int index, int field, const FieldRange& row, auto v) {
    if (o.tellp() == 0 && !fieldHolds(row, v)) o << what << " " << index << " field " << field << " = " << v;
  };
  for (int i = 0; i < 4; ++i)
    for (int f = 0; f < filterFieldCount; ++f)
      check("filter", i, f, filterFields[f], *filterFieldOf(&e->filters[i], f));
  for (int i = 0; i < engineChannels; ++i) {
    for (int f = 0; f < modulatorFieldCount; ++f)
      check("modulator", i, f, modulatorFields[f], *modulatorFieldOf(&e->modulators[i], f));
    for (int f = 0; f < oscFieldCount; ++f)
      if (f != oscFieldLevel) check("oscillator", i, f, oscFields[f], *oscFieldOf(e->channels[i], f));
  }
  for (int f = 0; f < waveshaperFieldCount; ++f)
    check("waveshaper", 0, f, waveshaperFields[f], *waveshaperFieldOf(&e->waveshaper, f));
  for (int i = 0; i < 3; ++i)
    for (int f = 0; f < lfoFieldCount; ++f) {
      if (f == lfoFieldDepth || f == lfoFieldHoldRateFactor || f == lfoFieldRateFactor || f == lfoFieldDisplayValue)
        continue;
      if (float* x = lfoFloatFieldOf(&e->lfos[i], f))
        check("lfo", i, f, lfoFields[f], *x);
      else
        check("lfo", i, f, lfoFields[f], *lfoDoubleFieldOf(&e->lfos[i], f));
    }
  const EffectPipeRecord& pipe = e->effectPipe;
  for (int f = 0; f < pipeFieldCount; ++f) {
    const float v[pipeFieldCount] = {pipe.stored1,   pipe.stored2,      pipe.delay,        pipe.feedback,
                                     pipe.inputPos,  pipe.pickupPos[0], pipe.pickupPos[1], pipe.filterIndex,
                                     pipe.lengthMod, pipe.pickupMod[0]};
    check("pipe", 0, f, pipeFields[f], v[f]);
  }
  check("pipe", 1, pipeFieldPickupMod, pipeFields[pipeFieldPickupMod], pipe.pickupMod[1]);
  const EffectCombRecord& comb = e->effectComb;
  check("comb", 0, combFieldDelay, combFields[combFieldDelay], comb.delay);
  check("comb", 0, combFieldFeedback, combFields[combFieldFeedback], comb.feedback);
  check("comb", 0, combFieldFilterIndex, combFields[combFieldFilterIndex], comb.filterIndex);
  for (int i = 0; i < effectCombCount; ++i) {
    check("comb", i, combFieldDelayFactor, combFields[combFieldDelayFactor], comb.delayFactor[i]);
    check("comb", i, combFieldFeedbackFactor, combFields[combFieldFeedbackFactor], comb.feedbackFactor[i]);
    check("comb", i, combFieldLevel, combFields[combFieldLevel], comb.level[i]);
    check("comb", i, combFieldModAmount, combFields[combFieldModAmount], comb.modAmount[i]);
    check("comb", i, combFieldFilterFactor, combFields[combFieldFilterFactor], comb.filterFactor[i]);
  }
  const EffectTapRecord& tap = e->effectTap;
  check("tap", 0, tapFieldFeedback, tapFields[tapFieldFeedback], tap.feedback);
  check("tap", 0, tapFieldFilterIndex, tapFields[tapFieldFilterIndex], tap.filterIndex);
  check("tap", 0, tapFieldSecondIndex, tapFields[tapFieldSecondIndex], tap.secondIndex);
  for (int t = 0; t < effectTapCount; ++t) {
    check("tap", t, tapFieldModDepth, tapFields[tapFieldModDepth], tap.tapModDepth[t]);
    check("tap", t, tapFieldTimeFactor, tapFields[tapFieldTimeFactor], tap.tapTimeFactor[t]);
    check("tap", t, tapFieldLevel, tapFields[tapFieldLevel], tap.tapLevel[t]);
  }
  const EffectRevRecord& rev = e->effectRev;
  check("three-unit", 0, revFieldSize, revFields[revFieldSize], rev.size);
  check("three-unit", 0, revFieldFeedback, revFields[revFieldFeedback], rev.feedback);
  check("three-unit", 0, revFieldBrightness, revFields[revFieldBrightness], rev.brightness);
  check("three-unit", 0, revFieldPreDelay, revFields[revFieldPreDelay], rev.preDelay);
  check("three-unit", 0, revFieldJitter, revFields[revFieldJitter], rev.jitter);
  for (int u = 0; u < 3; ++u) {
    check("three-unit", u, revFieldUnitScale, revFields[revFieldUnitScale], rev.unitScale[u]);
    check("three-unit", u, revFieldLaneSpread, revFields[revFieldLaneSpread], rev.laneSpread[u]);
    check("three-unit", u, revFieldTimeModDepth, revFields[revFieldTimeModDepth], rev.timeModDepth[u]);
    check("three-unit", u, revFieldUnitBrightness, revFields[revFieldUnitBrightness], rev.unitBrightness[u]);
    check("three-unit", u, revFieldLaneBrightSpread, revFields[revFieldLaneBrightSpread], rev.laneBrightSpread[u]);
    check("three-unit", u, revFieldBrightModDepth, revFields[revFieldBrightModDepth], rev.brightModDepth[u]);
  }
  for (int s = 0; s < envSlotCount; ++s) {
    const EnvelopeSlot& slot = e->envSlots[s];
    check("envelope", s, envFieldAmpPercent, envelopeFields[envFieldAmpPercent], slot.ampPercent);
    check("envelope", s, envFieldTimePercent, envelopeFields[envFieldTimePercent], slot.timePercent);
    for (const Breakpoint& b : slot.breakpoints) {
      check("envelope", s, envFieldBpTime, envelopeFields[envFieldBpTime], b.time);
      check("envelope", s, envFieldBpSlope, envelopeFields[envFieldBpSlope], b.slope);
      check("envelope", s, envFieldBpLfoDepth, envelopeFields[envFieldBpLfoDepth], b.lfoDepth);
    }
  }
  return o.str();
}

std::string describe(const RtSetter& s, int index, double value) {
  std::ostringstream o;
  o << s.name << "(" << index << ", " << value << ")";
  return o.str();
}

// The indices tried in the sweep: all of a small range, else the ends and the middle (envelope
// breakpoint setters: slot 0's breakpoints 0 and 2 and another slot's start level).
std::vector<int> sweepIndices(int count) {
  if (count <= 4) {
    std::vector<int> all;
    for (int i = 0; i < count; ++i) all.push_back(i);
    return all;
  }
  return {0, count / 2, count - 1};
}

TEST_F(RtSetters, EverySetterWithEveryHostileValueKeepsTheEngineFinite) {
  const auto& setters = rtSetters();
  const auto& values = rtHostileValues();
  const std::vector<std::uint8_t> none, notes = chord();
  ASSERT_GT(setters.size(), 200u);
  std::vector<std::string> faults;
  for (std::size_t k = 0; k < setters.size(); ++k) {
    const RtSetter& s = setters[k];
    // A fresh engine for every third setter (creation is the costly part); the ones between inherit
    // what the previous setter's last values left, as a page's edits would.
    if (k % 3 == 0) fresh(static_cast<int>(k / 3 % rtStressVariants), 4);
    std::string fault;
    double energy = 0.0;
    for (std::size_t vi = 0; vi < values.size(); ++vi) {
      const double v = values[vi];
      for (int i : sweepIndices(s.indexCount)) {
        // The first index takes every value; the others the non-finite and the huge ones.
        if (i != 0 && vi > 4 && vi + 2 < values.size()) continue;
        s.apply(engine, i, v);
        fault = block(notes);  // fresh notes each time: the value is heard
        for (int n = 0; n < engineBlockMax; ++n) energy += std::fabs(out[0][n]) + std::fabs(out[1][n]);
        if (!fault.empty()) {
          fault = describe(s, i, v) + ": " + fault;
          break;
        }
      }
      if (!fault.empty()) break;
    }
    for (int b = 0; b < 4 && fault.empty(); ++b) fault = block(none);
    if (fault.empty()) {
      fault = rtCheckEngineState(engine);
      if (!fault.empty()) fault = s.name + " (after all values): " + fault;
    }
    if (fault.empty()) {
      fault = rowFault(engine);
      if (!fault.empty()) fault = s.name + " (after all values) left " + fault + " outside its row";
    }
    if (!fault.empty()) faults.push_back(fault);
    if (energy < 1.0) faults.push_back(s.name + ": the notes were not heard");
  }
  std::string all;
  for (const auto& f : faults) all += f + "\n";
  EXPECT_EQ(all, "");
  EXPECT_EQ(rtViolations(), 0) << rtReport();
}

// Wet and dry levels of every effect kind: not a number keeps the level, infinity is 1.
TEST_F(RtSetters, EffectLevelsOfNotANumberOrInfinityStayWithinZeroToOne) {
  for (int variant = 0; variant < rtStressVariants; ++variant) {  // effect kinds 1..5
    fresh(variant, 6);
    effectSetLevelA(engine, 0.25f);
    effectSetLevelA(engine, std::nanf(""));
    effectSetLevelB(engine, std::numeric_limits<float>::infinity());
    EXPECT_EQ(effectGetLevelA(engine), 0.25f) << "kind " << engine->effectType;
    EXPECT_EQ(effectGetLevelB(engine), 1.0f) << "kind " << engine->effectType;
    effectSetLevelB(engine, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(effectGetLevelB(engine), 0.0f) << "kind " << engine->effectType;
    effectSetLevelB(engine, 1e-30f);
    EXPECT_EQ(effectGetLevelB(engine), 0.0f) << "kind " << engine->effectType;
    std::string fault = block(chord());
    for (int b = 0; b < 8 && fault.empty(); ++b) fault = block({});
    EXPECT_EQ(fault, "") << "kind " << engine->effectType;
  }
}

// The master filter switched to after-the-mix while the routing still runs it per voice (the flags
// follow at the next rebuild): it must not run on a voice sum the block never made. It used to filter
// the stale sum in place every block, its own output fed back, which in a long random run grew to
// -2.4e37 and then NaN in the filter's memory, which the next rebuild let through to the outputs.
TEST_F(RtSetters, MasterFilterSwitchedAfterTheMixBeforeARebuildLeavesTheOldSumAlone) {
  for (std::int16_t type : {filterAllpass4, filterLpf24dB, filterComb, filterBpf}) {
    fresh(0, 6);
    waveshaperSetOn(engine, 0);  // nothing else makes the voice sum
    filterSetOn(engine, 3, 1);
    filterSetType(engine, 3, type);
    filterSetResonance(engine, 3, 0.95);
    filterSetPostMix(engine, 3, 0);
    engineApplyPatchChange(engine, 0);
    ASSERT_EQ(engine->masterFilterPerVoice, 1);
    std::string fault = block(chord());
    filterSetPostMix(engine, 3, 1);                 // the record changes; the flags keep the per-voice routing
    for (float& x : engine->mixScratch) x = 0.25f;  // what an earlier block's sum left
    for (int b = 0; b < 50 && fault.empty(); ++b) fault = block(b % 10 == 0 ? chord() : std::vector<std::uint8_t>());
    EXPECT_EQ(fault, "") << "filter type " << type;
    int touched = 0;
    for (float x : engine->mixScratch) touched += x != 0.25f;
    EXPECT_EQ(touched, 0) << "filter type " << type;
    engineApplyPatchChange(engine, 0);  // now the sum is made and filtered
    ASSERT_EQ(engine->masterFilterPostMix, 1);
    for (int b = 0; b < 50 && fault.empty(); ++b) fault = block(b % 10 == 0 ? chord() : std::vector<std::uint8_t>());
    if (fault.empty()) fault = rtCheckEngineState(engine);
    EXPECT_EQ(fault, "") << "filter type " << type;
    EXPECT_NE(engine->mixScratch[5], 0.25f) << "filter type " << type;  // the sum is made again
  }
}

// A filter gain far below hearing (here -400 dB, 1e-20) times the filters' guard-level signals used
// to leave denormal samples in the voice buffers (found by a long random run: the two-pole LPF -24dB
// wrote -1.4e-45); the setter and the record sanitiser take such gains as 0.
TEST_F(RtSetters, FilterGainsFarBelowHearingLeaveNoDenormalsInTheVoiceBuffers) {
  for (std::int16_t type : {filterLpf24dB, filterLpf12dB, filterBpf, filterNotch, filterLpf4Pole}) {
    fresh(0, 4);
    for (std::int16_t f = 0; f < 3; ++f) {
      oscSetLevel(engine, f, 0.0f);  // the filters see only their guard-level signals
      filterSetType(engine, f, type);
      filterSetGainDb(engine, f, -400.0);
      EXPECT_EQ(engine->filters[f].gain, 0.0f) << "type " << type;
    }
    engineApplyPatchChange(engine, 0);
    std::string fault = block(chord());
    for (int b = 0; b < 30 && fault.empty(); ++b) {
      fault = block({});
      if (fault.empty()) fault = rtCheckSamples(engine->pool, enginePoolFloats, "voice buffer pool");
    }
    EXPECT_EQ(fault, "") << "filter type " << type;
  }
  FilterRecord r{};
  r.gain = 1e-20f;
  r.combGain = -1e-30f;
  filterSanitizeRecord(&r);
  EXPECT_EQ(r.gain, 0.0f);
  EXPECT_EQ(r.combGain, 0.0f);
}

// Every channel switched off while notes hold and the per-voice master stages still run (the routing
// flags follow at the next rebuild): no channel writes the voices' master buffers, and the master
// filter and waveshaper, which work in place, used to run on the pool's leftovers block after block,
// their own output: here the resonant filter kept sounding near 3e4 from nothing, and in a long
// random run (with more gain in the chain) the values overflowed to infinity and NaN.
TEST_F(RtSetters, ChannelsSwitchedOffUnderHeldNotesLeaveTheMasterStagesOnSilence) {
  for (int lanes : {1, 3}) {
    fresh(0, 6);
    engineSetVoiceBufferCount(engine, 3, static_cast<std::int16_t>(lanes));
    filterSetOn(engine, 3, 1);
    filterSetPostMix(engine, 3, 0);
    filterSetType(engine, 3, filterLpf2Pole);
    filterSetResonance(engine, 3, 1.0);
    filterSetGainDb(engine, 3, 72.0);
    waveshaperSetOn(engine, 1);
    waveshaperSetPostMix(engine, 0);
    engineApplyPatchChange(engine, 0);
    ASSERT_EQ(engine->masterFilterPerVoice, 1);
    ASSERT_EQ(engine->waveshaperPerVoice, 1);
    std::string fault = block(chord());
    for (int b = 0; b < 10 && fault.empty(); ++b) fault = block({});
    for (std::int16_t c = 0; c < 3; ++c) oscSetOn(engine, c, 0);
    for (int b = 0; b < 800 && fault.empty(); ++b) {
      fault = block({});
      if (fault.empty() && b % 50 == 49) fault = rtCheckEngineState(engine);
    }
    EXPECT_EQ(fault, "") << lanes << " master lanes";
    // The filter rings out on silence (it held its leftovers near 3e4 for good).
    EXPECT_LT(signalPeak(engine->pool, enginePoolFloats), 100.0) << lanes << " master lanes";
  }
}

// The check itself: a not-a-number that no setter lets through, planted in the master effect's delay
// memory, is caught in the outputs.
TEST_F(RtSetters, NotANumberPlantedInTheEffectIsCaught) {
  fresh(0, 6);
  EXPECT_EQ(block(chord()), "");
  ASSERT_NE(engine->effectMemory.base, nullptr);
  for (std::int32_t i = 0; i < engine->effectMemory.capacity; ++i) engine->effectMemory.base[i] = std::nanf("");
  std::string fault;
  for (int b = 0; b < 4 && fault.empty(); ++b) fault = block({});
  EXPECT_NE(fault, "");
}

TEST_F(RtSetters, RandomSettersBetweenSubBlocksForThousandsOfBlocksStayFiniteAndNormal) {
  const auto& setters = rtSetters();
  const auto& hostile = rtHostileValues();
  // MORVANE_RT_SEED / MORVANE_RT_BLOCKS / MORVANE_RT_RATE choose another seed, length and engine rate
  // for a longer exploratory run.
  const char* seedText = std::getenv("MORVANE_RT_SEED");
  const char* blocksText = std::getenv("MORVANE_RT_BLOCKS");
  const char* rateText = std::getenv("MORVANE_RT_RATE");
  const float rate = rateText ? static_cast<float>(std::atof(rateText)) : 44100.0f;
  const int kEngines = rtStressVariants, kBlocksEach = blocksText ? std::atoi(blocksText) : 1200;
  std::mt19937 rng(seedText ? static_cast<unsigned>(std::atol(seedText)) : 20261209u);
  auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  for (int variant = 0; variant < kEngines; ++variant) {
    fresh(variant, 12, rate);
    const RtMidiPlan plan = rtMidiPlan(300u + static_cast<unsigned>(variant), kBlocksEach);
    std::string fault;
    std::string last;
    for (int b = 0; b < kBlocksEach && fault.empty(); ++b) {
      for (int e = pick(4); e > 0; --e) {
        const RtSetter& s = setters[static_cast<std::size_t>(pick(static_cast<int>(setters.size())))];
        double v;
        switch (pick(4)) {
          case 0: v = hostile[static_cast<std::size_t>(pick(static_cast<int>(hostile.size())))]; break;
          case 1: v = pick(24); break;
          default: v = uni(-1.0, 1.0) * std::pow(10.0, uni(-3.0, 4.5)); break;
        }
        const int i = pick(s.indexCount);
        s.apply(engine, i, v);
        last = describe(s, i, v);
      }
      if (pick(200) == 0) engineApplyPatchChange(engine, static_cast<std::uint8_t>(pick(2)));
      fault = block(plan.blocks[static_cast<std::size_t>(b)]);
      if (fault.empty() && b % 100 == 99) fault = rtCheckEngineState(engine);
      if (!fault.empty())
        fault = "variant " + std::to_string(variant) + " block " + std::to_string(b) + " after " + last + ": " + fault;
    }
    EXPECT_EQ(fault, "");
  }
  EXPECT_EQ(rtViolations(), 0) << rtReport();
}

}  // namespace
