// Tab 2 of the Midi page, Velocity: the ten velocity slots (oscillator amplitude and FM index or
// balance of channels 1..3, filter frequency of channels 1..3 and the master filter), each with its
// sensitivity in percent and a switch that turns the slot's response over (pressed: off). The
// velocity setters commit through the edit block (editKindVelocity).
#include "controls/numbox.h"
#include "controls/pictureButton.h"
#include "engine/velocityRuntime.h"
#include "midi/midiPage.h"

namespace {

// Box 41 + i and switch 51 + i belong to (family, slot) of entry i, in row order.
struct VelocityPlace {
  int32_t family, slot;
  int16_t x, y;
  double maximum;
};
const VelocityPlace kSlots[velocityEntryCount] = {
    {1, 0, 173, 105, 99.999}, {1, 1, 266, 105, 99.999}, {1, 2, 359, 105, 99.999}, {2, 0, 173, 144, 100.0},
    {2, 1, 266, 144, 99.999}, {2, 2, 359, 144, 99.999}, {3, 0, 173, 183, 99.999}, {3, 1, 266, 183, 99.999},
    {3, 2, 359, 183, 99.999}, {3, 3, 452, 183, 99.999},
};
// The switch sits right of its box.
const int16_t kSwitchOffset = 68, kBoxWidth = 48;

int entryOf(uint16_t id) {
  if (id >= midiItemVelocityBoxFirst && id <= midiItemVelocityBoxLast) return id - midiItemVelocityBoxFirst;
  if (id >= midiItemVelocitySwitchFirst && id <= midiItemVelocitySwitchLast) return id - midiItemVelocitySwitchFirst;
  return -1;
}

}  // namespace

bool velocitySlotOf(uint16_t id, int32_t* family, int32_t* slot) {
  const int i = entryOf(id);
  if (i < 0) return false;
  if (family) *family = kSlots[i].family;
  if (slot) *slot = kSlots[i].slot;
  return true;
}

void midiVelocityTabBuild(WinId win) {
  for (int i = 0; i < velocityEntryCount; ++i) {
    const VelocityPlace& p = kSlots[i];
    numboxCreate(win, static_cast<uint16_t>(midiItemVelocityBoxFirst + i), p.x, p.y, kBoxWidth, 2, 2, 0, 0, p.maximum,
                 numboxStepDefault, velocityBoxChanged, "");
  }
  for (int i = 0; i < velocityEntryCount; ++i) {
    const VelocityPlace& p = kSlots[i];
    buttonPlace(win, static_cast<uint16_t>(midiItemVelocitySwitchFirst + i), p.x + kSwitchOffset, p.y, buttonToggle,
                midiBmpRampSwitch, "", 1, 0, 1, velocitySwitchToggled);
  }
}

void midiVelocityTabRefresh(WinId win, Engine* e) {
  if (!e) return;
  for (int i = 0; i < velocityEntryCount; ++i)
    midiBoxShow(win, static_cast<uint16_t>(midiItemVelocityBoxFirst + i),
                velocityGetAmountB(e, kSlots[i].family, kSlots[i].slot));
  for (int i = 0; i < velocityEntryCount; ++i)
    recButtonSetPressed(win, static_cast<uint16_t>(midiItemVelocitySwitchFirst + i),
                        velocityIsOn(e, kSlots[i].family, kSlots[i].slot) ? 0 : 1);
}

void velocityBoxChanged(ControlItem* item, double value) {
  int32_t family = 0, slot = 0;
  Engine* e = item ? midiPageEngine(item->windowId) : nullptr;
  if (!e || !velocitySlotOf(item->id, &family, &slot)) return;
  velocitySetAmountB(e, family, slot, midiBoxValue(value));
}

void velocitySwitchToggled(ControlItem* item, uint8_t pressed, int16_t) {
  int32_t family = 0, slot = 0;
  Engine* e = item ? midiPageEngine(item->windowId) : nullptr;
  if (!e || !velocitySlotOf(item->id, &family, &slot)) return;
  velocitySetOn(e, family, slot, pressed ? 0 : 1);
}
