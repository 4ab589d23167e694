#include "app/mainWindow.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "UIAKeys.h"
#include "app/aboutBox.h"
#include "app/appCommands.h"
#include "app/appSettings.h"
#include "app/appWindowIds.h"
#include "app/appWindows.h"
#include "app/mainWindowPopups.h"
#include "app/recordWindow.h"
#include "app/synthApp.h"
#include "audioPath/recorder.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/editBox.h"
#include "controls/inputState.h"
#include "controls/levelMeter.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/numeric.h"
#include "envelope/envFields.h"
#include "pages/pages.h"
#include "preset/bank.h"
#include "preset/presetCopy.h"
#include "preset/presetHeader.h"
#include "skinBitmaps.h"

namespace {

std::int16_t g_currentMain = 0;
int g_shownPage = 0;
int g_tabRedraws = 0;
std::int16_t g_heldSustain = -1;  // controller 64 as seen by the previous page update

// The pane that holds the sound: its Cancel (null while none holds it) and the sound's edited state
// before it opened. The last press: whether a pane held the sound before its items saw it (then it
// marks nothing, even when it closed the pane), and whether it marked an unedited sound edited (a pane
// the click opens takes the sound as unedited).
PaneCancelRoutine g_holdCancel = nullptr;
bool g_editedBeforeHold = false;
bool g_heldAtPress = false;
bool g_pressMarked = false;

// Pane item count of each page 2..8, and of the editors' panels 28..30.
const std::uint16_t kPaneItems[7] = {156, 294, 28, 213, 106, 162, 79};
const int kTabX[7] = {190, 235, 278, 321, 364, 407, 450};
const int kTabSrcX[7] = {0, 45, 88, 131, 174, 217, 260};
const int kTabBitmap = 1708;
const int kStripBitmap = 1700;
const int kStripEndBitmap = 1701;
const int kMeterBitmap = 1744;

MainWindowData* dataOf(WinId id) { return mainWindowData(id); }

void selectOwn(WinId id) {
  winSetCurrent(id);
  winSelectPort(id, nullptr);
}

ButtonData* tabData(std::int16_t id, std::uint16_t tab) {
  ControlItem* item = ctrlFindKind(id, tab, kindButton);
  return item ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
}

// Sets a tab's on state and drawable flag and takes its frame (state row x 8 + on, + 2 when not
// drawable); the tab is redrawn only when its look changed, or when `redraw` asks for it.
void tabSetLook(std::int16_t id, std::uint16_t tab, bool on, bool drawable, bool redraw = false) {
  ButtonData* d = tabData(id, tab);
  if (!d || !d->pictures) return;
  ControlItem* item = d->item;
  const bool drawableChanged = (item->drawable != 0) != drawable;
  if (drawableChanged) ctrlSetDrawable(id, tab, drawable ? 1 : 0);
  const int look = d->state * 8 + (on ? 1 : 0) + (drawable ? 0 : 2);
  const std::int16_t picture = static_cast<std::int16_t>(d->pictures[look] ? d->pictures[look] : d->pictures[0]);
  const bool changed = drawableChanged || (d->pressed != 0) != on || d->picture != picture;
  d->pressed = on ? 1 : 0;
  d->picture = picture;
  if (!changed && !redraw) return;
  ++g_tabRedraws;
  ctrlRedraw(id, tab);
}

void onTabButton(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  mainWindowShowPage(win, item->id - 7);
}

void onAboutButton(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item) return;
  appShowAbout(item->windowId);
}

void onPresetNameEdited(ControlItem* item) {
  if (!item) return;
  const WinId win = item->windowId;
  MainWindowData* d = dataOf(win);
  if (!d || !d->engine) return;
  char name[34] = {};
  displayGetText(win, mainItemPresetName, name, sizeof name);
  name[33] = 0;
  displaySetText(win, mainItemPresetName, name);
  patchSetName(d->engine, name);
  engineSetModified(d->engine);
}

void presetNameEntryDone(ControlItem* item, const char* text) { displayEntryStore(item, text); }

void onKey(std::int16_t id, std::uint32_t key) {
  MainWindowData* d = dataOf(id);
  if (!d || !d->engine || editBoxIsActive()) return;
  const int current = d->engine->header.slot;
  int next = -1;
  switch (key) {
    case kKeyUp: next = current - 1; break;
    case kKeyDown: next = current + 1; break;
    case kKeyLeft: next = current - 4; break;
    case kKeyRight: next = current + 4; break;
    default: return;
  }
  if (next < 0 || next > 127) return;  // no preset beyond either end of the bank
  mainPageSelectPresetEntry(id, static_cast<std::uint16_t>(next));
}

void onWindowEvent(std::int16_t id, std::uint32_t code, void* data) {
  MainWindowData* d = dataOf(id);
  if (!d || !d->engine) return;
  const WinId win = id;
  if (code == winEvMouseButton) {
    // A press on a page other than the Main page marks the sound edited (the release adds nothing),
    // unless a pane held the sound when it came or holds it now: its OK or Cancel decides.
    const InputMouseEvent* ev = static_cast<const InputMouseEvent*>(data);
    if (ev && ev->action == 2) return;
    if (mainPageIsShown(win) || g_heldAtPress || g_holdCancel || engineIsModified(d->engine)) return;
    engineSetModified(d->engine);
    g_pressMarked = true;
  } else if (code == winEvKeyDown) {
    if (mainPageIsShown(win) && data) onKey(id, static_cast<UiaKeyEvent*>(data)->key & 0xFFFF);
  } else if (code == winEvSize) {
    if (envPageIsShown(win)) {
      envPageSelect(win);
      envPageLayoutEntry(win);
    }
  }
}

// The shown page's fields from the sound as a holding pane leaves it: its OK or Cancel rewrote the
// sound behind them. The Envelope page's own full refresh would also rebuild its rows (losing their
// scroll and the selected breakpoint) where the fields are all that can be stale: the pane redraws the
// graphs itself. The container selected before stays selected for the pane's own closing steps.
void refreshPageFields(std::int16_t id) {
  WinSlot* slot = winSlot(id);
  if (!slot) return;
  ItemPort* saved = slot->currentPort;
  if (g_shownPage == pageEnvelope)
    envPageRefreshSettings(id);
  else if (const PageEntry* page = pageEntry(g_shownPage))
    page->refresh(id);
  winSetCurrent(id);
  winSelectPort(id, saved);
}

// A meter level from a peak: the square root (levels read as amplitudes), hostile values as 0.
float meterLevel(float peak) {
  if (!(peak > 0.0f)) return 0.0f;
  if (peak > 4.0f) peak = 4.0f;
  return std::sqrt(peak);
}

// The decay of a peak written back for the audio thread; tiny values end at 0 rather than going
// through the denormal range.
float decayed(float peak) {
  if (!(peak > 1e-9f)) return 0.0f;
  const float next = peak * 0.85f;
  return next > 1e-9f ? next : 0.0f;
}

}  // namespace

std::int16_t mainWindowCurrentId() { return g_currentMain; }
int mainWindowShownPage(std::int16_t) { return g_shownPage; }
int mainWindowTabRedraws() { return g_tabRedraws; }

void pageSetDrawDefaults() {
  static const CtrlRgb black = {0, 0, 0};
  static const CtrlRgb white = {255, 255, 255};
  selectorSetDefaultFontSize(9);
  selectorSetDefaultColors(&black, &black, &white, &black);
  buttonSetDefaultCaptionColor(colorBlack());
  displaySetDefaultFontSize(9);
  displaySetDefaultColors(colorBlack(), colorWhite());
}

void mainWindowBuild(std::int16_t id, Engine* engine, Bank* bank) {
  g_currentMain = id;
  g_shownPage = 0;
  g_heldSustain = -1;
  g_holdCancel = nullptr;  // a new window: no pane holds the sound
  g_heldAtPress = g_pressMarked = false;
  if (!engine || !bank || !winSlot(id)) return;
  WinSavedDC batch;
  winAcquireDrawContext(id, &batch);
  pageSetDrawDefaults();

  MainWindowData* d = static_cast<MainWindowData*>(std::calloc(1, sizeof(MainWindowData)));
  if (d) {
    mainWindowDataInit(d, engine, bank, appReadInt("autoBalance", 1) != 0 ? 1 : 0);
    winSetUserData(id, d);
    mainWindowDataSetOwner(id, d);
  }
  winSetCallback(id, onWindowEvent);
  winSetNoMove(id, 1);
  winSelectPort(id, nullptr);
  selectorSetDefaultBitmap(bmpPopupSelectorFrameLeft);
  winSetCurrent(id);

  pictureCreate(id, mainItemBackground, 0, 0, 0, 0, 0, kStripBitmap, nullptr);
  for (int k = 0; k < 7; ++k)
    buttonCreate(id, static_cast<std::uint16_t>(mainItemFirstTab + k), kTabX[k], 11, k == 0 ? 44 : 43, 39, kTabSrcX[k],
                 0, buttonActOnPress | buttonRadio, kTabBitmap, "", 1, 0, 1, onTabButton);
  buttonCreate(id, mainItemAbout, 589, 23, 36, 30, 589, 23, buttonNoMasks | buttonImmediate, kStripBitmap, "", 1, 0, 1,
               onAboutButton);
  // The right end of the strip: made at its full size, then asked for once more at the same place,
  // which finds the id taken and leaves the first one as it is (nothing acquired twice).
  framePictureCreateEx(id, mainItemStripEnd, 648, 0, 1200, 72, pictureFill, kStripEndBitmap, 1, nullptr);
  framePictureCreate(id, mainItemStripEnd, 648, 0, pictureFill, kStripEndBitmap, 1, nullptr);

  pageSetDrawDefaults();
  displayCreate(id, mainItemBankName, 196, 51, 120, "Untitled bank", 0, 0, 0, nullptr, nullptr);
  displayCreate(id, mainItemPresetName, 348, 51, 139, "Untitled Preset", 0, displayTakesMouse, 0, onPresetNameEdited,
                presetNameEntryDone);
  displayCreate(id, mainItemPresetNumber, 325, 51, 21, "0", 0, 0, 1, nullptr, nullptr);
  pageSetDrawDefaults();
  mainWindowCreatePopups(id);
  LevelMeter::create(id, mainItemLoadMeter, 505, 12, kMeterBitmap);
  LevelMeter::create(id, mainItemInputMeter, 520, 12, kMeterBitmap);
  LevelMeter::setBarCount(id, mainItemInputMeter, 6);
  LevelMeter::create(id, mainItemOutputMeter, 547, 12, kMeterBitmap);
  LevelMeter::setBarCount(id, mainItemOutputMeter, 8);

  // The Main page's pane (pageMain) at once, then the other panes, then the editors' panels.
  paneCreate(id, pageMain, 0, mainStripHeight, 0, kPaneItems[0], 0);
  winSelectPane(id, pageMain);
  if (const PageEntry* e = pageEntry(pageMain)) e->build(id);
  winSelectPort(id, nullptr);
  for (int page = pagePatch; page <= pageLast; ++page) {
    paneCreate(id, static_cast<std::uint16_t>(page), 0, mainStripHeight, 0, kPaneItems[page - pageFirst], 0);
    winSelectPort(id, nullptr);
  }
  paneCreate(id, paneWaveXform, 158, 1, 0, 31, 0);
  winSelectPort(id, nullptr);
  paneCreate(id, paneEnvAdd, 129, 1, 0, 10, 0);
  winSelectPort(id, nullptr);
  paneCreate(id, paneEnvTools, 129, 1, 0, 24, 0);
  winSelectPort(id, nullptr);
  for (int pane : {static_cast<int>(paneWaveXform), static_cast<int>(paneEnvAdd), static_cast<int>(paneEnvTools)})
    ctrlShow(id, static_cast<std::uint16_t>(pane), 0);
  winSelectPane(id, paneWaveXform);
  waveXformPanelBuild(id);
  winSelectPane(id, paneEnvAdd);
  envAddWindowCreate(id);
  winSelectPane(id, paneEnvTools);
  envToolsPanelCreate(id);
  winSelectPort(id, nullptr);

  // The other pages, each built into its pane.
  for (int page = pagePatch; page <= pageLast; ++page) {
    winSelectPane(id, static_cast<std::uint16_t>(page));
    if (const PageEntry* e = pageEntry(page)) e->build(id);
  }
  winSelectPort(id, nullptr);
  mainWinSetAutoBalance(id, appReadInt("autoBalance", 1) != 0 ? 1 : 0);
  winSetNoMove(id, 0);

  mainWindowShowPage(id, pageMain);
  selectOwn(id);
  tabSetLook(id, mainItemFirstTab, true, true);
  // The Wave tab is drawable whatever a page builder left it as.
  tabSetLook(id, mainItemFirstTab + 2, false, true);
  winReleaseDrawContext(id, &batch);
}

void mainWindowShowPage(std::int16_t id, int page) {
  MainWindowData* d = dataOf(id);
  if (!d) return;
  selectOwn(id);
  g_currentMain = id;
  if (page >= pageFirst && page <= pageLast) {
    if (d->pagesVisited == 0 && page != pageMain) d->pagesVisited = 1;
    const WinId win = id;
    if (const PageEntry* e = pageEntry(page)) e->show(win, 1);
    // The others hide in page order; the Midi page goes first when the Envelope page is chosen.
    if (page == pageEnvelope) pageEntry(pageMidi)->show(win, 0);
    for (int other = pageFirst; other <= pageLast; ++other) {
      if (other == page || (page == pageEnvelope && other == pageMidi)) continue;
      pageEntry(other)->show(win, 0);
    }
    const bool switched = g_shownPage != page;
    g_shownPage = page;
    selectOwn(id);
    // The new page's tab is drawn anew on a switch: a clicked tab has taken its lit look by itself,
    // so its look does not change here, and what it drew while the page it leaves was up (the
    // Envelope page's) does not always stay on screen.
    for (int p = pageFirst; p <= pageLast; ++p) {
      const std::uint16_t tab = static_cast<std::uint16_t>(p + 7);
      ControlItem* item = ctrlFind(id, tab);
      if (item) tabSetLook(id, tab, p == page, item->drawable != 0, switched && p == page);
    }
    // The whole page area is painted again, background first: a page that covers less than the one
    // before (or nothing yet), or a window that grew, leaves nothing of the previous page on screen.
    const CtrlRect pageArea = {0, mainStripHeight, 9000, 9000};
    winInvalidateRectErased(id, &pageArea);
  }
  const CtrlRect right = {650, 0, 6000, 72};
  winInvalidateRect(id, &right);
}

void mainWindowInvalidateTop(std::int16_t id) {
  const CtrlRect top = {0, 0, 9000, 72};
  winInvalidateRect(id, &top);
}

void mainWindowEnablePageTabs(std::int16_t id, bool enabled) {
  if (!dataOf(id)) return;
  selectOwn(id);
  for (int page = pageFirst; page <= pageLast; ++page) ctrlSetDrawable(id, static_cast<std::uint16_t>(page), enabled);
  for (int page = pageFirst; page <= pageLast; ++page) {
    const std::uint16_t tab = static_cast<std::uint16_t>(page + 7);
    ControlItem* item = ctrlFind(id, tab);
    if (!item || (item->drawable != 0) == enabled) continue;
    tabSetLook(id, tab, page == g_shownPage, enabled);
    if (enabled) itemInvalidate(item);
  }
}

void mainWindowBeforeMouseButton(std::int16_t id, const void* event) {
  const InputMouseEvent* ev = static_cast<const InputMouseEvent*>(event);
  MainWindowData* d = dataOf(id);
  if (!d || (ev && ev->action == 2)) return;
  g_heldAtPress = g_holdCancel != nullptr;
  g_pressMarked = false;
}

void mainWindowHoldSound(std::int16_t id, PaneCancelRoutine cancel) {
  if (!cancel) return;
  if (!g_holdCancel) {
    // Opened by a click whose press marked the sound: unedited before it.
    MainWindowData* d = dataOf(id);
    g_editedBeforeHold = d && d->engine && engineIsModified(d->engine) && !g_pressMarked;
    mainWindowEnablePageTabs(id, false);
  }
  g_holdCancel = cancel;
  appUpdateCommandStates();
}

void mainWindowReleaseSound(std::int16_t id, bool kept) {
  if (!g_holdCancel) return;
  g_holdCancel = nullptr;
  mainWindowEnablePageTabs(id, true);
  if (MainWindowData* d = dataOf(id); d && d->engine) {
    if (kept || g_editedBeforeHold)
      engineSetModified(d->engine);
    else
      engineClearModified(d->engine);
  }
  appUpdateCommandStates();
  refreshPageFields(id);
}

bool mainWindowSoundHeld(std::int16_t) { return g_holdCancel != nullptr; }

void mainWindowMarkEdited(std::int16_t id) {
  MainWindowData* d = dataOf(id);
  if (!d || !d->engine) return;
  engineSetModified(d->engine);
  // The pane puts back only what it holds: this edit stays, and so does the mark.
  if (g_holdCancel) g_editedBeforeHold = true;
}

void mainWindowCancelHoldingPane(std::int16_t id) {
  if (g_holdCancel) g_holdCancel(id);
  // A pane whose Cancel did not close it lets go all the same: whatever follows may replace the sound.
  mainWindowReleaseSound(id, false);
}

void mainWindowUpdateBankName(std::int16_t id) {
  MainWindowData* d = dataOf(id);
  if (!d || !d->bank) return;
  selectOwn(id);
  displaySetText(id, mainItemBankName, appBankShownName(d->bank).c_str());
}

void mainWindowUpdateTitle(std::int16_t id) {
  MainWindowData* d = dataOf(id);
  if (!d || !d->engine) return;
  char number[16];
  std::snprintf(number, sizeof number, "%d", static_cast<int>(d->engine->header.slot));
  selectOwn(id);
  displaySetText(id, mainItemPresetNumber, number);
  char name[35] = {};
  patchGetName(d->engine, name);
  selectOwn(id);
  displaySetText(id, mainItemPresetName, name);
}

void mainWindowRefreshAll(std::int16_t id) {
  MainWindowData* d = dataOf(id);
  if (!d || !d->engine) return;
  selectOwn(id);
  mainWindowUpdateBankName(id);
  mainWindowUpdateTitle(id);
  const WinId win = id;
  static const int kOrder[7] = {pageMain, pageWave, pagePatch, pageEnvelope, pageLfo, pageMidi, pageEffect};
  for (int page : kOrder) {
    const PageEntry* e = pageEntry(page);
    if (e && e->isShown(win)) {
      e->refresh(win);
      break;
    }
  }
  selectOwn(id);
}

void mainWindowUpdateMeters(std::int16_t id) {
  MainWindowData* d = dataOf(id);
  if (!d || !d->engine) return;
  Engine* e = d->engine;
  selectOwn(id);
  float load = e->loadDisplay;
  load = numClamp(load, 0.0f, 1.0f);
  LevelMeter::setLevels(id, mainItemLoadMeter, &load, 1, 1);
  e->loadDisplay = 0.0f;
  float levels[8];
  for (int k = 0; k < 8; ++k) {
    levels[k] = meterLevel(e->speakerPeaks[k]);
    e->speakerPeaks[k] = decayed(e->speakerPeaks[k]);
  }
  LevelMeter::setLevels(id, mainItemOutputMeter, levels, 8, 1);
  for (int k = 0; k < 6; ++k) {
    levels[k] = meterLevel(e->inputPeaks[k]);
    e->inputPeaks[k] = decayed(e->inputPeaks[k]);
  }
  LevelMeter::setLevels(id, mainItemInputMeter, levels, 6, 1);
}

void mainWindowFreeData(std::int16_t id) {
  // The window itself may be gone by now (closed by the user): its data is still the builder's.
  MainWindowData* d = mainWindowDataOwned();
  if (!d || id != g_currentMain) return;
  appWriteInt("autoBalance", d->autoBalance ? 1 : 0);
  if (winGetUserData(id) == d) winSetUserData(id, nullptr);
  mainWindowDataSetOwner(0, nullptr);
  std::free(d);
}

void appPageUpdate(WinId window, std::uint16_t, UiTimerRecord*) {
  const std::int16_t id = window;
  MainWindowData* d = dataOf(id);
  if (!d || !d->engine) return;
  Engine* e = d->engine;
  WinSavedDC batch;
  winAcquireDrawContext(id, &batch);
  winSetCurrent(id);
  if (wavePageIsShown(window)) wavePageStartupCheck(window);

  // A program change from MIDI: another preset is taken (the edit kept in the history first); the
  // preset that already plays only clears the request. Off, or while a pane holds the sound, the
  // request waits.
  const std::int16_t pending = e->requestedProgram;
  if (appSwitches()->enableProgramChange && pending >= 0 && !mainWindowSoundHeld(id)) {
    e->requestedProgram = -1;
    if (pending <= 127 && pending != e->header.slot) {
      editHistoryPush(id, e);
      bankSelectPreset(d->bank, e, pending);
      appSoundReplaced(id);
    }
  } else if (pending < -1 || pending > 127) {
    e->requestedProgram = -1;  // not a program number: dropped
  }

  const std::int16_t sustain = midiGetSourceValue(e, 64);
  if (midiReadNoteFlag(e, 0) || sustain != g_heldSustain) {
    mainPageUpdateKeyboard(window);
    g_heldSustain = sustain;
    midiPagePeriodicRefresh(window);
  }
  if (midiTakeChanged(e)) mainPageSustainEntry(window);
  mainWindowUpdateMeters(id);
  if (fxPageIsShownType1(window)) fxPipeGraphPaint(window);
  if (envPageIsShown(window)) envPageIdleUpdate(window);
  if (mainPageStoreToActive(window)) mainPageBlinkStoreTo(window);
  winReleaseDrawContext(id, &batch);
  appKeepOwnedWindowsAbove(id);
  // A recording the writer ended at the end of the buffer is finished here, on this thread.
  recServicePending();
  if (winSlot(appRecordWindowId) && recRefreshMarked()) {
    winAcquireDrawContext(appRecordWindowId, &batch);
    recWinUpdate(appRecordWindowId);
    winReleaseDrawContext(appRecordWindowId, &batch);
    winSetCurrent(id);
  }
}
