// Note curves and velocity tables heard through the engine: notes played through the MIDI queue,
// the level of each measured at its own frequency.
#include <cmath>

#include "engine/noteCurveRuntime.h"
#include "engine/velocityRuntime.h"
#include "preset/editBlock.h"
#include "support/signal.h"
#include "voiceRig.h"

namespace {

using NoteCurveSound = VoiceRig;

double noteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// Plays the notes together and returns each one's amplitude on output 0.
std::vector<double> levels(VoiceRig& rig, const std::vector<std::pair<int, int>>& notes) {
  for (const auto& n : notes) rig.noteOn(n.first, n.second);
  rig.record(8);
  const auto taken = rig.record(96);
  std::vector<double> out;
  for (const auto& n : notes)
    out.push_back(signalToneAmplitude(taken[0].data(), taken[0].size(), 44100.0, noteHz(n.first)));
  return out;
}

TEST_F(NoteCurveSound, HalfAtNote60HalvesNote60Only) {
  surroundSetModeAndClamp(&engine->surround, 0);
  float* copy = editBeginNoteCurve(engine, 1, 0);
  ASSERT_NE(copy, nullptr);
  copy[60] = 0.5f;
  editCommit(engine, editKindNoteCurve, 0);
  const std::vector<double> a = levels(*this, {{60, 100}, {64, 100}});
  ASSERT_GT(a[1], 0.001);
  EXPECT_NEAR(a[0] / a[1], 0.5, 0.03);
}

TEST_F(NoteCurveSound, FlatCurvePlaysBothNotesAlike) {
  surroundSetModeAndClamp(&engine->surround, 0);
  const std::vector<double> a = levels(*this, {{60, 100}, {64, 100}});
  ASSERT_GT(a[1], 0.001);
  EXPECT_NEAR(a[0] / a[1], 1.0, 0.03);
}

TEST_F(NoteCurveSound, FullVelocityResponseFollowsTheCurve) {
  surroundSetModeAndClamp(&engine->surround, 0);
  velocitySetAmountB(engine, 1, 0, 99.999f);  // sensitivity ~100 %: the table is the curve
  const std::vector<double> a = levels(*this, {{60, 66}, {64, 127}});
  ASSERT_GT(a[1], 0.001);
  EXPECT_NEAR(a[0] / a[1], velocityCurveTable()[66], 0.03);
}

}  // namespace
