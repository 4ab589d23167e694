#include "app/mainWindowPopups.h"

#include <windows.h>

#include <cstdio>

#include "app/appCommands.h"
#include "app/appSettings.h"
#include "app/mainWindow.h"
#include "app/outSetup.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "pages/clipKinds.h"
#include "pages/pages.h"
#include "preset/undo.h"
#include "skinBitmaps.h"
#include "uiSeams/popupMenu.h"

namespace {

std::int16_t g_channelMenu = 0;  // popup-table slot of the Setup popup's Midi Channel submenu

// The window's data when it has an engine, else null (the popups then do nothing).
MainWindowData* withEngine(ControlItem* item) {
  if (!item) return nullptr;
  MainWindowData* d = mainWindowData(item->windowId);
  return d && d->engine ? d : nullptr;
}

void append(ControlItem* item, int position, bool enabled, const char* text) {
  const WinId win = ctrlItemWin(item);
  const std::uint16_t id = item->id;
  menuAppendItem(win, id, position, enabled, text, 0);
  if (!enabled) menuEnableItem(win, id, position, 0);
}

// Takes the Midi Channel submenu off setupPosMidiChannel of the Setup popup before it is destroyed.
void detachChannelMenu(ControlItem* item) {
  SelectorData* d = selectorData(item);
  if (d && d->menu) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_SUBMENU;
    info.hSubMenu = nullptr;
    SetMenuItemInfoA(d->menu, setupPosMidiChannel - 1, TRUE, &info);
  }
  if (g_channelMenu) popupDestroy(g_channelMenu);
  g_channelMenu = 0;
}

// The menu bar's command behind an entry of the File or the Edit popup (0 none): an entry is offered
// and taken only while its command is available (appCommandAvailable).
std::int32_t filePopupCommand(int position) {
  switch (position) {
    case filePosNew: return cmdIdNew;
    case filePosOpen: return cmdIdOpen;
    case filePosSave: return cmdIdSave;
    case filePosSaveAs: return cmdIdSaveAs;
    case filePosConsolidate: return cmdIdConsolidate;
    case filePosImportPreset: return cmdIdImportPreset;
    default: break;
  }
  return position >= filePosRecentFirst && position <= filePosRecentLast
             ? cmdIdRecentFirst + (position - filePosRecentFirst)
             : 0;
}

std::int32_t editPopupCommand(int position) {
  switch (position) {
    case editPopupPosUndo: return cmdIdUndo;
    case editPopupPosCopy: return cmdIdCopy;
    case editPopupPosPaste: return cmdIdPaste;
    case editPopupPosBalance: return cmdIdBalanceLevels;
    default: return 0;
  }
}

void appendFile(ControlItem* item, int position, const char* text) {
  append(item, position, appCommandAvailable(filePopupCommand(position)), text);
}

}  // namespace

void mainWindowCreatePopups(std::int16_t id) {
  // One bitmap each, the caption painted in; the menu opens under it.
  const std::uint32_t flags = selectorOneBitmap | selectorLabelInside | selectorFullWidth;
  selectorCreate(id, mainItemFilePopup, 141, 13, 78, 0, flags, bmpMainWindowFilePopup, "", 1, mainWindowOnFilePopup);
  selectorSetOpeningCallback(id, mainItemFilePopup, mainWindowBuildFilePopup);
  selectorCreate(id, mainItemEditPopup, 141, 31, 78, 0, flags, bmpMainWindowEditPopup, "", 1, mainWindowOnEditPopup);
  selectorSetOpeningCallback(id, mainItemEditPopup, mainWindowBuildEditPopup);
  selectorCreate(id, mainItemSetupPopup, 141, 49, 78, 0, flags, bmpMainWindowSetupPopup, "", 1, mainWindowOnSetupPopup);
  selectorSetOpeningCallback(id, mainItemSetupPopup, mainWindowBuildSetupPopup);
}

void mainWindowBuildFilePopup(ControlItem* item, std::int32_t opening) {
  if (!opening || !withEngine(item)) return;
  appendFile(item, filePosNew, "New");
  appendFile(item, filePosOpen, "Open...");
  append(item, 3, false, "-");
  appendFile(item, filePosSave, "Save");
  appendFile(item, filePosSaveAs, "Save As...");
  append(item, 6, true, "-");
  appendFile(item, filePosConsolidate, "Consolidate Bank...");
  append(item, 8, true, "-");
  appendFile(item, filePosImportPreset, "Import Preset...");
  append(item, 10, true, "-");
  char name[261];
  for (int k = 0; k < 10 && recentFileName(k, name, sizeof name); ++k) appendFile(item, filePosRecentFirst + k, name);
}

void mainWindowOnFilePopup(ControlItem* item, std::int16_t, std::int16_t position) {
  MainWindowData* d = withEngine(item);
  if (!d || !appCommandAvailable(filePopupCommand(position))) return;
  const WinId win = ctrlItemWin(item);
  switch (position) {
    case filePosNew: cmdNew(win, d->engine, d->bank); break;
    case filePosOpen: cmdOpen(win, d->engine, d->bank); break;
    case filePosSave: cmdSave(win, d->bank, 0); break;
    case filePosSaveAs: cmdSave(win, d->bank, 1); break;
    case filePosConsolidate: cmdSave(win, d->bank, 2); break;
    case filePosImportPreset: cmdImportPreset(win, d->engine, d->bank); break;
    default:
      if (position >= filePosRecentFirst && position <= filePosRecentLast)
        cmdRecentFile(win, d->engine, d->bank, filePopupCommand(position));
      break;
  }
  if (mainWindowData(win) && mainWindowData(win)->engine) mainWindowRefreshAll(win);
}

void mainWindowBuildEditPopup(ControlItem* item, std::int32_t opening) {
  if (!opening || !withEngine(item)) return;
  char text[64] = {};
  const bool undo = undoGetMenuText(text, sizeof text) && appCommandAvailable(cmdIdUndo);
  append(item, editPopupPosUndo, undo, text[0] ? text : "Undo");
  append(item, 2, true, "-");
  const bool copy = clipCopyLabel(text);
  append(item, editPopupPosCopy, copy, text);
  const bool paste = clipPasteLabel(text) && appCommandAvailable(cmdIdPaste);
  append(item, editPopupPosPaste, paste, text);
  append(item, 5, true, "-");
  append(item, editPopupPosBalance, patchPageIsShown(ctrlItemWin(item)) != 0, "Balance Levels");
}

void mainWindowOnEditPopup(ControlItem* item, std::int16_t, std::int16_t position) {
  if (!withEngine(item) || !appCommandAvailable(editPopupCommand(position))) return;
  const WinId win = ctrlItemWin(item);
  switch (position) {
    case editPopupPosUndo: undoRedo(win); break;
    case editPopupPosCopy: clipCopy(win); break;
    case editPopupPosPaste:
      // Only what the popup offered: a greyed Paste is never chosen, but the state is checked again.
      if (clipPasteLabel(nullptr)) clipPaste(win);
      break;
    case editPopupPosBalance:
      if (patchPageIsShown(win)) patchBalanceLevels(win);
      break;
    default: break;
  }
}

void mainWindowBuildSetupPopup(ControlItem* item, std::int32_t opening) {
  MainWindowData* d = withEngine(item);
  if (!opening) {
    detachChannelMenu(item);
    return;
  }
  if (!d) return;
  const WinId win = ctrlItemWin(item);
  append(item, setupPosOutputSetup, true, "Output Setup...");
  append(item, 2, true, "-");
  append(item, setupPosMidiChannel, true, "Midi Channel");
  append(item, 4, true, "-");
  append(item, setupPosProgramChange, true, "Enable ProgramChange");
  append(item, setupPosAutoBalance, true, "Auto Balance Channels");
  menuCheckItem(ctrlItemWin(item), item->id, setupPosProgramChange, appSwitches()->enableProgramChange != 0);
  menuCheckItem(ctrlItemWin(item), item->id, setupPosAutoBalance, mainWinGetAutoBalance(win) != 0);
  if (g_channelMenu) detachChannelMenu(item);
  g_channelMenu = popupCreate();
  if (!g_channelMenu) return;
  char label[8];
  for (int c = 1; c <= 16; ++c) {
    std::snprintf(label, sizeof label, "%d", c);
    popupAppend(g_channelMenu, static_cast<std::int16_t>(c), true, label);
  }
  popupAppend(g_channelMenu, setupChannelOmni, true, "Omni");
  const std::int16_t channel = midiGetReceiveChannel(d->engine);
  popupCheckItem(g_channelMenu, channel == -1 ? setupChannelOmni : (channel >= 0 && channel <= 15 ? channel + 1 : 0),
                 true);
  menuAttachSubmenu(ctrlItemWin(item), item->id, setupPosMidiChannel, g_channelMenu);
}

void mainWindowOnSetupPopup(ControlItem* item, std::int16_t popup, std::int16_t position) {
  MainWindowData* d = withEngine(item);
  if (!d) return;
  const WinId win = ctrlItemWin(item);
  if (popup != 0) {
    if (popup != g_channelMenu || position < 1 || position > setupChannelOmni) return;
    const std::int16_t channel = position == setupChannelOmni ? -1 : static_cast<std::int16_t>(position - 1);
    midiSetChannel(d->engine, channel, 1);
    appWriteInt("midiChan_01", channel);
    return;
  }
  switch (position) {
    case setupPosOutputSetup: outSetupOpen(win, d->engine); break;
    case setupPosProgramChange: cmdEnableProgramChange(); break;
    case setupPosAutoBalance: cmdAutoBalance(win); break;
    default: break;
  }
}
