// The controller slots' context menus and the destination table behind them.
#include "midi/midiSlotMenus.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/pageShell.h"
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/popupAtMouse.h"
#include "controls/winSlots.h"
#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "midi/midiPage.h"
#include "midi/xyDialog.h"
#include "pages/mainPage.h"
#include "pages/midiSlots.h"
#include "pages/pages.h"
#include "preset/envelope.h"
#include "preset/sliderList.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"

namespace {

MidiDestRow g_rows[midiDestRowCount];

// The engine, window and slot of the menu being shown.
struct MenuContext {
  Engine* engine;
  WinId window;
  std::int16_t slot;
};
MenuContext g_menu = {nullptr, 0, 0};

const char* const kMenuFailed = "Error, Morvane could not build the contextual menu";
const int kLfoCount = 3;
// Controls k of the controller map, and the controllers k of an LFO.
enum { ccVolume = 2, ccFilter = 3, ccOscLevel = 4, ccPanLr = 5, ccEffect = 6, ccPanFb = 7 };
enum { lfoDepthSource = 0, lfoRateSource = 1, lfoHoldRateSource = 2 };

// Appends one row when there is room; returns the next row.
int append(int r, std::uint16_t page, const char* format, ...) __attribute__((format(printf, 3, 4)));
int append(int r, std::uint16_t page, const char* format, ...) {
  if (r < 0 || r >= midiDestRowCount) return r;
  va_list args;
  va_start(args, format);
  std::vsnprintf(g_rows[r].name, sizeof g_rows[r].name, format, args);
  va_end(args);
  g_rows[r].page = page;
  return r + 1;
}

bool matches(std::int32_t source, std::int16_t c) { return static_cast<std::int16_t>(source) == c; }

int slotOfItem(const ControlItem* item) { return item ? (item->id - midiSlotIdBase) / midiSlotIdStep : midiSlotCount; }

// Builds a menu: its first command, the separator, then the table's rows. 0 when no slot is free.
std::int16_t buildMenu(const char* first, int rows) {
  const std::int16_t menu = popupFindFreeSlot();
  if (menu <= 0 || !popupCreate(menu, 0, "midi slider setup")) {
    // The gesture ends here, so its release does not ask for the menu a second time.
    inputReset();
    msgBox(0, kMenuFailed, 0);
    return 0;
  }
  popupAppend(menu, midiMenuFirstCommand, true, first);
  popupAppend(menu, midiMenuSeparator, true, "-");
  for (int r = 0; r < rows && r < midiDestRowCount; ++r)
    popupAppend(menu, static_cast<std::int16_t>(midiMenuFirstRow + r), true, g_rows[r].name);
  return menu;
}

void track(WinId win, Engine* engine, int s, std::int16_t menu, PopupAtMouseHandler handler) {
  g_menu = {engine, win, static_cast<std::int16_t>(s)};
  popupMenuAtMouse(win, menu, handler);
  popupDestroy(menu);
  g_menu.engine = nullptr;
  g_menu.window = 0;
}

void slotHandler(std::int16_t, std::int16_t menu, std::int16_t entry) { midiSlotMenuChoose(menu, entry); }
void xyHandler(std::int16_t, std::int16_t menu, std::int16_t entry) { midiXyMenuChoose(menu, entry); }

// A destination row chosen: its page shown.
void showRow(std::int16_t itemNumber) {
  const int r = itemNumber - midiMenuFirstRow;
  if (r < 0 || r >= midiDestRowCount) return;
  const std::uint16_t page = g_rows[r].page;
  if (page == 0) return;
  const WinId win = static_cast<std::int16_t>(g_menu.window);
  if (page == pageMidi)
    midiPageRefreshAndShow(win);
  else
    mainWindowShowPage(win, page);
}

}  // namespace

MidiDestRow* midiDestRows() { return g_rows; }

void midiDestListClear() { std::memset(g_rows, 0, sizeof g_rows); }

int midiDestListFillEntry(Engine* engine, std::int16_t c, int startRow) {
  return midiDestListFill(engine, c, startRow);
}

int midiDestListFill(Engine* engine, std::int16_t c, int r) {
  if (!engine) return r;
  if (ccMapGetControllerNumber(engine, ccVolume) == c) r = append(r, pageMidi, "Volume");
  if (ccMapGetControllerNumber(engine, ccPanLr) == c) r = append(r, pageMidi, "Pan LR");
  if (ccMapGetControllerNumber(engine, ccPanFb) == c) r = append(r, pageMidi, "Pan FB");
  if (ccMapGetFilterDepth(engine) > 0.0 && ccMapGetControllerNumber(engine, ccFilter) == c)
    r = append(r, pageMidi, "Filter freq depth");
  if (ccMapGetOscLevelDepth(engine) > 0.0 && ccMapGetControllerNumber(engine, ccOscLevel) == c)
    r = append(r, pageMidi, "Oscil balance/index depth");
  if (ccMapGetEffectDepth(engine) > 0.0 && ccMapGetControllerNumber(engine, ccEffect) == c)
    r = append(r, pageMidi, "Effect time depth");
  for (std::int16_t n = 0; n < kLfoCount; ++n) {
    if (!lfoGetOn(engine, n)) continue;
    if (lfoGetDepthAmount(engine, n) > 0.0 && lfoGetControllerSource(engine, n, lfoDepthSource) == c)
      r = append(r, pageLfo, "Lfo %d Depth", n + 1);
    if (lfoGetRateRange(engine, n) < 1.0 && lfoGetControllerSource(engine, n, lfoRateSource) == c)
      r = append(r, pageLfo, "Lfo %d Rate", n + 1);
    if (lfoGetHoldRateRange(engine, n) < 1.0 && lfoGetControllerSource(engine, n, lfoHoldRateSource) == c)
      r = append(r, pageLfo, "Lfo %d SH Rate", n + 1);
  }
  for (std::int16_t e = 0; e < envSlotCount; ++e) {
    const EnvelopeSlot* slot = envSlot(engine, e);
    if (!slot || !slot->allocated) continue;
    char name[envNameSize];
    envGetName(engine, e, name, slot->destination, slot->owner);
    const int last = slot->lastIndex < envBreakpointCount ? slot->lastIndex : envBreakpointCount - 1;
    if (slot->ccScaleOn && last >= 0) {
      bool amp = false, time = false;
      for (int b = 0; b <= last; ++b) {
        const Breakpoint& bp = slot->breakpoints[b];
        amp = amp || (matches(bp.ampCc, c) && bp.ampScale != 0.0f);
        time = time || (matches(bp.timeCc, c) && bp.timeScale != 0.0f);
      }
      if (amp) r = append(r, pageEnvelope, "Env Amp, %s", name);
      if (time) r = append(r, pageEnvelope, "Env Time, %s", name);
    }
    if (slot->mode == envModeControl && matches(slot->controlSource, c))
      r = append(r, pageEnvelope, "Control Driven Env, %s", name);
  }
  return r;
}

void midiSlotMenuOpenEntry(ControlItem* item) { midiSlotMenuOpen(item); }

void midiSlotMenuOpen(ControlItem* item) {
  const int s = slotOfItem(item);
  if (s < 0 || s >= midiSlotCount) return;
  Engine* engine = mainPageEngine(item->windowId);
  if (!engine) return;
  midiDestListClear();
  const int rows = midiDestListFill(engine, midiPageSlots()[s].controller, 0);
  const std::int16_t menu = buildMenu("Make XY Controller...", rows);
  if (menu) track(item->windowId, engine, s, menu, slotHandler);
}

void midiXyMenuOpen(ControlItem* item) {
  const int s = slotOfItem(item);
  if (s < 0 || s >= midiSlotCount) return;
  Engine* engine = mainPageEngine(item->windowId);
  if (!engine) return;
  const MidiSlot& slot = midiPageSlots()[s];
  midiDestListClear();
  int rows = midiDestListFill(engine, slot.xController, 0);
  rows = midiDestListFill(engine, slot.yController, rows);
  const std::int16_t menu = buildMenu("Make into Sliders", rows);
  if (menu) track(item->windowId, engine, s, menu, xyHandler);
}

void midiSlotMenuChoose(std::int16_t, std::int16_t itemNumber) {
  if (!g_menu.engine || g_menu.slot < 0 || g_menu.slot >= midiSlotCount) return;
  if (itemNumber == midiMenuFirstCommand) {
    const MidiSlot& slot = midiPageSlots()[g_menu.slot];
    xyDialogOpen(g_menu.window, g_menu.engine, slot.controller, slot.partner);
    return;
  }
  showRow(itemNumber);
}

void midiXyMenuChoose(std::int16_t, std::int16_t itemNumber) {
  if (!g_menu.engine || g_menu.slot < 0 || g_menu.slot >= midiSlotCount) return;
  if (itemNumber != midiMenuFirstCommand) {
    showRow(itemNumber);
    return;
  }
  // "Make into Sliders": both controllers lose their partner and their axis.
  SliderList* list = engineGetSliderList(g_menu.engine);
  MidiSlot& slot = midiPageSlots()[g_menu.slot];
  if (list) {
    sliderListSetPartner(list, slot.xController, midiSlotNone);
    sliderListSetPartner(list, slot.yController, midiSlotNone);
    sliderListSetFlag(list, slot.xController, 0);
    sliderListSetFlag(list, slot.yController, 0);
  }
  slot.controller = slot.xController = slot.yController = midiSlotNone;
  winSetCurrent(static_cast<std::int16_t>(g_menu.window));
  midiPageRefillSlots(g_menu.window);
  midiSlotsInvalidate(g_menu.window);
}

void midiSlotsInvalidate(WinId win) {
  const std::int16_t w = win;
  if (!winSlot(w)) return;
  mainPageSelect(win);
  for (int s = 0; s < midiSlotCount; ++s) {
    const std::uint16_t b = static_cast<std::uint16_t>(midiSlotIdBase + midiSlotIdStep * s);
    for (std::uint16_t id = b + 4; id <= b + 8; ++id)
      if (ctrlIsVisible(w, id)) itemInvalidate(ctrlFind(w, id));
  }
}
