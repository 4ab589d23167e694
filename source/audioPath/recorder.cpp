// The recorder's user-interface half: the buffer, the options, the transport, the finish of a take
// (punch-in copy, fade-out, take gain) and undo. See recorder.h for how it meets the audio half.
#include "audioPath/recorder.h"

#include <cstring>
#include <thread>

#include "audioPath/recorderState.h"
#include "engine/numeric.h"
#include "engine/recorderHook.h"
#include "uiSeams/msgBox.h"

RecorderState g_rec;

namespace {

const char kMemoryText[] =
    "Memory error! Morvane's audio recorder could not allocate the requested buffer size. Please try a smaller "
    "buffer size.";

RecMapFn g_map = nullptr;
RecUnmapFn g_unmap = nullptr;
// The routine that releases the buffer in use: the one that belongs to the routine that made it.
RecUnmapFn g_bufferUnmap = nullptr;

void* mapBytes(std::uint32_t bytes, void** handle) {
  void* view = g_map ? g_map(bytes, handle) : recMapPlatform(bytes, handle);
  g_bufferUnmap = g_map ? g_unmap : recUnmapPlatform;
  return view;
}

void unmapBytes(void* view, void* handle) {
  if (g_bufferUnmap) g_bufferUnmap(view, handle);
  g_bufferUnmap = nullptr;
}

// Keeps the audio half out: new tap calls and note triggers do nothing, the one under way is waited
// for (a tap is one pass over 128 frames, so the wait is short).
void freezeAudio() {
  g_rec.frozen.store(1);
  while (g_rec.busy.load()) std::this_thread::yield();
}

void thawAudio() { g_rec.frozen.store(0); }

// Freezes and stops the transport; true when something was running.
bool freezeAndStop() {
  freezeAudio();
  const bool running = g_rec.recording.exchange(0) | g_rec.playing.exchange(0);
  return running;
}

void selectRoutines() {
  const std::int32_t overdub = g_rec.overdub.load(), mode = g_rec.channelMode.load();
  g_rec.writer.store(recChooseWriter(overdub, mode));
  g_rec.player.store(recChoosePlayer(overdub, mode));
}

std::int16_t* halfStart(std::int16_t half) {
  if (!g_rec.buffer) return nullptr;
  return g_rec.buffer + (half ? g_rec.capacity.load() : 0);
}

// Nothing of the old take is reachable (capacity 0, no take) before its memory goes.
void releaseBuffer() {
  g_rec.capacity.store(0);
  g_rec.take.store(nullptr);
  if (g_rec.buffer) unmapBytes(g_rec.buffer, g_rec.handle);
  g_rec.buffer = nullptr;
  g_rec.handle = nullptr;
  g_rec.size = 0;
}

void clearTakes() {
  g_rec.length.store(0);
  g_rec.savedLength[0].store(0);
  g_rec.savedLength[1].store(0);
  g_rec.cursor.store(0);
  g_rec.recordPos.store(0);
  g_rec.playPos.store(0);
  g_rec.stopPending.store(0);
}

// Starting a take: the current length is kept for its half; with the undo option on the take moves to
// the other half, which starts with the same length.
void beginTake() {
  const std::int16_t half = g_rec.half.load();
  const std::int32_t length = g_rec.length.load();
  g_rec.savedLength[half].store(length);
  if (!g_rec.undo.load()) return;
  const std::int16_t other = static_cast<std::int16_t>(half ^ 1);
  g_rec.half.store(other);
  g_rec.take.store(halfStart(other));
  g_rec.savedLength[other].store(length);
}

// The end of a recording, with the audio half kept out: the previous take around the recorded part,
// then the fade-out (normal) or the take gain on the parts outside (overdub).
void finishTake() {
  std::int16_t* take = g_rec.take.load();
  if (!take) return;
  const std::int32_t cursor = g_rec.cursor.load(), recordPos = g_rec.recordPos.load();
  std::int32_t length = g_rec.length.load();
  if (recordPos > length) length = recordPos;
  g_rec.length.store(length);
  const std::int32_t from = cursor < recordPos ? cursor : recordPos;
  if (g_rec.undo.load()) {
    const std::int16_t* other = halfStart(static_cast<std::int16_t>(g_rec.half.load() ^ 1));
    if (from > 0) std::memcpy(take, other, sizeof(std::int16_t) * static_cast<std::size_t>(from));
    if (length > recordPos)
      std::memcpy(take + recordPos, other + recordPos,
                  sizeof(std::int16_t) * static_cast<std::size_t>(length - recordPos));
  }
  if (g_rec.overdub.load()) {
    const float gain = g_rec.takeGain.load();
    for (std::int32_t i = 0; i < from; ++i) take[i] = static_cast<std::int16_t>(take[i] * gain);
    for (std::int32_t i = recordPos; i < length; ++i) take[i] = static_cast<std::int16_t>(take[i] * gain);
    return;
  }
  const std::int32_t fade = recFadeFrames * recGetChannelCount();
  const std::int32_t start = recordPos > fade ? recordPos - fade : 0;
  const float step = 1.0f / static_cast<float>(fade);
  for (std::int32_t i = start; i < recordPos; ++i)
    take[i] = static_cast<std::int16_t>(take[i] * (1.0f - static_cast<float>(i - start) * step));
}

}  // namespace

// ---- start-up ----

void recInitFrames(std::int64_t frames) {
  recShutdown();
  if (frames < 1) frames = recMinFrames;
  g_rec.capacity.store(0);
  g_rec.size = 0;
  g_rec.buffer = nullptr;
  g_rec.handle = nullptr;
  g_rec.take.store(nullptr);
  g_rec.half.store(0);
  clearTakes();
  g_rec.recording.store(0);
  g_rec.playing.store(0);
  g_rec.busy.store(0);
  g_rec.overdub.store(0);
  g_rec.channelMode.store(0);
  g_rec.liveGain.store(0.5f);
  g_rec.takeGain.store(0.5f);
  g_rec.undo.store(1);
  g_rec.winState.store(recStateIdle);
  g_rec.refreshMark.store(0);
  selectRoutines();
  thawAudio();
  recSetBufferSize(frames);
  recSetChannelMode(1);
  recSetOverdub(0);
  recSetNoteHook(recOnNoteStart);
}

void recShutdown() {
  recSetNoteHook(nullptr);
  freezeAndStop();
  releaseBuffer();
  clearTakes();
  thawAudio();
}

void recSetMapSeam(RecMapFn map, RecUnmapFn unmap) {
  g_map = map;
  g_unmap = map ? unmap : nullptr;
}

// ---- options ----

int recSetBufferSize(std::int64_t frames) {
  frames = numClamp<std::int64_t>(frames, 1, recMaxFrames);
  if (g_rec.buffer && frames == g_rec.size) return 1;
  recServicePending();
  const bool wasRunning = freezeAndStop();
  releaseBuffer();
  g_rec.half.store(0);
  clearTakes();
  void* handle = nullptr;
  void* view = mapBytes(static_cast<std::uint32_t>(frames) * 4u, &handle);
  if (view) {
    g_rec.buffer = static_cast<std::int16_t*>(view);
    g_rec.handle = handle;
    g_rec.size = static_cast<std::int32_t>(frames);
    g_rec.take.store(g_rec.buffer);
    g_rec.capacity.store(g_rec.size);
  }
  thawAudio();
  if (wasRunning) recNotifyIdle();
  if (!view) {
    msgBox(0, kMemoryText, 0);
    return 0;
  }
  return 1;
}

void recSetChannelMode(std::int32_t mode) {
  if (mode != 0 && mode != 1) return;
  recServicePending();
  const bool wasRunning = freezeAndStop();
  g_rec.channelMode.store(mode);
  selectRoutines();
  g_rec.length.store(0);
  g_rec.savedLength[0].store(0);
  g_rec.savedLength[1].store(0);
  g_rec.cursor.store(0);
  thawAudio();
  if (wasRunning) recNotifyIdle();
}

void recSetOverdub(std::int32_t mode) {
  if (mode != 0 && mode != 1) return;
  g_rec.overdub.store(mode);
  selectRoutines();
}

void recSetUndo(std::int32_t on) {
  recServicePending();
  const bool wasRunning = freezeAndStop();
  g_rec.undo.store(on ? 1 : 0);
  g_rec.half.store(0);
  g_rec.take.store(g_rec.buffer);
  g_rec.capacity.store(on ? g_rec.size : g_rec.size * 2);
  clearTakes();
  thawAudio();
  if (wasRunning) recNotifyIdle();
  recMarkRefresh(1);
}

std::int32_t recGetUndo() { return g_rec.undo.load(); }
std::int32_t recGetChannelCount() { return g_rec.channelMode.load() == 1 ? 2 : 1; }
std::int32_t recGetChannelMode() { return g_rec.channelMode.load(); }
std::int32_t recGetOverdub() { return g_rec.overdub.load(); }
std::int32_t recGetCapacity() { return g_rec.capacity.load(); }
std::int32_t recGetSize() { return g_rec.size; }
std::int32_t recGetLength() { return g_rec.length.load(); }
std::int32_t recGetPosition() { return g_rec.playing.load() ? g_rec.playPos.load() : g_rec.recordPos.load(); }
std::int32_t recGetCursor() { return g_rec.cursor.load(); }
int recHasTake() { return g_rec.length.load() > 0; }
int recHasAnyTake() {
  return g_rec.length.load() >= 1 || g_rec.savedLength[0].load() > 0 || g_rec.savedLength[1].load() > 0;
}
int recIsRecording() { return g_rec.recording.load(); }
int recIsPlaying() { return g_rec.playing.load(); }

namespace {
float unitClamp(float g) {
  return numClampStrictLo(g, 0.0f, 1.0f);  // NaN too
}
}  // namespace

void recSetLiveGain(float g) { g_rec.liveGain.store(unitClamp(g)); }
void recSetTakeGain(float g) { g_rec.takeGain.store(unitClamp(g)); }
float recGetLiveGain() { return g_rec.liveGain.load(); }
float recGetTakeGain() { return g_rec.takeGain.load(); }

double recGetCursorFraction() {
  const std::int32_t capacity = g_rec.capacity.load();
  return capacity > 0 ? g_rec.cursor.load() * (1.0 / capacity) : 0.0;
}

void recSetCursorFraction(double f) {
  recServicePending();
  f = numClampStrictLo(f, 0.0, 1.0);
  std::int32_t cursor = static_cast<std::int32_t>(g_rec.capacity.load() * f);
  const std::int32_t length = g_rec.length.load();
  if (cursor > length) cursor = length;
  if (cursor & 1) ++cursor;
  g_rec.cursor.store(cursor);
}

// ---- transport ----

bool recStartRecordingNow() {
  const std::int32_t cursor = g_rec.cursor.load();
  if (g_rec.stopPending.load() || cursor >= g_rec.capacity.load() || !g_rec.take.load()) return false;
  beginTake();
  g_rec.recordPos.store(cursor);
  g_rec.recording.store(1);
  if (g_rec.overdub.load() && g_rec.length.load() >= 1) {
    g_rec.playPos.store(cursor);
    g_rec.playing.store(1);
  }
  return true;
}

void recStartRecording() {
  recServicePending();
  recStartRecordingNow();
}

void recStartPlaying() {
  recServicePending();
  const std::int32_t cursor = g_rec.cursor.load();
  if (cursor >= g_rec.capacity.load() || !g_rec.take.load()) return;
  g_rec.playPos.store(cursor);
  g_rec.playing.store(1);
}

void recStopRecording() {
  recServicePending();
  const bool was = g_rec.recording.exchange(0) != 0;
  if (was) {
    freezeAudio();
    finishTake();
    thawAudio();
  }
  recNotifyIdle();
}

void recStopPlaying() {
  g_rec.playing.store(0);
  recNotifyIdle();
}

int recServicePending() {
  if (!g_rec.stopPending.load()) return 0;
  freezeAudio();
  if (g_rec.stopPending.exchange(0)) finishTake();
  thawAudio();
  return 1;
}

int recStopIsPending() { return g_rec.stopPending.load(); }

void recClear() {
  recServicePending();
  const bool wasRunning = freezeAndStop();
  beginTake();
  if (std::int16_t* take = g_rec.take.load())
    std::memset(take, 0, sizeof(std::int16_t) * static_cast<std::size_t>(g_rec.capacity.load()));
  g_rec.length.store(0);
  g_rec.cursor.store(0);
  thawAudio();
  if (wasRunning) recNotifyIdle();
}

void recUndoSwap() {
  recServicePending();
  if (!g_rec.undo.load() || !g_rec.buffer) return;
  const bool wasRunning = freezeAndStop();
  const std::int16_t half = g_rec.half.load();
  g_rec.savedLength[half].store(g_rec.length.load());
  const std::int16_t other = static_cast<std::int16_t>(half ^ 1);
  g_rec.half.store(other);
  g_rec.take.store(halfStart(other));
  g_rec.length.store(g_rec.savedLength[other].load());
  thawAudio();
  if (wasRunning) recNotifyIdle();
}

const std::int16_t* recGetTake() { return g_rec.take.load(); }

const std::int16_t* recGetOtherTake() {
  if (!g_rec.undo.load()) return nullptr;
  return halfStart(static_cast<std::int16_t>(g_rec.half.load() ^ 1));
}

// ---- the Record window's shared words ----

std::int32_t recWinState() { return g_rec.winState.load(); }
void recWinStoreState(std::int32_t state) { g_rec.winState.store(state); }
int recRefreshMarked() { return g_rec.refreshMark.load(); }
void recMarkRefresh(int on) { g_rec.refreshMark.store(on ? 1 : 0); }

void recNotifyIdle() {
  g_rec.winState.store(recStateIdle);
  g_rec.refreshMark.store(1);
}
