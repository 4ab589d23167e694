// The Envelope page's settings and breakpoint fields: bringing them in line with the selected
// envelope (the field refresh, the sections shown by mode and switches, the two forms of the time and
// level boxes, the level in the destination's unit) and the callbacks of the breakpoint boxes and
// buttons. Every operation takes the main window's id first (callbacks the control) and does nothing
// without the window's view or engine, or without a selected envelope where one is needed.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"

struct Engine;

enum { envUnitLabelSize = 24 };

// ---- Refresh
// The settings part of the full refresh: the "Beat" box, the field refresh, the level units and the
// grid step popup shown while the grid switch is on.
void envPageRefreshSettings(WinId win);
void envPageRefreshFields(WinId win);
void envPageShowMode(WinId win, std::int16_t mode, bool linked);
// The mode's name ("" for any value outside 1..6) into out (at least 16 bytes).
void envModeName(std::int16_t mode, char* out);
void envPageShowSections(WinId win, bool show);
void envPageShowLfoSection(WinId win, bool on);
void envPageShowCcSection(WinId win, bool on);
void envPageSetWaveLabel(WinId win, std::uint16_t popup, std::int16_t waveId);
void envPageSetTimeDisplay(WinId win, bool absolute);
void envPageSetLevelDisplay(WinId win, bool percent);
void envPageSetStepButton(WinId win, bool step);
void envPageUpdateTimeRanges(WinId win);
void envPageRefreshLevelUnits(WinId win);
void envPageShowBpFields(WinId win, bool show);
// Copies at most 23 characters of text into the unit label and, unless the level shows in percent,
// writes it on envItemLevelForm.
void envPageSetUnitLabel(WinId win, const char* text);
const char* envPageUnitLabel();

// ---- Callbacks of the breakpoint fields
void envBpOnTime(ControlItem* item, double value);
double envTimeStep(ControlItem* item, double start, std::int16_t steps, std::uint16_t mode);
void envBpOnLevelPercent(ControlItem* item, double value);
void envBpOnLevelUnits(ControlItem* item, double value);
void envBpOnSlope(ControlItem* item, double value);
void envPageOnTimeDisplay(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envPageOnLevelDisplay(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envBpOnStepButton(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envBpOnDepth(ControlItem* item, double value);
void envBpOnLfoSec(ControlItem* item, double value);
void envBpOnShSec(ControlItem* item, double value);
void envBpOnTimeScale(ControlItem* item, double value);
void envBpOnAmpScale(ControlItem* item, double value);
void envBpOnTimeCcButton(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envBpOnAmpCcButton(ControlItem* item, std::uint8_t pressed, std::int16_t state);
