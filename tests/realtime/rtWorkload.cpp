#include "rtWorkload.h"

#include <cmath>
#include <cstdio>

#include "engine/engine.h"
#include "engine/engineConfig.h"
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
#include "preset/presetHeader.h"
#include "preset/sample.h"
#include "preset/wave.h"
#include "support/tempDir.h"

namespace {

typedef std::int16_t i16;

const i16 kFilterTypes[] = {filterLpf6dB,   filterLpf12dB,  filterLpf24dB,  filterHpf6dB,   filterHpf12dB,
                            filterBpf,      filterNotch,    filterComb,     filterAllpass2, filterAllpass4,
                            filterAllpass8, filterLpf2Pole, filterLpf4Pole, filterLpf6Pole, filterLpf8Pole};
const int kFilterTypeCount = sizeof kFilterTypes / sizeof kFilterTypes[0];

// A short 16-bit mono RIFF WAVE (root key 60): a decaying tone with a sharp onset, written once.
const std::string& sampleFile() {
  static const std::string path = [] {
    const int rate = 44100, frames = 11025;
    std::string b;
    auto put = [&b](std::uint32_t v, int bytes) {
      for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    b = "RIFF";
    put(36 + 2 * frames, 4);
    b += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(rate, 4);
    put(2 * rate, 4);
    put(2, 2);
    put(16, 2);
    b += "data";
    put(2 * frames, 4);
    for (int f = 0; f < frames; ++f) {
      const double t = static_cast<double>(f) / rate;
      const double x = std::exp(-6.0 * t) * std::sin(2.0 * 3.14159265358979 * 261.63 * t);
      put(static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(x * 30000.0))) & 0xFFFF, 2);
    }
    const std::string p = testTempPath("realtime_sample.wav");
    OsFile h = osFileOpen(p.c_str(), osOpenWrite);
    if (h != osFileInvalid) {
      osFileWrite(h, b.data(), static_cast<std::int32_t>(b.size()));
      osFileClose(h);
    }
    return p;
  }();
  return path;
}

bool loadSample(Engine* e, int c) {
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, sampleFile().c_str(), nullptr);
  return sampleLoad(e, static_cast<i16>(c), &file) == sampleOk;
}

void setUpEffect(Engine* e, int kind, int variant) {
  effectSetType(e, static_cast<std::uint16_t>(kind));
  effectSetOn(e, 1);
  effectSetLevelA(e, 0.6f);
  effectSetLevelB(e, 0.7f);
  switch (kind) {
    case effectPipe:
      effectPipeSetDelay(e, 0.003);
      effectPipeSetFeedback(e, 0.95);
      effectPipeSetLengthMod(e, 0.5);
      effectPipeSetPickupMod(e, 0, 0.7);
      break;
    case effectComb:
      effectCombSetDelay(e, 0.01);
      effectCombSetFeedback(e, 0.99);
      for (i16 k = 0; k < 3; ++k) {
        effectCombSetOnDirect(e, k, 1);
        effectCombSetModAmount(e, k, 0.8);
      }
      break;
    case effectTap:
      effectTapSetTime(e, 0.1);
      effectTapSetFeedback(e, 0.99);
      for (i16 k = 0; k < 3; ++k) effectTapSetModAmount(e, k, 0.9);
      break;
    case effectEcho:
      effectEchoSetBaseTime(e, 0.05);
      effectEchoSetFeedback(e, 0.95f);
      for (int l = 0; l < 2; ++l) {
        effectEchoSetLineOn(e, l, 1);
        effectEchoSetLineModAmount(e, l, 1.0);
        effectEchoSetLowPassOn(e, l, 1);
        effectEchoSetHighPassOn(e, l, 1);
        effectEchoSetAllpassOn(e, l, 1);
      }
      break;
    default:
      effectRevSetSize(e, 100.0);
      effectRevSetFeedback(e, 100.0);
      effectRevSetJitter(e, 100.0);
      effectRevSetEarlyTapsOn(e, 1);
      for (int u = 0; u < 3; ++u) {
        effectRevSetUnitOn(e, u, 1);
        effectRevSetUnitMode(e, u, static_cast<std::uint32_t>((u + variant) % 4));
        effectRevSetTimeModDepth(e, u, 1.0);
        effectRevSetBrightModDepth(e, u, 1.0);
      }
      break;
  }
}

}  // namespace

Engine* rtStressEngine(int variant, int voices, float rate) {
  static bool wavesMade = false;
  if (!wavesMade) {
    presetWavesInit();
    wavesMade = true;
  }
  engineCfgInitDefaults();
  if (!engineCfgSetRate(rate)) return nullptr;
  Engine* e = engineCreate();
  if (!e) return nullptr;
  engineSetOutputCount(e, 2);
  patchSetPolyphony(e, voices);
  for (int c = 0; c < 3; ++c) {
    const auto type = static_cast<std::uint16_t>((3 * variant + c) % 8);
    oscSetOn(e, static_cast<i16>(c), 1);
    oscSetType(e, static_cast<std::uint16_t>(c), type);
    oscSetWaveA(e, static_cast<i16>(c), static_cast<i16>(1 + 5 * c));
    oscSetWaveB(e, static_cast<i16>(c), 18);
    oscSetLevel(e, static_cast<i16>(c), 1.0f);
    oscSetNumVoices(e, static_cast<i16>(c), 8);
    oscSetRandTrans(e, static_cast<i16>(c), 0.5);
    oscSetFmIndex(e, static_cast<i16>(c), 3.0f);
    oscSetBalance(e, static_cast<i16>(c), 0.5f);
    if (type == oscTypeSample || type == oscTypeGranular) {
      if (!loadSample(e, c)) std::fprintf(stderr, "stress: sample not loaded on channel %d\n", c);
      sampleSetLoopMode(e, static_cast<i16>(c), 1 + variant % 2);
    }
    if (type == oscTypeAudioIn) oscSetAudioInput(e, static_cast<i16>(c), 0, 0);
    modulatorSetOn(e, static_cast<i16>(c), 1);
    modulatorSetType(e, static_cast<i16>(c), static_cast<std::uint16_t>(1 + (c + variant) % 2));
    modulatorSetFreqMode(e, static_cast<i16>(c), static_cast<i16>((c + variant) % 4));
    modulatorSetFeedback(e, static_cast<i16>(c), 0.5);
  }
  for (i16 f = 0; f < 4; ++f) {
    filterSetOn(e, f, 1);
    filterSetType(e, f, kFilterTypes[(4 * variant + f) % kFilterTypeCount]);
    filterSetFrequency(e, f, 300.0 * (f + 1));
    filterSetResonance(e, f, 0.95);
    filterSetGainDb(e, f, 12.0);
  }
  filterSetPostMix(e, 3, static_cast<std::uint8_t>(variant % 2));
  waveshaperSetOn(e, 1);
  waveshaperSetPostMix(e, static_cast<std::uint8_t>(variant % 2 == 0));
  waveshaperSetWave(e, 12);
  waveshaperSetInGainDb(e, 24.0);
  for (i16 l = 0; l < 3; ++l) {
    lfoSetOn(e, l, 1);
    lfoSetPerVoice(e, l, static_cast<std::uint8_t>(l != 1));
    lfoSetSampleHold(e, l, static_cast<std::uint8_t>(l == 2));
    lfoSetRetrigger(e, l, 1);
    for (i16 c = 0; c < 3; ++c) {
      lfoSetPitchTarget(e, l, c, 1);
      lfoSetAmpTarget(e, l, c, 1);
      lfoSetChannelTarget(e, l, c, 1);
    }
    for (i16 f = 0; f < 4; ++f) lfoSetFilterTarget(e, l, f, 1);
    lfoSetPitchDepth(e, l, 0.5);
    lfoSetAmpDepth(e, l, 1.0);
    lfoSetFilterRange(e, l, 1.0);
    lfoSetChannelDepth(e, l, 1.0);
    lfoSetFieldDepth(e, l, 1.0);
    lfoSetPeriodSeconds(e, l, 0.05 + 0.1 * l);
  }
  // An envelope on every destination while slots last, the modes in rotation.
  for (int d = envDestOscAmp; d <= envDestLast; ++d) {
    const i16 slot = envCreate(e, static_cast<i16>(d % 3), static_cast<EnvDestKind>(d));
    if (slot < 0) continue;
    const auto mode = static_cast<std::uint16_t>(1 + (slot + variant) % 5);
    envSetBpTime(e, slot, 0, 500.0 + 100.0 * slot);
    envSetBpLevel(e, slot, 0, 1.0);
    envSetMode(e, slot, mode);
    if (mode == envModeControl) envSetControlSource(e, slot, 1);
    envSetLfoOn(e, slot, static_cast<std::uint8_t>(slot % 3 == 0));
    envRefreshSlot(e, slot);
  }
  setUpEffect(e, 1 + variant % 5, variant);
  midiSetChannel(e, -1, 1);      // every MIDI channel
  engineApplyPatchChange(e, 0);  // the routing flags (effect, filters, modulators) follow the records
  return e;
}

RtMidiPlan rtMidiPlan(std::uint32_t seed, int blocks) {
  RtMidiPlan plan;
  plan.blocks.resize(static_cast<std::size_t>(blocks));
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto add = [&](std::vector<std::uint8_t>& m, int s, int d1, int d2) {
    m.push_back(static_cast<std::uint8_t>(s));
    m.push_back(static_cast<std::uint8_t>(d1 & 0x7F));
    m.push_back(static_cast<std::uint8_t>(d2 & 0x7F));
  };
  std::vector<int> held;
  for (int b = 0; b < blocks; ++b) {
    auto& m = plan.blocks[static_cast<std::size_t>(b)];
    const int ch = pick(3);
    if (b % 16 == 0) {  // a burst well over the polyphony: voices are stolen
      const int n = 20 + pick(60);
      for (int i = 0; i < n; ++i) {
        const int note = pick(128);
        add(m, 0x90 + pick(3), note, 1 + pick(127));
        held.push_back(note);
      }
    }
    if (b % 16 == 8) {  // release most of them
      for (std::size_t i = 0; i < held.size(); i += 1 + static_cast<std::size_t>(pick(2)))
        add(m, 0x80 + pick(3), held[i], pick(128));
      held.clear();
    }
    switch (pick(10)) {
      case 0: add(m, 0xB0 + ch, 64, pick(2) ? 127 : 0); break;  // sustain pedal
      case 1: add(m, 0xE0 + ch, pick(128), pick(128)); break;   // pitch bend
      case 2: add(m, 0xB0 + ch, pick(128), pick(128)); break;   // any controller
      case 3: add(m, 0xB0 + ch, 1, pick(128)); break;           // modulation wheel
      case 4: add(m, 0xD0 + ch, pick(128), 0); break;           // channel pressure
      case 5: add(m, 0xA0 + ch, pick(128), pick(128)); break;   // key pressure
      case 6: add(m, 0xC0 + ch, pick(128), 0); break;           // program change
      case 7: add(m, 0x90 + ch, pick(128), 0); break;           // note-on of velocity 0
      case 8: add(m, 0xB0 + ch, 120 + pick(8), 0); break;       // channel-mode messages
      default: break;
    }
  }
  return plan;
}

void rtLeavePendingEdit(Engine* e, int which, std::mt19937& rng) {
  std::uniform_real_distribution<float> u(0.0f, 1.0f);
  const auto index = static_cast<i16>(rng() % 3u);
  EditBlock& edit = e->edit;
  std::uint32_t kind = 0;
  i16 at = index;
  switch (((which % 9) + 9) % 9) {
    case 0:
      editBeginOsc(e, index)->level = u(rng);
      kind = editKindOsc;
      break;
    case 1:
      editBeginFilter(e, static_cast<i16>(rng() % 4u))->cutoff = 480.0f * u(rng);
      kind = editKindFilter;
      at = edit.index;
      break;
    case 2:
      editBeginModulator(e, index)->balance = u(rng);
      kind = editKindModulator;
      break;
    case 3:
      editBeginWaveshaper(e);
      kind = editKindWaveshaper;
      at = 0;
      break;
    case 4:
      editBeginLfo(e, index);
      kind = editKindLfo;
      break;
    case 5:
      editBeginPatchHeader(e)->gain = 4.0f * u(rng);
      kind = editKindHeader;
      at = 0;
      break;
    case 6:
      editBeginControllers(e);
      kind = editKindControllers;
      at = 0;
      break;
    case 7: {
      float* curve = editBeginNoteCurve(e, 1, index);
      if (curve) curve[rng() % 128u] = u(rng);
      kind = editKindNoteCurve;
      edit.family = 1;
      break;
    }
    default:
      editBeginLargeBlock(e);
      kind = editKindLevels;
      at = 0;
      break;
  }
  edit.kind = kind;
  if (kind != editKindFilter) edit.index = at;
  edit.pending.store(editPending);
}

bool rtSamplesClean(const float* data, int count) {
  for (int i = 0; i < count; ++i) {
    const int c = std::fpclassify(data[i]);
    if (c == FP_NAN || c == FP_INFINITE || c == FP_SUBNORMAL) return false;
  }
  return true;
}

std::string rtCheckSamples(const float* data, int count, const char* what) {
  for (int i = 0; i < count; ++i) {
    const int c = std::fpclassify(data[i]);
    if (c == FP_NAN || c == FP_INFINITE || c == FP_SUBNORMAL) {
      char text[160];
      std::snprintf(text, sizeof text, "%s[%d] = %g (%s)", what, i, static_cast<double>(data[i]),
                    c == FP_SUBNORMAL ? "subnormal" : "not finite");
      return text;
    }
  }
  return "";
}

std::string rtCheckBlock(Engine* engine, const float* const* outputs, int count) {
  for (int k = 0; k < count; ++k) {
    const std::string r = rtCheckSamples(outputs[k], engineBlockMax, k == 0 ? "output 1" : "output 2+");
    if (!r.empty()) return r;
  }
  return rtCheckSamples(&engine->buses[0][0], 3 * engineBlockMax, "bus");
}

namespace {
std::string finite(const float* data, int count, const char* what) {
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(data[i])) {
      char text[160];
      std::snprintf(text, sizeof text, "%s[%d] = %g", what, i, static_cast<double>(data[i]));
      return text;
    }
  return "";
}
}  // namespace

std::string rtCheckEngineState(Engine* e) {
  std::string r;
  auto take = [&r](const std::string& s) {
    if (r.empty()) r = s;
  };
  // Inside the engine only finiteness is required: a rare single denormal sample in a voice buffer
  // (a raw oscillator sample near 1e-38 times its amplitude) costs nothing audible and never reaches
  // the outputs, which are checked strictly.
  take(finite(e->pool, enginePoolFloats, "voice buffer pool"));
  take(finite(&e->modMultipliers[0][0][0], engineUnits * engineMaxVoices * engineModRow, "modulation row"));
  take(finite(e->mixScratch, 768, "mix scratch"));
  for (int f = 0; f < 4; ++f)
    for (int v = 0; v < engineMaxVoices; ++v)
      for (int l = 0; l < engineLanesMax; ++l) {
        const FilterVoiceState& s = e->filterStates[f][v][l];
        take(finite(s.memA, 16, "filter memory A"));
        take(finite(s.memB, 32, "filter memory B"));
        take(finite(&s.currentIndex, 1, "filter index"));
        take(finite(&s.gainRampStart, 1, "filter gain ramp"));
      }
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v < engineMaxVoices; ++v) {
      for (int l = 0; l < engineLanesMax; ++l) {
        const ModulatorVoiceState& s = e->modulatorStates[c][v][l];
        take(finite(s.hilbert, modulatorHilbertFloats, "modulator memory"));
        take(finite(&s.phase, 1, "modulator phase"));
        take(finite(&s.prevOutput, 1, "modulator feedback"));
      }
      const OscVoiceState& o = e->channelBlocks[c].voices[v];
      take(finite(&o.gain, 1, "oscillator gain"));
      take(finite(&o.phaseA, 1, "oscillator phase A"));
      take(finite(&o.phaseB, 1, "oscillator phase B"));
      take(finite(o.unisonPhaseA, oscUnisonMax, "unison phase"));
    }
  for (int v = 0; v < engineMaxVoices; ++v)
    for (int l = 0; l < engineLanesMax; ++l) {
      const WaveshaperVoiceState& s = e->waveshaperStates[v][l];
      take(finite(&s.outGain, 1, "waveshaper gain"));
      take(finite(&s.offset, 1, "waveshaper offset"));
    }
  take(finite(&e->outFilter[0].y, 6, "output filter"));
  take(finite(&e->combBuffers[0][0], engineCombBuffers * engineCombLength, "comb buffers"));
  if (e->effectMemory.base) take(finite(e->effectMemory.base, e->effectMemory.capacity, "effect delay memory"));
  return r;
}
