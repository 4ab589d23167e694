// The links between the engine and its units: the volume control and the oscillator level control,
// note-curve edits entering clamped, comb buffers handed out by the rebuild, band-limited tables
// rebuilt when a played wave changes, and samples given back when the engine resets or goes away.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "engine/controllerMap.h"
#include "modules/filterModule.h"
#include "preset/editBlock.h"
#include "preset/oscParams.h"
#include "preset/sample.h"
#include "preset/samplePool.h"
#include "support/signal.h"
#include "voiceRig.h"

namespace {

struct EngineWiring : VoiceRig {
  double rmsAfter(int settle, int blocks) {
    record(settle);
    return signalRms(record(blocks)[0]);
  }
};

TEST_F(EngineWiring, VolumeControllerScalesTheOscillatorsAndTheLevelControlLeavesASingleAlone) {
  // One note from a fresh preset, after `before` has set the controls up.
  auto play = [&](const std::function<void()>& before) {
    engineInitPreset(engine);
    engine->channels[0]->on = 1;
    setPolyphony(4);
    before();
    record(100);
    noteOn(69, 100);
    return rmsAfter(8, 16);
  };
  const double plain = play([] {});
  ASSERT_GT(plain, 0.01);
  // Oscillator level control at full depth with its source (the mod wheel) at 0: a "Single" has no FM
  // index or balance, so its level must not move.
  const double wheelDown = play([&] {
    ccMapSetOscLevelDepth(engine, 100.0);
    controller(1, 0);
  });
  EXPECT_LT(engine->controllers.oscLevel, 1e-3f);
  EXPECT_NEAR(wheelDown / plain, 1.0, 0.02);
  // Volume (controller 7) at 0 silences every oscillator.
  EXPECT_LT(play([&] { controller(7, 0); }), plain * 1e-3);
}

TEST_F(EngineWiring, NoteCurveEditEntersTheEngineClamped) {
  float* values = editBeginNoteCurve(engine, 1, 0);
  ASSERT_NE(values, nullptr);
  values[10] = 7.0f;
  values[11] = -3.0f;
  values[12] = NAN;
  values[13] = 0.5f;
  editCommit(engine, editKindNoteCurve, 0);
  const float* live = engine->noteCurves.curves[0].values;
  EXPECT_EQ(live[10], 1.0f);
  EXPECT_EQ(live[11], 0.0f);
  EXPECT_EQ(live[12], 1.0f);
  EXPECT_EQ(live[13], 0.5f);
}

TEST_F(EngineWiring, RebuildHandsCombBuffersToEveryVoiceOfACombFilter) {
  engine->filters[0].on = 1;
  engine->filters[0].type = filterComb;
  setPolyphony(6);
  for (int v = 0; v < 6; ++v) EXPECT_EQ(engine->filterStates[0][v][0].combBuffer, v) << "voice " << v;
  int used = 0;
  for (std::uint8_t u : engine->combUsage) used += u;
  EXPECT_EQ(used, 6);
  noteOn(60, 100);
  const auto x = record(16)[0];
  EXPECT_TRUE(signalAllNormal(x.data(), x.size()));
  EXPECT_GT(signalRms(x), 0.001);
  engineInitPreset(engine);  // a new preset frees the pool
  used = 0;
  for (std::uint8_t u : engine->combUsage) used += u;
  EXPECT_EQ(used, 0);
}

TEST_F(EngineWiring, ChangedWaveRebuildsTheBandLimitedTablesOfTheChannelsPlayingIt) {
  const std::int16_t id = engineClaimPresetWave(engine);
  ASSERT_GE(id, 0);
  oscSetWaveA(engine, 0, id);
  oscSetBandLimited(engine, 0, 1);
  const float before = engine->wavetables[0].waveA[0][256];  // the sine's top
  EXPECT_NEAR(before, 1.0f, 0.05f);
  float square[1024];
  for (int k = 0; k < 1024; ++k) square[k] = k < 512 ? 0.5f : -0.5f;
  waveCopySamplesIn(engine, static_cast<std::uint16_t>(id - waveLocalIdBase), square);
  EXPECT_NEAR(engine->wavetables[0].waveA[0][256], 0.5f, 0.1f);
}

// A sample held through the shared pool, as a load leaves it.
std::int32_t holdSample(Engine* engine, const char* path) {
  SampleInfo* slot = &engine->channels[0]->sampleInfo;
  slot->length = 64;
  slot->data = static_cast<float*>(std::calloc(64, sizeof(float)));
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path, nullptr);
  samplePoolAdd(slot, &file, 1);
  return slot->poolIndex;
}

TEST_F(EngineWiring, PresetInitialisationAndDestructionGiveTheSamplesBack) {
  const std::int32_t first = holdSample(engine, "/nowhere/wire-a.wav");
  ASSERT_GE(first, 0);
  engineInitPreset(engine);
  EXPECT_EQ(samplePoolEntry(first)->refCount, 0);
  EXPECT_EQ(engine->channels[0]->sampleInfo.data, nullptr);

  Engine* other = engineCreate();
  ASSERT_NE(other, nullptr);
  const std::int32_t second = holdSample(other, "/nowhere/wire-b.wav");
  ASSERT_GE(second, 0);
  engineDestroy(other);
  EXPECT_EQ(samplePoolEntry(second)->refCount, 0);
}

}  // namespace
