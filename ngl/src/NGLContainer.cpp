// Container: the child table, event routing into the children's coordinates, capture and hover.
#include "NGLContainer.h"

#include <algorithm>

#include "GPError.h"
#include "NGLForm.h"
#include "NGLFormWindow.h"
#include "NGLWidget.h"

namespace {

// Moves the x, y at the start of an event's data by (dx, dy) for the call, and back afterwards.
struct ShiftedPosition {
  ShiftedPosition(void* data, int32_t dx, int32_t dy) : p_(static_cast<int32_t*>(data)), dx_(dx), dy_(dy) {
    if (p_) {
      p_[0] += dx_;
      p_[1] += dy_;
    }
  }
  ~ShiftedPosition() {
    if (p_) {
      p_[0] -= dx_;
      p_[1] -= dy_;
    }
  }
  int32_t* p_;
  int32_t dx_, dy_;
};

}  // namespace

Container::~Container() {
  if (ownsChildren_)
    for (uint32_t i = 0; i < childCount_; ++i) delete children_[i].form;
  childCount_ = 0;
}

int32_t Container::indexOf(const Form* form) const {
  for (uint32_t i = 0; i < childCount_; ++i)
    if (children_[i].form == form) return int32_t(i);
  return -1;
}

void Container::giveProvider(Form* form) {
  if (form->provider()) return;
  if (FormWindowHolder* h = holder()) form->setProvider(h->ownerData());
}

uint32_t Container::addChild(Form* form, int32_t left, int32_t top, int32_t right, int32_t bottom, bool active) {
  if (!form) return childCount_;
  if (childCount_ >= kMaxChildren) {
    gpDebugPrint("ngl: a container holds at most %u forms; the form is refused\n", unsigned(kMaxChildren));
    return 0;
  }
  giveProvider(form);
  Child& entry = children_[childCount_++];
  entry.form = form;
  entry.flag = 0;
  entry.rect = {left, top, right, bottom};
  form->setHost(this);
  form->resize({right - left, bottom - top});
  form->setActive(active);
  childSizeChanged(form);
  childrenChanged(form);
  return childCount_;
}

uint32_t Container::appendChild(Form* form, bool active) {
  if (!form) return childCount_;
  int32_t top = 0;
  for (uint32_t i = 0; i < childCount_; ++i)
    if (children_[i].form->isActive()) top = std::max(top, children_[i].rect.y2);
  const FormSize size = form->size();
  return addChild(form, 0, top, size.width, top + size.height, active);
}

uint32_t Container::addChildFromResource(Form* form, int32_t id, const RegionRect& rect, bool active) {
  if (!form) return childCount_;
  giveProvider(form);
  form->load(id);
  return addChild(form, rect.x1, rect.y1, rect.x2, rect.y2, active);
}

uint32_t Container::appendChildFromResource(Form* form, int32_t id, bool active) {
  if (!form) return childCount_;
  giveProvider(form);
  form->load(id);
  return appendChild(form, active);
}

void Container::removeChild(Form* form) {
  const int32_t index = indexOf(form);
  if (index < 0) return;
  if (form->isActive()) setChildActive(form, false);
  form->reset();
  if (captureChild_ == form) captureChild_ = nullptr;
  if (hoverChild_ == form) hoverChild_ = nullptr;
  if (cursorChild_ == form) cursorChild_ = nullptr;
  for (uint32_t i = uint32_t(index); i + 1 < childCount_; ++i) children_[i] = children_[i + 1];
  --childCount_;
  form->setHost(nullptr);
  if (ownsChildren_) delete form;
}

void Container::clearChildren() {
  for (uint32_t i = 0; i < childCount_; ++i) {
    Form* form = children_[i].form;
    form->setHost(nullptr);
    if (ownsChildren_) delete form;
  }
  childCount_ = 0;
  hoverChild_ = nullptr;
  captureChild_ = nullptr;
  cursorChild_ = nullptr;
}

void Container::childrenChanged(Form* form) { arrangeChildren(form); }

void Container::arrangeChildren(Form* form) {
  (void)form;
  for (uint32_t i = 0; i < childCount_; ++i) children_[i].form->markDirtyRegionStale();
}

void Container::setChildActive(Form* form, bool active) {
  beginUpdate();
  form->setActive(active);
  childSizeChanged(form);
  endUpdate();
  childrenChanged(form);
}

void Container::switchChild(Form* from, Form* to) {
  beginUpdate();
  if (from) from->setActive(false);
  if (to) to->setActive(true);
  endUpdate();
  childrenChanged(to);
}

void Container::resizeChild(Form* form, int32_t width, int32_t height) {
  const int32_t index = indexOf(form);
  if (index < 0) return;
  Child& entry = children_[index];
  entry.rect.x2 = entry.rect.x1 + width;
  entry.rect.y2 = entry.rect.y1 + height;
  beginUpdate();
  form->resize({width, height});
  endUpdate();
  childSizeChanged(form);
  childrenChanged(form);
}

bool Container::captureMouse(Form* form) {
  if (captureChild_ == form) return false;
  if (captureChild_) releaseMouse();
  captureChild_ = form;
  return true;
}

bool Container::releaseMouse() {
  if (!captureChild_) return false;
  captureChild_ = nullptr;
  return true;
}

void Container::setCursorChild(Form* form, HCURSOR cursor) {
  (void)cursor;
  cursorChild_ = form;
}

void Container::releaseCursorChild() { cursorChild_ = nullptr; }

void Container::childSizeChanged(Form* form) {
  const int32_t index = indexOf(form);
  if (index < 0) return;
  Child& entry = children_[index];
  const FormSize size = form->size();
  if (entry.rect.x2 - entry.rect.x1 != size.width || entry.rect.y2 - entry.rect.y1 != size.height) {
    entry.rect.x2 = entry.rect.x1 + size.width;
    entry.rect.y2 = entry.rect.y1 + size.height;
    childrenChanged(form);
  }
  form->notifyHostChanged();
}

void Container::tick(void* data) {
  if (tickDepth_ > 0) return;
  ++tickDepth_;
  for (uint32_t i = 0; i < childCount_; ++i)
    if (children_[i].form->isActive()) children_[i].form->sendEvent(UIA_EVENT_TIMER, data);
  --tickDepth_;
}

void Container::childRectToContainer(Form* form, RegionRect& rect) {
  const int32_t index = indexOf(form);
  if (index < 0) return;
  const RegionRect& r = children_[index].rect;
  rect.x1 += r.x1;
  rect.x2 += r.x1;
  rect.y1 += r.y1;
  rect.y2 += r.y1;
}

void Container::childPointToContainer(Form* form, POINT& point) {
  const int32_t index = indexOf(form);
  if (index < 0) return;
  point.x += children_[index].rect.x1;
  point.y += children_[index].rect.y1;
}

void Container::containerPointToChild(Form* form, POINT& point) {
  const int32_t index = indexOf(form);
  if (index < 0) return;
  point.x -= children_[index].rect.x1;
  point.y -= children_[index].rect.y1;
}

FormWindowHolder* Container::holder() { return parent_ ? parent_->holder() : nullptr; }

Widget* Container::widgetAt(POINT point) {
  Form* form = childAt(point);
  if (!form) return nullptr;
  containerPointToChild(form, point);
  return form->widgetAt(point.x, point.y, 0);
}

Widget* Container::findWidgetWithValue(int32_t v) {
  for (uint32_t i = 0; i < childCount_; ++i)
    if (children_[i].form->isActive())
      if (Widget* found = children_[i].form->findWidgetWithValue(v)) return found;
  return nullptr;
}

FormSize Container::boundsOfChildren() const {
  FormSize size = {0, 0};
  for (uint32_t i = 0; i < childCount_; ++i) {
    if (!children_[i].form->isActive()) continue;
    size.width = std::max(size.width, children_[i].rect.x2);
    size.height = std::max(size.height, children_[i].rect.y2);
  }
  return size;
}

Form* Container::childAt(POINT point) const {
  for (uint32_t i = 0; i < childCount_; ++i)
    if (children_[i].form->isActive() && children_[i].rect.contains(point.x, point.y)) return children_[i].form;
  return nullptr;
}

bool Container::routeEvent(int32_t code, void* data) {
  if (code == UIA_EVENT_TIMER) {
    tick(data);
    return true;
  }
  if (code >= 1000 && code <= 1099) return routeMouse(code, data);
  if (code >= 1100 && code <= 1199) {
    for (uint32_t i = 0; i < childCount_; ++i)
      if (children_[i].form->isActive() && children_[i].form->sendEvent(code, data)) return true;
    return false;
  }
  if (code == UIA_EVENT_DRAG_OVER) {
    if (!data) return false;
    const int32_t* p = static_cast<const int32_t*>(data);
    Form* form = childAt({p[0], p[1]});
    if (!form) return false;
    const RegionRect& r = children_[indexOf(form)].rect;
    ShiftedPosition shifted(data, -r.x1, -r.y1);
    return form->sendEvent(code, data);
  }
  if (code == UIA_EVENT_DROP) return false;
  if (code == NGL_NOTIFY_CAPTURE_LOST) {
    for (uint32_t i = 0; i < childCount_; ++i)
      if (children_[i].form->isActive()) children_[i].form->sendEvent(code, data);
    releaseMouse();
    return true;
  }
  bool handled = false;
  for (uint32_t i = 0; i < childCount_; ++i)
    if (children_[i].form->isActive()) handled = children_[i].form->sendEvent(code, data) || handled;
  return handled;
}

bool Container::routeMouse(int32_t code, void* data) {
  if (!data) return false;
  if (captureChild_) {
    const int32_t index = indexOf(captureChild_);
    if (index >= 0) {
      const RegionRect& r = children_[index].rect;
      ShiftedPosition shifted(data, -r.x1, -r.y1);
      return captureChild_->sendEvent(code, data);
    }
  }
  const int32_t* p = static_cast<const int32_t*>(data);
  Form* form = childAt({p[0], p[1]});
  if (code == UIA_EVENT_MOUSE_MOVE && form != hoverChild_) {
    // Enter and leave carry x, y and the third word of the event.
    int32_t move[3] = {p[0], p[1], p[2]};
    if (Form* old = hoverChild_) {
      const int32_t index = indexOf(old);
      if (index >= 0) {
        ShiftedPosition shifted(move, -children_[index].rect.x1, -children_[index].rect.y1);
        old->sendEvent(NGL_EVENT_MOUSE_LEAVE, move);
      }
      if (cursorChild_) releaseCursorChild();
    }
    hoverChild_ = form;
    if (form) {
      const RegionRect& r = children_[indexOf(form)].rect;
      ShiftedPosition shifted(move, -r.x1, -r.y1);
      form->sendEvent(NGL_EVENT_MOUSE_ENTER, move);
    }
  }
  if (!form) return false;
  const RegionRect& r = children_[indexOf(form)].rect;
  ShiftedPosition shifted(data, -r.x1, -r.y1);
  return form->sendEvent(code, data);
}
