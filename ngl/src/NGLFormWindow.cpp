// FormWindow: stacking of page forms, focus and key input, the pop-up layer and the repaint pass.
#include "NGLFormWindow.h"

#include <algorithm>

#include "NGLWidget.h"
#include "UIAPicture.h"
#include "UIAWindow.h"

FormWindowHolder::FormWindowHolder(FormWindow* formWindow, bool owns) {
  if (!formWindow) {
    formWindow = new FormWindow;
    owns = true;
  }
  formWindow_ = formWindow;
  ownsFormWindow_ = owns ? 1 : 0;
  formWindow_->setHolder(this);
}

FormWindowHolder::~FormWindowHolder() {
  if (formWindow_ && formWindow_->holder() == this) formWindow_->setHolder(nullptr);
  if (ownsFormWindow_) delete formWindow_;
}

void FormWindowHolder::setFormWindow(FormWindow* formWindow, bool owns) {
  if (formWindow == formWindow_) {
    ownsFormWindow_ = owns ? 1 : 0;
    return;
  }
  if (formWindow_ && formWindow_->holder() == this) formWindow_->setHolder(nullptr);
  if (ownsFormWindow_) delete formWindow_;
  formWindow_ = formWindow;
  ownsFormWindow_ = owns ? 1 : 0;
  if (formWindow_) formWindow_->setHolder(this);
}

FormWindow::FormWindow() : picture_(std::make_unique<Picture>()) { rootForm_.background().setKind(kBackgroundNone); }

FormWindow::~FormWindow() {
  // The pages go first (they may still talk to the focus state), then the picture.
  focusWidget_ = nullptr;
  focusForm_ = nullptr;
  keyWidget_ = nullptr;
  clearChildren();
  rootForm_.setHost(nullptr);
  picture_.reset();
}

Window* FormWindow::frameworkWindow() { return holder_ ? holder_->window() : nullptr; }

void FormWindow::showPopup(Widget* widget) {
  closePopup();
  if (!widget) return;
  rootForm_.setProvider(holder_ ? holder_->ownerData() : nullptr);
  rootForm_.setSize(boundsOfChildren());
  rootForm_.setHost(this);
  if (!rootForm_.isLaidOut()) rootForm_.layout();
  rootForm_.setActive(true);
  rootForm_.addWidget(widget);
  popupWidgetId_ = widget->id();
}

void FormWindow::closePopup() {
  if (!rootForm_.isActive()) return;
  rootForm_.deleteWidget(popupWidgetId_);
  rootForm_.setActive(false);
}

void FormWindow::requestFocus(Widget* widget, Form* form, bool focusable) {
  if (focusable)
    setFocus(widget, form);
  else
    clearFocus();
}

void FormWindow::setFocus(Widget* widget, Form* form) {
  if (widget != focusWidget_) {
    clearFocus();
    if (Window* window = frameworkWindow()) window->setFocus();
    focusWidget_ = widget;
    focusForm_ = form;
  }
  if (widget) widget->setFocused(true);
}

void FormWindow::clearFocus() {
  Widget* widget = focusWidget_;
  focusWidget_ = nullptr;
  focusForm_ = nullptr;
  if (widget) widget->setFocused(false);
  if (keyWidget_) releaseKeyWidget();
}

void FormWindow::widgetEnabledChanged(Widget* widget) {
  if (!widget->isEnabled() && widget == focusWidget_) clearFocus();
}

void FormWindow::widgetVisibilityChanged(Widget* widget) {
  if (!widget->isVisible() && widget == focusWidget_) clearFocus();
}

void FormWindow::setKeyWidget(Widget* widget, bool on) {
  Window* window = frameworkWindow();
  if (on) {
    keyWidget_ = widget;
    if (window) window->setFocus();
  } else {
    keyWidget_ = nullptr;
    if (window) window->releaseFocus();
  }
}

void FormWindow::releaseKeyWidget() {
  Widget* widget = keyWidget_;
  keyWidget_ = nullptr;
  if (widget) widget->focusChanged();
}

bool FormWindow::captureMouse(Form* form) {
  const bool changed = Container::captureMouse(form);
  if (changed)
    if (Window* window = frameworkWindow()) window->captureMouse();
  return changed;
}

bool FormWindow::releaseMouse() {
  const bool changed = Container::releaseMouse();
  if (changed)
    if (Window* window = frameworkWindow()) window->releaseMouse();
  return changed;
}

void FormWindow::setCursorChild(Form* form, HCURSOR cursor) {
  Container::setCursorChild(form, cursor);
  if (Window* window = frameworkWindow()) window->setCursor(cursor);
}

void FormWindow::releaseCursorChild() {
  Container::releaseCursorChild();
  if (Window* window = frameworkWindow()) window->resetCursor();
}

void FormWindow::childSizeChanged(Form* form) { Container::childSizeChanged(form); }

void FormWindow::arrangeChildren(Form* form) {
  int32_t y = 0;
  bool moving = form == nullptr;
  for (uint32_t i = 0; i < childCount_; ++i) {
    Child& entry = children_[i];
    if (entry.form == form) moving = true;
    if (!entry.form->isActive()) continue;
    if (moving) {
      const int32_t width = entry.rect.x2 - entry.rect.x1;
      const int32_t height = entry.rect.y2 - entry.rect.y1;
      entry.rect = {0, y, width, y + height};
      entry.form->markDirtyRegionStale();
    }
    y += entry.rect.y2 - entry.rect.y1;
  }
}

void FormWindow::childrenChanged(Form* form) {
  if (inResize_) return;
  inResize_ = 1;
  beginUpdate();
  arrangeChildren(form);
  if (form && form == focusForm_ && !form->isActive()) clearFocus();
  const FormSize extent = boundsOfChildren();
  picture_->setSize(uint32_t(std::max(extent.width, 0)), uint32_t(std::max(extent.height, 0)), true);
  endUpdate();
  if (Window* window = frameworkWindow()) {
    if (autoSize_) {
      const SIZE client = window->getSize(true);
      // During a tick its own pass follows (the moved pages are marked for a full redraw).
      if ((client.cx != extent.width || client.cy != extent.height) && !inTick_) repaint(false);
      window->setSize({extent.width, extent.height}, true);
    } else {
      window->invalidate();
    }
  }
  inResize_ = 0;
}

void FormWindow::tick(void* data) {
  if (inTick_) return;
  inTick_ = 1;
  if (rootForm_.isActive()) rootForm_.sendEvent(UIA_EVENT_TIMER, data);
  Container::tick(data);
  repaint(true);
  inTick_ = 0;
}

void FormWindow::invalidateInWindow(const Region& region) {
  Window* window = frameworkWindow();
  for (const RegionRect& r : region.rects()) {
    lastInvalidated_.push_back(r);
    if (window) window->invalidateRect(RECT{r.x1, r.y1, r.x2, r.y2});
  }
}

void FormWindow::repaint(bool incremental) {
  if (updateDepth_ > 0 || inPass_) return;
  inPass_ = 1;
  ++passCount_;
  lastInvalidated_.clear();
  Region rootDirty;
  if (rootForm_.isActive()) rootForm_.collectDirtyRegion(rootDirty);
  Region all;
  rootDirty.assign(all);
  for (uint32_t i = 0; i < childCount_; ++i) {
    Child& entry = children_[i];
    Form* form = entry.form;
    if (!form->isActive()) continue;
    PictureState saved(*picture_);
    picture_->setOrigin(picture_->originX() + entry.rect.x1, picture_->originY() + entry.rect.y1);
    const FormSize size = form->size();
    Region dirty;
    if (!incremental) {
      form->clearDirty();
      if (size.width >= 1 && size.height >= 1) dirty.setRect(0, 0, size.width, size.height);
    } else {
      form->collectDirtyRegion(dirty);
      Region fromRoot;
      rootDirty.assign(fromRoot);
      fromRoot.offset(-entry.rect.x1, -entry.rect.y1);
      Region::unite(dirty, dirty, fromRoot);
    }
    Region area(0, 0, std::max(size.width, 0), std::max(size.height, 0));
    Region::intersect(dirty, dirty, area);
    if (!dirty.isEmpty()) {
      form->paint(*picture_, dirty);
      dirty.offset(entry.rect.x1, entry.rect.y1);
      invalidateInWindow(dirty);
      Region::unite(all, all, dirty);
    }
    saved.restore(*picture_);
  }
  if (rootForm_.isActive() && !all.isEmpty()) {
    rootForm_.paint(*picture_, all);
    invalidateInWindow(all);
  }
  inPass_ = 0;
}

void FormWindow::childRectToContainer(Form* form, RegionRect& rect) {
  if (form == &rootForm_) return;
  Container::childRectToContainer(form, rect);
}

void FormWindow::childPointToContainer(Form* form, POINT& point) {
  if (form == &rootForm_) return;
  Container::childPointToContainer(form, point);
}

void FormWindow::containerPointToChild(Form* form, POINT& point) {
  if (form == &rootForm_) return;
  Container::containerPointToChild(form, point);
}

void FormWindow::rectToScreen(RegionRect& rect) {
  Window* window = frameworkWindow();
  if (!window) return;
  RECT r = {rect.x1, rect.y1, rect.x2, rect.y2};
  window->rectToScreen(r);
  rect = {r.left, r.top, r.right, r.bottom};
}

void FormWindow::pointToScreen(POINT& point) {
  if (Window* window = frameworkWindow()) window->clientToScreen(point);
}

bool FormWindow::handleEvent(int32_t code, void* data) {
  if (rootForm_.isActive()) {
    bool handled = false;
    if (code >= 1000 && code <= 1199)
      handled = rootForm_.sendEvent(code, data);
    else if (code == UIA_EVENT_CAPTURE_LOST)
      handled = rootForm_.sendEvent(NGL_NOTIFY_CAPTURE_LOST, nullptr);
    if (handled) return true;
  }
  return routeEvent(code, data);
}

bool FormWindow::routeEvent(int32_t code, void* data) {
  if (keyWidget_ && code >= 1100 && code <= 1199 && keyWidget_->sendEvent(code, data)) return true;
  if (code >= 1000000 && code <= 1000999) {
    if (code == UIA_EVENT_CAPTURE_LOST) {
      Container::routeEvent(NGL_NOTIFY_CAPTURE_LOST, nullptr);
      return true;
    }
    if (code == UIA_EVENT_FOCUS_LOST) {
      if (Widget* widget = keyWidget_) {
        widget->sendEvent(NGL_NOTIFY_FOCUS, nullptr);
        keyWidget_ = nullptr;
      }
      return true;
    }
    if (childCount_ == 1) children_[0].form->sendEvent(code, data);
    return false;
  }
  const bool handled = Container::routeEvent(code, data);
  // Only a left press elsewhere ends text entry: a right click (a context menu) leaves it open.
  if (!handled && code == UIA_EVENT_MOUSE_BUTTON && keyWidget_ && data &&
      static_cast<const UiaMouseButtonEvent*>(data)->button == UIA_BUTTON_LEFT &&
      static_cast<const UiaMouseButtonEvent*>(data)->action != UIA_ACTION_RELEASE) {
    Widget* widget = keyWidget_;
    widget->sendEvent(NGL_NOTIFY_FOCUS, nullptr);
    keyWidget_ = nullptr;
  }
  return handled;
}
