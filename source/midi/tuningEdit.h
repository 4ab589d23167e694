// The tuning editor's rules without its controls: a key set by note number, Hz or ratio to the base
// key (with the octave link carrying it up and down the keyboard), the values each box shows, the
// key list's rows and the name as stored. Bad values (0, negative, not a number, beyond the boxes'
// ranges) are refused or limited here, so no key ever gets a value the voices cannot play.
// User-interface thread; edits go through the tuning setters, which change the bank's map and the
// engine's copy together.
#pragma once
#include <cstdint>

struct Bank;
struct Engine;

enum { tuningRows = 128 };

// The boxes' ranges: note number, Hz, ratio to the base key.
const double tuningNoteMax = 128.0;
const double tuningHzMin = 0.0001, tuningHzMax = 22000.0;
const double tuningRatioMin = 0.0001, tuningRatioMax = 22000.0;

// Key increment of a typed value; false (and *inc untouched) for a value that is not a number or not
// above 0 (a note below 0 counts as 0); limited to the box's range otherwise. The ratio needs the
// base key's increment, which must be above 0.
bool tuningIncFromNote(double note, double* inc);
bool tuningIncFromHz(double hz, double* inc);
bool tuningIncFromRatio(double baseInc, double ratio, double* inc);
// What the boxes show for an increment: its note number (0 for a key of 0), its Hz, and its ratio to
// the base key's increment (0 when the base key is 0).
double tuningNoteOfInc(double inc);
double tuningRatioOfInc(double inc, double baseInc);

// Sets `key` of the engine's current map to `inc`; with `link` on, `keysPerOctave` above 0 and
// `octaveRatio` above 1.0, the keys an octave apart follow: k + K, k + 2K, ... each the previous times
// the ratio, and k - K, k - 2K, ... each divided by it.
void tuningEditSetKey(Engine* engine, Bank* bank, int key, double inc, bool link, int keysPerOctave,
                      double octaveRatio);

// Rows show the highest key first: row r is key 127 - r (key 0 for a row outside 0..127).
int tuningRowToKey(int row);
int tuningKeyToRow(int key);
// A row's text: "<name> (<key>)   <note number>" ("%s   %f"); the name part is empty before the note
// names exist. `out` holds at least 64 bytes.
void tuningRowText(Engine* engine, int key, char* out, int capacity);
// The current map can be edited: a bank tuning (bank byte 2).
bool tuningIsEditable(Engine* engine);
// The name as stored: at most 31 characters and the terminating zero, in a 32-byte buffer.
void tuningNameFromText(const char* text, char* name);
// Keys per octave typed (limited to 1..127; false for not a number) and the octave interval in
// semitones (limited to 0..127; false for not a number).
bool tuningKeysPerOctaveFrom(double value, int* keys);
bool tuningIntervalFrom(double value, double* semitones);
