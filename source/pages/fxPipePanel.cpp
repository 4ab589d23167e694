// The pipe resonator's panel (effect type 1, picture 2): the tube's length modulation, feedback and
// loop filter, the two pickups with their modulation, the input point, the time group, and the live
// graph of the tube: the input point's marker above, the two pickups below and a bar for the length.
#include <cmath>

#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/numbox.h"
#include "controls/offscreen.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/stepRules.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "modules/effectShared.h"
#include "modules/pipeEffect.h"
#include "pages/fxPage.h"
#include "skinBitmaps.h"

namespace {

const int kPanelBitmap = bmpEffectPagePipeResonatorPanel;
const int kFlagBitmap = bmpPolarityAndInvertSwitchOfTheLFOAndEffectPagesNormalRisingRamp;
const int kInputMarker = bmpPipeGraphInputPointMarker, kPickupMarkerA = bmpPipeGraphLeftPickupMarker,
          kPickupMarkerB = bmpPipeGraphRightPickupMarker, kLengthBar = bmpPipeGraphLengthBar;

std::uint32_t g_paints = 0;

struct PipeBox {
  std::uint16_t id;
  int x, y, width, decimals;
  double value, lo, hi;
  ValueStepRule step;
};
const PipeBox kBoxes[] = {
    {fxPipeLengthMod, 258, 103, 40, 3, 1.0, 0.0, 1.0, stepHundredth},
    {fxPipeFeedback, 335, 103, 49, 3, 0.5, -0.999, 0.999, stepHundredth},
    {fxPipeFilterFreq, 412, 103, 49, 0, 22000.0, 30.0, 22000.0, stepSemitoneRatio},
    {fxPipePickupAPos, 179, 156, 50, 4, 0.2, 0.0, 1.0, stepHundredth},
    {fxPipePickupAMod, 259, 156, 46, 3, 1.0, 0.0, 1.0, stepHundredth},
    {fxPipePickupBPos, 179, 195, 50, 4, 0.3, 0.0, 1.0, stepHundredth},
    {fxPipePickupBMod, 259, 195, 46, 3, 1.0, 0.0, 1.0, stepHundredth},
    {fxPipeInputPos, 179, 234, 50, 4, 0.48, 0.0, 1.0, stepHundredth},
};

const PipeBox* boxOf(std::uint16_t id) {
  for (const PipeBox& b : kBoxes)
    if (b.id == id) return &b;
  return nullptr;
}

void box(WinId win, const PipeBox& b) {
  numboxCreate(win, b.id, static_cast<std::int16_t>(b.x), static_cast<std::int16_t>(b.y),
               static_cast<std::int16_t>(b.width), 2, static_cast<std::uint16_t>(b.decimals), b.value, b.lo, b.hi,
               b.step, fxPipeBoxChanged, "");
}

void flagClicked(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const std::uint8_t on = pressed ? 1 : 0;
  if (item->id == fxPipeLengthModInvert)
    effectPipeSetLengthModInvert(e, on);
  else if (item->id == fxPipePickupAInvert)
    effectPipeSetPickupModInvert(e, 0, on);
  else if (item->id == fxPipePickupBInvert)
    effectPipeSetPickupModInvert(e, 1, on);
  else
    return;
  fxPipeGraphPaint(win);
}

void flag(WinId win, std::uint16_t id, int x, int y) {
  buttonPlace(win, id, x, y, buttonToggle, kFlagBitmap, "", 1, 0, 1, flagClicked);
}

void secondsChanged(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = item->windowId;
  if (!fxEngineOf(win)) return;
  fxSetDelaySeconds(win, effectPipe, value);
  fxPipeGraphPaint(win);
}

// A published display value as a fraction of the graph's width, cut to 0..1 (NaN as 0).
double unit(double v) { return v >= 0.0 ? (v <= 1.0 ? v : 1.0) : 0.0; }

// Draws the graph over the item's rectangle widened by 3 pixels on each side. Through an offscreen
// buffer blitted to the window in one piece (the page update's repaint), or straight into the context
// the window is painting with (the item's own draw).
void paintGraph(WinId win, ControlItem* item, bool offscreen) {
  Engine* e = fxEngineOf(win);
  if (!e || !item) return;
  const CtrlRect& at = item->rect;
  const int width = at.right - at.left, m = (at.bottom - at.top) / 2 - 1;
  const CtrlRect wide = {at.left - 3, at.top, at.right + 3, at.bottom};
  OffscreenBuffer buffer{};
  int ox = wide.left, oy = wide.top;
  if (offscreen) {
    offscreenCreate(win, &buffer, &wide);
    if (!buffer.memDC) return;
    ox = oy = 0;
  } else if (!winGetDC(win)) {
    return;
  }
  // The panel's background behind the graph: the panel picture stands at its own rectangle.
  CtrlRect panel;
  if (ctrlGetRect(win, fxItemFirstPanel, &panel)) {
    const CtrlRect all = {ox, oy, ox + wide.right - wide.left, oy + wide.bottom - wide.top};
    bitmapDrawPart(win, kPanelBitmap, &all, wide.left - panel.left, wide.top - panel.top);
  }
  const EffectPipeState& shown = effectRuntime(e)->pipe;
  const double p = unit(effectPipeGetInputPos(e));
  bitmapDraw(win, kInputMarker, ox + static_cast<int>(width * p), oy + 10);
  bitmapDraw(win, kPickupMarkerA, ox + static_cast<int>(width * unit(shown.display[0])), oy + m + 4);
  bitmapDraw(win, kPickupMarkerB, ox + static_cast<int>(width * unit(shown.display[1])), oy + m + 4);
  const int barLeft = static_cast<int>(width * (0.5 + 0.5 * unit(shown.display[2]))) + 3;
  bitmapDrawStretched(win, kLengthBar, ox + barLeft, oy + m, ox + width + 3, oy + m + 2);
  if (!offscreen) return;
  if (offscreenBlit(&buffer)) ++g_paints;
  offscreenFree(&buffer);
}

}  // namespace

std::uint32_t fxPipeGraphPaintCount() { return g_paints; }

std::int32_t fxPipeGraphHandler(ControlItem* item, std::uint32_t event, std::int32_t, std::int32_t) {
  if (!item) return 0;
  switch (event) {
    case customPlaced:
      for (int id = kInputMarker; id <= kLengthBar; ++id) bitmapAcquire(id);
      break;
    case customDestroy:
      for (int id = kInputMarker; id <= kLengthBar; ++id) bitmapRelease(id);
      break;
    case customDraw: paintGraph(item->windowId, item, false); break;
    default: break;
  }
  return 0;
}

void fxPipeGraphPaint(WinId window) {
  const WinId win = window;
  WinSlot* slot = winSlot(win);
  if (!slot || !fxEngineOf(win) || !fxPageIsShown(window)) return;
  // The shell paints this between other pages' work: the container it had selected stays selected.
  ItemPort* port = slot->currentPort;
  fxPageSelectPane(win);
  ControlItem* item = ctrlFind(win, fxItemPipeGraph);
  if (item && item->visible) {
    WinSavedDC saved;
    winAcquireDrawContext(win, &saved);
    // A redirection the caller has going stays in place after the graph's own buffer.
    HDC outer = slot->offscreenDC;
    paintGraph(win, item, true);
    winSetOffscreenDC(win, outer);
    winReleaseDrawContext(win, &saved);
  }
  winSelectPort(win, port);
}

void fxPipePanelBuild(WinId win) {
  if (!fxEngineOf(win)) return;
  const FxTimeGroup& g = *fxTimeGroup(effectPipe);
  pictureCreate(win, g.panel, 0, fxPanelTop, 0, 0, 0, kPanelBitmap, fxPanelMouse);
  fxTimeGroupBuildSwitch(win, g, 114, 103);
  flag(win, fxPipeLengthModInvert, 316, 103);
  box(win, *boxOf(fxPipeLengthMod));
  box(win, *boxOf(fxPipeFeedback));
  box(win, *boxOf(fxPipeFilterFreq));
  box(win, *boxOf(fxPipePickupAPos));
  flag(win, fxPipePickupAInvert, 328, 156);
  box(win, *boxOf(fxPipePickupAMod));
  box(win, *boxOf(fxPipePickupBPos));
  box(win, *boxOf(fxPipePickupBMod));
  flag(win, fxPipePickupBInvert, 328, 195);
  box(win, *boxOf(fxPipeInputPos));
  winAddRectItem(win, fxItemPipeGraph, 114, 279, 423, 43, fxPipeGraphHandler);
  fxTimeGroupBuildBoxes(win, g, 156, 103, 66, 32767.0 / 44100.0, 4.0, secondsChanged);
  ctrlShow(win, g.panel, 0);
}

void fxPipeSetUnitView(WinId win, std::int16_t unit, std::uint8_t store) {
  fxSetUnitView(win, effectPipe, unit, store);
}

void fxPipePanelRefresh(WinId win) {
  Engine* e = fxEngineOf(win);
  if (!e) return;
  fxPageSelectPane(win);
  fxTimeGroupRefresh(win, *fxTimeGroup(effectPipe), effectPipeGetDelay(e));
  fxBoxSet(win, fxPipeLengthMod, effectPipeGetLengthMod(e));
  fxBoxSet(win, fxPipeFeedback, effectPipeGetFeedback(e));
  fxBoxSet(win, fxPipeFilterFreq, effectPipeGetFilterFreq(e));
  fxBoxSet(win, fxPipePickupAPos, effectPipeGetPickupPos(e, 0));
  fxBoxSet(win, fxPipePickupBPos, effectPipeGetPickupPos(e, 1));
  fxBoxSet(win, fxPipeInputPos, effectPipeGetInputPos(e));
  fxBoxSet(win, fxPipePickupAMod, effectPipeGetPickupMod(e, 0));
  fxBoxSet(win, fxPipePickupBMod, effectPipeGetPickupMod(e, 1));
  fxButtonSetOn(win, fxPipeLengthModInvert, effectPipeGetLengthModInvert(e) != 0);
  fxButtonSetOn(win, fxPipePickupAInvert, effectPipeGetPickupModInvert(e, 0) != 0);
  fxButtonSetOn(win, fxPipePickupBInvert, effectPipeGetPickupModInvert(e, 1) != 0);
}

void fxPipeBoxChanged(ControlItem* item, double v) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  switch (item->id) {
    case fxPipeLengthMod: effectPipeSetLengthMod(e, v); break;
    case fxPipeFeedback: effectPipeSetFeedback(e, v); break;
    case fxPipeFilterFreq: effectPipeSetFilterFreq(e, v); break;
    case fxPipePickupAPos: effectPipeSetPickupPos(e, 0, v); break;
    case fxPipePickupBPos: effectPipeSetPickupPos(e, 1, v); break;
    case fxPipeInputPos: effectPipeSetInputPos(e, v); break;
    case fxPipePickupAMod: effectPipeSetPickupMod(e, 0, v); break;
    case fxPipePickupBMod: effectPipeSetPickupMod(e, 1, v); break;
    default: return;
  }
  fxPipeGraphPaint(win);
}
