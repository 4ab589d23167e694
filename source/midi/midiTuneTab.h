// Tab 4 of the Midi page, Tune: the tuning editor's controls and handlers (the build and the refresh
// are declared with the page, midi/midiPage.h). The rules behind them are in midi/tuningEdit.h.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"

void tuningKeyListSelected(ControlItem* item);
void tuningNameEdited(ControlItem* item);
void tuningNoteChanged(ControlItem* item, double value);
void tuningHzChanged(ControlItem* item, double value);
void tuningRatioChanged(ControlItem* item, double value);
void tuningBaseKeyChanged(ControlItem* item, double value);
void tuningOctaveLinkToggled(ControlItem* item, uint8_t pressed, int16_t state);
void tuningKeysPerOctaveChanged(ControlItem* item, double value);
void tuningOctaveIntervalChanged(ControlItem* item, double value);
void tuningFillTransformMenu(WinId win);
void tuningTransformChosen(ControlItem* item, int16_t menu, int16_t entry);
// 1 until the key list's first fill (which selects key 71, then key 60).
uint8_t tuningListFirstFill();
