// The play position marker of the Envelope page's graph rows: while the last started voice sounds,
// each shown row gets a one-pixel line at its envelope's current time (for a Control driven envelope,
// the controller's position along it). The page's idle tick draws it; a row is restored by copying
// back the column from the copy its last drawing left, never by redrawing the envelope.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "preset/envelopeSlot.h"

struct Engine;

void envGraphUpdateMarkers(WinId win, std::uint8_t active);
void envGraphDrawMarkerLine(ControlItem* item, std::uint8_t active);
void envGraphDrawControlMarker(ControlItem* item, Engine* engine, EnvelopeSlot* slot);
// Where the row's marker stands now: its x in window pixels, -1 when none is drawn (tests).
std::int32_t envGraphMarkerX(ControlItem* item);
