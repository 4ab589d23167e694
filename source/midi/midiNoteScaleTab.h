// Tab 3 of the Midi page, Note Scaling: one of the ten per-note curves shown as 128 bars of 3 pixels
// that the mouse paints, a destination popup choosing the curve, a note box and a value box for one
// note (which can follow the last played note), and a read-out of the note and value under the mouse.
// Painting, the value box, paste and undo go through the note-curve edits (midi/noteCurveClip.h),
// which commit editKindNoteCurve. A paint step redraws only the columns it changed.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"

struct NoteCurveView;

enum { noteCurveDestCount = 10, noteCurveColumnWidth = 3, noteCurveViewWidth = 384, noteCurveViewHeight = 200 };

// The popup's entries 1..10: label and curve.
struct NoteCurveDest {
  const char* label;
  std::int16_t family, slot;
};
const NoteCurveDest* noteCurveDest(int entry);  // null outside 1..10

// The custom item's handler and its parts.
int32_t noteCurveViewHandler(ControlItem* item, uint32_t event, int32_t a, int32_t b);
void noteCurveViewMouse(ControlItem* item);
void noteCurveDrawBars(ControlItem* item);
// The read-out of `note` (a negative note: the column under the mouse); nothing outside 0..127.
void noteCurveDrawReadout(ControlItem* item, int16_t note);

void noteCurveDestChosen(ControlItem* item, int16_t menu, int16_t entry);
void noteCurveFillDestMenu(WinId win);
void noteCurveNoteBoxChanged(ControlItem* item, double value);
void noteCurveValueBoxChanged(ControlItem* item, double value);
void noteCurveRefreshValueBox(WinId win);
void noteCurveFollowToggled(ControlItem* item, uint8_t pressed, int16_t state);

// The last note-on note the idle tick has applied (60 at start).
int16_t noteCurveFollowedNote();
// Columns drawn since start (bars with their background), for the paint step's cost.
uint32_t noteCurveColumnsDrawn();
