// SubForm: the inner form's creation and sizing, event routing into it, painting and dirty tracking
// through it, and the container requests passed on to the outer form.
#include "NGLSubForm.h"

#include "GPBinaryStream.h"
#include "NGLForm.h"
#include "NGLFormClassRegistry.h"
#include "NGLStreamState.h"
#include "UIAPicture.h"
#include "UIATracking.h"

SubForm::SubForm() { transparent_ = 0; }

SubForm::~SubForm() {
  if (timerOn_) Widget::removeTimer(0);
  if (form_) {
    Container::removeChild(form_.get());
    form_.reset();
  }
}

void registerSubForm() {
  nglRegisterWidgetClass([]() { return "SubForm"; }, []() -> Widget* { return new SubForm; });
}

Form* SubForm::createForm() {
  if (formClassName_.empty()) return nullptr;
  Form* form = FormClassRegistry::create(formClassName_);
  return form ? form : new Form;
}

Container* SubForm::outerHost() const { return Widget::parent_ ? Widget::parent_->host() : nullptr; }

void SubForm::setForm(uint32_t id) {
  if (id == formId_) return;
  formId_ = id;
  if (!form_) return;
  Container::removeChild(form_.get());
  form_.reset();
  if (Widget::parent_) attach(Widget::parent_);
}

void SubForm::attach(Form* outer) {
  Widget::attach(outer);
  Container::setParent(outerHost());
  if (!outer || !outer->provider()) return;
  if (!form_) {
    form_.reset(createForm());
    if (!form_) form_ = std::make_unique<Form>();
  }
  form_->setProvider(outer->provider());
  if (indexOf(form_.get()) < 0) {
    const int32_t width = rect_.x2 - rect_.x1, height = rect_.y2 - rect_.y1;
    if (formId_ == 0) {
      form_->setSize({width, height});
      addChild(form_.get(), 0, 0, width, height, true);
    } else {
      appendChildFromResource(form_.get(), int32_t(formId_), true);
      if (!form_->isResizable()) {
        const FormSize size = form_->size();
        Widget::setRect({rect_.x1, rect_.y1, rect_.x1 + size.width, rect_.y1 + size.height});
      } else {
        form_->setSize({width, height});
      }
    }
  }
  form_->layout();
  if (!timerOn_) {
    Widget::addTimer(0, 0);
    timerOn_ = true;
  }
}

void SubForm::detach() {
  if (timerOn_) {
    Widget::removeTimer(0);
    timerOn_ = false;
  }
  if (form_) form_->reset();
  Widget::detach();
}

void SubForm::hostChanged() {
  Container::setParent(outerHost());
  if (form_) form_->notifyHostChanged();
}

void SubForm::setRect(const RegionRect& rect) {
  RegionRect r = rect;
  const bool changed = r.x1 != rect_.x1 || r.y1 != rect_.y1 || r.x2 != rect_.x2 || r.y2 != rect_.y2;
  if (changed && form_) {
    form_->markDirtyRegionStale();
    form_->resize({r.x2 - r.x1, r.y2 - r.y1});
    const FormSize size = form_->size();
    r.x2 = r.x1 + size.width;
    r.y2 = r.y1 + size.height;
  }
  Widget::setRect(r);
}

bool SubForm::isTransparent() const { return form_ ? form_->isTransparent() : true; }

bool SubForm::getOpaqueArea(Region& region) {
  if (!transparent_) {
    region.setRect(rect_.x1, rect_.y1, rect_.x2, rect_.y2);
    return true;
  }
  if (!form_ || !form_->getArea(region)) return false;
  region.offset(rect_.x1, rect_.y1);
  return true;
}

bool SubForm::getDirtyArea(Region& region, uint32_t mask) {
  bool any = Widget::getDirtyArea(region, mask);
  if (!form_) return any;
  Region inner;
  if (form_->collectDirtyRegion(inner) && !inner.isEmpty()) {
    inner.offset(rect_.x1, rect_.y1);
    if (any) {
      Region both;
      Region::unite(both, region, inner);
      both.assign(region);
    } else {
      inner.assign(region);
    }
    any = true;
  }
  return any;
}

void SubForm::clearDirty() {
  Widget::clearDirty();
  if (form_) form_->clearDirty();
}

bool SubForm::paintRegion(Picture& picture, const Region& region) {
  bool painted = false;
  if (form_) {
    PictureState saved(picture);
    picture.setOrigin(picture.originX() + rect_.x1, picture.originY() + rect_.y1);
    Region moved;
    region.assign(moved);
    moved.offset(-rect_.x1, -rect_.y1);
    painted = form_->paint(picture, moved);
    saved.restore(picture);
  }
  const bool own = Widget::paintRegion(picture, region);
  return painted || own;
}

bool SubForm::handleEvent(int32_t code, void* data) {
  if (!form_) return Widget::handleEvent(code, data);
  if (code >= 1000 && code <= 1099 && data) {
    int32_t* xy = static_cast<int32_t*>(data);
    xy[0] -= rect_.x1;
    xy[1] -= rect_.y1;
    const bool result = form_->sendEvent(code, data);
    xy[0] += rect_.x1;
    xy[1] += rect_.y1;
    return result;
  }
  if (code == UIA_EVENT_DRAG_OVER && data) {
    UiaTrackingState* state = static_cast<UiaTrackingState*>(data);
    state->x -= rect_.x1;
    state->y -= rect_.y1;
    const bool result = form_->sendEvent(code, data);
    state->x += rect_.x1;
    state->y += rect_.y1;
    return result;
  }
  if (code == UIA_EVENT_DROP) return false;
  if (code == NGL_NOTIFY_CAPTURE_LOST) {
    form_->sendEvent(code, data);
    Widget::releaseMouse();
    return true;
  }
  return form_->sendEvent(code, data);
}

bool SubForm::read(BinaryStream& stream) {
  if (!Widget::read(stream)) return false;
  if (stream.readU32() != 1) return false;
  std::string name = stream.readString();
  const uint32_t id = stream.readU32();
  if (!nglStreamOk(stream)) return false;
  formClassName_ = std::move(name);
  formId_ = id;
  return true;
}

bool SubForm::write(BinaryStream& stream) {
  if (!Widget::write(stream)) return false;
  stream.writeU32(1);
  stream.writeString(formClassName_);
  stream.writeU32(formId_);
  return nglStreamOk(stream);
}

// ---- container requests of the inner form ----

void SubForm::widgetEnabledChanged(Widget* widget) {
  if (Widget::parent_) Widget::parent_->widgetEnabledChanged(widget);
}

void SubForm::widgetVisibilityChanged(Widget* widget) {
  if (Widget::parent_) Widget::parent_->widgetVisibilityChanged(widget);
}

void SubForm::requestFocus(Widget* widget, Form* form, bool focusable) {
  (void)form;
  if (Widget::parent_) Widget::parent_->requestFocus(widget, focusable);
}

void SubForm::setKeyWidget(Widget* widget, bool on) {
  if (Widget::parent_) Widget::parent_->setKeyWidget(widget, on);
}

bool SubForm::captureMouse(Form* form) {
  const bool result = Container::captureMouse(form);
  Widget::captureMouse();
  return result;
}

bool SubForm::releaseMouse() {
  const bool result = Container::releaseMouse();
  Widget::releaseMouse();
  return result;
}

void SubForm::setCursorChild(Form* form, HCURSOR cursor) {
  Container::setCursorChild(form, cursor);
  setCursor(cursor);
}

void SubForm::releaseCursorChild() {
  Container::releaseCursorChild();
  Widget::releaseCursor();
}

void SubForm::childRectToContainer(Form* form, RegionRect& rect) {
  Container::childRectToContainer(form, rect);
  rect.x1 += rect_.x1;
  rect.x2 += rect_.x1;
  rect.y1 += rect_.y1;
  rect.y2 += rect_.y1;
}

void SubForm::childPointToContainer(Form* form, POINT& point) {
  Container::childPointToContainer(form, point);
  point.x += rect_.x1;
  point.y += rect_.y1;
}

void SubForm::containerPointToChild(Form* form, POINT& point) {
  point.x -= rect_.x1;
  point.y -= rect_.y1;
  Container::containerPointToChild(form, point);
}

void SubForm::rectToScreen(RegionRect& rect) {
  rect.x1 += rect_.x1;
  rect.x2 += rect_.x1;
  rect.y1 += rect_.y1;
  rect.y2 += rect_.y1;
  if (Container* host = outerHost()) host->rectToScreen(rect);
}

void SubForm::pointToScreen(POINT& point) {
  point.x += rect_.x1;
  point.y += rect_.y1;
  if (Container* host = outerHost()) host->pointToScreen(point);
}

// From the screen the widget's offset is taken off again, so the two directions agree.
void SubForm::screenToRect(RegionRect& rect) {
  if (Container* host = outerHost()) host->screenToRect(rect);
  rect.x1 -= rect_.x1;
  rect.x2 -= rect_.x1;
  rect.y1 -= rect_.y1;
  rect.y2 -= rect_.y1;
}

void SubForm::screenToPoint(POINT& point) {
  if (Container* host = outerHost()) host->screenToPoint(point);
  point.x -= rect_.x1;
  point.y -= rect_.y1;
}

Widget* SubForm::widgetAt(POINT point) {
  return form_ ? form_->widgetAt(point.x - rect_.x1, point.y - rect_.y1, 0) : nullptr;
}

Widget* SubForm::findWidgetWithValue(int32_t v) { return form_ ? form_->findWidgetWithValue(v) : nullptr; }
