// The framework's cursors: twelve system cursors loaded at start-up and read by windows, drag
// tracking and widgets.
#pragma once

#include <windows.h>

enum UiaCursor {
  kCursorArrow = 0,
  kCursorCross,
  kCursorHand,
  kCursorText,
  kCursorNotAllowed,
  kCursorMove,
  kCursorSizeNESW,
  kCursorSizeNS,
  kCursorSizeNWSE,
  kCursorSizeWE,
  kCursorUpArrow,
  kCursorWait,
  kCursorCount
};

// Loads the twelve cursors; false when any is missing (those loaded stay).
bool uiaLoadCursors();
// Forgets the handles (system cursors are shared and never destroyed).
void uiaFreeCursors();
// The handle of a cursor (null before uiaLoadCursors or for an unknown index).
HCURSOR uiaCursor(int which);
// The system cursor id of each entry (32512 for the arrow ...).
int uiaCursorSystemId(int which);
