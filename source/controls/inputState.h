// The one mouse input state of the program: the window routing copies each button and move event
// into it, and every control's mouse callback reads position, button state and modifiers here.
// Also the cursor loader and the per-window cursor.
#pragma once
#include "controls/ctrlTypes.h"

enum { inputNone = 0, inputPressed = 1, inputDragging = 2, inputReleased = 3 };

struct InputState {
  int16_t originY, originX;
  uint8_t captured;
  int16_t buttonState;
  int16_t mouseY, mouseX;
  uint8_t ctrl, alt, shift;
  uint8_t rightButton;
};

// The framework's mouse event record: x, y, modifiers, button (1 left, 2 right, 4 middle),
// action (1 down, 2 up, 3 double click); a move has the first three words.
struct InputMouseEvent {
  int32_t x, y;
  uint32_t modifiers;
  uint32_t button;
  uint32_t action;
};

void inputTranslateEvent(uint32_t code, const void* data);
void inputSetOrigin(int32_t x, int32_t y);
int16_t inputGetOriginX();
int16_t inputButtonState();
int inputIsButtonDown();
void inputGetMousePos(CtrlPoint* out);
int inputIsCtrl();
int inputIsAlt();
int inputIsShift();
int inputIsRightButton();
void inputSetCaptured();
int inputIsCaptured();
void inputReset();
// One double-click test for every page.
int inputGetQuickPress();
int inputIsDoubleClick();

HCURSOR cursorLoad(uint32_t id);
void winSetCursor(WinId win, uint32_t id);
