// Selector: values and steps, the three drag modes, wheel, keys, reset gestures, drawing positions and
// the records of versions 7 to 12.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLSelector.h"
#include "UIAKeys.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace nglselectortest {

namespace {

class Recorder : public WidgetListener {
 public:
  bool onWidgetEvent(int32_t, int32_t code, void* data) override {
    if (code != 100001) return false;  // focus changes are not the selector's own
    heard.push_back(*static_cast<const SelectorNotification*>(data));
    return true;
  }
  std::vector<SelectorNotification> heard;
};

// A laid-out form (no resource set) holding one selector.
struct SelectorForm {
  explicit SelectorForm(RegionRect r = {0, 0, 32, 32}) {
    form.layout();
    widget = new Selector;
    widget->setId(3);
    widget->setRect(r);
    form.addWidget(widget);
    widget->addListener(&listener);
  }
  bool button(int32_t x, int32_t y, uint32_t which, uint32_t action, uint32_t modifiers = 0) {
    UiaMouseButtonEvent e = {x, y, modifiers, which, action};
    return widget->handleEvent(UIA_EVENT_MOUSE_BUTTON, &e);
  }
  bool move(int32_t x, int32_t y, uint32_t modifiers = 0) {
    UiaMouseMoveEvent e = {x, y, modifiers};
    return widget->handleEvent(UIA_EVENT_MOUSE_MOVE, &e);
  }
  bool wheel(int32_t delta, uint32_t modifiers = 0) {
    UiaMouseWheelEvent e = {1, 1, modifiers, delta};
    return widget->handleEvent(UIA_EVENT_MOUSE_WHEEL, &e);
  }
  bool key(int vk, uint32_t extra = 0) {
    // As the window procedure makes it from a key message.
    const uint32_t lParam = 1u | (MapVirtualKeyA(UINT(vk), MAPVK_VK_TO_VSC) << 16) | extra;
    int32_t position = -1;
    UiaKeyEvent e = {uiaTranslateKeyWith(uint32_t(vk), lParam, 0, &position), uint32_t(position), 1};
    return widget->handleEvent(UIA_EVENT_KEY_DOWN, &e);
  }
  Form form;
  Selector* widget = nullptr;
  Recorder listener;
};

}  // namespace

TEST(Selector, DefaultsAndRegistration) {
  Selector s;
  EXPECT_EQ(s.className(), "Selector");
  EXPECT_EQ(s.minimum(), 0.0f);
  EXPECT_EQ(s.maximum(), 1.0f);
  EXPECT_EQ(s.steps, 1u);
  EXPECT_EQ(s.vertical, 1);
  EXPECT_EQ(s.trackInset, 8u);
  EXPECT_FLOAT_EQ(s.fineFactor, 0.2f);
  registerSelector();
  for (const char* name : {"Selector", "selector.dll"}) {
    Widget* made = WidgetRegistry::create(name);
    ASSERT_NE(dynamic_cast<Selector*>(made), nullptr) << name;
    delete made;
  }
}

TEST(Selector, ValuesAndSteps) {
  struct Case {
    float minimum, maximum;
    uint32_t steps;
    float position;
    float value;
    uint32_t index;
  } const cases[] = {
      {0, 10, 10, 0.34f, 3, 3}, {0, 10, 10, 0.35f, 4, 4}, {0, 10, 10, 1.0f, 10, 10},
      {0, 10, 10, 0.0f, 0, 0},  {-1, 1, 2, 0.5f, 0, 1},   {-1, 1, 2, 0.74f, 0, 1},
      {-1, 1, 2, 0.76f, 1, 2},  {5, 5, 4, 0.5f, 5, 2},  // an empty range: always the minimum
      {0, 10, 0, 0.7f, 0, 0},                           // no steps: the minimum, index 0
      {10, 0, 10, 0.3f, 7, 3},                          // a falling range
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.minimum << ".." << c.maximum << " / " << c.steps << " at " << c.position);
    Selector s;
    s.setMaximum(c.maximum);
    s.setMinimum(c.minimum);
    s.steps = c.steps;
    s.setPosition(c.position);
    EXPECT_FLOAT_EQ(s.currentValue(), c.value);
    EXPECT_EQ(s.stepIndex(), c.index);
  }
}

TEST(Selector, SetValueMovesOnlyBeyondTheTolerance) {
  Selector s;
  s.setPosition(0.5f);
  s.clearDirty();
  s.setValue(0.50005f);  // within 0.0001: nothing
  EXPECT_EQ(s.position(), 0.5f);
  EXPECT_EQ(s.dirtyMask(), 0u);
  s.setValue(0.6f);
  EXPECT_FLOAT_EQ(s.position(), 0.6f);
  EXPECT_NE(s.dirtyMask(), 0u);
  s.setValue(2.0f);  // not clamped
  EXPECT_FLOAT_EQ(s.position(), 2.0f);
  // Values that would divide by zero or are not numbers leave the position alone.
  s.setPosition(0.25f);
  s.setValue(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(s.position(), 0.25f);
  s.steps = 0;
  s.setValue(0.8f);
  EXPECT_EQ(s.position(), 0.25f);
  s.steps = 4;
  s.setMaximum(0.0f);  // minimum = maximum
  s.setValue(0.8f);
  EXPECT_EQ(s.position(), 0.25f);
}

TEST(Selector, DefaultValueStaysInTheRange) {
  Selector s;
  s.setMaximum(10);
  s.setDefaultValue(4);
  s.setMinimum(6);  // above the default: raises it
  EXPECT_EQ(s.defaultValue(), 6.0f);
  s.setMaximum(8);
  s.setDefaultValue(20);
  EXPECT_EQ(s.defaultValue(), 8.0f);
  s.setMaximum(7);  // below the default: lowers it
  EXPECT_EQ(s.defaultValue(), 7.0f);
  s.setDefaultValue(-3);
  EXPECT_EQ(s.defaultValue(), 6.0f);
}

TEST(Selector, AngleAtTheFourSides) {
  struct Case {
    int32_t x, y;
    float expected;
  } const cases[] = {
      {16, 30, 0.0f},   // straight below the centre
      {16, 0, 0.5f},    // straight above
      {0, 16, 0.25f},   // straight left
      {32, 16, 0.75f},  // straight right
      {16, 16, 0.0f},   // the centre itself
      {16, -10, 0.5f},  // above the widget
  };
  Selector s;
  s.setRect({0, 0, 32, 32});
  s.dragMode = kSelectorAngle;
  s.centreX = 0;
  s.centreY = 0;
  s.freeTurning = 1;
  s.setPosition(0.5f);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
    float p = -1;
    ASSERT_TRUE(s.positionFromPointer(c.x, c.y, 0, false, p));
    EXPECT_NEAR(p, c.expected, 1e-5);
  }
  // Just right of the centre line below: almost a whole turn.
  float p = -1;
  ASSERT_TRUE(s.positionFromPointer(17, 30, 0, false, p));
  EXPECT_GT(p, 0.97f);
  EXPECT_LT(p, 1.0f);
}

TEST(Selector, AngleDoesNotJumpTheGapWithoutFreeTurning) {
  struct Case {
    uint8_t free;
    float from;
    int32_t x, y;  // the point the knob is dragged to
    float expected;
  } const cases[] = {
      {0, 0.1f, 20, 30, 0.1f},  // 0.1 to about 0.96: kept
      {1, 0.1f, 20, 30, -1},    // free turning follows (checked loosely)
      {0, 0.9f, 12, 30, 0.9f},  // 0.9 to about 0.04: kept
      {0, 0.1f, 0, 16, 0.25f},  // within the same half: follows
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.free) << " from " << c.from);
    SelectorForm f;
    Selector& s = *f.widget;
    s.dragMode = kSelectorAngle;
    s.centreX = 0;
    s.centreY = 0;
    s.freeTurning = c.free;
    s.setPosition(c.from);
    s.steps = 1000;
    f.button(16, 30, UIA_BUTTON_LEFT, UIA_ACTION_PRESS);  // a press at the gap keeps the position too
    s.setPosition(c.from);
    f.move(c.x, c.y);
    if (c.expected >= 0)
      EXPECT_NEAR(s.position(), c.expected, 1e-5);
    else
      EXPECT_GT(s.position(), 0.9f);
  }
}

TEST(Selector, RelativeAndPointingDrags) {
  struct Case {
    const char* name;
    RegionRect rect;
    uint32_t mode;
    uint8_t vertical;
    uint32_t inset;
    int32_t pressX, pressY, moveX, moveY;
    uint32_t modifiers;
    float from, expected;
  } const cases[] = {
      {"relative up half", {0, 0, 20, 101}, 0, 1, 8, 5, 60, 5, 10, 0, 0.0f, 0.5f},
      {"relative fine", {0, 0, 20, 101}, 0, 1, 8, 5, 60, 5, 10, kModShift, 0.0f, 0.1f},
      {"relative right", {0, 0, 101, 20}, 0, 0, 8, 10, 5, 35, 5, 0, 0.5f, 0.75f},
      {"relative past the end", {0, 0, 101, 20}, 0, 0, 8, 10, 5, 300, 5, 0, 0.5f, 1.0f},
      {"relative width 1", {0, 0, 1, 20}, 0, 0, 8, 0, 5, 30, 5, 0, 0.5f, 0.5f},
      {"relative height 0", {0, 0, 20, 0}, 0, 1, 8, 5, 0, 5, -30, 0, 0.5f, 0.5f},
      {"pointing width 0", {0, 0, 0, 20}, 1, 0, 0, 0, 5, 3, 5, 0, 0.5f, 0.5f},
      {"pointing height 1, no inset", {0, 0, 20, 1}, 1, 1, 0, 5, 0, 5, 0, 0, 0.5f, 0.5f},
      {"angle on an empty widget", {0, 0, 0, 0}, 2, 1, 8, 0, 0, 0, 0, 0, 0.5f, 0.375f},  // the knob counts as 32 across
      {"pointing bottom", {0, 0, 20, 117}, 1, 1, 8, 5, 108, 5, 108, 0, 0.5f, 0.0f},
      {"pointing top", {0, 0, 20, 117}, 1, 1, 8, 5, 8, 5, 8, 0, 0.5f, 1.0f},
      {"pointing middle", {0, 0, 117, 20}, 1, 0, 8, 58, 5, 58, 5, 0, 0.0f, 0.5f},
      {"pointing beyond", {0, 0, 117, 20}, 1, 0, 8, 58, 5, 500, 5, 0, 0.0f, 1.0f},
      {"pointing track too short", {0, 0, 17, 20}, 1, 0, 8, 3, 5, 12, 5, 0, 0.3f, 0.3f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SelectorForm f(c.rect);
    Selector& s = *f.widget;
    s.dragMode = c.mode;
    s.vertical = c.vertical;
    s.trackInset = c.inset;
    s.steps = 1000;
    s.setPosition(c.from);
    f.button(c.pressX, c.pressY, UIA_BUTTON_LEFT, UIA_ACTION_PRESS);
    EXPECT_TRUE(s.hasMouseCapture());
    f.move(c.moveX, c.moveY, c.modifiers);
    EXPECT_NEAR(s.position(), c.expected, 1e-5);
    f.button(c.moveX, c.moveY, UIA_BUTTON_LEFT, UIA_ACTION_RELEASE);
    EXPECT_FALSE(s.hasMouseCapture());
    // Press and release notify; the release carries the value snapped to its step.
    ASSERT_GE(f.listener.heard.size(), 2u);
    EXPECT_EQ(f.listener.heard.back().code, UIA_EVENT_MOUSE_BUTTON);
    EXPECT_NEAR(f.listener.heard.back().value, c.expected, 1e-3);
  }
}

TEST(Selector, RelativeDragKeepsItsAnchorAtTheEnds) {
  SelectorForm f({0, 0, 101, 20});
  Selector& s = *f.widget;
  s.vertical = 0;
  s.steps = 100;
  s.setPosition(0.9f);
  f.button(50, 5, UIA_BUTTON_LEFT, UIA_ACTION_PRESS);
  f.move(80, 5);  // 1.2: held at 1, the anchor stays at 0.9 / x 50
  EXPECT_EQ(s.position(), 1.0f);
  f.move(40, 5);  // from the old anchor: 0.8
  EXPECT_NEAR(s.position(), 0.8f, 1e-5);
  EXPECT_FALSE(f.move(40, 5) && false);
  // Moves without the capture are not the selector's.
  f.button(40, 5, UIA_BUTTON_LEFT, UIA_ACTION_RELEASE);
  EXPECT_FALSE(f.move(10, 5));
}

TEST(Selector, Wheel) {
  struct Case {
    float from;
    int32_t delta;
    uint32_t modifiers;
    float expected;
    bool notifies;
  } const cases[] = {
      {0.5f, 120, 0, 0.6f, true},         {0.5f, -120, 0, 0.4f, true},
      {0.2f, 120, kModShift, 1.0f, true},                               // the whole range, clamped
      {0.2f, -60, kModShift, 0.0f, true}, {1.0f, 120, 0, 1.0f, false},  // nothing moved: nothing told
      {0.5f, 32767, 0, 1.0f, true},       {0.5f, -32767, kModShift, 0.0f, true},
      {0.5f, 0, 0, 0.5f, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.from << " by " << c.delta << " mods " << c.modifiers);
    SelectorForm f;
    f.widget->setPosition(c.from);
    EXPECT_TRUE(f.wheel(c.delta, c.modifiers));
    EXPECT_NEAR(f.widget->position(), c.expected, 1e-5);
    EXPECT_EQ(f.listener.heard.size(), c.notifies ? 1u : 0u);
  }
}

TEST(Selector, Keys) {
  struct Case {
    int vk;
    uint32_t extra;
    float from;  // value (range 0..100, 100 steps)
    uint32_t resetMode;
    float expected;
    bool handled;
  } const cases[] = {
      {VK_PRIOR, 0, 50, 0, 60, true},    {VK_PRIOR, 0, 95, 0, 100, true},  // clamped to the maximum
      {VK_PRIOR, 0, 100, 0, 100, false},                                   // at the maximum: the base result
      {VK_NEXT, 0, 50, 0, 40, true},     {VK_NEXT, 0, 0, 0, 0, false},
      {VK_UP, 0, 50, 0, 51, true},       {VK_DOWN, 0, 50, 0, 49, true},
      {VK_END, 0, 50, 0, 0, true},       {VK_HOME, 0, 50, 0, 100, true},
      {VK_NUMPAD5, 0, 50, 2, 30, true},   // reset to the default
      {VK_NUMPAD5, 0, 50, 1, 50, false},  // mode 1: no reset
      {VK_NUMPAD5, 0, 50, 0, 50, false},  // mode 0 and no zero inside (0 is the minimum)
      {VK_NUMPAD5, 0, 50, 3, 30, true},  {VK_PRIOR, 0x01000000, 50, 0, 60, true},  // the extended key, off the keypad
      {'A', 0, 50, 0, 50, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "key " << c.vk << " from " << c.from << " reset " << c.resetMode);
    SelectorForm f;
    Selector& s = *f.widget;
    s.setMaximum(100);
    s.steps = 100;
    s.setDefaultValue(30);
    s.resetMode = c.resetMode;
    s.keyboard = 1;
    s.setFocusable(true);
    s.setFocused(true);
    s.setValue(c.from);
    EXPECT_EQ(f.key(c.vk, c.extra), c.handled);
    EXPECT_NEAR(s.currentValue(), c.expected, 1e-3);
    EXPECT_EQ(f.listener.heard.size(), c.handled ? 1u : 0u);
  }
  // Without the keyboard flag or the focus, keys are not the selector's.
  SelectorForm f;
  f.widget->setFocusable(true);
  f.widget->setFocused(true);
  EXPECT_FALSE(f.key(VK_UP));
  f.widget->keyboard = 1;
  f.widget->setFocused(false);
  EXPECT_FALSE(f.key(VK_UP));
}

TEST(Selector, ResetGestures) {
  struct Case {
    uint32_t mode;
    uint32_t button, action, modifiers;
    float minimum;
    float expected;  // value after the gesture, from 0.8 (range minimum..1, default 0.5)
  } const cases[] = {
      {0, UIA_BUTTON_LEFT, UIA_ACTION_DOUBLE_CLICK, 0, -1.0f, 0.0f},
      {0, UIA_BUTTON_LEFT, UIA_ACTION_DOUBLE_CLICK, 0, 0.0f, 0.8f},  // 0 is not inside
      {1, UIA_BUTTON_LEFT, UIA_ACTION_DOUBLE_CLICK, 0, -1.0f, 0.8f},
      {2, UIA_BUTTON_LEFT, UIA_ACTION_DOUBLE_CLICK, 0, 0.0f, 0.5f},
      {2, UIA_BUTTON_RIGHT, UIA_ACTION_DOUBLE_CLICK, 0, 0.0f, 0.8f},
      {3, UIA_BUTTON_LEFT, UIA_ACTION_PRESS, kModCtrl, 0.0f, 0.5f},
      {3, UIA_BUTTON_LEFT, UIA_ACTION_PRESS, 0, 0.0f, 0.8f},
      {4, UIA_BUTTON_RIGHT, UIA_ACTION_PRESS, 0, 0.0f, 0.5f},
      {4, UIA_BUTTON_RIGHT, UIA_ACTION_RELEASE, 0, 0.0f, 0.8f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " button " << c.button << " action " << c.action);
    SelectorForm f;
    Selector& s = *f.widget;
    s.setMinimum(c.minimum);
    s.steps = 1000;
    s.setDefaultValue(0.5f);
    s.resetMode = c.mode;
    s.setValue(0.8f);
    EXPECT_TRUE(f.button(5, 5, c.button, c.action, c.modifiers));
    EXPECT_NEAR(s.currentValue(), c.expected, 1e-3);
    EXPECT_EQ(f.listener.heard.size(), 1u);
  }
}

TEST(Selector, KnobFramesAndHandlePositions) {
  FormHostListener host;
  ASSERT_TRUE(host.attach(1000, 1000));
  {
    Form form;
    form.setProvider(&host);
    form.layout();
    Selector* s = new Selector;
    s->setRect({10, 10, 30, 110});
    form.addWidget(s);
    s->setKnobPictureId(1003);  // 24 x 24, two frames
    ASSERT_NE(s->knobPicture(), nullptr);
    // A vertical slider takes the handle's width.
    EXPECT_EQ(s->rect().x2, 34);
    EXPECT_EQ(s->rect().y2, 110);
    struct Handle {
      float position;
      int32_t y;
    } const handles[] = {{0.0f, 86}, {1.0f, 11}, {0.5f, 48}, {2.0f, 11}, {-1.0f, 86}};
    for (const Handle& h : handles) {
      s->setPosition(h.position);
      EXPECT_EQ(s->handleRect().y1, h.y) << h.position;
    }
    s->vertical = 0;
    s->setRect({10, 10, 110, 40});
    s->updateSize();
    EXPECT_EQ(s->rect().y2, 34);
    s->setPosition(1.0f);
    EXPECT_EQ(s->handleRect().x1, 10 + 75);
    // A strip of eight frames, the last one the disabled look.
    Picture* knob = s->knobPicture();
    knob->setFrameCount(8);
    s->framesMode = 1;
    s->disabledFrame = 1;
    s->updateSize();
    EXPECT_EQ(s->rect().x2 - s->rect().x1, 24);
    EXPECT_EQ(s->rect().y2 - s->rect().y1, 6);
    struct Frame {
      float position;
      bool enabled;
      uint32_t frame;
    } const frames[] = {{0.0f, true, 0},  {1.0f, true, 6},  {0.5f, true, 3}, {0.58f, true, 3},
                        {0.59f, true, 4}, {0.5f, false, 7}, {3.0f, true, 6}};
    for (const Frame& fr : frames) {
      s->setEnabled(fr.enabled);
      s->setPosition(fr.position);
      EXPECT_EQ(s->knobFrame(), fr.frame) << fr.position << " " << fr.enabled;
    }
    knob->setFrameCount(2);
  }
  host.detach();
}

namespace {

uint32_t bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

// The class part of one version, after the base record. Fields as a version 12 writer gives them;
// the older layouts carry what they can.
struct Fields {
  float minimum = -2, maximum = 6;
  uint32_t steps = 16, knob = 1003;
  uint8_t frames = 0, vertical = 0, keyboard = 1, disabled = 1;
  uint32_t dragMode = 1;
  float factor = 1.5f;
  uint32_t inset = 4;
  int32_t cx = 3, cy = -4;
  uint8_t freeTurning = 1;
  float fine = 0.3f, fallback = 2.0f;
  uint32_t reset = 3;
};

std::vector<uint8_t> selectorRecord(uint32_t version, const Fields& v, uint32_t styleWord = 1) {
  Bytes b;
  b.record6(5, 6, 25, 106, 1, 0, 3).u32(version);
  if (version >= 10) {
    b.u32(1).u32(v.knob);
    if (version >= 11) b.fill(1, 0xFF203040, 0);
    b.u32(bits(v.minimum)).u32(bits(v.maximum)).u32(v.steps);
    b.u8(v.frames).u8(v.vertical).u8(v.keyboard).u8(v.disabled);
    b.u32(v.dragMode).u32(bits(v.factor)).u32(v.inset).u32(uint32_t(v.cx)).u32(uint32_t(v.cy)).u8(v.freeTurning);
    if (version == 12) b.u32(bits(v.fine)).u32(bits(v.fallback)).u32(v.reset);
  } else if (version == 9) {
    b.u32(bits(v.minimum)).u32(bits(v.maximum)).u32(v.steps).u32(v.knob).u8(v.frames).u32(0xEEEEEEEE);
    b.u32(uint32_t(v.cx)).u32(uint32_t(v.cy)).u32(styleWord).u8(v.freeTurning).u8(1).u8(v.disabled);
    b.u32(0xEEEEEEEE).u32(v.inset).u32(bits(v.factor));
  } else if (version == 8) {
    b.u32(bits(v.minimum)).u32(bits(v.maximum)).u32(v.steps).u32(v.knob).u8(v.frames).u32(0xEEEEEEEE);
    b.u32(uint32_t(v.cx)).u32(uint32_t(v.cy)).u8(0).u8(v.freeTurning).u8(v.vertical).u8(v.disabled);
    b.u32(0xEEEEEEEE).u32(v.inset).u8(0);
  } else {
    b.u32(v.frames).u32(0xEE).u32(777).u32(0xEE).u32(99);
    for (int i = 0; i < 3; ++i) b.u32(0xEE);
    b.u32(uint32_t(v.cx)).u32(uint32_t(v.cy));
    for (int i = 0; i < 5; ++i) b.u32(0xEE);
    b.u32(0).u32(v.freeTurning).u32(v.knob).u32(0xEE).u32(v.vertical).u32(v.disabled).u32(v.steps).u32(v.inset);
    b.u32(0xEE).u32(0);
  }
  return b.data;
}

}  // namespace

TEST(Selector, RecordsOfVersionsSevenToTwelve) {
  const Fields v;
  for (uint32_t version = 7; version <= 12; ++version) {
    SCOPED_TRACE(version);
    Selector s;
    VectorStream in(selectorRecord(version, v));
    ASSERT_TRUE(s.read(in));
    EXPECT_EQ(s.knobPictureId(), 1003u);
    EXPECT_EQ(s.steps, 16u);
    EXPECT_EQ(s.minimum(), version == 7 ? 0.0f : -2.0f);
    EXPECT_EQ(s.maximum(), version == 7 ? 1.0f : 6.0f);
    EXPECT_EQ(s.centreX, 3);
    EXPECT_EQ(s.centreY, -4);
    EXPECT_EQ(s.trackInset, 4u);
    EXPECT_EQ(s.freeTurning, 1);
    EXPECT_EQ(s.disabledFrame, 1);
    EXPECT_EQ(s.vertical, 0);
    // Pointing everywhere: style word 1, a relative flag of 0, or the stored mode.
    EXPECT_EQ(s.dragMode, uint32_t(kSelectorPointing));
    EXPECT_EQ(s.resetMode, version == 12 ? 3u : 0u);
    EXPECT_EQ(s.defaultValue(), version == 12 ? 2.0f : (version == 7 ? 0.0f : 0.0f));
    EXPECT_EQ(s.background().kind(), version >= 11 ? 1u : 0u);
    if (version >= 9) {
      EXPECT_EQ(s.dragFactor, 1.5f);
    }
  }
  // Version 12 written is the record itself.
  Selector s;
  VectorStream in(selectorRecord(12, v));
  ASSERT_TRUE(s.read(in));
  VectorStream out(4096);
  ASSERT_TRUE(s.write(out));
  EXPECT_EQ(out.written(), selectorRecord(12, v));
}

TEST(Selector, StyleWordsOfVersionNine) {
  struct Case {
    uint32_t word;
    bool reads;
    uint32_t dragMode;
    uint8_t vertical;
  } const cases[] = {
      {0, true, 1, 1}, {1, true, 1, 0},  {2, true, 0, 1},           {3, true, 0, 0},
      {4, true, 2, 1}, {5, false, 0, 0}, {0xFFFFFFFF, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    Selector s;
    VectorStream in(selectorRecord(9, Fields(), c.word));
    ASSERT_EQ(s.read(in), c.reads);
    if (!c.reads) continue;
    EXPECT_EQ(s.dragMode, c.dragMode);
    EXPECT_EQ(s.vertical, c.vertical);
  }
}

TEST(Selector, BadRecordsFail) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  Fields badMin, badMax, badFine, badDefault, badFactor;
  badMin.minimum = nan;
  badMax.maximum = inf;
  badFine.fine = -inf;
  badDefault.fallback = nan;
  badFactor.factor = inf;
  std::vector<Case> cases = {
      {"version 6", selectorRecord(12, Fields())},
      {"version 13", selectorRecord(12, Fields())},
      {"NaN minimum", selectorRecord(12, badMin)},
      {"infinite maximum", selectorRecord(12, badMax)},
      {"infinite fine factor", selectorRecord(12, badFine)},
      {"NaN default", selectorRecord(12, badDefault)},
      {"infinite drag factor", selectorRecord(11, badFactor)},
      {"NaN minimum, version 8", selectorRecord(8, badMin)},
      {"cut short", selectorRecord(12, Fields())},
  };
  const size_t versionAt = 4 * 5 + 1 + 4 + 4;
  cases[0].bytes[versionAt] = 6;
  cases[1].bytes[versionAt] = 13;
  cases.back().bytes.pop_back();
  for (const Case& c : cases) {
    Selector s;
    VectorStream in(c.bytes);
    EXPECT_FALSE(s.read(in)) << c.name;
  }
}

}  // namespace nglselectortest
