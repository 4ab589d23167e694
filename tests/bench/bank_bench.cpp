// Cost of saving and opening a bank of 128 full presets (28 envelopes, 8 waves, 10 note curves, an
// effect of every kind in turn, bank tunings), in milliseconds per bank, for a file of this machine's
// byte order and for its byte-reversed twin (every field reversed as it is read).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "modules/effectFrame.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/envelopeChunk.h"
#include "preset/sliderList.h"
#include "preset/wave.h"
#include "uiSeams/msgBox.h"

namespace {

typedef std::vector<std::uint8_t> Bytes;

std::string benchPath(const char* name) { return std::string("bank_bench_") + name + ".glo"; }

Preset* fullPreset(std::int16_t slot) {
  Preset* p = presetAlloc(slot);
  std::snprintf(p->header.name, sizeof p->header.name, "Full %d", slot);
  const std::uint16_t kind = static_cast<std::uint16_t>(1 + slot % 5);
  p->effect = static_cast<EffectHeader*>(effectAlloc(kind));
  if (kind == effectEcho) effectEchoParamDefaults(reinterpret_cast<EffectEchoRecord*>(p->effect));
  if (kind == effectRev) effectRevParamDefaults(reinterpret_cast<EffectRevRecord*>(p->effect));
  p->effect->type = kind;
  p->effectPresent = 1;
  presetAllocCurves(p, 10);
  static const std::uint32_t families[10] = {1, 1, 1, 2, 2, 2, 3, 3, 3, 3};
  static const std::uint32_t slots[10] = {0, 1, 2, 0, 1, 2, 0, 1, 2, 3};
  for (int c = 0; c < 10; ++c) {
    p->curves[c].family = families[c];
    p->curves[c].slot = slots[c];
    for (int k = 0; k < 128; ++k) p->curves[c].values[k] = 0.5f + 0.003f * k;
  }
  presetAllocEnvelopes(p, 28);
  for (int e = 0; e < 28; ++e) {
    p->envelopes[e].allocated = 1;
    p->envelopes[e].lastIndex = 67;
    for (int b = 0; b < 68; ++b) {
      p->envelopes[e].breakpoints[b].time = 100.0 * b;
      p->envelopes[e].breakpoints[b].level = 0.01f * b;
    }
  }
  presetAllocWaves(p, 8);
  float samples[waveLength];
  for (int k = 0; k < waveLength; ++k) samples[k] = static_cast<float>(k % 100) * 0.01f - 0.5f;
  for (int w = 0; w < 8; ++w)
    waveFill(&p->waves[w], static_cast<std::uint16_t>(w), waveBankLocal, waveStateLocal, samples, "bench");
  for (int s = 0; s < 9; ++s) sliderListSet(&p->sliders, 20 + s, s, "s");
  return p;
}

Bank* fullBank() {
  Bank* bank = bankCreate();
  for (std::int16_t n = 0; n < bankSlotCount; ++n) bankPutPreset(bank, fullPreset(n));
  for (int t = 0; t < bankSlotCount; t += 4) tuningAllocBankMap(bank, nullptr, t);
  return bank;
}

// ---- the byte-reversed twin: slot layouts of every chunk the writer makes

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::string layoutOf(std::uint32_t id, std::uint32_t size) {
  const std::string ptc3 =
      "hhwwwdwh"
      "d"
      "s34"
      "hhhh"
      "www";
  const std::string osc3 = repeat("w", 17) +
                           "b"
                           "ww"
                           "b"
                           "www"
                           "hh"
                           "wwww";
  const std::string sampleBlock =
      "w"
      "wwwwwww"
      "wwwwww"
      "wwww"
      "ww"
      "d"
      "w"
      "s256"
      "s260"
      "s252";
  const std::string head = "hwhhhhh";
  const std::string pipeBody =
      "bww"
      "www"
      "wwww"
      "w"
      "www"
      "bbb";
  const std::string combBody = repeat(
      "bb"
      "wwwwww",
      6);
  const std::string tapBody = repeat(
      "bb"
      "wwww",
      3);
  const std::string ccV1 =
      "wwhwwhww"
      "bbbb"
      "hww"
      "bbb"
      "hww"
      "hww";
  const std::string lfoV1 = "bbb" + repeat("bbb", 3) +
                            "bbbb"
                            "bbbbb"
                            "hhhhhh" +
                            repeat("w", 12) +
                            "h"
                            "wwww";
  const std::string envC =
      "h"
      "bbbb"
      "hhhhhhh"
      "wwww"
      "w" +
      repeat("w", 16) +
      repeat(
          "d"
          "ww"
          "wwwww"
          "dd"
          "w",
          68);
  const std::string wave =
      "hhhh"
      "s32"
      "w" +
      repeat("w", waveLength);
  if (size == 0) return "";
  if (id == chunkId("ptc4")) return ptc3 + "wwwwww";
  if (id == chunkId("osc3")) return size == 120 ? osc3 : osc3 + sampleBlock;
  if (id == chunkId("filt")) return "bbhh" + repeat("w", 8);
  if (id == chunkId("mod3"))
    return "bhhh"
           "ww"
           "h"
           "w"
           "w"
           "b";
  if (id == chunkId("wshp"))
    return "bb"
           "h"
           "www";
  if (id == chunkId("pip2")) return head + pipeBody + "d";
  if (id == chunkId("mCm2"))
    return head +
           "bww"
           "h"
           "w"
           "d"
           "ww" +
           combBody;
  if (id == chunkId("mTa2"))
    return head +
           "bww"
           "hbbw"
           "d"
           "wwww" +
           tapBody;
  if (id == chunkId("eco3"))
    return head +
           "bww"
           "ddw" +
           repeat(
               "ddbwww"
               "bdddbbb",
               3);
  if (id == chunkId("rev3"))
    return head +
           "bww"
           "dwdbbdw" +
           repeat("dddbdddbbw", 3);
  if (id == chunkId("cc2 "))
    return ccV1 +
           "www"
           "hhh";
  if (id == chunkId("vel ")) return repeat("wwww", 10);
  if (id == chunkId("lfo2"))
    return lfoV1 +
           "ww"
           "dd";
  if (id == chunkId("Ntmp")) return "h" + repeat("ww" + repeat("w", 128), static_cast<int>((size - 4) / 520));
  if (id == chunkId("stD3"))
    return "ww" + repeat(
                      "ww"
                      "s16"
                      "b"
                      "w",
                      static_cast<int>((size - 8) / 32));
  if (id == chunkId("tune"))
    return "www"
           "d"
           "s32" +
           repeat("d", 128);
  if (id == chunkId("pLug")) return "s8192";
  if (id == chunkId("Wave")) return "h" + repeat(wave, static_cast<int>((size - 4) / waveRecordBytes));
  if (id == chunkId("env3")) return "h" + repeat(envC, static_cast<int>((size - 4) / envBytesC));
  return "?";
}

void reverseBytes(std::uint8_t* p, int n) {
  for (int i = 0; i < n / 2; ++i) std::swap(p[i], p[n - 1 - i]);
}

bool toBigEndian(Bytes& b) {
  std::size_t pos = 0;
  while (pos + 12 <= b.size()) {
    std::uint32_t id, size;
    std::memcpy(&id, &b[pos], 4);
    std::memcpy(&size, &b[pos + 4], 4);
    for (int w = 0; w < 3; ++w) reverseBytes(&b[pos + 4 * w], 4);
    const std::string layout = layoutOf(id, size);
    if (layout == "?") return false;
    std::uint8_t* d = &b[pos + 12];
    std::size_t at = 0;
    for (std::size_t i = 0; i < layout.size(); ++i) {
      const char c = layout[i];
      if (c == 'b')
        at += 4;
      else if (c == 'h') {
        reverseBytes(d + at, 2);
        at += 4;
      } else if (c == 'w') {
        reverseBytes(d + at, 4);
        at += 4;
      } else if (c == 'd') {
        reverseBytes(d + at, 8);
        at += 8;
      } else if (c == 's') {
        std::uint32_t k = 0;
        while (i + 1 < layout.size() && layout[i + 1] >= '0' && layout[i + 1] <= '9') k = k * 10 + (layout[++i] - '0');
        at += k;
      }
    }
    if (at != size) return false;
    pos += 12 + size;
  }
  return true;
}

Bytes readAll(const std::string& path) {
  Bytes out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  std::uint8_t buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  std::fclose(f);
  return out;
}

void writeAll(const std::string& path, const Bytes& b) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

int silentBox(void*, int, const char*, int) { return 0; }

void setUp() {
  msgBoxSetHook(silentBox, nullptr);
  if (!chunkReader()) chunkBufferInit(chunkCapacity);
  fileSetChunkTypeCallback(chunkHeaderCheck);
}

FileSpec specOf(const std::string& path) {
  FileSpec f;
  fileSpecClear(&f);
  fileSpecSetPath(&f, path.c_str(), nullptr);
  return f;
}

void reportPerBank(benchmark::State& state, std::chrono::steady_clock::time_point start, std::size_t bytes) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double perBank = state.iterations() > 0 ? seconds / static_cast<double>(state.iterations()) : 0.0;
  state.counters["ms_per_bank"] = perBank * 1e3;
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_BankSave(benchmark::State& state) {
  setUp();
  Bank* bank = fullBank();
  FileSpec file = specOf(benchPath("save"));
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    FileSpec f = file;
    benchmark::DoNotOptimize(bankFileWrite(bank, &f));
  }
  reportPerBank(state, start, readAll(benchPath("save")).size());
  bankDestroy(bank);
  std::remove(benchPath("save").c_str());
}
BENCHMARK(BM_BankSave)->Unit(benchmark::kMillisecond);

void BM_BankOpen(benchmark::State& state) {
  setUp();
  const bool bigEndian = state.range(0) != 0;
  Bank* source = fullBank();
  const std::string path = benchPath(bigEndian ? "open_be" : "open_le");
  FileSpec f = specOf(path);
  bankFileWrite(source, &f);
  bankDestroy(source);
  Bytes bytes = readAll(path);
  if (bigEndian) {
    if (!toBigEndian(bytes)) {
      state.SkipWithError("unknown chunk layout");
      return;
    }
    writeAll(path, bytes);
  }
  Bank* bank = bankCreate();
  const FileSpec file = specOf(path);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (!bankFileOpen(bank, &file)) {
      state.SkipWithError("open failed");
      break;
    }
  }
  reportPerBank(state, start, bytes.size());
  if (bankSlotIsEmpty(bank, 127)) state.SkipWithError("the bank came back empty");
  bankDestroy(bank);
  std::remove(path.c_str());
}
BENCHMARK(BM_BankOpen)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
