// The recorder's audio half: the four writers and four players, the tap that runs them once per
// 128-frame sub-block, and the note trigger. No allocation, no lock, no system call: each routine is
// one pass over the block, chosen in advance through a pointer.
#include <cstdint>

#include "audioPath/recorder.h"
#include "audioPath/recorderState.h"

namespace {

// The previous take an overdub mixes in: the other half with the undo option on, else the take itself
// (read just before it is overwritten).
const std::int16_t* previousTake(std::int16_t* take) {
  if (!g_rec.undo.load(std::memory_order_relaxed)) return take;
  const std::int32_t capacity = g_rec.capacity.load(std::memory_order_relaxed);
  return g_rec.half.load(std::memory_order_relaxed) == 0 ? g_rec.buffer + capacity : g_rec.buffer;
}

// Room for s more samples; otherwise the stop is marked and nothing is written (so a block that
// would reach the capacity exactly is not written either).
bool writerRoom(std::int32_t pos, std::int32_t s) {
  if (static_cast<std::int64_t>(pos) + s >= g_rec.capacity.load(std::memory_order_relaxed)) {
    recMarkCapacityStop();
    return false;
  }
  return true;
}

void writeMono(std::int32_t n, float* out1, float* out2) {
  const std::int32_t pos = g_rec.recordPos.load(std::memory_order_relaxed);
  if (!writerRoom(pos, n)) return;
  std::int16_t* t = g_rec.take.load(std::memory_order_relaxed) + pos;
  for (std::int32_t i = 0; i < n; ++i) t[i] = recToSample((out1[i] + out2[i]) * 0.5f);
  g_rec.recordPos.store(pos + n, std::memory_order_relaxed);
}

void writeStereo(std::int32_t n, float* out1, float* out2) {
  const std::int32_t pos = g_rec.recordPos.load(std::memory_order_relaxed);
  if (!writerRoom(pos, 2 * n)) return;
  std::int16_t* t = g_rec.take.load(std::memory_order_relaxed) + pos;
  for (std::int32_t i = 0; i < n; ++i) {
    t[2 * i] = recToSample(out1[i]);
    t[2 * i + 1] = recToSample(out2[i]);
  }
  g_rec.recordPos.store(pos + 2 * n, std::memory_order_relaxed);
}

// The old sample at position p of the previous take, scaled by the take gain; 0 from its length on.
inline float oldValue(const std::int16_t* prev, std::int32_t p, std::int32_t length, float takeGain) {
  return p < length ? recToFloat(prev[p]) * takeGain : 0.0f;
}

// What an overdub writer mixes: the take written, the previous take with its length, the two gains.
struct OverdubMix {
  std::int16_t* take;
  const std::int16_t* prev;
  std::int32_t length;
  float live, gain;
};

inline OverdubMix overdubMix() {
  OverdubMix m;
  m.take = g_rec.take.load(std::memory_order_relaxed);
  m.prev = previousTake(m.take);
  m.length = g_rec.length.load(std::memory_order_relaxed);
  m.live = g_rec.liveGain.load(std::memory_order_relaxed);
  m.gain = g_rec.takeGain.load(std::memory_order_relaxed);
  return m;
}

void writeMonoOverdub(std::int32_t n, float* out1, float* out2) {
  const std::int32_t pos = g_rec.recordPos.load(std::memory_order_relaxed);
  if (!writerRoom(pos, n)) return;
  const OverdubMix m = overdubMix();
  for (std::int32_t i = 0; i < n; ++i) {
    const std::int32_t p = pos + i;
    m.take[p] = recToSample((out1[i] + out2[i]) * 0.5f * m.live + oldValue(m.prev, p, m.length, m.gain));
  }
  g_rec.recordPos.store(pos + n, std::memory_order_relaxed);
}

void writeStereoOverdub(std::int32_t n, float* out1, float* out2) {
  const std::int32_t pos = g_rec.recordPos.load(std::memory_order_relaxed);
  if (!writerRoom(pos, 2 * n)) return;
  const OverdubMix m = overdubMix();
  for (std::int32_t i = 0; i < n; ++i) {
    const std::int32_t p = pos + 2 * i;
    m.take[p] = recToSample(out1[i] * m.live + oldValue(m.prev, p, m.length, m.gain));
    m.take[p + 1] = recToSample(out2[i] * m.live + oldValue(m.prev, p + 1, m.length, m.gain));
  }
  g_rec.recordPos.store(pos + 2 * n, std::memory_order_relaxed);
}

void stopPlayingHere() {
  g_rec.playing.store(0);
  recNotifyIdle();
}

// The position to play s samples from, or -1 when playback ends here. While recording (overdub) the
// player follows the writer past the old take's end.
std::int32_t playerStart(std::int32_t s) {
  const std::int32_t pos = g_rec.playPos.load(std::memory_order_relaxed);
  const std::int64_t end = static_cast<std::int64_t>(pos) + s;
  const bool recording = g_rec.recording.load(std::memory_order_relaxed) != 0;
  if ((!recording && end >= g_rec.length.load(std::memory_order_relaxed)) ||
      end > g_rec.capacity.load(std::memory_order_relaxed)) {
    stopPlayingHere();
    return -1;
  }
  return pos;
}

void playMono(std::int32_t n, float* out1, float* out2) {
  const std::int32_t pos = playerStart(n);
  if (pos < 0) return;
  const std::int16_t* t = g_rec.take.load(std::memory_order_relaxed) + pos;
  for (std::int32_t i = 0; i < n; ++i) {
    const float v = recToFloat(t[i]);
    out1[i] += v;
    out2[i] += v;
  }
  g_rec.playPos.store(pos + n, std::memory_order_relaxed);
}

void playStereo(std::int32_t n, float* out1, float* out2) {
  const std::int32_t pos = playerStart(2 * n);
  if (pos < 0) return;
  const std::int16_t* t = g_rec.take.load(std::memory_order_relaxed) + pos;
  for (std::int32_t i = 0; i < n; ++i) {
    out1[i] += recToFloat(t[2 * i]);
    out2[i] += recToFloat(t[2 * i + 1]);
  }
  g_rec.playPos.store(pos + 2 * n, std::memory_order_relaxed);
}

// Overdub players: while recording the outputs become what is being written; otherwise the same mix
// an overdub would record.
void playMonoOverdub(std::int32_t n, float* out1, float* out2) {
  const std::int32_t pos = playerStart(n);
  if (pos < 0) return;
  const std::int16_t* t = g_rec.take.load(std::memory_order_relaxed) + pos;
  if (g_rec.recording.load(std::memory_order_relaxed)) {
    for (std::int32_t i = 0; i < n; ++i) out1[i] = out2[i] = recToFloat(t[i]);
  } else {
    const float live = g_rec.liveGain.load(std::memory_order_relaxed);
    const float gain = g_rec.takeGain.load(std::memory_order_relaxed);
    for (std::int32_t i = 0; i < n; ++i) {
      const float v = recToFloat(t[i]) * gain;
      out1[i] = out1[i] * live + v;
      out2[i] = out2[i] * live + v;
    }
  }
  g_rec.playPos.store(pos + n, std::memory_order_relaxed);
}

void playStereoOverdub(std::int32_t n, float* out1, float* out2) {
  const std::int32_t pos = playerStart(2 * n);
  if (pos < 0) return;
  const std::int16_t* t = g_rec.take.load(std::memory_order_relaxed) + pos;
  if (g_rec.recording.load(std::memory_order_relaxed)) {
    for (std::int32_t i = 0; i < n; ++i) {
      out1[i] = recToFloat(t[2 * i]);
      out2[i] = recToFloat(t[2 * i + 1]);
    }
  } else {
    const float live = g_rec.liveGain.load(std::memory_order_relaxed);
    const float gain = g_rec.takeGain.load(std::memory_order_relaxed);
    for (std::int32_t i = 0; i < n; ++i) {
      out1[i] = out1[i] * live + recToFloat(t[2 * i]) * gain;
      out2[i] = out2[i] * live + recToFloat(t[2 * i + 1]) * gain;
    }
  }
  g_rec.playPos.store(pos + 2 * n, std::memory_order_relaxed);
}

}  // namespace

RecBlockFn recChooseWriter(std::int32_t overdub, std::int32_t channelMode) {
  if (overdub) return channelMode ? writeStereoOverdub : writeMonoOverdub;
  return channelMode ? writeStereo : writeMono;
}

RecBlockFn recChoosePlayer(std::int32_t overdub, std::int32_t channelMode) {
  if (overdub) return channelMode ? playStereoOverdub : playMonoOverdub;
  return channelMode ? playStereo : playMono;
}

void recMarkCapacityStop() {
  g_rec.recording.store(0);
  const std::int32_t pos = g_rec.recordPos.load(std::memory_order_relaxed);
  if (pos > g_rec.length.load(std::memory_order_relaxed)) g_rec.length.store(pos, std::memory_order_relaxed);
  g_rec.stopPending.store(1);
  recNotifyIdle();
}

void recTap(std::int32_t frames, float* out1, float* out2) {
  if (frames < 1 || frames > 128 || !out1 || !out2) return;
  // busy before frozen is read, frozen before busy is read on the other side: one of the two sees
  // the other, so a take is never released under a running writer or player.
  g_rec.busy.store(1);
  if (!g_rec.frozen.load()) {
    if (g_rec.recording.load()) g_rec.writer.load(std::memory_order_relaxed)(frames, out1, out2);
    if (g_rec.playing.load()) g_rec.player.load(std::memory_order_relaxed)(frames, out1, out2);
  }
  g_rec.busy.store(0);
}

void recOnNoteStart() {
  g_rec.busy.store(1);
  if (!g_rec.frozen.load()) {
    std::int32_t waiting = recStateWaiting;
    if (g_rec.winState.compare_exchange_strong(waiting, recStateRecording)) {
      g_rec.refreshMark.store(1);
      // A take that cannot start leaves the window idle rather than showing a recording.
      if (!recStartRecordingNow()) recNotifyIdle();
    }
  }
  g_rec.busy.store(0);
}
