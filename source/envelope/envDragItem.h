// The mouse operations of a graph row that change its envelope: the breakpoint drag, the sustain and
// loop-start marker drag and the rubber-band selection; and the setters the page's boxes share with
// them. Each drag is called once per mouse event of its row: the first event of a press captures the
// mouse, the first with the button up ends it.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "preset/envelopeSlot.h"

struct Engine;

void envGraphDragPoint(ControlItem* item, std::int16_t envIndex, std::int16_t bp);
// Duration of breakpoint bp; snapped to the grid while it is on, Alt is up and noSnap is 0.
void envGraphSetBpTimeSnapped(WinId win, Engine* engine, std::int16_t envIndex, std::int16_t bp, double samples,
                              std::uint8_t noSnap);
void envGraphSetSelectedLevels(WinId win, Engine* engine, std::int16_t envIndex, const EnvelopeSlot* ref, double level,
                               double old);
void envGraphSyncLinkPartner(WinId win, Engine* engine, std::int16_t envIndex);
// 1 when the press was taken (a marker hit, or the refusal on a linked envelope shown).
int envGraphDragMarker(ControlItem* item, CtrlPoint point);
void envGraphBandSelect(ControlItem* item);
void envGraphSetPressX(WinId win, std::int16_t x);
