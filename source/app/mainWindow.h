// The main window (window appMainWindowId): a 72-pixel top strip with the page tabs, the File, Edit and Setup
// popups, the bank and preset title displays and three level meters, above one nested pane per page
// (pages/pages.h). It builds itself, switches and refreshes the pages, runs the 50 ms page update
// (program changes from MIDI, the meters, the pages' periodic work) and handles its own events.
#pragma once
#include <cstdint>

#include "app/mainWindowData.h"
#include "app/pageShell.h"
#include "uiSeams/winId.h"

struct UiTimerRecord;

// Items of the main window's own container.
enum MainWindowItem {
  mainItemBackground = 1,
  mainItemFirstTab = 9,  // 9..15: tabs of pages 2..8
  mainItemLastTab = 15,
  mainItemAbout = 16,
  mainItemStripEnd = 18,
  mainItemFilePopup = 19,
  mainItemEditPopup = 20,
  mainItemSetupPopup = 21,
  mainItemBankName = 22,
  mainItemPresetNumber = 23,
  mainItemPresetName = 24,
  mainItemLoadMeter = 25,
  mainItemInputMeter = 26,
  mainItemOutputMeter = 27
};

enum { mainStripHeight = 72, mainWindowItems = 31 };

// The id of the main window the builder or the last page switch made current.
std::int16_t mainWindowCurrentId();

// Builds window `id` (already opened with 31 items): its data, the strip's items, the panes with
// every page, then shows the Main page. Without engine or bank only the current id is set.
void mainWindowBuild(std::int16_t id, Engine* engine, Bank* bank);
void mainWindowInvalidateTop(std::int16_t id);
void mainWindowUpdateBankName(std::int16_t id);
// Meters from the engine's load and peak values; the peaks decay by 0.85 per call.
void mainWindowUpdateMeters(std::int16_t id);
// Writes "autoBalance" from the window's flag and frees its data.
void mainWindowFreeData(std::int16_t id);
// The 50 ms page update of window `window` (a UI timer callback).
void appPageUpdate(WinId window, std::uint16_t argument, UiTimerRecord* timer);

// Tab redraws since start (a tab is redrawn only when its look changed).
int mainWindowTabRedraws();
