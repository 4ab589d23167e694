// The application object: receives the events no window handled, owns the framework timers and the
// accelerator map, and carries the quit flag that ends the message loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "UIAEvents.h"
#include "UIAMenu.h"

class UiaApplication;
class UiaModule;
class Window;

// What the message loop needs besides the application: the one Win32 timer and the modeless dialogs
// whose messages IsDialogMessageA takes.
struct UiaMessageFilter {
  UiaApplication* application = nullptr;
  UINT_PTR timerId = 0;  // 0: the Win32 timer does not run
  std::vector<HWND> modelessDialogs;
  uint8_t flag = 0;  // set by uiaSetMessageFilterFlag
};

// One registered timer; its address is the handle its listener keeps.
struct TimerEntry {
  TimerEntry* prev;
  TimerEntry* next;
  int32_t period;     // ms
  int32_t remaining;  // ms until the next event
  int32_t priority;   // higher first
  EventListener* listener;
  int32_t firingDepth;    // > 0 while the entry's event is delivered
  uint8_t removePending;  // removed as soon as the delivery is over
};

class UiaApplication : public EventListener {
 public:
  UiaApplication();
  // Frees the timer entries, the accelerator map and the message filter.
  ~UiaApplication() override;
  UiaApplication(const UiaApplication&) = delete;
  UiaApplication& operator=(const UiaApplication&) = delete;

  // Hands the event to dispatchEvent with the main window as context; an allocation failure is
  // reported ("Cannot process GUI event!") and answered false.
  bool sendEvent(int32_t code, void* data) override;
  // The framework's default: the exit command 30002 asks 10002 and, when allowed, destroys the main
  // window and sets the quit flag (handled either way). Nothing else is handled.
  bool handleEvent(int32_t code, void* data) override;
  virtual bool init();
  // Clears the accelerator map and stops the Win32 timer when timers remain.
  virtual void exit(bool initResult);
  // Sees a document's text before the shell opens it and may change it.
  virtual void openDocumentHook(std::string& text, uint32_t flag);
  // Calls handleEvent.
  virtual bool dispatchEvent(int32_t code, void* data, Window* context);

  // The message loop: runs until the quit message that follows a message during which the quit flag
  // was set.
  void run();

  void setName(const char* name);
  const char* name() const { return name_.c_str(); }
  // Ignored while any timer is registered or when below 1 ms.
  void setTick(int32_t milliseconds);
  int32_t tick() const { return tick_; }
  Window* mainWindow() const { return mainWindow_; }
  // Also clears the second window pointer.
  void setMainWindow(Window* window);
  UiaModule* module() const { return module_; }
  void requestQuit() { quit_ = 1; }
  bool quitRequested() const { return quit_ != 0; }

  // Key code (modifier bits kept, keypad bit removed) to command id; filled from the menu bar.
  std::map<uint32_t, int32_t>& acceleratorMap() { return accelerators_; }
  // The command of a key, 0 when none.
  int32_t acceleratorCommand(uint32_t key) const;
  // Keeps the menu as the menu bar (null: none) and rebuilds the accelerator map from it: every
  // string item with a key code as item data, in the bar and all its sub-menus (a later item with
  // the same key wins). Main windows created afterwards show the bar.
  void setMenuBar(const MenuHandle* menu);
  const MenuBarHandle& menuBar() const { return menuBar_; }

  // Timers (through EventListener::addTimer and removeTimer).
  TimerEntry* addTimerEntry(EventListener* listener, int32_t period, int32_t priority);
  // Removes the entry when it is in the list and belongs to the listener.
  void removeTimerEntry(EventListener* listener, TimerEntry* entry);
  // One beat of the Win32 timer: walks the entries and sends the events that are due.
  void runTimers();
  TimerEntry* firstTimer() const { return timerHead_; }
  UINT_PTR timerId() const { return filter_ ? filter_->timerId : 0; }
  UiaMessageFilter* messageFilter() const { return filter_.get(); }

 private:
  friend class UiaModule;
  void startWin32Timer();
  void stopWin32Timer();
  void unlinkTimer(TimerEntry* entry);

  std::unique_ptr<UiaMessageFilter> filter_;
  UiaModule* module_ = nullptr;
  std::string name_;
  int32_t tick_ = 40;
  Window* mainWindow_ = nullptr;
  Window* secondWindow_ = nullptr;  // cleared with every new main window; not used otherwise
  uint8_t quit_ = 0;
  uint8_t reserved_[2] = {0, 0};
  std::map<uint32_t, int32_t> accelerators_;
  MenuBarHandle menuBar_;
  TimerEntry* timerHead_ = nullptr;
  TimerEntry* timerTail_ = nullptr;
};
