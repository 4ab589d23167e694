// The play marker's time and look from what the envelope generator leaves in the slot while the audio
// thread renders a held note, the tempo pulse at the start and middle of its two-beat cycle, and a
// header with 0 beats.
#include <gtest/gtest.h>

#include <vector>

#include "engine/engine.h"
#include "engine/testAudioThread.h"
#include "envelope/envMarkerMath.h"
#include "pages/pageRig.h"
#include "preset/envelope.h"
#include "preset/oscParams.h"
#include "preset/presetHeader.h"

namespace {

TEST(EnvMarkerMath, FollowsTheSoundingNote) {
  Engine* e = pageTestEngine();
  engineInitPreset(e);
  oscSetOn(e, 0, 1);
  engineApplyPatchChange(e, 1);
  double t = 0;
  EXPECT_FALSE(envMarkerSeconds(envSlot(e, 0), &t));  // no note yet
  std::vector<float> a(engineBlockMax), b(engineBlockMax);
  float* outs[2] = {a.data(), b.data()};
  const std::uint8_t note[3] = {0x90, 60, 100};
  TestAudioThread::runClientSubBlock(e, outs, 2, 0, note, 1);
  for (int k = 0; k < 40; ++k) TestAudioThread::runClientSubBlock(e, outs, 2);
  ASSERT_TRUE(envMarkerSeconds(envSlot(e, 0), &t));
  EXPECT_NEAR(t, 41 * 128 / 44100.0, 0.01);
  for (int k = 0; k < 60; ++k) TestAudioThread::runClientSubBlock(e, outs, 2);
  double later = 0;
  ASSERT_TRUE(envMarkerSeconds(envSlot(e, 0), &later));
  EXPECT_GT(later, t);
  const EnvMarkerLook look = envMarkerLookFor(e, envSlot(e, 0));
  EXPECT_EQ(look.red, 140);
  EXPECT_EQ(look.blue, 246);
  EXPECT_EQ(look.fraction, 1.0);
}

TEST(EnvMarkerMath, TempoPulse) {
  Engine* e = pageTestEngine();
  engineInitPreset(e);
  EnvelopeSlot* s = envSlot(e, 0);
  s->tempoSync = 1;
  s->displayIndex = 0;
  PatchHeader* h = engineGetPatchHeader(e);
  h->length = 88200.0;
  h->beats = 4.0f;
  h->tempo.position = 0.0;  // start of the two-beat cycle
  EnvMarkerLook look = envMarkerLookFor(e, s);
  EXPECT_EQ(look.red, 187);
  EXPECT_NEAR(look.fraction, 1.0, 1e-9);
  h->tempo.position = 0.5 * 44100.0;  // the middle (two beats are 1 s)
  look = envMarkerLookFor(e, s);
  EXPECT_EQ(look.red, 93);
  EXPECT_NEAR(look.fraction, 0.764, 1e-3);
  // On the last breakpoint the line is steady again; so it is with 0 beats.
  s->displayIndex = s->lastIndex;
  EXPECT_EQ(envMarkerLookFor(e, s).red, 140);
  s->displayIndex = 0;
  h->beats = 0.0f;
  look = envMarkerLookFor(e, s);
  EXPECT_EQ(look.red, 140);
  EXPECT_EQ(look.fraction, 1.0);
}

}  // namespace
