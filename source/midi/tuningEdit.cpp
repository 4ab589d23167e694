// The tuning editor's rules: keys by note, Hz or ratio with the octave link, and what the boxes show.
#include "midi/tuningEdit.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "midi/midiNames.h"
#include "preset/bank.h"
#include "preset/tuning.h"

bool tuningIncFromNote(double note, double* inc) {
  if (!inc || std::isnan(note)) return false;
  *inc = pitchNoteToInc(numClamp<double>(note, 0.0, tuningNoteMax));
  return true;
}

bool tuningIncFromHz(double hz, double* inc) {
  if (!inc || std::isnan(hz) || hz <= 0.0) return false;
  *inc = pitchHzToInc(numClamp<double>(hz, tuningHzMin, tuningHzMax));
  return true;
}

bool tuningIncFromRatio(double baseInc, double ratio, double* inc) {
  if (!inc || std::isnan(ratio) || ratio <= 0.0 || !(baseInc > 0.0) || std::isinf(baseInc)) return false;
  const double hz = pitchIncToHz(baseInc) * numClamp<double>(ratio, tuningRatioMin, tuningRatioMax);
  return tuningIncFromHz(hz, inc);
}

double tuningNoteOfInc(double inc) {
  if (!(inc > 0.0) || std::isinf(inc)) return 0.0;
  return numClamp<double>(pitchHzToNote(pitchIncToHz(inc)), 0.0, tuningNoteMax);
}

double tuningRatioOfInc(double inc, double baseInc) {
  if (!(baseInc > 0.0) || std::isnan(inc)) return 0.0;
  return inc / baseInc;
}

void tuningEditSetKey(Engine* engine, Bank* bank, int key, double inc, bool link, int keysPerOctave,
                      double octaveRatio) {
  if (!engine || key < 0 || key >= tuningKeyCount) return;
  tuningSetKey(engine, bank, key, inc);
  if (!link || keysPerOctave <= 0 || !(octaveRatio > 1.0) || std::isinf(octaveRatio)) return;
  const double v = tuningGetKey(engine, key);
  double up = v;
  for (int k = key + keysPerOctave; k < tuningKeyCount; k += keysPerOctave) {
    up *= octaveRatio;
    tuningSetKey(engine, bank, k, up);
  }
  double down = v;
  for (int k = key - keysPerOctave; k >= 0; k -= keysPerOctave) {
    down /= octaveRatio;
    tuningSetKey(engine, bank, k, down);
  }
}

int tuningRowToKey(int row) { return row < 0 || row >= tuningRows ? 0 : tuningRows - 1 - row; }
int tuningKeyToRow(int key) { return key < 0 || key >= tuningRows ? 0 : tuningRows - 1 - key; }

void tuningRowText(Engine* engine, int key, char* out, int capacity) {
  if (!out || capacity <= 0) return;
  char name[midiNoteNameBytes];
  midiNoteName(static_cast<std::int16_t>(key), name, 1);
  std::snprintf(out, static_cast<std::size_t>(capacity), "%s   %f", name, tuningNoteOfInc(tuningGetKey(engine, key)));
}

bool tuningIsEditable(Engine* engine) {
  const TuningMap* map = tuningCurrentMap(engine);
  return map && tuningIdBank(map->id) == tuningBankByteBank;
}

void tuningNameFromText(const char* text, char* name) {
  if (!name) return;
  std::memset(name, 0, tuningNameSize);
  if (text) std::strncpy(name, text, tuningNameSize - 1);
}

bool tuningKeysPerOctaveFrom(double value, int* keys) {
  if (!keys || std::isnan(value)) return false;
  *keys = static_cast<int>(numClamp<double>(std::trunc(value), 1.0, 127.0));
  return true;
}

bool tuningIntervalFrom(double value, double* semitones) {
  if (!semitones || std::isnan(value)) return false;
  *semitones = numClamp<double>(value, 0.0, 127.0);
  return true;
}
