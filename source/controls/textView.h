// The text lines view (kindTextView): a fixed grid of cells, each one short line of text over a cell
// picture, with one selected line drawn over the next picture. A press on a cell selects its line and
// tells the owner when the selection changed.
#pragma once
#include "controls/ctrlDraw.h"
#include "uiSeams/winId.h"

typedef void (*TextViewCallback)(ControlItem* item, int32_t line);

enum : uint32_t { textViewCellsFromBitmap = 1 };  // cells are the bitmap's parts at their own place
enum { textViewLineCapacity = 64, textViewLineMax = 62 };

struct TextViewLine {
  uint16_t spare;
  int16_t index;
  int16_t length;
  char text[textViewLineCapacity];
};

struct TextViewData {
  int16_t selected;  // -1 for none
  int16_t across, down;
  int16_t cellWidth, cellHeight;
  uint16_t spare;
  int16_t bitmap;  // + 1 the selected cell; 0 none
  int16_t face, size, fontIndex;
  int16_t srcOffsetX, srcOffsetY;  // negated position at creation
  CtrlRgb colours[5];              // the text in the first
  uint32_t flags;
  int16_t lineCount;
  TextViewLine* lines;
  ControlItem* item;
  TextViewCallback callback;
};

ControlItem* textViewCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t cellWidth, int32_t cellHeight,
                            int32_t across, int32_t down, int32_t lineCount, uint32_t flags, int32_t bitmap,
                            TextViewCallback callback);
void textViewSetLine(WinId win, uint16_t id, int32_t line, const char* text);
void textViewSelectLine(WinId win, uint16_t id, int32_t line);
int32_t textViewSelected(WinId win, uint16_t id);                       // -1 for none or no view
void textViewGetLine(WinId win, uint16_t id, int32_t line, char* out);  // out holds 64 bytes
void textViewKindRegister();
