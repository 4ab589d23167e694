// The envelope list (list 105): one row per listed envelope in a fixed order (the channels' modules,
// then the master section's), its selection kept by (destination kind, owner) so that the same
// envelopes stay selected when the list is refilled for another preset; the filter popup (80); and
// binding the selected rows' envelopes to the graph rows.
#include <cstring>

#include "controls/ctrlItems.h"
#include "controls/list.h"
#include "controls/scrollbar.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envView.h"
#include "preset/envelope.h"

namespace {

std::uint8_t g_firstTime = 1;

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// Slot of each filled row, in list order; answers the row count.
int listedSlots(Engine* e, std::int16_t* rows) {
  int n = 0;
  auto scan = [&](int owner, int lastKind) {
    for (int kind = 1; kind <= lastKind; ++kind)
      for (std::int16_t s = 0; s < envSlotCount && n < envRowCount; ++s) {
        const EnvelopeSlot* slot = engineGetEnvelopeSlot(e, s);
        if (!slot || slot->owner != owner || slot->destination != kind) continue;
        if (slot->destination == envDestPanFb && slot->partnerId > 0) continue;  // the hidden half of a pair
        rows[n++] = s;
      }
  };
  for (int owner = 0; owner < 3; ++owner) scan(owner, 39);
  scan(3, 38);
  return n;
}

void keepAmplitudeDefaults(EnvelopeView* v) {
  for (int i = 0; i < 3; ++i) v->keptSelection[i] = {1, static_cast<std::int16_t>(i)};
  g_firstTime = 0;
}

}  // namespace

void envListSetFirstTime(std::uint8_t on) { g_firstTime = on; }

bool envFilterPasses(std::int16_t entry, std::int16_t k, std::int16_t owner) {
  switch (entry) {
    case envFilterAll: return true;
    case envFilterNone: return false;
    case envFilterChannel1: return owner == 0;
    case envFilterChannel2: return owner == 1;
    case envFilterChannel3: return owner == 2;
    case envFilterMaster: return owner == 3;
    case envFilterOscil: return inRange(k, 1, 8) || inRange(k, 17, 24) || inRange(k, 31, 36);
    case envFilterFilter: return k == 9 || k == 15 || k == 16;
    case envFilterMod: return k == 13 || k == 14;
    case envFilterWaveshape: return inRange(k, 10, 12);
    case envFilterEffect: return inRange(k, 25, 27) || k == 29 || k == 30;
    default: return false;
  }
}

int envListSelectedCount(WinId win) {
  envSelectPane(win);
  if (!ctrlFindKind(win, envItemList, kindList)) return 0;
  const int filled = listCountFilled(win, envItemList);
  int n = 0;
  for (int r = 0; r < filled && r < envRowCount; ++r)
    if (listIsRowSelected(win, envItemList, r)) ++n;
  return n;
}

bool envListIsSlotSelected(WinId win, std::int16_t slot) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  if (!v || !ctrlFindKind(win, envItemList, kindList)) return false;
  const int filled = listCountFilled(win, envItemList);
  for (int r = 0; r < filled && r < envRowCount; ++r)
    if (listIsRowSelected(win, envItemList, r) && v->rowSlots[r] == slot) return true;
  return false;
}

void envListKeepSelection(WinId win) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e) return;
  if (g_firstTime || envListSelectedCount(win) == 0) {
    keepAmplitudeDefaults(v);
    return;
  }
  for (int r = 0; r < envRowCount; ++r) {
    const EnvelopeSlot* slot = v->rowSlots[r] >= 0 ? engineGetEnvelopeSlot(e, v->rowSlots[r]) : nullptr;
    if (slot && listIsRowSelected(win, envItemList, r))
      v->keptSelection[r] = {slot->destination, slot->owner};
    else
      v->keptSelection[r] = {-1, 0};
  }
}

void envListRebindGraphs(WinId win) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  if (!v || !envEngineOf(win)) return;
  envGraphScrollRows(win, 0.0f);
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphLast; ++id) {
    envGraphBindSlot(win, id, -1);
    if (ctrlFind(win, id)) ctrlShow(win, id, 0);
  }
  const int filled = listCountFilled(win, envItemList);
  std::uint16_t id = envItemGraphFirst;
  for (int r = 0; r < filled && r < envRowCount && id <= envItemGraphLast; ++r)
    if (listIsRowSelected(win, envItemList, r) && v->rowSlots[r] >= 0) envGraphBindSlot(win, id++, v->rowSlots[r]);
  const std::int32_t top = winGetOriginY(win) + envGraphAreaOffset;
  for (int k = 0; k < envGraphItemCount; ++k) {
    envGraphShowIfBelow(win, k, top);
    envGraphInvalidateItem(win, static_cast<std::uint16_t>(envItemGraphFirst + k));
  }
  // A selected row whose envelope is no longer shown gives up the selection.
  if (v->selectedItem >= envItemGraphFirst &&
      envGraphSlotOfItem(envGraphItem(win, static_cast<std::uint16_t>(v->selectedItem))) != v->selectedSlot) {
    v->selectedItem = -2;
    v->selectedDestKind = v->selectedOwner = 0;
    v->selectedSlot = -1;
    envGraphClearBpSelection(win);
  }
  scrollbarSetPosition(win, envItemRowScroll, 0.0);
  envGraphSetupRowScroll(win);
  envGraphRedrawAll(win);
  envGraphLayoutItems(win);
}

void envPageFillList(WinId win) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !ctrlFindKind(win, envItemList, kindList)) return;
  for (std::int16_t& r : v->rowSlots) r = -1;
  const int n = listedSlots(e, v->rowSlots);
  listHoldDrawing(win, envItemList, 1);
  listClear(win, envItemList);
  for (int r = 0; r < n; ++r) {
    const std::int16_t s = v->rowSlots[r];
    const EnvelopeSlot* slot = engineGetEnvelopeSlot(e, s);
    char name[envNameSize];
    envGetName(e, s, name, slot->destination, slot->owner);
    listSetRowText(win, envItemList, r, name);
    bool selected = s == v->addedSlot;
    for (const EnvKeptEntry& k : v->keptSelection)
      if (k.destKind == slot->destination && k.owner == slot->owner) selected = true;
    listSetRowSelected(win, envItemList, r, selected ? 1 : 0);
  }
  listHoldDrawing(win, envItemList, 0);
  ctrlRedraw(win, envItemList);
  envListKeepSelection(win);
  envListRebindGraphs(win);
  envListFillLinkSource(win);
  v->addedSlot = -1;
}

void envListFillLinkSource(WinId win) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !selectorFind(win, envItemLinkSource)) return;
  int n = 0;
  while (n < envRowCount && v->rowSlots[n] >= 0) ++n;
  menuClear(win, envItemLinkSource);
  for (int r = 0; r < n; ++r) {
    char text[listTextCapacity] = {};
    listGetRowText(win, envItemList, r, text);
    const std::int16_t s = v->rowSlots[r];
    const bool disabled = envIsLinked(e, s) || envGetMode(e, s) == envModeControl || s == v->selectedSlot;
    menuAppendItem(win, envItemLinkSource, r + 1, 1, text, 0);
    if (disabled) menuEnableItem(win, envItemLinkSource, r + 1, 0);  // a text item takes its state once added
  }
  if (v->selectedSlot >= 0) {
    const std::int16_t master = envGetLinkMasterSlot(e, v->selectedSlot);
    int item = 0;
    for (int r = 0; r < n; ++r)
      if (master >= 0 && master != v->selectedSlot && v->rowSlots[r] == master) item = r + 1;
    selectorSelect(win, envItemLinkSource, item);
  }
}

void envListOnSelect(ControlItem* item) {
  if (!item) return;
  const WinId win = item->windowId;
  if (!envPageBegin(win)) return;
  envListRebindGraphs(win);
  envListKeepSelection(win);
}

void envListFillFilterMenu(ControlItem* item, std::int32_t opening) {
  if (!item || !opening) return;
  const WinId win = item->windowId;
  static const struct {
    int id;
    const char* text;
  } kEntries[] = {{envFilterAll, "All"},
                  {envFilterNone, "None"},
                  {3, "-"},
                  {envFilterChannel1, "Channel 1"},
                  {envFilterChannel2, "Channel 2"},
                  {envFilterChannel3, "Channel 3"},
                  {envFilterMaster, "Master Channel"},
                  {8, "-"},
                  {envFilterOscil, "All Oscil"},
                  {envFilterFilter, "All Filter"},
                  {envFilterMod, "All Mod"},
                  {envFilterWaveshape, "All Waveshape"},
                  {envFilterEffect, "All Effect"}};
  menuClear(win, envItemFilter);
  for (const auto& entry : kEntries) menuAppendItem(win, envItemFilter, entry.id, 1, entry.text, 0);
}

void envListOnFilter(ControlItem* item, std::int16_t, std::int16_t entry) {
  if (!item) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !envPageBegin(win)) return;
  const int filled = listCountFilled(win, envItemList);
  listHoldDrawing(win, envItemList, 1);
  for (int r = 0; r < filled && r < envRowCount; ++r) {
    const EnvelopeSlot* slot = v->rowSlots[r] >= 0 ? engineGetEnvelopeSlot(e, v->rowSlots[r]) : nullptr;
    const bool on = slot && envFilterPasses(entry, slot->destination, slot->owner);
    listSetRowSelected(win, envItemList, r, on ? 1 : 0);
  }
  listHoldDrawing(win, envItemList, 0);
  ctrlRedraw(win, envItemList);
  envListRebindGraphs(win);
  envListKeepSelection(win);
}
