// The input state, filled from the framework's mouse events, and the cursors.
#include "controls/inputState.h"
#include "UIAWindow.h"
#include "controls/winSlots.h"

namespace {
InputState input;

enum : uint32_t { modShift = 0x10000000u, modCtrl = 0x20000000u, modAlt = 0x40000000u };

void takeModifiersAndPoint(const InputMouseEvent* ev) {
  input.shift = (ev->modifiers & modShift) ? 1 : 0;
  input.ctrl = (ev->modifiers & modCtrl) ? 1 : 0;
  input.alt = (ev->modifiers & modAlt) ? 1 : 0;
  input.mouseX = static_cast<int16_t>(input.originX + ev->x);
  input.mouseY = static_cast<int16_t>(input.originY + ev->y);
}
}  // namespace

void inputTranslateEvent(uint32_t code, const void* data) {
  if (!data) return;
  const InputMouseEvent* ev = static_cast<const InputMouseEvent*>(data);
  if (code == winEvMouseButton) {
    takeModifiersAndPoint(ev);
    input.rightButton = ev->button == 2 && ev->action != 2 ? 1 : 0;
    if (ev->action != 2) {
      // A press starts a new gesture: a capture left over from one whose release never came
      // (its window closed under it) must not swallow it.
      input.buttonState = inputPressed;
      input.captured = 0;
    } else {
      if (input.buttonState > 0) input.buttonState = inputReleased;
      input.captured = 0;
    }
  } else if (code == winEvMouseMove) {
    takeModifiersAndPoint(ev);
    if (input.buttonState == inputPressed) input.buttonState = inputDragging;
  }
}

void inputSetOrigin(int32_t x, int32_t y) {
  input.originX = static_cast<int16_t>(x);
  input.originY = static_cast<int16_t>(y);
}

int16_t inputGetOriginX() { return input.originX; }
int16_t inputButtonState() { return input.buttonState; }
int inputIsButtonDown() { return input.buttonState == 1 || input.buttonState == 2; }

void inputGetMousePos(CtrlPoint* out) {
  if (!out) return;
  out->y = input.mouseY;
  out->x = input.mouseX;
}

int inputIsCtrl() { return input.ctrl; }
int inputIsAlt() { return input.alt; }
int inputIsShift() { return input.shift; }
int inputIsRightButton() { return input.rightButton; }
void inputSetCaptured() { input.captured = 1; }
int inputIsCaptured() { return input.captured; }

void inputReset() {
  input.buttonState = inputNone;
  input.captured = 0;
}

int inputGetQuickPress() { return winIsDoubleClick() ? 1 : 0; }
int inputIsDoubleClick() { return winIsDoubleClick() ? 1 : 0; }

HCURSOR cursorLoad(uint32_t id) {
  static HCURSOR fallback = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
  HCURSOR c = nullptr;
  switch (id) {
    case 0:
    case 3: c = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); break;  // IDC_ARROW
    case 1: c = LoadCursorA(nullptr, MAKEINTRESOURCEA(32513)); break;  // IDC_IBEAM
    case 2: c = LoadCursorA(nullptr, MAKEINTRESOURCEA(32645)); break;  // IDC_SIZENS
    default:
      if (id <= 0xffff) c = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
      break;
  }
  return c ? c : fallback;
}

void winSetCursor(WinId win, uint32_t id) {
  HCURSOR c = cursorLoad(id);
  Window* w = winGetFrameworkObject(win);
  if (c && w) w->setCursor(c);
}
