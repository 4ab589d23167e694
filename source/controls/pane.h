// The nested pane (kindPane): an item holding its own item container. Pages fill a pane by selecting
// its port as the window's current port, creating items, and selecting the window's own port again.
#pragma once
#include "controls/ctrlTypes.h"

struct PaneData {
  ControlItem* item;
  ItemPort port;
  uint8_t option;
  uint32_t userWord;
};

ControlItem* paneCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t spare, uint16_t capacity,
                        uint32_t userWord);
void paneActivate(WinId win, uint16_t id);
void winSelectPane(WinId win, uint16_t id);
void paneSetSecondPort(WinId win, uint16_t id);
uint8_t paneGetOption(WinId win, uint16_t id);
void paneSetOption(WinId win, uint16_t id, uint8_t option);
ItemPort* panePort(ControlItem* item);  // null unless a pane with its data
void paneKindRegister();
