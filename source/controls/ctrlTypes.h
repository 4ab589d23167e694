// Plain records of the control kit: window slots, item containers, items, hit regions and the
// registry entries of the control kinds. Everything here is addressed by (window id, item id); the
// records themselves stay inside the kit and reach other code only through the kind callbacks.
#pragma once
#include <windows.h>
#include <cstdint>

#include "uiSeams/winId.h"

class Window;
class DrawContext;
struct ControlItem;
struct ItemPort;

typedef void (*CtrlCreateFn)(ControlItem* item);
typedef void (*CtrlDestroyFn)(ControlItem* item);
typedef void (*CtrlDrawFn)(ControlItem* item);
typedef void (*CtrlMouseFn)(ControlItem* item);
typedef void (*CtrlMoveToFn)(ControlItem* item, int32_t x, int32_t y);
typedef void (*CtrlMoveByFn)(ControlItem* item, int32_t dx, int32_t dy);
typedef void (*CtrlShowFn)(ControlItem* item, int32_t flag);
typedef void (*WinCallback)(WinId winId, uint32_t code, void* data);

// The empty callback: every unset callback of a kind or window points here.
void ctrlNop();

// Points are stored vertical first.
struct CtrlPoint {
  int16_t y, x;
};

struct CtrlRect {
  int32_t left, top, right, bottom;
};

struct ItemRegion {
  WinId windowId;
  uint16_t itemId;
  CtrlRect rect;
  uint16_t maskBitmap;
  uint16_t cursorId;
  uint8_t hasMask;
  HCURSOR cursor;
};

struct ControlKind {
  uint8_t registered;
  uint32_t reference;
  void* kindData;
  CtrlCreateFn create;
  CtrlDestroyFn destroy;
  CtrlDrawFn draw;
  CtrlMouseFn mouse;
  CtrlMoveToFn moveTo;
  CtrlMoveByFn moveBy;
  CtrlShowFn show;
};

struct ControlItem {
  uint16_t id;
  uint16_t kind;
  ItemPort* port;
  WinId windowId;
  CtrlRect rect;
  ItemRegion region;
  uint32_t cursorId;
  uint8_t visible;
  uint8_t drawable;
  uint8_t needsRedraw;
  uint16_t parentPicture;
  ControlKind k;
};

// The window an item sits in.
inline WinId ctrlItemWin(const ControlItem* item) { return item->windowId; }

struct ItemList {
  uint16_t capacity;
  uint16_t highestId;
  ControlItem** entries;
};

struct ItemPort {
  uint8_t open;
  uint8_t drawEnabled;
  uint8_t changed;
  WinId windowId;
  ItemPort* parent;
  CtrlRect bounds;
  int16_t offsetY, offsetX;
  uint8_t layoutDirty;
  uint16_t capturedItem;
  ItemList* items;
  ItemList* visibleItems;
};

// In-place text entry of a window: the item being edited, the callback run with the typed text when
// the entry ends, and the native edit control laid over the item.
typedef void (*EditDoneFn)(ControlItem* item, const char* text);
struct EditRecord {
  ControlItem* item;
  EditDoneFn done;
  uint8_t active;
  HWND editWindow;
};

struct WinSlot {
  WinId id;
  uint8_t visible;
  uint8_t flag25;
  uint8_t inUse;
  uint16_t defaultButton;
  ItemPort* defaultButtonPort;
  ItemPort* overlayPort;
  uint8_t noResize;
  ItemPort ownPort;
  ItemPort* currentPort;
  uint16_t width, height;
  void* userData;
  int16_t originX, originY;
  Window* window;
  WinCallback callback;
  DrawContext* drawContext;
  HDC offscreenDC;
  uint32_t dcDepth;
  EditRecord edit;
};

// Kind numbers.
enum {
  kindButton = 1,
  kindPicture = 2,
  kindFramePicture = 3,
  kindKnob = 4,
  kindDisplay = 5,
  kindNumberBox = 6,
  kindTextView = 7,
  kindKeyboard = 8,
  kindSelector = 9,
  kindCustom = 10,
  kindList = 11,
  kindScrollbar = 12,
  kindPane = 13,
  ctrlKindCount = 14
};

enum { winSlotCount = 32 };
