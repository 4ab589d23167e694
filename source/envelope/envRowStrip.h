// The row-height strip of the Envelope page (envItemRowStrip): a 16-pixel strip beside the graph rows. A
// vertical drag makes every row taller or lower (32..512 pixels) around the row under the press; a
// double click restores the default height of 128 and scrolls the rows to the top.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"

enum { envRowStripWidth = 16, envRowStripHeight = 512, envPicRowStripBar = 1512 };

ControlItem* envRowStripAddItem(WinId win, std::uint16_t id, std::int32_t x, std::int32_t y);
std::int32_t envRowStripHandler(ControlItem* item, std::uint32_t event, std::int32_t a, std::int32_t b);
void envRowStripDraw(ControlItem* item);
// Gives the strip its bottom (window y; the drawing holds it to the page's height).
void envRowStripSetBottom(WinId win, std::int32_t bottom);
void envRowStripDrag(ControlItem* item);
