// The pages of the main window and the protocol every page follows. Page n (2 Main, 3 Patch, 4 Wave,
// 5 Effect, 6 Envelope, 7 Lfo, 8 Midi) lives in nested pane n of the main window, with tab button
// n + 7 in the top strip. Each page has four operations, all taking the main window's id:
//   build(win)        creates the page's controls inside its pane; the main window's builder runs it
//                     once with the pane selected as the current item container;
//   show(win, on)     on: shows the page (building it first when needed), sets the window's size for
//                     the page where it has its own, sets the Edit menu's Undo and Paste items and the
//                     copy kind for the page (clipKinds.h), refreshes it; off: hides it;
//   isShown(win)      1 while the page is the shown one (0 for window 0);
//   refresh(win)      redraws every value of the page from the engine.
// The main window calls them through pageEntry(page); tests put recording stand-ins in the table.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

enum PageId {
  pageMain = 2,
  pagePatch = 3,
  pageWave = 4,
  pageEffect = 5,
  pageEnvelope = 6,
  pageLfo = 7,
  pageMidi = 8,
  pageFirst = pageMain,
  pageLast = pageMidi
};

// Panes of the editors' panels, made hidden by the main window's builder.
enum { paneWaveXform = 28, paneEnvTools = 29, paneEnvAdd = 30 };

typedef void (*PageBuildFn)(WinId win);
typedef void (*PageShowFn)(WinId win, std::uint8_t on);
typedef std::uint8_t (*PageShownFn)(WinId win);
typedef void (*PageRefreshFn)(WinId win);

struct PageEntry {
  PageBuildFn build;
  PageShowFn show;
  PageShownFn isShown;
  PageRefreshFn refresh;
};

// The operations of page 2..8; null for any other number.
const PageEntry* pageEntry(int page);
// Replaces the operations of page 2..8 (tests); pageResetEntries restores the program's own.
void pageSetEntry(int page, const PageEntry& entry);
void pageResetEntries();

// Helpers for page code: shows or hides pane `page` of the main window (and makes it current);
// answers whether the pane is visible.
void pageShowPane(WinId win, int page, std::uint8_t on);
std::uint8_t pagePaneShown(WinId win, int page);

// ---- Main page (pane pageMain)
void mainPageBuildEntry(WinId win);
void mainPageShow(WinId win, std::uint8_t on);
std::uint8_t mainPageIsShown(WinId win);
void mainPageRefreshEntry(WinId win);
void mainPageSelectPresetEntry(WinId win, std::uint16_t n);
void mainPageUpdateKeyboard(WinId win);
void mainPageSustainEntry(WinId win);
std::uint8_t mainPageStoreToActive(WinId win);
void mainPageBlinkStoreTo(WinId win);
void mainWinMarkRedraw(WinId win);
std::uint8_t mainPageGetExpanded(WinId win);
void mainPageSetExpandPending(WinId win, std::uint8_t flag);

// ---- Patch page (pane pagePatch)
void patchPageBuildEntry(WinId win);
void patchPageShow(WinId win, std::uint8_t on);
std::uint8_t patchPageIsShown(WinId win);
void patchPageRefreshEntry(WinId win);
void patchBalanceLevels(WinId win);
std::uint8_t mainWinGetAutoBalance(WinId win);
void mainWinSetAutoBalance(WinId win, std::uint8_t flag);

// ---- Wave page (pane pageWave)
void wavePageBuildEntry(WinId win);
void wavePageShow(WinId win, std::uint8_t on);
std::uint8_t wavePageIsShown(WinId win);
void waveEditRefreshSelector(WinId win);
void wavePageStartupCheck(WinId win);
void waveXformPanelBuild(WinId win);
void waveClipCopy(WinId win);
void waveClipPaste(WinId win);

// ---- Effect page (pane pageEffect)
void fxPageBuildEntry(WinId win);
void fxPageShow(WinId win, std::uint8_t on);
std::uint8_t fxPageIsShown(WinId win);
void fxPageRefreshEntry(WinId win);
std::uint8_t fxPageIsShownType1(WinId win);
void fxPipeGraphPaint(WinId win);

// ---- Envelope page (pane pageEnvelope)
void envPageBuildEntry(WinId win);
void envPageShow(WinId win, std::uint8_t on);
std::uint8_t envPageIsShown(WinId win);
void envPageUpdateEntry(WinId win);
void envPageIdleUpdate(WinId win);
void envPageSelect(WinId win);
void envPageLayoutEntry(WinId win);
void envClipCopy(WinId win);
void envClipPaste(WinId win);
void envAddWindowCreate(WinId win);
void envToolsPanelCreate(WinId win);

// ---- Lfo page (pane pageLfo)
void lfoPageBuildEntry(WinId win);
void lfoPageShow(WinId win, std::uint8_t on);
std::uint8_t lfoPageIsShown(WinId win);
void lfoPageRefreshEntry(WinId win);

// ---- Midi page (pane pageMidi)
void midiPageBuildEntry(WinId win);
void midiPageShow(WinId win, std::uint8_t on);
std::uint8_t midiPageIsShown(WinId win);
void midiPageRefreshEntry(WinId win);
void midiPagePeriodicRefresh(WinId win);
