// Tuning map ids, defaults, the generators and the list of 32 built-in maps.
#include "preset/tuning.h"

#include <cmath>
#include <cstring>

#include "engine/numeric.h"
#include "engine/valueFormat.h"

namespace {

TuningMap g_list[tuningBuiltInCount];
int g_count = 0;
bool g_built = false;

double hz(double note) { return pitchNoteToHz(note); }
double inc(double f) { return pitchHzToInc(f); }

void fillTwelveFromRoot(TuningMap* map, int root, const double offsets[12]) {
  if (root < 0 || root > 11) return;
  for (int base = root; base + 11 < tuningKeyCount; base += 12)
    for (int j = 0; j < 12; ++j) map->keys[base + j] = inc(hz(base + offsets[j]));
  for (int k = 0; k < root; ++k) map->keys[k] = map->keys[k + 12] * 0.5;
  for (int k = 116; k < tuningKeyCount; ++k) map->keys[k] = map->keys[k - 12] * 2.0;
}

void fillEqualTemperament(TuningMap* map) {
  for (int k = 0; k < tuningKeyCount; ++k) map->keys[k] = inc(hz(k));
}

void setName(TuningMap* map, const char* name) {
  std::memset(map->name, 0, sizeof map->name);
  std::strncpy(map->name, name, sizeof map->name - 1);
}

}  // namespace

std::int16_t tuningMakeId(int bank, int index) { return static_cast<std::int16_t>(bank * 256 + index); }
int tuningIdBank(std::int16_t id) { return static_cast<std::int8_t>(static_cast<std::uint16_t>(id) >> 8); }
int tuningIdIndex(std::int16_t id) { return static_cast<std::uint16_t>(id) & 0xFF; }

void tuningMakeDefault(TuningMap* map) {
  if (!map) return;
  std::memset(map, 0, sizeof *map);
  map->id = 0;
  map->flag = 1;
  map->keysPerOctave = 12;
  map->octaveInterval = 12.0;
  setName(map, "Untitled");
  fillEqualTemperament(map);
}

void tuningFillEqual(TuningMap* map, double baseNote, int baseKey, int divisions) {
  if (!map || divisions < 1) return;
  const double step = 12.0 / divisions;
  double start = baseNote - baseKey * step;
  if (start < 0.0) start = 0.0;
  for (int k = 0; k < tuningKeyCount; ++k) map->keys[k] = inc(hz(start + k * step));
}

void tuningFillPythagorean(TuningMap* map, int shift) {
  static const double o[12] = {0,      1.13685, 2.0391, 2.94135, 4.0782, 4.98045,
                               6.1173, 7.01955, 8.1564, 9.05865, 9.9609, 11.09775};
  if (!map) return;
  for (int base = 0; base + 11 < tuningKeyCount; base += 12)
    for (int j = 0; j < 12; ++j) map->keys[base + j] = inc(hz(base + o[j]));
  // A shift other than 0 is never asked for; it leaves the map as computed.
  (void)shift;
}

void tuningFillMeanTone(TuningMap* map, int root) {
  static const double o[12] = {0.1026, 0.8631, 2.0342, 3.2053, 3.9658,  5.1369,
                               5.8974, 7.0684, 7.8289, 9.0,    10.1711, 10.9316};
  if (map) fillTwelveFromRoot(map, root, o);
}

void tuningFillVallotti(TuningMap* map, int root) {
  static const double o[12] = {0.0587, 1.0,    2.0196, 3.0391, 3.9804,  5.0782,
                               5.9804, 7.0391, 8.0196, 9.0,    10.0587, 10.9609};
  if (map) fillTwelveFromRoot(map, root, o);
}

void tuningFillWerckmeister(TuningMap* map, int root) {
  static const double o[12] = {0.01173, 1.0196, 2.0391, 3.0587, 3.9804,  5.0978,
                               6.0,     7.0782, 8.0391, 9.0,    10.0782, 10.9609};
  if (map) fillTwelveFromRoot(map, root, o);
}

void tuningFillRatios(TuningMap* map, const float ratios[11]) {
  if (!map || !ratios) return;
  for (int base = 0; base + 11 < tuningKeyCount; base += 12) {
    const double f = hz(base);
    map->keys[base] = inc(f);
    for (int j = 1; j <= 11; ++j) map->keys[base + j] = inc(f * static_cast<double>(ratios[j - 1]));
  }
}

void tuningFillHarrison16(TuningMap* map) {
  static const double h[16] = {0,    1.1173, 1.824,   2.311,  2.6687,  3.1564, 3.8631,  4.98045,
                               6.03, 7.0196, 8.13687, 8.8436, 9.33129, 9.6882, 10.1959, 10.8827};
  if (!map) return;
  for (int k = 0; k < 12; ++k) map->keys[k] = inc(hz(12 + h[4 + k]));
  for (int m = 0; m <= 6; ++m)
    for (int j = 0; j < 16; ++j) map->keys[12 + 16 * m + j] = inc(hz(24 + 12 * m + h[j]));
  for (int k = 0; k < 4; ++k) map->keys[124 + k] = inc(hz(108 + h[k]));
}

void tuningBuildLibrary() {
  if (g_built) return;
  g_count = 0;
  for (TuningMap& e : g_list) {
    std::memset(&e, 0, sizeof e);
    fillEqualTemperament(&e);
    setName(&e, "8ve / 12");
  }
  TuningMap work;
  std::memset(&work, 0, sizeof work);
  auto add = [&](int index, int id, const char* name) {
    std::memcpy(g_list[index].keys, work.keys, sizeof work.keys);
    g_list[index].id = static_cast<std::int16_t>(id);
    setName(&g_list[index], name);
    ++g_count;
  };
  auto ratios = [&](const float(&r)[11]) { tuningFillRatios(&work, r); };

  // clang-format off
  fillEqualTemperament(&work);                 add(0, 1, "8ve / 12");
  tuningFillEqual(&work, 60.0, 60, 19);        add(1, 2, "8ve / 19");
  tuningFillEqual(&work, 60.0, 60, 24);        add(2, 3, "8ve / 24");
  tuningFillEqual(&work, 60.0, 60, 31);        add(27, 4, "8ve / 31");
  tuningFillEqual(&work, 60.0, 60, 43);        add(3, 5, "8ve / 43 otone");
  tuningFillEqual(&work, 60.0, 60, 48);        add(4, 6, "8ve / 48");
  tuningFillEqual(&work, 60.0, 60, 96);        add(5, 7, "8ve / 96");
  for (int k = 36; k < tuningKeyCount; ++k) work.keys[k] = inc(hz(24.0) * (k - 35));
  add(6, 8, "harmonic");
  tuningFillVallotti(&work, 0);                add(7, 9, "Vallotti");
  tuningFillWerckmeister(&work, 0);            add(8, 10, "Werckmeister 3");
  ratios({1.003f, 1.125f, 1.127f, 1.2272727f, 1.3333334f, 1.335f, 1.5f, 1.502f, 1.6363636f, 1.638f, 1.7777778f});
  add(21, 11, "Zalzal");
  ratios({1.003f, 1.125f, 1.127f, 1.35f, 1.423828125f, 1.425f, 1.5f, 1.502f, 1.8f, 1.803f, 1.9f});
  add(22, 12, "Farabi 1");
  ratios({1.003f, 1.125f, 1.127f, 1.40625f, 1.4555556f, 1.457f, 1.5f, 1.502f, 1.875f, 1.878f, 1.9375f});
  add(23, 13, "Farabi 2");
  ratios({1.003f, 1.082f, 1.141f, 1.294f, 1.394f, 1.323f, 1.487f, 1.523f, 1.606f, 1.741f, 1.885f});
  add(25, 14, "Pelog + Slendro");
  {
    static const double s[10] = {0.9, 0.93, 3.66, 4.93, 4.95, 7.07, 7.04, 7.81, 7.84, 10.8};
    float r[11];
    r[0] = 1.003f;
    for (int i = 0; i < 10; ++i) r[i + 1] = static_cast<float>(std::pow(2.0, s[i] / 12.0));
    tuningFillRatios(&work, r);
  }
  add(28, 15, "Indian");
  ratios({1.003f, 1.092f, 1.092f, 1.18f, 1.361f, 1.361f, 1.519f, 1.519f, 1.672f, 1.672f, 1.822f});
  add(26, 16, "balafon");
  ratios({1.003f, 1.125f, 1.1851852f, 1.25f, 1.3333334f, 1.335f, 1.5f, 1.5802469f, 1.6666666f, 1.7777778f, 1.8f});
  add(29, 17, "Ionic/Aeolic");
  tuningFillHarrison16(&work);                 add(30, 18, "Harrison 16");
  tuningFillPythagorean(&work, 0);             add(31, 19, "pythagorean");
  // clang-format on
  static const char* const meanTone[12] = {"mean tone c",  "mean tone c#", "mean tone d",  "mean tone d#",
                                           "mean tone e",  "mean tone f",  "mean tone f#", "mean tone g",
                                           "mean tone g#", "mean tone a",  "mean tone a#", "mean tone b"};
  for (int r = 0; r < 12; ++r) {
    tuningFillMeanTone(&work, r);
    add(9 + r, 20 + r, meanTone[r]);
  }
  g_list[24].id = 0;  // entry 24 keeps the equal temperament of the first fill
  g_count = tuningBuiltInCount;
  g_built = true;
}

int tuningLibraryCount() {
  tuningBuildLibrary();
  return g_count;
}

void tuningSetLibraryCount(int count) {
  tuningBuildLibrary();
  g_count = numClamp(count, 1, tuningBuiltInCount);
}

const TuningMap* tuningBuiltIn(int index) {
  tuningBuildLibrary();
  return index >= 0 && index < g_count ? &g_list[index] : nullptr;
}

int tuningFindById(std::int16_t id) {
  tuningBuildLibrary();
  for (int i = 0; i < g_count; ++i)
    if (g_list[i].id == id) return i;
  return 0;
}
