// Voice and channel mixing onto the three sound-field buses.
#include <cstring>

#include "engine/engine.h"
#include "engine/mix.h"
#include "engine/surround.h"

namespace {

const float guard = 1e-24f;
const float stolenStep = -0.007874016f;  // 1/127 per frame
const float endedStep = 1.0f / 128.0f;

bool anyChannelActive(Engine* engine) {
  engine->channelCursor = -1;
  return engineNextActiveChannel(engine) >= 0;
}

void clear(float* p, int count) { std::memset(p, 0, sizeof(float) * static_cast<std::size_t>(count)); }

}  // namespace

int mixMasterLanes(Engine* engine) { return engineGetVoiceBufferCount(engine, 3) == 1 ? 1 : 3; }

void mixFadeVoice(Engine* engine, std::int16_t voice, float* buffer, int lanes, std::int16_t n) {
  Voice& v = engine->voices[voice];
  if ((v.state != voiceStateStolen && v.state != voiceStateEnded) || !buffer) return;
  const float start = v.fadeCounter == 0 ? 1.0f : v.fadeGain;
  float g = start;
  for (int lane = 0; lane < lanes; ++lane) {
    float* x = buffer + lane * n;
    g = start;
    if (v.state == voiceStateStolen) {
      for (int i = 0; i < n; ++i) {
        x[i] = (x[i] + guard) * g;
        if (g > guard) g += stolenStep;
      }
    } else {
      for (int i = 0; i < n; ++i) {
        x[i] = (x[i] + guard) * g;
        if (g > 0.0f) g -= endedStep;
      }
    }
  }
  if (v.state == voiceStateStolen) {
    v.fadeCounter = static_cast<std::uint16_t>(v.fadeCounter + n);
    if (v.fadeCounter >= 127) {
      v.state = voiceStatePending;  // the new note starts at the next block
      v.fadeGain = 0.0f;
    } else {
      v.fadeGain = g;
    }
  } else if (v.fadeCounter + n >= 128) {
    v.active = 0;
    v.state = voiceStateFree;
    v.fadeGain = 1.0f;
    v.fadeCounter = 0;
  } else {
    v.fadeGain = g;
    v.fadeCounter = static_cast<std::uint16_t>(v.fadeCounter + n);
  }
}

// The active channels in order (at most three).
static int activeChannels(Engine* engine, std::int16_t* channels) {
  int count = 0;
  engine->channelCursor = -1;
  for (std::int16_t ch = engineNextActiveChannel(engine); ch >= 0; ch = engineNextActiveChannel(engine))
    if (count < engineChannels) channels[count++] = ch;
  return count;
}

// With no channel playing, every active voice's master lanes are cleared: the master stages that
// follow (per-voice waveshaper and master filter) work in place and would otherwise run on what an
// older block left in the pool, their own output, block after block until it overflows.
static void clearMasterBuffers(Engine* engine, std::int16_t n) {
  const int count = mixMasterLanes(engine) * n;
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine))
    if (engine->masterBuffers[v]) clear(engine->masterBuffers[v], count);
}

// Both channel mixes walk voice by voice, each voice's channels in order, so a voice's master buffer
// stays in the cache while its channels come in; every sample gets the same operations in the same
// order as a walk channel by channel would give it.
void engineSumChannelsToVoices(Engine* engine, std::int16_t n) {
  const int m = n & ~7;
  std::int16_t channels[engineChannels];
  const int count = activeChannels(engine, channels);
  if (count == 0) {
    clearMasterBuffers(engine, n);
    return;
  }
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    float* dst = engine->masterBuffers[v];
    if (count == 3 && dst) {
      // All three channels in one pass: the same sums in the same order, a third of the traffic.
      const float* a = engine->voiceBuffers[channels[0]][v];
      const float* b = engine->voiceBuffers[channels[1]][v];
      const float* c = engine->voiceBuffers[channels[2]][v];
      if (a && b && c) {
        for (int i = 0; i < m; ++i) dst[i] = a[i] + b[i] + c[i];
        continue;
      }
    }
    for (int k = 0; k < count; ++k) {
      const float* src = engine->voiceBuffers[channels[k]][v];
      if (!src || !dst) continue;
      if (k == 0) {
        for (int i = 0; i < m; ++i) dst[i] = src[i];
      } else {
        for (int i = 0; i < m; ++i) dst[i] += src[i];
      }
    }
  }
}

void engineMixChannelsToVoices(Engine* engine, std::int16_t n) {
  std::int16_t channels[engineChannels];
  int inputLanes[engineChannels];
  PanEnvelopes envelopes[engineChannels];
  const int count = activeChannels(engine, channels);
  if (count == 0) {
    clearMasterBuffers(engine, n);
    return;
  }
  for (int k = 0; k < count; ++k) {
    inputLanes[k] = engineGetVoiceBufferCount(engine, channels[k]) == 1 ? 1 : 2;
    envelopes[k] = panFindEnvelopes(engine, channels[k]);
  }
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    float* dst = engine->masterBuffers[v];
    for (int k = 0; k < count; ++k) {
      const float* src = engine->voiceBuffers[channels[k]][v];
      if (!src || !dst) continue;
      if (k == 0) clear(dst, 3 * n);
      panToFieldWith(engine, channels[k], v, inputLanes[k], src, 2, dst, n, envelopes[k]);
    }
  }
}

void engineSumVoices(Engine* engine, std::int16_t n) {
  if (mixMasterLanes(engine) > 1) {
    engineSumVoiceLanes(engine, n);
    return;
  }
  float* sum = engine->mixScratch;
  clear(sum, n);
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    float* x = engine->masterBuffers[v];
    if (!x) continue;
    mixFadeVoice(engine, v, x, 1, n);
    for (int i = 0; i < n; ++i) sum[i] = guard + x[i] + sum[i];
  }
}

void engineSumVoiceLanes(Engine* engine, std::int16_t n) {
  float* sum = engine->mixScratch;
  clear(sum, 3 * n);
  const int lanes = mixMasterLanes(engine);
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    float* x = engine->masterBuffers[v];
    if (!x) continue;
    mixFadeVoice(engine, v, x, lanes, n);
    for (int i = 0; i < 3 * n; ++i) sum[i] += x[i];
  }
}

void engineMixSumToBuses(Engine* engine, std::int16_t n) {
  float* sum = engine->mixScratch;
  if (mixMasterLanes(engine) < 2) {
    for (auto& bus : engine->buses) clear(bus, n);
    panToFieldLanes(engine, 3, 0, 1, sum, engine->buses[0], engine->buses[1], engine->buses[2], n);
    return;
  }
  if (!anyChannelActive(engine)) {
    clear(engine->buses[0], n);
    clear(engine->buses[1], n);
    return;
  }
  for (int k = 0; k < 3; ++k) std::memcpy(engine->buses[k], sum + k * n, sizeof(float) * static_cast<std::size_t>(n));
}

void engineMixVoicesToBuses(Engine* engine, std::int16_t n) {
  if (mixMasterLanes(engine) >= 2) {
    engineAddVoiceLanesToBuses(engine, n);
    return;
  }
  if (!anyChannelActive(engine)) return;
  const PanEnvelopes envelopes = panFindEnvelopes(engine, 3);
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    float* x = engine->masterBuffers[v];
    if (!x) continue;
    mixFadeVoice(engine, v, x, 1, n);
    panToFieldLanesWith(engine, 3, v, 1, x, engine->buses[0], engine->buses[1], engine->buses[2], n, envelopes);
  }
}

void engineAddVoiceLanesToBuses(Engine* engine, std::int16_t n) {
  for (auto& bus : engine->buses) clear(bus, n);
  if (!anyChannelActive(engine)) return;
  const int lanes = mixMasterLanes(engine);
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    float* x = engine->masterBuffers[v];
    if (!x) continue;
    mixFadeVoice(engine, v, x, lanes, n);
    for (int k = 0; k < 3; ++k) {
      float* bus = engine->buses[k];
      const float* lane = x + k * n;
      for (int i = 0; i < n; ++i) bus[i] += lane[i];
    }
  }
}
