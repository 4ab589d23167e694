// The Main page (page 2 of the main window): the preset grid with its groups, Store and Store to,
// the edit history, the preset header's boxes, the Tuning menu and the lower panel with the
// controller slots and the keyboard panel. Every operation takes the main window's id, makes it
// current and selects pane pageMain; every one does nothing without an engine in the window's user data.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

struct Engine;
struct Bank;

// The head of the main window's user data: the engine first, the bank second.
struct MainWindowHead {
  Engine* engine;
  Bank* bank;
};

// The page's own fields (one main window exists).
struct MainPageFields {
  uint16_t mode;  // lower-panel layout 4 or 5, other values none chosen yet
  uint8_t expanded;
  uint8_t expandPending;
  double storeToTime;
  uint8_t storeToActive;
  uint8_t storeToBlink;
  uint16_t bankTuningItem[128];
  uint16_t shownBend;
  uint16_t height;
  // page-wide state
  int16_t groupStart;
  int16_t groupShown;
  int16_t rows;
  uint16_t lowerPanelTop;
  uint8_t refreshPending;  // raised by mainPageMarkChanged and mainWinMarkRedraw
  int16_t tuningFactoryMenu, tuningBankMenu;
  int16_t lastSustainValue;
};

enum { mainPageId = 2, mainPageWidth = 650 };
enum { mainPageCollapsed = 199, mainPageTallMode4 = 356, mainPageTallMode5 = 413 };

MainPageFields* mainPageFields();
void mainPageResetFields();

// Page protocol.
void mainPageShow(WinId win, uint8_t on);
void mainPageBuildEntry(WinId win);
void mainPageRefreshEntry(WinId win);
uint8_t mainPageIsShown(WinId win);
void mainPageSelect(WinId win);

void mainPageSelectPresetEntry(WinId win, uint16_t n);
// Store (button 29): the playing sound into its own slot, the grid row renamed, the bank changed.
void mainPageStoreEntry(WinId win);
void mainPageSustainEntry(WinId win);
void mainPageUpdateKeyboard(WinId win);
uint8_t mainPageStoreToActive(WinId win);
void mainPageBlinkStoreTo(WinId win);
void mainPageSelectMode(WinId win, int16_t mode);
void mainPageRefreshTuningEntry(WinId win);
void mainPageMarkChanged(WinId win);
void mainWinMarkRedraw(WinId win);
uint8_t mainPageGetExpanded(WinId win);
void mainPageSetExpandPending(WinId win, uint8_t flag);
void mainPageSetExpanded(WinId win, uint8_t flag);
void presetGridShowGroup(WinId win, int16_t n);
void presetGridUpdateRow(WinId win, int16_t n);

// Shared between the page's files.
Engine* mainPageEngine(WinId win);
Bank* mainPageBank(WinId win);
bool mainPageEnter(WinId win);  // current window, pane pageMain selected; false without an engine
void mainPageBuildTuningSelector(WinId win);
void mainPageBuildKeyboardPanel(WinId win);
void mainPageWheelDraw(WinId win);
void mirrorToWindowData(WinId win);
