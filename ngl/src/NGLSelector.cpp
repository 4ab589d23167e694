#include "NGLSelector.h"

#include <windows.h>
#include <cmath>
#include <cstring>

#include "GPBinaryStream.h"
#include "GPClamp.h"
#include "NGLClipboard.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLStreamState.h"
#include "UIAKeys.h"
#include "UIAPicture.h"

namespace {

constexpr float kPi = 3.14159265358979f;

FormHostListener* resourceSet(Form* form) {
  FormHostListener* set = form ? form->provider() : nullptr;
  return set && set->isAttached() ? set : nullptr;
}

Widget* makeSelector() { return new Selector; }

const char* selectorName() { return "Selector"; }

// A position on the track; NaN counts as 0 (the libraries' one clamp rule).
float clamp01(float p) { return gpClamp(p, 0.0f, 1.0f); }

uint32_t bitsOf(float f) {
  uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

// A float field of a record; a non-finite one fails the record.
bool readFinite(BinaryStream& stream, float& out) {
  const float f = stream.readFloat();
  if (!std::isfinite(f)) return false;
  out = f;
  return true;
}

uint32_t frameCountOf(const Picture* picture) {
  const uint32_t count = picture ? picture->frameCount() : 0;
  return count ? count : 1;
}

}  // namespace

Selector::Selector() {
  className_ = "Selector";
  setDefaultValue(0.0f);
}

Selector::~Selector() = default;

// ---------------------------------------------------------------------------------------------------
// Values

bool Selector::ranged() const {
  // Without steps or without a range the value formulas would divide by zero.
  return steps != 0 && maximum_ != minimum_;
}

uint32_t Selector::stepIndex() const {
  if (steps == 0) return 0;
  const float index = std::floor(float(steps) * clamp01(position_) + 0.5f);
  return uint32_t(index);
}

float Selector::currentValue() const {
  if (steps == 0) return minimum_;
  const float quantised = std::floor(position_ * float(steps) + 0.5f);
  return minimum_ + (maximum_ - minimum_) * quantised / float(steps);
}

void Selector::setValue(float v) {
  if (!ranged() || !std::isfinite(v)) return;
  const float p = (v - minimum_) / (maximum_ - minimum_);
  if (!std::isfinite(p) || std::fabs(p - position_) <= 0.0001f) return;
  position_ = p;
  invalidate(0);
}

void Selector::setMinimum(float f) {
  if (!std::isfinite(f) || f == minimum_) return;
  minimum_ = f;
  if (defaultValue_ < f) defaultValue_ = f;
  invalidate(0);
}

void Selector::setMaximum(float f) {
  if (!std::isfinite(f) || f == maximum_) return;
  maximum_ = f;
  if (defaultValue_ > f) defaultValue_ = f;
  invalidate(0);
}

void Selector::setDefaultValue(float f) {
  if (!std::isfinite(f)) return;
  if (f < minimum_) f = minimum_;
  if (f > maximum_) f = maximum_;
  defaultValue_ = f;
}

// ---------------------------------------------------------------------------------------------------
// Pictures and size

void Selector::releaseKnob() {
  if (knobGot_) releasePicture(heldKnobId_);
  knob_ = nullptr;
  knobGot_ = false;
}

void Selector::setKnobPictureId(uint32_t id) {
  if (id == knobPictureId_) return;
  releaseKnob();
  knobPictureId_ = id;
  if (resourceSet(parent_) && !knobGot_ && id != 0) {
    knob_ = picture(id);
    knobGot_ = true;
    heldKnobId_ = id;
  }
  updateSize();
  invalidate(0);
}

void Selector::updateSize() {
  if (!knob_) return;
  RegionRect r = rect_;
  const int32_t w = int32_t(knob_->frameWidth());
  const int32_t h = int32_t(knob_->frameHeight());
  if (framesMode) {
    r.x2 = r.x1 + w;
    r.y2 = r.y1 + h;
  } else if (vertical) {
    r.x2 = r.x1 + w;
  } else {
    r.y2 = r.y1 + h;
  }
  setRect(r);  // does nothing when unchanged
}

void Selector::attach(Form* form) {
  Widget::attach(form);
  if (FormHostListener* set = resourceSet(form)) {
    if (!knobGot_ && knobPictureId_ != 0) {
      knob_ = picture(knobPictureId_);
      knobGot_ = true;
      heldKnobId_ = knobPictureId_;
    }
    background_.resolve(set->pictureMap(), form->resourceBase() != 0);
    backgroundGot_ = true;
  }
  updateSize();
}

void Selector::detach() {
  if (FormHostListener* set = resourceSet(parent_); set && backgroundGot_)
    background_.releasePicture(set->pictureMap());
  backgroundGot_ = false;
  releaseKnob();
  Widget::detach();
}

bool Selector::isTransparent() const {
  if (!background_.isTransparent()) return false;
  if (framesMode && knob_) return knob_->hasAlpha();
  return true;
}

RegionRect Selector::handleRect() const {
  RegionRect r = rect_;
  if (!knob_) return r;
  const int32_t hw = int32_t(knob_->frameWidth());
  const int32_t hh = int32_t(knob_->frameHeight());
  const float p = clamp01(position_);
  if (vertical) {
    const int32_t travel = (rect_.y2 - rect_.y1) - hh;
    r.y1 = int32_t(float(rect_.y1 + travel) - p * float(travel - 1));
  } else {
    const int32_t travel = (rect_.x2 - rect_.x1) - hw - 1;
    r.x1 = rect_.x1 + int32_t(float(travel) * p);
  }
  r.x2 = r.x1 + hw;
  r.y2 = r.y1 + hh;
  return r;
}

bool Selector::getOpaqueArea(Region& region) {
  if (!background_.isTransparent()) {
    region.setRect(rect_.x1, rect_.y1, rect_.x2, rect_.y2);
    return true;
  }
  if (!knob_ || knob_->hasAlpha()) return false;
  const RegionRect r = framesMode ? rect_ : handleRect();
  region.setRect(r.x1, r.y1, r.x2, r.y2);
  return true;
}

uint32_t Selector::knobFrame() const {
  const uint32_t count = frameCountOf(knob_);
  if (!enabled_ && disabledFrame) return count - 1;
  const uint32_t usable = count - 1 - (disabledFrame && count > 1 ? 1 : 0);
  // The position is not clamped by setValue: keep the frame inside the strip.
  return uint32_t(std::floor(float(usable) * clamp01(position_) + 0.5f));
}

void Selector::paint(Picture& picture) {
  background_.draw(picture, rect_, 0, rect_);
  if (!knob_) return;
  if (framesMode) {
    picture.drawFrame(rect_.x1, rect_.y1, *knob_, knobFrame(), nullptr);
  } else {
    const RegionRect h = handleRect();
    picture.drawFrame(h.x1, h.y1, *knob_, (!enabled_ && disabledFrame) ? 1 : 0, nullptr);
  }
}

// ---------------------------------------------------------------------------------------------------
// Input

bool Selector::positionFromPointer(int32_t x, int32_t y, uint32_t modifiers, bool start, float& result) {
  const int32_t width = rect_.x2 - rect_.x1;
  const int32_t height = rect_.y2 - rect_.y1;
  if (dragMode == kSelectorRelative) {
    const int32_t coordinate = vertical ? y : x;
    if (start) {
      dragStart_ = position_;
      dragCoordinate_ = coordinate;
      return false;
    }
    const int32_t extent = (vertical ? height : width) - 1;
    if (extent <= 0) return false;
    const float f = (modifiers & kModShift) ? fineFactor : 1.0f;
    const float moved = f * float(coordinate - dragCoordinate_) / float(extent);
    float p = vertical ? dragStart_ - moved : dragStart_ + moved;
    if (p > 1.0f) {
      p = 1.0f;
    } else if (p < 0.0f) {
      p = 0.0f;
    } else {
      dragStart_ = p;
      dragCoordinate_ = coordinate;
    }
    result = p;
    return true;
  }
  if (dragMode == kSelectorPointing) {
    const int32_t inset = int32_t(trackInset > 0x10000 ? 0x10000 : trackInset);
    const int32_t extent = (vertical ? height : width) - 2 * inset - 1;
    if (extent <= 0) return false;
    const float p =
        vertical ? 1.0f - float(y - (rect_.y1 + inset)) / float(extent) : float(x - (rect_.x1 + inset)) / float(extent);
    result = clamp01(p);
    return true;
  }
  if (dragMode != kSelectorAngle) return false;
  float px = float(x - (rect_.x1 - centreX));
  float py = float(y - (rect_.y1 - centreY));
  bool leftOf = false, above = false;
  if (px < 0) {
    px = float(width) - px;
    leftOf = true;
  }
  if (py < 0) {
    py = float(height) - py;
    above = true;
  }
  const float a = px * 0.0625f - 1.0f;
  const float b = 1.0f - py * 0.0625f;
  const float r = std::sqrt(a * a + b * b);
  float t = 0.0f;
  if (r > 0.0f) {
    float c = -b / r;
    c = c < -1.0f ? -1.0f : (c > 1.0f ? 1.0f : c);
    t = std::acos(c) / (2.0f * kPi);
    if (!leftOf && px > 16.0f) t = 1.0f - t;
    if (above) {
      t = 0.5f - t;
      if (t < 0.0f) t += 1.0f;
    }
    if (!(t >= 0.0f && t < 1.0f)) t = 0.0f;
  }
  if (!freeTurning && ((t >= 0.75f && position_ <= 0.25f) || (t <= 0.25f && position_ >= 0.75f))) return false;
  result = t;
  return true;
}

bool Selector::notify(int32_t code, void* data) {
  SelectorNotification event = {code, data, stepIndex(), currentValue()};
  return notifyListeners(NGL_NOTIFY_CAPTURE_LOST, &event, false);
}

bool Selector::handleKey(const UiaKeyEvent& event) {
  const uint32_t modifierBits = kModShift | kModCtrl | kModAlt | kModWindows;
  const uint32_t key = event.key & ~modifierBits;
  const uint32_t plain = key & ~kKeypadFlag;
  auto is = [plain](int vk) { return int32_t(plain) == uiaKeyFromVirtualKey(vk); };
  const float step = steps ? (maximum_ - minimum_) / float(steps) : 0.0f;
  const float v = currentValue();
  float target = v;
  if (is(VK_PRIOR))
    target = v + 10 * step;
  else if (is(VK_NEXT))
    target = v - 10 * step;
  else if (is(VK_END))
    target = minimum_;
  else if (is(VK_HOME))
    target = maximum_;
  else if (is(VK_UP))
    target = v + step;
  else if (is(VK_DOWN))
    target = v - step;
  else if (is(VK_NUMPAD5) || ((key & kKeypadFlag) && is('5'))) {
    if (resetMode == 0)
      target = (minimum_ < 0 && 0 < maximum_) ? 0.0f : v;
    else if (resetMode != 1)
      target = defaultValue_;
  } else {
    return false;
  }
  const float low = minimum_ < maximum_ ? minimum_ : maximum_;
  const float high = minimum_ < maximum_ ? maximum_ : minimum_;
  if (target < low) target = low;
  if (target > high) target = high;
  if (target == v || !ranged()) return false;
  setValue(target);
  return true;
}

bool Selector::handleEvent(int32_t code, void* data) {
  if (code == NGL_NOTIFY_CAPTURE_LOST) {
    if (hasMouseCapture()) releaseMouse();
    return true;
  }
  const bool base = Widget::handleEvent(code, data);
  if (code == UIA_EVENT_MOUSE_BUTTON && data) {
    const UiaMouseButtonEvent& e = *static_cast<const UiaMouseButtonEvent*>(data);
    const bool leftDouble = e.button == UIA_BUTTON_LEFT && e.action == UIA_ACTION_DOUBLE_CLICK;
    switch (resetMode) {
      case 0:
        if (leftDouble && minimum_ < 0 && 0 < maximum_) setValue(0.0f);
        break;
      case 2:
        if (leftDouble) setValue(defaultValue_);
        break;
      case 3:
        if (e.modifiers & kModCtrl) setValue(defaultValue_);
        break;
      case 4:
        if (e.button == UIA_BUTTON_RIGHT && e.action != UIA_ACTION_RELEASE) setValue(defaultValue_);
        break;
      default: break;
    }
    if (e.action == UIA_ACTION_PRESS) {
      float p;
      if (ranged() && positionFromPointer(e.x, e.y, e.modifiers, true, p) && p != position_) {
        position_ = p;
        invalidate(0);
      }
      notify(code, data);
      captureMouse();
    } else {
      setValue(currentValue());
      notify(code, data);
      if (hasMouseCapture()) releaseMouse();
    }
    return true;
  }
  if (code == UIA_EVENT_MOUSE_MOVE && data) {
    if (!hasMouseCapture()) return false;
    const UiaMouseMoveEvent& e = *static_cast<const UiaMouseMoveEvent*>(data);
    float p;
    if (ranged() && positionFromPointer(e.x, e.y, e.modifiers, false, p) && p != position_) {
      position_ = p;
      notify(code, data);
      invalidate(0);
    }
    return true;
  }
  if (code == UIA_EVENT_MOUSE_WHEEL && data) {
    const UiaMouseWheelEvent& e = *static_cast<const UiaMouseWheelEvent*>(data);
    if (!ranged()) return true;
    float moved = float(e.delta) / float(nglWheelStep());
    if (!(e.modifiers & kModShift)) moved *= 0.1f;
    const float p = clamp01(position_ + moved);
    if (std::fabs(p - position_) > 0.0001f) {
      position_ = p;
      notify(code, data);
      invalidate(0);
    }
    return true;
  }
  if (code == UIA_EVENT_KEY_DOWN && data && keyboard && isFocused()) {
    if (handleKey(*static_cast<const UiaKeyEvent*>(data))) {
      notify(code, data);
      return true;
    }
  }
  return base;
}

// ---------------------------------------------------------------------------------------------------
// Records

bool Selector::read(BinaryStream& stream) {
  if (!Widget::read(stream)) return false;
  vertical = 1;
  resetMode = 0;
  dragMode = kSelectorRelative;
  const uint32_t version = stream.readU32();
  uint32_t knobId = 0;
  float low = minimum_, high = maximum_, fine = fineFactor, fallback = defaultValue_, factor = dragFactor;
  if (version >= 10 && version <= 12) {
    stream.readU32();
    knobId = stream.readU32();
    if (version >= 11 && !background_.read(stream)) return false;
    if (!readFinite(stream, low) || !readFinite(stream, high)) return false;
    steps = stream.readU32();
    framesMode = stream.readU8();
    vertical = stream.readU8();
    keyboard = stream.readU8();
    disabledFrame = stream.readU8();
    dragMode = stream.readU32();
    if (!readFinite(stream, factor)) return false;
    trackInset = stream.readU32();
    centreX = stream.readInt32();
    centreY = stream.readInt32();
    freeTurning = stream.readU8();
    if (version == 12) {
      if (!readFinite(stream, fine) || !readFinite(stream, fallback)) return false;
      resetMode = stream.readU32();
    }
  } else if (version == 9 || version == 8) {
    if (!readFinite(stream, low) || !readFinite(stream, high)) return false;
    steps = stream.readU32();
    knobId = stream.readU32();
    framesMode = stream.readU8();
    stream.readU32();
    centreX = stream.readInt32();
    centreY = stream.readInt32();
    const uint32_t styleOrAngle = version == 9 ? stream.readU32() : stream.readU8();
    freeTurning = stream.readU8();
    vertical = stream.readU8();
    disabledFrame = stream.readU8();
    stream.readU32();
    trackInset = stream.readU32();
    if (version == 9) {
      if (!readFinite(stream, factor)) return false;
      switch (styleOrAngle) {
        case 0:
          dragMode = kSelectorPointing;
          vertical = 1;
          break;
        case 1:
          dragMode = kSelectorPointing;
          vertical = 0;
          break;
        case 2:
          dragMode = kSelectorRelative;
          vertical = 1;
          break;
        case 3:
          dragMode = kSelectorRelative;
          vertical = 0;
          break;
        case 4: dragMode = kSelectorAngle; break;
        default: return false;
      }
    } else {
      const uint8_t relative = stream.readU8();
      if (framesMode) {
        vertical = 1;
        dragMode = styleOrAngle ? kSelectorAngle : kSelectorRelative;
      } else if (relative == 0) {
        dragMode = kSelectorPointing;
      }
    }
  } else if (version == 7) {
    framesMode = uint8_t(stream.readU32() != 0);
    stream.readU32();
    const uint32_t pictureA = stream.readU32();
    stream.readU32();
    const uint32_t stepsA = stream.readU32();
    for (int i = 0; i < 3; ++i) stream.readU32();
    centreX = stream.readInt32();
    centreY = stream.readInt32();
    for (int i = 0; i < 5; ++i) stream.readU32();
    const uint32_t angle = stream.readU32();
    freeTurning = uint8_t(stream.readU32() != 0);
    const uint32_t pictureB = stream.readU32();
    stream.readU32();
    vertical = uint8_t(stream.readU32() != 0);
    disabledFrame = uint8_t(stream.readU32() != 0);
    const uint32_t stepsB = stream.readU32();
    trackInset = stream.readU32();
    stream.readU32();
    const uint32_t relative = stream.readU32();
    low = 0.0f;
    high = 1.0f;
    if (framesMode) {
      knobId = pictureA;
      steps = stepsA;
      vertical = 1;
      dragMode = angle ? kSelectorAngle : kSelectorRelative;
    } else {
      knobId = pictureB;
      steps = stepsB;
      if (relative == 0) dragMode = kSelectorPointing;
    }
  } else {
    return false;
  }
  if (!nglStreamOk(stream)) return false;
  minimum_ = low;
  maximum_ = high;
  fineFactor = fine;
  dragFactor = factor;
  setDefaultValue(fallback);
  if (version >= 10) {
    if (knobId != knobPictureId_) releaseKnob();
    knobPictureId_ = knobId;
  } else {
    setKnobPictureId(knobId);
  }
  updateSize();
  return true;
}

bool Selector::write(BinaryStream& stream) {
  if (!Widget::write(stream)) return false;
  stream.writeU32(12);
  stream.writeU32(1);
  stream.writeU32(knobPictureId_);
  background_.write(stream);
  stream.writeU32(bitsOf(minimum_));
  stream.writeU32(bitsOf(maximum_));
  stream.writeU32(steps);
  stream.writeU8(framesMode);
  stream.writeU8(vertical);
  stream.writeU8(keyboard);
  stream.writeU8(disabledFrame);
  stream.writeU32(dragMode);
  stream.writeU32(bitsOf(dragFactor));
  stream.writeU32(trackInset);
  stream.writeU32(uint32_t(centreX));
  stream.writeU32(uint32_t(centreY));
  stream.writeU8(freeTurning);
  stream.writeU32(bitsOf(fineFactor));
  stream.writeU32(bitsOf(defaultValue_));
  stream.writeU32(resetMode);
  return nglStreamOk(stream);
}

void registerSelector() {
  nglRegisterWidgetClass(selectorName, makeSelector);
  WidgetRegistry::add("selector.dll", makeSelector);
}
