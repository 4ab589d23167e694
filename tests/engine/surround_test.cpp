// The sound-field panners and the surround decode checked against their formulas, the channel map,
// the LFE output and the output settings; the voice and channel mix paths.
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/mix.h"
#include "voiceRig.h"

namespace {

using SurroundTest = VoiceRig;

const double kPi = 3.14159265358979323846;

struct Point {
  double x, y;
};

// Expected decode of a mono source at (x, y) for one speaker angle (degrees), with the stored index.
double expectedSpeaker(Point p, double degrees, bool twoSpeaker, double src, double gain) {
  const double r2 = p.x * p.x + p.y * p.y + static_cast<double>(0.2f);
  const double a = std::trunc(degrees / 360.0 * 1024.0);
  const double s = std::sin(2.0 * kPi * a / 1024.0);
  const double c = std::sin(2.0 * kPi * std::fmod(a + 256.0, 1024.0) / 1024.0);
  const double b0 = twoSpeaker ? 0.0 : src * p.y / r2;
  const double b1 = src * p.x / r2;
  const double b2 = src * 0.707 / std::sqrt(r2);
  return (c * b0 + s * b1 + b2) * 0.5 * gain;
}

struct Decoded {
  std::vector<std::vector<float>> out;
  std::vector<float> src;
};

// Pans a mono signal that stands still at p into the buses and decodes them to `outputs` outputs.
Decoded panAndDecode(Engine* engine, Point p, int outputs, float gain) {
  Decoded d;
  d.src.resize(128);
  for (int i = 0; i < 128; ++i) d.src[i] = static_cast<float>(0.8 * std::sin(0.3 * i) + 0.1);
  PanPosition position{1, static_cast<float>(p.x), static_cast<float>(p.y)};
  PanState state;
  panStateInit(&state, &position);
  panStateReset(&state);
  std::memset(engine->buses, 0, sizeof engine->buses);
  fieldPanMono(&state, d.src.data(), engine->buses[0], engine->buses[1], engine->buses[2], 128,
               engine->surround.layout <= 1);
  d.out.assign(static_cast<std::size_t>(outputs), std::vector<float>(128, 7.0f));
  std::vector<float*> ptrs;
  for (auto& o : d.out) ptrs.push_back(o.data());
  surroundMix(engine, &engine->surround, engine->buses[0], ptrs.data(), outputs, 0, gain, 128);
  return d;
}

TEST_F(SurroundTest, MonoSourceDecodesToStereoByTheFormula) {
  surroundSetModeAndClamp(&engine->surround, 0);  // "2 Stereo": 315 and 45 degrees
  const float gain = 0.6f;
  for (Point p : {Point{0.0, 0.0}, Point{0.6, -0.3}, Point{-1.0, 1.0}}) {
    // The stored index point: a cast through f32 as the position holds it.
    const Point q{static_cast<float>(p.x), static_cast<float>(p.y)};
    const Decoded d = panAndDecode(engine, p, 2, gain);
    for (int i = 0; i < 128; ++i) {
      EXPECT_NEAR(d.out[0][i], expectedSpeaker(q, 315.0, true, d.src[i], gain), 1e-5) << i;
      EXPECT_NEAR(d.out[1][i], expectedSpeaker(q, 45.0, true, d.src[i], gain), 1e-5) << i;
    }
  }
}

TEST_F(SurroundTest, MonoSourceDecodesToSevenSpeakersAndTheLfe) {
  surroundSetLfeOn(&engine->surround, 1);
  surroundSetModeAndClamp(&engine->surround, 10);  // "7 Cinema" plus the LFE: eight outputs
  EXPECT_EQ(surroundGetOutputsUsed(&engine->surround), 8);
  EXPECT_EQ(surroundGetLfeChannel(&engine->surround), 7);
  const double degrees[7] = {315, 45, 250, 110, 337.5, 0, 22.5};
  const float gain = 0.9f;
  const Point p{0.25, 0.5};
  const Decoded d = panAndDecode(engine, p, 8, gain);
  const double r2 = p.x * p.x + p.y * p.y + static_cast<double>(0.2f);
  for (int i = 0; i < 128; ++i) {
    for (int s = 0; s < 7; ++s)
      EXPECT_NEAR(d.out[s][i], expectedSpeaker(p, degrees[s], false, d.src[i], gain), 1e-5) << s << " " << i;
    EXPECT_NEAR(d.out[7][i], d.src[i] * 0.707 / std::sqrt(r2) * 0.25 * gain, 1e-5) << i;
  }
  // Eight speakers leave no output for the LFE.
  surroundSetModeAndClamp(&engine->surround, 13);
  EXPECT_EQ(surroundGetOutputsUsed(&engine->surround), 8);
  const Decoded e = panAndDecode(engine, p, 8, gain);
  EXPECT_NEAR(e.out[7][5], expectedSpeaker(p, 45.0, false, e.src[5], gain), 1e-5);
}

TEST_F(SurroundTest, MapEntryBeyondTheDeviceGoesToOutputZero) {
  surroundSetModeAndClamp(&engine->surround, 0);
  surroundSetChannelMap(&engine->surround, 1, 8);
  const Point p{0.5, 0.0};
  const Decoded d = panAndDecode(engine, p, 6, 1.0f);
  for (int i = 0; i < 128; ++i) {
    EXPECT_NEAR(d.out[0][i], expectedSpeaker(p, 45.0, true, d.src[i], 1.0), 1e-5) << i;  // speaker 1 wrote last
    for (int o = 1; o < 6; ++o) EXPECT_EQ(d.out[o][i], 0.0f) << o;  // cleared, as no speaker writes there
  }
  // Setters ignore slots and outputs past 8.
  surroundSetChannelMap(&engine->surround, 9, 1);
  surroundSetChannelMap(&engine->surround, 2, 9);
  EXPECT_EQ(surroundGetChannelMap(&engine->surround, 2), 2);
  EXPECT_EQ(surroundGetChannelMap(&engine->surround, 9), 0);
}

TEST_F(SurroundTest, FiveMusicOnEightAndOnTwoOutputs) {
  surroundSetModeAndClamp(&engine->surround, 6);
  const Point p{0.1, 0.2};
  Decoded d = panAndDecode(engine, p, 8, 1.0f);
  for (int o = 5; o < 8; ++o) EXPECT_EQ(d.out[o][10], 0.0f) << o;
  EXPECT_NE(d.out[4][10], 0.0f);
  surroundSetLfeOn(&engine->surround, 1);
  surroundSetModeAndClamp(&engine->surround, 6);
  EXPECT_EQ(surroundGetOutputsUsed(&engine->surround), 6);
  EXPECT_EQ(surroundGetLfeChannel(&engine->surround), 5);
  d = panAndDecode(engine, p, 8, 1.0f);
  const double r2 = p.x * p.x + p.y * p.y + static_cast<double>(0.2f);
  EXPECT_NEAR(d.out[5][10], d.src[10] * 0.707 / std::sqrt(r2) * 0.25, 1e-5);
  // Two device outputs: outputs used drops to 2 and stays there; two speakers are decoded.
  surroundSetLfeOn(&engine->surround, 0);
  surroundSetModeAndClamp(&engine->surround, 6);
  d = panAndDecode(engine, p, 2, 1.0f);
  EXPECT_EQ(surroundGetOutputsUsed(&engine->surround), 2);
  EXPECT_NEAR(d.out[1][10], expectedSpeaker(p, 30.0, false, d.src[10], 1.0), 1e-5);
}

TEST_F(SurroundTest, SettingsAccessors) {
  SurroundSettings* s = &engine->surround;
  EXPECT_EQ(surroundGetModeWord(s), 1);
  EXPECT_EQ(surroundGetOutputsUsed(s), 2);
  EXPECT_EQ(surroundGetLfeChannel(s), 2);
  surroundSetLfeGainDb(s, -12.0f);
  EXPECT_FLOAT_EQ(s->lfeGain, 0.25f);
  EXPECT_FLOAT_EQ(surroundGetLfeGainDb(s), -12.0f);
  surroundSetModeAndClamp(s, 14);
  EXPECT_EQ(surroundGetModeWord(s), 1);
  char name[32];
  surroundGetModeName(13, name);
  EXPECT_STREQ(name, "8 Ocotphonic");
  surroundGetModeName(14, name);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(surroundGetLayout(2)->angles[0], 938);
  EXPECT_EQ(surroundGetLayout(12)->angles[6], 439);
  EXPECT_EQ(surroundGetLayout(14), nullptr);
  EXPECT_EQ(surroundGetOutputsUsed(nullptr), 2);
  EXPECT_FLOAT_EQ(surroundGetLfeFreq(nullptr), 80.0f);
  EXPECT_FLOAT_EQ(surroundGetLfeGainDb(nullptr), -12.0f);
  // The channel pair of the preset header and the Patch page is the channel's pan position.
  surroundSetChannelPair(engine, 2, 0.5f, -2.0f);
  EXPECT_FLOAT_EQ(surroundGetChannelPair(engine, 2, 0), 0.5f);
  EXPECT_FLOAT_EQ(surroundGetChannelPair(engine, 2, 1), -1.0f);
  EXPECT_FLOAT_EQ(surroundGetChannelPair(engine, 4, 0), 0.5f);
  EXPECT_FLOAT_EQ(panGetPosition(engine, -1, 1), 0.5f);
}

TEST_F(SurroundTest, PositionGlidesAQuarterOfTheWayEachBlock) {
  PanPosition position{1, 0.0f, 0.0f};
  PanState state;
  panStateInit(&state, &position);
  panStateReset(&state);
  position.x = 1.0f;
  std::vector<float> src(128, 1.0f), l0(128), l1(128), l2(128);
  for (double want : {0.25, 0.4375, 0.578125}) {
    fieldPanMono(&state, src.data(), l0.data(), l1.data(), l2.data(), 128, false);
    EXPECT_DOUBLE_EQ(state.currentX, want);
  }
  // A stereo source at the centre: its lanes sit at -0.5 and +0.5 and cancel on the side lane.
  PanPosition centre{1, 0.0f, 0.0f};
  panStateInit(&state, &centre);
  panStateReset(&state);
  std::fill(l0.begin(), l0.end(), 0.0f);
  std::fill(l1.begin(), l1.end(), 0.0f);
  std::fill(l2.begin(), l2.end(), 0.0f);
  fieldPanStereo(&state, src.data(), src.data(), l0.data(), l1.data(), l2.data(), 128);
  EXPECT_NEAR(l1[50], 0.0, 1e-6);
  EXPECT_NEAR(l2[50], 2.0 * 0.707 / std::sqrt(0.55), 1e-5);
}

TEST_F(SurroundTest, MixPathsWithNoChannelOnWriteNothing) {
  noteOn(60, 100);
  block();
  engine->channels[0]->on = 0;
  for (auto& bus : engine->buses)
    for (float& x : bus) x = 5.0f;
  engineMixVoicesToBuses(engine, 128);  // direct mix: nothing written
  for (auto& bus : engine->buses)
    for (float x : bus) EXPECT_EQ(x, 5.0f);
  engineSetVoiceBufferCount(engine, 3, 3);
  engineAddVoiceLanesToBuses(engine, 128);  // lane add: all three buses zero
  for (auto& bus : engine->buses)
    for (float x : bus) EXPECT_EQ(x, 0.0f);
}

TEST_F(SurroundTest, FieldPathPansEachChannelAndSumsTheLanes) {
  // Master count 3: the voice's three lanes reach the buses; the decode hears the note on both sides.
  engineSetVoiceBufferCount(engine, 3, 2);  // raised to 3 by the rebuild
  engineApplyPatchChange(engine, 0);
  EXPECT_EQ(engineGetVoiceBufferCount(engine, 3), 3);
  surroundSetModeAndClamp(&engine->surround, 5);  // "4 Quadraphonic"
  setOutputs(4);
  noteOn(69, 100);
  const auto taken = record(16);
  for (int k = 0; k < 4; ++k) {
    double e = 0.0;
    for (float x : taken[k]) e += static_cast<double>(x) * x;
    EXPECT_GT(e, 1.0) << k;
  }
}

TEST_F(SurroundTest, PlainSumUsesOnlyTheLeftLaneOfAStereoChannel) {
  engine->polyphony = 1;
  engine->voices[0].active = 1;
  engineSetVoiceBufferCount(engine, 0, 2);
  std::vector<float> channel(256), master(128, 9.0f);
  for (int i = 0; i < 128; ++i) {
    channel[static_cast<std::size_t>(i)] = static_cast<float>(i);
    channel[static_cast<std::size_t>(128 + i)] = 1000.0f;
  }
  engine->voiceBuffers[0][0] = channel.data();
  engine->masterBuffers[0] = master.data();
  engineSumChannelsToVoices(engine, 128);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(master[static_cast<std::size_t>(i)], static_cast<float>(i));
}

}  // namespace
