#include "UIAEvents.h"

#include "UIAApplication.h"
#include "UIAModule.h"

bool EventListener::sendEvent(int32_t code, void* data) { return handleEvent(code, data); }

bool EventListener::handleEvent(int32_t, void*) { return false; }

void EventListener::addTimer(TimerEntry** handle, int32_t period, int32_t priority) {
  UiaApplication* application = uiaApplication();
  TimerEntry* entry = application ? application->addTimerEntry(this, period, priority) : nullptr;
  if (handle) *handle = entry;
}

void EventListener::removeTimer(TimerEntry* handle) {
  // The handle is only compared until it is found in the list: a stale or foreign one is never read.
  if (!handle) return;
  if (UiaApplication* application = uiaApplication()) application->removeTimerEntry(this, handle);
}
