// The picture button (kindButton): push button, toggle, radio button and multi-state switch whose every
// look is a bitmap resource (four looks and four hit masks per state), with an optional caption.
#pragma once
#include "controls/ctrlDraw.h"
#include "uiSeams/winId.h"

typedef void (*ButtonAction)(ControlItem* item, uint8_t pressed, int16_t state);

enum {
  buttonActOnPress = 0x1,
  buttonRadio = 0x2,
  buttonSpare = 0x4,  // stored with the others; no behaviour of its own
  buttonToggle = 0x10,
  buttonCycle = 0x20,
  buttonNoMasks = 0x40,
  buttonPartMode = 0x100,
  buttonImmediate = 0x200
};

struct ButtonData {
  int16_t stateCount, state;
  uint16_t* pictures;
  uint8_t hasMasks;
  int16_t picture;
  uint32_t flags;
  ControlItem* item;
  ButtonAction action;
  uint8_t pressed;
  int16_t fontIndex;
  uint8_t partMode;
  int16_t srcOffsetX, srcOffsetY;
  int16_t face, size;
  uint16_t word21;
  CtrlRgb textColour;
  int16_t textLength;
  char text[32];
};

ControlItem* buttonPlace(WinId win, uint16_t id, int32_t x, int32_t y, uint32_t flags, int32_t baseBitmap,
                         const char* text, int32_t drawable, int32_t pressed, int32_t stateCount, ButtonAction action);
ControlItem* buttonCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                          int32_t srcY, uint32_t flags, int32_t baseBitmap, const char* text, int32_t drawable,
                          int32_t pressed, int32_t stateCount, ButtonAction action);
void buttonSetState(WinId win, uint16_t id, int32_t state);
void buttonSetMask(WinId win, uint16_t id, int32_t maskBitmap);
int buttonIsPressed(WinId win, uint16_t id);
// Shows a button pressed or released without running its action; redrawn only when it changed.
void recButtonSetPressed(WinId win, uint16_t id, int32_t pressed);
int16_t buttonGetState(WinId win, uint16_t id);
void buttonSetText(WinId win, uint16_t id, const char* text);
void buttonSetField21(WinId win, uint16_t id, uint16_t word);
void buttonClick(WinId win, uint16_t id);
int buttonClickPending();
void buttonUseDefaultFace();
void buttonSetDefaultFace(int32_t face);
void buttonSetDefaultCaptionSize(int32_t size);
void buttonSetDefaultCaptionColor(const CtrlRgb* colour);
void buttonKindRegister();
// Later pages' names for the same defaults.
inline void ctrlSetGlobalState(const CtrlRgb* colour) { buttonSetDefaultCaptionColor(colour); }
