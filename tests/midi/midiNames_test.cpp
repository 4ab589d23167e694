// The MIDI name tables and the texts made from them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "midi/midiNames.h"

namespace {

std::string note(int n, bool withNumber) {
  char buffer[midiNoteNameBytes];
  std::memset(buffer, 'x', sizeof buffer);
  midiNoteName(static_cast<std::int16_t>(n), buffer, withNumber ? 1 : 0);
  return buffer;
}
std::string source(int n) {
  char buffer[midiSourceNameBytes];
  midiSourceName(static_cast<std::int16_t>(n), buffer);
  return buffer;
}
std::string listed(int n) {
  char buffer[midiSourceNameBytes];
  std::memset(buffer, 'x', sizeof buffer);
  midiSourceListName(static_cast<std::int16_t>(n), buffer);
  return buffer;
}

// Runs first: the tables are filled once per process.
TEST(MidiNames, TableTextsAreEmptyBeforeTheTablesAreFilled) {
  EXPECT_EQ(note(60, false), "");
  EXPECT_EQ(listed(7), "");
  EXPECT_EQ(listed(-1), "Aftertouch");  // the special names need no table
  EXPECT_EQ(source(7), "CC 7");
}

TEST(MidiNames, NamesOfSourcesNotesAndControllers) {
  midiNamesInitNotes();
  midiNamesInitControllers();
  const struct {
    std::string got, expected;
  } cases[] = {
      {source(-1), "Aftertouch"},
      {source(128), "Pitchbend"},
      {source(129), "Velocity"},
      {source(130), "Note"},
      {source(131), "Random"},
      {source(7), "CC 7"},
      {source(200), "CC 200"},
      {source(-5), "CC -5"},
      {listed(64), "(64) sustain pedal"},
      {listed(9), "(9) undefined"},
      {listed(200), ""},
      {listed(-1), "Aftertouch"},
      {listed(131), "Random"},
      {listed(0), "(0) bank select"},
      {listed(35), "(35) old DX7 touch LSB"},
      {listed(127), "(127) poly on"},
      {listed(-2), ""},
      {note(60, true), "C_3 (60)"},
      {note(60, false), "C_3"},
      {note(69, false), "A_3"},
      {note(0, false), "C_-2"},
      {note(1, false), "C#-2"},
      {note(127, false), "G_8"},
      {note(127, true), "G_8 (127)"},
      {note(-1, false), ""},
      {note(128, true), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

TEST(MidiNames, EveryUndefinedControllerCarriesItsNumber) {
  midiNamesInitControllers();
  const int named[] = {0,  1,  2,  3,  4,  5,  6,   7,   8,   10,  11,  32,  33,  34,  35,
                       36, 37, 38, 39, 40, 42, 43,  64,  65,  66,  67,  69,  91,  92,  93,
                       94, 95, 96, 97, 98, 99, 100, 101, 121, 122, 123, 124, 125, 126, 127};
  int undefinedCount = 0;
  for (int c = 0; c < 128; ++c) {
    const std::string name = listed(c);
    const std::string prefix = "(" + std::to_string(c) + ") ";
    ASSERT_EQ(name.compare(0, prefix.size(), prefix), 0) << name;
    bool isNamed = false;
    for (int n : named) isNamed = isNamed || n == c;
    if (!isNamed) {
      EXPECT_EQ(name, prefix + "undefined");
      ++undefinedCount;
    }
  }
  EXPECT_EQ(undefinedCount, 128 - 45);
}

}  // namespace
