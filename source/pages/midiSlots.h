// What the Main page uses of the Midi page code: the twelve controller slots it places in its lower
// panel (built, refilled from the preset's slider list, following the controller values each tick,
// sending moved values and storing renamed controllers), and the Midi page's refresh request.
#pragma once
#include <cstddef>
#include <cstdint>

#include "midi/midiSlot.h"
#include "uiSeams/winId.h"

struct ControlItem;
struct Engine;
struct SliderEntry;

enum { midiSlotIdBase = 45, midiSlotIdStep = 9 };

MidiSlot* midiPageSlots();  // the twelve records: the main window's, or the page's own without one
void midiPageResetSlots();

void midiPageBuildSlot(WinId win, int16_t s, int16_t x, int16_t y);
void midiPageRefillSlotsEntry(WinId win);
void midiPageRefillSlots(WinId win);
int16_t midiSlotPlaceEntry(WinId win, Engine* engine, SliderEntry* entry, MidiSlot* slots, int16_t next,
                           uint8_t pairsOnly);
void midiSlotShowKind(WinId win, int16_t s, uint8_t isXY);
void midiPageUpdateSlotValues(WinId win);
void midiSlotSliderChanged(ControlItem* item, double value, double unused);
void midiSlotPadChanged(ControlItem* item, double x, double y);
void midiSlotNameEdited(ControlItem* item);
// A controller's label as the slots and the XY dialog show it: "%s %d" of the entry's name and c,
// "cc %d" without a name; "%s AT" or "AT" for aftertouch (c below 0). `out` holds `size` bytes.
void midiSlotNameLabel(const SliderEntry* entry, int c, char* out, size_t size);

// The Midi page's refresh request, raised by edits elsewhere (tuning choices and the like).
void midiPageMarkChanged(WinId win);
uint8_t midiPageRefreshPending();
void midiPageClearRefreshPending();

// The tuning editor: the Midi page shown on its Tune tab with the key list rebuilt (midi/midiPage.cpp).
void midiPageOpenTuningEditor(WinId win);
