// MIDI input through the queue and the handlers: a note sounds at its pitch on the stereo outputs, the
// note-off (or a velocity of 0) releases it, the receive channel, mono and legato, the pitch bend.
#include <cmath>

#include "engine/controllerMap.h"
#include "support/signal.h"
#include "voiceRig.h"

namespace {

using MidiNoteTest = VoiceRig;

TEST_F(MidiNoteTest, NoteOn69SoundsAt440HzOnBothStereoOutputs) {
  surroundSetModeAndClamp(&engine->surround, 0);  // "2 Stereo"
  noteOn(69, 100);
  record(4);  // settle the gains and the output filter
  const auto taken = record(128);
  for (int k = 0; k < 2; ++k) {
    EXPECT_GT(signalRms(taken[k]), 0.01) << k;
    EXPECT_TRUE(signalAllNormal(taken[k].data(), taken[k].size())) << k;
    EXPECT_NEAR(signalPeakFrequency(taken[k], 44100.0), 440.0, 1.0) << k;
  }
  const std::int16_t v = engine->midi.noteVoice[69];
  ASSERT_GE(v, 0);
  EXPECT_EQ(engine->voices[v].state, 3);
  EXPECT_EQ(engine->midi.noteOnCount[69], 1);
  EXPECT_EQ(engine->midi.lastNote, 69);
  EXPECT_EQ(engine->midi.keyDown[69], 1);

  noteOff(69);
  block();
  EXPECT_EQ(engine->voices[v].state, 1);
  EXPECT_EQ(engine->voices[v].keyVelocity, 0);
  EXPECT_EQ(engine->voicePool.released.count, 1);
  EXPECT_EQ(engine->voicePool.released.entries[0], v);
  EXPECT_EQ(engine->midi.noteOnCount[69], 0);
  EXPECT_EQ(engine->midi.noteVoice[69], -1);
  EXPECT_EQ(engine->midi.keyDown[69], 0);
  EXPECT_EQ(checkLists(), "");
}

TEST_F(MidiNoteTest, VelocityZeroActsAsNoteOff) {
  midiQueueNoteOn(engine, 60, 90, 0);
  midiQueueNoteOn(engine, 60, 90, 0);
  block();
  EXPECT_EQ(engine->midi.noteOnCount[60], 2);
  EXPECT_EQ(engine->voicePool.sounding.count, 2);
  const std::int16_t older = engine->voicePool.sounding.entries[0];
  engine->voices[older].age += 1;  // the first started is the older one
  midiQueueNoteOn(engine, 60, 0, 0);
  block();
  // The oldest voice of the note is released; the other sounds until the second note-off.
  EXPECT_EQ(engine->midi.noteOnCount[60], 1);
  EXPECT_EQ(engine->voices[older].state, 1);
  EXPECT_EQ(engine->voicePool.sounding.count, 1);
  midiQueueNoteOn(engine, 60, 0, 0);
  block();
  EXPECT_EQ(engine->midi.noteOnCount[60], 0);
  EXPECT_EQ(engine->voicePool.sounding.count, 0);
  EXPECT_EQ(engine->voicePool.released.count, 2);
  EXPECT_EQ(checkLists(), "");
}

TEST_F(MidiNoteTest, ReceiveChannelFiltersEvents) {
  midiSetChannel(engine, 5, 1);
  EXPECT_EQ(midiGetReceiveChannel(engine), 5);
  EXPECT_EQ(midiGetQueueChannel(engine), 5);
  noteOn(60, 100, 6);
  block();
  EXPECT_EQ(engine->voicePool.sounding.count, 0);
  noteOn(60, 100, 5);
  block();
  EXPECT_EQ(engine->voicePool.sounding.count, 1);
  // Reception off: nothing, and the change ended the note.
  midiSetChannel(engine, 0, 0);
  EXPECT_EQ(midiGetReceiveChannel(engine), -2);
  EXPECT_EQ(midiGetQueueChannel(engine), 0);
  noteOn(61, 100, 0);
  block();
  EXPECT_EQ(engine->voicePool.sounding.count, 0);
  EXPECT_EQ(engine->voicePool.released.count, 1);
  // Omni again: every channel.
  midiSetChannel(engine, -1, 1);
  for (int c : {0, 9, 15}) noteOn(40 + c, 100, c);
  block();
  EXPECT_EQ(engine->voicePool.sounding.count, 3);
  // A bad channel changes nothing.
  midiSetChannel(engine, 16, 1);
  EXPECT_EQ(midiGetReceiveChannel(engine), -1);
  EXPECT_EQ(checkLists(), "");
}

TEST_F(MidiNoteTest, StatusesOutsideTheChannelMessagesAreIgnored) {
  midiQueuePushShort(&engine->midi, 0xA0, 60, 100);  // key pressure
  midiQueuePushShort(&engine->midi, 0xF8, 0, 0);     // clock
  midiQueuePushShort(&engine->midi, 0x3C, 60, 100);  // a data byte in the status place
  MidiEvent zero;
  zero.time = 0;
  zero.status = 0;
  zero.data1 = 60;
  zero.data2 = 100;
  zero.spare = 0;
  midiQueuePushEntry(&engine->midi, &zero);
  block();
  EXPECT_EQ(midiQueueCount(&engine->midi), 0);
  EXPECT_EQ(engine->voicePool.sounding.count, 0);
  EXPECT_EQ(engine->voicePool.freeList.count, 4);
}

TEST_F(MidiNoteTest, MonoReturnsLegatoToTheMostRecentHeldKey) {
  setPolyphony(1);
  noteOn(60, 100);
  block();
  ASSERT_EQ(engine->voices[0].note, 60);
  noteOn(64, 90);
  noteOn(67, 80);
  block();
  Voice& v = engine->voices[0];
  EXPECT_EQ(v.note, 67);
  EXPECT_EQ(engine->midi.monoStack[0], 67);
  EXPECT_EQ(engine->midi.monoStack[1], 64);
  EXPECT_EQ(engine->midi.monoStack[2], 60);
  EXPECT_EQ(checkLists(), "");

  // A legato start keeps the retrigger clock; a fresh start clears it (the block then advances it).
  v.retriggerClock = 1234.0;
  noteOff(67);
  block();
  EXPECT_EQ(v.note, 64);
  EXPECT_EQ(v.state, 3);
  EXPECT_EQ(v.keyVelocity, 80);  // the key velocity the voice had
  EXPECT_EQ(v.retriggerClock, 1234.0 + 128.0);
  EXPECT_EQ(engine->voicePool.sounding.count, 1);
  EXPECT_EQ(checkLists(), "");
  noteOff(64);
  block();
  EXPECT_EQ(v.note, 60);
  EXPECT_EQ(v.state, 3);
  noteOff(60);
  block();
  EXPECT_EQ(v.state, 1);
  EXPECT_EQ(checkLists(), "");

  // After the release a new key restarts the voice without legato (state 5 on the way).
  noteOn(62, 100);
  block();
  EXPECT_EQ(v.note, 62);
  EXPECT_EQ(v.state, 3);
  EXPECT_EQ(v.retriggerClock, 128.0);
  EXPECT_EQ(checkLists(), "");
}

TEST_F(MidiNoteTest, MonoStackPushesTheEleventhKeyIntoTheSpareSlot) {
  setPolyphony(1);
  for (int k = 0; k < 11; ++k) noteOn(50 + k, 100);
  block();
  EXPECT_EQ(engine->midi.monoStack[0], 60);
  EXPECT_EQ(engine->midi.monoStack[10], 50);
  noteOff(30);  // a key not held still empties the spare slot: 50 is not returned to
  block();
  EXPECT_EQ(engine->midi.monoStack[10], -1);
  EXPECT_EQ(engine->midi.monoStack[9], 51);
  noteOn(61, 100);
  block();
  EXPECT_EQ(engine->midi.monoStack[10], 51);
  noteOff(55);  // a held key moves the spare slot back up
  block();
  EXPECT_EQ(engine->midi.monoStack[9], 51);
  EXPECT_EQ(engine->midi.monoStack[10], -1);
  EXPECT_EQ(checkLists(), "");
}

TEST_F(MidiNoteTest, PitchBendConvergesToItsFactor) {
  struct Case {
    int data2;
    double factor;
  };
  for (const Case& c : {Case{127, 4.0}, Case{0, 0.25}, Case{64, 1.0}}) {
    midiQueuePushShort(&engine->midi, 0xE0, 99, static_cast<std::uint8_t>(c.data2));  // the fine byte is ignored
    block();
    EXPECT_NEAR(engine->controllers.bendFactor, c.factor, 1e-6) << c.data2;
    for (int b = 0; b < 400; ++b) block();
    EXPECT_NEAR(engine->controllers.pitchFactor, c.factor, 1e-4) << c.data2;
  }
  midiQueuePushShort(&engine->midi, 0xE0, 0, 127);
  block();
  EXPECT_EQ(midiGetSourceValue(engine, 128), 127);
  EXPECT_EQ(midiVoiceSourceValue(engine, 0, 128), 128);
}

TEST_F(MidiNoteTest, ControllersPressureProgramAndSourceValues) {
  controller(1, 99);
  midiQueueEvent(engine, -1, 200, -1);  // channel pressure, value clamped
  midiQueuePushShort(&engine->midi, 0xC0, 12, 0);
  midiQueuePushShort(&engine->midi, 0xC0, 0xFF, 0);  // data 255 (as a 16-bit word): ignored
  block();
  EXPECT_EQ(midiGetSourceValue(engine, 1), 99);
  EXPECT_EQ(midiGetSourceValue(engine, -1), 127);
  EXPECT_EQ(midiGetSourceValue(engine, 7), 127);
  EXPECT_EQ(midiGetSourceValue(engine, 10), 64);
  EXPECT_EQ(engine->requestedProgram, 12);
  EXPECT_TRUE(midiTakeChanged(engine));
  EXPECT_FALSE(midiTakeChanged(engine));
  noteOn(70, 55);
  block();
  const std::int16_t v = engine->midi.noteVoice[70];
  EXPECT_EQ(midiVoiceSourceValue(engine, v, 129), 55);
  EXPECT_EQ(midiVoiceSourceValue(engine, v, 130), 70);
  EXPECT_EQ(midiVoiceSourceValue(engine, 64, 129), 127);
  EXPECT_EQ(midiVoiceSourceValue(engine, v, 200), 127);
  // The queue helpers refuse what is out of range.
  midiQueueEvent(engine, 128, 1, 0);
  midiQueueEvent(engine, 1, 1, 16);
  EXPECT_EQ(midiQueueCount(&engine->midi), 0);
}

TEST_F(MidiNoteTest, KeyDisplayReportsEachChangeToBothReaders) {
  noteOn(0, 100);
  noteOn(72, 100);
  block();
  for (std::uint8_t set : {0, 1}) {
    EXPECT_EQ(midiReadNoteFlag(engine, set), 1);
    std::int16_t key = -1;
    std::uint16_t value = 0;
    ASSERT_TRUE(midiTakeNextChangedKey(engine, &key, &value, set));
    EXPECT_EQ(key, 0);
    EXPECT_EQ(value, 127);
    ASSERT_TRUE(midiTakeNextChangedKey(engine, &key, &value, set));
    EXPECT_EQ(key, 72);
    EXPECT_FALSE(midiTakeNextChangedKey(engine, &key, &value, set));
    EXPECT_EQ(key, 127);
    midiClearChangeFlag(engine, set);
    EXPECT_EQ(midiReadNoteFlag(engine, set), 0);
  }
  std::int16_t bad = 128;
  std::uint16_t value = 0;
  EXPECT_FALSE(midiTakeNextChangedKey(engine, &bad, &value, 0));
  EXPECT_EQ(bad, 128);
}

}  // namespace

namespace {

using GlideTest = VoiceRig;

// Glide ratio of the voice that plays `note` after one more block.
float ratioAfterBlock(VoiceRig& rig, int note) {
  rig.noteOn(note, 100);
  rig.block();
  return rig.engine->voices[rig.engine->midi.noteVoice[note]].glideRatio;
}

TEST_F(GlideTest, LegatoModeGlidesInPolyModeOnlyWithAHeldVoice) {
  engine->controllers.glideMode = 2;
  engine->controllers.timeCoefficients[0] = 0.5f;
  EXPECT_EQ(ratioAfterBlock(*this, 60), 1.0f);  // glide source note 0: never glides
  // 72 starts an octave above the held 60 (ratio 0.5) and covers half the way in the block.
  EXPECT_NEAR(ratioAfterBlock(*this, 72), 0.75f, 1e-5);
  noteOff(60);
  noteOff(72);
  block();
  EXPECT_EQ(ratioAfterBlock(*this, 84), 1.0f);  // nothing held or sustained: no glide
  // "Always" glides from the last note whatever is held.
  engine->controllers.glideMode = 1;
  noteOff(84);
  block();
  EXPECT_NEAR(ratioAfterBlock(*this, 72), 1.0f + (2.0f - 1.0f) * 0.5f, 1e-5);
  // A glide time coefficient of 1.0 means no glide.
  engine->controllers.timeCoefficients[0] = 1.0f;
  EXPECT_EQ(ratioAfterBlock(*this, 48), 1.0f);
}

}  // namespace
