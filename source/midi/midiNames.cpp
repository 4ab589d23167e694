#include "midi/midiNames.h"

#include <cstdio>
#include <cstring>

#include "preset/midiSources.h"

namespace {

char g_controllerNames[128][midiControllerNameBytes];
char g_noteNames[128][midiNoteNameBytes];
std::uint8_t g_controllersFilled = 0;
std::uint8_t g_notesFilled = 0;

// Controllers with a name of their own; every other number is "undefined".
struct NamedController {
  int number;
  const char* name;
};
const NamedController kNamed[] = {
    {0, "bank select"},
    {1, "mod wheel"},
    {2, "breath ctl"},
    {3, "old DX7 touch"},
    {4, "foot ctl"},
    {5, "porta time"},
    {6, "data entry"},
    {7, "volume"},
    {8, "balance"},
    {10, "pan"},
    {11, "expression"},
    {32, "bank select LSB"},
    {33, "mod wheel LSB"},
    {34, "breath ctl LSB"},
    {35, "old DX7 touch LSB"},
    {36, "foot ctl LSB"},
    {37, "porta time LSB"},
    {38, "data entry LSB"},
    {39, "volume LSB"},
    {40, "balance LSB"},
    {42, "pan LSB"},
    {43, "expression LSB"},
    {64, "sustain pedal"},
    {65, "portamento pedal"},
    {66, "sostenuto pedal"},
    {67, "soft pedal"},
    {69, "hold pedal 2"},
    {91, "ext fx depth"},
    {92, "tremolo depth"},
    {93, "chorus depth"},
    {94, "celeste depth"},
    {95, "phaser depth"},
    {96, "data +"},
    {97, "data -"},
    {98, "NR LSB"},
    {99, "NR MSB"},
    {100, "reg LSB"},
    {101, "reg MSB"},
    {121, "reset all cntls"},
    {122, "local control"},
    {123, "all notes off!"},
    {124, "omni off"},
    {125, "omni on"},
    {126, "mono on"},
    {127, "poly on"},
};

const char* const kPitchClasses[12] = {"C_", "C#", "D_", "D#", "E_", "F_", "F#", "G_", "G#", "A_", "A#", "B_"};

// The special sources' names; null for controllers and unknown numbers.
const char* specialSourceName(std::int16_t source) {
  switch (source) {
    case midiSourcePressure: return "Aftertouch";
    case midiSourcePitchBend: return "Pitchbend";
    case midiSourceVelocity: return "Velocity";
    case midiSourceNote: return "Note";
    case midiSourceRandom: return "Random";
    default: return nullptr;
  }
}

}  // namespace

void midiNamesInitControllers() {
  for (int c = 0; c < 128; ++c) {
    const char* name = "undefined";
    for (const NamedController& n : kNamed)
      if (n.number == c) name = n.name;
    std::snprintf(g_controllerNames[c], midiControllerNameBytes, "(%d) %s", c, name);
  }
  g_controllersFilled = 1;
}

void midiNamesInitNotes() {
  for (int n = 0; n < 128; ++n)
    std::snprintf(g_noteNames[n], midiNoteNameBytes, "%s%d", kPitchClasses[n % 12], n / 12 - 2);
  g_notesFilled = 1;
}

void midiNoteName(std::int16_t note, char* buffer, std::uint8_t withNumber) {
  if (!buffer) return;
  std::memset(buffer, 0, midiNoteNameBytes);
  if (note < 0 || note > 127 || !g_notesFilled) return;
  if (withNumber)
    std::snprintf(buffer, midiNoteNameBytes, "%s (%d)", g_noteNames[note], note);
  else
    std::snprintf(buffer, midiNoteNameBytes, "%s", g_noteNames[note]);
}

void midiSourceNameEntry(std::int16_t source, char* buffer) {
  if (!buffer) return;
  std::memset(buffer, 0, midiSourceNameBytes);
  if (const char* special = specialSourceName(source))
    std::snprintf(buffer, midiSourceNameBytes, "%s", special);
  else
    std::snprintf(buffer, midiSourceNameBytes, "CC %d", source);
}

void midiSourceName(std::int16_t source, char* buffer) { midiSourceNameEntry(source, buffer); }

void midiSourceListName(std::int16_t source, char* buffer) {
  if (!buffer) return;
  std::memset(buffer, 0, midiSourceNameBytes);
  if (const char* special = specialSourceName(source))
    std::snprintf(buffer, midiSourceNameBytes, "%s", special);
  else if (source >= 0 && source <= 127 && g_controllersFilled)
    std::snprintf(buffer, midiSourceNameBytes, "%s", g_controllerNames[source]);
}
