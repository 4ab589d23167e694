// MIDI clock tempo: a smoothed tempo that locks when the clock agrees with it within 3 % and unlocks
// after more than ten clocks off by over 10 %; the block's position is predicted from the last block
// and corrected towards the clock.
#include "ABMidiClock.h"

#include <cstring>

#include "GPClamp.h"

MidiClockTempo::MidiClockTempo() {
  std::memset(&info, 0, sizeof info);
  info.sampleRate = rate;
  info.timeSigNumerator = 4;
  info.timeSigDenominator = 4;
}

void MidiClockTempo::setRate(int newRate) {
  if (newRate <= 0) return;  // a rate that could not be divided by
  rate = newRate;
  info.sampleRate = newRate;
}

void MidiClockTempo::songPosition(int, int clocks) {
  pendingPosition = clocks;
  if (playing) clockCount = clocks;
}

void MidiClockTempo::start(int) {
  clockCount = pendingPosition;
  pendingPosition = 0;
  locked = 0;
  playing = 1;
  changed = 1;
}

void MidiClockTempo::resume() { start(0); }

void MidiClockTempo::stop() {
  playing = 0;
  changed = 1;
}

void MidiClockTempo::beginBlock(int samplePosition, int frames) {
  blockPosition = samplePosition;
  blockFrames = frames;
  clockInBlock = 0;
}

void MidiClockTempo::clock(int samplePosition, int frames, int offset, int timeMs) {
  clockInBlock = 1;
  if (samplePosition == 0) {
    lastClockOffset = offset;
    lastBlockFrames = frames;
    return;
  }
  clockCount += 1;
  lastClockOffset = offset;
  lastBlockFrames = frames;
  if (timeMs == lastClockMs) return;
  const double m = 60000.0 / (static_cast<double>(timeMs - lastClockMs) * 24.0);
  lastClockMs = timeMs;
  const double ratio = tempo != 0.0 ? m / tempo : 0.0;
  if (locked) {
    if (ratio > 1.1 || ratio < 0.9)
      unlockCount += 1;
    else
      unlockCount = 0;
    if (unlockCount > 10) {
      tempo = 0.0;
      blockStartPpq = nextBlockPpq = 0.0;
      unlockCount = 0;
      locked = 0;
      return;
    }
  } else {
    if (ratio > 1.03 || ratio < 0.97 || offset == 0) {
      tempo = tempo == 0.0 ? m : 0.7 * tempo + 0.3 * m;
      return;
    }
    blockStartPpq = nextBlockPpq = 0.0;
    lockOffset = offset;
  }
  tempo = 0.99 * tempo + 0.01 * m;
  tempo = gpClamp(tempo, 30.0, 240.0);
  locked = 1;
}

AudioTimeInfo* MidiClockTempo::timeRecord() {
  info.samplePosition = blockPosition;
  if (!locked) {
    info.flags = 0;
    return &info;
  }
  const double c = 24.0 * tempo / (60.0 * rate);
  double p;
  double out;
  if (!clockInBlock) {
    if (clockCount / 24.0 + 2.0 < nextBlockPpq) {
      info.ppqPosition = nextBlockPpq;
      locked = 0;
      info.flags = 0;
      return &info;
    }
    out = tempo;
    p = nextBlockPpq;
  } else {
    const double q = (clockCount - lastClockOffset * c) / 24.0;
    p = nextBlockPpq != 0.0 ? nextBlockPpq : (clockCount - lockOffset * c) / 24.0;
    double d = q - p;
    if (d > 0.1 || d < -0.1) {
      p = q;
      d = 0.0;
    }
    double k = 0.0;
    if (lastClockOffset != 0 && (d >= 0.01 || d <= -0.01)) k = d * (100.0 / 9.0) * tempo * 0.02;
    out = tempo + k;
  }
  outputTempo = out;
  info.tempo = out;
  blockStartPpq = p;
  const double c2 = 24.0 * out / (60.0 * rate);
  nextBlockPpq = p + blockFrames * c2 / 24.0;
  info.ppqPosition = p + latencySamples * c2 / 24.0;
  int flags = TIME_PPQ_VALID | TIME_TEMPO_VALID;
  if (playing) flags |= TIME_PLAYING;
  if (changed) {
    flags |= TIME_TRANSPORT_CHANGED;
    changed = 0;
  }
  info.flags = flags;
  return &info;
}
