// The Envelope page (pane pageEnvelope of the main window): the list of the preset's envelopes with its filter,
// a column of breakpoint graph rows (envItemGraphFirst..envItemGraphLast) under a time ruler with a time and a row
// scrollbar, and above them the settings of the selected envelope and the fields of its selected
// breakpoints. Every operation takes the main window's id first, makes the window current and
// selects the page's pane; without the window's data or engine it does nothing.
// Every item id, picture and cursor of the page is named here.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "pages/pages.h"

struct Engine;
struct EnvelopeView;

enum { envPaneId = 6, envPaneItems = 120 };

// Items of the page (pane coordinates in the comments).
enum EnvPageItem : std::uint16_t {
  envItemGraphBack = 1,   // graph background below the last shown row
  envItemBackHolder = 3,  // holds envItemBackground and envItemGraphBack
  envItemBackground = 4,  // page background
  envItemSections = 7,    // setting sections (shown with the selected envelope)
  envItemSectionsInner = 8,
  envItemLfoSection = 9,
  envItemCcSection = 10,
  envItemLfoHolder = 11,
  envItemCcHolder = 12,
  envItemLinkSection = 13,
  envItemBpSection = 14,
  envItemGraphFirst = 16,  // graph rows 16..38
  envItemGraphLast = 38,
  envItemGraphEnd = 39,  // the row operations run over 16..39 and skip ids without an item
  envItemTimeScroll = 41,
  envItemRowScroll = 42,
  envItemLfoSwitch = 43,
  envItemCcSwitch = 44,
  envItemLfoBpFields = 45,
  envItemCcBpFields = 46,
  envItemSizeWider = 47,
  envItemSizeNarrower = 48,
  envItemSizeTaller = 49,
  envItemSizeLower = 50,
  envItemSizeBigger = 51,
  envItemSizeSmaller = 52,
  envItemEnable = 53,
  envItemSync = 54,
  envItemTimeForm = 55,
  envItemLevelForm = 56,
  envItemStep = 57,
  envItemLfoSampleHold = 58,
  envItemLfoPhase = 59,
  envItemLfoWave = 60,
  envItemBpDepth = 61,
  envItemBpLfoSeconds = 62,
  envItemBpShSeconds = 63,
  envItemBpTimeCc = 64,
  envItemBpAmpCc = 65,
  envItemTimeCcLabel = 66,
  envItemAmpCcLabel = 67,
  envItemBpAmpScale = 68,
  envItemBpTimeScale = 69,
  envItemLinkSource = 70,
  envItemLinkTime = 71,
  envItemLinkAmp = 72,
  envItemLinkOffset = 73,
  envItemLinkSlope = 74,
  envItemControlSource = 75,
  envItemFrameList = 77,
  envItemFrameListLeft = 78,
  envItemAddEnvelope = 79,
  envItemFilter = 80,
  envItemGridStep = 81,
  envItemFreeTime = 83,
  envItemGrid = 84,
  envItemBeats = 86,
  envItemBpSegTime = 87,
  envItemBpAbsTime = 88,
  envItemBpLevelPercent = 89,
  envItemBpLevelUnits = 90,
  envItemBpSlope = 91,
  envItemMode = 92,
  envItemMenu = 93,
  envItemDestName = 94,
  envItemRuler = 95,
  envItemRowStrip = 96,
  envItemFrameFirst = 97,  // page frame 97..104
  envItemFrameLeft = 97,
  envItemFrameBottomLeft = 98,
  envItemFrameBottomMid = 99,
  envItemFrameBottom = 100,
  envItemFrameBottomRight = 101,
  envItemFrameRight = 102,
  envItemFrameTopRight = 103,
  envItemFrameTop = 104,
  envItemList = 105
};

// Pictures (bitmap ids) of the page's skin.
enum EnvPagePicture : std::int32_t {
  envPicEnableSwitch = 1480,
  envPicSyncSwitch = 1488,
  envPicBackground = 1500,
  envPicFrameTop = 1501,
  envPicFrameList = 1502,
  envPicFrameListLeft = 1503,
  envPicFrameLeft = 1504,  // frames 97..103 take 1504..1510
  envPicRowStrip = 1512,
  envPicFreeTime = 1516,
  envPicAddEnvelope = 1524,
  envPicSourceButton = 1532,
  envPicGridSwitch = 1540,
  envPicLfoSwitch = 1548,
  envPicCcSwitch = 1556,
  envPicControlSource = 1564,
  envPicCcSection = 1574,
  envPicBpSection = 1575,
  envPicLfoBpFields = 1576,
  envPicCcBpFields = 1577,
  envPicLinkSection = 1580,
  envPicList = 1582,
  envPicFormButton = 1588,
  envPicMenu = 1600,
  envPicFilterPopup = 1602,
  envPicSizeButton = 1608,
  envPicLfoSampleHold = 440,
  envPicScrollHorizontal = 2500,
  envPicScrollVertical = 2516
};

// Cursors over a row's sustain flag and loop bracket.
enum { envCursorSustain = 143, envCursorLoop = 145 };

// Layout: pane top in the window, the graph area's top in pane coordinates, the rows' left edge.
enum { envGraphTopInPane = 160, envGraphAreaOffset = 232, envGraphLeft = 165, envRowTop0 = 160 };

// ---- Page protocol (the shell's page table calls these through pages.h)
void envPageBuild(WinId win);
void envPageLayout(WinId win);
void envPageRefresh(WinId win);
void envPageUpdateScrollSpan(WinId win);
void envPageMarkChanged(WinId win);
std::int16_t envPageGetWidth(WinId win);
std::int16_t envPageGetHeight(WinId win);
void envPageSetWidth(WinId win, std::int16_t w);
void envPageSetHeight(WinId win, std::int16_t h);
void envPageSetSelectedSlot(WinId win, std::int16_t slot);
std::int16_t envPageGetSelectedSlot(WinId win);
void envPageSetAddedSlot(WinId win, std::int16_t slot);
// Selects pane pageEnvelope as the window's item container (every page item lives there).
void envSelectPane(WinId win);
// Makes the window current and selects pane pageEnvelope; false without the window's data or engine.
bool envPageBegin(WinId win);
// The page's view and engine with the selected slot, after envPageBegin; `ok` when the page began and
// a slot is selected.
struct EnvPageContext {
  EnvelopeView* v = nullptr;
  Engine* e = nullptr;
  std::int16_t slot = -1;
  bool ok = false;
};
EnvPageContext envPageContext(WinId win);

// ---- Envelope list (list 105) and its filter (popup 80)
enum EnvFilterItem {
  envFilterAll = 1,
  envFilterNone = 2,
  envFilterChannel1 = 4,
  envFilterChannel2 = 5,
  envFilterChannel3 = 6,
  envFilterMaster = 7,
  envFilterOscil = 9,
  envFilterFilter = 10,
  envFilterMod = 11,
  envFilterWaveshape = 12,
  envFilterEffect = 13
};
void envPageFillList(WinId win);
// Refills popup 70 (link master) from the list's rows and marks the selected envelope's master.
void envListFillLinkSource(WinId win);
void envListKeepSelection(WinId win);
bool envListIsSlotSelected(WinId win, std::int16_t slot);
void envListRebindGraphs(WinId win);
void envListOnSelect(ControlItem* item);
void envListFillFilterMenu(ControlItem* item, std::int32_t opening);
void envListOnFilter(ControlItem* item, std::int16_t menu, std::int16_t entry);
// Whether a slot of that destination kind and owner passes filter entry `entry`.
bool envFilterPasses(std::int16_t entry, std::int16_t destKind, std::int16_t owner);
// Number of selected rows among the filled rows of list 105.
int envListSelectedCount(WinId win);
// The program-wide first-time selection flag (1 at start).
void envListSetFirstTime(std::uint8_t on);

// ---- Callbacks of the frame
void envPageOnSizeButton(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envPageOnScroll(ControlItem* item, std::int16_t part, double position);
