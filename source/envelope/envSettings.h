// The Envelope page's envelope settings: mode, tempo sync, enable (bypass) switch, link master and
// link scaling, the controller source of a Control driven envelope, the LFO and controller-scaling
// sections, the grid switch and step, the preset's "Beat" box and the envelope menu. The builder
// makes these controls and the breakpoint fields with the ruler and the row strip.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"

// Creates the settings sections, the breakpoint fields, the ruler (95) and the row strip (96).
void envPageBuildSettings(WinId win);

void envModeMenuFill(ControlItem* item, std::int32_t opening);
void envModeOnChoose(ControlItem* item, std::int16_t menu, std::int16_t entry);
void envPageApplyMode(WinId win, std::int16_t mode, bool linked);
void envPageOnSync(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envPageSetSyncButton(WinId win, bool state);
void envPageOnEnable(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envPageOnLfoSwitch(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envPageOnCcSwitch(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envPageOnLfoFlag(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envPageOnLfoPhase(ControlItem* item, double value);
void envPageOnLfoWave(ControlItem* item, std::int16_t menu, std::int16_t entry);
void envPageOnSourceButton(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envPageOnMidiSource(WinId win, std::int16_t source);
void envLinkOnChoose(ControlItem* item, std::int16_t menu, std::int16_t entry);
std::int16_t envRowSlot(WinId win, std::int16_t r);
void envPageOnTimePercent(ControlItem* item, double value);
void envPageOnAmpPercent(ControlItem* item, double value);
void envPageOnAmpOffset(ControlItem* item, double value);
void envPageOnSlopePercent(ControlItem* item, double value);
void envPageOnBeats(ControlItem* item, double value);
void envPageOnMoveFollowing(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envPageOnGridSwitch(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envGridMenuFill(ControlItem* item, std::int32_t opening);
void envGridOnChoose(ControlItem* item, std::int16_t menu, std::int16_t entry);
void envMenuFill(ControlItem* item, std::int32_t opening);
void envMenuOnChoose(ControlItem* item, std::int16_t menu, std::int16_t entry);

// Sync and redraw after a settings change: the surround-pan partner takes the change, then the
// selected row and the rows linked to it are redrawn.
void envPageSyncAndRedraw(WinId win);
