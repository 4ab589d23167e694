// The popup selector (kindSelector): a framed field showing a label and the current choice; a press opens a
// native popup menu under or over it and the chosen entry is reported to the page. The menu is filled
// once, or rebuilt by the page's `opening` callback each time the selector opens. Entries may open
// menus of the popup table (popupMenu.h), whose commands tell their slot.
#pragma once
#include "controls/ctrlDraw.h"
#include "uiSeams/winId.h"

typedef void (*SelectorChosen)(ControlItem* item, int16_t menu, int16_t entry);
typedef void (*SelectorOpening)(ControlItem* item, int32_t opening);

enum {
  selectorFullWidth = 0x4,
  selectorReadsEntry = 0x8,
  selectorLabelInside = 0x10,
  selectorOneBitmap = 0x40,
  selectorNoChecks = 0x80
};
enum { selectorTextSize = 32 };

struct SelectorData {
  uint32_t flags;
  ControlItem* item;
  SelectorChosen chosen;
  int16_t face, size;
  int16_t bitmap;
  int16_t selected;
  int16_t textOffsetX, textOffsetY;
  char label[selectorTextSize];
  char choiceText[selectorTextSize];
  CtrlRect textRect;
  uint32_t colors[4];
  SelectorOpening opening;
  HMENU menu;
  HWND window;
  int16_t fontIndex;
  int16_t entryPictures[16];
};

ControlItem* selectorCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, int16_t reserved,
                            uint32_t flags, int32_t frameBitmap, const char* label, int32_t drawable,
                            SelectorChosen chosen);
void selectorSetOpeningCallback(WinId win, uint16_t id, SelectorOpening opening);
void selectorSelect(WinId win, uint16_t id, int32_t entry);
void selectorSetLabel(WinId win, uint16_t id, const char* text);
void menuClear(WinId win, uint16_t id);
void menuAppendItem(WinId win, uint16_t id, int32_t commandId, int32_t enabled, const char* text,
                    int32_t pictureBitmap);
void menuAttachSubmenu(WinId win, uint16_t id, int32_t commandId, int32_t tableIndex);
void menuEnableItem(WinId win, uint16_t id, int32_t commandId, int32_t flag);
void menuCheckItem(WinId win, uint16_t id, int32_t entry, int32_t flag);
void selectorSetDefaultFontSize(int32_t size);
void selectorSetDefaultColors(const CtrlRgb* a, const CtrlRgb* b, const CtrlRgb* c, const CtrlRgb* d);
void selectorSetDefaultBitmap(int32_t id);
void selectorKindRegister();
SelectorData* selectorData(ControlItem* item);  // null unless a selector with its data
SelectorData* selectorFind(WinId win, uint16_t id);

// Later pages' names.
inline void selectorSetCallback(WinId win, uint16_t id, SelectorOpening opening) {
  selectorSetOpeningCallback(win, id, opening);
}
inline void selectorSetDefaultStyle(int32_t size) { selectorSetDefaultFontSize(size); }
inline void menuRenameItem(WinId win, uint16_t id, int32_t commandId, int32_t tableIndex) {
  menuAttachSubmenu(win, id, commandId, tableIndex);
}
