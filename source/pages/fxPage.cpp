// The Effect page's frame: building the page once, showing it, the type tabs and the on switch (both
// structural edits inside the engine's stop and restart handshake), the two level faders, choosing the
// one visible panel and the refresh that reads everything from the engine again.
#include "pages/fxPage.h"

#include <cmath>
#include <cstdio>

#include "app/pageShell.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/knob.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "modules/effectFrame.h"
#include "pages/clipKinds.h"
#include "pages/fxUnits.h"
#include "pages/moduleMenu.h"
#include "pages/patchPage.h"
#include "preset/undo.h"

namespace {

const int kPageBitmap = 999;
const int kFaderBitmap = 1024;
const int kPanelBitmap[5] = {1003, 1001, 1002, 1005, 1006};

FxHandshakeSpy g_spy = nullptr;
void* g_spyContext = nullptr;

// The tabs and the on switch are cut from the page background. The bitmaps whose ids follow it (the
// panel backgrounds) are no hit masks of theirs: the buttons drop them and take their whole rectangles.
void cutButton(WinId win, std::uint16_t id, int x, int y, int w, int h, std::uint32_t flags, int pressedByte,
               ButtonAction action) {
  ControlItem* item = buttonCreate(win, id, x, y, w, h, x, y, flags, kPageBitmap, "", 1, pressedByte, 1, action);
  if (!item) return;
  buttonSetMask(win, id, 0);
  regionInit(&item->region, id);
  if (item->visible && item->drawable) regionSetFromRect(win, &item->region, 0, &item->rect, 0);
}

void setLevelShown(WinId win, std::uint16_t fader, std::uint16_t text, double gain) {
  char shown[32];
  fxLevelText(gain, shown, sizeof shown);
  knobSetValueAndRedraw(win, fader, std::sqrt(fxLevelOfPosition(std::sqrt(gain > 0 ? gain : 0.0))));
  displaySetText(win, text, shown);
}

}  // namespace

// ---- handshake steps

void fxSetHandshakeSpy(FxHandshakeSpy spy, void* context) {
  g_spy = spy;
  g_spyContext = context;
}

void fxSpyNote(const char* step, int argument) {
  if (g_spy) g_spy(g_spyContext, step, argument);
}

void fxStopAudio(Engine* engine) {
  fxSpyNote("stop", 1);
  engineStopAudio(engine, 1);
}

void fxRestartAudio(Engine* engine) {
  fxSpyNote("restart", 0);
  engineRestartAudio(engine);
}

// ---- helpers

Engine* fxEngineOf(WinId win) {
  void* data = winGetUserData(win);
  return data ? *static_cast<Engine**>(data) : nullptr;
}

void fxPageSelectPane(WinId win) {
  winSetCurrent(win);
  winSelectPane(win, fxPaneId);
}

double fxLevelOfPosition(double v) {
  const double lo = 1.0 / 65536.0, hi = 65535.0 / 65536.0;
  v = numClamp(v, lo, 1.0);  // NaN too
  const double g = v * v;
  return numClamp(g, lo, hi);
}

void fxLevelText(double gain, char* out, int capacity) {
  if (!out || capacity <= 0) return;
  if (!(gain > 0)) gain = 1.0 / 65536.0;
  formatDb(out, static_cast<size_t>(capacity), dbSnapWhole(gainToDb6(gain)));
}

// ---- the page protocol

void fxPageBuildEntry(WinId win) { fxPageBuild(win); }
void fxPageRefreshEntry(WinId win) { fxPageRefresh(win); }

// The pane's visible byte, read in the window's own container. The container the caller had selected
// stays selected: the shell asks this every tick among other pages' questions.
std::uint8_t fxPageIsShown(WinId window) {
  const WinId win = window;
  WinSlot* slot = winSlot(win);
  if (!slot) return 0;
  winSetCurrent(win);
  ItemPort* saved = slot->currentPort;
  winSelectPort(win, &slot->ownPort);
  const bool shown = ctrlIsVisible(win, fxPaneId) != 0;
  winSelectPort(win, saved);
  return shown ? 1 : 0;
}

std::uint8_t fxPageIsShownType1(WinId window) {
  Engine* e = fxEngineOf(window);
  if (!e || effectGetType(e) != effectPipe) return 0;
  return fxPageIsShown(window);
}

void fxPageShow(WinId window, std::uint8_t on) {
  const WinId win = window;
  WinSlot* slot = winSlot(win);
  if (!slot) return;
  if (on) {
    winSetCurrent(win);
    winSelectPort(win, &slot->ownPort);
    if (paneGetOption(win, fxPaneId) == 0) {
      fxPageBuild(win);
      // The pictures of a pane built while it is shown take their bitmaps now.
      winSelectPort(win, &slot->ownPort);
      portReloadPictures(panePort(ctrlFind(win, fxPaneId)));
    }
    fxPageSelectPane(win);
    fxPageRefresh(win);
    undoSetEnabled(0);
    clipEnablePaste(0);
    clipSetCopyKind(clipKindNone);
  }
  ctrlShowInWindow(win, fxPaneId, on ? 1 : 0);
  if (on) {
    fxPageSelectPane(win);
    fxPageRefresh(win);
    fxPipeGraphShow(win);
  }
}

void fxPageBuild(WinId win) {
  WinSlot* slot = winSlot(win);
  if (!slot || !fxEngineOf(win)) return;
  const std::uint8_t visible = slot->visible;
  slot->visible = 0;
  winSetCurrent(win);
  winSelectPort(win, &slot->ownPort);
  paneSetOption(win, fxPaneId, 1);
  fxPageSelectPane(win);
  pageSetDrawDefaults();
  ctrlSetGroupMode(0, 1);

  pictureCreate(win, fxItemBackground, 0, 0, 0, 0, 0, kPageBitmap, fxPanelMouse);
  cutButton(win, fxItemOn, 21, 46, 46, 13, buttonToggle, 1, fxOnClicked);
  static const int tabX[5] = {10, 49, 119, 180, 228}, tabW[5] = {40, 69, 58, 47, 79};
  // The tabs act on the press but are no radio buttons: a pressed radio button takes no press, and a
  // click on the current type's tab must still restart the effect. The refresh presses the tab.
  for (int t = 0; t < 5; ++t)
    cutButton(win, static_cast<std::uint16_t>(fxItemFirstTab + t), tabX[t], 6, tabW[t], 28, buttonActOnPress, 0,
              fxTabClicked);
  knobCreateItem(win, fxItemLevelB, 423, 20, knobHorizontal | knobRedrawWhole | knobHideCursor | knobLevelBar,
                 kFaderBitmap, 1, fxLevelChanged, 0.0f, 0.0f);
  knobCreateItem(win, fxItemLevelA, 423, 46, knobHorizontal | knobRedrawWhole | knobHideCursor | knobLevelBar,
                 kFaderBitmap, 1, fxLevelChanged, 0.0f, 0.0f);
  displaySetDefaultColors(colorWhite(), colorBlack());
  displaySetDefaultFontSize(9);
  displayCreate(win, fxItemLevelBText, 583, 19, 42, "0.0 dB", 32, 0, 2, nullptr, nullptr);
  displayCreate(win, fxItemLevelAText, 583, 44, 42, "0.0 dB", 32, 0, 2, nullptr, nullptr);

  fxPipePanelBuild(win);
  fxPageSelectPane(win);
  fxCombPanelBuild(win);
  fxPageSelectPane(win);
  fxTapPanelBuild(win);
  fxPageSelectPane(win);
  fxUnitsBuild(win);
  fxPageSelectPane(win);
  fxEchoPanelBuild(win);
  pageSetDrawDefaults();

  slot->visible = visible;
  fxPageSelectPanel(win, 2);
}

bool fxPageRefresh(WinId win) {
  Engine* e = fxEngineOf(win);
  if (!e || !fxPageIsShown(win)) return false;
  fxPageSelectPane(win);
  fxPageSelectPanel(win, static_cast<std::int16_t>(effectGetType(e)));
  fxPageSelectPane(win);
  fxButtonSetOn(win, fxItemOn, effectIsOn(e) != 0);
  fxPageUpdateLevels(win);
  fxPipePanelRefresh(win);
  fxCombPanelRefresh(win);
  fxTapPanelRefresh(win);
  fxPipeGraphShow(win);
  WinSlot* slot = winSlot(win);
  winSelectPort(win, &slot->ownPort);
  paneActivate(win, fxPaneId);
  winSelectPane(win, fxPaneId);
  return true;
}

void fxPageSelectPanel(WinId win, std::int16_t type) {
  Engine* e = fxEngineOf(win);
  if (!e) return;
  fxPageSelectPane(win);
  const int tab = type >= effectPipe && type <= effectRev ? fxItemFirstTab - 1 + type : 0;
  for (int id = fxItemFirstTab; id < fxItemFirstTab + 5; ++id)
    fxButtonSetOn(win, static_cast<std::uint16_t>(id), id == tab);
  fxPageUpdateLevels(win);
  if (!tab) return;
  const std::uint16_t shown = static_cast<std::uint16_t>(fxItemFirstPanel - 1 + type);
  for (std::uint16_t p = fxItemFirstPanel; p < fxItemFirstPanel + 5; ++p)
    if (p != shown) ctrlShow(win, p, 0);
  ctrlShow(win, shown, 1);
  winSetSize(win, fxPageWidth + inputGetOriginX(), fxPageHeight + winGetOriginY(win));
  if (type == effectEcho) fxEchoPanelRefresh(win);
  if (type == effectRev) fxUnitsRefresh(win);
  fxPageSelectPane(win);
  fxPipeGraphShow(win);
}

void fxPageUpdateLevels(WinId win) {
  Engine* e = fxEngineOf(win);
  if (!e) return;
  fxPageSelectPane(win);
  setLevelShown(win, fxItemLevelB, fxItemLevelBText, effectGetLevelB(e));
  setLevelShown(win, fxItemLevelA, fxItemLevelAText, effectGetLevelA(e));
}

void fxPipeGraphShow(WinId win) {
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const bool on = effectGetType(e) == effectPipe && fxPageIsShown(win);
  fxPageSelectPane(win);
  ctrlShow(win, fxItemPipeGraph, on ? 1 : 0);
  if (ControlItem* item = ctrlFind(win, fxItemPipeGraph)) itemInvalidate(item);
}

// ---- callbacks

void fxTabClicked(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item || item->id < fxItemFirstTab || item->id > fxItemFirstTab + 4) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const std::uint16_t type = static_cast<std::uint16_t>(item->id - (fxItemFirstTab - 1));
  fxStopAudio(e);
  fxSpyNote("type", type);
  effectSetType(e, type);
  fxRestartAudio(e);
  fxPageRefresh(win);
}

void fxOnClicked(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const std::uint8_t on = pressed ? 1 : 0;
  fxStopAudio(e);
  fxSpyNote("on", on);
  effectSetOn(e, on);
  effectReset(e);
  engineUpdateChannelFlags(e);
  fxRestartAudio(e);
  // The Patch page's effect switch shows the same byte.
  winSetCurrent(win);
  winSelectPane(win, patchPaneId);
  patchEffectShow(win);
  fxPageSelectPane(win);
  fxPipeGraphShow(win);
}

void fxLevelChanged(ControlItem* item, double x, double) {
  if (!item || (item->id != fxItemLevelA && item->id != fxItemLevelB)) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const double gain = fxLevelOfPosition(x);
  char shown[32];
  fxLevelText(gain, shown, sizeof shown);
  fxPageSelectPane(win);
  if (item->id == fxItemLevelA) {
    displaySetText(win, fxItemLevelAText, shown);
    effectSetLevelA(e, static_cast<float>(gain));
  } else {
    displaySetText(win, fxItemLevelBText, shown);
    effectSetLevelB(e, static_cast<float>(gain));
  }
}

void fxPanelMouse(ControlItem* item) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  if (!(winIsDoubleClick() || inputIsAlt() || inputIsRightButton())) return;
  moduleMenuOpen(win, e, 22, 3);
  fxPageRefresh(win);
}
