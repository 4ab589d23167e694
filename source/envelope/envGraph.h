// The envelope graph rows of the Envelope page: custom items envItemGraphFirst..envItemGraphLast, each drawing one
// envelope slot as a breakpoint curve and taking the mouse for editing it. Each item owns an EnvelopeGraphRecord: the
// slot it shows and what its last drawing left behind (hit areas of markers and slope handles,
// per-column curve heights); the layout fills it before each drawing and the mouse code reads it.
// Every operation returns quietly without the window's view or engine, without the item or when the
// item carries no record.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "controls/offscreen.h"
#include "envelope/envGraphLayoutCore.h"
#include "preset/envelopeSlot.h"

struct Engine;
struct EnvelopeView;

enum { envGraphItemCount = 23 };
const std::uint32_t envGraphTag = 0x656E7645u;  // the bytes "Evne"

struct EnvelopeGraphRecord {
  std::uint32_t tag;       // envGraphTag
  std::uint16_t itemId;    // 16..38; 0 in a partner record
  std::int16_t slotIndex;  // -1 when the item shows none
  std::uint16_t variant;
  std::int16_t loopStartX;  // column where the curve takes the loop colour
  std::int16_t sustainX;    // column where it leaves it after the sustain point; -1 none
  GraphHit loopMark;
  GraphHit sustainMark;
  GraphHit startMark;
  std::int16_t pointCount;
  std::int16_t handleCount;
  OffscreenHighlight offscreen;  // copy of the item's screen area after its last drawing
  std::uint8_t partnerActive;    // the last press hit the partner curve
  EnvelopeGraphRecord* partner;  // surround-pan partner's record, or null
  GraphHit* xyHits;              // 68 entries of the XY square, or null
  GraphHit pointHits[envGraphHitCount];
  GraphHit handleHits[envGraphHitCount];
  std::int16_t curveY[envGraphMaxColumns];     // curve height above the bottom per column; -1 none
  std::int16_t lfoCurveY[envGraphMaxColumns];  // the LFO-modulated copy
};

bool envGraphHitContains(const GraphHit& h, std::int32_t x, std::int32_t y);
// First entry of a table hit by the point, or -1 (at most `count` and 68 entries searched).
int envGraphHitFind(const GraphHit* table, int count, std::int32_t x, std::int32_t y);

// ---- Items and records (envGraph.cpp)
ControlItem* envGraphAddItem(WinId win, std::uint16_t id, std::int32_t left, std::int32_t top);
void envGraphBindSlot(WinId win, std::uint16_t id, std::int16_t slot);
void envGraphSetPartner(EnvelopeGraphRecord* record, Engine* engine, bool paired);
EnvelopeGraphRecord* envGraphRecordOfItem(ControlItem* item);
EnvelopeGraphRecord* envGraphRecordOf(WinId win, std::uint16_t id);
// Slot of the item's record; -1 for no item, no record or no slot.
std::int16_t envGraphSlotOfItem(ControlItem* item);
EnvelopeSlot* envGraphSelectedSlot(WinId win);
// Slot index of the selected row, -1 when none.
std::int16_t envGraphSelectedSlotIndex(WinId win);
void envGraphSetCurrentItem(WinId win, ControlItem* item);
void envGraphLayoutItems(WinId win);
void envGraphResizeItem(WinId win, std::uint16_t id, std::int32_t right, std::int32_t bottom);
void envGraphInvalidateItem(WinId win, std::uint16_t id);
void envGraphRedrawAll(WinId win);
void envGraphRedrawLinked(WinId win);
void envGraphShowIfBelow(WinId win, int k, std::int32_t y);
double envBpAbsSeconds(const EnvelopeSlot* slot, int bp);
double envGraphXToSeconds(WinId win, std::int32_t x0, std::int32_t x);
double envGraphDragLevel(std::int16_t destKind, std::int32_t pressCoord, std::int32_t coord, double startLevel,
                         double stepPerPixel);

std::int32_t envGraphItemHandler(ControlItem* item, std::uint32_t event, std::int32_t a, std::int32_t b);
void envGraphItemDestroy(ControlItem* item);
void envGraphItemShow(ControlItem* item, std::int32_t flag);
// The item of a window's graph column, null for an id without an item.
ControlItem* envGraphItem(WinId win, std::uint16_t id);

// ---- Rows and view accessors (envRows.cpp)
void envGraphLayoutRows(ControlItem* item, std::int32_t h, std::uint16_t anchor);
void envGraphSetupRowScroll(WinId win);
void envGraphScrollRows(WinId win, float position);
double envViewGetTimeOffset(WinId win);
void envViewSetTimeOffset(WinId win, double seconds);
std::int32_t envViewGetPixelsPerSecond(WinId win);
double envViewGetScrollSpan(WinId win);
void envViewSetScrollSpan(WinId win, double span);
std::uint8_t envViewGetGridOn(WinId win);
void envViewSetGridOn(WinId win, std::uint8_t on);
void envViewSetFreeTime(WinId win, std::uint8_t on);
std::int32_t envViewGetSelectedOwner(WinId win);
std::int32_t envViewGetSelectedDestKind(WinId win);
double envViewGetGridBeats(WinId win);
void envViewSetGridBeats(WinId win, double beats);
double envGridStepSamples(Engine* engine, WinId win);
std::int32_t envBpSelFirst(WinId win);
std::int32_t envBpSelLast(WinId win);
std::int32_t envBpSelNext(WinId win, std::int16_t* index);
ControlItem* envViewGetHoverItem(WinId win);
void envGraphRecordInit(EnvelopeGraphRecord* record, std::uint16_t itemId, std::uint16_t variant);
void envGraphDrawPartner(ControlItem* item, Engine* engine, EnvelopeSlot* slot);
void envGraphFreePartner(EnvelopeGraphRecord* record);
// Plain-call entries of the above for the tools pane, the row-height strip and the ruler.
void envGraphLayoutRowsEntry(ControlItem* item, std::int32_t h, std::uint16_t anchor);
void envGraphScrollRowsEntry(WinId win, float position);
ControlItem* envViewGetHoverItemEntry(WinId win);
void envGraphDrawPartnerEntry(ControlItem* item, Engine* engine, EnvelopeSlot* slot);
// The time scrollbar's span and thumb (envPageUpdateScrollSpan).
void envTimeScrollSetupEntry(WinId win);

// ---- Layout (envGraphLayout.cpp)
void envGraphComputeLayout(ControlItem* item, const EnvelopeSlot* slot, EnvelopeGraphRecord* record);
// The same on a bare rectangle (window coordinates) for a window's view.
void envGraphComputeLayoutRect(WinId win, const CtrlRect& rect, const EnvelopeSlot* slot, EnvelopeGraphRecord* record);
double envGraphSecondsToX(WinId win, double x0, double seconds);
void envGraphDrawDestLabel(WinId win, HDC dc, const EnvelopeSlot* slot, const CtrlRect& rect);
void envGraphDrawXySquare(ControlItem* item);

// ---- Painting (envGraphPaint.cpp)
void envGraphDraw(ControlItem* item, EnvelopeGraphRecord* record = nullptr, EnvelopeSlot* slot = nullptr);
void envGraphDrawMarker(WinId win, HDC dc, const EnvelopeSlot* slot, int bp, const CtrlRect& r, bool itemSelected,
                        bool linked);
void envGraphDrawSourceLabel(WinId win, HDC dc, const EnvelopeSlot* slot, int bp, const CtrlRect& r);
// The sample peaks under segment k (-1: from the start point) of a sample-position envelope of channel
// `channel`; without `whole` the stretch cut by the row's left edge before marker k.
void envGraphDrawSampleSegment(WinId win, HDC dc, Engine* engine, std::int16_t channel,
                               const EnvelopeGraphRecord* record, const CtrlRect& rect, std::int32_t left, int k,
                               bool whole);
// The label text of a breakpoint's controller sources ("" when both scales are 0).
void envGraphSourceLabelText(const Breakpoint& bp, char* out, int size);
// The grid's columns for a view, tempo and width: spacing in pixels (0 when no grid is drawn).
double envGraphGridSpacing(const EnvelopeView* view, double lengthSamples, double beats);

// ---- Breakpoint editing (envBreakpointEdit.cpp)
void envGraphMouseDown(ControlItem* item);
int envGraphEdit(ControlItem* item, CtrlPoint point, std::uint8_t usePartner);
void envGraphSelectBp(ControlItem* item, std::int16_t bp);
void envGraphExtendBpSelection(WinId win, std::int16_t bp);
void envGraphClearBpSelection(WinId win);
bool envGraphIsBpSelected(WinId win, std::int16_t bp);
std::int16_t envGraphFirstSelectedBp(WinId win);
bool envGraphHasBpSelection(WinId win);
void envGraphSelectItem(WinId win, std::uint16_t id);
void envGraphUpdateCopyKind(WinId win);
void envGraphUpdatePasteEnable(WinId win);
void envGraphAddBreakpoint(ControlItem* item, EnvelopeSlot* slot, double seconds, double level);
void envGraphDeleteBreakpoint(ControlItem* item, EnvelopeSlot* slot, std::int16_t bp);
void envGraphDragSlope(ControlItem* item, std::int16_t bp);
void envGraphScaleSlopes(WinId win, Engine* engine, std::int16_t slotIndex, EnvelopeSlot* slot, std::int16_t first,
                         double newSlope, double oldSlope);
void envClampLoopPointsRec(EnvelopeSlot* slot);
// The double click of a row at a window point: deletes the marker under it or adds a breakpoint.
void envGraphDoubleClick(ControlItem* item, std::int32_t x, std::int32_t y);
