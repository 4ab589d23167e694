// The list (kindList): a fixed number of text rows, one above the other, with single or multiple
// selection by press and drag, a selection callback, optional row pictures and an attached scrollbar.
#pragma once
#include "controls/ctrlDraw.h"
#include "uiSeams/winId.h"

typedef void (*ListCallback)(ControlItem* item);

enum : uint32_t { listMultiple = 0x2, listSelectOnPress = 0x4, listWholePicture = 0x8 };
enum { listTextCapacity = 64, listTextMax = 62 };

struct ListRow {
  uint8_t selected;
  int16_t index;
  int16_t textLength;
  char text[listTextCapacity];  // textLength counts; not relied on to be terminated
};

struct ListData {
  int16_t usedRows;  // one more than the last row with text (1 when none after a change)
  int16_t firstRow;  // first visible row
  int16_t width;
  int16_t rowHeight;
  int16_t bitmapId;  // normal look; + 1 selected look; 0 when none
  int16_t fontFace;
  int16_t fontSize;
  int16_t fontSlot;
  ControlItem* scrollbar;
  CtrlRgb textColor;
  uint8_t holdDrawing;
  uint32_t flags;
  int16_t rowCount;
  ListRow* rows;
  ControlItem* item;
  ListCallback onSelect;
};

void listKindRegister();
ControlItem* listCreate(WinId win, uint16_t id, int32_t x, int32_t y, uint16_t width, int32_t height, int32_t rowHeight,
                        int32_t rowCount, int32_t flags, int32_t bitmapId, ListCallback onSelect);
void listSetRowText(WinId win, uint16_t id, int32_t row, const char* text);
void listGetRowText(WinId win, uint16_t id, int32_t row, char* out);
void listClear(WinId win, uint16_t id);
int32_t listCountFilled(WinId win, uint16_t id);
int32_t listFirstSelected(WinId win, uint16_t id);
int32_t listIsRowSelected(WinId win, uint16_t id, int32_t row);
void listSetRowSelected(WinId win, uint16_t id, int32_t row, uint8_t flag);
void listShow(WinId win, uint16_t id, uint8_t flag);
void listHoldDrawing(WinId win, uint16_t id, uint8_t flag);
void listAttachScrollbar(WinId win, uint16_t listId, uint16_t scrollbarId);
void listScrollTo(WinId win, uint16_t id, float position);
void listScrollToSelection(WinId win, uint16_t id);

// The scrollbar's side of the coupling.
void listScrollToItem(ControlItem* list, float position);
void listForgetScrollbar(ControlItem* list, ControlItem* scrollbar);

// Later pages' names.
inline void listDrawRows(WinId win, uint16_t id) { listScrollToSelection(win, id); }
inline void listSetCallback(WinId win, uint16_t id, uint8_t flag) { listHoldDrawing(win, id, flag); }
