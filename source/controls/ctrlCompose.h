// Composing a small area off screen: while a compose is open, the kit's drawing functions for that
// window draw into a memory bitmap (in window coordinates), and closing it copies the area to the
// window in one blit. Controls that redraw often (number boxes, meters) use it, so a redraw costs the
// display one copy instead of one per bitmap.
#pragma once
#include "controls/winSlots.h"
#include "uiSeams/winId.h"

struct ComposeArea {
  WinId win;
  CtrlRect rect;
  WinSavedDC saved;
  HDC target;  // the window's device context
  HDC memory;  // null when composing was not possible: drawing then goes straight to the window
  HDC previousOffscreen;
};

// Acquires the window's drawing context and opens the area; false without a device context. With
// `keepBehind` the area starts as a copy of the window's pixels, so whatever the drawing leaves out
// stays as it was; without it the caller covers the whole area (reading the window back is slow).
bool composeBegin(WinId win, const CtrlRect& rect, ComposeArea* area, bool keepBehind);
// Copies the area to the window, restores the window's drawing surface and releases the context.
void composeEnd(ComposeArea* area);
// Frees the kept memory surface (at the kit's shut-down).
void composeFree();
