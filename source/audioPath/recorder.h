// The recorder: captures the first two device outputs into a take of signed 16-bit samples held in
// memory, and plays the take back into the same outputs. Normal or overdub recording, one undo take
// (the buffer split into two halves), punch-in from a cursor with a fade-out.
//
// Every position, length and capacity counts samples (a stereo frame is two samples, output 1 first).
//
// Threads: the tap (recTap) and the note trigger (recOnNoteStart) run on the audio thread; everything
// else runs on the user-interface thread. They share single words without locks. A change that moves
// or releases the take (buffer size, undo option, channel mode, clear, undo swap) first freezes the
// audio side: new tap calls do nothing, the one under way is waited for, and the transport is stopped.
// A writer that reaches the end of the buffer only marks the stop; the copy and the fade of a
// finished punch-in run on the user-interface thread at its next call (recServicePending).
#pragma once
#include <cstdint>

// Frames of the buffer at start-up when the setting is missing: 15,876,000 (3 minutes of stereo at
// 44.1 kHz with the undo option on).
enum : std::int32_t { recDefaultFrames = 15876000, recMinFrames = 44100, recFramesPerMinute = 5292000 };
// The largest buffer in frames: ten minutes of the menu's steps (212 MB). Larger requests are clamped.
enum : std::int32_t { recMaxFrames = recFramesPerMinute * 10 };
// Samples of the fade-out after a normal recording, per channel.
enum : std::int32_t { recFadeFrames = 512 };

// Start-up (the settings value already read): clears the state, makes the buffer (frames below 1
// become 44,100, above recMaxFrames become recMaxFrames), stereo, normal mode, undo on, and installs
// the note trigger into the sound core.
void recInitFrames(std::int64_t frames);
// The program's start-up: recInitFrames with the setting "record time" (recorderInit.cpp, Windows).
void recInit();
// Releases the buffer and removes the note trigger (process end; tests).
void recShutdown();

// Options (user-interface thread).
// Makes a buffer of frames x 2 samples; 1 when it exists afterwards. A failure shows the memory
// message and leaves the recorder without a buffer (capacity 0: it refuses to record or play).
int recSetBufferSize(std::int64_t frames);
void recSetChannelMode(std::int32_t mode);  // 0 mono, 1 stereo; other values change nothing
void recSetOverdub(std::int32_t mode);      // 0 normal, 1 overdub; other values change nothing
void recSetUndo(std::int32_t on);
std::int32_t recGetUndo();
std::int32_t recGetChannelCount();  // 2 in stereo, else 1
std::int32_t recGetChannelMode();
std::int32_t recGetOverdub();
std::int32_t recGetCapacity();
std::int32_t recGetSize();  // frames of the buffer as last made (0 without one)
std::int32_t recGetLength();
std::int32_t recGetPosition();  // play position while playing, else the record position
std::int32_t recGetCursor();
int recHasTake();
int recHasAnyTake();
int recIsRecording();
int recIsPlaying();
void recSetLiveGain(float g);  // clamped to [0, 1]
void recSetTakeGain(float g);
float recGetLiveGain();
float recGetTakeGain();
double recGetCursorFraction();
void recSetCursorFraction(double f);

// Transport.
void recStartRecording();
void recStartPlaying();
void recStopRecording();
void recStopPlaying();
void recClear();
void recUndoSwap();
// Finishes a recording the writer stopped at the end of the buffer (punch-in copy, fade, take gain).
// 1 when one was finished. Every user-interface entry above runs it first; the page update runs it
// every tick.
int recServicePending();
int recStopIsPending();

// The take as stored: the current half's first sample (null without a buffer). Tests and the display.
const std::int16_t* recGetTake();
// The other half (the undo copy), or null with the undo option off.
const std::int16_t* recGetOtherTake();

// Audio thread.
// The tap: after the sub-block's outputs are written, records outputs 1 and 2 and then plays the take
// into them. frames: 1..128.
void recTap(std::int32_t frames, float* out1, float* out2);
// The note trigger: a Record window waiting for a note (state 2) moves to recording (state 3).
void recOnNoteStart();

// The Record window's state word and refresh mark, shared with the audio thread.
enum { recStateIdle = 0, recStateArmed = 1, recStateWaiting = 2, recStateRecording = 3, recStatePlaying = 4 };
std::int32_t recWinState();
void recWinStoreState(std::int32_t state);
int recRefreshMarked();
void recMarkRefresh(int on);
// Sets the window state to idle and marks it for refresh.
void recNotifyIdle();

// Seam for tests: the routine that makes the buffer's memory. It returns the writable view of
// `bytes` zeroed bytes and its handle, or null on failure; `release` undoes it. Null restores the
// page-file mapping of the platform.
typedef void* (*RecMapFn)(std::uint32_t bytes, void** handle);
typedef void (*RecUnmapFn)(void* view, void* handle);
void recSetMapSeam(RecMapFn map, RecUnmapFn unmap);
// The platform's own pair (recorderBuffer_win32.cpp / recorderBuffer_posix.cpp).
void* recMapPlatform(std::uint32_t bytes, void** handle);
void recUnmapPlatform(void* view, void* handle);

// Sample conversions of every writer and player.
inline std::int16_t recToSample(float v) {
  // Written as selects (no branches) so that a block converts in vector registers; NaN gives 0.
  float c = v > 1.0f ? 1.0f : v;
  c = c < -1.0f ? -1.0f : c;
  c = c == c ? c : 0.0f;
  return static_cast<std::int16_t>(static_cast<std::int32_t>(c * 32767.0f));
}
inline float recToFloat(std::int16_t s) { return static_cast<float>(s) * 3.0518509476e-05f; }
