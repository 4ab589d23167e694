// The number box (kindNumberBox): a label, a value box showing the value with 0..6 decimals and a strip of
// one to three arrow sections. Dragging vertically on a section runs the box's step rule at that
// section's resolution (coarse, fine, finest); a press on the value opens in-place entry and the typed
// text is parsed into the value. Every change reaches the page's change callback.
#pragma once
#include "controls/ctrlDraw.h"
#include "controls/numboxText.h"
#include "controls/stepRules.h"
#include "uiSeams/winId.h"

typedef void (*NumboxChanged)(ControlItem* item, double value);

enum { numboxLabelSize = 24 };

struct NumboxData {
  uint8_t pressed;
  uint8_t editing;
  int16_t decimals;
  int16_t arrowSections;
  int16_t bitmapBase;
  uint16_t fontFace;
  int16_t fontSlot;
  CtrlRgb labelColor;
  CtrlRgb valueColor;
  CtrlRect arrowRect;
  CtrlRect valueRect;
  CtrlRect labelRect;
  double value;
  double minimum;
  double maximum;
  ControlItem* item;
  ValueStepRule step;
  NumboxChanged onChange;
  char label[numboxLabelSize];
};

ControlItem* numboxCreate(WinId win, uint16_t id, int16_t x, int16_t y, int16_t width, uint16_t arrowSections,
                          uint16_t decimals, double value, double minimum, double maximum, ValueStepRule step,
                          NumboxChanged onChange, const char* label);
NumboxData* numboxData(ControlItem* item);       // null unless a number box with its data
NumboxData* numboxFind(WinId win, uint16_t id);  // in the window's current container
void numboxRedraw(NumboxData* data);
void numboxDrawText(NumboxData* data);
void numboxFormatValue(const NumboxData* data, char* out);  // numboxTextSize bytes
void numboxNotify(WinId win, uint16_t id, uint8_t flag);
void numboxSetTextColor(int16_t red, int16_t green, int16_t blue);
void numboxKindRegister();
// The end of an in-place entry over the value.
void numboxEntryDone(ControlItem* item, const char* text);
// Whether the box may draw now: visible, its container open and its window shown.
bool numboxOnScreen(const NumboxData* data);

// Setters of the editors: the value clamped to the range and redrawn when on screen; the whole set-up.
void numboxSetValue(WinId win, uint16_t id, float value);
void numboxConfigure(WinId win, uint16_t id, const char* unit, ValueStepRule step, float minimum, float maximum,
                     float value);
void numboxSetUnit(WinId win, uint16_t id, const char* text);

// The editors' name: redraws the box of an item (the flag is not used).
inline void numboxRedraw(ControlItem* item, int32_t) { numboxRedraw(numboxData(item)); }
