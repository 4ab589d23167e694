// Helpers of the control-kit tests: the kit started fresh for each test, a clock the test turns by
// hand, a real window bound to a slot, and posted mouse and key messages.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/ctrlKit.h"
#include "controls/ctrlTypes.h"
#include "support/windowCapture.h"
#include "uia.h"

// The injected clock behind the double-click test and the UI timers.
extern uint32_t g_testTick;
uint32_t testTick();

// Resets the kit (window table, kinds, timers, fonts, bitmaps) and installs the test clock.
class KitFixtureScope {
 public:
  KitFixtureScope();
  ~KitFixtureScope();
};

// A framework window whose unhandled events go to its slot's routing. Activation changes are kept
// from the routing unless asked for: the routing drops the captured item on them, and windows of
// tests running beside this one take the activation at any moment.
class KitWindow : public ToolWindow {
 public:
  explicit KitWindow(int16_t slotId) : slot(slotId) {}
  bool handleEvent(int32_t code, void* data) override;
  int16_t slot;
  bool passActivation = false;
};

// Opens slot id with capacity items bound to a new window of the given client size (not yet shown).
void openKitWindow(KitWindow& window, int16_t id, uint16_t capacity, int width, int height, int x = 200, int y = 150);

// Dispatches every message already queued for this thread (no waiting).
void drainMessages();
void postPress(HWND hwnd, int x, int y);
void postRelease(HWND hwnd, int x, int y);
void postMove(HWND hwnd, int x, int y, bool buttonDown);
void postClick(HWND hwnd, int x, int y);

// What the window shows now, read from its own device context (not repainted as a PrintWindow
// capture is): drawing done outside painting, such as highlights, is in it. Written as PNG when
// name is not empty.
bool captureShown(HWND hwnd, CapturedWindow& out, const std::string& name = std::string());
