// The custom item (kindCustom): a rectangle whose drawing and input belong to one handler of the page
// that made it; each kind callback becomes a numbered handler event.
#pragma once
#include "controls/ctrlTypes.h"

typedef int32_t (*CustomHandler)(ControlItem* item, uint32_t event, int32_t a, int32_t b);

enum {
  customDraw = 1,
  customMouse = 2,
  customPlaced = 4,
  customDestroy = 5,
  customMovedTo = 6,
  customMovedBy = 7,
  customShown = 8,
  customHover = 9,
  customDrawable = 10
};

struct CustomItemData {
  uint32_t userData;
  CustomHandler handler;
};

ControlItem* winAddRectItem(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, int32_t height,
                            CustomHandler handler);
void winSetItemData(WinId win, uint16_t id, uint32_t word);
uint32_t customGetUserWord(WinId win, uint16_t id);
void customSetDrawable(WinId win, uint16_t id, int32_t flag);
void customKindRegister();
// Hover over a custom item (event 9).
void customSendHover(ControlItem* item, int32_t x, int32_t y);
