// The text display (kindDisplay): one line of text in a shared font, drawn over the background of the
// picture it sits on. With flag 8 it takes the mouse, and a press opens an in-place text entry over
// it; when the entry ends the new text is stored and the page's `changed` callback runs.
#pragma once
#include "controls/ctrlDraw.h"
#include "uiSeams/winId.h"

typedef void (*DisplayChanged)(ControlItem* item);

enum { displayHidden = 1, displayTakesMouse = 8, displayDoubleClickEdits = 64 };
enum { displayTextSize = 256 };

struct DisplayData {
  char text[displayTextSize];
  int32_t length;
  uint32_t format;  // DrawTextA flags; 1 centred and 2 right-aligned also align the entry
  int16_t face, fontIndex, size;
  uint16_t styleWord;
  int16_t backBitmap, backX, backY;
  int16_t spare[5];
  CtrlRgb textColour;
  CtrlRgb backColour;
  uint32_t flags;
  ControlItem* item;
  DisplayChanged changed;
  EditDoneFn entryDone;
};

ControlItem* displayCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, const char* text, int32_t spare,
                           uint32_t flags, uint32_t format, DisplayChanged changed, EditDoneFn entryDone);
void displaySetText(WinId win, uint16_t id, const char* text);
void displayGetText(WinId win, uint16_t id, char* buffer, int32_t size);
void displayRedraw(WinId win, uint16_t id, int32_t flag);
void displaySetDefaultFont(int32_t face);
void displaySetDefaultFontSize(int32_t size);
void displaySetDefaultColors(const CtrlRgb* text, const CtrlRgb* second);
const CtrlRgb* displayGetDefaultTextColor();
void displayKindRegister();

DisplayData* displayData(ControlItem* item);  // null unless a display with its data
// The end of an in-place entry over a display: stores the text and runs `changed`.
void displayEntryStore(ControlItem* item, const char* text);
// How many entries displayEntryStore has stored since start (an entry's end stores a display once).
uint32_t displayEntryStores();

// Later pages' names.
inline void displaySetDefaultStyle(int32_t size) { displaySetDefaultFontSize(size); }
