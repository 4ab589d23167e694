// Digests of whole-engine output for the performance work: every oscillator mode at its heaviest
// settings, the typical voice and the worst case, each rendered for 200 sub-blocks through the audio
// client's sequence; prints one 64-bit FNV-1a digest of the bits of both outputs per set-up. An
// optimisation that must not change the sound leaves every line identical (compare the output of a
// build before and after the change).
// Usage: renderDigest [name filter [blocks]]: only the set-ups whose name contains the filter, each
// for the given number of sub-blocks (a fixed workload for counting cycles, e.g. with perf stat).
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "perf/budgetRig.h"

namespace {

std::uint64_t digest(const BudgetSetup& setup, int blocks, double* energy) {
  BudgetRig rig(setup);
  std::uint64_t h = 1469598103934665603ull;
  *energy = 0.0;
  for (int b = 0; b < blocks; ++b) {
    rig.subBlock();
    for (int k = 0; k < 2; ++k) {
      for (int i = 0; i < budgetFrames; ++i) {
        const float x = rig.output(k)[i];
        std::uint32_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        for (int s = 0; s < 32; s += 8) h = (h ^ ((bits >> s) & 0xFFu)) * 1099511628211ull;
        *energy += static_cast<double>(x) * x;
      }
    }
  }
  return h;
}

BudgetOsc mode(std::uint16_t type, std::int16_t unison, bool bandLimited, int sampleChannels, const char* name) {
  BudgetOsc o;
  o.type = type;
  o.unison = unison;
  o.bandLimited = bandLimited;
  o.sampleChannels = sampleChannels;
  o.grains = type == oscTypeGranular ? 8 : 1;
  o.name = name;
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const char* filter = argc > 1 ? argv[1] : "";
  const int blocks = argc > 2 ? std::atoi(argv[2]) : 200;
  auto wanted = [&](const char* name) { return std::strstr(name, filter) != nullptr; };
  const BudgetOsc modes[] = {
      mode(oscTypeSingle, 1, false, 0, "Single"),
      mode(oscTypeSingle, 8, true, 0, "Single BL x8"),
      mode(oscTypeSingle, 3, false, 0, "Single x3"),
      mode(oscTypeDouble, 8, true, 0, "Double BL x8"),
      mode(oscTypeDouble, 2, false, 0, "Double x2"),
      mode(oscTypeFm, 8, false, 0, "FM x8"),
      mode(oscTypeRingmod, 8, false, 0, "Ringmod x8"),
      mode(oscTypeSample, 1, false, 2, "Sample stereo"),
      mode(oscTypeSample, 1, false, 1, "Sample mono"),
      mode(oscTypeGranular, 1, false, 2, "Granular stereo 8"),
      mode(oscTypeGranular, 1, false, 1, "Granular mono 8"),
      mode(oscTypeFractalize, 1, true, 0, "Fractalize BL 7"),
      mode(oscTypeFractalize, 1, false, 0, "Fractalize 7"),
  };
  for (const BudgetOsc& m : modes) {
    if (!wanted(m.name)) continue;
    BudgetSetup s;
    s.voices = 8;
    for (auto& o : s.osc) o = m;
    double e;
    const std::uint64_t h = digest(s, blocks, &e);
    std::printf("%-20s %016" PRIx64 " energy %.9g\n", m.name, h, e);
  }
  if (wanted("typical 16")) {
    double e;
    const std::uint64_t h = digest(budgetTypical(16), blocks, &e);
    std::printf("%-20s %016" PRIx64 " energy %.9g\n", "typical 16", h, e);
  }
  if (wanted("worst 16")) {
    BudgetSetup s;
    s.voices = 16;
    for (auto& o : s.osc) o = mode(oscTypeDouble, 8, true, 0, "");
    s.filterType = filterLpf8Pole;
    s.modulators = s.waveshaper = s.effect = true;
    double e;
    const std::uint64_t h = digest(s, blocks, &e);
    std::printf("%-20s %016" PRIx64 " energy %.9g\n", "worst 16", h, e);
  }
  return 0;
}
