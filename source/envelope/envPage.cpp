// The Envelope page's frame: building its controls once, showing and hiding it, placing the frame,
// rows and scrollbars for the page size, the size buttons, the scrollbars and the idle tick.
#include "envelope/envPage.h"

#include <windows.h>

#include "app/appGdi.h"
#include "app/mainWindowData.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/list.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/scrollbar.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "envelope/envAdd.h"
#include "envelope/envGraph.h"
#include "envelope/envPlayMarker.h"
#include "envelope/envRowStrip.h"
#include "envelope/envRuler.h"
#include "envelope/envSettings.h"
#include "envelope/envView.h"
#include "pages/clipKinds.h"
#include "pages/pages.h"
#include "preset/presetCopy.h"
#include "preset/sample.h"
#include "preset/undo.h"

namespace {

struct FrameSpec {
  std::uint16_t id;
  int x, y, w, h;
  std::int32_t bitmap;
};

// The page frame at the default size; the layout moves and sizes it for other sizes.
const FrameSpec kFrames[] = {
    {envItemFrameLeft, 0, 158, 149, 900, envPicFrameLeft},
    {envItemFrameBottomLeft, 0, 554, 149, 91, envPicFrameLeft + 1},
    {envItemFrameBottomMid, 149, 554, 16, 91, envPicFrameLeft + 2},
    {envItemFrameBottom, 165, 566, 642, 79, envPicFrameLeft + 3},
    {envItemFrameBottomRight, 805, 552, 22, 93, envPicFrameLeft + 4},
    {envItemFrameRight, 819, 158, 8, 552, envPicFrameLeft + 5},
    {envItemFrameTopRight, 810, 139, 17, 19, envPicFrameLeft + 6},
    {envItemFrameTop, 767, 0, 60, 140, envPicFrameTop},
    {envItemFrameList, 149, 140, 16, 900, envPicFrameList},
    {envItemFrameListLeft, 0, 140, 149, 19, envPicFrameListLeft},
};

struct SizeButton {
  std::uint16_t id;
  int x;
  const char* text;
  int dw, dh;
};
const SizeButton kSizeButtons[] = {
    {envItemSizeWider, 21, "+", 100, 0},   {envItemSizeNarrower, 38, "-", -100, 0},
    {envItemSizeTaller, 58, "+", 0, 62},   {envItemSizeLower, 75, "-", 0, -62},
    {envItemSizeBigger, 95, "+", 100, 62}, {envItemSizeSmaller, 112, "-", -100, -62},
};

void resizeWindow(WinId win, const EnvelopeView* v) {
  winSetSize(win, v->pageWidth + inputGetOriginX(), v->pageHeight + winGetOriginY(win));
}

}  // namespace

void envSelectPane(WinId win) { winSelectPane(win, envPaneId); }

bool envPageBegin(WinId win) {
  if (win == 0 || !envViewOf(win) || !envEngineOf(win)) return false;
  winSetCurrent(win);
  winSelectPane(win, envPaneId);
  return true;
}

EnvPageContext envPageContext(WinId win) {
  EnvPageContext c;
  c.v = envViewOf(win);
  c.e = envEngineOf(win);
  if (!c.v || !c.e || !envPageBegin(win)) return c;
  c.slot = c.v->selectedSlot;
  c.ok = c.slot >= 0 && c.slot < envSlotCount;
  return c;
}

void envPageSelect(WinId win) {
  if (win == 0) return;
  winSetCurrent(win);
  winSelectPane(win, envPaneId);
}

std::uint8_t envPageIsShown(WinId win) { return win == 0 ? 0 : pagePaneShown(win, pageEnvelope); }

void envPageBuildEntry(WinId win) { envPageBuild(win); }
void envPageLayoutEntry(WinId win) { envPageLayout(win); }
void envPageUpdateEntry(WinId win) { envPageRefresh(win); }

void envPageBuild(WinId win) {
  EnvelopeView* v = envViewOf(win);
  if (!v || !envPageBegin(win)) return;
  if (paneGetOption(win, envPaneId)) return;
  paneSetOption(win, envPaneId, 1);
  appCreateGdiResources();
  sampleClearDisplays();

  pictureCreate(win, envItemBackground, 0, 0, 0, 0, 0, envPicBackground, nullptr);
  for (const FrameSpec& f : kFrames) framePictureCreateEx(win, f.id, f.x, f.y, f.w, f.h, 0, f.bitmap, 1, nullptr);
  for (const SizeButton& b : kSizeButtons)
    buttonPlace(win, b.id, b.x, 37, 0, envPicSizeButton, b.text, 1, 0, 1, envPageOnSizeButton);
  displayCreate(win, envItemDestName, 247, 12, 137, "", 0, 0, 0, nullptr, nullptr);
  listCreate(win, envItemList, 14, 159, 120, envRowCount * 14, 14, envRowCount, listMultiple | listWholePicture,
             envPicList, envListOnSelect);
  buttonPlace(win, envItemAddEnvelope, 21, 139, 0, envPicAddEnvelope, "", 1, 0, 1, envAddOnPageButton);
  // The page's own selector colours, not whatever the page built before it left: dark labels, and the
  // filter's light choice text on its dark bar.
  const CtrlRgb labelDark = {0, 0, 0}, white = {255, 255, 255}, filterText = {250, 250, 215};
  selectorSetDefaultColors(&labelDark, &labelDark, &white, &filterText);
  selectorCreate(win, envItemFilter, 87, 139, 86, 0, selectorOneBitmap, envPicFilterPopup, "", 1, envListOnFilter);
  selectorSetOpeningCallback(win, envItemFilter, envListFillFilterMenu);
  selectorSetLabel(win, envItemFilter, "Filter");
  scrollbarCreate(win, envItemRowScroll, 805, 158, 383, 0, envPicScrollVertical, 0, envPageOnScroll, 0.0);
  scrollbarSetThumb(win, envItemRowScroll, 1.0, 1.0);
  scrollbarCreate(win, envItemTimeScroll, envGraphLeft, 541, 641, scrollHorizontal, envPicScrollHorizontal, 0,
                  envPageOnScroll, 0.0);
  scrollbarSetThumb(win, envItemTimeScroll, 0.01, 1.0);
  for (int k = 0; k < envGraphItemCount; ++k)
    envGraphAddItem(win, static_cast<std::uint16_t>(envItemGraphFirst + k), envGraphLeft,
                    envRowTop0 + envRowDefaultHeight * k);
  for (int k = 0; k < 3; ++k) envGraphBindSlot(win, static_cast<std::uint16_t>(envItemGraphFirst + k), k);
  pictureCreate(win, envItemGraphBack, envGraphLeft, 541, 806, 541, pictureOwnRect | pictureFill, 0, nullptr);
  pictureSetFillColor(win, envItemGraphBack, 0, 0, 0);
  envPageBuildSettings(win);
  envListKeepSelection(win);
}

void envPageShow(WinId win, std::uint8_t on) {
  EnvelopeView* v = envViewOf(win);
  if (!v || !envEngineOf(win)) {
    pageShowPane(win, pageEnvelope, on);
    return;
  }
  if (on) {
    winSetCurrent(win);
    if (!paneGetOption(win, envPaneId)) envPageBuild(win);
    resizeWindow(win, v);
  }
  pageShowPane(win, pageEnvelope, on);
  if (!on) return;
  envPageBegin(win);
  envPageRefresh(win);
  envPageLayout(win);
  const std::uint16_t kind = undoGetKind();
  undoSetEnabled(kind == undoKindEnvelope || kind == undoKindPatch ? 1 : 0);
  envGraphUpdatePasteEnable(win);
  if (v->selectedItem >= envItemGraphFirst)
    envGraphUpdateCopyKind(win);
  else
    clipSetCopyKind(clipKindNone);
  CtrlRect top = {100, 0, 3000, winGetOriginY(win) + 72};
  winInvalidateRect(win, &top);
}

void envPageLayout(WinId win) {
  EnvelopeView* v = envViewOf(win);
  if (!v || !envPageBegin(win)) return;
  const int W = v->pageWidth, H = v->pageHeight;
  if (W < 1 || H < 1) return;
  const int B = H - 72;
  const int X = W + winGetOriginX(win);
  framePictureSetSize(win, envItemFrameLeft, 149, 900);
  framePictureMove(win, envItemFrameBottomLeft, 0, B - 19);
  framePictureMove(win, envItemFrameBottomMid, 149, B - 19);
  framePictureMove(win, envItemFrameBottom, envGraphLeft, B - 7);
  framePictureSetSize(win, envItemFrameBottom, W - 185, 7);
  framePictureMove(win, envItemFrameBottomRight, W - 22, B - 21);
  framePictureMove(win, envItemFrameRight, W - 8, 158);
  framePictureSetSize(win, envItemFrameRight, 8, B - 21);
  framePictureMove(win, envItemFrameTopRight, W - 17, 139);
  CtrlRect strip = {W - 17, 139, 2000, 155};
  winInvalidateRect(win, &strip);
  framePictureSetSize(win, envItemFrameTop, W - 767, 140);
  for (std::uint16_t id = envItemFrameFirst; id <= envItemFrameTop; ++id) ctrlRedraw(win, id);
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphLast; ++id) envGraphResizeItem(win, id, X - 22, 0);
  envGraphLayoutItems(win);
  envRulerSetRight(win, X - 17);
  envRowStripSetBottom(win, 999);
  CtrlRect left = {0, 542, 149, 1500};
  winInvalidateRect(win, &left);
  ctrlMoveTo(win, envItemRowScroll, W - 22, 160);
  scrollbarSetLength(win, envItemRowScroll, H - 253);
  ctrlMoveTo(win, envItemTimeScroll, envGraphLeft, B - 22);
  scrollbarSetLength(win, envItemTimeScroll, W - 187);
}

void envPageOnSizeButton(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  for (const SizeButton& b : kSizeButtons) {
    if (b.id != item->id) continue;
    v->pageWidth = static_cast<std::int16_t>(numClamp<int>(v->pageWidth + b.dw, envPageMinWidth, envPageMaxWidth));
    v->pageHeight = static_cast<std::int16_t>(numClamp<int>(v->pageHeight + b.dh, envPageMinHeight, envPageMaxHeight));
    resizeWindow(win, v);
  }
}

void envPageOnScroll(ControlItem* item, std::int16_t, double position) {
  if (!item) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  if (!v || !envPageBegin(win)) return;
  if (item->id == envItemRowScroll) {
    envGraphScrollRows(win, static_cast<float>(position));
  } else if (item->id == envItemTimeScroll) {
    envViewSetTimeOffset(win, v->scrollSpan * position);
    envGraphRedrawAll(win);
    if (ctrlFind(win, envItemRuler)) ctrlRedraw(win, envItemRuler);
  }
}

void envPageIdleUpdate(WinId win) {
  if (!envPageIsShown(win)) return;
  envPageSelect(win);
  const std::int16_t w = win;
  envGraphUpdateMarkers(w, 1);
  if (envRulerIsDragging(w)) envRulerIdleDrag(w);
}

void envPageMarkChanged(WinId win) {
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  v->refreshRequested = 1;
  if (Engine* e = envEngineOf(win)) engineSetModified(e);
}

std::int16_t envPageGetWidth(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->pageWidth : 0;
}

std::int16_t envPageGetHeight(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->pageHeight : 0;
}

void envPageSetWidth(WinId win, std::int16_t w) {
  if (EnvelopeView* v = envViewOf(win)) v->pageWidth = w;
}

void envPageSetHeight(WinId win, std::int16_t h) {
  if (EnvelopeView* v = envViewOf(win)) v->pageHeight = h;
}

void envPageSetSelectedSlot(WinId win, std::int16_t slot) {
  if (EnvelopeView* v = envViewOf(win)) v->selectedSlot = slot;
}

std::int16_t envPageGetSelectedSlot(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->selectedSlot : 0;
}

void envPageSetAddedSlot(WinId win, std::int16_t slot) {
  if (EnvelopeView* v = envViewOf(win)) v->addedSlot = slot;
}
