// The table of 32 numbered window slots. A slot ties a framework window to the window's item
// container, user data, window callback, origin and the drawing context valid while it paints;
// every caller addresses a window by its id 1..32 only.
#pragma once
#include "controls/ctrlTypes.h"

// Framework event codes the routing reacts to.
enum {
  winEvMouseButton = 1000,
  winEvMouseMove = 1001,
  winEvKeyDown = 1100,
  winEvCreated = 1000000,
  winEvDestroyed = 1000001,
  winEvPaint = 1000002,
  winEvSize = 1000003,
  winEvActivated = 1000005,
  winEvDeactivated = 1000006,
  winEvCloseRequest = 1000009
};

struct WinSavedDC {
  uint32_t depth;
  HDC dc;
};

WinSlot* winSlot(int16_t id);     // the slot in use, or null
WinSlot* winSlotAny(int16_t id);  // the slot for an id 1..32, in use or not, else null
int16_t winGetCurrent();
void winSetCurrent(int16_t id);

void winResetAll();
int winOpen(int16_t id, uint16_t capacity, int32_t spareCount, Window* window);
int16_t winFindFreeSlot();
void winShow(int16_t id, int32_t flag);
void winClose(int16_t id);
void winCloseById(int16_t id);
void winCloseAll();
void winSetCallback(int16_t id, WinCallback callback);
void winSetUserData(int16_t id, void* p);
void* winGetUserData(int16_t id);
void winSetNoMove(int16_t id, int32_t flag);
void winSetFlag25(int16_t id, int32_t flag);
void winSetSize(int16_t id, int32_t width, int32_t height);
int32_t winGetClientWidth(int16_t id);
int32_t winGetClientHeight(int16_t id);
int16_t winGetOriginX(int16_t id);
int16_t winGetOriginY(int16_t id);
Window* winGetFrameworkObject(int16_t id);
HWND winGetFrameworkWindow(int16_t id);
void winCaptureMouse(int16_t id, int32_t flag);

void winSelectPort(int16_t id, ItemPort* port);
void winSetOverlayPort(int16_t id, ItemPort* port);
void winSetDefaultButton(int16_t id, uint16_t item);
void winPressDefaultButton(WinSlot* slot);

void winAcquireDrawContext(int16_t id, WinSavedDC* saved);
void winReleaseDrawContext(int16_t id, WinSavedDC* saved);
HDC winGetDC(int16_t id);
HDC winGetPaintDC(int16_t id);
void winReleaseOffscreen(int16_t id);
void winSetOffscreenDC(int16_t id, HDC dc);

bool winHandleEvent(int16_t id, uint32_t code, void* data);
void winDrawItems(int16_t id);
bool winIsDoubleClick();
// Takes a press at the kit's clock and answers whether it came within 250 ms of the press before it
// (in any window, or in the in-place entry): a double click.
bool winNotePress();

// Clock of the double-click test and of the UI timers: GetTickCount unless a test installs its own.
typedef uint32_t (*CtrlTickFn)();
void ctrlSetTickSource(CtrlTickFn fn);  // null restores GetTickCount
uint32_t ctrlTickCount();
