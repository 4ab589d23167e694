// A whole engine set up for the performance budget: held notes on a chosen number of voices, every
// block rendered through the audio client's sub-block (MIDI dispatch, edit commit, engineRender of
// 128 frames, MIDI processing, decode to two outputs, device ramp). Shared by the budget benchmark
// and the fixed callgrind workloads.
//
// A block of 128 frames lasts 128 / 44,100 s = 2.9025 ms: the real-time budget of one block.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/surround.h"
#include "modules/effectFrame.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/threeUnitEffect.h"
#include "modules/waveshaper.h"
#include "oscillators/oscFrame.h"
#include "preset/editBlock.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"
#include "preset/sample.h"
#include "preset/wave.h"

const int budgetFrames = 128;
const double budgetBlockSeconds = 128.0 / 44100.0;  // 2.9025 ms

// How one channel's oscillator is set up.
struct BudgetOsc {
  std::uint16_t type = oscTypeSingle;
  std::int16_t unison = 1;  // unison voices 1..8
  bool bandLimited = false;
  int grains = 1;          // "Granular" only
  int sampleChannels = 0;  // "Sample"/"Granular": 1 mono, 2 stereo
  const char* name = "Single";
};

struct BudgetSetup {
  int voices = 16;
  BudgetOsc osc[3];
  std::int16_t filterType = filterLpf4Pole;
  bool modulators = false;
  bool waveshaper = false;
  bool effect = false;    // three-unit effect, all units "Synthetic", early taps on
  float rate = 44100.0f;  // engine rate, Hz (process-wide, set when the rig is made)
};

class BudgetRig {
 public:
  explicit BudgetRig(const BudgetSetup& setup) : setup_(setup) {
    presetWavesInit();
    engineCfgInitDefaults();
    if (setup.rate != 44100.0f) engineCfgSetRate(setup.rate);
    engine_ = engineCreate();
    if (!engine_) return;
    Engine* e = engine_;
    e->header.polyphony = static_cast<std::uint16_t>(setup.voices);
    for (int c = 0; c < 3; ++c) {
      const BudgetOsc& o = setup.osc[c];
      const auto ch = static_cast<std::int16_t>(c);
      ChannelOscRecord* r = e->channels[c];
      r->on = 1;
      oscSetType(e, static_cast<std::uint16_t>(c), o.type);
      oscSetNumVoices(e, ch, o.unison);
      oscSetRandTrans(e, ch, o.unison > 1 ? 0.3 : 0.0);
      oscSetTrans(e, ch, o.unison > 1 ? 0.1 : 0.0);
      if (o.type == oscTypeDouble || o.type == oscTypeRingmod) r->balanceDouble = r->balanceRingmod = 0.5f;
      if (o.type == oscTypeFm) r->fmIndex = 2.0f * 162.974655f;
      if (o.type == oscTypeFractalize) {
        r->iterations = 7;
        r->amount = 0.8f;
        r->displacement = 0.38f;
      }
      if (o.sampleChannels > 0) installSample(c, o.sampleChannels);
      if (o.type == oscTypeGranular) {
        r->subRecord.count = o.grains;
        r->subRecord.size = 2000.0f;
      }
      oscSetBandLimited(e, ch, o.bandLimited ? 1 : 0);
      filterSetOn(e, ch, 1);
      filterSetType(e, ch, setup.filterType);
      if (setup.modulators) {
        modulatorSetOn(e, ch, 1);
        modulatorSetType(e, ch, modulatorFreqShift);
        modulatorSetBalance(e, ch, 0.5);
      }
    }
    if (setup.waveshaper) {
      waveshaperSetOn(e, 1);
      waveshaperSetInGainDb(e, 6.0);
    }
    if (setup.effect) {
      for (int u = 0; u < 3; ++u) {
        effectRevSetUnitOn(e, u, 1);
        effectRevSetUnitMode(e, u, revModeSynthetic);
      }
      effectRevSetEarlyTapsOn(e, 1);
      effectSetType(e, effectRev);
      effectSetOn(e, 1);
      effectReset(e);
    }
    engineApplyPatchChange(e, 1);
    engineUpdateChannelFlags(e);
    for (int k = 0; k < 2; ++k) outPtr_[k] = out_[k];
    // Held notes spread over five octaves, one per voice, then enough blocks for the restart ramp
    // and the attacks to pass.
    std::vector<std::uint8_t> notes;
    for (int v = 0; v < setup.voices; ++v) {
      notes.push_back(0x90);
      notes.push_back(static_cast<std::uint8_t>(36 + (v * 61) % 64));
      notes.push_back(100);
    }
    subBlock(notes.data(), setup.voices);
    for (int b = 0; b < 64; ++b) subBlock();
  }
  ~BudgetRig() {
    if (!engine_) return;
    for (auto* r : engine_->channels) {  // the data belongs to the rig, not to the sample pool
      r->sampleInfo.data = nullptr;
      r->sampleInfo.length = 0;
    }
    engineDestroy(engine_);
  }
  BudgetRig(const BudgetRig&) = delete;
  BudgetRig& operator=(const BudgetRig&) = delete;

  Engine* engine() const { return engine_; }
  const float* output(int k) const { return out_[k]; }

  // One audio-client sub-block of 128 frames.
  void subBlock(const std::uint8_t* midi = nullptr, int midiCount = 0) {
    Engine* e = engine_;
    for (int i = 0; i < midiCount; ++i) midiQueuePushShort(&e->midi, midi[3 * i], midi[3 * i + 1], midi[3 * i + 2]);
    e->blockLength = budgetFrames;
    const bool dispatched = !e->paused.load() && midiDispatchDue(e, budgetFrames);
    for (auto& input : e->inputs) input.filled = 0;
    editCommitPending(e);
    engineRender(e, budgetFrames);
    if (dispatched) midiProcessBlock(e);
    surroundMix(e, &e->surround, e->buses[0], outPtr_, 2, 0, e->outputGain, budgetFrames);
    engineOutputRamp(e, outPtr_[0], outPtr_[1]);
    if (e->midi.sustain == 0) e->midi.sustain = -1;
  }

  // Voices whose note still sounds (on a list other than the free one).
  int soundingVoices() const {
    int n = 0;
    for (int v = 0; v < engine_->polyphony; ++v) {
      const int s = engine_->voices[v].state;
      n += engine_->voices[v].active && s != 0 && s != 6;
    }
    return n;
  }

 private:
  // Ten seconds of a two-partial tone, looped whole, installed straight into the channel's slot.
  void installSample(int c, int channels) {
    const int frames = 441000;
    std::vector<float>& data = samples_[c];
    data.assign(static_cast<std::size_t>(frames) * channels + sampleTailBytes / sizeof(float), 0.0f);
    for (int f = 0; f < frames; ++f)
      for (int k = 0; k < channels; ++k)
        data[static_cast<std::size_t>(f) * channels + k] =
            static_cast<float>(0.4 * std::sin(0.013 * f + k) + 0.1 * std::sin(0.071 * f));
    SampleInfo* s = &engine_->channels[c]->sampleInfo;
    s->data = data.data();
    sampleSetFormat(s, frames, channels, 60.0, 44100.0);
    s->readAsMono = channels == 1 ? 1 : 0;
    s->poolIndex = -1;
    s->loopMode = 1;
    sampleUpdateLoop(s);
    engineSetVoiceBufferCount(engine_, static_cast<std::int16_t>(c), static_cast<std::int16_t>(channels));
  }

  BudgetSetup setup_;
  Engine* engine_ = nullptr;
  std::vector<float> samples_[3];
  float out_[2][budgetFrames] = {};
  float* outPtr_[2];
};

// Three "Single" oscillators (one unison voice, plain tables), "LPF 4 pole" on each channel, the
// default envelopes; nothing else on.
inline BudgetSetup budgetTypical(int voices) {
  BudgetSetup s;
  s.voices = voices;
  return s;
}

// The worst case: 64 voices, band-limited "Fractalize" with all seven layers on every channel (the
// dearest oscillator mode per voice), "LPF 8 pole", the channel modulators (frequency shifters), the
// waveshaper and the three-unit effect in "Synthetic" with its early taps.
inline BudgetSetup budgetWorstCase() {
  BudgetSetup s;
  s.voices = 64;
  for (auto& o : s.osc) {
    o.type = oscTypeFractalize;
    o.bandLimited = true;
    o.name = "Fractalize BL 7";
  }
  s.filterType = filterLpf8Pole;
  s.modulators = true;
  s.waveshaper = true;
  s.effect = true;
  return s;
}
