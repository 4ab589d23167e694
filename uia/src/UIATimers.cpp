// Framework timers: one Win32 thread timer beats at the application's tick and each beat walks the
// application's entries, highest priority first, sending the timer event to those that are due.
#include <windows.h>

#include "UIAApplication.h"
#include "UIAModule.h"

namespace {

VOID CALLBACK uiaTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  UiaApplication* application = uiaApplication();
  if (!application || !application->timerId() || id != application->timerId()) return;
  application->runTimers();
}

}  // namespace

TimerEntry* UiaApplication::addTimerEntry(EventListener* listener, int32_t period, int32_t priority) {
  const bool wasEmpty = timerHead_ == nullptr;
  if (period == 0) period = tick_;
  TimerEntry* entry = new TimerEntry{nullptr, nullptr, period, period, priority, listener, 0, 0};

  TimerEntry* before = timerHead_;
  while (before && before->priority >= priority) before = before->next;
  if (before) {
    entry->next = before;
    entry->prev = before->prev;
    if (before->prev)
      before->prev->next = entry;
    else
      timerHead_ = entry;
    before->prev = entry;
  } else {
    entry->prev = timerTail_;
    if (timerTail_)
      timerTail_->next = entry;
    else
      timerHead_ = entry;
    timerTail_ = entry;
  }
  if (wasEmpty) startWin32Timer();
  return entry;
}

void UiaApplication::unlinkTimer(TimerEntry* entry) {
  if (entry->prev)
    entry->prev->next = entry->next;
  else
    timerHead_ = entry->next;
  if (entry->next)
    entry->next->prev = entry->prev;
  else
    timerTail_ = entry->prev;
  delete entry;
}

void UiaApplication::removeTimerEntry(EventListener* listener, TimerEntry* entry) {
  TimerEntry* found = timerHead_;
  while (found && found != entry) found = found->next;
  if (!found || found->listener != listener) return;
  if (found->firingDepth < 1)
    unlinkTimer(found);
  else
    found->removePending = 1;
  if (!timerHead_) stopWin32Timer();
}

void UiaApplication::startWin32Timer() {
  if (!filter_ || filter_->timerId) return;
  filter_->timerId = SetTimer(nullptr, 1, static_cast<UINT>(tick_), uiaTimerProc);
}

void UiaApplication::stopWin32Timer() {
  if (!filter_ || !filter_->timerId) return;
  KillTimer(nullptr, filter_->timerId);
  filter_->timerId = 0;
}

void UiaApplication::runTimers() {
  TimerEntry* entry = timerHead_;
  while (entry) {
    ++entry->firingDepth;
    // Every ceil(period / tick) beats: a due entry always fires, whatever the overshoot, so no
    // period is left without events; the overshoot is not carried over.
    int64_t remaining = static_cast<int64_t>(entry->remaining) - tick_;
    if (remaining > 0) {
      entry->remaining = static_cast<int32_t>(remaining);
    } else {
      entry->remaining = entry->period;
      UiaTimerEvent event = {entry, entry->period};
      entry->listener->sendEvent(UIA_EVENT_TIMER, &event);
    }
    --entry->firingDepth;
    TimerEntry* next = entry->next;
    if (entry->removePending && entry->firingDepth < 1) {
      unlinkTimer(entry);
      if (!timerHead_) stopWin32Timer();
    }
    entry = next;
  }
}
