// Switch: push button, toggle, auto-repeat button and link of the form library. It shows one frame of
// its background picture by state and by whether it is pressed, hovered or disabled, draws a caption
// with its text style and tells its listeners about presses and releases.
#pragma once

#include <cstdint>
#include <string>

#include "NGLTextStyle.h"
#include "NGLWidget.h"

// What a switch does with the mouse.
enum SwitchAction : uint32_t {
  kSwitchNone = 0,  // only the state (and the press notification)
  kSwitchPressRelease = 1,
  kSwitchRepeat = 2,      // notifies again on the widget timer while held
  kSwitchEveryEvent = 3,  // notifies at once on every button event
  kSwitchToggleAtRelease = 4,
  kSwitchLink = 5,  // opens the link text unless a listener handles the release
};

// Payload of the switch's notification (NGL_NOTIFY_CAPTURE_LOST's code, 100001).
struct SwitchNotification {
  int32_t code;  // the causing event
  void* data;
  uint32_t state;
};

class Switch : public Widget {
 public:
  Switch();
  ~Switch() override;

  bool handleEvent(int32_t code, void* data) override;
  bool isTransparent() const override { return style_.isTransparent(); }
  void setEnabled(bool on) override;
  void attach(Form* form) override;
  void detach() override;
  void paint(Picture& picture) override;
  // The base record, then the switch record; version 10 written, 5 to 10 read.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;
  // Tells a switch from other widgets.
  virtual bool isSwitch() const { return true; }

  void setFontId(uint32_t id);
  void setBackgroundKind(uint32_t kind);
  void setBackgroundPictureId(uint32_t id);
  void setBackgroundColour(uint32_t colour);
  void setState(uint32_t state);
  void setAction(uint32_t action) { action_ = action; }
  void setLinkText(const char* text) { link_ = text ? text : ""; }
  // With a background picture the switch takes one frame's size; then the frames per state.
  void updateLayout();
  // After a style setter: a changed style lays the switch out again and repaints it.
  void restyled(bool changed);

  // The frame of the background picture shown now.
  uint32_t currentFrame() const;

  uint32_t state() const { return state_; }
  uint32_t action() const { return action_; }
  uint32_t framesPerState() const { return framesPerState_; }
  bool isPressed() const { return pressed_ != 0; }
  const std::string& linkText() const { return link_; }
  TextStyle& textStyle() { return style_; }
  const TextStyle& textStyle() const { return style_; }

  // Flags and timing, as the record holds them.
  uint8_t hoverFrames = 0;
  uint8_t pressedFrames = 0;
  uint8_t disabledFrame = 0;
  uint8_t toggle = 1;
  uint8_t leftButtonOnly = 0;
  uint8_t doubleClickAsPress = 0;
  uint8_t mute = 0;
  uint32_t repeatDelay = 1;
  uint32_t repeatPeriod = 0;
  int32_t captionShiftX = 1;
  int32_t captionShiftY = 1;

 private:
  // The option fields of records 8 and later, from toggle to doubleClickAsPress.
  void readOptions(BinaryStream& stream);
  bool press(int32_t code, void* data);
  bool release(int32_t code, void* data);
  bool notify(int32_t code, void* data);
  uint32_t pictureFrames() const;
  void flipState() { state_ = state_ == 0 ? 1 : 0; }

  TextStyle style_;
  std::string link_;
  uint32_t action_ = kSwitchNone;
  uint32_t state_ = 0;
  uint32_t framesPerState_ = 1;
  uint32_t pressedCount_ = 0;
  uint32_t hoverCount_ = 0;
  uint32_t repeatCountdown_ = 0;
  uint8_t pressed_ = 0;
  bool resolved_ = false;
};

// Registers the class as "Switch" and under its older name "switch.dll".
void registerSwitch();
