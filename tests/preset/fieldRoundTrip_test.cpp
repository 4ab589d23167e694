// Values set through the pages' setters come back unchanged after the bank is stored, written and
// reopened: every setter of a float field of the filter, modulator, waveshaper, LFO and echo records is
// driven to the ends of its range (and past them, and with NaN), and the reopened preset's record is
// compared field by field with the engine's. A second test moves one row of a field table and shows
// the setter, the file reader and the record copy into the engine following it together.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "bankTestIo.h"
#include "chunkTestUtil.h"
#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "engine/lfoRuntime.h"
#include "modules/echoEffect.h"
#include "modules/effectFrame.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/multiCombEffect.h"
#include "modules/multiTapEffect.h"
#include "modules/pipeEffect.h"
#include "modules/pitchIndex.h"
#include "modules/threeUnitEffect.h"
#include "modules/waveshaper.h"
#include "preset/bankFile.h"
#include "preset/envelope.h"
#include "preset/fieldTables.h"
#include "preset/moduleRecords.h"
#include "preset/oscParams.h"
#include "preset/presetHeader.h"
#include "preset/wave.h"
#include "support/tempDir.h"
#include "uiSeams/msgBox.h"

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace fieldroundtriptest {
using namespace banktest;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kHuge = 1e300;

struct FieldRoundTrip : EngineFixture {
  static void SetUpTestSuite() { presetWavesInit(); }
  void SetUp() override {
    chunktest::setUpChunkLayer();
    msgBoxCaptureBegin(0);
    EngineFixture::SetUp();
    effectSetType(engine, effectEcho);
    ASSERT_EQ(effectGetType(engine), effectEcho);
  }
  void TearDown() override {
    EngineFixture::TearDown();
    msgBoxCaptureEnd();
    chunktest::tearDownChunkLayer();
  }
  // The engine's preset stored in slot 0 of a bank, written and read into a fresh bank.
  Preset* reopened(Bank*& reread, const std::string& name) {
    Bank* bank = bankCreate();
    bankStorePreset(bank, engine, 0);
    const std::string path = testTempPath(name + ".glo");
    saveBank(bank, path);
    bankDestroy(bank);
    reread = bankCreate();
    EXPECT_TRUE(openBank(reread, path));
    return reread->slots[0];
  }
};

// Every float field of the records the setters reach, engine against reopened preset.
void expectSameRecords(Engine* e, const Preset* p, const std::string& what) {
  for (int i = 0; i < presetFilterCount; ++i)
    for (int f = 0; f < filterFieldCount; ++f)
      EXPECT_EQ(*filterFieldOf(&e->filters[i], f), *filterFieldOf(const_cast<FilterRecord*>(&p->filters[i]), f))
          << what << ": filter " << i << " field " << f;
  for (int i = 0; i < presetModulatorCount; ++i)
    for (int f = 0; f < modulatorFieldCount; ++f)
      EXPECT_EQ(*modulatorFieldOf(&e->modulators[i], f),
                *modulatorFieldOf(const_cast<ModulatorRecord*>(&p->modulators[i]), f))
          << what << ": modulator " << i << " field " << f;
  for (int f = 0; f < waveshaperFieldCount; ++f)
    EXPECT_EQ(*waveshaperFieldOf(&e->waveshaper, f),
              *waveshaperFieldOf(const_cast<WaveshaperRecord*>(&p->waveshaper), f))
        << what << ": waveshaper field " << f;
  for (int i = 0; i < presetLfoCount; ++i) {
    Lfo* a = &e->lfos[i];
    Lfo* b = const_cast<Lfo*>(&p->lfos[i]);
    for (int f = 0; f < lfoFieldCount; ++f) {
      if (float* x = lfoFloatFieldOf(a, f))
        EXPECT_EQ(*x, *lfoFloatFieldOf(b, f)) << what << ": lfo " << i << " field " << f;
      else
        EXPECT_EQ(*lfoDoubleFieldOf(a, f), *lfoDoubleFieldOf(b, f)) << what << ": lfo " << i << " field " << f;
    }
  }
  EXPECT_EQ(e->header.gain, p->header.gain) << what;
  EXPECT_EQ(e->header.transpose, p->header.transpose) << what;
  EXPECT_EQ(e->header.pan, p->header.pan) << what;
  {
    const ControllerSettings& a = e->controllers;
    const ControllerSettings& b = p->controllers;
    for (auto f :
         {&ControllerSettings::bendRange, &ControllerSettings::bendSmoothing, &ControllerSettings::positionWidth,
          &ControllerSettings::positionSmoothing, &ControllerSettings::volumeSmoothing,
          &ControllerSettings::filterDepth, &ControllerSettings::filterSmoothing,
          &ControllerSettings::oscLevelSmoothing, &ControllerSettings::oscLevelDepth,
          &ControllerSettings::effectSmoothing, &ControllerSettings::effectDepth})
      EXPECT_EQ(a.*f, b.*f) << what << ": controller field";
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(a.timeCoefficients[k], b.timeCoefficients[k]) << what << ": time coefficient " << k;
  }
  // The record copy adds the 1e-24 guard to the level, so a level of 0 is stored as 1e-24.
  for (int c = 0; c < presetChannelCount; ++c)
    for (int f = 0; f < oscFieldCount; ++f) {
      const float a = *oscFieldOf(e->channels[c], f);
      const float b = *oscFieldOf(const_cast<ChannelOscRecord*>(&p->channels[c]), f);
      if (f == oscFieldLevel)
        EXPECT_NEAR(a, b, 1.5e-24) << what << ": oscillator " << c << " level";
      else
        EXPECT_EQ(a, b) << what << ": oscillator " << c << " field " << f;
    }
  // The channel envelope of slot 0 (always stored) with the fields its setters reach.
  ASSERT_GE(p->envelopeCount, 1) << what;
  {
    const EnvelopeSlot& a = e->envSlots[0];
    const EnvelopeSlot& b = p->envelopes[0];
    EXPECT_EQ(a.startLevel, b.startLevel) << what;
    EXPECT_EQ(a.ampPercent, b.ampPercent) << what;
    EXPECT_EQ(a.ampOffset, b.ampOffset) << what;
    EXPECT_EQ(a.timePercent, b.timePercent) << what;
    EXPECT_EQ(a.slopePercent, b.slopePercent) << what;
    for (int k = 0; k < 2; ++k) {
      const Breakpoint& x = a.breakpoints[k];
      const Breakpoint& y = b.breakpoints[k];
      EXPECT_EQ(x.time, y.time) << what << " breakpoint " << k;
      EXPECT_EQ(x.level, y.level) << what << " breakpoint " << k;
      EXPECT_EQ(x.slope, y.slope) << what << " breakpoint " << k;
      EXPECT_EQ(x.ampScale, y.ampScale) << what << " breakpoint " << k;
      EXPECT_EQ(x.timeScale, y.timeScale) << what << " breakpoint " << k;
      EXPECT_EQ(x.lfoSeconds, y.lfoSeconds) << what << " breakpoint " << k;
      EXPECT_EQ(x.shSeconds, y.shSeconds) << what << " breakpoint " << k;
      EXPECT_EQ(x.lfoDepth, y.lfoDepth) << what << " breakpoint " << k;
    }
  }
  ASSERT_NE(p->effect, nullptr) << what;
  ASSERT_EQ(p->effect->type, effectEcho) << what;
  const EffectEchoRecord& x = e->effectEcho;
  const EffectEchoRecord& y = *reinterpret_cast<const EffectEchoRecord*>(p->effect);
  EXPECT_EQ(x.baseTime, y.baseTime) << what;
  EXPECT_EQ(x.beatTime, y.beatTime) << what;
  EXPECT_EQ(x.feedback, y.feedback) << what;
  for (int l = 0; l < 3; ++l) {
    EXPECT_EQ(x.lineTimeFactor[l], y.lineTimeFactor[l]) << what << " line " << l;
    EXPECT_EQ(x.lineModDepth[l], y.lineModDepth[l]) << what << " line " << l;
    EXPECT_EQ(x.lineLevel[l], y.lineLevel[l]) << what << " line " << l;
    EXPECT_EQ(x.linePan[l], y.linePan[l]) << what << " line " << l;
    EXPECT_EQ(x.lineFeedback[l], y.lineFeedback[l]) << what << " line " << l;
    EXPECT_EQ(x.lines[l].lowPassFreq, y.lines[l].lowPassFreq) << what << " line " << l;
    EXPECT_EQ(x.lines[l].highPassFreq, y.lines[l].highPassFreq) << what << " line " << l;
    EXPECT_EQ(x.lines[l].allpassFreq, y.lines[l].allpassFreq) << what << " line " << l;
  }
}

struct Setter {
  const char* name;
  std::function<void(Engine*, double)> set;
  std::vector<double> values;  // the range's ends, values past them, NaN
};

std::vector<Setter> setters() {
  // Filters 0..3 carry the types whose fields the setters reach: BPF (bandwidth), Notch (width, gain),
  // Comb (feedback, delay, comb gain), LPF -12dB (resonance, gain).
  const std::vector<double> wide = {-kHuge, -64.0, -5.0, 0.0, 1.0, 64.0, 1000.0, kHuge, kNaN};
  const std::vector<double> unit = {-kHuge, -1.0, -0.5, 0.0, 0.5, 1.0, 2.0, kHuge, kNaN};
  const std::vector<double> db = {-1e4, -200.0, -120.0, 0.0, 24.0, 72.0, 80.0, 590.0, 1e4, kNaN};
  const std::vector<double> hz = {-1.0, 1e-6, 1e-3, 5.0, 440.0, 2e4, 1e6, 1e7, kHuge, kNaN};
  return {
      {"filterSetResonance (LPF -12dB)", [](Engine* e, double v) { filterSetResonance(e, 3, v); }, unit},
      {"filterSetResonance (BPF bandwidth)", [](Engine* e, double v) { filterSetResonance(e, 0, v); }, wide},
      {"filterSetResonance (Comb feedback)", [](Engine* e, double v) { filterSetResonance(e, 2, v); }, unit},
      {"filterSetWidth (Notch)", [](Engine* e, double v) { filterSetWidth(e, 1, v); }, wide},
      {"filterSetGainDb (LPF -12dB)", [](Engine* e, double v) { filterSetGainDb(e, 3, v); }, db},
      {"filterSetGainDb (Comb)", [](Engine* e, double v) { filterSetGainDb(e, 2, v); }, db},
      {"filterSetFrequency (Notch)", [](Engine* e, double v) { filterSetFrequency(e, 1, v); }, hz},
      {"filterSetFrequency (Comb)", [](Engine* e, double v) { filterSetFrequency(e, 2, v); }, hz},
      {"modulatorSetFrequency (Ratio)", [](Engine* e, double v) { modulatorSetFrequency(e, 0, v); }, wide},
      {"modulatorSetFrequency (Hz)", [](Engine* e, double v) { modulatorSetFrequency(e, 1, v); }, hz},
      {"modulatorSetBalance", [](Engine* e, double v) { modulatorSetBalance(e, 2, v); }, unit},
      {"modulatorSetFeedback", [](Engine* e, double v) { modulatorSetFeedback(e, 2, v); }, unit},
      {"waveshaperSetInGainDb", [](Engine* e, double v) { waveshaperSetInGainDb(e, v); }, db},
      {"waveshaperSetOutGainDb", [](Engine* e, double v) { waveshaperSetOutGainDb(e, v); }, db},
      {"waveshaperSetPhase",
       [](Engine* e, double v) { waveshaperSetPhase(e, v); },
       {-kHuge, -1e30, -2000.0, 0.0, 2000.0, 1e30, kHuge, kNaN}},
      {"lfoSetPitchDepth",
       [](Engine* e, double v) { lfoSetPitchDepth(e, 0, v); },
       {-kHuge, -20.0, 0.0, 20.0, kHuge, kNaN}},
      {"lfoSetAmpDepth", [](Engine* e, double v) { lfoSetAmpDepth(e, 1, v); }, unit},
      {"lfoSetFieldDepth", [](Engine* e, double v) { lfoSetFieldDepth(e, 2, v); }, unit},
      {"lfoSetFilterRange", [](Engine* e, double v) { lfoSetFilterRange(e, 0, v); }, unit},
      {"lfoSetChannelDepth", [](Engine* e, double v) { lfoSetChannelDepth(e, 1, v); }, unit},
      {"lfoSetPercentSetting", [](Engine* e, double v) { lfoSetPercentSetting(e, 2, v); }, unit},
      {"lfoSetStartPhase",
       [](Engine* e, double v) { lfoSetStartPhase(e, 0, v); },
       {-kHuge, -1.0, 0.0, 1024.0, 5000.0, kHuge, kNaN}},
      {"lfoSetRateRange", [](Engine* e, double v) { lfoSetRateRange(e, 1, v); }, unit},
      {"lfoSetDepthAmount", [](Engine* e, double v) { lfoSetDepthAmount(e, 2, v); }, unit},
      {"lfoSetHoldRateRange", [](Engine* e, double v) { lfoSetHoldRateRange(e, 0, v); }, unit},
      {"lfoSetPeriodSeconds",
       [](Engine* e, double v) { lfoSetPeriodSeconds(e, 1, v); },
       {-1.0, 0.0, 1e-4, 0.5, 1e5, 1e6, kHuge, kNaN}},
      {"lfoSetHoldSeconds",
       [](Engine* e, double v) { lfoSetHoldSeconds(e, 2, v); },
       {-1.0, 0.0, 1e-4, 0.5, 1e5, 1e6, kHuge, kNaN}},
      {"lfoSetPeriodBeats",
       [](Engine* e, double v) { lfoSetPeriodBeats(e, 0, v); },
       {-1.0, 0.0, 1e-4, 0.5, 1e4, 1e5, kHuge, kNaN}},
      {"lfoSetHoldBeats",
       [](Engine* e, double v) { lfoSetHoldBeats(e, 1, v); },
       {-1.0, 0.0, 1e-4, 0.5, 1e4, 1e5, kHuge, kNaN}},
      {"effectEchoSetBaseTime", [](Engine* e, double v) { effectEchoSetBaseTime(e, v); }, unit},
      {"effectEchoSetBeatTime",
       [](Engine* e, double v) { effectEchoSetBeatTime(e, v); },
       {-1.0, 0.0, 8.0, 9.0, kHuge, kNaN}},
      {"effectEchoSetFeedback", [](Engine* e, double v) { effectEchoSetFeedback(e, static_cast<float>(v)); }, unit},
      {"effectEchoSetLineTimeFactor", [](Engine* e, double v) { effectEchoSetLineTimeFactor(e, 1, v); }, unit},
      {"effectEchoSetLineModAmount", [](Engine* e, double v) { effectEchoSetLineModAmount(e, 2, v); }, unit},
      {"effectEchoSetLineLevel", [](Engine* e, double v) { effectEchoSetLineLevel(e, 0, v); }, db},
      {"effectEchoSetLinePan", [](Engine* e, double v) { effectEchoSetLinePan(e, 1, static_cast<float>(v)); }, unit},
      {"effectEchoSetLineFeedback", [](Engine* e, double v) { effectEchoSetLineFeedback(e, 2, static_cast<float>(v)); },
       unit},
      {"effectEchoSetLowPassFreq", [](Engine* e, double v) { effectEchoSetLowPassFreq(e, 0, v); }, hz},
      {"effectEchoSetHighPassFreq", [](Engine* e, double v) { effectEchoSetHighPassFreq(e, 1, v); }, hz},
      {"effectEchoSetAllpassFreq", [](Engine* e, double v) { effectEchoSetAllpassFreq(e, 2, v); }, hz},
      {"oscSetPitch (Ratio)", [](Engine* e, double v) { oscSetPitch(e, 0, static_cast<float>(v)); }, wide},
      {"oscSetPitch (Hz)", [](Engine* e, double v) { oscSetPitch(e, 1, static_cast<float>(v)); }, hz},
      {"oscSetPitchB (Ratio)", [](Engine* e, double v) { oscSetPitchB(e, 0, static_cast<float>(v)); }, wide},
      {"oscSetPitchB (Hz)", [](Engine* e, double v) { oscSetPitchB(e, 1, static_cast<float>(v)); }, hz},
      {"oscSetLevel", [](Engine* e, double v) { oscSetLevel(e, 0, static_cast<float>(v)); }, unit},
      {"oscSetInputGain", [](Engine* e, double v) { oscSetInputGain(e, 1, static_cast<float>(v)); }, wide},
      {"oscSetBalance (Double)", [](Engine* e, double v) { oscSetBalance(e, 2, static_cast<float>(v)); }, unit},
      {"oscSetFmIndex", [](Engine* e, double v) { oscSetFmIndex(e, 1, static_cast<float>(v)); }, wide},
      {"oscSetTrans", [](Engine* e, double v) { oscSetTrans(e, 0, v); }, {-1.0, 0.0, 48.0, 60.0, kHuge, kNaN}},
      {"oscSetRandTrans", [](Engine* e, double v) { oscSetRandTrans(e, 1, v); }, {-1.0, 0.0, 72.0, 80.0, kHuge, kNaN}},
      {"patchSetGain", [](Engine* e, double v) { patchSetGain(e, static_cast<float>(v)); }, wide},
      {"patchSetTranspose",
       [](Engine* e, double v) { patchSetTranspose(e, v); },
       {-kHuge, -100.0, -48.0, 0.0, 48.0, 100.0, kHuge, kNaN}},
      {"patchSetPan", [](Engine* e, double v) { patchSetPan(e, static_cast<float>(v)); }, unit},
      {"ccMapSetPitchBendRange",
       [](Engine* e, double v) { ccMapSetPitchBendRange(e, v); },
       {-1.0, 0.0, 72.0, 100.0, kHuge, kNaN}},
      {"ccMapSetPositionWidth",
       [](Engine* e, double v) { ccMapSetPositionWidth(e, v); },
       {-1.0, 0.0, 100.0, 200.0, kHuge, kNaN}},
      {"ccMapSetFilterDepth",
       [](Engine* e, double v) { ccMapSetFilterDepth(e, v); },
       {-1.0, 0.0, 100.0, 200.0, kHuge, kNaN}},
      {"ccMapSetOscLevelDepth",
       [](Engine* e, double v) { ccMapSetOscLevelDepth(e, v); },
       {-1.0, 0.0, 100.0, 200.0, kHuge, kNaN}},
      {"ccMapSetEffectDepth",
       [](Engine* e, double v) { ccMapSetEffectDepth(e, v); },
       {-1.0, 0.0, 100.0, 200.0, kHuge, kNaN}},
      {"ccMapSetBendSmoothing",
       [](Engine* e, double v) { ccMapSetBendSmoothing(e, v); },
       {-1.0, 0.0, 1.0, 11.0, 1e4, kHuge, kNaN}},
      {"ccMapSetPositionSmoothing",
       [](Engine* e, double v) { ccMapSetPositionSmoothing(e, v); },
       {-1.0, 0.0, 1.0, 11.0, 1e4, kHuge, kNaN}},
      {"ccMapSetVolumeSmoothing",
       [](Engine* e, double v) { ccMapSetVolumeSmoothing(e, v); },
       {-1.0, 0.0, 1.0, 11.0, 1e4, kHuge, kNaN}},
      {"ccMapSetFilterSmoothing",
       [](Engine* e, double v) { ccMapSetFilterSmoothing(e, v); },
       {-1.0, 0.0, 1.0, 11.0, 1e4, kHuge, kNaN}},
      {"ccMapSetOscLevelSmoothing",
       [](Engine* e, double v) { ccMapSetOscLevelSmoothing(e, v); },
       {-1.0, 0.0, 1.0, 11.0, 1e4, kHuge, kNaN}},
      {"ccMapSetEffectSmoothing",
       [](Engine* e, double v) { ccMapSetEffectSmoothing(e, v); },
       {-1.0, 0.0, 1.0, 26.0, 1e4, kHuge, kNaN}},
      {"ccMapSetCoefficientTime",
       [](Engine* e, double v) { ccMapSetCoefficientTime(e, 0, v); },
       {-1.0, 0.0, 1.0, 11.0, 1e4, kHuge, kNaN}},
      {"envSetAmpPercent", [](Engine* e, double v) { envSetAmpPercent(e, 0, static_cast<float>(v)); }, wide},
      {"envSetAmpOffset", [](Engine* e, double v) { envSetAmpOffset(e, 0, static_cast<float>(v)); }, unit},
      {"envSetTimePercent", [](Engine* e, double v) { envSetTimePercent(e, 0, static_cast<float>(v)); }, wide},
      {"envSetSlopePercent", [](Engine* e, double v) { envSetSlopePercent(e, 0, static_cast<float>(v)); }, wide},
      {"envSetBpTime",
       [](Engine* e, double v) { envSetBpTime(e, 0, 1, v); },
       {-1.0, 0.0, 44100.0, 3.81024e9, 1e12, kHuge, kNaN}},
      {"envSetBpLevel", [](Engine* e, double v) { envSetBpLevel(e, 0, 1, v); }, unit},
      {"envSetBpLevel (start)", [](Engine* e, double v) { envSetBpLevel(e, 0, -1, v); }, unit},
      {"envSetBpSlope",
       [](Engine* e, double v) { envSetBpSlope(e, 0, 1, v); },
       {-1.0, 0.0, 2.0, 1e6, 1e7, kHuge, kNaN}},
      {"envSetBpAmpScale", [](Engine* e, double v) { envSetBpAmpScale(e, 0, 1, v); }, unit},
      {"envSetBpTimeScale", [](Engine* e, double v) { envSetBpTimeScale(e, 0, 1, v); }, unit},
      {"envSetBpDepth", [](Engine* e, double v) { envSetBpDepth(e, 0, 1, static_cast<float>(v)); }, unit},
      {"envSetBpLfoSec",
       [](Engine* e, double v) { envSetBpLfoSec(e, 0, 1, static_cast<float>(v)); },
       {-1.0, 0.0, 1e-4, 0.5, 999.0, 1e4, kHuge, kNaN}},
      {"envSetBpShSec",
       [](Engine* e, double v) { envSetBpShSec(e, 0, 1, static_cast<float>(v)); },
       {-1.0, 0.0, 1e-4, 0.5, 999.0, 1e4, kHuge, kNaN}},
  };
}

void setTypes(Engine* e) {
  e->filters[0].type = filterBpf;
  e->filters[1].type = filterNotch;
  e->filters[2].type = filterComb;
  e->filters[3].type = filterLpf12dB;
  e->modulators[0].freqMode = 1;
  e->channels[0]->freqMode = e->channels[0]->freqModeB = oscFreqRatio;
  e->channels[1]->freqMode = e->channels[1]->freqModeB = oscFreqHz;
  e->channels[2]->type = oscTypeDouble;
  e->modulators[1].freqMode = 3;
}

TEST_F(FieldRoundTrip, EverySetterValueSurvivesSaveAndReopen) {
  setTypes(engine);
  // One value of every setter at a time (its position in the value list), then one file per round.
  const std::vector<Setter> all = setters();
  std::size_t rounds = 0;
  for (const Setter& s : all) rounds = std::max(rounds, s.values.size());
  for (std::size_t k = 0; k < rounds; ++k) {
    for (const Setter& s : all) {
      if (k < s.values.size()) s.set(engine, s.values[k]);
    }
    Bank* reread = nullptr;
    const Preset* p = reopened(reread, "round" + std::to_string(k));
    ASSERT_NE(p, nullptr);
    expectSameRecords(engine, p, "round " + std::to_string(k));
    bankDestroy(reread);
  }
  // The issue's own cases, one by one: none changes on the way.
  filterSetGainDb(engine, 3, 30.0);     // gain 32
  filterSetResonance(engine, 0, -5.0);  // BPF bandwidth -5
  filterSetWidth(engine, 1, -5.0);      // Notch width -5
  waveshaperSetInGainDb(engine, 30.0);  // 32
  waveshaperSetOutGainDb(engine, 30.0);
  waveshaperSetPhase(engine, 2000.0);
  lfoSetPitchDepth(engine, 0, 20.0);
  lfoSetFieldDepth(engine, 1, 2.0);
  lfoSetPercentSetting(engine, 2, -0.5);
  Bank* reread = nullptr;
  const Preset* p = reopened(reread, "issue");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->filters[3].gain, 32.0f);
  EXPECT_EQ(p->filters[0].bandwidth, -5.0f);
  EXPECT_EQ(p->filters[1].width, -5.0f);
  EXPECT_EQ(p->waveshaper.inGain, 32.0f);
  EXPECT_EQ(p->waveshaper.outGain, 32.0f);
  EXPECT_EQ(p->waveshaper.phase, 2000.0f);
  EXPECT_EQ(p->lfos[0].pitchDepth, 20.0f);
  EXPECT_EQ(p->lfos[1].fieldDepth, 2.0f);
  EXPECT_EQ(p->lfos[2].percentSetting, -0.5f);
  expectSameRecords(engine, p, "issue cases");
  bankDestroy(reread);
}

// The other effect kinds, one at a time: every setter driven through the same values, the preset
// stored, written and reopened, selected into a second engine, and each getter read on both.
struct EffectAccess {
  const char* name;
  std::function<void(Engine*, int, double)> set;
  std::function<double(Engine*, int)> get;
  int count;  // indices 0..count-1
};

std::vector<EffectAccess> effectAccess(std::uint16_t type) {
  std::vector<EffectAccess> a = {
      {"levelA", [](Engine* e, int, double v) { effectSetLevelA(e, static_cast<float>(v)); },
       [](Engine* e, int) { return double(effectGetLevelA(e)); }, 1},
      {"levelB", [](Engine* e, int, double v) { effectSetLevelB(e, static_cast<float>(v)); },
       [](Engine* e, int) { return double(effectGetLevelB(e)); }, 1},
      {"time", [type](Engine* e, int, double v) { effectSetTime(e, type, v); },
       [type](Engine* e, int) { return effectGetTime(e, type); }, 1},
  };
  auto I = [](int i) { return static_cast<std::int16_t>(i); };
  if (type == effectPipe) {
    a.push_back({"delay", [](Engine* e, int, double v) { effectPipeSetDelay(e, v); },
                 [](Engine* e, int) { return effectPipeGetDelay(e); }, 1});
    a.push_back({"feedback", [](Engine* e, int, double v) { effectPipeSetFeedback(e, v); },
                 [](Engine* e, int) { return effectPipeGetFeedback(e); }, 1});
    a.push_back({"inputPos", [](Engine* e, int, double v) { effectPipeSetInputPos(e, v); },
                 [](Engine* e, int) { return effectPipeGetInputPos(e); }, 1});
    a.push_back({"filterFreq", [](Engine* e, int, double v) { effectPipeSetFilterFreq(e, v); },
                 [](Engine* e, int) { return effectPipeGetFilterFreq(e); }, 1});
    a.push_back({"lengthMod", [](Engine* e, int, double v) { effectPipeSetLengthMod(e, v); },
                 [](Engine* e, int) { return effectPipeGetLengthMod(e); }, 1});
    a.push_back({"pickupPos", [I](Engine* e, int i, double v) { effectPipeSetPickupPos(e, I(i), v); },
                 [I](Engine* e, int i) { return effectPipeGetPickupPos(e, I(i)); }, 2});
    a.push_back({"pickupMod", [I](Engine* e, int i, double v) { effectPipeSetPickupMod(e, I(i), v); },
                 [I](Engine* e, int i) { return effectPipeGetPickupMod(e, I(i)); }, 2});
  } else if (type == effectComb) {
    a.push_back({"delay", [](Engine* e, int, double v) { effectCombSetDelay(e, v); },
                 [](Engine* e, int) { return effectCombGetDelay(e); }, 1});
    a.push_back({"feedback", [](Engine* e, int, double v) { effectCombSetFeedback(e, v); },
                 [](Engine* e, int) { return effectCombGetFeedback(e); }, 1});
    a.push_back({"filterFreq", [](Engine* e, int, double v) { effectCombSetFilterFreq(e, v); },
                 [](Engine* e, int) { return effectCombGetFilterFreq(e); }, 1});
    a.push_back({"delayFactor", [I](Engine* e, int i, double v) { effectCombSetDelayFactor(e, I(i), v); },
                 [I](Engine* e, int i) { return effectCombGetDelayFactor(e, I(i)); }, effectCombCount});
    a.push_back({"feedbackFactor", [I](Engine* e, int i, double v) { effectCombSetFeedbackFactor(e, I(i), v); },
                 [I](Engine* e, int i) { return effectCombGetFeedbackFactor(e, I(i)); }, effectCombCount});
    a.push_back({"level", [I](Engine* e, int i, double v) { effectCombSetLevel(e, I(i), v); },
                 [I](Engine* e, int i) { return effectCombGetLevel(e, I(i)); }, effectCombCount});
    a.push_back({"modAmount", [I](Engine* e, int i, double v) { effectCombSetModAmount(e, I(i), v); },
                 [I](Engine* e, int i) { return effectCombGetModAmount(e, I(i)); }, effectCombCount});
    a.push_back({"pan", [I](Engine* e, int i, double v) { effectCombSetPan(e, I(i), v); },
                 [I](Engine* e, int i) { return effectCombGetPan(e, I(i)); }, effectCombCount});
    a.push_back({"filterFactor", [I](Engine* e, int i, double v) { effectCombSetFilterFactor(e, I(i), v); },
                 [I](Engine* e, int i) { return effectCombGetFilterFactor(e, I(i)); }, effectCombCount});
  } else if (type == effectTap) {
    a.push_back({"feedback", [](Engine* e, int, double v) { effectTapSetFeedback(e, v); },
                 [](Engine* e, int) { return effectTapGetFeedback(e); }, 1});
    a.push_back({"filterFreq", [](Engine* e, int, double v) { effectTapSetFilterFreq(e, v); },
                 [](Engine* e, int) { return effectTapGetFilterFreq(e); }, 1});
    a.push_back({"time", [](Engine* e, int, double v) { effectTapSetTime(e, v); },
                 [](Engine* e, int) { return effectTapGetTime(e); }, 1});
    a.push_back({"modAmount", [I](Engine* e, int i, double v) { effectTapSetModAmount(e, I(i), v); },
                 [I](Engine* e, int i) { return effectTapGetModAmount(e, I(i)); }, effectTapCount});
    a.push_back({"timeFactor", [I](Engine* e, int i, double v) { effectTapSetTimeFactor(e, I(i), v); },
                 [I](Engine* e, int i) { return effectTapGetTimeFactor(e, I(i)); }, effectTapCount});
    a.push_back({"level", [I](Engine* e, int i, double v) { effectTapSetLevel(e, I(i), v); },
                 [I](Engine* e, int i) { return effectTapGetLevel(e, I(i)); }, effectTapCount});
    a.push_back({"pan", [I](Engine* e, int i, double v) { effectTapSetPan(e, I(i), v); },
                 [I](Engine* e, int i) { return effectTapGetPan(e, I(i)); }, effectTapCount});
  } else if (type == effectRev) {
    a.push_back({"size", [](Engine* e, int, double v) { effectRevSetSize(e, v); },
                 [](Engine* e, int) { return effectRevGetSize(e); }, 1});
    a.push_back({"brightness", [](Engine* e, int, double v) { effectRevSetBrightness(e, v); },
                 [](Engine* e, int) { return effectRevGetBrightness(e); }, 1});
    a.push_back({"feedback", [](Engine* e, int, double v) { effectRevSetFeedback(e, v); },
                 [](Engine* e, int) { return effectRevGetFeedback(e); }, 1});
    a.push_back({"preDelay", [](Engine* e, int, double v) { effectRevSetPreDelay(e, v); },
                 [](Engine* e, int) { return effectRevGetPreDelay(e); }, 1});
    a.push_back({"jitter", [](Engine* e, int, double v) { effectRevSetJitter(e, v); },
                 [](Engine* e, int) { return effectRevGetJitter(e); }, 1});
    a.push_back({"unitScale", [](Engine* e, int u, double v) { effectRevSetUnitScale(e, u, v); },
                 [](Engine* e, int u) { return effectRevGetUnitScale(e, u); }, 3});
    a.push_back({"laneSpread", [](Engine* e, int u, double v) { effectRevSetLaneSpread(e, u, v); },
                 [](Engine* e, int u) { return effectRevGetLaneSpread(e, u); }, 3});
    a.push_back({"timeModDepth", [](Engine* e, int u, double v) { effectRevSetTimeModDepth(e, u, v); },
                 [](Engine* e, int u) { return effectRevGetTimeModDepth(e, u); }, 3});
    a.push_back({"unitBrightness", [](Engine* e, int u, double v) { effectRevSetUnitBrightness(e, u, v); },
                 [](Engine* e, int u) { return effectRevGetUnitBrightness(e, u); }, 3});
    a.push_back({"laneBrightSpread", [](Engine* e, int u, double v) { effectRevSetLaneBrightSpread(e, u, v); },
                 [](Engine* e, int u) { return effectRevGetLaneBrightSpread(e, u); }, 3});
    a.push_back({"brightModDepth", [](Engine* e, int u, double v) { effectRevSetBrightModDepth(e, u, v); },
                 [](Engine* e, int u) { return effectRevGetBrightModDepth(e, u); }, 3});
  }
  return a;
}

TEST_F(FieldRoundTrip, EveryEffectKindsSettersSurviveSaveAndReopen) {
  const std::vector<double> values = {-kHuge, -1e4, -200.0, -1.0, 0.0, 1e-5,  0.5,
                                      1.0,    2.0,  100.0,  1e4,  1e7, kHuge, kNaN};
  Engine* other = engineCreate();
  ASSERT_NE(other, nullptr);
  for (std::uint16_t type : {effectPipe, effectComb, effectTap, effectRev}) {
    effectSetType(engine, type);
    ASSERT_EQ(effectGetType(engine), type);
    const std::vector<EffectAccess> access = effectAccess(type);
    for (std::size_t k = 0; k < values.size(); ++k) {
      for (const EffectAccess& a : access)
        for (int i = 0; i < a.count; ++i) a.set(engine, i, values[(k + i) % values.size()]);
      Bank* reread = nullptr;
      const Preset* p = reopened(reread, "effect" + std::to_string(type) + "_" + std::to_string(k));
      ASSERT_NE(p, nullptr);
      ASSERT_NE(p->effect, nullptr);
      engineSetBank(other, reread);
      bankSelectPreset(reread, other, 0);
      ASSERT_EQ(effectGetType(other), type);
      for (const EffectAccess& a : access)
        for (int i = 0; i < a.count; ++i)
          EXPECT_EQ(a.get(engine, i), a.get(other, i))
              << "effect " << type << " " << a.name << "[" << i << "] round " << k;
      engineSetBank(other, nullptr);
      bankDestroy(reread);
    }
  }
  engineDestroy(other);
}

// Every stored value lies within its row whatever the setter was handed (the values the real-time
// hostile-value test hands over), and NaN gives the row's value for it.
TEST_F(FieldRoundTrip, HostileSetterValuesStayWithinTheRows) {
  setTypes(engine);
  for (const Setter& s : setters()) {
    for (double v :
         {-kHuge, kHuge, -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(), kNaN})
      s.set(engine, v);
  }
  for (int i = 0; i < presetFilterCount; ++i)
    for (int f = 0; f < filterFieldCount; ++f) {
      const float x = *filterFieldOf(&engine->filters[i], f);
      EXPECT_GE(x, filterFields[f].lo) << i << " " << f;
      EXPECT_LE(x, filterFields[f].hi) << i << " " << f;
    }
  for (int i = 0; i < presetLfoCount; ++i)
    for (int f = 0; f < lfoFieldCount; ++f)
      if (float* x = lfoFloatFieldOf(&engine->lfos[i], f)) {
        EXPECT_TRUE(std::isfinite(*x)) << i << " " << f;
        EXPECT_GE(*x, lfoFields[f].lo) << i << " " << f;
        EXPECT_LE(*x, lfoFields[f].hi) << i << " " << f;
      }
  EXPECT_EQ(engine->filters[3].resonance, filterFields[filterFieldResonance].nan);  // NaN came last
  EXPECT_EQ(engine->modulators[2].feedback, static_cast<float>(modulatorFields[modulatorFieldFeedback].nan));
}

// The table is the only place that knows a range: narrowing one row moves the setter, the file
// reader and the record copy into the engine together.
TEST_F(FieldRoundTrip, MovingOneRowMovesSetterReaderAndCopy) {
  const FieldRange saved = filterFields[filterFieldGain];
  filterFields[filterFieldGain].hi = 8.0;
  engine->filters[3].type = filterLpf12dB;

  filterSetGainDb(engine, 3, 24.0);  // 16 asked for
  EXPECT_EQ(engine->filters[3].gain, 8.0f);

  FilterRecord wide = engine->filters[3];
  wide.gain = 16.0f;
  FilterRecord copied;
  filterCopyRecord(engine, &wide, &copied, 3, 1);
  EXPECT_EQ(copied.gain, 8.0f);

  // A file written while the row allowed 16 reads back as 8.
  filterFields[filterFieldGain] = saved;
  filterSetGainDb(engine, 3, 24.0);
  EXPECT_EQ(engine->filters[3].gain, 16.0f);
  Bank* bank = bankCreate();
  bankStorePreset(bank, engine, 0);
  const std::string path = testTempPath("narrowed.glo");
  saveBank(bank, path);
  bankDestroy(bank);
  filterFields[filterFieldGain].hi = 8.0;
  Bank* reread = bankCreate();
  ASSERT_TRUE(openBank(reread, path));
  EXPECT_EQ(reread->slots[0]->filters[3].gain, 8.0f);
  bankDestroy(reread);
  filterFields[filterFieldGain] = saved;
}

// The same for an effect row: the three-unit effect's pre-delay held to 0.25 s moves its setter,
// the chunk reader and the copy of a preset's record into the engine.
TEST_F(FieldRoundTrip, MovingAnEffectRowMovesSetterReaderAndCopy) {
  FieldRange& row = revFields[revFieldPreDelay];
  const FieldRange saved = row;
  effectSetType(engine, effectRev);
  ASSERT_EQ(effectGetType(engine), effectRev);
  effectRevSetPreDelay(engine, 400.0);
  EXPECT_DOUBLE_EQ(effectRevGetPreDelay(engine), 400.0);
  Bank* bank = bankCreate();
  bankStorePreset(bank, engine, 0);
  const std::string path = testTempPath("narrowedEffect.glo");
  saveBank(bank, path);

  row.hi = 0.25;
  effectRevSetPreDelay(engine, 400.0);
  EXPECT_DOUBLE_EQ(effectRevGetPreDelay(engine), 250.0);
  Bank* reread = bankCreate();
  ASSERT_TRUE(openBank(reread, path));
  ASSERT_NE(reread->slots[0]->effect, nullptr);
  EXPECT_DOUBLE_EQ(reinterpret_cast<const EffectRevRecord*>(reread->slots[0]->effect)->preDelay, 0.25);
  // The record the bank held before (0.4 s) is held to the row when it is copied into the engine.
  engineSetBank(engine, bank);
  bankSelectPreset(bank, engine, 0);
  EXPECT_DOUBLE_EQ(effectRevGetPreDelay(engine), 250.0);
  engineSetBank(engine, nullptr);
  row = saved;
  bankDestroy(reread);
  bankDestroy(bank);
}

// The rows' defaults are the records' defaults: a fresh record of every kind holds each row's
// default where the kind has one value for all its elements (the pitch indices of 8,000 Hz and
// 20 Hz are written in the table as the floats dspFreqToIndex gives).
TEST(EffectFieldRows, FreshRecordsHoldTheRowsDefaults) {
  EXPECT_EQ(static_cast<float>(pipeFields[pipeFieldFilterIndex].def), static_cast<float>(dspFreqToIndex(8000.0)));
  EXPECT_EQ(static_cast<float>(tapFields[tapFieldSecondIndex].def), static_cast<float>(dspFreqToIndex(20.0)));
  EffectPipeRecord pipe;
  effectPipeInit(&pipe);
  EffectPipeRecord pipeClamped = pipe;
  effectPipeClampRecord(&pipeClamped);
  EXPECT_EQ(std::memcmp(&pipe, &pipeClamped, sizeof pipe), 0);
  EffectCombRecord comb;
  effectCombInit(&comb);
  EffectCombRecord combClamped = comb;
  effectCombClampRecord(&combClamped);
  EXPECT_EQ(std::memcmp(&comb, &combClamped, sizeof comb), 0);
  EffectTapRecord tap;
  effectTapInit(&tap);
  EffectTapRecord tapClamped = tap;
  effectTapClampRecord(&tapClamped);
  EXPECT_EQ(std::memcmp(&tap, &tapClamped, sizeof tap), 0);
  EXPECT_EQ(pipe.pickupPos[1], static_cast<float>(pipeFields[pipeFieldPickupPos1].def));
  EXPECT_EQ(comb.filterIndex, static_cast<float>(combFields[combFieldFilterIndex].def));
  EXPECT_EQ(tap.secondIndex, static_cast<float>(tapFields[tapFieldSecondIndex].def));
  // The record clamp: NaN takes the row's default, a value beyond the row its end.
  pipe.feedback = std::numeric_limits<float>::quiet_NaN();
  pipe.inputPos = 7.0f;
  effectPipeClampRecord(&pipe);
  EXPECT_EQ(pipe.feedback, static_cast<float>(pipeFields[pipeFieldFeedback].def));
  EXPECT_EQ(pipe.inputPos, static_cast<float>(pipeFields[pipeFieldInputPos].hi));
}

}  // namespace
}  // namespace fieldroundtriptest
