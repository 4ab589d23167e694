// The seed files of the library reader's fuzzer, written with the library writer from an engine with
// varied modules, envelopes and preset waves: every kind (each effect kind apart) in each byte order.
// Writes them when MORVANE_LIBRARY_SEEDS names the folder to fill; otherwise checks that each stored
// seed loads and that its big-endian twin loads to the same engine records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "chunkTestUtil.h"
#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "preset/envelope.h"
#include "preset/library.h"
#include "preset/moduleRecords.h"
#include "preset/oscParams.h"
#include "preset/wave.h"
#include "sampleTestSettings.h"
#include "support/tempDir.h"
#include "uiSeams/msgBox.h"

namespace {

using chunktest::Bytes;

struct Seed {
  const char* name;
  int kind;
  std::int16_t index;  // the module, envelope slot or wave written; the place it is loaded to
};

// Slot layout of the library-only chunks (see chunktest::layoutOf for the module chunks).
// clang-format off
std::string libraryLayout(std::uint32_t id, std::uint32_t size) {
  std::string s;
  if (id >= chunkId("lib0") && id <= chunkId("lib9")) return "w";
  if (id == chunkId("tmpo")) return "dd";
  if (id == chunkId("1env")) {
    s = "hbbbbhhhhhhh" "wwww" "d" + std::string(16, 'w');
    for (int i = 0; i < envBreakpointCount; ++i) s += "dwwwwwwwddw";
    return s;
  }
  if (id == chunkId("1Wav")) return "hhhh" "s32" "w" + std::string(waveLength, 'w');
  if (id == chunkId("tune")) return "www" "d" "s32" + std::string(128, 'd');
  return chunktest::layoutOf(id, size);
}
// clang-format on

// The file as a machine of the other byte order writes it.
Bytes libraryToBigEndian(const Bytes& le) { return chunktest::toBigEndian(le, libraryLayout); }

std::int16_t envelope(Engine* e, std::int16_t owner, EnvDestKind destination, double mark) {
  const std::int16_t slot = envCreate(e, owner, destination);
  EXPECT_GE(slot, 0);
  envSetBpLevel(e, slot, 0, mark);
  envSetBpTime(e, slot, 1, 2205.0 * (owner + 1));
  envSetBpSlope(e, slot, 1, 2.0);
  return slot;
}

std::int16_t localWave(Engine* e, float harmonic) {
  const std::int16_t id = engineClaimPresetWave(e);
  EXPECT_GE(id, 0);
  WaveRecord* w = waveGet(e, id);
  for (int k = 0; k < waveLength; ++k) w->samples[k] = 0.7f * std::sin(harmonic * k * 6.2831853f / waveLength);
  return id;
}

// A source engine of varied modules; returns the seeds to write from it.
std::vector<Seed> fillSource(Engine* e) {
  std::vector<Seed> seeds;
  // Oscillator 1: FM between two preset waves, amplitude and pitch envelopes.
  ChannelOscRecord* osc = engineGetChannel(e, 1);
  osc->type = oscTypeFm;
  osc->level = 0.625f;
  osc->waveA = localWave(e, 1.0f);
  osc->waveB = localWave(e, 3.0f);
  envelope(e, 1, envDestOscAmp, 0.25);
  envelope(e, 1, envDestOscPitch, 0.5);
  seeds.push_back({"oscillator", libKindOscillator, 1});
  // Oscillator 2 plays a sample that is not there.
  ChannelOscRecord* sampled = engineGetChannel(e, 2);
  sampled->type = oscTypeSample;
  std::strcpy(sampled->sampleInfo.path, "missing/sample.wav");
  std::strcpy(sampled->sampleInfo.name, "sample.wav");
  seeds.push_back({"oscillatorSample", libKindOscillator, 2});
  // Channel 0: oscillator, filter and ring modulator on a preset wave, an envelope of each.
  engineGetFilter(e, 0)->on = 1;
  engineGetFilter(e, 0)->type = 3;
  engineGetFilter(e, 0)->resonance = 0.5f;
  ModulatorRecord* mod0 = engineGetModulator(e, 0);
  mod0->on = 1;
  mod0->type = modulatorRingmod;
  mod0->wave = localWave(e, 2.0f);
  envelope(e, 0, envDestOscPhase, 0.125);
  envelope(e, 0, envDestFilterFreq, 0.75);
  envelope(e, 0, envDestModPitch, 0.375);
  seeds.push_back({"channel", libKindChannel, 0});
  // Filter 2 (an allpass) with two filter envelopes; the master filter.
  FilterRecord* f2 = engineGetFilter(e, 2);
  f2->type = 12;
  f2->cutoff = 300.0f;
  envelope(e, 2, envDestFilterFreq, 0.0625);
  envelope(e, 2, envDestFilterRes, 0.875);
  seeds.push_back({"filter", libKindFilter, 2});
  engineGetFilter(e, 3)->type = 16;
  seeds.push_back({"filterMaster", libKindFilter, 3});
  // Modulator 1: frequency shifter on its own preset wave.
  ModulatorRecord* mod1 = engineGetModulator(e, 1);
  mod1->on = 1;
  mod1->freqMode = 1;
  mod1->ratio = 1.5f;
  mod1->wave = localWave(e, 5.0f);
  envelope(e, 1, envDestModBalance, 0.3);
  seeds.push_back({"modulator", libKindModulator, 1});
  // Waveshaper with a preset-wave curve and an envelope.
  WaveshaperRecord* ws = engineGetWaveshaper(e);
  ws->on = 1;
  ws->inGain = 2.0f;
  ws->wave = localWave(e, 0.5f);
  envelope(e, 0, envDestShapeInGain, 0.6);
  seeds.push_back({"waveshaper", libKindWaveshaper, 0});
  // A looping envelope with many breakpoints.
  const std::int16_t loop = envelope(e, 0, envDestOscModPhase, 0.9);
  for (std::int16_t bp = 2; bp < 12; ++bp) {
    envSetBpTime(e, loop, bp, 441.0 * bp);
    envSetBpLevel(e, loop, bp, (bp % 3) / 3.0);
  }
  envSetMode(e, loop, envModeLoop);
  envSetLfoOn(e, loop, 1);
  seeds.push_back({"envelope", libKindEnvelope, loop});
  seeds.push_back({"wave", libKindWave, static_cast<std::int16_t>(osc->waveB)});
  // A stretched tuning: per key the increment of a 1024-sample table at 44,100 Hz.
  for (int k = 0; k < 128; ++k) {
    const double v = 1024.0 * 440.0 * std::pow(2.0, (k - 69) * 1201.5 / 1200.0 / 12.0) / 44100.0;
    std::memcpy(e->tuningMap + 8 * k, &v, 8);
  }
  const std::int32_t keys = 12;
  const double octave = 12.0125;  // semitones
  std::memcpy(e->tuningMap + 1024, &keys, 4);
  std::memcpy(e->tuningMap + 1028, &octave, 8);
  std::memcpy(e->tuningMap + 1036, "Stretched", 10);
  seeds.push_back({"tuning", libKindTuning, 0});
  seeds.push_back({"notescale", libKindNotescale, 0});
  return seeds;
}

const char* const kEffectNames[] = {"", "effectPipe", "effectComb", "effectTap", "effectEcho", "effectRev"};

class LibrarySeeds : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { presetWavesInit(); }
  void SetUp() override {
    chunktest::setUpChunkLayer();
    msgBoxCaptureBegin(0);
    libSetupAll();
  }
  void TearDown() override {
    libResetForTest();
    msgBoxCaptureEnd();
    chunktest::tearDownChunkLayer();
  }
  // Loads the file as entry 1 of its kind into a fresh engine.
  Engine* load(int kind, std::int16_t target, const std::string& path) {
    Engine* e = engineCreate();
    EXPECT_NE(e, nullptr);
    if (kind == libKindWave) target = engineClaimPresetWave(e);  // a wave loads into a local wave
    // An envelope loads into an envelope the engine has.
    for (int i = 0; kind == libKindEnvelope && i < envSlotCount && !engineGetEnvelopeSlot(e, target)->allocated; ++i)
      envCreate(e, 0, envDestOscModPhase);
    FileSpec file;
    fileSpecClear(&file);
    fileSpecSetPath(&file, path.c_str(), nullptr);
    libSetEntry(kind, 0, &file);
    EXPECT_EQ(libDispatch(kind, 1, target, e), 0);
    return e;
  }
};

TEST_F(LibrarySeeds, WrittenByTheLibraryWriterAndLoadInBothByteOrders) {
  Engine* source = engineCreate();
  ASSERT_NE(source, nullptr);
  std::vector<Seed> seeds = fillSource(source);
  const char* target = std::getenv("MORVANE_LIBRARY_SEEDS");
  const std::string sep(1, testTempDir().back());
  const std::string dir = target ? std::string(target) + sep : testTempDir() + "librarySeeds" + sep;
  if (!target) testMakeFolder(dir);
  auto write = [&](const Seed& s) {
    FileSpec file;
    fileSpecClear(&file);
    const std::string path = dir + s.name + "-le.gly";
    fileSpecSetPath(&file, path.c_str(), nullptr);
    ASSERT_TRUE(libWriteFile(&file, s.kind, s.index, source)) << s.name;
    chunktest::writeFile(dir + s.name + "-be.gly", libraryToBigEndian(chunktest::readFile(path)));
  };
  for (const Seed& s : seeds) write(s);
  // One file per effect kind, with an effect envelope.
  envelope(source, 0, envDestEffectTime, 0.45);
  for (std::uint16_t type = 1; type <= 5; ++type) {
    effectSetType(source, type);
    effectSetOn(source, 1);
    effectSetLevelA(source, 0.5f);
    const Seed s{kEffectNames[type], libKindEffect, 0};
    write(s);
    seeds.push_back(s);
  }
  engineDestroy(source);

  // Each file loads, and both byte orders give the same records.
  for (const Seed& s : seeds) {
    Engine* le = load(s.kind, s.index, dir + s.name + "-le.gly");
    Engine* be = load(s.kind, s.index, dir + s.name + "-be.gly");
    for (std::int16_t c = 0; c < 3; ++c) {
      EXPECT_EQ(std::memcmp(engineGetChannel(le, c), engineGetChannel(be, c), sizeof(ChannelOscRecord)), 0) << s.name;
      EXPECT_EQ(std::memcmp(engineGetModulator(le, c), engineGetModulator(be, c), sizeof(ModulatorRecord)), 0)
          << s.name;
    }
    for (std::int16_t f = 0; f < 4; ++f)
      EXPECT_EQ(std::memcmp(engineGetFilter(le, f), engineGetFilter(be, f), sizeof(FilterRecord)), 0) << s.name;
    EXPECT_EQ(std::memcmp(engineGetWaveshaper(le), engineGetWaveshaper(be), sizeof(WaveshaperRecord)), 0) << s.name;
    for (std::int16_t slot = 0; slot < envSlotCount; ++slot)
      EXPECT_EQ(std::memcmp(engineGetEnvelopeSlot(le, slot)->breakpoints, engineGetEnvelopeSlot(be, slot)->breakpoints,
                            sizeof(EnvelopeSlot::breakpoints)),
                0)
          << s.name << " " << slot;
    for (int w = 0; w < waveLocalCount; ++w)
      EXPECT_EQ(
          std::memcmp(engineLocalWave(le, w)->samples, engineLocalWave(be, w)->samples, sizeof(float) * waveLength), 0)
          << s.name;
    EXPECT_EQ(std::memcmp(le->tuningMap, be->tuningMap, sizeof le->tuningMap), 0) << s.name;
    EXPECT_EQ(effectGetType(le), effectGetType(be)) << s.name;
    if (s.kind == libKindEffect) {
      EXPECT_NE(effectGetType(le), 0) << s.name;
    }
    if (s.kind == libKindTuning) {
      EXPECT_STREQ(reinterpret_cast<const char*>(le->tuningMap + 1036), "Stretched");
    }
    engineDestroy(le);
    engineDestroy(be);
  }
}

}  // namespace
