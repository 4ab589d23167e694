// The Effect page's panel of master effect type 5, the three-unit effect: picture 6 of the page's
// pane (5) at (0, 68) holding five global number boxes (size, feedback, brightness, pre-delay,
// jitter), the early-taps switch and three unit rows. A row is the unit's on switch, which spans the
// whole row, and a row group (picture r + 1) with the unit's mode selector, six number boxes and two
// switches; the group is shown exactly while the unit is on.
//
// Ids: globals 170..175; unit u (0..2) uses r + k with r = 176 + 12u and k = 0..10. Every control
// writes straight into the engine's type-5 record through its setter (no edit copy, no undo, no
// stop of the audio); the panel keeps nothing of its own, and every refresh reads the engine again.
// The engine is the first word of the window's user data; without one every operation does nothing.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"

enum {
  fxUnitsPanelId = 6,    // the panel picture in the Effect page's pane
  fxUnitsPaneId = 5,     // the Effect page's pane of the main window
  fxUnitsFirstId = 170,  // globals 170..175
  fxUnitsRowBase = 176,  // unit u: 176 + 12u
  fxUnitsRowStride = 12,
  fxUnitsLastId = 211
};
// The globals, and control k of a unit row.
enum {
  fxUnitsSize = 170,
  fxUnitsBrightness = 171,
  fxUnitsFeedback = 172,
  fxUnitsPreDelay = 173,
  fxUnitsJitter = 174,
  fxUnitsEarlyTaps = 175
};
enum {
  fxUnitsKOn = 0,
  fxUnitsKGroup = 1,
  fxUnitsKMode = 2,
  fxUnitsKScale = 3,
  fxUnitsKLaneSpread = 4,
  fxUnitsKTimeModDepth = 5,
  fxUnitsKTimeModInvert = 6,
  fxUnitsKBrightness = 7,
  fxUnitsKLaneBrightSpread = 8,
  fxUnitsKBrightModDepth = 9,
  fxUnitsKBrightModInvert = 10
};

// Builds the panel into the window's current container (the Effect page's pane, group mode on);
// the panel picture is left shown exactly when the effect type is 5.
void fxUnitsBuild(WinId win);
// Writes every control from the engine's type-5 record.
void fxUnitsRefresh(WinId win);

// Row base and unit of an id: < 188 unit 0, < 200 unit 1, < 212 unit 2, anything else unit 0.
int fxUnitsUnitOfId(std::int32_t id);
std::uint16_t fxUnitsRowId(int unit, int k);
// The type menu lists the modes in order: the entry of a mode, and the mode of an entry (anything
// outside the list gives "Raw").
constexpr int fxUnitsModeEntry(std::uint32_t mode) { return static_cast<int>(mode) + 1; }
std::uint32_t fxUnitsModeOfItem(std::int16_t item);
// The name a mode is shown with ("Raw" for anything outside 0..3).
const char* fxUnitsModeName(std::uint32_t mode);

// Control callbacks.
void fxUnitsValueChanged(ControlItem* box, double value);                                  // boxes 170..174
void fxUnitsUnitValueChanged(ControlItem* box, double value);                              // boxes r + 3, 4, 5, 7, 8, 9
void fxUnitsSwitchChanged(ControlItem* button, std::uint8_t pressed, std::int16_t state);  // r, r + 6, r + 10
void fxUnitsFlagChanged(ControlItem* button, std::uint8_t pressed, std::int16_t state);    // 175
void fxUnitsUnitTypeMenu(ControlItem* selector, std::int32_t build);                       // r + 2 opening
void fxUnitsUnitTypeChosen(ControlItem* selector, std::int16_t menu, std::int16_t item);   // r + 2 choice
