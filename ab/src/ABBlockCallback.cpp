// The block callback: runs the MIDI clock over the block's events, routes the device channels
// (channels of disabled client channels are masked) and hands the block to the guarded process path.
#include "ABAudioManager.h"

#include <cstring>

namespace {

void zeroBlockOutputs(AudioBlock* block, int frames) {
  const int n = block->output.channelCount < AB_MAX_CHANNELS ? block->output.channelCount : AB_MAX_CHANNELS;
  if (!block->output.buffers || frames <= 0) return;
  for (int i = 0; i < n; ++i)
    if (block->output.buffers[i]) std::memset(block->output.buffers[i], 0, sizeof(float) * frames);
}

// Device channel ids of disabled client channels' routes, as a 32-bit mask; routes outside 0..31
// name no maskable channel.
uint32_t disabledMask(const int32_t* routes, const uint8_t* disabled) {
  uint32_t mask = 0;
  for (int i = 0; i < AB_MAX_CHANNELS; ++i)
    if (disabled[i] && routes[i] >= 0 && routes[i] < AB_MAX_CHANNELS) mask |= 1u << routes[i];
  return mask;
}

inline bool masked(uint32_t mask, int32_t id) { return id >= 0 && id < AB_MAX_CHANNELS && (mask & (1u << id)) != 0; }

}  // namespace

void abAudioCallback(AudioBlock* block, int, void* user2, void*) {
  if (!block) return;
  AudioManager* manager = static_cast<AudioManager*>(user2);
  if (!abHostRunning() || !manager) {
    zeroBlockOutputs(block, block->frames);
    return;
  }
  manager->runBlock(block);
}

void AudioManager::runClock() {
  const int32_t saved = ringRead;
  midiClock.beginBlock(samplePosition, blockFrames);
  MidiEventRecord e;
  int offset = 0;
  int next = -1;
  for (;;) {
    if (readMidiEvent(offset, &e, MIDI_EVENT_SHORT, &next)) {
      const uint8_t status = e.data.bytes[0];
      switch (status) {
        case 0xF8: midiClock.clock(samplePosition + e.offset, blockFrames, e.offset, static_cast<int>(e.time)); break;
        case 0xFA: midiClock.start(samplePosition + e.offset); break;
        case 0xFB: midiClock.resume(); break;
        case 0xFC: midiClock.stop(); break;
        case 0xF2: midiClock.songPosition(samplePosition, (e.data.bytes[1] + 128 * e.data.bytes[2]) * 6); break;
        default: break;
      }
      continue;
    }
    if (next < 0 || next <= offset) break;
    offset = next;
  }
  ringRead = saved;
}

void AudioManager::runBlock(AudioBlock* block) {
  const int frames = block->frames > 0 ? block->frames : 0;
  ring = block->ring;
  if (ring && (ringRead < 0 || ringRead >= ring->capacity)) ringRead = 0;
  blockFrames = frames;
  blockStartRead = ringRead;
  if (frames == 0) return;
  runClock();

  const uint32_t outMask = disabledMask(outputRoutes, outputDisabled);
  const uint32_t inMask = disabledMask(inputRoutes, inputDisabled);
  float* inputs[AB_MAX_CHANNELS];
  float* outputs[AB_MAX_CHANNELS];
  int nIn = 0, nOut = 0;
  const int inCount = block->input.buffers && block->input.channelCount > 0
                          ? (block->input.channelCount < AB_MAX_CHANNELS ? block->input.channelCount : AB_MAX_CHANNELS)
                          : 0;
  const int outCount =
      block->output.buffers && block->output.channelCount > 0
          ? (block->output.channelCount < AB_MAX_CHANNELS ? block->output.channelCount : AB_MAX_CHANNELS)
          : 0;
  for (int i = 0; i < inCount; ++i) {
    const int32_t id = block->input.channelIds ? block->input.channelIds[i] : i;
    if (masked(inMask, id)) continue;
    blockInputIds[nIn] = id;
    inputs[nIn++] = block->input.buffers[i];
  }
  for (int i = 0; i < outCount; ++i) {
    const int32_t id = block->output.channelIds ? block->output.channelIds[i] : i;
    if (masked(outMask, id)) {
      if (block->output.buffers[i]) std::memset(block->output.buffers[i], 0, sizeof(float) * frames);
      continue;
    }
    blockOutputIds[nOut] = id;
    outputs[nOut++] = block->output.buffers[i];
  }
  for (int i = nIn; i < AB_MAX_CHANNELS; ++i) blockInputIds[i] = -1;
  for (int i = nOut; i < AB_MAX_CHANNELS; ++i) blockOutputIds[i] = -1;
  process(inputs, outputs, nIn, nOut, frames);
  samplePosition += frames;
}
