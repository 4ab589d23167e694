// "Create XY Controller". The application opens a modal dialog in a free window slot; on its creation
// a plain window in the next free slot fills the dialog's client area and holds the controls.
#include "midi/xyDialog.h"

#include <cstdio>
#include <cstring>

#include "app/appWindows.h"
#include "app/pageShell.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "midi/midiSlotMenus.h"
#include "pages/midiSlots.h"
#include "preset/sliderList.h"
#include "uiSeams/msgBox.h"

namespace {

const int kWidth = 324, kHeight = 167;
const int kBackgroundBitmap = 2409, kOkBitmap = 1624, kSelectorBitmap = 344;
const int kControlCapacity = 8;
const char* const kSameText = "Error: X and Y midi controllers must not be the same.";
const char* const kTakenText = "Error: one of the selected MIDI controllers is already assigned to an XY control.";

struct XyDialogState {
  std::uint8_t open;
  Engine* engine;
  WinId mainWindow;
  WinId dialogId, buildId;
  std::int16_t xController, yController;
  std::int16_t candidates[xyDialogCandidates];
};
XyDialogState g_state = {0, nullptr, 0, 0, 0, midiSlotNone, midiSlotNone, {}};

void reset() {
  g_state.open = 0;
  g_state.dialogId = 0;
  g_state.buildId = 0;
}

void okAction(ControlItem*, std::uint8_t, std::int16_t) { xyDialogOk(); }

void fill() {
  const WinId win = g_state.buildId;
  SliderList* list = engineGetSliderList(g_state.engine);
  int xPos = 0, yPos = 0, count = 0;
  std::int32_t p = -2;
  for (int i = 0; i < xyDialogCandidates && list; ++i) {
    SliderEntry* e = sliderListNextAbove(list, p);
    if (!e) break;
    p = e->controller;
    g_state.candidates[i] = static_cast<std::int16_t>(p);
    count = i + 1;
    if (g_state.yController < 0 && p > g_state.xController) g_state.yController = static_cast<std::int16_t>(p);
    char label[40];
    midiSlotNameLabel(e, p, label, sizeof label);
    menuAppendItem(win, xyDialogItemX, i + 1, 1, label, 0);
    menuAppendItem(win, xyDialogItemY, i + 1, 1, label, 0);
    if (p == g_state.xController) {
      selectorSelect(win, xyDialogItemX, i + 1);
      xPos = i + 1;
    }
    if (p == g_state.yController) {
      selectorSelect(win, xyDialogItemY, i + 1);
      yPos = i + 1;
    }
  }
  if (yPos == 0) {
    // No Y yet: the entry after X, else the one before it; with X not among the candidates (xPos 0)
    // the first candidate.
    if (xPos < count - 2) {
      selectorSelect(win, xyDialogItemY, xPos + 1);
      g_state.yController = g_state.candidates[xPos];
    } else if (xPos >= 2) {
      selectorSelect(win, xyDialogItemY, xPos - 1);
      g_state.yController = g_state.candidates[xPos - 2];
    }
  }
  if (g_state.yController < -1) selectorSelect(win, xyDialogItemY, 0);
}

void build() {
  const WinId win = g_state.buildId;
  winSetCurrent(win);
  pageSetDrawDefaults();
  for (std::int16_t& c : g_state.candidates) c = midiSlotNone;
  pictureCreate(win, xyDialogItemBackground, 0, 0, kWidth, kHeight, 0, kBackgroundBitmap, nullptr);
  buttonPlace(win, xyDialogItemOk, 115, 137, 0, kOkBitmap, "", 1, 0, 1, okAction);
  winSetDefaultButton(win, xyDialogItemOk);
  // The labels stand on the light panel and the choices in light fields: both drawn dark to stay
  // legible (as the Main page's Tuning selector is).
  const CtrlRgb dark = {0, 0, 0}, white = {255, 255, 255};
  selectorSetDefaultColors(&dark, &dark, &white, &dark);
  selectorCreate(win, xyDialogItemX, 100, 40, 100, 0, selectorOneBitmap, kSelectorBitmap, "X", 1,
                 xyDialogSelectorChanged);
  selectorCreate(win, xyDialogItemY, 100, 70, 100, 0, selectorOneBitmap, kSelectorBitmap, "Y", 1,
                 xyDialogSelectorChanged);
  fill();
  winShow(win, 1);
}

void openControlWindow(WinId dialogId) {
  const WinId id = appOpenDialogControlWindow(dialogId, kWidth, kHeight, kControlCapacity);
  if (id == 0) return;
  g_state.buildId = id;
  build();
  winGetFrameworkObject(id)->setFocus();
}

void windowEvent(WinId win, std::uint32_t code, void*) {
  if (code == winEvCreated)
    openControlWindow(win);
  else if (code == winEvDestroyed)
    reset();  // however it closed, it can open again
}

// Whether a used slot of the main window has controller c on an axis of its pad.
bool onAPad(std::int16_t c) {
  const MidiSlot* slots = midiPageSlots();
  for (int s = 0; s < midiSlotCount; ++s)
    if (slots[s].used && (slots[s].xController == c || slots[s].yController == c)) return true;
  return false;
}

}  // namespace

void xyDialogOpen(WinId win, Engine* engine, std::int16_t x, std::int16_t y) {
  if (!engine || g_state.open) return;
  g_state.open = 1;
  g_state.engine = engine;
  g_state.mainWindow = win;
  g_state.xController = x;
  g_state.yController = y;
  g_state.dialogId = winFindFreeSlot();
  g_state.buildId = g_state.dialogId;
  if (g_state.dialogId == 0) {
    reset();
    return;
  }
  const WinId dialogId = g_state.dialogId;
  appNewWindow(dialogId, win, "Create XY Controller", 256, 256, kWidth, kHeight, 1, 1, windowEvent);
  // However the dialog ended (or failed to open), nothing of it stays behind.
  if (g_state.open && g_state.dialogId == dialogId) {
    if (g_state.buildId != dialogId && winSlot(g_state.buildId)) winCloseById(g_state.buildId);
    if (winSlot(dialogId)) winCloseById(dialogId);
    reset();
  }
  winSetCurrent(win);
}

void xyDialogSelectorChanged(ControlItem* item, std::int16_t, std::int16_t index) {
  if (!item || !g_state.open) return;
  const WinId win = item->windowId;
  if (index > 0 && index <= xyDialogCandidates) {
    if (item->id == xyDialogItemX) g_state.xController = g_state.candidates[index - 1];
    if (item->id == xyDialogItemY) g_state.yController = g_state.candidates[index - 1];
  }
  selectorSelect(win, item->id, index);
}

void xyDialogOk() {
  if (!g_state.open) return;
  SliderList* list = engineGetSliderList(g_state.engine);
  const std::int16_t x = g_state.xController, y = g_state.yController;
  if (!list) {
    xyDialogClose();
    return;
  }
  // No Y chosen (or no X): nothing to link. A slider's axes read -10 too, so this is not the "already
  // on a pad" case.
  if (x < -1 || y < -1) {
    xyDialogClose();
    return;
  }
  if (x == y) {
    msgBox(0, kSameText, 0);
    xyDialogClose();
    return;
  }
  if (onAPad(x) || onAPad(y)) {
    msgBox(0, kTakenText, 0);
    xyDialogClose();
    return;
  }
  if (sliderListFind(list, x) && sliderListFind(list, y)) {
    sliderListSetPartner(list, x, y);
    sliderListSetPartner(list, y, x);
    sliderListSetFlag(list, x, 0);
    sliderListSetFlag(list, y, 1);
  }
  xyDialogClose();
}

void xyDialogClose() {
  const WinId main = g_state.mainWindow;
  const WinId dialogId = g_state.dialogId;
  g_state.buildId = 0;
  if (dialogId && winSlot(dialogId)) winClose(dialogId);
  midiPageRefillSlots(main);
  midiSlotsInvalidate(main);
  reset();
}

std::uint8_t xyDialogIsOpen() { return g_state.open; }
WinId xyDialogDialogId() { return g_state.open ? g_state.dialogId : 0; }
WinId xyDialogBuildId() { return g_state.open ? g_state.buildId : 0; }
std::int16_t xyDialogX() { return g_state.xController; }
std::int16_t xyDialogY() { return g_state.yController; }
std::int16_t xyDialogCandidate(int index) {
  return index >= 0 && index < xyDialogCandidates ? g_state.candidates[index] : static_cast<std::int16_t>(midiSlotNone);
}
