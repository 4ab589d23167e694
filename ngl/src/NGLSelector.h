// Selector: the continuous control of the form library, a value between a minimum and a maximum
// quantised to steps, shown as a strip of knob frames (a rotary knob) or a handle on a track (a
// slider), changed by dragging, pointing, turning around the knob, the wheel and the keys.
#pragma once

#include <cstdint>

#include "NGLTextStyle.h"
#include "NGLWidget.h"

// How the mouse moves the knob.
enum SelectorDragMode : uint32_t { kSelectorRelative = 0, kSelectorPointing = 1, kSelectorAngle = 2 };

// Payload of the selector's notification (100001).
struct SelectorNotification {
  int32_t code;  // the causing event
  void* data;
  uint32_t stepIndex;
  float value;
};

class Selector : public Widget {
 public:
  Selector();
  ~Selector() override;

  bool handleEvent(int32_t code, void* data) override;
  bool isTransparent() const override;
  bool getOpaqueArea(Region& region) override;
  void attach(Form* form) override;
  void detach() override;
  void paint(Picture& picture) override;
  // The base record, then the selector record: version 12 written, 7 to 12 read.
  bool read(BinaryStream& stream) override;
  bool write(BinaryStream& stream) override;

  void setMinimum(float f);
  void setMaximum(float f);
  void setDefaultValue(float f);
  // Moves the position to the value unless it would move by 0.0001 or less.
  using Widget::setValue;
  void setValue(float v);
  // minimum + range x the position's step.
  float currentValue() const;
  uint32_t stepIndex() const;
  void setKnobPictureId(uint32_t id);
  // Keeps the top-left: a frame strip takes one frame, a slider the handle's width (vertical) or
  // height (horizontal).
  void updateSize();

  // The frame of the knob strip drawn now (frames mode).
  uint32_t knobFrame() const;
  // Where the handle stands (slider).
  RegionRect handleRect() const;

  float position() const { return position_; }
  void setPosition(float p) { position_ = p; }
  float minimum() const { return minimum_; }
  float maximum() const { return maximum_; }
  float defaultValue() const { return defaultValue_; }
  uint32_t knobPictureId() const { return knobPictureId_; }
  Picture* knobPicture() const { return knob_; }
  Background& background() { return background_; }

  uint32_t steps = 1;
  uint8_t framesMode = 0;
  uint8_t vertical = 1;
  uint8_t keyboard = 0;
  uint8_t disabledFrame = 0;
  uint32_t dragMode = kSelectorRelative;
  float dragFactor = 1.0f;
  uint32_t trackInset = 8;
  int32_t centreX = 2;
  int32_t centreY = 2;
  uint8_t freeTurning = 0;
  float fineFactor = 0.2f;
  uint32_t resetMode = 0;

  // The position the pointer gives in the current drag mode; false when it gives none (the
  // track too short, or the knob would jump the gap). start begins a drag.
  bool positionFromPointer(int32_t x, int32_t y, uint32_t modifiers, bool start, float& result);

 private:
  bool notify(int32_t code, void* data);
  bool handleKey(const UiaKeyEvent& key);
  bool ranged() const;
  void releaseKnob();

  Background background_;
  uint32_t knobPictureId_ = 0;
  Picture* knob_ = nullptr;
  bool knobGot_ = false;
  uint32_t heldKnobId_ = 0;
  bool backgroundGot_ = false;
  float position_ = 0.0f;
  float minimum_ = 0.0f;
  float maximum_ = 1.0f;
  float defaultValue_ = 0.0f;
  float dragStart_ = 0.0f;
  int32_t dragCoordinate_ = 0;
};

// Registers the class as "Selector" and under its older name "selector.dll".
void registerSelector();
