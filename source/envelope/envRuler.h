// The Envelope page's time ruler (envItemRuler): a 19-pixel strip above the graph rows that labels their
// time axis in seconds, or in beats of the preset's tempo while the grid is on, and zooms the axis: a
// horizontal drag that starts on it zooms around the time under the press point and keeps zooming
// while the button is held (the page's idle tick continues it); a double click returns to zoom 128
// at time 0. It also owns the view's zoom setter.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"

enum { envRulerHeight = 19, envPicRuler = 1511 };

ControlItem* envRulerAddItem(WinId win, std::uint16_t id, std::int32_t x, std::int32_t y);
std::int32_t envRulerHandler(ControlItem* item, std::uint32_t event, std::int32_t a, std::int32_t b);
void envRulerDraw(ControlItem* item);
void envRulerDrawBeats(ControlItem* item);
void envRulerZoomDrag(ControlItem* item);
std::uint8_t envRulerIsDragging(WinId win);
void envRulerIdleDrag(WinId win);
// Stores the zoom (10..22050, else ignored) with its reciprocal and redraws every row.
void envViewSetZoom(WinId win, double zoom);
// Gives the ruler its right edge (window x) and redraws it.
void envRulerSetRight(WinId win, std::int32_t right);
// Redraws the ruler item of the page.
void envRulerRedraw(WinId win);
