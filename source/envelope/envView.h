// The Envelope page's view and edit state: one record per main window, kept at the end of the main
// window's user data (MainWindowData::envView). It holds the time axis of the graph rows (offset and
// zoom), the row geometry, the selected envelope and breakpoints, the list's kept selection, the
// page size and the envelope copies of undo, redo and the envelope clipboard. Every page piece reads
// and writes it through envViewOf(win).
#pragma once
#include <cstdint>

#include "preset/envelopeSlot.h"
#include "uiSeams/winId.h"

struct ControlItem;
struct Engine;

enum {
  envRowCount = 28,  // rows of the envelope list (one per slot at most)
  envPageMinWidth = 738,
  envPageMaxWidth = 1536,
  envPageMinHeight = 645,
  envPageMaxHeight = 1024,
  envRowMinHeight = 32,
  envRowMaxHeight = 512,
  envRowDefaultHeight = 128
};

// One envelope of the kept list selection: destination kind -1 marks an unselected row.
struct EnvKeptEntry {
  std::int16_t destKind;
  std::int16_t owner;
};

struct EnvelopeView {
  double timeOffset;          // seconds at the left edge of every graph row, >= 0
  double pixelsPerSecond;     // horizontal zoom
  double secondsPerPixel;     // its reciprocal
  double scrollSpan;          // seconds the time scrollbar covers (>= 1)
  double graphHeight;         // height of row envItemGraphFirst at the last scrollbar setup
  std::int16_t graphX0;       // x of timeOffset inside a row: left + 2
  std::int32_t itemWidth;     // width of a new row and of the ruler
  std::int32_t itemHeight;    // height of every row, 32..512
  std::uint16_t graphBottom;  // last bottom given to a row by a resize
  std::int16_t selectedItem;  // row item envItemGraphFirst..envItemGraphLast of the selected envelope; 0 or -2 none
  std::uint16_t selectedDestKind;  // its destination kind (0 none)
  std::uint16_t selectedOwner;     // its owner index
  std::int16_t bpSelFirst;         // breakpoint selection: -1 the start point, -2 none
  std::int16_t bpSelLast;
  std::int16_t bpSelAnchor;    // a selection exists while above -2
  std::uint8_t dragging;       // a ruler zoom drag is running (continued by the idle tick)
  double gridBeats;            // grid step in beats: 0.5, 0.25, 0.125
  ControlItem* hoverItem;      // row under the mouse
  std::uint8_t timeRangeLock;  // 1: a breakpoint drag keeps the following breakpoint's time
  std::uint8_t gridOn;
  std::uint8_t redrawPending;               // set before all rows are drawn; labels only while set
  std::uint8_t sectionsShown;               // last shown state of the settings sections
  std::int16_t rowSlots[envRowCount];       // slot of each list row, -1 for an empty row
  EnvKeptEntry keptSelection[envRowCount];  // selected envelopes by (kind, owner)
  std::uint16_t sourceButtonId;             // controller-source button that opened the source window
  std::int16_t pageWidth;                   // 738..1536
  std::int16_t pageHeight;                  // 645..1024
  std::int16_t pressX;                      // x of the last press in a row (paste position)
  std::uint8_t refreshRequested;            // set by envPageMarkChanged, cleared by the full refresh
  std::int16_t selectedSlot;                // slot of the selected envelope, -1 none
  std::int16_t addedSlot;                   // slot the add pane made last; the next list fill selects it
  EnvelopeSlot undoSlot;                    // one slot before an edit
  EnvelopeSlot redoSlot;                    // that slot before an undo
  EnvelopeSlot clipSlot;                    // the envelope clipboard
  std::int16_t undoSlotIndex;               // slot of undoSlot; -1 for an all-slots undo
  std::uint8_t undoAll;                     // the pending undo covers all slots
  EnvelopeSlot undoAllSlots[envSlotCount];
  EnvelopeSlot redoAllSlots[envSlotCount];
};

// Writes the start values into a zeroed record.
void envViewInit(EnvelopeView* view);
// The view and the engine of a main window; null without its user data (or without an engine).
EnvelopeView* envViewOf(WinId win);
Engine* envEngineOf(WinId win);
