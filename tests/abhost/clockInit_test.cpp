// The MIDI clock's tempo and record, and the host's start-up errors (in child processes).
#include "hostRig.h"

#include "ABMidiClock.h"
#include "GPError.h"
#include "Init_DSP.h"
#include "gpChild.h"

namespace {

// Integer-millisecond clocks whose mean interval is 120 BPM (20, 21, 21 ms): the clock locks and the
// tempo settles near 120.
TEST(MidiClockTempo, IntegerMillisecondClocksLockNear120) {
  MidiClockTempo clock;
  clock.setRate(48000);
  const int pattern[] = {20, 21, 21};
  int ms = 1000, position = 480;
  clock.start(0);
  for (int i = 0; i < 2400; ++i) {
    clock.beginBlock(position, 480);
    clock.clock(position + 7, 480, 7, ms);
    ms += pattern[i % 3];
    position += 480;
    clock.timeRecord();
  }
  EXPECT_EQ(clock.locked, 1);
  // The smoothing follows the mean of the measured tempi (125, 119, 119): about 121.
  EXPECT_NEAR(clock.tempo, 120.0, 1.5);
  AudioTimeInfo* t = clock.timeRecord();
  EXPECT_EQ(t->flags & (TIME_PPQ_VALID | TIME_TEMPO_VALID | TIME_PLAYING),
            TIME_PPQ_VALID | TIME_TEMPO_VALID | TIME_PLAYING);
  EXPECT_NEAR(t->tempo, 120.0, 3.0);
}

TEST(MidiClockTempo, SongPositionStartAndFlags) {
  MidiClockTempo clock;
  clock.songPosition(0, 16 * 6);  // 16 sixteenths while stopped
  EXPECT_EQ(clock.pendingPosition, 96);
  EXPECT_EQ(clock.clockCount, 0);
  clock.start(0);
  EXPECT_EQ(clock.clockCount, 96);
  EXPECT_EQ(clock.pendingPosition, 0);
  // Unlocked: flags 0, only the position is new.
  clock.beginBlock(1234, 128);
  AudioTimeInfo* t = clock.timeRecord();
  EXPECT_EQ(t->flags, 0);
  EXPECT_EQ(t->samplePosition, 1234.0);
  // Exactly 20.833 ms clocks lock at 120; the first locked record reports the transport change once.
  clock.setRate(48000);
  double ms = 100.0;
  int pos = 1000;
  for (int i = 0; i < 50 && !clock.locked; ++i) {
    clock.beginBlock(pos, 1000);
    clock.clock(pos + 5, 1000, 5, static_cast<int>(ms));
    ms += 20.8333;
    pos += 1000;
  }
  ASSERT_EQ(clock.locked, 1);
  EXPECT_EQ(clock.timeRecord()->flags, TIME_PPQ_VALID | TIME_TEMPO_VALID | TIME_PLAYING | TIME_TRANSPORT_CHANGED);
  EXPECT_EQ(clock.timeRecord()->flags, TIME_PPQ_VALID | TIME_TEMPO_VALID | TIME_PLAYING);
  // Same millisecond twice: only the count moves.
  const double tempo = clock.tempo;
  const int count = clock.clockCount;
  clock.clock(pos, 1000, 5, clock.lastClockMs);
  EXPECT_EQ(clock.clockCount, count + 1);
  EXPECT_EQ(clock.tempo, tempo);
  clock.stop();
  EXPECT_EQ(clock.timeRecord()->flags & (TIME_PLAYING | TIME_TRANSPORT_CHANGED), TIME_TRANSPORT_CHANGED);
  clock.setRate(0);  // refused
  EXPECT_EQ(clock.rate, 48000.0);
}

CHILD_SCENARIO(abSecondInit) {
  gpInit(GP_VERSION, GP_BUILD);
  abInit(0x1030001, 0x60031);
  abInit(0x1030001, 0x60031);
}
CHILD_SCENARIO(abWrongVersion) {
  gpInit(GP_VERSION, GP_BUILD);
  abInit(0x1030002, 0x60031);
}
CHILD_SCENARIO(abWrongNumber) {
  gpInit(GP_VERSION, GP_BUILD);
  abInit(0x1030001, 0x60030);
}
CHILD_SCENARIO(abWrongSeries) {
  gpInit(GP_VERSION, GP_BUILD);
  abInit(0x1030001, 0x50031);
}
CHILD_SCENARIO(abStartsSignalLibrary) {
  gpInit(GP_VERSION, GP_BUILD);
  abInit(0x1030001, 0x60031);
  childNote(dspIsInitialised() ? "dsp on" : "dsp off");
  abExit();
  childNote(dspIsInitialised() ? "dsp on" : "dsp off");
  abInit(0x1030001, 0x60031);
  childNote("again");
}

TEST(AbInit, FatalErrorsNameTheirLine) {
  const char* cases[][2] = {{"abSecondInit", "Error ab/src/Init_AB.cpp:58"},
                            {"abWrongVersion", "Error ab/src/Init_AB.cpp:110"},
                            {"abWrongNumber", "Error ab/src/Init_AB.cpp:113"},
                            {"abWrongSeries", "Error ab/src/Init_AB.cpp:116"}};
  for (const auto& c : cases) {
    ChildResult r = runChild(c[0]);
    EXPECT_EQ(r.exitCode, 1u) << c[0];
    ASSERT_EQ(r.boxes.size(), 1u) << c[0];
    EXPECT_EQ(r.boxes[0].text, c[1]);
  }
  ChildResult ok = runChild("abStartsSignalLibrary");
  EXPECT_EQ(ok.exitCode, 0u);
  EXPECT_EQ(ok.notes, (std::vector<std::string>{"dsp on", "dsp off", "again", "returned"}));
}

}  // namespace
