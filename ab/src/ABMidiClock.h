// MIDI clock tempo: follows an external MIDI clock (24 per quarter note) and presents tempo and
// position once per audio block as a time record. Audio thread only.
#pragma once

#include <cstdint>

struct AudioTimeInfo {
  double samplePosition;
  double sampleRate;
  double reserved0;            // 0
  double ppqPosition;          // quarter notes
  double tempo;                // BPM
  double reserved1[3];         // 0
  int32_t timeSigNumerator;    // 4
  int32_t timeSigDenominator;  // 4
  int32_t reserved2[3];        // 0
  int32_t flags;
};

enum { TIME_TRANSPORT_CHANGED = 1, TIME_PLAYING = 2, TIME_PPQ_VALID = 0x200, TIME_TEMPO_VALID = 0x400 };

class MidiClockTempo {
 public:
  MidiClockTempo();
  virtual ~MidiClockTempo() = default;
  virtual void setRate(int rate);
  // Song position pointer: `clocks` = pointer x 6.
  virtual void songPosition(int samplePosition, int clocks);
  virtual void clock(int samplePosition, int blockFrames, int offset, int timeMs);
  virtual void start(int samplePosition);
  virtual void stop();
  virtual void resume();
  virtual void beginBlock(int samplePosition, int frames);
  virtual AudioTimeInfo* timeRecord();

  int32_t latencySamples = 0;  // output latency in frames
  int32_t clockCount = 0;      // clocks since start or the last song position
  int32_t lastClockMs = -1;
  int32_t lastBlockFrames = 0;
  int32_t lastClockOffset = 0;
  int32_t locked = 0;
  int32_t unlockCount = 0;
  int32_t clockInBlock = 0;
  int32_t blockFrames = 0;
  int32_t blockPosition = 0;
  int32_t lockOffset = 0;
  int32_t playing = 0;
  int32_t changed = 0;
  int32_t pendingPosition = 0;
  double tempo = 120.0;
  double rate = 44100.0;
  double blockStartPpq = 0.0;
  double nextBlockPpq = 0.0;
  double outputTempo = 0.0;
  double unusedFactor = 1.0;
  uint8_t unusedFlag = 1;
  AudioTimeInfo info;
};
