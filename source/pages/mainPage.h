// The Main page (page 2 of the main window): the preset grid with its groups, Store and Store to,
// the edit history, the preset header's boxes, the Tuning menu and the lower panel with the
// controller slots and the keyboard panel. Every operation takes the main window's id, makes it
// current and selects pane pageMain; every one does nothing without an engine in the window's user data.
#pragma once
#include <cstdint>

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
void mainPageShow(uint16_t win, uint8_t on);
void mainPageBuildEntry(uint16_t win);
void mainPageRefreshEntry(uint16_t win);
uint8_t mainPageIsShown(uint16_t win);
void mainPageSelect(uint16_t win);

void mainPageSelectPresetEntry(uint16_t win, uint16_t n);
// Store (button 29): the playing sound into its own slot, the grid row renamed, the bank changed.
void mainPageStoreEntry(uint16_t win);
void mainPageSustainEntry(uint16_t win);
void mainPageUpdateKeyboard(uint16_t win);
uint8_t mainPageStoreToActive(uint16_t win);
void mainPageBlinkStoreTo(uint16_t win);
void mainPageSelectMode(uint16_t win, int16_t mode);
void mainPageRefreshTuningEntry(uint16_t win);
void mainPageMarkChanged(uint16_t win);
void mainWinMarkRedraw(uint16_t win);
uint8_t mainPageGetExpanded(uint16_t win);
void mainPageSetExpandPending(uint16_t win, uint8_t flag);
void mainPageSetExpanded(uint16_t win, uint8_t flag);
void presetGridShowGroup(uint16_t win, int16_t n);
void presetGridUpdateRow(uint16_t win, int16_t n);

// Shared between the page's files.
Engine* mainPageEngine(uint16_t win);
Bank* mainPageBank(uint16_t win);
bool mainPageEnter(uint16_t win);  // current window, pane pageMain selected; false without an engine
void mainPageBuildTuningSelector(int16_t win);
void mainPageBuildKeyboardPanel(int16_t win);
void mainPageWheelDraw(int16_t win);
void mirrorToWindowData(uint16_t win);
