// Digests of whole-engine output for the performance work: every oscillator mode at its heaviest
// settings, the typical voice and the worst case, each rendered for 200 sub-blocks through the audio
// client's sequence; prints one 64-bit FNV-1a digest of the bits of both outputs per set-up. An
// optimisation that must not change the sound leaves every line identical (compare the output of a
// build before and after the change).
// The "moving" set-ups also play a new note and nudge the oscillator's settings every 20 sub-blocks
// (attacks, voice steals, level ramps); "48k" ones run the engine at 48,000 Hz.
// Usage: renderDigest [name filter [blocks]]: only the set-ups whose name contains the filter, each
// for the given number of sub-blocks (a fixed workload for counting cycles, e.g. with perf stat).
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "oscillators/dspRandom.h"
#include "perf/budgetRig.h"

namespace {

// Every 20 sub-blocks: a new note (stealing a voice), and the oscillators' level-shaping settings
// moved a little, as an edit from the editor would.
void moveOn(BudgetRig& rig, int b) {
  if (b % 20 != 10) {
    rig.subBlock();
    return;
  }
  Engine* e = rig.engine();
  const int k = b / 20;
  for (auto* r : e->channels) {
    r->amount = 0.5f + 0.1f * static_cast<float>(k % 5);
    r->displacement = 0.3f + 0.05f * static_cast<float>(k % 7);
    r->fmIndex = (1.0f + 0.25f * static_cast<float>(k % 6)) * 162.974655f;
    r->balanceDouble = r->balanceRingmod = 0.2f + 0.1f * static_cast<float>(k % 6);
  }
  const std::uint8_t midi[3] = {0x90, static_cast<std::uint8_t>(40 + (k * 17) % 60), static_cast<std::uint8_t>(60 + k % 60)};
  rig.subBlock(midi, 1);
}

std::uint64_t digest(const BudgetSetup& setup, int blocks, double* energy, bool moving = false,
                     float fmIndex = 0.0f) {
  // The process-wide random numbers (voice starts, the three-unit effect) start afresh for every
  // set-up, so each line is the same whichever set-ups ran before it.
  dspRandomState = 220153u;
  BudgetRig rig(setup);
  if (fmIndex > 0.0f)
    for (auto* r : rig.engine()->channels) r->fmIndex = fmIndex;
  std::uint64_t h = 1469598103934665603ull;
  *energy = 0.0;
  for (int b = 0; b < blocks; ++b) {
    if (moving) moveOn(rig, b);
    else rig.subBlock();
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
  // The heavy modes again at 48,000 Hz and with notes and settings moving.
  const BudgetOsc heavy[] = {
      mode(oscTypeFractalize, 1, true, 0, "Fractalize BL 7"),
      mode(oscTypeFractalize, 1, false, 0, "Fractalize 7"),
      mode(oscTypeFm, 8, false, 0, "FM x8"),
      mode(oscTypeDouble, 8, true, 0, "Double BL x8"),
      mode(oscTypeDouble, 8, false, 0, "Double x8"),
      mode(oscTypeRingmod, 8, false, 0, "Ringmod x8"),
      mode(oscTypeSingle, 8, true, 0, "Single BL x8"),
  };
  for (int variant = 0; variant < 2; ++variant) {
    for (const BudgetOsc& m : heavy) {
      char name[64];
      std::snprintf(name, sizeof name, "%s %s", m.name, variant == 0 ? "48k" : "moving");
      if (!wanted(name)) continue;
      BudgetSetup s;
      s.voices = 8;
      if (variant == 0) s.rate = 48000.0f;
      for (auto& o : s.osc) o = m;
      double e;
      const std::uint64_t h = digest(s, blocks, &e, variant == 1);
      std::printf("%-20s %016" PRIx64 " energy %.9g\n", name, h, e);
    }
  }
  // "FM" with an index so large that most modulated phases lie far outside the table.
  if (wanted("FM x8 far")) {
    BudgetSetup s;
    s.voices = 8;
    for (auto& o : s.osc) o = mode(oscTypeFm, 8, false, 0, "");
    double e;
    const std::uint64_t h = digest(s, blocks, &e, false, 300.0f * 162.974655f);
    std::printf("%-20s %016" PRIx64 " energy %.9g\n", "FM x8 far", h, e);
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
