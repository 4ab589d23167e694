// Widget base: flags, rectangle, dirty mask, listeners, the base record and the parent requests.
#include "NGLWidget.h"

#include <algorithm>

#include "GPBinaryStream.h"
#include "NGLContainer.h"
#include "NGLFontMap.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLPictureMap.h"
#include "NGLRecord.h"
#include "NGLStreamState.h"
#include "UIAPicture.h"

bool Widget::handleEvent(int32_t code, void* data) {
  if (code == UIA_EVENT_MOUSE_BUTTON) {
    const UiaMouseButtonEvent* event = static_cast<const UiaMouseButtonEvent*>(data);
    if (event && event->button == UIA_BUTTON_LEFT && event->action != UIA_ACTION_RELEASE && parent_)
      parent_->requestFocus(this, focusable_ != 0);
    return false;
  }
  if (code == NGL_NOTIFY_FOCUS) {
    focusChanged();
    return true;
  }
  return false;
}

void Widget::setId(int32_t id) { id_ = id; }

void Widget::setLayer(uint32_t layer) {
  if (layer > 7) layer = 6;
  if (layer == layer_) return;
  layer_ = layer;
  if (parent_) parent_->widgetLayerChanged(this);
}

void Widget::raise() {
  if (parent_) parent_->raiseWidget(this);
}

void Widget::setRect(const RegionRect& rect) {
  if (rect.x1 == rect_.x1 && rect.y1 == rect_.y1 && rect.x2 == rect_.x2 && rect.y2 == rect_.y2) return;
  invalidate(0);
  if (!parent_) {
    rect_ = rect;
    return;
  }
  Region oldArea;
  if (!rect_.isEmpty()) oldArea.setRect(rect_.x1, rect_.y1, rect_.x2, rect_.y2);
  rect_ = rect;
  Region newArea;
  if (!rect_.isEmpty()) newArea.setRect(rect_.x1, rect_.y1, rect_.x2, rect_.y2);
  Region uncovered;
  Region::subtract(uncovered, oldArea, newArea);
  parent_->invalidateRegion(uncovered);
}

bool Widget::getOpaqueArea(Region& region) {
  if (transparent_) return false;
  region.setRect(rect_.x1, rect_.y1, rect_.x2, rect_.y2);
  return true;
}

void Widget::setEnabled(bool on) {
  if ((enabled_ != 0) == on) return;
  enabled_ = on ? 1 : 0;
  if (parent_) parent_->widgetEnabledChanged(this);
}

void Widget::setVisible(bool on) {
  if ((visible_ != 0) == on) return;
  visible_ = on ? 1 : 0;
  if (parent_) parent_->widgetVisibilityChanged(this);
  if (on) invalidate(0);
}

void Widget::setStyleWord(uint32_t word) {
  if (word == styleWord_) return;
  styleWord_ = word;
  invalidate(0);
}

void Widget::invalidate(uint32_t mask) { dirty_ |= mask ? mask : 0xFFFFu; }

bool Widget::getDirtyArea(Region& region, uint32_t mask) {
  if (!mask) return false;
  region.setRect(rect_.x1, rect_.y1, rect_.x2, rect_.y2);
  return true;
}

bool Widget::paintRegion(Picture& picture, const Region& region) {
  for (const RegionRect& r : region.rects()) {
    PictureState saved(picture);
    RegionRect clip = r;
    if (picture.hasClip()) clip = clip.intersection(picture.clip());
    picture.setClipRect(clip);
    paint(picture);
    saved.restore(picture);
  }
  return true;
}

void Widget::addListener(WidgetListener* listener) { listeners_.push_back(listener); }

void Widget::removeListener(WidgetListener* listener) {
  auto found = std::find(listeners_.begin(), listeners_.end(), listener);
  if (found != listeners_.end()) listeners_.erase(found);
}

bool Widget::read(BinaryStream& stream) {
  const uint32_t version = stream.readU32();
  if (version > 6) return false;
  if (version == 6) {
    RegionRect r;
    r.x1 = stream.readInt32();
    r.y1 = stream.readInt32();
    r.x2 = stream.readInt32();
    r.y2 = stream.readInt32();
    const uint8_t transparent = stream.readU8();
    const uint32_t anchor = stream.readU32();
    const uint32_t layer = stream.readU32();
    if (!nglStreamOk(stream)) return false;
    setRect(r);
    transparent_ = transparent;
    anchor_ = anchor;
    layer_ = layer;
    return true;
  }
  // Older records: a class name, a word, then by version the transparent word and the anchor.
  if (!nglSkipByteString(stream)) return false;
  stream.readU32();
  uint32_t transparent = transparent_;
  uint32_t anchor = 0;
  if (version >= 3) transparent = stream.readU32() != 0 ? 1 : 0;
  if (version == 2 || version == 3) stream.readU32();
  if (version == 5) anchor = stream.readU32();
  if (!nglStreamOk(stream)) return false;
  transparent_ = static_cast<uint8_t>(transparent);
  anchor_ = anchor;
  return true;
}

bool Widget::write(BinaryStream& stream) {
  stream.writeU32(6);
  stream.writeU32(static_cast<uint32_t>(rect_.x1));
  stream.writeU32(static_cast<uint32_t>(rect_.y1));
  stream.writeU32(static_cast<uint32_t>(rect_.x2));
  stream.writeU32(static_cast<uint32_t>(rect_.y2));
  stream.writeU8(transparent_);
  stream.writeU32(anchor_);
  stream.writeU32(layer_);
  return nglStreamOk(stream);
}

bool Widget::notifyListeners(int32_t code, void* data, bool stopAtFirst) {
  bool handled = false;
  // A listener may remove itself while it is told: walk a copy.
  const std::vector<WidgetListener*> listeners = listeners_;
  for (WidgetListener* listener : listeners) {
    if (listener->onWidgetEvent(id_, code, data)) {
      handled = true;
      if (stopAtFirst) return true;
    }
  }
  return handled;
}

bool Widget::notifyValue(int32_t a, int32_t b) {
  WidgetValuePair pair = {a, b};
  return notifyListeners(NGL_NOTIFY_VALUE, &pair, false);
}

void Widget::setFocused(bool on) {
  if (!focusable_) return;
  focused_ = on ? 1 : 0;
  invalidate(0);
  WidgetFocusEvent event = {0, nullptr, focused_};
  notifyListeners(NGL_NOTIFY_FOCUS, &event, false);
}

bool Widget::hasMouseCapture() const { return parent_ && parent_->captureWidget() == this; }

void Widget::captureMouse() {
  if (parent_) parent_->captureMouse(this);
}

void Widget::releaseMouse() {
  if (parent_ && parent_->captureWidget() == this) parent_->releaseMouse();
}

void Widget::addTimer(int32_t id, int32_t period) {
  if (parent_) parent_->addTimer(this, id, period);
}

void Widget::removeTimer(int32_t id) {
  if (parent_) parent_->removeTimer(this, id);
}

void Widget::requestKeyInput() {
  if (!parent_) return;
  parent_->requestFocus(this, true);
  parent_->setKeyWidget(this, true);
}

void Widget::releaseKeyInput() {
  if (parent_) parent_->setKeyWidget(this, false);
}

void Widget::setCursor(HCURSOR cursor) {
  if (parent_) parent_->setCursor(this, cursor);
}

void Widget::releaseCursor() {
  if (parent_) parent_->releaseCursor();
}

namespace {

FormHostListener* attachedSet(Form* parent) {
  FormHostListener* set = parent ? parent->provider() : nullptr;
  return set && set->isAttached() ? set : nullptr;
}

}  // namespace

Picture* Widget::picture(uint32_t id) {
  FormHostListener* set = attachedSet(parent_);
  return set ? set->pictureMap()->get(id, parent_->resourceBase() != 0) : nullptr;
}

void Widget::releasePicture(uint32_t id) {
  if (FormHostListener* set = attachedSet(parent_)) set->pictureMap()->release(id);
}

BitmapFont* Widget::font(uint32_t id) {
  FormHostListener* set = attachedSet(parent_);
  return set ? set->fontMap()->get(id, parent_->resourceBase() != 0) : nullptr;
}

void Widget::releaseFont(uint32_t id) {
  if (FormHostListener* set = attachedSet(parent_)) set->fontMap()->release(id);
}
