#include "render/suite/renderDigests.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "oscillators/dspRandom.h"
#include "oscillators/oscGranular.h"
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
  const std::uint8_t midi[3] = {0x90, static_cast<std::uint8_t>(40 + (k * 17) % 60),
                                static_cast<std::uint8_t>(60 + k % 60)};
  rig.subBlock(midi, 1);
}

RenderDigest digest(const char* name, const BudgetSetup& setup, int blocks, bool moving = false, float fmIndex = 0.0f) {
  // The process-wide random numbers (voice starts, the three-unit effect, the grains) start afresh for
  // every set-up, so each line is the same whichever set-ups ran before it.
  dspRandomState = 220153u;
  grainRandomState = grainRandomSeed;
  BudgetRig rig(setup);
  if (fmIndex > 0.0f)
    for (auto* r : rig.engine()->channels) r->fmIndex = fmIndex;
  std::uint64_t h = 1469598103934665603ull;
  double energy = 0.0;
  for (int b = 0; b < blocks; ++b) {
    if (moving)
      moveOn(rig, b);
    else
      rig.subBlock();
    for (int k = 0; k < 2; ++k) {
      for (int i = 0; i < budgetFrames; ++i) {
        const float x = rig.output(k)[i];
        std::uint32_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        for (int s = 0; s < 32; s += 8) h = (h ^ ((bits >> s) & 0xFFu)) * 1099511628211ull;
        energy += static_cast<double>(x) * x;
      }
    }
  }
  RenderDigest d;
  d.name = name;
  d.digest = h;
  d.energy = energy;
  return d;
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

void renderDigestsRun(const char* filter, int blocks, const std::function<void(const RenderDigest&)>& each) {
  auto wanted = [&](const char* name) { return std::strstr(name, filter ? filter : "") != nullptr; };
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
    each(digest(m.name, s, blocks));
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
      each(digest(name, s, blocks, variant == 1));
    }
  }
  // "FM" with an index so large that most modulated phases lie far outside the table.
  if (wanted("FM x8 far")) {
    BudgetSetup s;
    s.voices = 8;
    for (auto& o : s.osc) o = mode(oscTypeFm, 8, false, 0, "");
    each(digest("FM x8 far", s, blocks, false, 300.0f * 162.974655f));
  }
  if (wanted("typical 16")) each(digest("typical 16", budgetTypical(16), blocks));
  if (wanted("worst 16")) {
    BudgetSetup s;
    s.voices = 16;
    for (auto& o : s.osc) o = mode(oscTypeDouble, 8, true, 0, "");
    s.filterType = filterLpf8Pole;
    s.modulators = s.waveshaper = s.effect = true;
    each(digest("worst 16", s, blocks));
  }
  // Each ladder filter with the Freq Shift modulators and the waveshaper on a voice count that leaves
  // every lane grouping a remainder (whole vectors, a pair, a single lane), with notes moving.
  const struct {
    std::int16_t type;
    int voices;
    const char* name;
  } ladders[] = {
      {filterLpf2Pole, 5, "ladder 2 pole x5"},
      {filterLpf4Pole, 15, "ladder 4 pole x15"},
      {filterLpf6Pole, 7, "ladder 6 pole x7"},
      {filterLpf8Pole, 11, "ladder 8 pole x11"},
  };
  for (const auto& l : ladders) {
    if (!wanted(l.name)) continue;
    BudgetSetup s;
    s.voices = l.voices;
    s.filterType = l.type;
    s.modulators = s.waveshaper = true;
    each(digest(l.name, s, blocks, true));
  }
}

std::string renderDigestFormat(const RenderDigest& d) {
  char line[128];
  std::snprintf(line, sizeof line, "%-20s %016" PRIx64 " energy %.9g", d.name.c_str(), d.digest, d.energy);
  return line;
}

bool renderDigestParse(const std::string& line, RenderDigest* d) {
  // The name may hold spaces: the digest is the last field but two.
  const std::size_t e = line.rfind(" energy ");
  if (e == std::string::npos || e < 17) return false;
  const std::size_t h = line.rfind(' ', e - 1);
  if (h == std::string::npos || e - h - 1 != 16) return false;
  char* end = nullptr;
  d->digest = std::strtoull(line.c_str() + h + 1, &end, 16);
  if (end != line.c_str() + e) return false;
  d->energy = std::strtod(line.c_str() + e + 8, &end);
  std::string name = line.substr(0, h);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) return false;
  d->name = name;
  return true;
}
