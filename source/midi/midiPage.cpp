// The Midi page frame: building the pane once, showing and hiding it, the tab switch, the refresh that
// fills every tab from the engine and the Edit menu's state for the tab in front.
#include "midi/midiPage.h"

#include "app/pageShell.h"
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "pages/clipKinds.h"
#include "pages/midiSlots.h"
#include "pages/pages.h"
#include "preset/undo.h"

namespace {

int16_t g_currentTab = 1;

struct TabPlace {
  uint16_t button, panel;
  int16_t x;
  int buttonBitmap, panelBitmap;
  void (*build)(WinId win);  // the tab's controls, collected by its panel
};
// Tab t (1..4) is entry t - 1.
const TabPlace kTabs[midiTabCount] = {
    {midiItemTabControllers, midiItemPanelControllers, 9, midiBmpTabControllers, midiBmpPanelControllers,
     midiControllerTabBuild},
    {midiItemTabVelocity, midiItemPanelVelocity, 110, midiBmpTabVelocity, midiBmpPanelVelocity, midiVelocityTabBuild},
    {midiItemTabNoteScale, midiItemPanelNoteScale, 170, midiBmpTabNoteScale, midiBmpPanelNoteScale,
     midiNoteScaleTabBuild},
    {midiItemTabTune, midiItemPanelTune, 253, midiBmpTabTune, midiBmpPanelTune, midiTuneTabBuild},
};
const int16_t kTabY = 6, kPanelY = 36;
const int16_t kTabNoteScale = 3;
// The part of the strip the tab buttons take, redrawn on every switch.
const int32_t kTabStripWidth = 500, kTabStripHeight = 50;

bool validTab(int16_t t) { return t >= 1 && t <= midiTabCount; }

void selectOwn(WinId win, WinSlot* slot) { winSelectPort(win, &slot->ownPort); }

// The copy, undo and paste state for tab t: only Note Scaling copies, undoes or pastes (note curves).
void editMenuForTab(int16_t t) {
  const bool noteScale = t == kTabNoteScale;
  clipSetCopyKind(noteScale ? clipKindNoteScale : clipKindNone);
  undoSetEnabled(noteScale && undoGetKind() == undoKindNotescale ? 1 : 0);
  clipEnablePaste(noteScale && clipGetPasteKind() == clipKindNoteScale ? 1 : 0);
}

}  // namespace

Engine* midiPageEngine(WinId win) {
  void* data = win ? winGetUserData(win) : nullptr;
  return data ? *static_cast<Engine**>(data) : nullptr;
}

void midiPageSelectPane(WinId win) {
  WinSlot* slot = win ? winSlot(win) : nullptr;
  if (!slot) return;
  winSetCurrent(win);
  selectOwn(win, slot);
  winSelectPane(win, midiPaneId);
}

int16_t midiPageCurrentTab() { return g_currentTab; }

void midiBoxShow(WinId win, uint16_t id, double value) {
  NumboxData* d = numboxFind(win, id);
  if (!d) return;
  value = numClamp(value, d->minimum, d->maximum);
  numboxSetValue(win, id, static_cast<float>(value));
}

float midiBoxValue(double value) {
  const double limit = 1e30;
  if (value > limit) return static_cast<float>(limit);
  if (value < -limit) return static_cast<float>(-limit);
  return static_cast<float>(value);
}

void midiPageBuild(WinId win) {
  WinSlot* slot = winSlot(win);
  if (!midiPageEngine(win) || !slot) return;
  pageSetDrawDefaults();
  selectOwn(win, slot);
  paneSetOption(win, midiPaneId, 1);
  midiPageSelectPane(win);
  ctrlSetGroupMode(0, 1);

  pictureCreate(win, midiItemTabStrip, 0, 0, 0, 0, 0, midiBmpTabStrip, nullptr);
  for (const TabPlace& t : kTabs)
    buttonPlace(win, t.button, t.x, kTabY, buttonRadio | buttonActOnPress, t.buttonBitmap, "", 1, 0, 1,
                midiPageTabPressed);
  // Each panel collects the controls made after it, so showing a panel shows its tab's controls.
  for (const TabPlace& t : kTabs) {
    midiPageSelectPane(win);
    pageSetDrawDefaults();
    ctrlSetGroupMode(0, 1);
    pictureCreate(win, t.panel, 0, kPanelY, 0, 0, 0, t.panelBitmap, nullptr);
    t.build(win);
  }
  pageSetDrawDefaults();
  ctrlSetGroupMode(0, 0);
  midiPageSelectPane(win);
  for (const TabPlace& t : kTabs) ctrlShow(win, t.panel, 0);
  g_currentTab = 1;
  midiPageSelectTab(win, 1);
}

void midiPageBuildEntry(WinId win) { midiPageBuild(win); }

void midiPageSelectTab(WinId win, int16_t t) {
  WinSlot* slot = winSlot(win);
  if (!validTab(t) || !midiPageEngine(win) || !slot) return;
  midiPageSelectPane(win);
  if (!ctrlFind(win, kTabs[t - 1].panel)) return;
  g_currentTab = t;
  for (int16_t k = 1; k <= midiTabCount; ++k) {
    if (k == t) continue;
    recButtonSetPressed(win, kTabs[k - 1].button, 0);
    ctrlShow(win, kTabs[k - 1].panel, 0);
  }
  ctrlShow(win, kTabs[t - 1].panel, 1);
  recButtonSetPressed(win, kTabs[t - 1].button, 1);
  winSetSize(win, midiPageWidth + inputGetOriginX(), winGetOriginY(win) + midiPageHeight);
  if (ControlItem* strip = ctrlFind(win, midiItemTabStrip)) {
    const CtrlRect area = {strip->rect.left, strip->rect.top, strip->rect.left + kTabStripWidth,
                           strip->rect.top + kTabStripHeight};
    winInvalidateRect(win, &area);
  }
  editMenuForTab(t);
}

void midiPageTabPressed(ControlItem* item, uint8_t, int16_t) {
  if (!item) return;
  int16_t t = 0;
  for (int16_t k = 1; k <= midiTabCount; ++k)
    if (kTabs[k - 1].button == item->id) t = k;
  midiPageSelectTab(item->windowId, t);
}

void midiPageShow(WinId window, std::uint8_t on) {
  const WinId win = window;
  WinSlot* slot = win ? winSlot(win) : nullptr;
  if (!midiPageEngine(win) || !slot) return;
  if (on) {
    selectOwn(win, slot);
    if (!ctrlFind(win, midiPaneId)) return;
    if (paneGetOption(win, midiPaneId) == 0) {
      midiPageBuild(win);
      // The pictures of a pane built while it is shown take their bitmaps now.
      selectOwn(win, slot);
      portReloadPictures(panePort(ctrlFind(win, midiPaneId)));
    }
    midiPageSelectPane(win);
    midiPageSelectTab(win, g_currentTab);
    undoSetEnabled(0);
    clipEnablePaste(0);
    clipSetCopyKind(clipKindNone);
  }
  selectOwn(win, slot);
  ctrlShowInWindow(win, midiPaneId, on ? 1 : 0);
  if (!on) return;
  midiPageRefresh(win);
  midiPageSelectPane(win);
  midiPageUpdateEditMenu(win, 1);
  paneActivate(win, midiPaneId);
  midiPageSelectPane(win);
}

std::uint8_t midiPageIsShown(WinId window) {
  const WinId win = window;
  if (!win || !winSlot(win)) return 0;
  winSetCurrent(win);
  return ctrlIsVisible(win, midiPaneId) ? 1 : 0;
}

bool midiPageRefresh(WinId win) {
  Engine* e = midiPageEngine(win);
  WinSlot* slot = win ? winSlot(win) : nullptr;
  if (!e || !slot) return false;
  if (!midiPageIsShown(win)) return false;
  selectOwn(win, slot);
  if (paneGetOption(win, midiPaneId) == 0) return false;
  midiPageSelectPane(win);
  midiPageClearRefreshPending();
  midiControllerTabRefresh(win, e);
  midiVelocityTabRefresh(win, e);
  midiPageSelectPane(win);
  midiNoteScaleTabRefresh(win);
  midiPageSelectPane(win);
  tuningTabRefresh(win, 1);
  selectOwn(win, slot);
  paneActivate(win, midiPaneId);
  midiPageSelectPane(win);
  return true;
}

void midiPageRefreshEntry(WinId win) { midiPageRefresh(win); }

void midiPageUpdateEditMenu(WinId win, uint16_t flag) {
  if ((flag & 0xFF) == 0 || !midiPageEngine(win)) return;
  if (midiPageRefreshPending()) midiPageRefresh(win);
  editMenuForTab(g_currentTab);
}

void midiPageRefreshAndShow(WinId win) {
  if (!midiPageEngine(win)) return;
  mainWindowShowPage(win, pageMidi);
  midiPageSelectPane(win);
  midiPageRefresh(win);
  midiPageSelectTab(win, 1);
}

void midiPageOpenTuningEditor(WinId window) {
  const WinId win = window;
  if (!midiPageEngine(win)) return;
  mainWindowShowPage(win, pageMidi);
  midiPageSelectPane(win);
  midiPageRefresh(win);
  midiPageSelectPane(win);
  tuningTabRefresh(win, 1);
  midiPageSelectTab(win, midiTabCount);
}
