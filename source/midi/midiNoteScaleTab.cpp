// Tab 3 of the Midi page, Note Scaling: the curve view painted with the mouse, the destination popup,
// the note and value boxes, note follow and the read-out.
#include "midi/midiNoteScaleTab.h"

#include <cstdio>

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/inputState.h"
#include "controls/itemScreen.h"
#include "controls/numbox.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/numeric.h"
#include "midi/midiNames.h"
#include "midi/midiPage.h"
#include "midi/noteCurveClip.h"
#include "pages/clipKinds.h"
#include "preset/editBlock.h"

namespace {

const NoteCurveDest kDests[noteCurveDestCount] = {
    {"Oscil amp 1", 1, 0},
    {"Oscil amp 2", 1, 1},
    {"Oscil amp 3", 1, 2},
    {"Oscil fm index/balance 1", 2, 0},
    {"Oscil fm index/balance 2", 2, 1},
    {"Oscil fm index/balance 3", 2, 2},
    {"Filter freq 1", 3, 0},
    {"Filter freq 2", 3, 1},
    {"Filter freq 3", 3, 2},
    {"Filter freq master", 3, 3},
};

const int32_t kViewX = 105, kViewY = 117;
const int32_t kReadoutFace = 1, kReadoutSize = 9;
const CtrlRgb kReadoutColour = {185, 243, 226};
// The name label: 16 pixels left of the column to 48 right of it (wide enough for "G#_-1 (8)"), 12
// high, 19 above the view; the value label: 36 wide, 10 right of the view.
const int32_t kNameLeft = 16, kNameRight = 48, kNameAbove = 19, kNameBelow = 7, kLabelHeight = 12;
const int32_t kValueGap = 10, kValueWidth = 36;
const int kNotes = noteCurveNotes;

int16_t g_followedNote = 60;
int32_t g_readoutFont = -1;
uint32_t g_columnsDrawn = 0;

// The drag's working values (one drag at a time).
struct Drag {
  CtrlRect view;
  CtrlPoint mouse;
  int16_t column;
  int16_t prevY, prevX;
  int16_t prevColumn;
};
Drag g_drag = {};

// Where the read-out labels were last drawn (empty: none).
CtrlRect g_nameShown = {0, 0, 0, 0};
CtrlRect g_valueShown = {0, 0, 0, 0};

Engine* engineOf(WinId win) { return midiPageEngine(win); }

NoteCurveView* viewOf(WinId win) {
  NoteCurveView* v = noteCurveClipView();
  return v && engineOf(win) && engineOf(win) == noteCurveClipEngine() ? v : nullptr;
}

ControlItem* viewItem(WinId win) { return ctrlFindKind(win, midiItemCurveView, kindCustom); }

bool emptyRect(const CtrlRect& r) { return r.right <= r.left || r.bottom <= r.top; }

CtrlRect unite(const CtrlRect& a, const CtrlRect& b) {
  if (emptyRect(a)) return b;
  if (emptyRect(b)) return a;
  return {a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top, a.right > b.right ? a.right : b.right,
          a.bottom > b.bottom ? a.bottom : b.bottom};
}

// Repaints part of the window from the tab's panel picture (the background behind the view).
void paintBackground(WinId win, const CtrlRect& r) {
  ControlItem* panel = ctrlFind(win, midiItemPanelNoteScale);
  if (!panel || emptyRect(r)) return;
  bitmapDrawPart(win, midiBmpPanelNoteScale, &r, r.left - panel->rect.left, r.top - panel->rect.top);
}

// One column: the background above the bar, the bar below it. Drawing context held by the caller.
void drawColumn(ControlItem* item, const float* curve, int n) {
  const WinId win = item->windowId;
  const CtrlRect& r = item->rect;
  float v = curve[n];
  v = numClamp(v, 0.0f, 1.0f);
  const int32_t x = r.left + noteCurveColumnWidth * n;
  int32_t barTop = static_cast<int32_t>(r.bottom - noteCurveViewHeight * v);
  if (barTop < r.top) barTop = r.top;
  paintBackground(win, {x, r.top, x + noteCurveColumnWidth, barTop});
  if (barTop < r.bottom) bitmapDrawStretched(win, midiBmpCurveBar, x, barTop, x + noteCurveColumnWidth, r.bottom);
  ++g_columnsDrawn;
}

void drawColumns(ControlItem* item, int first, int last) {
  const float* curve = noteCurveShownTable();
  if (!curve) return;
  for (int n = first < 0 ? 0 : first; n <= last && n < kNotes; ++n) drawColumn(item, curve, n);
}

// Draws columns first..last now, when the view is on screen.
void drawColumnsNow(ControlItem* item, int first, int last) {
  if (!item || !itemOnScreen(item)) return;
  const WinId win = item->windowId;
  WinSavedDC saved;
  winAcquireDrawContext(win, &saved);
  drawColumns(item, first, last);
  winReleaseDrawContext(win, &saved);
}

void drawText(WinId win, const char* text, const CtrlRect& r, UINT format) {
  HDC dc = winGetDC(win);
  if (!dc) return;
  if (g_readoutFont >= 0) fontSelect(g_readoutFont, dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(kReadoutColour.r, kReadoutColour.g, kReadoutColour.b));
  RECT t = {r.left, r.top, r.right, r.bottom};
  DrawTextA(dc, text, -1, &t, format | DT_SINGLELINE);
}

// After the whole curve changed (paste, undo, another curve): its 128 columns and the value box; the
// Edit menu keeps offering the note-curve paste.
void redrawAfterChange(WinId window) {
  const WinId win = window;
  midiPageSelectPane(win);
  noteCurveDrawBars(viewItem(win));
  noteCurveRefreshValueBox(win);
  clipSetPasteKind(clipKindNoteScale);
}

void showNote(WinId win, int16_t note) {
  NoteCurveView* v = viewOf(win);
  if (!v) return;
  v->selectedNote = note;
  midiBoxShow(win, midiItemCurveNote, note);
  noteCurveRefreshValueBox(win);
}

}  // namespace

const NoteCurveDest* noteCurveDest(int entry) {
  return entry >= 1 && entry <= noteCurveDestCount ? &kDests[entry - 1] : nullptr;
}

int16_t noteCurveFollowedNote() { return g_followedNote; }
uint32_t noteCurveColumnsDrawn() { return g_columnsDrawn; }

void midiNoteScaleTabBuild(WinId win) {
  Engine* e = engineOf(win);
  if (!e) return;
  const CtrlRgb black = {0, 0, 0}, white = {255, 255, 255};
  selectorSetDefaultColors(&black, &black, &white, &black);
  selectorCreate(win, midiItemCurveChoice, 145, 66, 140, 0, selectorOneBitmap, midiBmpCurveChoice, "", 1,
                 noteCurveDestChosen);
  noteCurveFillDestMenu(win);
  buttonPlace(win, midiItemFollowNote, 352, 65, buttonToggle, midiBmpFollowNote, "", 1, 0, 1, noteCurveFollowToggled);
  numboxCreate(win, midiItemCurveNote, 393, 66, 36, 1, 0, 60, 0, 128, numboxStepDefault, noteCurveNoteBoxChanged, "");
  numboxCreate(win, midiItemCurveValue, 470, 66, 47, 1, 3, 100, 0, 100, numboxStepDefault, noteCurveValueBoxChanged,
               "");
  bitmapAcquire(midiBmpCurveBar);
  if (g_readoutFont < 0) g_readoutFont = fontFind(win, kReadoutFace, kReadoutSize);
  // The view's record: note 60, follow off, the three copies flat, no undo curve, curve (1, 0).
  NoteCurveView* view = new NoteCurveView;
  noteCurveViewInit(view);
  noteCurveClipAttach(e, win, view, redrawAfterChange);
  winAddRectItem(win, midiItemCurveView, kViewX, kViewY, noteCurveViewWidth, noteCurveViewHeight, noteCurveViewHandler);
  selectorSelect(win, midiItemCurveChoice, 1);
  g_followedNote = 60;
  g_nameShown = g_valueShown = {0, 0, 0, 0};
}

void midiNoteScaleTabRefresh(WinId win) {
  if (!viewOf(win)) return;
  noteCurveDrawBars(viewItem(win));
  noteCurveRefreshValueBox(win);
}

int32_t noteCurveViewHandler(ControlItem* item, uint32_t event, int32_t, int32_t) {
  if (!item) return 0;
  switch (event) {
    case customDraw: drawColumns(item, 0, kNotes - 1); break;
    case customMouse: noteCurveViewMouse(item); break;
    case customDestroy: {
      NoteCurveView* v = noteCurveClipView();
      if (v && viewOf(item->windowId) == v) {
        noteCurveClipForget();
        delete v;
      }
      bitmapRelease(midiBmpCurveBar);
      break;
    }
    case customShown: itemInvalidate(item); break;
    default: break;
  }
  return 0;
}

void noteCurveDrawBars(ControlItem* item) { drawColumnsNow(item, 0, kNotes - 1); }

void noteCurveViewMouse(ControlItem* item) {
  const WinId win = item->windowId;
  NoteCurveView* v = viewOf(win);
  Engine* e = engineOf(win);
  if (!v || !e) return;
  float* copy = editBeginNoteCurve(e, v->family, v->slot);
  if (!copy) return;
  g_drag.view = item->rect;
  const CtrlRect& r = g_drag.view;
  inputGetMousePos(&g_drag.mouse);
  const int32_t x = g_drag.mouse.x, y = g_drag.mouse.y;
  if (!inputIsCaptured() && inputIsButtonDown()) {
    const int c = (x - r.left) / noteCurveColumnWidth;
    g_drag.column = static_cast<int16_t>(c);
    g_drag.prevColumn = static_cast<int16_t>(c - 1);
    g_drag.prevX = g_drag.prevY = INT16_MIN;
    inputSetCaptured();
    noteCurveUndoSnapshot(win);
  }
  if (!inputIsButtonDown()) {
    noteCurveRefreshValueBox(win);
    inputReset();
    noteCurveRedoSnapshot(win);
    return;
  }
  int n = (x - r.left) / noteCurveColumnWidth;
  if (x < r.left) n = 0;
  if (n > kNotes - 1) n = kNotes - 1;
  const bool moved = y != g_drag.prevY || x != g_drag.prevX;
  const bool inside = r.left < x && x < r.right && r.top < y && y < r.bottom;
  if ((moved && inside) || n != g_drag.prevColumn) {
    int first = n, last = n;
    noteCurvePaintLine(copy, g_drag.prevColumn, n, noteCurveValueAtY(r.bottom, y), &first, &last);
    // The view shows the edit copy: only the changed columns are drawn.
    if (itemOnScreen(item)) {
      WinSavedDC saved;
      winAcquireDrawContext(win, &saved);
      for (int c = first; c <= last; ++c) drawColumn(item, copy, c);
      winReleaseDrawContext(win, &saved);
    }
    g_drag.prevY = static_cast<int16_t>(y);
    g_drag.prevX = static_cast<int16_t>(x);
    g_drag.prevColumn = static_cast<int16_t>(n);
  }
  g_drag.column = static_cast<int16_t>(n);
  noteCurveCommitShown();
  noteCurveDrawReadout(item, static_cast<int16_t>(n));
}

void noteCurveDrawReadout(ControlItem* item, int16_t note) {
  if (!item) return;
  const WinId win = item->windowId;
  if (note < 0) note = g_drag.column;
  const float* curve = noteCurveShownTable();
  if (note < 0 || note >= kNotes || !curve || !itemOnScreen(item)) return;
  const CtrlRect& r = item->rect;
  ControlItem* panel = ctrlFind(win, midiItemPanelNoteScale);
  const int32_t minLeft = (panel ? panel->rect.left : 0) + kNameLeft;
  const int32_t x = r.left + noteCurveColumnWidth * note;
  CtrlRect name = {x - kNameLeft, r.top - kNameAbove, x + kNameRight, r.top - kNameBelow};
  if (name.left < minLeft) {
    name.right += minLeft - name.left;
    name.left = minLeft;
  }
  float v = curve[note];
  v = numClamp(v, 0.0f, 1.0f);
  CtrlRect value = {r.right + kValueGap, static_cast<int32_t>(r.bottom - noteCurveViewHeight * v) - kLabelHeight,
                    r.right + kValueGap + kValueWidth, 0};
  if (value.top < r.top - 3) value.top = r.top - 3;
  value.bottom = value.top + kLabelHeight;

  char nameText[midiNoteNameBytes + 8];
  midiNoteName(note, nameText, 1);
  char valueText[32];
  std::snprintf(valueText, sizeof valueText, "%1.2f", v * 100.0f);

  WinSavedDC saved;
  winAcquireDrawContext(win, &saved);
  paintBackground(win, unite(g_nameShown, name));
  paintBackground(win, g_valueShown);
  drawText(win, nameText, name, DT_LEFT);
  drawText(win, valueText, value, DT_CENTER);
  winReleaseDrawContext(win, &saved);
  g_nameShown = name;
  g_valueShown = value;
}

void noteCurveDestChosen(ControlItem* item, int16_t, int16_t entry) {
  if (!item) return;
  const WinId win = item->windowId;
  NoteCurveView* v = viewOf(win);
  if (!v) return;
  if (const NoteCurveDest* d = noteCurveDest(entry)) {
    v->family = d->family;
    v->slot = d->slot;
    selectorSelect(win, midiItemCurveChoice, entry);
  }
  midiPageSelectPane(win);
  noteCurveDrawBars(viewItem(win));
  noteCurveRefreshValueBox(win);
}

void noteCurveFillDestMenu(WinId win) {
  menuClear(win, midiItemCurveChoice);
  for (int k = 1; k <= noteCurveDestCount; ++k) menuAppendItem(win, midiItemCurveChoice, k, 1, kDests[k - 1].label, 0);
}

void noteCurveNoteBoxChanged(ControlItem* item, double value) {
  if (!item || !(value >= 0.0 && value <= 127.0)) return;
  const WinId win = item->windowId;
  NoteCurveView* v = viewOf(win);
  if (!v) return;
  v->selectedNote = static_cast<int16_t>(value);
  noteCurveRefreshValueBox(win);
}

void noteCurveValueBoxChanged(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = item->windowId;
  NoteCurveView* v = viewOf(win);
  if (!v || !noteCurveSetSelectedValue(value)) return;
  drawColumnsNow(viewItem(win), v->selectedNote, v->selectedNote);
  noteCurveDrawReadout(viewItem(win), v->selectedNote);
}

void noteCurveRefreshValueBox(WinId win) {
  NoteCurveView* v = viewOf(win);
  const float* curve = noteCurveShownTable();
  if (!v || !curve || v->selectedNote < 0 || v->selectedNote >= kNotes) return;
  midiBoxShow(win, midiItemCurveValue, curve[v->selectedNote] * 100.0);
}

void noteCurveFollowToggled(ControlItem* item, uint8_t pressed, int16_t) {
  NoteCurveView* v = item ? viewOf(item->windowId) : nullptr;
  if (v) v->follow = pressed ? 1 : 0;
}

void midiPagePeriodicRefresh(WinId window) {
  const WinId win = window;
  Engine* e = engineOf(win);
  NoteCurveView* v = viewOf(win);
  if (!e || !v) return;
  const int16_t note = midiGetLastNote(e);
  if (note == g_followedNote || !v->follow || inputIsButtonDown()) return;
  if (note < 0 || note >= kNotes) return;
  midiPageSelectPane(win);
  g_followedNote = note;
  showNote(win, note);
}
