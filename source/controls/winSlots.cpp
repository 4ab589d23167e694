// Window slots: opening and closing, sizes, drawing-context nesting and the routing of framework
// events to the window's items and callback.
#include "controls/winSlots.h"
#include <cstring>
#include "UIADrawContext.h"
#include "UIAWindow.h"
#include "controls/ctrlItems.h"
#include "controls/editBox.h"
#include "controls/inputState.h"
#include "controls/pictureButton.h"
#include "controls/uiTimer.h"

namespace {

WinSlot slots[winSlotCount + 1];
int16_t currentId;
uint32_t lastPressTick;
bool havePress;
bool doubleClick;
CtrlTickFn tickSource;

void winNop(int16_t, uint32_t, void*) {}

void slotReset(WinSlot* slot, WinId id) {
  std::memset(slot, 0, sizeof(*slot));
  slot->id = id;
  slot->flag25 = 1;
  slot->callback = winNop;
  slot->currentPort = &slot->ownPort;
  editRecordReset(&slot->edit);
}

bool validId(int16_t id) { return id >= 1 && id <= winSlotCount; }

void closeSlot(WinSlot* slot) {
  if (!slot->inUse) return;
  // A control of this window that still holds the UI timer's capture lets go first.
  UiTimer::dropCaptureOfWindow(slot->id);
  editBoxEnd();
  if (slot->window && slot->dcDepth && slot->drawContext) {
    slot->dcDepth = 0;
    slot->window->releaseDC(slot->drawContext);
    slot->drawContext = nullptr;
  }
  portClose(&slot->ownPort);
  slotReset(slot, slot->id);
}

}  // namespace

void ctrlSetTickSource(CtrlTickFn fn) { tickSource = fn; }
uint32_t ctrlTickCount() { return tickSource ? tickSource() : GetTickCount(); }

WinSlot* winSlotAny(int16_t id) { return validId(id) ? &slots[id] : nullptr; }

WinSlot* winSlot(int16_t id) { return validId(id) && slots[id].inUse ? &slots[id] : nullptr; }

int16_t winGetCurrent() { return currentId; }

void winSetCurrent(int16_t id) {
  if (id != 0) currentId = id;
}

void winResetAll() {
  for (WinId i = 0; i <= winSlotCount; ++i) slotReset(&slots[i], i);
}

int winOpen(int16_t id, uint16_t capacity, int32_t, Window* window) {
  if (!validId(id) || slots[id].inUse) return 0;
  WinSlot* slot = &slots[id];
  slotReset(slot, id);
  slot->window = window;
  winSetCurrent(id);
  slot->inUse = 1;
  portOpen(&slot->ownPort, id, nullptr, capacity);
  slot->currentPort = &slot->ownPort;
  slot->dcDepth = 0;
  return 1;
}

int16_t winFindFreeSlot() {
  for (int16_t id = winSlotCount; id >= 1; --id)
    if (!slots[id].inUse) return id;
  return 0;
}

void winShow(int16_t id, int32_t flag) {
  WinSlot* slot = winSlot(id);
  if (!slot) return;
  slot->visible = flag ? 1 : 0;
  if (!slot->window) return;
  if (flag) {
    slot->window->show(true);
    winSetCurrent(id);
    winDrawItems(id);
    slot->window->bringToFront();
  } else {
    editBoxEnd();
    slot->window->show(false);
  }
}

void winCloseById(int16_t id) {
  WinSlot* slot = winSlot(id);
  if (slot) closeSlot(slot);
}

void winClose(int16_t id) {
  WinSlot* slot = winSlot(id);
  if (!slot) return;
  if (DialogWindow* dialog = dynamic_cast<DialogWindow*>(slot->window)) dialog->end();
  closeSlot(slot);
}

void winCloseAll() {
  for (int16_t id = 1; id <= winSlotCount; ++id) {
    if (!slots[id].inUse) continue;
    winSetCurrent(id);
    closeSlot(&slots[id]);
  }
}

void winSetCallback(int16_t id, WinCallback callback) {
  if (WinSlot* slot = winSlot(id)) slot->callback = callback ? callback : winNop;
}

void winSetUserData(int16_t id, void* p) {
  if (WinSlot* slot = winSlot(id)) slot->userData = p;
}

void* winGetUserData(int16_t id) {
  WinSlot* slot = winSlot(id);
  return slot ? slot->userData : nullptr;
}

void winSetNoMove(int16_t id, int32_t flag) {
  if (WinSlot* slot = winSlot(id)) slot->noResize = flag ? 1 : 0;
}

void winSetFlag25(int16_t id, int32_t flag) {
  if (WinSlot* slot = winSlot(id)) slot->flag25 = static_cast<uint8_t>(flag);
}

void winSetSize(int16_t id, int32_t width, int32_t height) {
  WinSlot* slot = winSlot(id);
  if (!slot || !slot->window || slot->noResize) return;
  slot->width = static_cast<uint16_t>(width - slot->originX);
  slot->height = static_cast<uint16_t>(height - slot->originY);
  slot->window->setSize(SIZE{slot->width, slot->height}, true);
}

int32_t winGetClientWidth(int16_t id) {
  WinSlot* slot = winSlot(id);
  return slot && slot->window ? slot->window->getSize(true).cx : 0;
}

int32_t winGetClientHeight(int16_t id) {
  WinSlot* slot = winSlot(id);
  return slot && slot->window ? slot->window->getSize(true).cy : 0;
}

int16_t winGetOriginX(int16_t id) {
  WinSlot* slot = winSlot(id);
  return slot ? slot->originX : 0;
}

int16_t winGetOriginY(int16_t id) {
  WinSlot* slot = winSlot(id);
  return slot ? slot->originY : 0;
}

Window* winGetFrameworkObject(int16_t id) {
  WinSlot* slot = winSlot(id);
  return slot ? slot->window : nullptr;
}

HWND winGetFrameworkWindow(int16_t id) {
  WinSlot* slot = winSlot(id);
  return slot && slot->window ? slot->window->nativeHandle() : nullptr;
}

void winCaptureMouse(int16_t id, int32_t flag) {
  WinSlot* slot = winSlot(id);
  if (!slot || !slot->window) return;
  if (flag)
    slot->window->captureMouse();
  else
    slot->window->releaseMouse();
}

void winSelectPort(int16_t id, ItemPort* port) {
  WinSlot* slot = winSlot(id);
  if (!slot) return;
  slot->currentPort = port ? port : &slot->ownPort;
  slot->ownPort.bounds = {0, 0, 9000, 9000};
}

void winSetOverlayPort(int16_t id, ItemPort* port) {
  if (WinSlot* slot = winSlot(id)) slot->overlayPort = port;
}

void winSetDefaultButton(int16_t id, uint16_t item) {
  WinSlot* slot = winSlot(id);
  if (!slot) return;
  slot->defaultButton = item;
  slot->defaultButtonPort = item ? slot->currentPort : nullptr;
}

void winPressDefaultButton(WinSlot* slot) {
  if (!slot || !slot->inUse) return;
  winSelectPort(slot->id, slot->defaultButtonPort);
  buttonClick(slot->id, slot->defaultButton);
}

void winAcquireDrawContext(int16_t id, WinSavedDC* saved) {
  WinSlot* slot = winSlot(id);
  if (!slot || !saved) return;
  saved->depth = slot->dcDepth;
  if (slot->dcDepth == 0 && !slot->drawContext && slot->window) slot->drawContext = slot->window->getDC();
  slot->dcDepth += 1;
  saved->dc = slot->drawContext ? slot->drawContext->dc() : nullptr;
}

void winReleaseDrawContext(int16_t id, WinSavedDC* saved) {
  WinSlot* slot = winSlot(id);
  if (!slot || !saved) return;
  slot->dcDepth = saved->depth;
  if (saved->depth == 0 && slot->window && saved->dc && slot->drawContext) {
    slot->window->releaseDC(slot->drawContext);
    slot->drawContext = nullptr;
  }
}

HDC winGetDC(int16_t id) {
  WinSlot* slot = winSlot(id);
  if (!slot) return nullptr;
  if (slot->offscreenDC) return slot->offscreenDC;
  if (slot->drawContext) return slot->drawContext->dc();
  slot->dcDepth = 0;
  return nullptr;
}

HDC winGetPaintDC(int16_t id) {
  WinSlot* slot = winSlot(id);
  return slot && slot->drawContext ? slot->drawContext->dc() : nullptr;
}

void winReleaseOffscreen(int16_t id) {
  WinSlot* slot = winSlot(id);
  if (!slot || !slot->drawContext) return;
  if (slot->window) slot->window->releaseDC(slot->drawContext);
  slot->drawContext = nullptr;
}

void winSetOffscreenDC(int16_t id, HDC dc) {
  if (WinSlot* slot = winSlot(id)) slot->offscreenDC = dc;
}

bool winIsDoubleClick() { return doubleClick; }

bool winNotePress() {
  const uint32_t now = ctrlTickCount();
  const bool quick = havePress && now - lastPressTick < 250u;
  lastPressTick = now;
  havePress = true;
  return quick;
}

void winDrawItems(int16_t id) {
  WinSlot* slot = winSlot(id);
  if (!slot || !slot->visible) return;
  HDC dc = winGetDC(id);
  ItemPort* overlay = slot->overlayPort;
  if (overlay && dc) {
    if (overlay->layoutDirty) portRebuildVisible(overlay);
    ExcludeClipRect(dc, overlay->bounds.left, overlay->bounds.top, overlay->bounds.right + 1,
                    overlay->bounds.bottom + 1);
  }
  portDraw(&slot->ownPort);
  if (overlay) {
    if (dc) SelectClipRgn(dc, nullptr);
    portDraw(overlay);
  }
}

namespace {

bool routeButton(WinSlot* slot, int16_t id, uint32_t code, void* data) {
  const InputMouseEvent* ev = static_cast<const InputMouseEvent*>(data);
  WinSavedDC saved;
  inputSetOrigin(slot->originX, slot->originY);
  winAcquireDrawContext(id, &saved);
  inputTranslateEvent(code, data);
  bool handled = false;
  if (ev && ev->action != 2) {
    doubleClick = winNotePress();
    winCaptureMouse(id, 1);
    UiTimer::clearCaptureCallback();
    CtrlPoint p;
    inputGetMousePos(&p);
    uint16_t hit = portHitTest(&slot->ownPort, p);
    // A press inside the active in-place entry's item leaves the entry open and reaches no item.
    if (hit && !editBoxContains(p)) {
      editBoxEnd();
      handled = portDispatchMouse(&slot->ownPort, code, data, hit) != 0;
    }
  } else if (ev) {
    winCaptureMouse(id, 0);
  }
  if (inputButtonState() == inputReleased) {
    uint16_t captured = slot->ownPort.capturedItem;
    if (captured) handled = portDispatchMouse(&slot->ownPort, code, data, captured) != 0;
    slot->ownPort.capturedItem = 0;
    inputReset();
    UiTimer::clearCaptureCallback();
  }
  slot->callback(id, code, data);
  inputSetOrigin(0, 0);
  // The callback may have closed the window.
  if (winSlot(id) == slot) winReleaseDrawContext(id, &saved);
  return handled;
}

}  // namespace

bool winHandleEvent(int16_t id, uint32_t code, void* data) {
  WinSlot* slot = winSlot(id);
  if (!slot || !slot->window) return false;
  winSetCurrent(id);
  doubleClick = false;
  WinSavedDC saved;
  switch (code) {
    case winEvCreated: {
      slot->callback(id, code, data);
      SIZE s = slot->window->getSize(true);
      slot->width = static_cast<uint16_t>(s.cx);
      slot->height = static_cast<uint16_t>(s.cy);
      return true;
    }
    case winEvDestroyed:
      editBoxEnd();
      slot->callback(id, code, data);
      slot->window = nullptr;
      closeSlot(slot);
      return true;
    case winEvPaint: {
      slot->drawContext = static_cast<DrawContext*>(data);
      slot->dcDepth = 1;
      winAcquireDrawContext(id, &saved);
      slot->callback(id, code, data);
      winDrawItems(id);
      winReleaseDrawContext(id, &saved);
      if (winSlot(id) == slot) {
        slot->drawContext = nullptr;
        slot->dcDepth = 0;
      }
      return true;
    }
    case winEvSize: slot->callback(id, code, data); return false;
    case winEvActivated:
    case winEvDeactivated:
      editBoxEnd();
      slot->callback(id, code, data);
      slot->ownPort.capturedItem = 0;
      // The captured item no longer hears the release: a control of this window that holds the
      // UI timer's capture (a held arrow, a drag with a hidden cursor) ends what it was doing.
      if (code == winEvDeactivated && UiTimer::captureObject() && UiTimer::captureObject()->windowId == id)
        UiTimer::clearCaptureCallback();
      winSetCursor(id, 0);
      return false;
    case winEvCloseRequest:
      winAcquireDrawContext(id, &saved);
      slot->callback(id, code, data);
      winReleaseDrawContext(id, &saved);
      return false;
    case winEvMouseButton: return routeButton(slot, id, code, data);
    case winEvMouseMove: {
      winAcquireDrawContext(id, &saved);
      inputSetOrigin(slot->originX, slot->originY);
      inputTranslateEvent(code, data);
      if (slot->ownPort.capturedItem)
        portDispatchMouse(&slot->ownPort, code, data, slot->ownPort.capturedItem);
      else
        portHover(&slot->ownPort);
      if (inputButtonState() == inputDragging) slot->callback(id, code, data);
      if (winSlot(id) == slot) winReleaseDrawContext(id, &saved);
      inputSetOrigin(0, 0);
      return true;
    }
    case winEvKeyDown: {
      winAcquireDrawContext(id, &saved);
      int32_t key = data ? *static_cast<const int32_t*>(data) : 0;
      if (slot->defaultButton && !buttonClickPending() && (key == 13 || key == 159)) winPressDefaultButton(slot);
      winCaptureMouse(id, 0);
      inputReset();
      slot->callback(id, code, data);
      if (winSlot(id) == slot) winReleaseDrawContext(id, &saved);
      return false;
    }
    default: return false;
  }
}
