// The drawing resources made once at start-up and kept for the life of the process: six cursors of
// the executable, and the pens and brushes that the envelope graph and the wave displays share.
#pragma once
#include <windows.h>

const int appCursorCount = 6;
const int appPenCount = 13;
const int appBrushCount = 7;

// Makes them once; later calls do nothing.
void appCreateGdiResources();
HCURSOR appCursor(int index);  // null outside 0..5
HPEN appPen(int index);        // null outside 0..12
HBRUSH appBrush(int index);    // null outside 0..6
