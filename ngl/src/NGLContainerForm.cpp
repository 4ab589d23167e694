// ContainerForm: page switching, the return page, and the form operations passed to the current page.
#include "NGLContainerForm.h"

#include <algorithm>
#include "UIAPicture.h"

ContainerForm::~ContainerForm() { clearChildren(); }

bool ContainerForm::handleMessage(int32_t code, void* data) {
  return currentPage_ ? currentPage_->sendEvent(code, data) : false;
}

bool ContainerForm::load(int32_t id) {
  (void)id;
  return false;
}

bool ContainerForm::read(BinaryStream& stream) {
  (void)stream;
  return false;
}

bool ContainerForm::write(BinaryStream& stream) {
  (void)stream;
  return false;
}

void ContainerForm::setSize(FormSize size) {
  Form::setSize(size);
  for (uint32_t i = 0; i < childCount_; ++i) resizeChild(children_[i].form, size_.width, size_.height);
}

void ContainerForm::setActive(bool on) {
  Form::setActive(on);
  if (currentPage_) currentPage_->setActive(on);
}

bool ContainerForm::isTransparent() const { return currentPage_ ? currentPage_->isTransparent() : false; }

void ContainerForm::setHost(Container* host) {
  Form::setHost(host);
  Container::setParent(host);
}

void ContainerForm::setParent(Container* container) {
  Container::setParent(container);
  Form::setHost(container);
}

bool ContainerForm::collectDirtyRegion(Region& out) {
  bool any = Form::collectDirtyRegion(out);
  if (!currentPage_) return any;
  Region page;
  if (currentPage_->collectDirtyRegion(page) && !page.isEmpty()) {
    if (any) {
      Region both;
      Region::unite(both, out, page);
      both.assign(out);
    } else {
      page.assign(out);
    }
    any = true;
  }
  return any;
}

void ContainerForm::clearDirty() {
  Form::clearDirty();
  if (currentPage_) currentPage_->clearDirty();
}

void ContainerForm::addWidget(Widget* widget) {
  // Widgets live on the pages; one given to the container form itself is not taken.
  (void)widget;
}

void ContainerForm::widgetEnabledChanged(Widget* widget) {
  if (Form::host_) Form::host_->widgetEnabledChanged(widget);
}

void ContainerForm::widgetVisibilityChanged(Widget* widget) {
  if (Form::host_) Form::host_->widgetVisibilityChanged(widget);
}

void ContainerForm::setKeyWidget(Widget* widget, bool on) {
  if (Form::host_) Form::host_->setKeyWidget(widget, on);
}

void ContainerForm::setCursor(Widget* widget, HCURSOR cursor) {
  (void)widget;
  (void)cursor;
}

void ContainerForm::releaseCursor() {
  Form::releaseCursor();
  Container::releaseCursorChild();
}

void ContainerForm::notifyHostChanged() {
  if (currentPage_) currentPage_->notifyHostChanged();
}

bool ContainerForm::paint(Picture& picture, const Region& region) {
  if (!currentPage_) return Form::paint(picture, region);
  PictureState saved(picture);
  RegionRect clip = {0, 0, size_.width, size_.height};
  if (picture.hasClip()) clip = clip.intersection(picture.clip());
  if (clip.isEmpty()) return false;
  picture.setClipRect(clip);
  const bool result = currentPage_->paint(picture, region);
  saved.restore(picture);
  return result;
}

Widget* ContainerForm::widgetAt(int32_t x, int32_t y, int32_t index) {
  return currentPage_ ? currentPage_->widgetAt(x, y, index) : nullptr;
}

Widget* ContainerForm::findWidgetWithValue(int32_t v) {
  return currentPage_ ? currentPage_->findWidgetWithValue(v) : nullptr;
}

void ContainerForm::showPage(int32_t id) {
  Form* page = nullptr;
  for (uint32_t i = 0; i < childCount_ && !page; ++i)
    if (children_[i].form->resourceId() == id) page = children_[i].form;
  if (!page) return;
  returnPageId_ = currentPage_ ? currentPage_->resourceId() : -1;
  if (isActive())
    setChildActive(page, true);
  else
    currentPage_ = page;
}

uint32_t ContainerForm::appendChild(Form* page, bool active) {
  if (!page) return childCount_;
  if (active && currentPage_ && currentPage_ != page) setChildActive(currentPage_, false);
  if (!page->provider()) page->setProvider(provider_);
  if (childCount_ == 0 && !page->isResizable())
    Form::setSize(page->size());
  else if (page->isResizable())
    page->resize(size_);
  // Every page lies at the container form's origin: only one is shown at a time.
  const FormSize size = page->size();
  const uint32_t count = addChild(page, 0, 0, size.width, size.height, active);
  if (count == 0) return 0;
  if (active) {
    currentPage_ = page;
    if (isActive() && childCount_ == 1) page->markDirtyRegionStale();
  }
  return count;
}

void ContainerForm::removeChild(Form* page) {
  if (indexOf(page) < 0) return;
  if (page == currentPage_) {
    if (returnPageId_ == -1 || returnPageId_ == page->resourceId() || childCount_ < 2) {
      Form* other = nullptr;
      for (uint32_t i = 0; i < childCount_ && !other; ++i)
        if (children_[i].form != page) other = children_[i].form;
      if (other) {
        if (isActive())
          setChildActive(other, true);
        else
          currentPage_ = other;
      } else {
        currentPage_ = nullptr;
        markDirtyRegionStale();
      }
    } else {
      showPage(returnPageId_);
      // The return page may be gone: never keep the page being removed as the current one.
      if (currentPage_ == page) {
        currentPage_ = nullptr;
        for (uint32_t i = 0; i < childCount_ && !currentPage_; ++i)
          if (children_[i].form != page) currentPage_ = children_[i].form;
        if (currentPage_ && isActive()) setChildActive(currentPage_, true);
        if (!currentPage_) markDirtyRegionStale();
      }
    }
    returnPageId_ = -1;
  }
  if (page->isActive()) Container::setChildActive(page, false);
  Container::removeChild(page);
}

void ContainerForm::clearChildren() {
  Container::clearChildren();
  currentPage_ = nullptr;
  returnPageId_ = -1;
}

void ContainerForm::setChildActive(Form* page, bool active) {
  if (active && currentPage_ && currentPage_ != page) Container::setChildActive(currentPage_, false);
  Container::setChildActive(page, active);
  if (active) currentPage_ = page;
}

void ContainerForm::requestFocus(Widget* widget, Form* form, bool focusable) {
  (void)form;
  if (Container::parent_) Container::parent_->requestFocus(widget, this, focusable);
}

bool ContainerForm::captureMouse(Form* form) {
  const bool result = Container::captureMouse(form);
  if (Container::parent_) Container::parent_->captureMouse(this);
  return result;
}

bool ContainerForm::releaseMouse() {
  const bool result = Container::releaseMouse();
  if (Container::parent_ && Container::parent_->captureChild() == this) Container::parent_->releaseMouse();
  return result;
}

void ContainerForm::setCursorChild(Form* form, HCURSOR cursor) {
  Container::setCursorChild(form, cursor);
  if (Form::host_) Form::host_->setCursorChild(this, cursor);
}

void ContainerForm::childSizeChanged(Form* form) {
  Container::childSizeChanged(form);
  if (Container::parent_) Container::parent_->childSizeChanged(this);
}

void ContainerForm::rectToScreen(RegionRect& rect) {
  if (Container::parent_) Container::parent_->rectToScreen(rect);
}

void ContainerForm::pointToScreen(POINT& point) {
  if (Container::parent_) Container::parent_->pointToScreen(point);
}

void ContainerForm::screenToRect(RegionRect& rect) {
  if (Container::parent_) Container::parent_->screenToRect(rect);
}

void ContainerForm::screenToPoint(POINT& point) {
  if (Container::parent_) Container::parent_->screenToPoint(point);
}
