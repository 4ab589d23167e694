// The recorder's one state record, shared by its user-interface half (recorder.cpp) and its audio
// half (recorderTap.cpp). Words that both threads touch are atomics; the rest is written only while
// the audio half is frozen or idle.
#pragma once
#include <atomic>
#include <cstdint>

typedef void (*RecBlockFn)(std::int32_t frames, float* out1, float* out2);

struct RecorderState {
  // Samples available to one take: the buffer's frames with the undo option on, twice that off.
  std::atomic<std::int32_t> capacity;
  std::int32_t size;                         // frames of the buffer (it holds size x 2 samples)
  std::atomic<std::int32_t> recordPos;       // next sample to write
  std::atomic<std::int32_t> playPos;         // next sample to play
  std::atomic<std::int32_t> length;          // samples in the current take
  std::int16_t* buffer;                      // the mapped buffer
  void* handle;                              // its section
  std::atomic<std::int16_t*> take;           // the current half's first sample
  std::atomic<std::int16_t> half;            // 0 or 1
  std::atomic<std::int32_t> savedLength[2];  // lengths last recorded in half 0 and half 1

  std::atomic<std::uint8_t> recording, playing;
  std::atomic<std::uint8_t> stopPending;  // the writer reached the end; the finish waits for the UI
  std::atomic<std::uint8_t> frozen;       // set while the UI moves or releases the take
  std::atomic<std::uint8_t> busy;         // set while the audio half runs
  std::atomic<std::int32_t> overdub;
  std::atomic<std::int32_t> cursor;
  std::atomic<std::int32_t> channelMode;
  std::atomic<float> liveGain, takeGain;
  std::atomic<std::uint8_t> undo;
  std::atomic<RecBlockFn> writer, player;

  std::atomic<std::int32_t> winState;
  std::atomic<std::uint8_t> refreshMark;
};

extern RecorderState g_rec;

// The routines the tap chooses from (recorderTap.cpp).
RecBlockFn recChooseWriter(std::int32_t overdub, std::int32_t channelMode);
RecBlockFn recChoosePlayer(std::int32_t overdub, std::int32_t channelMode);
// The writer's end-of-buffer stop on the audio thread: only marks it.
void recMarkCapacityStop();
// Starts a take from the cursor (both threads: the Play button and the note trigger); false when it
// cannot start (no buffer, the cursor at the end, a finish still pending).
bool recStartRecordingNow();
