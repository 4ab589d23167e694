// Texts that name MIDI things for the user: the 128 controller names, the 128 note names and the
// names of modulation sources (-1 aftertouch, 0..127 controllers, 128 pitch bend, 129 velocity,
// 130 note, 131 random). The tables are filled once at start-up; until then the table-based
// texts are empty.
#pragma once
#include <cstdint>

const int midiControllerNameBytes = 32;
const int midiNoteNameBytes = 16;
const int midiSourceNameBytes = 32;

void midiNamesInitControllers();
void midiNamesInitNotes();

// The note's name ("C_3"), or with withNumber "C_3 (60)"; empty outside 0..127 or before the
// note table is filled. `buffer` holds midiNoteNameBytes.
void midiNoteName(std::int16_t note, char* buffer, std::uint8_t withNumber);
// "Aftertouch", "Pitchbend", "Velocity", "Note", "Random" or "CC n" for any other number.
// `buffer` holds midiSourceNameBytes.
void midiSourceNameEntry(std::int16_t source, char* buffer);
void midiSourceName(std::int16_t source, char* buffer);
// The same special names; for 0..127 the controller table's entry ("(7) volume"); else empty.
void midiSourceListName(std::int16_t source, char* buffer);
