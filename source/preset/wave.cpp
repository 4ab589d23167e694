// Wave records, the global wave table and the start-up filling of its named waves.
#include "preset/wave.h"

#include <cmath>
#include <cstring>

float sineTable[waveLength];

namespace {

WaveRecord g_global[waveGlobalCount];

struct NamedWave {
  int slot;
  const char* name;
  int table;
};  // table -1: computed
const NamedWave kNamed[] = {
    {2, "Saw_real", 0},         {3, "Saw_filt 1", 1},    {4, "Saw_filt 2", 2},     {5, "Saw_filt 3", 3},
    {6, "Saw_smooth", 4},       {7, "Square_real", 22},  {8, "Square_filt 1", 23}, {9, "Square_filt 2", 24},
    {10, "Square_fractal", 21}, {11, "Organ 1", 11},     {12, "Organ 2", 12},      {13, "Organ 3", 13},
    {14, "Organ 4", 14},        {15, "Vox_fem 1", 19},   {16, "Vox_fem 2", 20},    {17, "Woodwind 1", 17},
    {18, "Woodwind 2", 18},     {19, "Soft trump", 25},  {20, "Bass 1", 10},       {21, "Sawish", 5},
    {22, "Midbuzz 1", 15},      {23, "Midbuzz 2", 16},   {24, "Hibuzz 1", 9},      {27, "Inharmonic 1", 6},
    {28, "Inharmonic 2", 7},    {29, "Inharmonic 3", 8}, {30, "Frac_noise", 26},   {31, "Stairstep", 27},
    {32, "Broken_speaker", 28}, {33, "Noise 1", 29},     {34, "Noise 2", 30},      {35, "Noise 3", 31},
    {36, "Tri_pointy", 32},     {37, "Fifth", 34},       {38, "Maj triad 1", 35},  {39, "Maj triad 2", 36},
    {40, "Big chord", 33},
};

// Adds 8 sine partials to the buffer (phase steps by h x 2 pi / 1024 in single precision, as the
// tables were made), then scales the largest sample to 0.98.
void addPartials(float* work, const float* amps, const int* harmonics) {
  const float step = 0.006135923f;
  for (int p = 0; p < 8; ++p) {
    float phase = 0.0f;
    const float inc = static_cast<float>(harmonics[p]) * step;
    for (int k = 0; k < waveLength; ++k) {
      work[k] += amps[p] * std::sin(phase);
      phase += inc;
    }
  }
  float peak = 0.0f;
  for (int k = 0; k < waveLength; ++k)
    if (work[k] > peak) peak = work[k];
  if (peak > 0.0f) {
    const float scale = 0.98f / peak;
    for (int k = 0; k < waveLength; ++k) work[k] *= scale;
  }
}

}  // namespace

void denormalGuardAdd(float* buffer, std::int16_t count) {
  if (!buffer || count < 1) return;
  for (int i = 0; i < count; ++i) buffer[i] += 1e-24f;
}

void waveFill(WaveRecord* record, std::uint16_t index, std::uint16_t bank, std::uint16_t state, const float* samples,
              const char* name) {
  if (!record) return;
  record->id = static_cast<std::uint16_t>(index + 256 * bank);
  record->state = state;
  std::memset(record->name, 0, sizeof record->name);
  if (name) {
    std::size_t n = 0;
    while (n < waveNameSize && name[n]) ++n;  // a 32-character name fills the field unterminated
    std::memcpy(record->name, name, n);
  }
  record->waveAux1 = 0;
  record->waveAux2 = 0;
  record->waveAux3 = 0;
  if (samples)
    std::memcpy(record->samples, samples, sizeof record->samples);
  else
    std::memset(record->samples, 0, sizeof record->samples);
  denormalGuardAdd(record->samples, waveLength);
}

void waveCopyRecord(Engine*, const WaveRecord* source, WaveRecord* target) {
  if (!source || !target) return;
  if (source != target) std::memmove(target, source, sizeof *target);
  denormalGuardAdd(target->samples, waveLength);
}

WaveRecord* waveGlobal(int index) {
  if (index < 0 || index >= waveGlobalCount) return nullptr;
  return &g_global[index];
}

void presetWavesInit() {
  double phase = 0.0;
  for (int k = 0; k < waveLength; ++k) {
    sineTable[k] = static_cast<float>(std::sin(phase));
    phase += 0.006135923151542969;
  }
  for (int k = 0; k < waveGlobalCount; ++k)
    waveFill(&g_global[k], static_cast<std::uint16_t>(k), waveBankGlobal, waveStateFree, sineTable, "Sine");
  waveFill(&g_global[0], 0, waveBankGlobal, waveStateBuiltIn, sineTable, "Sine");

  float work[waveLength];
  float value = 0.0f;
  for (int k = 0; k < waveLength; ++k) {
    value += (k < 256 || k >= 768) ? 1.0f / 256.0f : -1.0f / 256.0f;
    work[k] = value;
  }
  waveFill(&g_global[1], 1, waveBankGlobal, waveStateBuiltIn, work, "Triangle");

  float table[waveLength];
  for (const NamedWave& w : kNamed) {
    waveFactoryTable(w.table, table);
    waveFill(&g_global[w.slot], static_cast<std::uint16_t>(w.slot), waveBankGlobal, waveStateBuiltIn, table, w.name);
  }

  // The additive waves build on the triangle still in the work buffer, then on each other.
  static const float a1[8] = {1.0f, 0.5f, 0.25f, 0.125f, 0.06f, 0.03f, 0.015f, 0.0075f};
  static const int h1[8] = {1, 2, 3, 5, 8, 13, 21, 34};
  addPartials(work, a1, h1);
  waveFill(&g_global[25], 25, waveBankGlobal, waveStateBuiltIn, work, "Additive 1");
  static const float a2[8] = {1.0f, 0.25f, 0.5f, 0.75f, 0.5f, 0.25f, 0.015f, 0.0075f};
  static const int h2[8] = {1, 5, 6, 7, 8, 9, 15, 16};
  addPartials(work, a2, h2);
  waveFill(&g_global[26], 26, waveBankGlobal, waveStateBuiltIn, work, "Additive 2");
}
