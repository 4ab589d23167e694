// The audio engine's guarded process path, its setters and the buffer rebuild.
#include "ABAudioEngine.h"

#include "ABAudioClient.h"
#include "GPClamp.h"
#include "GPTimer.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

int64_t systemCounter() { return gpReadCounter(); }

float loadFactorFor(int rate) {
  const uint32_t frequency = gpCounterFrequency();
  return frequency ? static_cast<float>(static_cast<double>(rate) * 110.0 / frequency) : 0.0f;
}

void zeroOutputs(float** out, int nOut, int frames) {
  for (int i = 0; i < nOut; ++i)
    if (out[i]) std::memset(out[i], 0, sizeof(float) * frames);
}

}  // namespace

AudioEngine::AudioEngine() {
  std::memset(&timeInfo, 0, sizeof timeInfo);
  loadFactor = loadFactorFor(44100);
  // The lock is made here, on the thread that creates the engine, never on the audio thread.
  lock.create();
  ownedBuffers_.reserve(kOwnedBuffersMax);
}

AudioEngine::~AudioEngine() {
  freeBuffers();
  lock.destroy();
}

void AudioEngine::setUserData(void* data) { userData = data; }
void AudioEngine::setUserWord(int word) { userWord = word; }
bool AudioEngine::queryOption(bool, int) { return true; }
int AudioEngine::deviceSampleRate() { return deviceRate; }
int AudioEngine::clientSampleRate() { return clientRate; }
bool AudioEngine::isResampling() { return resample; }
bool AudioEngine::isRunning() { return muteCount == 0 && enabled; }
void AudioEngine::spare1() {}
void AudioEngine::spare2() {}
void AudioEngine::spare3() {}
void AudioEngine::spare4() {}
AudioHostClient* AudioEngine::client() { return clientPointer; }

void AudioEngine::beginChange() {
  if (++lockDepth == 1 && lock.isCreated()) lock.enter();
}

void AudioEngine::endChange() {
  if (lockDepth <= 0) return;
  if (--lockDepth == 0 && lock.isCreated()) lock.leave();
}

void AudioEngine::setResampling(bool on) {
  beginChange();
  resample = on;
  rebuildBuffers();
  endChange();
}

void AudioEngine::setBlockMode(bool on, int size, bool multiples) {
  // Hostile sizes are clamped: the queue divides by the size and holds 32 blocks of it.
  size = gpClamp(size, 1, 4096);
  if (on == blockMode && size == blockSize && multiples == allowMultiples) return;
  beginChange();
  blockMode = on;
  blockSize = size;
  allowMultiples = multiples;
  rebuildBuffers();
  endChange();
}

void AudioEngine::setMuted(bool on) {
  beginChange();
  if (on)
    ++muteCount;
  else if (muteCount > 0)
    --muteCount;
  endChange();
}

void AudioEngine::setClipOutput(bool on) {
  beginChange();
  clipOutput = on;
  endChange();
}

bool AudioEngine::setOverloadGuard(bool on, int thresholdPercent) {
  beginChange();
  guardOn = on;
  guardThreshold = thresholdPercent;
  overloadCount = 0;
  silenceLeft = 0;
  endChange();
  return on;
}

// Called on the MIDI callback thread. The count tells the client's going away (detachClient) that a
// call is under way; the flag, set before it waits, stops new ones.
void AudioEngine::forwardShortMidi(MidiEventRecord* event) {
  midiForwards_.fetch_add(1);
  if (!midiDetached_.load() && muteCount == 0 && clientPointer) clientPointer->shortMidi(event);
  midiForwards_.fetch_sub(1);
}

void AudioEngine::forwardSysEx(MidiEventRecord* event) {
  midiForwards_.fetch_add(1);
  if (!midiDetached_.load() && muteCount == 0 && clientPointer) clientPointer->sysEx(event);
  midiForwards_.fetch_sub(1);
}

int AudioEngine::deviceToClientFrames(int o) {
  if (clientRate == deviceRate) return o;
  if (integerRatio) return static_cast<int>(std::lround(static_cast<double>(ratioP) * o / ratioQ));
  return static_cast<int>(std::lround(o * blockRatio));
}

void AudioEngine::freeBuffers() {
  for (int i = 0; i < AB_MAX_CHANNELS; ++i) {
    clientInputs[i] = clientOutputs[i] = leftBuffers[i] = stageBuffers[i] = ringIn[i] = ringOut[i] = nullptr;
    queueIn[i] = queueOut[i] = nullptr;
  }
  ownedBuffers_.clear();
  midiQueue.reset();
  midiQueueCapacity = 0;
}

float* AudioEngine::newBuffer(int32_t frames) {
  std::unique_ptr<float[]> b(new (std::nothrow) float[frames]());
  if (!b) return nullptr;
  ownedBuffers_.push_back(std::move(b));  // within the room reserved at construction
  return ownedBuffers_.back().get();
}

void AudioEngine::rebuildBuffers() {
  freeBuffers();
  directFlag = true;
  ringInPos = ringOutPos = 0;
  framesIn = framesProcessed = 0;
  midiQueueRead = midiQueueWrite = midiQueueSaved_ = 0;
  leftCount = leftPos = 0;
  stageCount = stagePos = 0;
  maxConvertFrames_ = 0;
  if (clientRate == deviceRate) {
    bufferFrames = 0;
  } else if (!resample || clientRate <= 0) {
    bufferFrames = 0;
  } else {
    bufferFrames = clientRate;
  }
  bool ok = true;
  if (blockMode) {
    ringFrames = AB_QUEUE_BLOCKS * blockSize;
    for (int i = 0; i < AB_MAX_CHANNELS && ok; ++i) {
      ringIn[i] = newBuffer(ringFrames);
      ringOut[i] = newBuffer(ringFrames);
      ok = ringIn[i] && ringOut[i];
    }
    midiQueueCapacity = ringFrames / 4 > 2 ? ringFrames / 4 : 2;
    midiQueue.reset(ok ? new (std::nothrow) MidiEventRecord[midiQueueCapacity]() : nullptr);
    ok = ok && midiQueue;
  }
  if (bufferFrames > 0 && ok) {
    for (int i = 0; i < AB_MAX_CHANNELS && ok; ++i) {
      clientInputs[i] = newBuffer(bufferFrames);
      clientOutputs[i] = newBuffer(bufferFrames);
      leftBuffers[i] = newBuffer(bufferFrames);
      stageBuffers[i] = newBuffer(bufferFrames);
      ok = clientInputs[i] && clientOutputs[i] && leftBuffers[i] && stageBuffers[i];
    }
    std::memset(interpIn, 0, sizeof interpIn);
    std::memset(interpOut, 0, sizeof interpOut);
    // The stage starts with P x Q zero samples: the converted path's constant delay.
    stageCount = integerRatio ? ratioP * ratioQ : 0;
    // Device frames converted in one step: the client frames (up to 4 x the device's) and the
    // stage must fit the buffers; longer device blocks are converted in pieces.
    const int scale = (ratioP + ratioQ - 1) / ratioQ;
    maxConvertFrames_ = bufferFrames / (2 * (integerRatio ? scale : 2)) - 2 * ratioP * ratioQ;
    if (maxConvertFrames_ < 1) ok = false;
  }
  if (!ok) {
    // Out of memory: processing stays off rather than touching missing buffers.
    freeBuffers();
    bufferFrames = 0;
  }
  // Processing runs only with a usable rate pair whose buffers exist.
  enabled = ok && rateUsable_ && (clientRate == deviceRate || bufferFrames > 0);
}

void AudioEngine::callClient(float** in, float** out, int nIn, int nOut, int frames) {
  // The client writes only the outputs it uses: the others stay silent.
  zeroOutputs(out, nOut, frames);
  if (clientPointer) clientPointer->process(in, out, nIn, nOut, frames);
}

void AudioEngine::processDirect(float** in, float** out, int nIn, int nOut, int frames) {
  callClient(in, out, nIn, nOut, frames);
}

void AudioEngine::process(float** in, float** out, int nIn, int nOut, int frames) {
  nIn = gpClamp(nIn, 0, AB_MAX_CHANNELS);
  nOut = gpClamp(nOut, 0, AB_MAX_CHANNELS);
  if (frames <= 0) return;
  // A setter may take the lock between the depth test and the entry: the try never waits.
  if (!enabled || lockDepth != 0 || !lock.tryEnter()) {
    zeroOutputs(out, nOut, frames);
    return;
  }
  // Read again under the lock: a setter may have changed them since the test above.
  if (!enabled || muteCount != 0 || !clientPointer) {
    zeroOutputs(out, nOut, frames);
    lock.leave();
    return;
  }
  if (guardOn && load >= guardThreshold)
    overloadCount += 1;
  else
    overloadCount = 0;
  if (guardOn && load >= guardThreshold && overloadCount > 1) {
    if (silenceLeft < 1) {
      silenceLeft = deviceRate;
      if (clientPointer->overloadDecision()) {
        muteCount = 1;
        load = 0.0f;
        silenceLeft = 0;
        zeroOutputs(out, nOut, frames);
        lock.leave();
        return;
      }
      load = static_cast<float>(guardThreshold);
    }
    silenceLeft -= frames;
    if (silenceLeft > 0) {
      zeroOutputs(out, nOut, frames);
      lock.leave();
      return;
    }
  }
  int64_t (*counter)() = readCounter_ ? readCounter_ : systemCounter;
  const int64_t started = counter();
  if (clientRate == deviceRate) {
    if (blockMode)
      processQueued(in, out, nIn, nOut, frames);
    else
      processDirect(in, out, nIn, nOut, frames);
  } else {
    processConverted(in, out, nIn, nOut, frames);
  }
  if (clipOutput) {
    for (int i = 0; i < nOut; ++i) {
      float* o = out[i];
      if (!o) continue;
      for (int f = 0; f < frames; ++f) {
        float v = o[f];
        // NaN fails both tests and becomes silence.
        o[f] = v > 1.0f ? 1.0f : (v >= -1.0f ? v : (v < -1.0f ? -1.0f : 0.0f));
      }
    }
  }
  const uint32_t ticks = gpCounterTicks(started, counter());
  if (ticks > 0) {
    const float next = static_cast<float>(ticks) / frames * loadFactor * 0.3f + load * 0.7f;
    load = next < 100.0f ? next : 100.0f;
  }
  lock.leave();
}
