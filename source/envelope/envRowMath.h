// Row heights and vertical scrolling of the Envelope page's graph rows: the arithmetic the row-height
// strip and the page's vertical scrollbar share.
#pragma once

const int envRowHeightMin = 32;
const int envRowHeightMax = 512;
const int envRowHeightDefault = 128;

// The height after a strip drag of dy pixels from a press at height `start` (32..512).
int envRowHeightForDrag(int start, int dy);
// The offset in pixels of the first row for a scrollbar position 0..1 over n rows of height h.
double envRowScrollOffset(double position, int rows, int height);
// The vertical scrollbar's thumb for n selected rows: the whole bar below 2 rows, else 1 / (n x 8)
// with a step of 8.
void envRowScrollThumb(int rows, double* proportion, double* step);
