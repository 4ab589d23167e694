// The envelope tools pane: nested pane paneEnvTools of the main window, built hidden at start-up and opened
// from the envelope menu with one of three tools (1 scale, 2 set duration, 3 attack/release
// pulses). While it is open every change of a box or of its envelope list recomputes the tool over
// the selected envelopes from the snapshot taken at opening and writes the result into the
// engine's slots, so the result is heard and seen at once. OK keeps it (Edit > Undo restores all
// 28 slots), Cancel puts the snapshot back. While it is open it holds the sound (mainWindowHoldSound:
// the page tabs locked, nothing replaces the sound under it), and it writes only into the sound it
// took its snapshot from.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "preset/envelopeSlot.h"

enum { envToolsPaneItems = 24 };

// Items of pane paneEnvTools.
enum EnvToolsItem : std::uint16_t {
  envToolsBackground = 1,
  envToolsGroupScale = 2,     // boxes 11..14
  envToolsGroupDuration = 3,  // boxes 15..17
  envToolsGroupPulses = 4,    // boxes 18..23
  envToolsOk = 5,
  envToolsCancel = 6,
  envToolsFromPage = 7,  // select the envelopes selected on the page
  envToolsText = 8,
  envToolsList = 9,
  envToolsScroll = 10,
  envToolsTimeScale = 11,
  envToolsAmpScale = 12,
  envToolsAmpOffset = 13,
  envToolsSlopeScale = 14,
  envToolsSeconds = 15,
  envToolsDurBpm = 16,
  envToolsDurBeats = 17,
  envToolsArBpm = 18,
  envToolsArBeatDuration = 19,
  envToolsArBeats = 20,
  envToolsArAttack = 21,
  envToolsArMinAmp = 22,
  envToolsArSlope = 23
};

// Pictures of the pane.
enum EnvToolsPicture : std::int32_t {
  envToolsPicBackground = 2300,
  envToolsPicOk = 1624,
  envToolsPicCancel = 1632,
  envToolsPicFromPage = 2324,
  envToolsPicList = 1648,
  envToolsPicScroll = 2516
};

enum EnvToolNumber { envToolScale = 1, envToolDuration = 2, envToolPulses = 3 };

// The pane's state for the whole run (start values in the comments).
struct EnvToolsState {
  std::int32_t tool;                                  // the open tool, 0 while closed
  std::int16_t toolRowSlots[envSlotCount];            // slot of each list row, -1 none
  EnvelopeSlot snapshot[envSlotCount];                // the engine's slots when the pane opened
  EnvelopeSlot result[envSlotCount];                  // the tool's output, committed after each recomputation
  double timeScale, ampScale, ampOffset, slopeScale;  // 1, 1, 0, 1 at each opening
  double durSeconds, durBpm, durBeats;                // 2, 120, 4
  std::uint8_t durUseBeats;                           // 0
  double arBpm, arBeatDuration;                       // 120 (the preset's tempo at opening), 0.5
  std::int32_t arBeats;                               // 8
  double arAttack, arMinAmp, arSlope;                 // 0.01, 0, 0.5
  std::uint8_t arRebuild;                             // the next commit changes breakpoint counts: take all slots first
  std::uint8_t open;
  std::uint32_t sound;  // the engine's soundSerial when the snapshot was taken
};
EnvToolsState* envToolsState();

// Built once into pane paneEnvTools (the caller made it the current container); hidden.
void envToolsPanelCreate(WinId win);
void envToolsShowEntry(WinId win, std::uint8_t show, std::int32_t tool);
void envToolsShow(WinId win, std::uint8_t show, std::int32_t tool);
void envToolsScaleChanged(ControlItem* item, double value);
void envToolsDurationChanged(ControlItem* item, double value);
void envToolsPulsesChanged(ControlItem* item, double value);
void envToolsButton(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envToolsTakePageSelection(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envToolsListChanged(ControlItem* item);
void envToolsRecompute(WinId win);
void envToolsCommit(WinId win);
void envToolsInitScale(WinId win);
void envToolsInitDuration(WinId win);
void envToolsInitPulses(WinId win);
// Puts the snapshot back into all 28 slots (under the all-slots handshake), as Cancel does.
void envToolsRestore(WinId win);
// Cancel: the snapshot back, then the pane closes (the sound's edited state as before it opened).
void envToolsCancelPane(WinId win);
// The description envToolsText shows for envToolScale..envToolPulses ("" otherwise).
const char* envToolsDescription(std::int32_t tool);
