#include "NGLSwitch.h"

#include "GPBinaryStream.h"
#include "GPError.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLStreamState.h"
#include "UIAModule.h"
#include "UIAPicture.h"

namespace {

FormHostListener* resourceSet(Form* form) {
  FormHostListener* set = form ? form->provider() : nullptr;
  return set && set->isAttached() ? set : nullptr;
}

Widget* makeSwitch() { return new Switch; }

const char* switchName() { return "Switch"; }

bool flagWord(BinaryStream& stream) { return stream.readU32() != 0; }

}  // namespace

Switch::Switch() {
  className_ = "Switch";
  style_.setKind(kBackgroundColour);
  style_.setColour(0xFFB0B0B0);
}

Switch::~Switch() = default;

// ---------------------------------------------------------------------------------------------------
// Frames

uint32_t Switch::pictureFrames() const {
  const Picture* picture = style_.picture();
  return picture ? picture->frameCount() : 0;
}

void Switch::updateLayout() {
  if (style_.picture()) {
    RegionRect r = rect_;
    style_.preferredSize(r);
    setRect(r);
  }
  const uint32_t count = pictureFrames();
  if (!style_.picture() || count < 2) {
    framesPerState_ = 1;
    return;
  }
  const uint32_t usable = count - (disabledFrame ? 1 : 0);
  framesPerState_ = usable / (1 + (pressedFrames ? 1 : 0) + (hoverFrames ? 1 : 0));
  // A picture too short for its looks would give 0 and make every frame below negative.
  if (framesPerState_ == 0) framesPerState_ = 1;
}

uint32_t Switch::currentFrame() const {
  const uint32_t count = pictureFrames();
  if (!style_.picture() || count < 2) return 0;
  const uint32_t f = framesPerState_;
  const uint32_t s = state_;
  auto atMost = [](uint32_t v, uint32_t limit) { return v < limit ? v : limit; };
  if (!enabled_ && disabledFrame) return count - 1;
  if (pressedCount_ > 0 && pressedFrames) return atMost(s + f, 2 * f - 1);
  if (hoverCount_ > 0 && hoverFrames) return pressedFrames ? atMost(s + 2 * f, 3 * f - 1) : atMost(s + f, 2 * f - 1);
  return atMost(s, f - 1);
}

void Switch::paint(Picture& picture) {
  const bool shifted = pressed_ != 0;
  if (shifted) {
    style_.setLeftMargin(style_.leftMargin() + captionShiftX);
    style_.setTopMargin(style_.topMargin() + captionShiftY);
    style_.setRightMargin(style_.rightMargin() - captionShiftX);
    style_.setBottomMargin(style_.bottomMargin() - captionShiftY);
  }
  style_.draw(picture, rect_, currentFrame(), rect_, nullptr, false);
  if (shifted) {
    style_.setLeftMargin(style_.leftMargin() - captionShiftX);
    style_.setTopMargin(style_.topMargin() - captionShiftY);
    style_.setRightMargin(style_.rightMargin() + captionShiftX);
    style_.setBottomMargin(style_.bottomMargin() + captionShiftY);
  }
}

// ---------------------------------------------------------------------------------------------------
// Setters and life cycle

void Switch::setEnabled(bool on) {
  Widget::setEnabled(on);
  invalidate(0);
}

void Switch::attach(Form* form) {
  Widget::attach(form);
  if (FormHostListener* set = resourceSet(form)) {
    style_.resolve(set->pictureMap(), set->fontMap(), form->resourceBase() != 0);
    resolved_ = true;
  }
  updateLayout();
}

void Switch::detach() {
  if (FormHostListener* set = resourceSet(parent_); set && resolved_) style_.release(set->pictureMap(), set->fontMap());
  resolved_ = false;
  framesPerState_ = 1;
  Widget::detach();
}

void Switch::restyled(bool changed) {
  if (!changed) return;
  updateLayout();
  invalidate(0);
}

void Switch::setFontId(uint32_t id) {
  FormHostListener* set = resourceSet(parent_);
  restyled(style_.setFontId(id, set ? set->fontMap() : nullptr, parent_ && parent_->resourceBase() != 0));
}

void Switch::setBackgroundKind(uint32_t kind) { restyled(style_.setKind(kind)); }

void Switch::setBackgroundPictureId(uint32_t id) {
  FormHostListener* set = resourceSet(parent_);
  restyled(style_.setPictureId(id, set ? set->pictureMap() : nullptr, parent_ && parent_->resourceBase() != 0));
}

void Switch::setBackgroundColour(uint32_t colour) { restyled(style_.setColour(colour)); }

void Switch::setState(uint32_t state) {
  if (state == state_) return;
  state_ = state;
  invalidate(0);
}

// ---------------------------------------------------------------------------------------------------
// Events

bool Switch::notify(int32_t code, void* data) {
  if (mute) return false;
  SwitchNotification event = {code, data, state_};
  return notifyListeners(NGL_NOTIFY_CAPTURE_LOST, &event, false);
}

bool Switch::handleEvent(int32_t code, void* data) {
  if (code == NGL_NOTIFY_CAPTURE_LOST) {
    release(code, nullptr);
    return true;
  }
  const bool base = Widget::handleEvent(code, data);
  if ((code < 1000 && code != UIA_EVENT_TIMER) || code >= 1100) return base;

  if (code == UIA_EVENT_TIMER) {
    if (action_ == kSwitchRepeat) {
      if (repeatCountdown_ > 0)
        --repeatCountdown_;
      else
        notify(code, data);
    }
    return true;
  }
  if (code == UIA_EVENT_MOUSE_BUTTON) {
    const UiaMouseButtonEvent* event = static_cast<const UiaMouseButtonEvent*>(data);
    if (!event) return false;
    if (doubleClickAsPress && event->action == UIA_ACTION_DOUBLE_CLICK) {
      UiaMouseButtonEvent asPress = *event;
      asPress.action = UIA_ACTION_PRESS;
      return handleEvent(code, &asPress);
    }
    if (action_ == kSwitchEveryEvent) {
      notify(code, data);
      return true;
    }
    if (event->action == UIA_ACTION_PRESS && (!leftButtonOnly || event->button == UIA_BUTTON_LEFT))
      return press(code, data);
    if (event->action == UIA_ACTION_RELEASE) return release(code, data);
    return false;
  }
  if (code == NGL_EVENT_MOUSE_ENTER || code == NGL_EVENT_MOUSE_LEAVE) {
    if (hoverFrames) {
      if (code == NGL_EVENT_MOUSE_ENTER)
        ++hoverCount_;
      else if (hoverCount_ > 0)
        --hoverCount_;
      invalidate(0);
    }
    return true;
  }
  return false;
}

bool Switch::press(int32_t code, void* data) {
  pressed_ = 1;
  bool wantCapture = action_ == kSwitchPressRelease || action_ == kSwitchToggleAtRelease;
  if (action_ == kSwitchRepeat) {
    repeatCountdown_ = repeatDelay;
    addTimer(0, int32_t(repeatPeriod));
    wantCapture = true;
  }
  if (pressedFrames) wantCapture = true;
  if (toggle && !(pressedFrames && action_ == kSwitchToggleAtRelease)) flipState();
  if (wantCapture && !hasMouseCapture()) {
    if (pressedFrames) ++pressedCount_;
    captureMouse();
  }
  if (action_ != kSwitchToggleAtRelease) notify(code, data);
  invalidate(0);
  if (wantCapture && !hasMouseCapture()) release(code, data);
  return true;
}

bool Switch::release(int32_t code, void* data) {
  if (!pressed_) return false;
  pressed_ = 0;
  if (hasMouseCapture()) releaseMouse();
  if (pressedFrames) {
    if (toggle && action_ != kSwitchNone) flipState();
    if (pressedCount_ > 0) --pressedCount_;
  }
  if (action_ == kSwitchRepeat) {
    removeTimer(0);
  } else if (action_ != kSwitchNone && data) {
    // A cancelled press (no event) tells nobody and opens nothing.
    const bool handled = notify(code, data);
    if (action_ == kSwitchLink && !handled) {
      UiaModule* module = uiaModule();
      if (!module || !module->uiaOpenDocument(link_.c_str()))
        gpMessageBox("Problems while starting the Internet browser!", GP_BUTTONS_OK, GP_NO_DEFAULT);
    }
  }
  invalidate(0);
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Records

void Switch::readOptions(BinaryStream& stream) {
  toggle = stream.readU8();
  hoverFrames = stream.readU8();
  pressedFrames = stream.readU8();
  disabledFrame = stream.readU8();
  leftButtonOnly = stream.readU8();
  action_ = stream.readU32();
  repeatPeriod = stream.readU32();
  repeatDelay = stream.readU32();
  doubleClickAsPress = stream.readU8();
}

bool Switch::read(BinaryStream& stream) {
  if (!Widget::read(stream)) return false;
  const uint32_t version = stream.readU32();
  if (version < 5 || version > 10) return false;
  if (version >= 9) {
    if (!style_.read(stream)) return false;
    state_ = stream.readU32();
    readOptions(stream);
    if (version == 10) link_ = stream.readString();
    return nglStreamOk(stream);
  }
  if (version == 5) stream.readU32();
  state_ = stream.readU32();
  const uint32_t pictureId = stream.readU32();
  if (version == 8) {
    readOptions(stream);
  } else if (version == 7) {
    for (int i = 0; i < 3; ++i) stream.readU32();
    stream.readU8();
    toggle = stream.readU8();
    hoverFrames = stream.readU8();
    pressedFrames = stream.readU8();
    disabledFrame = stream.readU8();
    stream.readU8();
    leftButtonOnly = stream.readU8();
    action_ = stream.readU32();
    repeatPeriod = stream.readU32();
    repeatDelay = stream.readU32();
    doubleClickAsPress = stream.readU8();
  } else {  // 5 and 6: flags as words
    for (int i = 0; i < 4; ++i) stream.readU32();
    toggle = flagWord(stream);
    hoverFrames = flagWord(stream);
    pressedFrames = flagWord(stream);
    disabledFrame = flagWord(stream);
    stream.readU32();
    leftButtonOnly = flagWord(stream);
    action_ = stream.readU32();
    repeatPeriod = stream.readU32();
    repeatDelay = stream.readU32();
  }
  style_.setKind(kBackgroundFrame);
  FormHostListener* set = resourceSet(parent_);
  style_.setPictureId(pictureId, set ? set->pictureMap() : nullptr, parent_ && parent_->resourceBase() != 0);
  return nglStreamOk(stream);
}

bool Switch::write(BinaryStream& stream) {
  if (!Widget::write(stream)) return false;
  stream.writeU32(10);
  style_.write(stream);
  stream.writeU32(state_);
  stream.writeU8(toggle);
  stream.writeU8(hoverFrames);
  stream.writeU8(pressedFrames);
  stream.writeU8(disabledFrame);
  stream.writeU8(leftButtonOnly);
  stream.writeU32(action_);
  stream.writeU32(repeatPeriod);
  stream.writeU32(repeatDelay);
  stream.writeU8(doubleClickAsPress);
  stream.writeString(link_);
  return nglStreamOk(stream);
}

void registerSwitch() {
  nglRegisterWidgetClass(switchName, makeSwitch);
  WidgetRegistry::add("switch.dll", makeSwitch);
}
