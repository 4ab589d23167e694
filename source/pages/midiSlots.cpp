// The controller slots of the Main page: a slider for one controller or an XY pad for a pair, filled
// from the preset's slider list, following the engine's controller values and sending moved values
// into the engine's MIDI ring.
#include "pages/midiSlots.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/knob.h"
#include "controls/picture.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/numeric.h"
#include "midi/midiSlotMenus.h"
#include "pages/mainPage.h"
#include "preset/sliderList.h"
#include "skinPalette.h"

namespace {

MidiSlot g_slots[midiSlotCount];
uint8_t g_placed[129];  // controllers 0..127, then aftertouch
uint8_t g_refreshPending;

enum { sliderBitmap = 2634, padBitmap = 2640, frameBitmap = 132, xyFrameBitmap = 140, lowerPanel = 2 };

uint16_t base(int s) { return static_cast<uint16_t>(midiSlotIdBase + midiSlotIdStep * s); }
bool hasXY(int s) { return s < 3 || s >= 6; }
int slotOf(const ControlItem* item) { return (item->id - midiSlotIdBase) / midiSlotIdStep; }
uint8_t& placed(int c) { return g_placed[c < 0 ? 128 : c]; }

void showItem(WinId win, uint16_t id, int flag) {
  winNotifyItemsOfType2(win, id, flag);
  ctrlShow(win, id, flag);
}

void sendValue(Engine* engine, int controller, double v) {
  int value = static_cast<int>(v * 127.0);
  value = numClamp(value, 0, 127);
  midiQueueEvent(engine, static_cast<int16_t>(controller), static_cast<int16_t>(value), midiGetQueueChannel(engine));
}

}  // namespace

void midiSlotNameLabel(const SliderEntry* e, int c, char* out, size_t size) {
  char name[17] = {0};
  if (e) std::memcpy(name, e->label, 16);
  if (c < 0)
    std::snprintf(out, size, name[0] ? "%s AT" : "AT", name);
  else if (name[0])
    std::snprintf(out, size, "%s %d", name, c);
  else
    std::snprintf(out, size, "cc %d", c);
}

MidiSlot* midiPageSlots() { return g_slots; }

void midiPageResetSlots() {
  std::memset(g_slots, 0, sizeof g_slots);
  for (auto& s : g_slots) s.controller = s.xController = s.yController = s.partner = midiSlotNone;
}

void midiPageMarkChanged(WinId) { g_refreshPending = 1; }
uint8_t midiPageRefreshPending() { return g_refreshPending; }
void midiPageClearRefreshPending() { g_refreshPending = 0; }

void midiPageBuildSlot(WinId win, int16_t s, int16_t x, int16_t y) {
  if (s < 0 || s >= midiSlotCount || !mainPageEngine(win)) return;
  int16_t w = win;
  uint16_t b = base(s);
  MidiSlot& slot = g_slots[s];
  slot.notifyIds[0] = static_cast<uint32_t>(s + 1);
  slot.notifyIds[1] = static_cast<uint32_t>(2 * s + 13);
  slot.notifyIds[2] = static_cast<uint32_t>(2 * s + 14);
  WinSlot* ws = winSlot(w);
  int32_t ox = ws && ws->currentPort ? ws->currentPort->offsetX : 0;
  int32_t oy = ws && ws->currentPort ? ws->currentPort->offsetY : 0;
  // The slot's group holds the two frames; each frame holds the controls of its kind, so showing a
  // frame shows a slider with its name or a pad with its two labels. The lower panel's picture
  // holds the group and the empty-slot background.
  pictureCreate(w, b, x - 40, y - 13, x + 161 + ox, y + 43 + oy, pictureOwnRect, 0, nullptr);
  ctrlSetGroupMode(w, 0);
  pictureCreate(w, b + 1, x - 40, y - 13, 0, 0, 0, frameBitmap, nullptr);
  if (hasXY(s)) pictureCreate(w, b + 2, x - 40, y - 13, 0, 0, 0, xyFrameBitmap, nullptr);
  pictureCreate(w, b + 3, x - 40, y - 13, 0, 0, 0, frameBitmap, nullptr);
  knobCreate(w, b + 4, x, y, 157, 11, 0, 0, knobHorizontal | knobJumpToClick, sliderBitmap, 0, midiSlotSliderChanged,
             0.0f, 0.0f);
  if (hasXY(s)) {
    knobSetDefaultParamB(3.0f);
    knobCreate(w, b + 5, x + 57, y - 2, 43, 43, 0, 0, 0, padBitmap, 0, midiSlotPadChanged, 0.5f, 0.5f);
    knobSetDefaultParamB(1.0f);
  }
  // The names in the skin's text colour: they stand on the light panel, not on a dark field.
  const CtrlRgb text = {(kSkinText >> 16) & 0xFF, (kSkinText >> 8) & 0xFF, kSkinText & 0xFF}, black = {0, 0, 0};
  displaySetDefaultColors(&text, &black);
  displayCreate(w, b + 6, x, y - 15, 144, "something", 0, displayTakesMouse, 0, midiSlotNameEdited, displayEntryStore);
  if (hasXY(s)) {
    displayCreate(w, b + 7, x, y - 15, 78, "", 0, displayTakesMouse, 0, midiSlotNameEdited, displayEntryStore);
    displayCreate(w, b + 8, x + 82, y - 15, 78, "", 0, displayTakesMouse, 0, midiSlotNameEdited, displayEntryStore);
  }
  pictureAddChild(w, b, b + 1);
  pictureAddChild(w, b + 1, b + 4);
  pictureAddChild(w, b + 1, b + 6);
  if (hasXY(s)) {
    pictureAddChild(w, b, b + 2);
    pictureAddChild(w, b + 2, b + 5);
    pictureAddChild(w, b + 2, b + 7);
    pictureAddChild(w, b + 2, b + 8);
  }
  pictureAddChild(w, lowerPanel, b);
  pictureAddChild(w, lowerPanel, b + 3);
  ctrlSetGroupMode(w, 1);
}

void midiSlotShowKind(WinId win, int16_t s, uint8_t isXY) {
  if (s < 0 || s >= midiSlotCount) return;
  int16_t w = win;
  uint16_t b = base(s);
  if (!hasXY(s)) isXY = 0;
  pictureShowChild(w, b, b + 1, !isXY);
  if (hasXY(s)) pictureShowChild(w, b, b + 2, isXY);
}

int16_t midiSlotPlaceEntry(WinId win, Engine* engine, SliderEntry* entry, MidiSlot* slots, int16_t next,
                           uint8_t pairsOnly) {
  int16_t i = next;
  if (i >= midiSlotCount || !entry || !engine) return midiSlotCount;
  int16_t w = win;
  SliderList* list = engineGetSliderList(engine);
  if (i >= 3)
    while (i < midiSlotCount && slots[i - 3].used && slots[i - 3].isXY) ++i;
  if (i >= midiSlotCount) return midiSlotCount;
  if (slots[i].used) {
    while (i < midiSlotCount && slots[i].used) ++i;
    if (i >= midiSlotCount) return midiSlotCount;
    slots[i].controller = slots[i].xController = slots[i].yController = midiSlotNone;
  }
  MidiSlot& slot = slots[i];
  uint16_t b = base(i);
  SliderEntry* partner = entry->partner >= -1 ? sliderListFind(list, entry->partner) : nullptr;
  // Slots 3..5 have no pad: a pair cannot go there.
  if (partner && !hasXY(i)) partner = nullptr;
  if (!partner) {
    if (pairsOnly) return i;
    slot.controller = static_cast<int16_t>(entry->controller);
    slot.xController = slot.yController = midiSlotNone;
    slot.entry = entry;
    slot.used = 1;
    slot.partner = static_cast<int16_t>(entry->partner);
    slot.isXY = 0;
    char label[40];
    midiSlotNameLabel(entry, entry->controller, label, sizeof label);
    displaySetText(w, b + 6, label);
    knobSetValue(w, b + 4, entry->value * 0.0078740157, 0.0);
    midiSlotShowKind(win, i, 0);
    placed(entry->controller) = 1;
    return static_cast<int16_t>(i + 1);
  }
  if (!pairsOnly) return i;
  if (entry->controller > partner->controller) {
    slot.used = 0;
    return i;
  }
  slot.controller = static_cast<int16_t>(entry->controller);
  slot.entry = entry;
  slot.used = 1;
  slot.partner = static_cast<int16_t>(entry->partner);
  slot.dragging = 0;
  slot.isXY = 1;
  SliderEntry* xe = entry->second ? partner : entry;
  SliderEntry* ye = entry->second ? entry : partner;
  slot.xController = static_cast<int16_t>(xe->controller);
  slot.yController = static_cast<int16_t>(ye->controller);
  char label[40], text[48];
  midiSlotNameLabel(xe, xe->controller, label, sizeof label);
  std::snprintf(text, sizeof text, "X: %s", label);
  displaySetText(w, b + 7, text);
  midiSlotNameLabel(ye, ye->controller, label, sizeof label);
  std::snprintf(text, sizeof text, "Y: %s", label);
  displaySetText(w, b + 8, text);
  knobSetValue(w, b + 5, midiGetSourceValue(engine, slot.xController) * 0.0078740157,
               midiGetSourceValue(engine, slot.yController) * 0.0078740157);
  placed(xe->controller) = 1;
  placed(ye->controller) = 1;
  midiSlotShowKind(win, i, 1);
  return static_cast<int16_t>(i + 1);
}

void midiPageRefillSlotsEntry(WinId win) { midiPageRefillSlots(win); }

void midiPageRefillSlots(WinId win) {
  Engine* engine = mainPageEngine(win);
  if (!engine) return;
  SliderList* list = engineGetSliderList(engine);
  if (!list) return;
  std::memset(g_placed, 0, sizeof g_placed);
  mainPageSelect(win);
  int16_t w = win;
  for (auto& s : g_slots) {
    s.used = 0;
    s.entry = nullptr;
  }
  int16_t index = 0;
  for (int pass = 1; pass >= 0; --pass) {
    for (int c = 0; c < 128 && index < midiSlotCount; ++c) {
      SliderEntry* e = sliderListFind(list, c);
      if (e && !placed(c)) index = midiSlotPlaceEntry(win, engine, e, g_slots, index, static_cast<uint8_t>(pass));
    }
    // A pair whose lower member is aftertouch is placed from the aftertouch entry, after the others.
    SliderEntry* at = sliderListFind(list, -1);
    if (pass == 1 && at && !placed(-1) && index < midiSlotCount)
      index = midiSlotPlaceEntry(win, engine, at, g_slots, index, 1);
  }
  if (index < midiSlotCount) {
    SliderEntry* e = sliderListFind(list, -1);
    if (e && !placed(-1)) index = midiSlotPlaceEntry(win, engine, e, g_slots, index, 0);
  }
  for (int s = 0; s < midiSlotCount; ++s) {
    uint16_t b = base(s);
    const MidiSlot& slot = g_slots[s];
    bool tall = index > 6;
    if (s >= 6 && !tall) {
      showItem(w, b + 3, 0);
    } else if (s % 6 < 3) {
      showItem(w, b + 3, !slot.used);
    } else {
      const MidiSlot& above = g_slots[s - 3];
      showItem(w, b + 3, !slot.used && !(above.used && above.isXY));
    }
    showItem(w, b, slot.used);
  }
  mainPageSelectMode(win, index > 6 ? 5 : 4);
  mainPageSelect(win);
}

void midiPageUpdateSlotValues(WinId win) {
  Engine* engine = mainPageEngine(win);
  if (!engine || !mainPageIsShown(win)) return;
  mainPageSelect(win);
  int16_t w = win;
  for (int s = 0; s < midiSlotCount; ++s) {
    const MidiSlot& slot = g_slots[s];
    if (!slot.used || slot.controller < -1 || slot.dragging) continue;
    uint16_t b = base(s);
    if (slot.isXY) {
      knobSetValue(w, b + 5, midiGetSourceValue(engine, slot.xController) / 127.0,
                   midiGetSourceValue(engine, slot.yController) / 127.0);
      continue;
    }
    int16_t v = midiGetSourceValue(engine, slot.controller);
    int16_t shown = static_cast<int16_t>(knobGetX(w, b + 4) * 127.0);
    if (v != shown) knobSetValueAndRedraw(w, b + 4, v * 0.0078740157);
  }
}

void midiSlotSliderChanged(ControlItem* item, double value, double) {
  int s = slotOf(item);
  Engine* engine = mainPageEngine(item->windowId);
  if (s < 0 || s >= midiSlotCount || !engine) return;
  // Alt or a double click opens the slot menu instead of sending.
  if (inputIsAlt() || winIsDoubleClick()) {
    midiSlotMenuOpen(item);
    return;
  }
  MidiSlot& slot = g_slots[s];
  if (slot.controller >= -1) sendValue(engine, slot.controller, value);
  slot.dragging = inputIsButtonDown() ? 1 : 0;
}

void midiSlotPadChanged(ControlItem* item, double x, double y) {
  int s = slotOf(item);
  Engine* engine = mainPageEngine(item->windowId);
  if (s < 0 || s >= midiSlotCount || !engine) return;
  if (inputIsAlt() || winIsDoubleClick()) {
    midiXyMenuOpen(item);
    return;
  }
  MidiSlot& slot = g_slots[s];
  if (inputIsCtrl()) {
    x = y = 0.5;
    inputReset();
  }
  if (slot.xController >= -1) sendValue(engine, slot.xController, x);
  if (slot.yController >= -1) sendValue(engine, slot.yController, y);
  slot.dragging = inputIsButtonDown() ? 1 : 0;
}

void midiSlotNameEdited(ControlItem* item) {
  int s = slotOf(item);
  Engine* engine = mainPageEngine(item->windowId);
  if (s < 0 || s >= midiSlotCount || !engine) return;
  char text[256] = {0};
  displayGetText(item->windowId, item->id, text, sizeof text);
  text[12] = 0;
  int n = static_cast<int>(std::strlen(text));
  // Trailing digits among the last four characters go (never the first character), then one blank.
  int stop = n - 4 < 1 ? 1 : n - 4;
  while (n > stop && std::isdigit(static_cast<unsigned char>(text[n - 1]))) text[--n] = 0;
  if (n > 1 && text[n - 1] == ' ') text[--n] = 0;
  const MidiSlot& slot = g_slots[s];
  if (slot.controller < -1) return;
  sliderListSetName(engineGetSliderList(engine), slot.controller, text);
}
