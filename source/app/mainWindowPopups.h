// The File, Edit and Setup popups of the main window's top strip (mainItemFilePopup, mainItemEditPopup and
// mainItemSetupPopup): filled anew each time they open, their choices sent to the application's commands.
#pragma once
#include <cstdint>

struct ControlItem;

// Positions of the File popup's entries (3, 6, 8 and 10 are separators); the recent files follow.
enum FilePopupPos {
  filePosNew = 1,
  filePosOpen = 2,
  filePosSave = 4,
  filePosSaveAs = 5,
  filePosConsolidate = 7,
  filePosImportPreset = 9,
  filePosRecentFirst = 11,
  filePosRecentLast = 20
};
// Positions of the Edit popup's entries (2 and 5 are separators).
enum EditPopupPos { editPopupPosUndo = 1, editPopupPosCopy = 3, editPopupPosPaste = 4, editPopupPosBalance = 6 };
// Positions of the Setup popup's entries (2 and 4 are separators); the Midi Channel submenu's entries
// are the channels 1..16, then Omni.
enum SetupPopupPos {
  setupPosOutputSetup = 1,
  setupPosMidiChannel = 3,
  setupPosProgramChange = 5,
  setupPosAutoBalance = 6,
  setupChannelOmni = 17
};

// Creates the three selectors in window `id`'s current container.
void mainWindowCreatePopups(std::int16_t id);

void mainWindowBuildFilePopup(ControlItem* item, std::int32_t opening);
void mainWindowOnFilePopup(ControlItem* item, std::int16_t popup, std::int16_t position);
void mainWindowBuildEditPopup(ControlItem* item, std::int32_t opening);
void mainWindowOnEditPopup(ControlItem* item, std::int16_t popup, std::int16_t position);
void mainWindowBuildSetupPopup(ControlItem* item, std::int32_t opening);
void mainWindowOnSetupPopup(ControlItem* item, std::int16_t popup, std::int16_t position);
