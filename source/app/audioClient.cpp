#include "app/audioClient.h"

#include <cstring>
#include <new>

#include "ABAudioManager.h"
#include "audioPath/clientSubBlock.h"
#include "engine/engineConfig.h"
#include "engine/midiQueue.h"
#include "preset/editBlock.h"

void scratchResize(ScratchBuffer* buffer, std::uint32_t length) {
  if (!buffer || buffer->length == length) return;
  float* data = nullptr;
  if (length > 0) {
    data = new (std::nothrow) float[length]();
    if (!data) return;  // memory short: the old buffer stays as it was
    const std::uint32_t keep = buffer->length < length ? buffer->length : length;
    if (keep > 0 && buffer->data) std::memcpy(data, buffer->data, sizeof(float) * keep);
  }
  delete[] buffer->data;
  buffer->data = data;
  buffer->length = length;
}

void scratchArrayResize(ScratchArray* array, std::uint32_t count) {
  if (!array) return;
  for (std::uint32_t i = 0; i < array->count; ++i) scratchResize(&array->items[i], 0);
  delete[] array->items;
  array->items = nullptr;
  array->count = 0;
  if (count == 0) return;
  array->items = new (std::nothrow) ScratchBuffer[count]();
  if (array->items) array->count = count;
}

void scratchArrayResizeItems(ScratchArray* array, std::uint32_t length) {
  if (!array) return;
  for (std::uint32_t i = 0; i < array->count; ++i) scratchResize(&array->items[i], length);
}

AudioClient::AudioClient(AudioManager* manager) : AudioHostClient(manager) {
  std::memset(carry_, 0, sizeof carry_);
  setBlockMode(true, 128, true);
  setResampling(true);
  setOverloadGuard(true, 95);
  setClipOutput(true);
  scratchArrayResize(&inputScratch_, kInputs);
  scratchArrayResize(&outputScratch_, kOutputs);
  // A channel without a device buffer renders into its scratch buffer one sub-block at a time, so one
  // sub-block's length is all they ever need: made here, never on the audio thread.
  scratchArrayResizeItems(&inputScratch_, engineBlockMax);
  scratchArrayResizeItems(&outputScratch_, engineBlockMax);
}

AudioClient::~AudioClient() {
  scratchArrayResize(&inputScratch_, 0);
  scratchArrayResize(&outputScratch_, 0);
}

void AudioClient::attach(Engine* engine, Bank* bank) {
  engine_ = engine;
  bank_ = bank;
  if (!engine) return;
  int inputs = 0;
  for (int i = 0; i < kInputs; ++i)
    if (queryOption(false, i)) ++inputs;
  int outputs = 0;
  for (int i = 0; i < kOutputs; ++i)
    if (queryOption(true, i)) ++outputs;
  engineSetInputCount(engine, static_cast<std::uint16_t>(inputs));
  engineSetOutputCount(engine, static_cast<std::uint16_t>(outputs));
}

void AudioClient::pullMidi(int from, int to) {
  MidiState* queue = engineGetMidiQueue(engine_);
  // The host tells the offset of its next event; offsets before it have none.
  while (nextEvent_ >= from && nextEvent_ < to) {
    const int f = nextEvent_;
    MidiEventRecord record;
    int next = -1;
    while (nextMidiEvent(f, &record, &next)) {
      if (record.type != MIDI_EVENT_SHORT) continue;
      MidiEvent event;
      event.time = 0;
      event.status = record.data.bytes[0];
      event.data1 = record.data.bytes[1];
      event.data2 = record.data.bytes[2];
      event.spare = 0;
      event.pending.store(1, std::memory_order_relaxed);
      midiQueuePushEntry(queue, &event);
    }
    nextEvent_ = next;
    if (next <= f) break;  // none left in this block
  }
}

void AudioClient::processBlock(float** inputs, float** outputs, int nIn, int nOut, int frames) {
  if (!engine_ || frames <= 0) return;
  if (nIn < 0) nIn = 0;
  if (nOut < 0) nOut = 0;
  const int m = nIn < kInputs ? nIn : kInputs;
  const int outs = nOut < kOutputs ? nOut : kOutputs;
  engineSetInputCount(engine_, static_cast<std::uint16_t>(m));
  engineSetOutputCount(engine_, static_cast<std::uint16_t>(outs));
  // From the first block on the engine's stop handshake waits for the blocks of this thread.
  if (!threadMarked_.load(std::memory_order_relaxed)) {
    engineAudioThreadBegin(engine_);
    threadMarked_.store(true, std::memory_order_relaxed);
  }
  engineAudioBlockBegin(engine_);
  editCommitPending(engine_);

  // The device buffer of each logical channel (null: nothing routed to it).
  float* deviceIn[kInputs] = {};
  float* deviceOut[kOutputs] = {};
  if (float** mapped = mapInputs(inputs, nIn))
    for (int i = 0; i < m; ++i) deviceIn[i] = mapped[i];
  if (float** mapped = mapOutputs(outputs, nOut))
    for (int o = 0; o < kOutputs; ++o) deviceOut[o] = mapped[o];

  // Frames rendered ahead at the end of the previous block come first.
  int pos = 0;
  if (carryCount_ > 0) {
    const int n = carryCount_ < frames ? carryCount_ : frames;
    for (int o = 0; o < kOutputs; ++o)
      if (deviceOut[o]) std::memcpy(deviceOut[o], carry_[o] + carryStart_, sizeof(float) * n);
    carryStart_ += n;
    carryCount_ -= n;
    pos = n;
  }

  nextEvent_ = 0;
  int midiDone = 0;
  const float* in[kInputs] = {};
  float* out[kOutputs] = {};
  while (pos < frames) {
    const int left = frames - pos;
    const bool whole = left >= engineBlockMax;
    const int end = whole ? pos + engineBlockMax : frames;
    pullMidi(midiDone, end);
    midiDone = end;
    for (int i = 0; i < m; ++i) {
      in[i] = nullptr;
      if (!deviceIn[i]) continue;
      if (whole) {
        in[i] = deviceIn[i] + pos;
      } else {
        // The last frames of the device block, then silence up to the sub-block's end.
        float* s = inputScratch_.items[i].data;
        std::memcpy(s, deviceIn[i] + pos, sizeof(float) * left);
        std::memset(s + left, 0, sizeof(float) * (engineBlockMax - left));
        in[i] = s;
      }
    }
    for (int o = 0; o < kOutputs; ++o) {
      if (!whole)
        out[o] = carry_[o];
      else
        out[o] = deviceOut[o] ? deviceOut[o] + pos : outputScratch_.items[o].data;
    }
    clientRenderSubBlock(engine_, in, m, out, outs, end);
    if (!whole) {
      // Only the frames the device block has room for are written; the rest wait for the next block.
      for (int o = 0; o < kOutputs; ++o)
        if (deviceOut[o]) std::memcpy(deviceOut[o] + pos, carry_[o], sizeof(float) * left);
      carryStart_ = left;
      carryCount_ = engineBlockMax - left;
    }
    pos = end;
  }
  // A block taken entirely from the carried frames still takes its events: the next sub-block plays them.
  if (midiDone < frames) pullMidi(midiDone, frames);

  engine_->loadDisplay = cpuLoad() * 0.01f;
  engineAudioBlockEnd(engine_);
}

bool AudioClient::acceptsSampleRate(float rate) { return rate <= 48100.0f; }

void AudioClient::registerSetupWidgets(void* mainWindow) { open(mainWindow); }

void AudioClient::closeDevices() {
  close();
  if (threadMarked_.load() && engine_) engineAudioThreadEnd(engine_);
  threadMarked_.store(false);
}

void AudioClient::process(float** in, float** out, int nIn, int nOut, int frames) {
  processBlock(in, out, nIn, nOut, frames);
}

bool AudioClient::supportsRate(float rate) { return acceptsSampleRate(rate); }

void AudioClient::inputName(int index, std::string* name) {
  if (!name) return;
  *name = index >= 0 && index < kInputs ? "In " + std::to_string(index + 1) : std::string();
}

void AudioClient::outputName(int index, std::string* name) {
  if (!name) return;
  *name = index >= 0 && index < kOutputs ? "Out " + std::to_string(index + 1) : std::string();
}

int AudioClient::inputCount() { return kInputs; }
int AudioClient::outputCount() { return kOutputs; }

void AudioClient::setSampleRate(float rate) { engineCfgSetRate(rate); }
