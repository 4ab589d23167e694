// The render suite's cases: every oscillator mode, every filter type, both modulators, a few
// waveshaper settings, every master effect kind (the three-unit effect in each unit mode), every
// envelope mode and a few dense patches. Each builder starts from a fresh engine and uses the
// setters the pages use (or the edit copy where a page writes the record itself).
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "modules/echoEffect.h"
#include "modules/effectFrame.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/multiCombEffect.h"
#include "modules/multiTapEffect.h"
#include "modules/pipeEffect.h"
#include "modules/threeUnitEffect.h"
#include "modules/waveshaper.h"
#include "os/osFile.h"
#include "preset/chunk.h"
#include "preset/editBlock.h"
#include "preset/envelope.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"
#include "preset/sample.h"
#include "render/suite/renderSuiteBuild.h"
#include "support/tempDir.h"

namespace {

typedef std::int16_t i16;

// Channel `c` on as a plain oscillator of the given type and wave at a moderate level.
void channel(Engine* e, int c, std::uint16_t type, i16 wave, float level) {
  oscSetOn(e, static_cast<i16>(c), 1);
  oscSetType(e, static_cast<std::uint16_t>(c), type);
  oscSetWaveA(e, static_cast<i16>(c), wave);
  oscSetLevel(e, static_cast<i16>(c), level);
}

// Polyphony 8 (the sequence holds at most six notes) and channel 0 playing wave 1 (a filtered saw).
void base(Engine* e) {
  patchSetPolyphony(e, 8);
  channel(e, 0, oscTypeSingle, 1, 0.8f);
}

// ---- RIFF WAVE writing of the sample the "Sample" and "Granular" cases play.
void put16(std::string& b, std::uint32_t v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

bool loadSample(Engine* e, int c) {
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, renderSuiteSampleFile().c_str(), nullptr);
  return sampleLoad(e, static_cast<i16>(c), &file) == sampleOk;
}

RenderCase oscCase(const char* name, std::uint16_t type, const std::function<bool(Engine*)>& more) {
  return renderCaseThroughBank(name, [type, more](Engine* e) {
    base(e);
    oscSetType(e, 0, type);
    return more(e);
  });
}

RenderCase filterCase(const char* name, i16 type, double hz, double resonance) {
  return renderCaseThroughBank(name, [type, hz, resonance](Engine* e) {
    base(e);
    filterSetOn(e, 0, 1);
    filterSetType(e, 0, type);
    filterSetFrequency(e, 0, hz);
    filterSetResonance(e, 0, resonance);
    if (type == filterNotch) filterSetWidth(e, 0, 0.5);
    return filterGetType(e, 0) == type;
  });
}

// Channel 0 through its modulator of `type` (1 Ringmod, 2 Freq Shift) at a fixed frequency.
RenderCase modulatorCase(const char* name, i16 type, double hz, double balance, double feedback) {
  return renderCaseThroughBank(name, [type, hz, balance, feedback](Engine* e) {
    base(e);
    modulatorSetOn(e, 0, 1);
    modulatorSetType(e, 0, type);
    modulatorSetFreqMode(e, 0, 3);
    modulatorSetFrequency(e, 0, hz);
    modulatorSetBalance(e, 0, balance);
    if (feedback != 0.0) modulatorSetFeedback(e, 0, feedback);
    return modulatorGetType(e, 0) == type;
  });
}

// The waveshaper on one wave with its gains; per voice, or after the mix.
struct ShaperSettings {
  const char* name;
  i16 oscWave;  // channel 0's wave A, -1 the default
  i16 wave;
  double inDb, outDb, phase;
  bool postMix;
};

RenderCase waveshaperCase(const ShaperSettings& w) {
  return renderCaseThroughBank(w.name, [w](Engine* e) {
    base(e);
    if (w.oscWave >= 0) oscSetWaveA(e, 0, w.oscWave);
    waveshaperSetOn(e, 1);
    if (w.postMix) waveshaperSetPostMix(e, 1);
    waveshaperSetWave(e, w.wave);
    waveshaperSetInGainDb(e, w.inDb);
    waveshaperSetOutGainDb(e, w.outDb);
    if (w.phase != 0.0) waveshaperSetPhase(e, w.phase);
    return w.postMix ? waveshaperIsPostMix(e) == 1 : waveshaperIsOn(e) == 1;
  });
}

// Channel 0 an organ wave at a lower level, the effect of `kind` on with wet 0.6 and dry 0.7.
void effectBase(Engine* e, std::uint16_t kind) {
  base(e);
  oscSetWaveA(e, 0, 12);
  oscSetLevel(e, 0, 0.5f);
  effectSetType(e, kind);
  effectSetOn(e, 1);
  effectSetLevelA(e, 0.6f);
  effectSetLevelB(e, 0.7f);
}

RenderCase revCase(const char* name, std::uint32_t mode) {
  return renderCaseThroughBank(name, [mode](Engine* e) {
    effectBase(e, effectRev);
    effectRevSetSize(e, 40.0);
    effectRevSetFeedback(e, 60.0);
    effectRevSetBrightness(e, 70.0);
    effectRevSetPreDelay(e, 12.0);
    effectRevSetEarlyTapsOn(e, 1);
    for (int u = 0; u < 3; ++u) {
      effectRevSetUnitOn(e, u, 1);
      effectRevSetUnitMode(e, u, mode);
      effectRevSetUnitScale(e, u, 100.0 - 20.0 * u);
    }
    return effectGetType(e) == effectRev && effectIsOn(e);
  });
}

// Channel 0's amplitude envelope (slot 0) in `mode` with five breakpoints: a quick rise, a fall to
// 0.5, a rise to 0.8 (hold point 2), a fall to 0.3 and the release to silence. (Loading makes the
// release point the hold point.) Control driven: the modulation wheel walks a shape from 0.2 through
// 0.4, 1.0, 0.6 and 0.9 to 0.7, so every position sounds. Retrigger: a bar of one beat (0.5 s at
// the preset tempo of 120), so the envelopes restart within the sequence.
RenderCase envelopeCase(const char* name, std::uint16_t mode) {
  return renderCaseThroughBank(name, [mode](Engine* e) {
    base(e);
    oscSetWaveA(e, 0, 10);
    const double times[5] = {300.0, 4000.0, 3000.0, 5000.0, 9000.0};
    const bool control = mode == envModeControl;
    const double levels[5] = {control ? 0.4 : 1.0, control ? 1.0 : 0.5, control ? 0.6 : 0.8, control ? 0.9 : 0.3,
                              control ? 0.7 : 0.0};
    if (control) envSetBpLevel(e, 0, -1, 0.2);
    if (mode == envModeRetrigger) {
      PatchHeader* h = editBeginPatchHeader(e);
      if (!h) return false;
      h->beats = 1.0f;
      editCommit(e, editKindHeader, 0);
    }
    EnvelopeSlot* s = envSlot(e, 0);
    if (!s) return false;
    s->lastIndex = 4;
    s->sustainIndex = 2;
    s->releaseIndex = 3;
    s->loopStart = 1;
    for (int b = 0; b < 5; ++b) {
      envSetBpTime(e, 0, static_cast<i16>(b), times[b]);
      envSetBpLevel(e, 0, static_cast<i16>(b), levels[b]);
      envSetBpSlope(e, 0, static_cast<i16>(b), b == 4 ? 0.3 : 0.7);
    }
    envSetMode(e, 0, mode);
    if (mode == envModeControl) envSetControlSource(e, 0, 1);  // the modulation wheel drives it
    envClampLoopPoints(e, 0);
    envRefreshSlot(e, 0);
    return envGetMode(e, 0) == mode;
  });
}

std::vector<RenderCase> makeCases() {
  std::vector<RenderCase> v;

  // ---- oscillator modes
  v.push_back(oscCase("osc_single", oscTypeSingle, [](Engine* e) {
    oscSetNumVoices(e, 0, 2);
    oscSetRandTrans(e, 0, 0.0);
    return true;
  }));
  v.push_back(oscCase("osc_double", oscTypeDouble, [](Engine* e) {
    oscSetWaveB(e, 0, 12);
    oscSetFreqModeB(e, 0, oscFreqRatio);
    oscSetPitchB(e, 0, 1.5f);
    oscSetBalance(e, 0, 0.4f);
    return true;
  }));
  v.push_back(oscCase("osc_fm", oscTypeFm, [](Engine* e) {
    oscSetWaveA(e, 0, 18);
    oscSetWaveB(e, 0, 18);
    oscSetFreqModeB(e, 0, oscFreqRatio);
    oscSetPitchB(e, 0, 2.0f);
    oscSetFmIndex(e, 0, 1.7f);
    return true;
  }));
  v.push_back(oscCase("osc_ringmod", oscTypeRingmod, [](Engine* e) {
    oscSetWaveB(e, 0, 18);
    oscSetFreqModeB(e, 0, oscFreqRatio);
    oscSetPitchB(e, 0, 2.5f);
    oscSetBalance(e, 0, 0.7f);
    return true;
  }));
  v.push_back(oscCase("osc_fractalize", oscTypeFractalize, [](Engine* e) {
    oscSetWaveA(e, 0, 18);
    ChannelOscRecord* r = editBeginOsc(e, 0);
    if (!r) return false;
    r->displacement = 0.3f;
    r->amount = 0.6f;
    r->iterations = 4;
    editCommit(e, editKindOsc, 0);
    return true;
  }));
  v.push_back(oscCase("osc_sample", oscTypeSample, [](Engine* e) {
    if (!loadSample(e, 0)) return false;
    sampleSetLoopMode(e, 0, 1);  // the whole sample loops, so held notes keep sounding
    return true;
  }));
  v.push_back(oscCase("osc_granular", oscTypeGranular, [](Engine* e) {
    if (!loadSample(e, 0)) return false;
    sampleSetLoopMode(e, 0, 1);
    ChannelOscRecord* r = editBeginOsc(e, 0);
    if (!r) return false;
    r->subRecord.count = 4;
    r->subRecord.size = 2400.0f;
    r->subRecord.time = 0.5f;
    editCommit(e, editKindOsc, 0);
    return true;
  }));
  // The audio client's sub-block has no device inputs (it clears their flags every block), so this
  // case renders silence: the reference holds the floor and catches any sound appearing from nowhere.
  v.push_back(oscCase("osc_audio_in", oscTypeAudioIn, [](Engine* e) {
    oscSetAudioInput(e, 0, 0, 0);
    oscSetInputGain(e, 0, 1.0f);
    return true;
  }));

  // ---- filter types on channel 0's filter
  v.push_back(filterCase("filter_lpf6", filterLpf6dB, 700.0, 0.0));
  v.push_back(filterCase("filter_lpf12", filterLpf12dB, 900.0, 0.6));
  v.push_back(filterCase("filter_lpf24", filterLpf24dB, 900.0, 0.6));
  v.push_back(filterCase("filter_hpf6", filterHpf6dB, 600.0, 0.0));
  v.push_back(filterCase("filter_hpf12", filterHpf12dB, 600.0, 0.5));
  v.push_back(filterCase("filter_bpf", filterBpf, 1200.0, 0.5));
  v.push_back(filterCase("filter_notch", filterNotch, 700.0, 0.5));
  v.push_back(filterCase("filter_comb", filterComb, 330.0, 0.7));
  v.push_back(filterCase("filter_allpass2", filterAllpass2, 800.0, 0.6));
  v.push_back(filterCase("filter_allpass4", filterAllpass4, 800.0, 0.6));
  v.push_back(filterCase("filter_allpass8", filterAllpass8, 800.0, 0.6));
  v.push_back(filterCase("filter_lpf2pole", filterLpf2Pole, 1000.0, 0.7));
  v.push_back(filterCase("filter_lpf4pole", filterLpf4Pole, 1000.0, 0.7));
  v.push_back(filterCase("filter_lpf6pole", filterLpf6Pole, 1000.0, 0.7));
  v.push_back(filterCase("filter_lpf8pole", filterLpf8Pole, 1000.0, 0.7));
  v.push_back(renderCaseThroughBank("filter_master_postmix", [](Engine* e) {
    base(e);
    filterSetOn(e, 3, 1);
    filterSetType(e, 3, filterLpf24dB);
    filterSetFrequency(e, 3, 600.0);
    filterSetResonance(e, 3, 0.4);
    filterSetPostMix(e, 3, 1);
    return filterIsPostMix(e, 3) == 1;
  }));

  // ---- modulators on channel 0
  v.push_back(modulatorCase("mod_ringmod", 1, 170.0, 0.8, 0.0));
  v.push_back(modulatorCase("mod_freq_shift", 2, 90.0, 1.0, 0.2));

  // ---- waveshaper
  v.push_back(waveshaperCase({"ws_gentle", 18, 18, 3.0, -2.0, 0.0, false}));
  v.push_back(waveshaperCase({"ws_hard", 18, 12, 18.0, -8.0, 0.2, false}));
  v.push_back(waveshaperCase({"ws_postmix", -1, 0, 8.0, -4.0, 0.0, true}));

  // ---- master effects
  v.push_back(renderCaseThroughBank("fx_pipe", [](Engine* e) {
    effectBase(e, effectPipe);
    effectPipeSetDelay(e, 0.004);
    effectPipeSetFeedback(e, 0.7);
    effectPipeSetInputPos(e, 0.3);
    effectPipeSetPickupPos(e, 0, 0.6);
    effectPipeSetPickupPos(e, 1, 0.2);
    effectPipeSetFilterFreq(e, 4000.0);
    effectPipeSetLengthMod(e, 0.2);
    return effectGetType(e) == effectPipe;
  }));
  v.push_back(renderCaseThroughBank("fx_multicomb", [](Engine* e) {
    effectBase(e, effectComb);
    effectCombSetDelay(e, 0.012);
    effectCombSetFeedback(e, 0.75);
    effectCombSetFilterFreq(e, 5000.0);
    for (i16 k = 0; k < 3; ++k) {
      effectCombSetOnDirect(e, k, 1);
      effectCombSetDelayFactor(e, k, 0.4 + 0.25 * k);
      effectCombSetPan(e, k, 0.2 + 0.3 * k);
    }
    return effectGetType(e) == effectComb;
  }));
  v.push_back(renderCaseThroughBank("fx_multitap", [](Engine* e) {
    effectBase(e, effectTap);
    effectTapSetTime(e, 0.25);
    effectTapSetFeedback(e, 0.4);
    effectTapSetFilterFreq(e, 3000.0);
    for (i16 k = 0; k < 3; ++k) {
      effectTapSetTimeFactor(e, k, 0.3 + 0.3 * k);
      effectTapSetLevel(e, k, -3.0 * (k + 1));
      effectTapSetPan(e, k, 0.1 + 0.4 * k);
    }
    return effectGetType(e) == effectTap;
  }));
  v.push_back(renderCaseThroughBank("fx_echo", [](Engine* e) {
    effectBase(e, effectEcho);
    effectEchoSetBaseTime(e, 0.18);
    effectEchoSetFeedback(e, 0.5f);
    for (int l = 0; l < 2; ++l) {
      effectEchoSetLineOn(e, l, 1);
      effectEchoSetLineTimeFactor(e, l, 1.0 - 0.4 * l);  // factors of the base time, 0..1
      effectEchoSetLinePan(e, l, l ? 0.8f : 0.2f);
      effectEchoSetLowPassOn(e, l, 1);
      effectEchoSetLowPassFreq(e, l, 3500.0);
    }
    return effectGetType(e) == effectEcho;
  }));
  v.push_back(revCase("fx_rev_raw", revModeRaw));
  v.push_back(revCase("fx_rev_natural", revModeNatural));
  v.push_back(revCase("fx_rev_resonant", revModeResonant));
  v.push_back(revCase("fx_rev_synthetic", revModeSynthetic));

  // ---- envelope modes of channel 0's amplitude envelope
  v.push_back(envelopeCase("env_release", envModeRelease));
  v.push_back(envelopeCase("env_sustain", envModeSustain));
  v.push_back(envelopeCase("env_loop", envModeLoop));
  v.push_back(envelopeCase("env_retrigger", envModeRetrigger));
  v.push_back(envelopeCase("env_control", envModeControl));
  // "Link": channel 1's amplitude envelope plays channel 0's shape at 60 % of its levels and twice
  // its times.
  v.push_back(renderCaseThroughBank("env_link", [](Engine* e) {
    base(e);
    oscSetWaveA(e, 0, 10);
    channel(e, 1, oscTypeSingle, 12, 0.6f);
    oscSetPitch(e, 1, 7.0f);
    const double times[3] = {2000.0, 6000.0, 8000.0};
    const double levels[3] = {1.0, 0.4, 0.0};
    for (int b = 0; b < 3; ++b) {
      envSetBpTime(e, 0, static_cast<i16>(b), times[b]);
      envSetBpLevel(e, 0, static_cast<i16>(b), levels[b]);
    }
    if (!envChooseMode(e, 1, 6)) return false;
    envSetAmpPercent(e, 1, 0.6f);
    envSetTimePercent(e, 1, 2.0f);
    return envIsLinked(e, 1) && envGetLinkMasterSlot(e, 1) == 0;
  }));

  // ---- dense patches: several channels, filters, modulators, LFOs, envelopes and an effect at once
  v.push_back(renderCaseThroughBank("dense_three_channels", [](Engine* e) {
    patchSetPolyphony(e, 12);
    channel(e, 0, oscTypeDouble, 1, 0.6f);
    channel(e, 1, oscTypeFm, 18, 0.5f);
    channel(e, 2, oscTypeSingle, 16, 0.4f);
    oscSetPitch(e, 2, 12.0f);
    oscSetWaveB(e, 0, 5);
    oscSetBalance(e, 0, 0.5f);
    oscSetFmIndex(e, 1, 1.2f);
    const i16 types[4] = {filterLpf24dB, filterBpf, filterHpf12dB, filterLpf4Pole};
    const double hz[4] = {1200.0, 900.0, 400.0, 3000.0};
    for (i16 f = 0; f < 4; ++f) {
      filterSetOn(e, f, 1);
      filterSetType(e, f, types[f]);
      filterSetFrequency(e, f, hz[f]);
      filterSetResonance(e, f, 0.4);
    }
    modulatorSetOn(e, 1, 1);
    modulatorSetType(e, 1, 1);
    modulatorSetFreqMode(e, 1, 3);
    modulatorSetFrequency(e, 1, 230.0);
    modulatorSetBalance(e, 1, 0.5);
    lfoSetOn(e, 0, 1);
    lfoSetPitchTarget(e, 0, 0, 1);
    lfoSetPitchDepth(e, 0, 0.05);
    lfoSetPeriodSeconds(e, 0, 0.2);
    lfoSetOn(e, 1, 1);
    lfoSetFilterTarget(e, 1, 0, 1);
    lfoSetFilterRange(e, 1, 0.5);
    lfoSetPeriodSeconds(e, 1, 0.7);
    effectSetType(e, effectComb);
    effectSetOn(e, 1);
    effectSetLevelA(e, 0.4f);
    effectSetLevelB(e, 0.8f);
    effectCombSetDelay(e, 0.02);
    effectCombSetFeedback(e, 0.6);
    return true;
  }));
  v.push_back(renderCaseThroughBank("dense_mod_shaper_echo", [](Engine* e) {
    patchSetPolyphony(e, 10);
    channel(e, 0, oscTypeRingmod, 11, 0.6f);
    channel(e, 1, oscTypeFractalize, 18, 0.5f);
    oscSetWaveB(e, 0, 18);
    oscSetFreqModeB(e, 0, oscFreqRatio);
    oscSetPitchB(e, 0, 3.0f);
    oscSetBalance(e, 0, 0.5f);
    oscSetPitch(e, 1, -12.0f);
    filterSetOn(e, 1, 1);
    filterSetType(e, 1, filterLpf8Pole);
    filterSetFrequency(e, 1, 1500.0);
    filterSetResonance(e, 1, 0.5);
    modulatorSetOn(e, 0, 1);
    modulatorSetType(e, 0, 2);
    modulatorSetFreqMode(e, 0, 3);
    modulatorSetFrequency(e, 0, 40.0);
    modulatorSetBalance(e, 0, 0.6);
    waveshaperSetOn(e, 1);
    waveshaperSetWave(e, 18);
    waveshaperSetInGainDb(e, 6.0);
    lfoSetOn(e, 0, 1);
    lfoSetAmpTarget(e, 0, 1, 1);
    lfoSetAmpDepth(e, 0, 0.5);
    lfoSetPeriodSeconds(e, 0, 0.3);
    const i16 slot = envCreate(e, 1, envDestOscAmp);  // channel 1's amplitude envelope, a slow swell
    if (slot >= 0) {
      envSetBpTime(e, slot, 0, 12000.0);
      envSetBpLevel(e, slot, 0, 1.0);
    }
    effectSetType(e, effectEcho);
    effectSetOn(e, 1);
    effectSetLevelA(e, 0.5f);
    effectSetLevelB(e, 0.8f);
    effectEchoSetBaseTime(e, 0.11);
    effectEchoSetFeedback(e, 0.35f);
    return true;
  }));
  v.push_back(renderCaseThroughBank("dense_sample_rev", [](Engine* e) {
    patchSetPolyphony(e, 16);
    channel(e, 0, oscTypeSample, 0, 0.6f);
    if (!loadSample(e, 0)) return false;
    sampleSetLoopMode(e, 0, 1);
    channel(e, 1, oscTypeGranular, 0, 0.4f);
    if (!loadSample(e, 1)) return false;
    sampleSetLoopMode(e, 1, 1);
    channel(e, 2, oscTypeSingle, 12, 0.3f);
    oscSetNumVoices(e, 2, 3);
    oscSetRandTrans(e, 2, 0.2);
    filterSetOn(e, 2, 1);
    filterSetType(e, 2, filterAllpass4);
    filterSetFrequency(e, 2, 600.0);
    filterSetResonance(e, 2, 0.5);
    filterSetOn(e, 0, 1);
    filterSetType(e, 0, filterComb);
    filterSetFrequency(e, 0, 220.0);
    filterSetResonance(e, 0, 0.5);
    lfoSetOn(e, 2, 1);
    lfoSetPitchTarget(e, 2, 2, 1);
    lfoSetPitchDepth(e, 2, 0.02);
    lfoSetPeriodSeconds(e, 2, 0.15);
    effectSetType(e, effectRev);
    effectSetOn(e, 1);
    effectSetLevelA(e, 0.5f);
    effectSetLevelB(e, 0.8f);
    effectRevSetSize(e, 60.0);
    effectRevSetFeedback(e, 50.0);
    for (int u = 0; u < 3; ++u) {
      effectRevSetUnitOn(e, u, 1);
      effectRevSetUnitMode(e, u, static_cast<std::uint32_t>(u + 1));
    }
    return true;
  }));
  return v;
}

}  // namespace

const std::string& renderSuiteSampleFile() {
  static const std::string path = [] {
    const int rate = 44100, frames = 22050;
    std::string data;
    const double pi = 3.14159265358979323846;
    for (int f = 0; f < frames; ++f) {
      const double t = static_cast<double>(f) / rate;
      const double x = 0.5 * std::exp(-2.0 * t) * std::sin(2.0 * pi * 261.6255653 * t) +
                       0.25 * std::exp(-4.0 * t) * std::sin(2.0 * pi * 523.2511306 * t) +
                       0.1 * std::sin(2.0 * pi * 784.8766959 * t);
      put16(data, static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(x * 32767.0))) & 0xFFFF);
    }
    std::string file = "RIFF";
    put32(file, static_cast<std::uint32_t>(4 + 8 + 16 + 8 + data.size()));
    file += "WAVEfmt ";
    put32(file, 16);
    put16(file, 1);  // PCM
    put16(file, 1);  // mono
    put32(file, rate);
    put32(file, rate * 2);
    put16(file, 2);
    put16(file, 16);
    file += "data";
    put32(file, static_cast<std::uint32_t>(data.size()));
    file += data;
    const std::string p = testTempPath("render_sample.wav");
    OsFile h = osFileOpen(p.c_str(), osOpenWrite);
    if (h != osFileInvalid) {
      osFileWrite(h, file.data(), static_cast<std::int32_t>(file.size()));
      osFileClose(h);
    }
    return p;
  }();
  return path;
}

const std::vector<RenderCase>& renderSuiteCases() {
  static const std::vector<RenderCase> cases = makeCases();
  return cases;
}
