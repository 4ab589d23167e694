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

typedef void (*PageBuildFn)(std::uint16_t win);
typedef void (*PageShowFn)(std::uint16_t win, std::uint8_t on);
typedef std::uint8_t (*PageShownFn)(std::uint16_t win);
typedef void (*PageRefreshFn)(std::uint16_t win);

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
void pageShowPane(std::uint16_t win, int page, std::uint8_t on);
std::uint8_t pagePaneShown(std::uint16_t win, int page);

// ---- Main page (pane pageMain)
void mainPageBuildEntry(std::uint16_t win);
void mainPageShow(std::uint16_t win, std::uint8_t on);
std::uint8_t mainPageIsShown(std::uint16_t win);
void mainPageRefreshEntry(std::uint16_t win);
void mainPageSelectPresetEntry(std::uint16_t win, std::uint16_t n);
void mainPageUpdateKeyboard(std::uint16_t win);
void mainPageSustainEntry(std::uint16_t win);
std::uint8_t mainPageStoreToActive(std::uint16_t win);
void mainPageBlinkStoreTo(std::uint16_t win);
void mainWinMarkRedraw(std::uint16_t win);
std::uint8_t mainPageGetExpanded(std::uint16_t win);
void mainPageSetExpandPending(std::uint16_t win, std::uint8_t flag);

// ---- Patch page (pane pagePatch)
void patchPageBuildEntry(std::uint16_t win);
void patchPageShow(std::uint16_t win, std::uint8_t on);
std::uint8_t patchPageIsShown(std::uint16_t win);
void patchPageRefreshEntry(std::uint16_t win);
void patchBalanceLevels(std::uint16_t win);
std::uint8_t mainWinGetAutoBalance(std::uint16_t win);
void mainWinSetAutoBalance(std::uint16_t win, std::uint8_t flag);

// ---- Wave page (pane pageWave)
void wavePageBuildEntry(std::uint16_t win);
void wavePageShow(std::uint16_t win, std::uint8_t on);
std::uint8_t wavePageIsShown(std::uint16_t win);
void waveEditRefreshSelector(std::uint16_t win);
void wavePageStartupCheck(std::uint16_t win);
void waveXformPanelBuild(std::uint16_t win);
void waveClipCopy(std::uint16_t win);
void waveClipPaste(std::uint16_t win);

// ---- Effect page (pane pageEffect)
void fxPageBuildEntry(std::uint16_t win);
void fxPageShow(std::uint16_t win, std::uint8_t on);
std::uint8_t fxPageIsShown(std::uint16_t win);
void fxPageRefreshEntry(std::uint16_t win);
std::uint8_t fxPageIsShownType1(std::uint16_t win);
void fxPipeGraphPaint(std::uint16_t win);

// ---- Envelope page (pane pageEnvelope)
void envPageBuildEntry(std::uint16_t win);
void envPageShow(std::uint16_t win, std::uint8_t on);
std::uint8_t envPageIsShown(std::uint16_t win);
void envPageUpdateEntry(std::uint16_t win);
void envPageIdleUpdate(std::uint16_t win);
void envPageSelect(std::uint16_t win);
void envPageLayoutEntry(std::uint16_t win);
void envClipCopy(std::uint16_t win);
void envClipPaste(std::uint16_t win);
void envAddWindowCreate(std::uint16_t win);
void envToolsPanelCreate(std::uint16_t win);

// ---- Lfo page (pane pageLfo)
void lfoPageBuildEntry(std::uint16_t win);
void lfoPageShow(std::uint16_t win, std::uint8_t on);
std::uint8_t lfoPageIsShown(std::uint16_t win);
void lfoPageRefreshEntry(std::uint16_t win);

// ---- Midi page (pane pageMidi)
void midiPageBuildEntry(std::uint16_t win);
void midiPageShow(std::uint16_t win, std::uint8_t on);
std::uint8_t midiPageIsShown(std::uint16_t win);
void midiPageRefreshEntry(std::uint16_t win);
void midiPagePeriodicRefresh(std::uint16_t win);
