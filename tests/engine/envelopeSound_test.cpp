// The default amplitude envelope heard through the whole engine: a note played through the MIDI
// queue, rendered sub-block by sub-block as the audio client drives it, measured on the output.
#include <algorithm>
#include <cmath>
#include <vector>

#include "voiceRig.h"

namespace {

using EnvelopeSound = VoiceRig;

// Peak of |x| over the 32 samples that end at n (more than one cycle of the note).
double peakAt(const std::vector<float>& x, long n) {
  double p = 0.0;
  for (long i = std::max(0L, n - 31); i <= n; ++i) p = std::max(p, static_cast<double>(std::fabs(x[i])));
  return p;
}

TEST_F(EnvelopeSound, HeldNoteRisesHoldsAndFallsToSilenceThenTheVoiceIsFree) {
  // MIDI note 96 (about 2 kHz): a cycle of 21 samples, so a 32-sample peak follows the envelope.
  noteOn(96, 127);
  std::vector<float> out = record(44100 / 128)[0];  // 1 s held
  const long off = static_cast<long>(out.size());
  const std::int16_t v = engine->midi.noteVoice[96];
  ASSERT_GE(v, 0);
  EXPECT_EQ(engine->voices[v].state, 3);
  EXPECT_EQ(engine->envInstances[0][v].state, 2) << "holding at the sustain point";
  noteOff(96);
  const std::vector<float> tail = record(30000 / 128)[0];
  out.insert(out.end(), tail.begin(), tail.end());

  // The attack: the loudest point of the first 2,000 samples is where the rise of 441 samples ends
  // (the 32-sample window reaches it up to 32 samples later).
  long top = 0;
  for (long n = 0; n < 2000; ++n)
    if (peakAt(out, n) > peakAt(out, top)) top = n;
  EXPECT_NEAR(top, 441 + 16, 64);
  const double full = peakAt(out, top);
  ASSERT_GT(full, 0.01);
  EXPECT_LT(peakAt(out, 220), 0.9 * full);
  for (long n = top; n < off; n += 64) ASSERT_GT(peakAt(out, n), 0.2 * full) << "held at " << n;

  // The release: from the note-off down to silence over 22,050 samples.
  long silent = -1;
  for (long n = off; n < static_cast<long>(out.size()) && silent < 0; ++n)
    if (peakAt(out, n) < 1e-4 * full) silent = n;
  EXPECT_NEAR(silent - off, 22050, 160);
  EXPECT_GT(peakAt(out, off + 11025), 0.05 * full);

  // The envelopes have ended: the voice has left the lists of playing voices.
  EXPECT_EQ(engine->envInstances[0][v].state, 0);
  EXPECT_EQ(engine->voices[v].note, -1);
  EXPECT_EQ(engine->voicePool.sounding.count + engine->voicePool.released.count, 0);
  EXPECT_EQ(checkLists(), "");
}

}  // namespace
