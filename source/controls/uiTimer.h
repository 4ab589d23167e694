// The UI timer service: a fixed table of 128 timers run from the application's 50 ms framework tick,
// and one capture callback that a control uses while it holds the mouse (auto-repeat, dragging, the
// programmatic click of a button).
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

struct ControlItem;
struct UiTimerRecord;

typedef void (*UiTimerFn)(WinId window, uint16_t argument, UiTimerRecord* record);
typedef void (*UiCaptureFn)(ControlItem* object);
// Told when someone else clears the capture callback while it is installed: finish = 1 when the
// control should complete what it was doing, 0 when it must only let go (its window is closing).
typedef void (*UiCaptureEndFn)(ControlItem* object, int finish);

struct UiTimerRecord {
  double due;
  double period;
  uint16_t argument;
  WinId window;
  UiTimerFn callback;
  uint8_t flags[4];
  uint8_t active;
};

namespace UiTimer {

enum { capacity = 128 };

double nowSeconds();
UiTimerRecord* create(WinId window, int16_t argument, UiTimerFn callback, double period, int32_t divisor);
void remove(UiTimerRecord* record);
void removeCallback(WinId window, uint16_t argument, UiTimerRecord* record);
UiTimerRecord* findFree();
void reset(UiTimerRecord* record);
void clearAll();
void setCaptureCallback(UiCaptureFn callback, ControlItem* object, UiCaptureEndFn ended = nullptr);
void clearCaptureCallback();
void dispatch();
void fire(UiTimerRecord* record, double now);

// Introspection for the kit and its tests.
UiTimerRecord* spare();
uint16_t activeCount();
ControlItem* captureObject();
// Drops the capture callback of a window that is closing, without letting its control finish.
void dropCaptureOfWindow(WinId window);

}  // namespace UiTimer
