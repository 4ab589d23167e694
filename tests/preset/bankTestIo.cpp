#include "bankTestIo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "chunkTestUtil.h"
#include "engine/noteCurveRuntime.h"
#include "modules/effectFrame.h"
#include "preset/bankFile.h"
#include "preset/envelopeChunk.h"
#include "preset/moduleRecords.h"
#include "preset/sliderList.h"
#include "preset/wave.h"

namespace banktest {

namespace {

struct Rng {
  std::mt19937 g;
  explicit Rng(std::uint32_t seed) : g(seed) {}
  float f(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(g); }
  int i(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g); }
};

void fillEffect(Preset* p, std::uint16_t kind, Rng& r) {
  if (kind == 0) return;
  void* e = effectAlloc(kind);
  ASSERT_NE(e, nullptr);
  if (kind == effectEcho) effectEchoParamDefaults(static_cast<EffectEchoRecord*>(e));
  if (kind == effectRev) effectRevParamDefaults(static_cast<EffectRevRecord*>(e));
  const float a = r.f(0.0f, 1.0f), b = r.f(0.0f, 1.0f);
  switch (kind) {
    case effectPipe: {
      auto* x = static_cast<EffectPipeRecord*>(e);
      x->on = 1;
      x->levelA = a;
      x->levelB = b;
      break;
    }
    case effectComb: {
      auto* x = static_cast<EffectCombRecord*>(e);
      x->on = 1;
      x->levelA = a;
      x->levelB = b;
      break;
    }
    case effectTap: {
      auto* x = static_cast<EffectTapRecord*>(e);
      x->on = 1;
      x->levelA = a;
      x->levelB = b;
      break;
    }
    case effectEcho: {
      auto* x = static_cast<EffectEchoRecord*>(e);
      x->on = 1;
      x->levelA = a;
      x->levelB = b;
      for (float& f : x->lineFeedback) f = r.f(-0.9f, 0.9f);
      break;
    }
    default: {
      auto* x = static_cast<EffectRevRecord*>(e);
      x->on = 1;
      x->levelA = a;
      x->levelB = b;
      break;
    }
  }
  p->effect = static_cast<EffectHeader*>(e);
  p->effect->tag = effectHeaderTag;  // kinds 4 and 5 come zeroed
  p->effect->type = kind;
  p->effect->size = effectStoredSize(kind);
  p->effectPresent = 1;
}

void fillEnvelopes(Preset* p, int count, Rng& r) {
  if (count < 1) return;
  ASSERT_TRUE(presetAllocEnvelopes(p, count));
  for (int i = 0; i < p->envelopeCount; ++i) {
    EnvelopeSlot& s = p->envelopes[i];
    s.inUse = 1;
    s.allocated = 1;
    s.mode = static_cast<std::uint16_t>(r.i(1, 5));
    s.lastIndex = static_cast<std::int16_t>(r.i(1, 67));
    s.startLevel = r.f(0.0f, 1.0f);
    for (int b = 0; b <= s.lastIndex; ++b) {
      s.breakpoints[b].time = r.i(0, 88200);
      s.breakpoints[b].level = r.f(0.0f, 1.0f);
      s.breakpoints[b].slope = r.f(0.0f, 4.0f);
    }
  }
}

void fillWaves(Preset* p, int count, Rng& r) {
  if (count < 1) return;
  ASSERT_TRUE(presetAllocWaves(p, count));
  for (int i = 0; i < count; ++i) {
    float samples[waveLength];
    for (float& s : samples) s = r.f(-1.0f, 1.0f);
    char name[32];
    std::snprintf(name, sizeof name, "wave %d", r.i(0, 999));
    waveFill(&p->waves[i], static_cast<std::uint16_t>(i), waveBankLocal, waveStateLocal, samples, name);
  }
}

void fillCurves(Preset* p, Rng& r) {
  static const std::uint32_t families[10] = {1, 1, 1, 2, 2, 2, 3, 3, 3, 3};
  static const std::uint32_t slots[10] = {0, 1, 2, 0, 1, 2, 0, 1, 2, 3};
  const int n = r.i(0, 10);
  if (n == 0) return;
  ASSERT_TRUE(presetAllocCurves(p, n));
  for (int c = 0; c < n; ++c) {
    p->curves[c].family = families[c];
    p->curves[c].slot = slots[c];
    for (float& v : p->curves[c].values) v = r.f(0.0f, 0.99f);
  }
}

Preset* randomPreset(std::int16_t slot, Rng& r) {
  Preset* p = presetAlloc(slot);
  PatchHeader& h = p->header;
  std::snprintf(h.name, sizeof h.name, "Preset %03d %04d", slot, r.i(0, 9999));
  h.polyphony = static_cast<std::uint16_t>(r.i(1, 64));
  h.gain = r.f(0.1f, 4.0f);
  h.pan = r.f(0.0f, 1.0f);
  h.beats = static_cast<float>(r.i(1, 8));
  h.tempo.presetTempo = r.i(60, 200);
  h.tuning = static_cast<std::uint16_t>(slot % 3 == 0 ? tuningMakeId(2, slot) : tuningMakeId(0, slot % 32));
  for (float& c : h.channelPan) c = r.f(0.0f, 1.0f);
  for (int c = 0; c < presetChannelCount; ++c) {
    ChannelOscRecord& o = p->channels[c];
    o.on = static_cast<std::uint8_t>(r.i(0, 1));
    o.type = r.i(0, 3);
    o.level = r.f(0.0f, 1.0f);
    o.waveA = r.i(0, 40);
    o.waveB = 0x7F00 + r.i(0, 7);
    o.trans = static_cast<float>(r.i(0, 48));
  }
  static const std::int16_t types[] = {1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13, 14, 15, 16, 17};
  for (int f = 0; f < presetFilterCount; ++f) {
    FilterRecord& x = p->filters[f];
    x.on = static_cast<std::uint8_t>(r.i(0, 1));
    x.type = types[r.i(0, 14)];
    x.cutoff = static_cast<float>(r.i(0, 470));
    x.resonance = r.f(0.0f, 1.0f);
  }
  for (int m = 0; m < presetModulatorCount; ++m) {
    ModulatorRecord& x = p->modulators[m];
    x.on = static_cast<std::uint8_t>(r.i(0, 1));
    x.type = static_cast<std::uint16_t>(r.i(1, 2));
    x.balance = r.f(0.0f, 1.0f);
    x.feedback = r.f(0.0f, 0.5f);
  }
  p->waveshaper.on = static_cast<std::uint8_t>(r.i(0, 1));
  p->waveshaper.inGain = r.f(0.1f, 2.0f);
  fillEffect(p, static_cast<std::uint16_t>(slot % 6), r);
  p->controllers.bendRange = static_cast<float>(r.i(0, 72));
  p->controllers.volumeSource = static_cast<std::int16_t>(r.i(0, 127));
  for (int k = 0; k < 3; ++k) sliderListSet(&p->sliders, r.i(20, 60) + 20 * k, r.i(0, 127), "knob");
  fillCurves(p, r);
  for (int i = 0; i < presetLfoCount; ++i) {
    p->lfos[i].on = static_cast<std::uint8_t>(r.i(0, 1));
    p->lfos[i].periodSeconds = r.f(0.05f, 5.0f);
    p->lfos[i].depthController = static_cast<std::int16_t>(r.i(0, 127));
  }
  fillEnvelopes(p, slot % 29, r);
  fillWaves(p, slot % 9, r);
  return p;
}

}  // namespace

void fillRandomBank(Bank* bank, std::uint32_t seed) {
  Rng r(seed);
  for (std::int16_t n = 0; n < bankSlotCount; ++n) bankPutPreset(bank, randomPreset(n, r));
  for (int t = 0; t < bankSlotCount; t += 9) {
    TuningMap map;
    ASSERT_EQ(tuningAllocBankMap(bank, &map, t), 1);
    std::snprintf(map.name, sizeof map.name, "tuning %d", t);
    map.keysPerOctave = static_cast<std::uint32_t>(r.i(1, 127));
    map.octaveInterval = r.f(1.0f, 24.0f);
    for (double& k : map.keys) k = r.f(1.0f, 500.0f);
    tuningStoreBankMap(bank, &map);
  }
  for (std::uint8_t& b : bank->plugData) b = static_cast<std::uint8_t>(r.i(0, 255));
}

namespace {

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// clang-format off
std::string envelopeC() {
  const std::string head = "h" "bbbb" "hhhhhhh" "wwww" "w" + repeat("w", 15) + "w";
  const std::string point = "d" "ww" "wwwww" "dd" "w";
  return head + repeat(point, 68);
}

std::string waveRecord() { return "hhhh" "s32" "w" + repeat("w", waveLength); }
// clang-format on

}  // namespace

std::string bankLayout(std::uint32_t id, std::uint32_t size) {
  const std::string known = chunktest::layoutOf(id, size);
  if (!known.empty() && known != "?") return known;
  if (size == 0) return "";
  // clang-format off
  const std::string ccV1 = "wwhwwhww" "bbbb" "hww" "bbb" "hww" "hww";
  const std::string lfoV1 = "bbb" + repeat("bbb", 3) + "bbbb" "bbbbb" "hhhhhh" + repeat("w", 12) + "h" "wwww";
  if (id == chunkId("cc2 ")) return ccV1 + "www" "hhh";
  if (id == chunkId("vel ")) return repeat("wwww", 10);
  if (id == chunkId("lfo2")) return lfoV1 + "ww" "dd";
  if (id == chunkId("lfo ")) return lfoV1;
  if (id == chunkId("Ntmp")) return "h" + repeat("ww" + repeat("w", 128), static_cast<int>((size - 4) / 520));
  if (id == chunkId("stD3")) return "ww" + repeat("ww" "s16" "b" "w", static_cast<int>((size - 8) / 32));
  if (id == chunkId("tune")) return "www" "d" "s32" + repeat("d", 128);
  // clang-format on
  if (id == chunkId("pLug")) return "s8192";
  if (id == chunkId("Wave")) return "h" + repeat(waveRecord(), static_cast<int>((size - 4) / waveRecordBytes));
  if (id == chunkId("env3")) return "h" + repeat(envelopeC(), static_cast<int>((size - 4) / envBytesC));
  return "?";
}

Bytes bankToBigEndian(const Bytes& le) { return chunktest::toBigEndian(le, bankLayout); }

Bytes readFile(const std::string& path) { return chunktest::readFile(path); }
void writeFile(const std::string& path, const Bytes& bytes) { chunktest::writeFile(path, bytes); }

Bytes saveBank(Bank* bank, const std::string& path) {
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path.c_str(), nullptr);
  EXPECT_TRUE(bankFileWrite(bank, &file));
  return readFile(path);
}

bool openBank(Bank* bank, const std::string& path) {
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path.c_str(), nullptr);
  return bankFileOpen(bank, &file);
}

}  // namespace banktest
