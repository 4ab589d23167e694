// Form: widget list in layer order, event routing, widget timers, anchoring, dirty tracking, paint.
#include "NGLForm.h"

#include <algorithm>
#include <memory>

#include "GPBinaryStream.h"
#include "NGLContainer.h"
#include "NGLFormHost.h"
#include "NGLPictureMap.h"
#include "NGLWidget.h"
#include "UIAPicture.h"

namespace {

Form::MenuDefaults& defaults() {
  static Form::MenuDefaults table = {1, 0xFFB0B0B0, 0xFFFFFFFF, 0xFF0F0F0F, 0xFFF0F0F0, false};
  return table;
}

RegionRect wholeArea(FormSize size) {
  if (size.width < 1 || size.height < 1) return {0, 0, 0, 0};
  return {0, 0, size.width, size.height};
}

}  // namespace

Form::Form() { background_.setKind(kBackgroundColour); }

PictureMap* Form::pictureMap() const { return provider_ ? provider_->pictureMap() : nullptr; }

Form::~Form() {
  host_ = nullptr;
  reset();
  background_.releasePicture(pictureMap());
  while (!widgets_.empty()) {
    Widget* widget = widgets_.back();
    widgets_.pop_back();
    widget->detach();
    delete widget;
  }
}

void Form::setDefaultColors(uint32_t fontId, uint32_t rowColour, uint32_t highlightColour, uint32_t shadowColour,
                            uint32_t lineColour, bool highlightText) {
  MenuDefaults& d = defaults();
  d.fontId = fontId;
  d.rowColour = rowColour;
  d.highlightColour = highlightColour;
  d.shadowColour = shadowColour;
  d.lineColour = lineColour;
  d.highlightText = highlightText;
}

const Form::MenuDefaults& Form::defaultColors() { return defaults(); }

bool Form::load(int32_t id) {
  resourceId_ = -1;
  clear();
  reset();
  if (!provider_) return false;
  std::unique_ptr<BinaryStream> stream(provider_->openResource(id, "FRM"));
  if (!stream) return false;
  read(*stream);
  stream.reset();
  resourceId_ = id;
  layout();
  formCreated();
  return true;
}

void Form::setSize(FormSize size) {
  if (size.width == size_.width && size.height == size_.height) return;
  if (!resizable_) {
    size_ = size;
  } else {
    size.width = std::max(size.width, minimumSize_.width);
    size.height = std::max(size.height, minimumSize_.height);
    if (size.width == size_.width && size.height == size_.height) return;
    const FormSize old = size_;
    size_ = size;
    anchorWidgets(old);
  }
  dirtyRegionStale_ = 1;
}

void Form::setActive(bool on) {
  active_ = on ? 1 : 0;
  if (!on) {
    if (captureWidget_) releaseMouse();
    releaseCursor();
    hoverWidget_ = nullptr;
    pressWidget_ = nullptr;
  }
}

bool Form::getArea(Region& region) {
  if (transparent_) return false;
  const RegionRect r = wholeArea(size_);
  region.setRect(r.x1, r.y1, r.x2, r.y2);
  return true;
}

void Form::layout() {
  background_.resolve(pictureMap(), false);
  // A picture fill without its picture counts as opaque here (a widget's background counts it as
  // transparent).
  Picture* picture = background_.picture();
  switch (background_.kind()) {
    case kBackgroundNone: transparent_ = 1; break;
    case kBackgroundColour: transparent_ = (background_.colour() >> 24) != 0xFF ? 1 : 0; break;
    case kBackgroundFrame:
    case kBackgroundNinePart: transparent_ = picture && picture->hasAlpha() ? 1 : 0; break;
    default: transparent_ = 0; break;
  }
  RegionRect extent = {0, 0, size_.width, size_.height};
  background_.preferredSize(extent);
  size_ = {extent.x2 - extent.x1, extent.y2 - extent.y1};
  if (!resizable_) {
    nominalSize_ = size_;
    minimumSize_ = size_;
  }
  if (host_) host_->childSizeChanged(this);
  laidOut_ = 1;
  // Widgets added before the form was laid out are attached now. Attaching may add widgets (a
  // list adds its cell editor): walk a copy.
  const std::vector<Widget*> order = widgets_;
  for (Widget* widget : order)
    if (widget->parent() != this && std::find(widgets_.begin(), widgets_.end(), widget) != widgets_.end())
      widget->attach(this);
}

void Form::reset() {
  captureWidget_ = nullptr;
  hoverWidget_ = nullptr;
  pressWidget_ = nullptr;
  if (cursorWidget_) releaseCursor();
  for (Widget* widget : widgets_)
    if (widget->isFocused() && host_) host_->requestFocus(widget, this, false);
  // The fill's picture is got again by the next layout.
  background_.releasePicture(pictureMap());
  laidOut_ = 0;
}

void Form::invalidateRegion(const Region& region) { Region::unite(dirtyRegion_, dirtyRegion_, region); }

void Form::invalidateRect(const RegionRect& rect) {
  if (rect.isEmpty()) return;
  Region r(rect.x1, rect.y1, rect.x2, rect.y2);
  Region::unite(dirtyRegion_, dirtyRegion_, r);
}

bool Form::collectDirtyRegion(Region& out) {
  if (dirtyRegionStale_) {
    dirtyRegionStale_ = 0;
    dirtyRegion_.clear();
    for (Widget* widget : widgets_) widget->clearDirty();
    const RegionRect r = wholeArea(size_);
    out.setRect(r.x1, r.y1, r.x2, r.y2);
    return true;
  }
  out.moveFrom(dirtyRegion_);
  // The dirty widgets' areas are united pairwise, so that many small rectangles do not each
  // pass through one ever larger region.
  std::vector<std::unique_ptr<Region>> areas;
  for (Widget* widget : widgets_) {
    const uint32_t mask = widget->dirtyMask();
    widget->clearDirty();
    // A widget that holds a form reports that form's dirty parts even without a mask.
    Region area;
    if (!widget->getDirtyArea(area, mask) || area.isEmpty()) continue;
    areas.emplace_back(std::make_unique<Region>());
    areas.back()->moveFrom(area);
  }
  for (size_t step = 1; step < areas.size(); step *= 2)
    for (size_t i = 0; i + step < areas.size(); i += 2 * step) Region::unite(*areas[i], *areas[i], *areas[i + step]);
  if (!areas.empty()) Region::unite(out, out, *areas[0]);
  return !out.isEmpty();
}

void Form::clearDirty() {
  dirtyRegionStale_ = 0;
  dirtyRegion_.clear();
  for (Widget* widget : widgets_) widget->clearDirty();
}

void Form::insertInLayerOrder(Widget* widget) {
  auto at = widgets_.end();
  while (at != widgets_.begin() && (*(at - 1))->layer() > widget->layer()) --at;
  widgets_.insert(at, widget);
}

void Form::addWidget(Widget* widget) {
  if (!widget) return;
  widget->setEnabled(true);
  widget->setVisible(true);
  insertInLayerOrder(widget);
  if (laidOut_) widget->attach(this);
  widget->invalidate(0);
  listChanged_ = 1;
}

void Form::raiseWidget(Widget* widget) {
  auto found = std::find(widgets_.begin(), widgets_.end(), widget);
  if (found == widgets_.end()) return;
  widgets_.erase(found);
  // Behind the last widget of its own layer.
  auto at = widgets_.end();
  while (at != widgets_.begin() && (*(at - 1))->layer() > widget->layer()) --at;
  widgets_.insert(at, widget);
  widget->invalidate(0);
  listChanged_ = 1;
}

void Form::widgetLayerChanged(Widget* widget) {
  auto found = std::find(widgets_.begin(), widgets_.end(), widget);
  if (found == widgets_.end()) return;
  widgets_.erase(found);
  insertInLayerOrder(widget);
  widget->invalidate(0);
  listChanged_ = 1;
}

void Form::forgetWidget(Widget* widget) {
  if (hoverWidget_ == widget) hoverWidget_ = nullptr;
  if (pressWidget_ == widget) pressWidget_ = nullptr;
  if (captureWidget_ == widget) releaseMouse();
  if (cursorWidget_ == widget) releaseCursor();
}

void Form::takeOut(Widget* widget, bool destroy) {
  forgetWidget(widget);
  if (widget->isFocused() && host_) host_->requestFocus(widget, this, false);
  for (size_t i = 0; i < timers_.size();)
    if (timers_[i].widget == widget)
      timers_.erase(timers_.begin() + long(i));
    else
      ++i;
  const RegionRect r = widget->rect();
  auto found = std::find(widgets_.begin(), widgets_.end(), widget);
  // Delivery runs from the last widget to the first: its next one is the widget before.
  if (resumeWidget_ == widget) resumeWidget_ = found != widgets_.begin() ? *(found - 1) : nullptr;
  widget->detach();
  widgets_.erase(found);
  listChanged_ = 1;
  invalidateRect(r);
  if (destroy) delete widget;
}

void Form::removeWidget(int32_t id) {
  if (Widget* widget = findWidget(id)) takeOut(widget, false);
}

void Form::deleteWidget(int32_t id) {
  if (Widget* widget = findWidget(id)) takeOut(widget, true);
}

Widget* Form::findWidget(int32_t id) const {
  for (Widget* widget : widgets_)
    if (widget->id() == id) return widget;
  return nullptr;
}

void Form::clear() {
  dirtyRegionStale_ = 1;
  captureWidget_ = nullptr;
  hoverWidget_ = nullptr;
  pressWidget_ = nullptr;
  if (cursorWidget_) releaseCursor();
  timers_.clear();
  while (!widgets_.empty()) {
    Widget* widget = widgets_.back();
    if (widget->isFocused() && host_) host_->requestFocus(widget, this, false);
    widgets_.pop_back();
    widget->detach();
    delete widget;
  }
  resumeWidget_ = nullptr;
  listChanged_ = 1;
}

void Form::widgetEnabledChanged(Widget* widget) {
  if (!widget->isEnabled()) forgetWidget(widget);
  if (host_) host_->widgetEnabledChanged(widget);
}

void Form::widgetVisibilityChanged(Widget* widget) {
  if (!widget->isVisible()) {
    forgetWidget(widget);
    invalidateRect(widget->rect());
  }
  if (host_) host_->widgetVisibilityChanged(widget);
}

void Form::requestFocus(Widget* widget, bool focusable) {
  if (host_) host_->requestFocus(widget, this, focusable);
}

void Form::setKeyWidget(Widget* widget, bool on) {
  if (host_) host_->setKeyWidget(widget, on);
}

void Form::setCursor(Widget* widget, HCURSOR cursor) {
  cursorWidget_ = widget;
  hostSetCursor(cursor);
}

void Form::releaseCursor() {
  if (!cursorWidget_) return;
  cursorWidget_ = nullptr;
  hostReleaseCursor();
}

void Form::notifyHostChanged() {
  for (Widget* widget : widgets_) widget->hostChanged();
}

bool Form::captureMouse(Widget* widget) {
  if (captureWidget_ == widget) return true;
  captureWidget_ = widget;
  return hostCaptureMouse();
}

void Form::releaseMouse() {
  if (!captureWidget_) return;
  captureWidget_ = nullptr;
  hostReleaseMouse();
}

bool Form::hostCaptureMouse() { return host_ ? host_->captureMouse(this) : false; }

void Form::hostReleaseMouse() {
  if (host_ && host_->captureChild() == this) host_->releaseMouse();
}

void Form::hostSetCursor(HCURSOR cursor) {
  if (host_) host_->setCursorChild(this, cursor);
}

void Form::hostReleaseCursor() {
  if (host_) host_->releaseCursorChild();
}

void Form::addTimer(Widget* widget, int32_t id, int32_t period) {
  if (period < 0) period = 0;
  timers_.push_back({widget, id, period, period});
}

void Form::removeTimer(Widget* widget, int32_t id) {
  for (auto it = timers_.begin(); it != timers_.end(); ++it)
    if (it->widget == widget && it->id == id) {
      timers_.erase(it);
      return;
    }
}

bool Form::deliverBackwards(int32_t code, void* data, bool stopAtFirst, bool needEnabled) {
  bool handled = false;
  listChanged_ = 0;
  size_t i = widgets_.size();
  while (i > 0) {
    Widget* widget = widgets_[i - 1];
    resumeWidget_ = i >= 2 ? widgets_[i - 2] : nullptr;
    bool result = false;
    if (widget->isVisible() && (!needEnabled || widget->isEnabled())) result = widget->sendEvent(code, data);
    handled = handled || result;
    if (result && stopAtFirst) break;
    if (listChanged_) {
      // The list changed under the delivery: go on with the widget recorded next, if it is
      // still there, else stop (a restart would deliver twice).
      listChanged_ = 0;
      auto found = resumeWidget_ ? std::find(widgets_.begin(), widgets_.end(), resumeWidget_) : widgets_.end();
      if (found == widgets_.end()) break;
      i = size_t(found - widgets_.begin()) + 1;
      continue;
    }
    --i;
  }
  resumeWidget_ = nullptr;
  return handled;
}

bool Form::handleMessage(int32_t code, void* data) {
  if (code == UIA_EVENT_TIMER) {
    // A timer may add or remove timers: work on positions, re-checking the size each time.
    for (size_t i = 0; i < timers_.size(); ++i) {
      TimerSlot& slot = timers_[i];
      if (slot.remaining == 0) {
        slot.remaining = slot.period;
        Widget* widget = slot.widget;
        widget->sendEvent(UIA_EVENT_TIMER, data);
      } else {
        --slot.remaining;
      }
    }
    return true;
  }
  if (code >= 1000 && code <= 1099) return handleMouse(code, data);
  if (code >= 1100 && code <= 1199) return deliverBackwards(code, data, true, true);
  if (code == NGL_NOTIFY_CAPTURE_LOST) {
    if (Widget* widget = captureWidget_) {
      widget->sendEvent(NGL_NOTIFY_CAPTURE_LOST, data);
      releaseMouse();
    }
    return true;
  }
  if (code == UIA_EVENT_DRAG_OVER) {
    const int32_t* position = static_cast<const int32_t*>(data);
    for (size_t i = widgets_.size(); i > 0; --i) {
      Widget* widget = widgets_[i - 1];
      if (widget->isVisible() && widget->isEnabled() && position && widget->rect().contains(position[0], position[1]) &&
          widget->sendEvent(code, data))
        return true;
    }
    return false;
  }
  if (code == UIA_EVENT_DROP) return false;
  return deliverBackwards(code, data, false, false);
}

bool Form::handleMouse(int32_t code, void* data) {
  if (code == NGL_EVENT_MOUSE_LEAVE) {
    if (hoverWidget_) hoverWidget_->sendEvent(NGL_EVENT_MOUSE_LEAVE, data);
    hoverWidget_ = nullptr;
    pressWidget_ = nullptr;
    releaseCursor();
    return true;
  }
  if (code >= UIA_EVENT_MOUSE_BUTTON && code <= UIA_EVENT_MOUSE_WHEEL && captureWidget_)
    return captureWidget_->sendEvent(code, data);
  if (!data) return false;
  // The pointer entering the form only settles the hover widget, which is then told 1003 once.
  const bool enterOnly = code == NGL_EVENT_MOUSE_ENTER;
  const int32_t x = static_cast<const int32_t*>(data)[0];
  const int32_t y = static_cast<const int32_t*>(data)[1];
  Widget* press = nullptr;
  bool handled = false;
  // Copy: a widget may change the list while it is told.
  const std::vector<Widget*> order = widgets_;
  for (size_t i = order.size(); i > 0; --i) {
    Widget* widget = order[i - 1];
    if (std::find(widgets_.begin(), widgets_.end(), widget) == widgets_.end()) continue;
    if (!widget->isEnabled() || !widget->rect().contains(x, y)) continue;
    if (!press) press = widget;
    if (enterOnly) break;
    if (widget->sendEvent(code, data)) {
      handled = true;
      break;
    }
  }
  pressWidget_ = press;
  if (press != hoverWidget_) {
    if (hoverWidget_) {
      hoverWidget_->sendEvent(NGL_EVENT_MOUSE_LEAVE, data);
      releaseCursor();
    }
    hoverWidget_ = press;
    if (press) press->sendEvent(NGL_EVENT_MOUSE_ENTER, data);
  }
  return handled;
}

void Form::anchorWidgets(FormSize oldSize) {
  const int32_t dW = size_.width - oldSize.width;
  const int32_t dH = size_.height - oldSize.height;
  const int32_t halfW = size_.width / 2 - oldSize.width / 2;
  const int32_t halfH = size_.height / 2 - oldSize.height / 2;
  const std::vector<Widget*> order = widgets_;
  for (Widget* widget : order) {
    RegionRect r = widget->rect();
    switch (widget->anchor() & 0xF) {
      case 1: r.x2 += dW; break;
      case 2:
        r.x1 += dW;
        r.x2 += dW;
        break;
      case 3:
        r.x1 += halfW;
        r.x2 += halfW;
        break;
      default: break;
    }
    switch ((widget->anchor() >> 4) & 0xF) {
      case 1: r.y2 += dH; break;
      case 2:
        r.y1 += dH;
        r.y2 += dH;
        break;
      case 3:
        r.y1 += halfH;
        r.y2 += halfH;
        break;
      default: break;
    }
    widget->setRect(r);
  }
}

void Form::paintBackground(Picture& picture, const RegionRect& extent, const RegionRect& clip) {
  background_.draw(picture, extent, 0, clip);
}

void Form::paintArea(Picture& picture, const Region& region) {
  const RegionRect extent = {0, 0, std::max(size_.width, minimumSize_.width),
                             std::max(size_.height, minimumSize_.height)};
  std::vector<RegionRect> rects;
  if (region.nodeCount() > 0)
    rects = region.rects();
  else if (!region.extents().isEmpty())
    rects.push_back(region.extents());
  for (const RegionRect& r : rects) paintBackground(picture, extent, r);
}

bool Form::paint(Picture& picture, const Region& region) {
  paintArea(picture, region);
  const RegionRect bounds = region.extents();
  for (Widget* widget : widgets_) {
    if (!widget->isVisible()) continue;
    const RegionRect& r = widget->rect();
    if (r.isEmpty() || r.x2 <= bounds.x1 || r.x1 >= bounds.x2 || r.y2 <= bounds.y1 || r.y1 >= bounds.y2) continue;
    Region clip(r.x1, r.y1, r.x2, r.y2);
    Region::intersect(clip, clip, region);
    if (!clip.isEmpty()) widget->paintRegion(picture, clip);
  }
  return true;
}

Widget* Form::widgetAt(int32_t x, int32_t y, int32_t index) {
  for (size_t i = widgets_.size(); i > 0; --i) {
    Widget* widget = widgets_[i - 1];
    if (!widget->isVisible() || !widget->rect().contains(x, y)) continue;
    if (Container* inner = widget->container()) {
      POINT p = {x - widget->rect().x1, y - widget->rect().y1};
      if (Widget* found = inner->widgetAt(p)) return found;
    }
    if (index-- <= 0) return widget;
  }
  return nullptr;
}

Widget* Form::findWidgetWithValue(int32_t v) {
  for (Widget* widget : widgets_) {
    if (widget->valueIs(v)) return widget;
    if (Container* inner = widget->container())
      if (Widget* found = inner->findWidgetWithValue(v)) return found;
  }
  return nullptr;
}
