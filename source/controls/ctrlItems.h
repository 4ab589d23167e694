// Control items and the registry of control kinds: adding items to a window's current container,
// showing, moving and redrawing them, and the container operations the window routing uses
// (visible list, drawing in id order, top-down hit testing, hover and mouse dispatch).
#pragma once
#include "controls/ctrlTypes.h"

// Registry.
void ctrlTypesReset();
int ctrlKindRegister(uint32_t kind, CtrlCreateFn create, CtrlDestroyFn destroy, CtrlDrawFn draw, CtrlMouseFn mouse,
                     CtrlMoveToFn moveTo, CtrlMoveByFn moveBy, CtrlShowFn show);
int ctrlAssignKind(ControlItem* item, uint32_t kind);

// Items: looked up in the window's current port.
ControlItem* winAddItem(WinId win, uint16_t id, uint32_t kind);
ControlItem* ctrlFind(WinId win, uint16_t id);  // null for anything missing
ControlItem* ctrlFindKind(WinId win, uint16_t id, uint16_t kind);
int ctrlShow(WinId win, uint16_t id, int32_t flag);
int ctrlShowInWindow(WinId win, uint16_t id, int32_t flag);
int ctrlMoveBy(WinId win, uint16_t id, int32_t dx, int32_t dy);
int ctrlMoveTo(WinId win, uint16_t id, int32_t x, int32_t y);
int ctrlGetRect(WinId win, uint16_t id, CtrlRect* out);
int ctrlSetVerticalSpan(WinId win, uint16_t id, int32_t top, int32_t height);
int ctrlSetDrawable(WinId win, uint16_t id, int32_t flag);
int ctrlIsShown(WinId win, uint16_t id);
int ctrlIsOnScreen(WinId win, uint16_t id);
int ctrlIsVisible(WinId win, uint16_t id);
int ctrlRedraw(WinId win, uint16_t id);
int ctrlDrawNow(WinId win, uint16_t id);
int ctrlResetRegion(WinId win, uint16_t id);
void ctrlSetHoverCursor(ControlItem* item, uint32_t cursorId);
void winNotifyItemsOfType2(WinId win, uint16_t childId, int32_t flag);

// Shared steps of the kinds.
void itemShowAsCtrlShow(ControlItem* item, int32_t flag);  // ctrlShow on an item in hand
void portMarkDirty(ItemPort* port);                        // with the parent chain
void itemInvalidate(const ControlItem* item);
// The item's rectangle as its hit region while it is visible and drawable; the last two as the
// move and show routines of kinds whose region is just their rectangle.
void itemRegionFromRect(ControlItem* item);
void itemMovedRegionFromRect(ControlItem* item, int32_t dx, int32_t dy);
void itemShownRegionFromRect(ControlItem* item, int32_t flag);

// Ports.
int portOpen(ItemPort* port, WinId windowId, ItemPort* parent, uint16_t capacity);
void portClose(ItemPort* port);
void portRebuildVisible(ItemPort* port);
void portDraw(ItemPort* port);
uint16_t portHitTest(ItemPort* port, CtrlPoint point);
void portHover(ItemPort* port);
int portDispatchMouse(ItemPort* port, uint32_t code, void* data, uint16_t id);
void portReloadPictures(ItemPort* port);

// Regions.
void regionInit(ItemRegion* region, uint16_t itemId);
void regionSetFromRect(WinId win, ItemRegion* region, uint16_t cursorId, const CtrlRect* rect, uint16_t maskBitmap);
void regionSet(WinId win, ItemRegion* region, uint16_t cursorId, int32_t left, int32_t top, int32_t right,
               int32_t bottom, uint16_t maskBitmap);
int regionContains(const ItemRegion* region, CtrlPoint point);
