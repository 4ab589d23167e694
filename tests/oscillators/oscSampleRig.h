// An engine whose channel 0 plays the sample types ("Sample", "Granular"): the sample is installed
// straight into the channel's slot (with the loader's zero tail behind the data) or loaded from a
// WAVE file through the sample loader; voices render into buffers of exactly their lane count.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "oscillators/oscTestRig.h"
#include "preset/sample.h"

struct SampleRig : OscRig {
  std::vector<float> storage;
  bool pooled = false;

  explicit SampleRig(std::int32_t type = oscTypeSample) { record->type = type; }
  ~SampleRig() {
    if (pooled) {
      sampleReleaseAll(engine);
    } else {
      info()->data = nullptr;
      info()->length = 0;
    }
  }
  SampleInfo* info() { return &record->sampleInfo; }

  // Values are interleaved left, right for two channels. The channel gets one lane per channel.
  void setSample(const std::vector<float>& values, int channels, std::int32_t loopMode = 0, double root = 60.0,
                 double rate = 44100.0) {
    storage.assign(values.size() + sampleTailBytes / sizeof(float), 0.0f);
    std::copy(values.begin(), values.end(), storage.begin());
    SampleInfo* s = info();
    s->data = storage.data();
    sampleSetFormat(s, static_cast<std::int32_t>(values.size() / channels), channels, root, rate);
    s->readAsMono = channels == 1 ? 1 : 0;
    s->poolIndex = -1;
    s->loopMode = loopMode;
    sampleUpdateLoop(s);
    engineSetVoiceBufferCount(engine, 0, static_cast<std::int16_t>(channels == 2 ? 2 : 1));
  }

  // The voice reads `inc` frames per output sample (fixed pitch, rate factor 1). Before startNote.
  void fixedIncrement(double inc) {
    record->freqMode = oscFreqNote;
    record->pitchInc = static_cast<float>(inc);
    info()->rateFactor = 1.0f;
  }

  int lanes() { return engineGetVoiceBufferCount(engine, 0); }

  // Renders `total` frames of the listed voices in blocks of `block`; result[voice][lane] holds the
  // frames of that lane.
  std::vector<std::vector<std::vector<float>>> renderVoices(int total, int block, const std::vector<int>& voices) {
    const int laneCount = lanes();
    std::vector<std::vector<std::vector<float>>> out(voices.size(), std::vector<std::vector<float>>(laneCount));
    int done = 0;
    while (done < total) {
      const int n = std::min(block, total - done);
      std::vector<std::vector<float>> buffers(voices.size(), std::vector<float>(std::size_t(laneCount * n), 0.0f));
      for (std::size_t i = 0; i < voices.size(); ++i) {
        engine->voiceBuffers[0][voices[i]] = buffers[i].data();
        if (envelope(voices[i])->state == 2) envelope(voices[i])->rampLength = static_cast<float>(n);
      }
      oscRenderAll(engine, static_cast<std::int16_t>(n));
      for (std::size_t i = 0; i < voices.size(); ++i) {
        engine->voiceBuffers[0][voices[i]] = nullptr;
        for (int l = 0; l < laneCount; ++l)
          out[i][l].insert(out[i][l].end(), buffers[i].begin() + l * n, buffers[i].begin() + (l + 1) * n);
      }
      done += n;
    }
    return out;
  }
  std::vector<float> renderLane(int total, int block = 128, int lane = 0, int voice = 0) {
    return renderVoices(total, block, {voice})[0][lane];
  }
};
