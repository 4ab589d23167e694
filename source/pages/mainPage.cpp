// The Main page: building, showing and refreshing, the preset grid and its groups, Store and Store to,
// the edit history, the header's number boxes and the two heights of the page.
#include "pages/mainPage.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/mainWindowData.h"
#include "app/pageShell.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/editBox.h"
#include "controls/inputState.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/stepRules.h"
#include "controls/textView.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "pages/clipKinds.h"
#include "pages/midiSlots.h"
#include "pages/pages.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/envelope.h"
#include "preset/presetCopy.h"
#include "preset/presetHeader.h"
#include "preset/undo.h"
#include "skinBitmaps.h"
#include "uiSeams/msgBox.h"

namespace {

MainPageFields g_page;

enum {
  idStrip = 1,
  idLower = 2,
  idKeyPanel = 3,
  idShort = 4,
  idTall = 5,
  idGrid = 11,
  idRestart = 18,
  idGroupFirst = 19,
  idStore = 29,
  idStoreTo = 30,
  idEdits = 31,
  idExpand = 32,
  idTuning = 36,
  idPoly = 39,
  idLevel = 40,
  idPan = 41,
  idTranspose = 42,
  idTempo = 43
};

const int16_t groupX[8] = {13, 58, 102, 146, 190, 233, 277, 323};
const int16_t groupW[8] = {45, 44, 44, 44, 44, 44, 45, 52};

// The tempo clock's range; the box accepts more, the clock does not.
const double tempoMin = 0.01, tempoMax = 1000.0;

int16_t currentPreset(Engine* engine) { return engine->header.slot; }

// A fresh preset's name, "default", is what the refresh renames "untitled": the grid names such a
// slot as the title will once it is chosen.
const char* shownPresetName(const char* name) { return std::strcmp(name, "default") == 0 ? "untitled" : name; }

void presetLine(Bank* bank, int16_t n, char* out, size_t size) {
  char name[patchNameLength + 1] = {0};
  if (bank) bankGetPresetName(bank, n, name);
  std::snprintf(out, size, "%d %s", n, shownPresetName(name));
}

void markBankChanged(Bank* bank) {
  if (bank) bank->changed = 1;
}

void gridRewrite(WinId win) {
  Engine* engine = mainPageEngine(win);
  Bank* bank = mainPageBank(win);
  g_page.groupShown = g_page.groupStart;
  textViewSelectLine(win, idGrid, -1);
  for (int16_t r = 0; r < 16; ++r) {
    int16_t n = static_cast<int16_t>(g_page.groupStart + r);
    char line[64];
    presetLine(bank, n, line, sizeof line);
    textViewSetLine(win, idGrid, r, line);
    if (n == currentPreset(engine)) textViewSelectLine(win, idGrid, r);
  }
}

void groupPressed(ControlItem* item, uint8_t, int16_t) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  presetGridShowGroup(win, static_cast<int16_t>(16 * (item->id - idGroupFirst)));
}

void storeInto(WinId win, int16_t n);

void gridClicked(ControlItem* item, int32_t line) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  Engine* engine = mainPageEngine(win);
  int32_t n = g_page.groupStart + line;
  if (n < 0 || n > 127 || n == currentPreset(engine)) return;
  if (g_page.storeToActive)
    storeInto(win, static_cast<int16_t>(n));
  else
    mainPageSelectPresetEntry(win, static_cast<uint16_t>(n));
}

void storePressed(ControlItem* item, uint8_t, int16_t) { mainPageStoreEntry(item->windowId); }

void storeToPressed(ControlItem* item, uint8_t, int16_t) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  int16_t w = win;
  if (g_page.storeToActive) {
    recButtonSetPressed(w, idStoreTo, 0);
    g_page.storeToActive = 0;
  } else {
    recButtonSetPressed(w, idStoreTo, 1);
    g_page.storeToTime = UiTimer::nowSeconds();
    g_page.storeToActive = 1;
    g_page.storeToBlink = 1;
  }
  markBankChanged(mainPageBank(win));
}

void storeInto(WinId win, int16_t n) {
  Engine* engine = mainPageEngine(win);
  Bank* bank = mainPageBank(win);
  if (!bank || n < 0 || n > 127) return;
  int16_t w = win;
  if (!bankSlotIsEmpty(bank, n)) {
    char name[patchNameLength + 1] = {0};
    bankGetPresetName(bank, n, name);
    char question[96];
    std::snprintf(question, sizeof question, "Are you sure you want to overwrite %s?", name);
    int answer = msgBox(0, question, msgBoxOkCancel | msgBoxIconExclamation);
    mainPageEnter(win);
    if (answer != msgAnswerOk) {
      gridRewrite(w);
      return;
    }
  }
  bankStorePreset(bank, engine, n);
  gridRewrite(w);
  g_page.storeToActive = 0;
  recButtonSetPressed(w, idStoreTo, 0);
  engineClearModified(engine);
}

void restartPressed(ControlItem* item, uint8_t, int16_t) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  engineRestart(mainPageEngine(win));
}

void expandPressed(ControlItem* item, uint8_t, int16_t) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  uint8_t state = buttonIsPressed(win, idExpand) ? 1 : 0;
  mainPageSetExpanded(win, state);
  g_page.expandPending = state;
}

// Edit history: the menu lists the remembered sounds newest first; a choice loads one.
void historyAppend(int menuItem, int entry, const char* name) {
  menuAppendItem(static_cast<int16_t>(menuItem >> 16), static_cast<uint16_t>(menuItem & 0xffff), entry, 1, name, 0);
}

void historyOpening(ControlItem* item, int32_t opening) {
  editHistorySetAppendRoutine(historyAppend);
  editHistoryFillMenu(static_cast<int>(item->windowId) << 16 | item->id, opening != 0);
}

void historyChosen(ControlItem* item, int16_t, int16_t entry) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  editHistoryRecall(mainPageEngine(win), entry);
  mainPageRefreshEntry(win);
}

// Header boxes.
void polyChanged(ControlItem* item, double v) {
  WinId win = item->windowId;
  if (inputIsButtonDown() || !mainPageEnter(win)) return;  // a drag applies once, on release
  Engine* engine = mainPageEngine(win);
  patchSetPolyphony(engine, static_cast<int32_t>(v));
  engineSetModified(engine);
}

void levelChanged(ControlItem* item, double v) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  Engine* engine = mainPageEngine(win);
  patchSetGain(engine, static_cast<float>(db6ToGain(v)));
  engineSetModified(engine);
}

void panChanged(ControlItem* item, double v) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  Engine* engine = mainPageEngine(win);
  patchSetPan(engine, static_cast<float>(v));
  engineSetModified(engine);
}

void transposeChanged(ControlItem* item, double v) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  Engine* engine = mainPageEngine(win);
  patchSetTranspose(engine, v);
  engineSetModified(engine);
}

void tempoChanged(ControlItem* item, double b) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  Engine* engine = mainPageEngine(win);
  // One tempo for the clock, the bar length and the envelope times: the clock's own range.
  b = numClamp(b, tempoMin, tempoMax);
  double old = tempoGetBpm(engine);
  engine->header.length = 60.0 / b * engine->header.beats * 44100.0;
  envScaleTimes(engine, old, b);
  tempoSetBpm(engine, b);
  numboxSetValue(win, idTempo, static_cast<float>(b));
  engineSetModified(engine);
}

void setBox(WinId win, uint16_t id, double v, double lo, double hi) {
  numboxSetValue(win, id, static_cast<float>(numClamp(v, lo, hi)));
}

}  // namespace

MainPageFields* mainPageFields() { return &g_page; }

// The main window's record keeps the page's state the shell reads (expanded, height, layout).
void mirrorToWindowData(WinId win) {
  MainWindowData* d = mainWindowData(win);
  if (!d) return;
  d->mainPageMode = g_page.mode;
  d->mainPageExpanded = g_page.expanded;
  d->mainPageExpandPending = g_page.expandPending;
  d->mainPageHeight = g_page.height;
  d->storeToActive = g_page.storeToActive;
  d->storeToBlink = g_page.storeToBlink;
  d->storeToTime = g_page.storeToTime;
  d->shownBend = g_page.shownBend;
  std::memcpy(d->bankTuningItem, g_page.bankTuningItem, sizeof d->bankTuningItem);
}

void mainPageResetFields() {
  std::memset(&g_page, 0, sizeof g_page);
  g_page.mode = 5;
  g_page.expandPending = 1;
  g_page.shownBend = 64;
  g_page.height = mainPageTallMode4;
  g_page.groupShown = -1;
  g_page.rows = 16;
  g_page.lowerPanelTop = 115;
}

Engine* mainPageEngine(WinId win) {
  MainWindowHead* head = static_cast<MainWindowHead*>(winGetUserData(win));
  return head ? head->engine : nullptr;
}

Bank* mainPageBank(WinId win) {
  MainWindowHead* head = static_cast<MainWindowHead*>(winGetUserData(win));
  return head ? head->bank : nullptr;
}

bool mainPageEnter(WinId win) {
  if (!mainPageEngine(win)) return false;
  winSetCurrent(win);
  winSelectPane(win, mainPageId);
  return true;
}

void mainPageSelect(WinId win) {
  winSetCurrent(win);
  winSelectPane(win, mainPageId);
}

void mainPageBuildEntry(WinId win) {
  if (!mainPageEnter(win)) return;
  int16_t w = win;
  // The main window's record holds the page's starting state; the page-wide values start afresh.
  if (MainWindowData* d = mainWindowData(w)) {
    mainPageResetFields();
    g_page.mode = d->mainPageMode;
    g_page.expanded = d->mainPageExpanded;
    g_page.expandPending = d->mainPageExpandPending;
    g_page.height = d->mainPageHeight;
    g_page.shownBend = d->shownBend;
    midiPageResetSlots();
  }
  paneSetOption(w, mainPageId, 1);
  ctrlSetGroupMode(w, 1);
  const CtrlRgb white = {255, 255, 255}, black = {0, 0, 0};
  displaySetDefaultColors(&white, &black);
  selectorSetDefaultFontSize(9);
  displaySetDefaultFontSize(9);

  pictureCreate(w, idStrip, 0, 0, 0, 0, 0, bmpMainPageUpperStripGroupAndStoreButtonsPresetGrid, nullptr);
  buttonPlace(w, idExpand, 15, 96, buttonActOnPress | buttonToggle | buttonNoMasks, bmpMainPageExpandSwitch, "", 1, 1,
              1, expandPressed);
  for (int k = 0; k < 8; ++k)
    buttonCreate(w, static_cast<uint16_t>(idGroupFirst + k), groupX[k], 9, groupW[k], 21, groupX[k], 9,
                 buttonActOnPress | buttonRadio | buttonNoMasks, bmpMainPageUpperStripGroupAndStoreButtonsPresetGrid,
                 "", 1, 1, 1, groupPressed);
  buttonCreate(w, idStore, 377, 13, 53, 13, 377, 13, buttonNoMasks, bmpMainPageUpperStripGroupAndStoreButtonsPresetGrid,
               "", 1, 0, 1, storePressed);
  buttonCreate(w, idStoreTo, 436, 13, 53, 17, 436, 13, buttonActOnPress | buttonNoMasks,
               bmpMainPageUpperStripGroupAndStoreButtonsPresetGrid, "", 1, 0, 1, storeToPressed);
  buttonCreate(w, idRestart, 616, 9, 21, 20, 616, 9, buttonNoMasks, bmpMainPageUpperStripGroupAndStoreButtonsPresetGrid,
               "", 1, 0, 1, restartPressed);
  selectorSetDefaultColors(&white, &white, &white, &white);
  selectorCreate(w, idEdits, 509, 13, 84, 0, selectorLabelInside | selectorOneBitmap, bmpMainPageEditHistorySelector,
                 " Edits...", 1, historyChosen);
  selectorSetOpeningCallback(w, idEdits, historyOpening);
  editHistoryCreate();
  textViewCreate(w, idGrid, 7, 33, 159, 14, 4, 4, 16, textViewCellsFromBitmap,
                 bmpMainPageUpperStripGroupAndStoreButtonsPresetGrid, gridClicked);
  displaySetDefaultColors(&black, &white);
  numboxCreate(w, idPoly, 70, 99, 32, 1, 0, 4, 1, 64, stepCount, polyChanged, "Poly");
  numboxCreate(w, idLevel, 137, 99, 40, 1, 1, 0, -103, 24, stepTenth, levelChanged, "dB");
  numboxCreate(w, idPan, 216, 99, 40, 2, 3, 0.5, 0, 1, stepHundredth, panChanged, "Pan");
  numboxCreate(w, idTempo, 310, 99, 48, 2, 2, 120, 0.01, 10000, numboxStepDefault, tempoChanged, "BPM");
  numboxCreate(w, idTranspose, 409, 99, 48, 3, 3, 0.5, -72, 72, numboxStepDefault, transposeChanged, "Trans");
  mainPageBuildTuningSelector(w);

  presetGridShowGroup(win, 0);
  g_page.lowerPanelTop = 115;

  // Lower panel: the container, its two backgrounds, the controller slots and the keyboard panel.
  pictureCreate(w, idLower, 0, 0, mainPageWidth, 226, 0, 0, nullptr);
  pictureCreate(w, idShort, 0, 0, 0, 0, 0, bmpMainPageLowerPanelShort, nullptr);
  pictureCreate(w, idTall, 0, 0, 0, 0, 0, bmpMainPageLowerPanelTall, nullptr);
  static const int16_t slotX[3] = {47, 249, 449}, slotY[4] = {27, 55, 83, 111};
  for (int s = 0; s < 12; ++s) midiPageBuildSlot(win, static_cast<int16_t>(s), slotX[s % 3], slotY[s / 3]);
  mainPageBuildKeyboardPanel(w);
  pictureAddChild(w, idLower, idShort);
  pictureAddChild(w, idLower, idTall);
  pictureAddChild(w, idLower, idKeyPanel);
  ctrlMoveTo(w, idLower, 0, g_page.lowerPanelTop);

  if (g_page.mode == 4 || g_page.mode == 5) {
    mainPageSelectMode(win, static_cast<int16_t>(g_page.mode));
  } else {
    mainPageSetExpanded(win, 1);
  }
}

void mainPageShow(WinId win, uint8_t on) {
  if (!mainPageEngine(win)) return;
  int16_t w = win;
  winSetCurrent(w);
  if (!on) {
    g_page.storeToActive = 0;
  } else {
    if (!paneGetOption(w, mainPageId)) mainPageBuildEntry(win);
    mainPageRefreshEntry(win);
    mainPageUpdateKeyboard(win);
    mainPageSustainEntry(win);
    undoSetEnabled(0);
    clipEnablePaste(0);
    clipSetCopyKind(clipKindNone);
  }
  winSetCurrent(w);
  ctrlShowInWindow(w, mainPageId, on);
}

uint8_t mainPageIsShown(WinId win) {
  WinSlot* slot = winSlot(win);
  if (win == 0 || !slot) return 0;
  // The pane pageMain is an item of the window's own container (inside the pane, idLower is the lower panel).
  ItemPort* current = slot->currentPort;
  winSelectPort(win, &slot->ownPort);
  uint8_t shown = ctrlIsVisible(win, mainPageId) ? 1 : 0;
  winSelectPort(win, current);
  return shown;
}

void mainPageRefreshEntry(WinId win) {
  if (!mainPageEnter(win)) return;
  int16_t w = win;
  Engine* engine = mainPageEngine(win);
  g_page.refreshPending = 0;
  gridRewrite(w);
  presetGridShowGroup(win, currentPreset(engine));
  char name[patchNameLength + 1] = {0};
  patchGetName(engine, name);
  if (std::strcmp(shownPresetName(name), name) != 0) {
    // The rename is the page's, not the user's: a sound that was not edited still counts as its slot's.
    Bank* bank = mainPageBank(win);
    const bool edited = bankSoundDiffersFromSlot(bank, engine);
    patchSetName(engine, shownPresetName(name));
    if (!edited) bankNoteSound(bank, engine);
  }
  mainWindowUpdateTitle(w);
  mainPageEnter(win);
  setBox(w, idLevel, gainToDb6(patchGetGain(engine)), -103, 24);
  setBox(w, idPan, engine->header.pan, 0, 1);
  setBox(w, idTempo, tempoGetBpm(engine), 0.01, 10000);
  setBox(w, idTranspose, patchHeaderGetTranspose(&engine->header), -72, 72);
  setBox(w, idPoly, patchGetPolyphony(engine), 1, 64);
  mainPageRefreshTuningEntry(win);
  midiPageRefillSlotsEntry(win);
  midiPageUpdateSlotValues(win);
  mainPageEnter(win);
  mainPageSetExpanded(win, g_page.expandPending);
  g_page.expandPending = g_page.expanded;
  paneActivate(w, mainPageId);
}

void presetGridShowGroup(WinId win, int16_t n) {
  if (!mainPageEnter(win)) return;
  int16_t w = win;
  for (int k = 0; k < 8; ++k)
    recButtonSetPressed(w, static_cast<uint16_t>(idGroupFirst + k), n >= 16 * k && n <= 16 * k + 15);
  g_page.groupStart = static_cast<int16_t>((n / 16) * 16);
  g_page.groupStart = numClamp<int16_t>(g_page.groupStart, 0, 112);
  if (g_page.groupStart != g_page.groupShown) {
    gridRewrite(w);
    return;
  }
  textViewSelectLine(w, idGrid, -1);
  int32_t r = currentPreset(mainPageEngine(win)) - g_page.groupStart;
  if (r >= 0 && r < 16) textViewSelectLine(w, idGrid, r);
}

void mainPageStoreEntry(WinId win) {
  if (!mainPageEnter(win)) return;
  Engine* engine = mainPageEngine(win);
  Bank* bank = mainPageBank(win);
  int16_t n = currentPreset(engine);
  if (!bank || n < 0 || n > 127) return;  // a sound of no slot has nowhere to go
  bankStorePreset(bank, engine, n);
  presetGridUpdateRow(win, n);
  engineClearModified(engine);
  markBankChanged(bank);
}

void presetGridUpdateRow(WinId win, int16_t n) {
  if (!mainPageEnter(win)) return;
  int32_t r = n - g_page.groupStart;
  if (r < 0 || r > 15) return;
  char line[64];
  presetLine(mainPageBank(win), n, line, sizeof line);
  textViewSetLine(win, idGrid, r, line);
}

void mainPageSelectPresetEntry(WinId win, uint16_t n) {
  if (n > 127 || !mainPageEnter(win)) return;
  Engine* engine = mainPageEngine(win);
  Bank* bank = mainPageBank(win);
  if (!bank) return;
  editBoxEnd();
  editHistoryPush(win, engine);
  bankSelectPreset(bank, engine, static_cast<int16_t>(n));
  engineClearModified(engine);
  mainPageRefreshEntry(win);
  clipSetCopyKind(clipKindNone);
  undoSetKind(undoKindNone);
}

uint8_t mainPageStoreToActive(WinId) { return g_page.storeToActive; }

void mainPageBlinkStoreTo(WinId win) {
  if (!g_page.storeToActive || !mainPageIsShown(win) || !mainPageEnter(win)) return;
  double now = UiTimer::nowSeconds();
  if (now - g_page.storeToTime <= 0.5) return;
  g_page.storeToTime = now;
  g_page.storeToBlink = g_page.storeToBlink ? 0 : 1;
  recButtonSetPressed(win, idStoreTo, g_page.storeToBlink);
}

void mainPageSetExpanded(WinId win, uint8_t flag) {
  if (!mainPageEnter(win)) return;
  int16_t w = win;
  g_page.expanded = flag ? 1 : 0;
  g_page.height =
      static_cast<uint16_t>(!flag ? mainPageCollapsed : (g_page.mode == 4 ? mainPageTallMode4 : mainPageTallMode5));
  // The page heights count the main window's 72-pixel strip: the client is exactly that tall.
  winSetSize(w, mainPageWidth, winGetOriginY(w) + g_page.height);
  mirrorToWindowData(win);
  winSelectPane(w, mainPageId);
  ctrlShow(w, idLower, g_page.expanded);
  recButtonSetPressed(w, idExpand, g_page.expanded);
  paneActivate(w, mainPageId);
}

void mainPageSelectMode(WinId win, int16_t mode) {
  if ((mode != 4 && mode != 5) || !mainPageEnter(win)) return;
  int16_t w = win;
  winNotifyItemsOfType2(w, mode == 4 ? idTall : idShort, 0);
  winNotifyItemsOfType2(w, mode == 4 ? idShort : idTall, 1);
  ctrlMoveTo(w, idKeyPanel, 0, g_page.lowerPanelTop + (mode == 4 ? 86 : 141));
  g_page.mode = static_cast<uint16_t>(mode);
  mirrorToWindowData(win);
  mainPageSetExpanded(win, g_page.expanded);
}

void mainPageMarkChanged(WinId) { g_page.refreshPending = 1; }
void mainWinMarkRedraw(WinId) { g_page.refreshPending = 1; }
uint8_t mainPageGetExpanded(WinId) { return g_page.expanded; }
void mainPageSetExpandPending(WinId win, uint8_t flag) {
  g_page.expandPending = flag ? 1 : 0;
  mirrorToWindowData(win);
}
