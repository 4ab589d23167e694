// UI timers. Due times are kept in seconds of the tick-count clock; the differences with the current
// time are taken on the unsigned 32-bit millisecond count, so timers carry on across its wrap. A timer
// fires at most once per tick, on the first tick at or after its due time; its next due time is one
// period after the previous one (not after the tick), so jittered ticks keep the timer's rate.
#include "controls/uiTimer.h"
#include <windows.h>
#include "controls/ctrlTypes.h"
#include "controls/winSlots.h"

namespace {

UiTimerRecord records[UiTimer::capacity];
UiTimerRecord spareRecord;
UiTimerRecord* activeList[UiTimer::capacity];
uint16_t count;
uint8_t busy;
UiCaptureFn captureFn;
ControlItem* captureObj;
UiCaptureEndFn captureEnd;

// Due times as tick counts (milliseconds): fire when (now - due) taken unsigned is below 2^31.
uint32_t dueTicks[UiTimer::capacity];

void captureNop(ControlItem*) {}

void rebuild() {
  count = 0;
  for (UiTimerRecord& r : records)
    if (r.active) activeList[count++] = &r;
  for (int i = count; i < UiTimer::capacity; ++i) activeList[i] = &spareRecord;
}

uint32_t periodTicks(double period) {
  double ms = period * 1000.0;
  if (!(ms > 0.0)) return 0;
  if (ms > 2147483647.0) ms = 2147483647.0;
  return static_cast<uint32_t>(ms + 0.5);
}

int indexOf(const UiTimerRecord* r) {
  if (r < records || r >= records + UiTimer::capacity) return -1;
  return static_cast<int>(r - records);
}

}  // namespace

namespace UiTimer {

double nowSeconds() { return static_cast<double>(ctrlTickCount()) * 0.001; }

UiTimerRecord* create(WinId window, int16_t argument, UiTimerFn callback, double period, int32_t divisor) {
  if (argument == 0 || !callback) return &spareRecord;
  UiTimerRecord* r = findFree();
  if (!r) return &spareRecord;
  if (divisor == 0) divisor = 1;
  double p = period / divisor;
  if (!(p >= 0.0) || p > 2147483.0) p = 0.0;  // NaN, negative or absurd periods fire every tick
  uint32_t now = ctrlTickCount();
  r->period = p;
  r->due = static_cast<double>(now) * 0.001 + p;
  r->argument = static_cast<uint16_t>(argument);
  r->window = window;
  r->callback = callback;
  r->flags[0] = r->flags[1] = r->flags[2] = r->flags[3] = 0;
  r->active = 1;
  dueTicks[indexOf(r)] = now + periodTicks(p);
  rebuild();
  return r;
}

void remove(UiTimerRecord* record) {
  if (!record) return;
  reset(record);
  if (indexOf(record) >= 0) rebuild();
}

void removeCallback(WinId, uint16_t, UiTimerRecord* record) { remove(record); }

UiTimerRecord* findFree() {
  for (UiTimerRecord& r : records)
    if (!r.active) return &r;
  return nullptr;
}

void reset(UiTimerRecord* record) {
  if (!record) return;
  record->due = 0.0;
  record->period = 0.0;
  record->argument = 0;
  record->window = 0;
  record->callback = removeCallback;
  record->flags[0] = record->flags[1] = record->flags[2] = record->flags[3] = 0;
  record->active = 0;
}

void clearAll() {
  reset(&spareRecord);
  for (UiTimerRecord& r : records) reset(&r);
  for (UiTimerRecord*& p : activeList) p = &spareRecord;
  count = 0;
  captureFn = captureNop;
  captureObj = nullptr;
  captureEnd = nullptr;
  ShowCursor(TRUE);
}

void setCaptureCallback(UiCaptureFn callback, ControlItem* object, UiCaptureEndFn ended) {
  captureFn = callback ? callback : captureNop;
  captureObj = object;
  captureEnd = ended;
}

namespace {
void clearCapture(int finish) {
  UiCaptureEndFn ended = captureEnd;
  ControlItem* object = captureObj;
  captureFn = captureNop;
  captureObj = nullptr;
  captureEnd = nullptr;
  ShowCursor(TRUE);
  if (ended) ended(object, finish);
}
}  // namespace

void clearCaptureCallback() { clearCapture(1); }

void dropCaptureOfWindow(WinId window) {
  if (captureObj && captureObj->windowId == window) clearCapture(0);
}

void dispatch() {
  if (busy) return;
  busy = 1;
  uint32_t now = ctrlTickCount();
  if (captureObj) {
    winSetCurrent(captureObj->windowId);
    (captureFn ? captureFn : captureNop)(captureObj);
  }
  // A callback that removes a timer rebuilds the list under us: walk the records that were active
  // when the tick began, so no timer skips this tick because another went away.
  UiTimerRecord* due[capacity];
  uint16_t n = count;
  for (uint16_t i = 0; i < n; ++i) due[i] = activeList[i];
  for (uint16_t i = 0; i < n; ++i)
    if (due[i]->active) fire(due[i], static_cast<double>(now) * 0.001);
  busy = 0;
}

void fire(UiTimerRecord* record, double now) {
  if (!record || !record->active) return;
  int idx = indexOf(record);
  uint32_t nowTicks = static_cast<uint32_t>(static_cast<int64_t>(now * 1000.0 + 0.5));
  if (idx >= 0) {
    if (static_cast<int32_t>(nowTicks - dueTicks[idx]) < 0) return;
    // The next firing is one whole period after this one was due, so a tick that comes a little
    // early does not push it past the following tick. A timer still a whole period or more
    // behind after that (a stall) fires once and starts again from now: no catch-up firings.
    const uint32_t period = periodTicks(record->period);
    dueTicks[idx] += period;
    if (static_cast<int32_t>(nowTicks - dueTicks[idx]) >= static_cast<int32_t>(period))
      dueTicks[idx] = nowTicks + period;
    record->due = static_cast<double>(dueTicks[idx]) * 0.001;
  } else {
    if (now < record->due) return;
    record->due += record->period;
    if (!(now - record->due < record->period)) record->due = now + record->period;
  }
  record->callback(record->window, record->argument, record);
}

UiTimerRecord* spare() { return &spareRecord; }
uint16_t activeCount() { return count; }
ControlItem* captureObject() { return captureObj; }

}  // namespace UiTimer
