// Knob and fader: placing the handle for a value, drawing the background, fill and handle, and the
// drags of pads and faders with smoothing, spring-back and the optional hidden cursor.
#include "controls/knob.h"
#include <cmath>
#include <cstdlib>
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/itemScreen.h"
#include "controls/picture.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "engine/numeric.h"

namespace {

// Kit-wide defaults copied into the controls created next.
float defaultSmoothing = 0.45f;  // A
float defaultTravel = 1.0f;      // B

// The drag under way: one control holds the mouse at a time.
struct KnobDrag {
  ControlItem* item;
  int16_t startX, startY;
  int16_t lastX;
  double startValueX, startValueY;
  double unitsPerPixel;
  double lastTarget;
  CtrlRect savedHandle;
  uint8_t cursorHidden;
  uint8_t busy;
};
KnobDrag drag;

void callbackNop(ControlItem*, double, double) {}

KnobData* dataOf(ControlItem* item) {
  return item && item->kind == kindKnob ? static_cast<KnobData*>(item->k.kindData) : nullptr;
}

KnobData* find(WinId win, uint16_t id) { return dataOf(ctrlFindKind(win, id, kindKnob)); }

double fraction(double v) { return numClampPassNaN(v, 0.0, 1.0); }

// ShowCursor keeps a count that other code also moves; these reach the wanted state whatever it was.
void cursorHideSurely() {
  for (int i = 0; i < 10000 && ShowCursor(FALSE) >= 0; ++i) {
  }
}

void cursorShowSurely() {
  for (int i = 0; i < 10000 && ShowCursor(TRUE) < 0; ++i) {
  }
}

// The area that takes the mouse: the item's rectangle.
void resetRegion(ControlItem* item) {
  if (item->visible && item->drawable) regionSetFromRect(item->windowId, &item->region, 3, &item->rect, 0);
}

void redrawRequest(ControlItem* item, KnobData* d) {
  if (!item->visible || !item->drawable) return;
  winInvalidateRect(item->windowId, (d->flags & knobRedrawWhole) ? &item->rect : &d->handle);
}

// Moves the handle rectangle to the stored values, without drawing.
void placeHandle(ControlItem* item, KnobData* d) {
  const CtrlRect& r = item->rect;
  int32_t hw = d->halfWidth, hh = d->halfHeight;
  double cx = r.left + hw + 0.5 + (r.right - hw - (r.left + hw) - 1) * fraction(d->x);
  double cy = (r.bottom - hh - 1) - 0.5 - ((r.bottom - hh - 1) - (r.top + hh) - 1) * fraction(d->y);
  int32_t w = d->handle.right - d->handle.left, h = d->handle.bottom - d->handle.top;
  int32_t left = static_cast<int32_t>(std::floor(cx)) - hw;
  int32_t top = static_cast<int32_t>(std::floor(cy)) - hh;
  d->handle = {left, top, left + w, top + h};
  if (d->flags & knobHorizontal) {
    d->handle.top = r.top;
    d->handle.bottom = r.bottom;
  }
}

void setValue(ControlItem* item, KnobData* d, double x, double y) {
  d->x = numClamp(x, d->xMin, d->xMax);
  d->y = numClamp(y, d->yMin, d->yMax);
  placeHandle(item, d);
  if (item->visible && winIsShown(item->windowId)) itemDrawWithContext(item);
  redrawRequest(item, d);
}

// The pixel of the fader's track that the handle's centre has at value 0.5.
int32_t faderCentre(const ControlItem* item, const KnobData* d) {
  const CtrlRect& r = item->rect;
  int32_t hw = d->halfWidth;
  return static_cast<int32_t>(std::floor(r.left + hw + 0.5 + (r.right - hw - (r.left + hw) - 1) * 0.5));
}

void drawFader(ControlItem* item, KnobData* d, WinId win) {
  const CtrlRect& r = item->rect;
  int32_t srcX = (d->flags & knobSourceOffset) ? d->srcX : 0;
  int32_t srcY = (d->flags & knobSourceOffset) ? d->srcY : 0;
  // A piece of the track [a, b) from a picture at the matching source offset, so pieces line up.
  auto piece = [&](int32_t id, int32_t a, int32_t b) {
    if (a < r.left) a = r.left;
    if (b > r.right) b = r.right;
    if (b <= a) return;
    CtrlRect p = {a, r.top, b, r.bottom};
    bitmapDrawPart(win, id, &p, srcX + a - r.left, srcY);
  };
  int32_t background = d->bitmap, fill = d->bitmap + 2;
  int32_t handle = (d->pressed && (d->flags & knobPressedHandle)) ? d->bitmap + 3 : d->bitmap + 1;
  int32_t hl = d->handle.left, hr = d->handle.right;
  if ((d->flags & knobBipolar) == knobBipolar && item->drawable) {
    int32_t centre = faderCentre(item, d);
    if (d->x >= 0.5) {
      piece(background, r.left, centre);
      piece(fill, centre, hl);
      piece(background, hr > centre ? hr : centre, r.right);
    } else {
      piece(background, r.left, hl);
      piece(fill, hr, centre);
      piece(background, hr > centre ? hr : centre, r.right);
    }
  } else {
    piece((d->flags & knobLevelBar) && item->drawable ? fill : background, r.left, hl);
    piece(background, hr, r.right);
  }
  bitmapDraw(win, handle, hl, d->handle.top);
}

void draw(ControlItem* item) {
  KnobData* d = dataOf(item);
  if (!d || !item->visible) return;
  WinId win = item->windowId;
  if (d->flags & knobHorizontal) {
    drawFader(item, d, win);
    return;
  }
  if (d->flags & knobSourceOffset)
    bitmapDrawPart(win, d->bitmap, &item->rect, d->srcX, d->srcY);
  else
    bitmapDraw(win, d->bitmap, item->rect.left, item->rect.top);
  bitmapDraw(win, d->bitmap + 1, d->handle.left, d->handle.top);
}

// Every way a drag ends comes here: the release, the window closing, the capture taken away.
void endDrag(bool showCursor) {
  if (drag.cursorHidden && showCursor) cursorShowSurely();
  drag.cursorHidden = 0;
  drag.item = nullptr;
  drag.busy = 0;
}

void dragTick(ControlItem*) {}

void dragEnded(ControlItem* object, int finish) {
  if (!drag.item || object != drag.item) return;
  ControlItem* item = drag.item;
  KnobData* d = dataOf(item);
  if (d && d->pressed) {
    d->pressed = 0;
    if (finish && itemOnScreen(item)) itemDrawWithContext(item);
  }
  endDrag(true);
  // The owner ends what the drag began, as it would at the release (not when the window closes).
  if (finish && d && d->cutShort) d->cutShort(item);
}

void beginDrag(ControlItem* item, KnobData* d, double unitsPerPixel) {
  inputSetCaptured();
  drag.item = item;
  drag.savedHandle = d->handle;
  CtrlPoint p;
  inputGetMousePos(&p);
  drag.startX = p.x;
  drag.startY = p.y;
  drag.lastX = p.x;
  drag.startValueX = d->x;
  drag.startValueY = d->y;
  drag.lastTarget = d->x;
  drag.unitsPerPixel = std::isfinite(unitsPerPixel) && unitsPerPixel > 0.0 ? unitsPerPixel : 0.0;
  drag.busy = 0;
  if (d->flags & knobHideCursor) {
    cursorHideSurely();
    drag.cursorHidden = 1;
  }
  // Holding the UI timer's capture means the kit tells this control when the drag is cut short.
  UiTimer::setCaptureCallback(dragTick, item, dragEnded);
}

double perPixel(double span, float scale) {
  double denominator = span * static_cast<double>(scale);
  return denominator > 0.0 ? 1.0 / denominator : 0.0;
}

bool reportOnlyPress(ControlItem* item, KnobData* d) {
  if (!(d->flags & knobReportOnly) || !(inputIsAlt() || winIsDoubleClick())) return false;
  d->callback(item, d->x, d->y);
  inputReset();
  return true;
}

void release(ControlItem* item) {
  // The timer capture goes without the end notice: the drag ends here.
  if (UiTimer::captureObject() == item) UiTimer::setCaptureCallback(nullptr, nullptr);
  endDrag(true);
}

void padMouse(ControlItem* item, KnobData* d) {
  if (!item->drawable) return;
  const CtrlRect& r = item->rect;
  bool vertical = (d->flags & knobVertical) != 0;
  int32_t tl = r.left + d->halfWidth, tt = r.top + d->halfHeight;
  int32_t tr = r.right - d->halfWidth - 1, tb = r.bottom - d->halfHeight - 1;
  double tw = tr - tl, th = tb - tt;
  if (inputIsButtonDown() && !inputIsCaptured()) {
    if (reportOnlyPress(item, d)) return;
    beginDrag(item, d, perPixel(vertical ? th : tw, d->travelScale));
    if (d->flags & knobJumpToClick) {
      CtrlPoint p;
      inputGetMousePos(&p);
      double x = d->x;
      if (!vertical) x = tw > 0 ? (p.x - tl) / tw : d->xMin;
      double y = th > 0 ? (tb - p.y) / th : d->yMin;
      setValue(item, d, x, y);
      drag.startValueX = d->x;
      drag.startValueY = d->y;
    }
    d->callback(item, d->x, d->y);
    return;
  }
  if (inputIsButtonDown()) {
    if (drag.item != item) return;
    CtrlPoint p;
    inputGetMousePos(&p);
    double upp = drag.unitsPerPixel;
    double tx = vertical ? d->x : numClamp((p.x - drag.startX) * upp + drag.startValueX, d->xMin, d->xMax);
    double ty = numClamp((drag.startY - p.y) * upp + drag.startValueY, d->yMin, d->yMax);
    double s = d->smoothing;
    double nx = (tx - d->x) * s + d->x, ny = (ty - d->y) * s + d->y;
    if (std::fabs(tx - nx) < 0.001) nx = tx;
    if (std::fabs(ty - ny) < 0.001) ny = ty;
    setValue(item, d, nx, ny);
    d->callback(item, d->x, d->y);
    return;
  }
  if (inputButtonState() == inputReleased) {
    d->callback(item, d->x, d->y);
    if (d->flags & knobSpringBack) setValue(item, d, 0.5, d->y);
    release(item);
    if (!(d->flags & knobRedrawWhole)) redrawRequest(item, d);
    inputReset();
  }
}

void faderMouse(ControlItem* item, KnobData* d) {
  if (!item->drawable) return;
  const CtrlRect& r = item->rect;
  bool vertical = (d->flags & knobVertical) != 0;
  if (inputIsButtonDown() && !inputIsCaptured()) {
    if (reportOnlyPress(item, d)) return;
    double span = vertical ? r.bottom - r.top : r.right - r.left;
    beginDrag(item, d, perPixel(span, d->travelScale));
    double x = d->x;
    if (d->flags & knobJumpToClick) {
      double width = r.right - r.left;
      x = width > 0 ? (drag.startX - r.left) / width : d->xMin;
    }
    if (d->flags & knobPressedHandle) d->pressed = 1;
    setValue(item, d, x, 0.5);
    drag.startValueX = d->x;
    drag.startValueY = d->y;
    drag.lastTarget = d->x;
    d->callback(item, d->x, d->y);
    return;
  }
  if (inputIsButtonDown()) {
    if (drag.item != item || drag.busy) return;
    drag.busy = 1;
    CtrlPoint p;
    inputGetMousePos(&p);
    if (!(p.x == drag.lastX && d->x == drag.lastTarget)) {
      double upp = drag.unitsPerPixel;
      double target = numClamp((p.x - drag.startX) * upp + drag.startValueX, d->xMin, d->xMax);
      double x = d->x;
      if (std::fabs(target - x) >= 0.01 * upp)
        x += (target - x) * d->smoothing;
      else
        x = target;
      drag.lastX = p.x;
      drag.lastTarget = target;
      setValue(item, d, x, d->y);
      d->callback(item, d->x, d->y);
    }
    drag.busy = 0;
    return;
  }
  if (inputButtonState() == inputReleased) {
    inputReset();
    d->callback(item, d->x, d->y);
    bool wasPressed = d->pressed != 0;
    d->pressed = 0;
    release(item);
    if (d->flags & knobSpringBack)
      setValue(item, d, 0.5, d->y);
    else if (wasPressed)
      setValue(item, d, d->x, d->y);  // the handle shows its normal look again
  }
}

void mouse(ControlItem* item) {
  KnobData* d = dataOf(item);
  if (!d) return;
  if (d->flags & knobHorizontal)
    faderMouse(item, d);
  else
    padMouse(item, d);
}

void create(ControlItem* item) {
  KnobData* d = static_cast<KnobData*>(std::calloc(1, sizeof(KnobData)));
  if (!d) return;
  d->item = item;
  d->callback = callbackNop;
  item->k.kindData = d;
}

void destroy(ControlItem* item) {
  KnobData* d = dataOf(item);
  if (!d) return;
  if (drag.item == item) {
    if (UiTimer::captureObject() == item) UiTimer::setCaptureCallback(nullptr, nullptr);
    endDrag(true);
  }
  for (int32_t k = 0; k < 4; ++k) bitmapRelease(d->bitmap + k);
  std::free(d);
  item->k.kindData = nullptr;
}

void moved(ControlItem* item, int32_t, int32_t) {
  KnobData* d = dataOf(item);
  if (!d) return;
  resetRegion(item);
  setValue(item, d, d->x, d->y);
}

void show(ControlItem* item, int32_t) {
  KnobData* d = dataOf(item);
  if (!d) return;
  resetRegion(item);
  redrawRequest(item, d);
  if (item->visible && winIsShown(item->windowId)) itemDrawWithContext(item);
}

}  // namespace

void knobKindRegister() {
  ctrlKindRegister(kindKnob, create, destroy, draw, mouse, moved, moved, show);
  defaultSmoothing = 0.45f;
  defaultTravel = 1.0f;
}

ControlItem* knobCreateItem(WinId win, uint16_t id, int32_t x, int32_t y, uint32_t flags, int32_t bitmap, uint8_t,
                            KnobCallback callback, float xValue, float yValue) {
  if (!winSlot(win) || ctrlFind(win, id)) return nullptr;
  ControlItem* item = winAddItem(win, id, kindKnob);
  KnobData* d = dataOf(item);
  if (!d) return item;
  x += item->port->offsetX;
  y += item->port->offsetY;
  for (int32_t k = 0; k < 4; ++k) bitmapAcquire(bitmap + k);
  CtrlRect size, handle;
  bitmapGetSize(bitmap, &size);
  bitmapGetSize(bitmap + 1, &handle);
  item->rect = {x, y, x + size.right, y + size.bottom};
  d->bitmap = static_cast<int16_t>(bitmap);
  d->right = static_cast<int16_t>(item->rect.right);
  d->bottom = static_cast<int16_t>(item->rect.bottom);
  d->halfWidth = static_cast<int16_t>(handle.right / 2);
  d->halfHeight = static_cast<int16_t>(handle.bottom / 2);
  d->handle = handle;
  d->centreX = static_cast<int16_t>(x + d->halfWidth);
  d->centreY = static_cast<int16_t>(y + d->halfHeight);
  d->flags = flags;
  d->callback = callback ? callback : callbackNop;
  d->xMin = d->yMin = 0.0;
  d->xMax = d->yMax = 1.0;
  d->one = 1.0f;
  d->travelScale = defaultTravel;
  d->smoothing = defaultSmoothing;
  item->drawable = 1;
  setValue(item, d, xValue, yValue);
  itemShowAsCtrlShow(item, 1);
  resetRegion(item);
  itemInvalidate(item);
  pictureCollect(item);
  return item;
}

ControlItem* knobCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, int32_t height, uint16_t srcX,
                        uint16_t srcY, uint32_t flags, int32_t bitmap, uint8_t spare, KnobCallback callback,
                        float xValue, float yValue) {
  ControlItem* item = knobCreateItem(win, id, x, y, flags | knobSourceOffset, bitmap, spare, callback, xValue, yValue);
  KnobData* d = dataOf(item);
  if (!d) return item;
  d->srcX = static_cast<int16_t>(srcX);
  d->srcY = static_cast<int16_t>(srcY);
  int32_t left = item->port->offsetX + x, top = item->port->offsetY + y;
  item->rect = {left, top, left + width, top + height};
  placeHandle(item, d);  // the travel is the given rectangle's
  resetRegion(item);
  redrawRequest(item, d);
  return item;
}

void knobSetDefaultParamA(float v) {
  if (v > 0.001f && v <= 1.0f) defaultSmoothing = v;
}

void knobSetDefaultParamB(float v) {
  if (std::isfinite(v) && v > 0.0f) defaultTravel = v;
}

void knobSetValue(WinId win, uint16_t id, double x, double y) {
  ControlItem* item = ctrlFindKind(win, id, kindKnob);
  if (KnobData* d = dataOf(item)) setValue(item, d, x, y);
}

void knobSetValueRaw(int32_t win, int32_t id, double x, double y) {
  if (id < 0 || id > 0xffff) return;
  knobSetValue(win, static_cast<uint16_t>(id), x, y);
}

void knobSetValueAndRedraw(WinId win, uint16_t id, double x) {
  ControlItem* item = ctrlFindKind(win, id, kindKnob);
  if (KnobData* d = dataOf(item)) setValue(item, d, x, d->y);
}

double knobGetX(WinId win, uint16_t id) {
  KnobData* d = find(win, id);
  return d ? d->x : 0.0;
}

double knobGetY(WinId win, uint16_t id) {
  KnobData* d = find(win, id);
  return d ? d->y : 0.0;
}

void knobSetRangeX(WinId win, uint16_t id, double minimum, double maximum) {
  ControlItem* item = ctrlFindKind(win, id, kindKnob);
  KnobData* d = dataOf(item);
  if (!d || !(minimum <= maximum) || !std::isfinite(minimum) || !std::isfinite(maximum)) return;
  d->xMin = minimum;
  d->xMax = maximum;
  if (d->x < minimum || d->x > maximum) setValue(item, d, d->x, d->y);
}

void knobSetDrawable(WinId win, uint16_t id, uint8_t flag) {
  ControlItem* item = ctrlFindKind(win, id, kindKnob);
  if (item && item->k.kindData) item->drawable = flag ? 1 : 0;
}

void knobSetCutShortCallback(WinId win, uint16_t id, KnobCutShort callback) {
  if (KnobData* d = dataOf(ctrlFindKind(win, id, kindKnob))) d->cutShort = callback;
}
