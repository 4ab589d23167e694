// Switch: frames per look, presses and releases as listeners hear them, auto-repeat on the form's
// widget timers, the link action and the records of every version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GPError.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLSwitch.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace nglswitchtest {

namespace {

struct Heard {
  int32_t code;
  uint32_t state;
};

class Recorder : public WidgetListener {
 public:
  bool onWidgetEvent(int32_t, int32_t code, void* data) override {
    const SwitchNotification* n = static_cast<const SwitchNotification*>(data);
    heard.push_back({n->code, n->state});
    EXPECT_EQ(code, 100001);
    return handles;
  }
  std::vector<Heard> heard;
  bool handles = false;
};

UiaMouseButtonEvent button(uint32_t which, uint32_t action) { return {5, 5, 0, which, action}; }

bool press(Switch& s, uint32_t which = UIA_BUTTON_LEFT) {
  UiaMouseButtonEvent e = button(which, UIA_ACTION_PRESS);
  return s.handleEvent(UIA_EVENT_MOUSE_BUTTON, &e);
}

bool releaseButton(Switch& s, uint32_t which = UIA_BUTTON_LEFT) {
  UiaMouseButtonEvent e = button(which, UIA_ACTION_RELEASE);
  return s.handleEvent(UIA_EVENT_MOUSE_BUTTON, &e);
}

// A laid-out form on the resource set 1000/1000 holding one switch.
struct SwitchForm {
  SwitchForm() {
    EXPECT_TRUE(host.attach(1000, 1000));
    form.setProvider(&host);
    form.layout();
    widget = new Switch;
    widget->setId(7);
    widget->setRect({10, 10, 60, 30});
    form.addWidget(widget);
    widget->addListener(&listener);
  }
  ~SwitchForm() {
    form.deleteWidget(7);
    host.detach();
  }
  void tick() {
    UiaTimerEvent e = {nullptr, 50};
    form.handleEvent(UIA_EVENT_TIMER, &e);
  }
  FormHostListener host;
  Form form;
  Switch* widget = nullptr;
  Recorder listener;
};

}  // namespace

TEST(Switch, DefaultsAndRegistration) {
  Switch s;
  EXPECT_EQ(s.className(), "Switch");
  EXPECT_EQ(s.textStyle().kind(), uint32_t(kBackgroundColour));
  EXPECT_EQ(s.textStyle().colour(), 0xFFB0B0B0u);
  EXPECT_EQ(s.toggle, 1);
  EXPECT_EQ(s.repeatDelay, 1u);
  EXPECT_TRUE(s.isSwitch());
  for (const char* name : {"Switch", "switch.dll"}) {
    Widget* made = WidgetRegistry::create(name);
    ASSERT_NE(dynamic_cast<Switch*>(made), nullptr) << name;
    delete made;
  }
}

// The push-button picture of the resource set (two 24 x 24 frames) is cut into more frames here to
// make the looks of a longer strip.
TEST(Switch, FramesPerStateAndTheFrameShown) {
  struct Case {
    uint32_t frames;
    uint8_t pressedFrames, hoverFrames, disabledFrame;
    uint32_t state;
    bool enabled, pressed, hovered;
    uint32_t perState, shown;
  } const cases[] = {
      {6, 1, 0, 1, 0, false, false, false, 2, 5},  // disabled look: the last frame
      {6, 1, 0, 1, 0, true, false, false, 2, 0},
      {6, 1, 0, 1, 1, true, false, false, 2, 1},
      {6, 1, 0, 1, 0, true, true, false, 2, 2},
      {6, 1, 0, 1, 1, true, true, false, 2, 3},
      {6, 1, 0, 1, 5, true, false, false, 2, 1},  // a state past the strip shows its last state
      {6, 1, 0, 1, 0, true, false, true, 2, 0},   // no hover frames: hovering changes nothing
      {6, 1, 1, 0, 1, true, false, true, 2, 5},   // hover after the pressed frames
      {6, 0, 1, 0, 1, true, false, true, 3, 4},   // hover right after the normal frames
      {6, 0, 0, 1, 0, false, false, false, 5, 5},
      {2, 1, 1, 1, 1, true, true, false, 1, 1},  // too few frames for the looks: one per state, in range
      {1, 1, 0, 0, 1, true, true, false, 1, 0},  // a single frame always shows frame 0
  };
  SwitchForm f;
  Switch& s = *f.widget;
  s.setBackgroundKind(kBackgroundFrame);
  s.setBackgroundPictureId(1003);
  Picture* picture = s.textStyle().picture();
  ASSERT_NE(picture, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "frames " << c.frames << " state " << c.state << " row shows " << c.shown);
    picture->setFrameCount(c.frames);
    s.pressedFrames = c.pressedFrames;
    s.hoverFrames = c.hoverFrames;
    s.disabledFrame = c.disabledFrame;
    s.toggle = 0;
    s.updateLayout();
    EXPECT_EQ(s.framesPerState(), c.perState);
    s.setState(c.state);
    s.setEnabled(c.enabled);
    if (c.pressed) press(s);
    if (c.hovered) s.handleEvent(NGL_EVENT_MOUSE_ENTER, nullptr);
    EXPECT_EQ(s.currentFrame(), c.shown);
    if (c.pressed) releaseButton(s);
    if (c.hovered) s.handleEvent(NGL_EVENT_MOUSE_LEAVE, nullptr);
    s.setEnabled(true);
  }
  picture->setFrameCount(2);
}

TEST(Switch, PressesAndReleasesByAction) {
  struct Case {
    uint32_t action;
    uint8_t toggle, pressedFrames;
    std::vector<uint32_t> states;  // the state each notification carried
    uint32_t finalState;
  } const cases[] = {
      {0, 1, 0, {1}, 1},                           // a toggle without action: flips at the press, tells once
      {0, 0, 0, {0}, 0},    {1, 0, 0, {0, 0}, 0},  // press and release
      {1, 1, 0, {1, 1}, 1}, {1, 1, 1, {1, 0}, 0},  // pressed frames: the release flips back
      {4, 1, 0, {1}, 1},                           // toggled at the press, told at the release only
      {4, 1, 1, {1}, 1},                           // with pressed frames the flip waits for the release
      {3, 1, 0, {0, 0}, 0},                        // every event at once, no state change
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "action " << c.action << " toggle " << int(c.toggle) << " pressed frames "
                                      << int(c.pressedFrames));
    SwitchForm f;
    Switch& s = *f.widget;
    s.setAction(c.action);
    s.toggle = c.toggle;
    s.pressedFrames = c.pressedFrames;
    EXPECT_TRUE(press(s));
    EXPECT_TRUE(releaseButton(s));
    ASSERT_EQ(f.listener.heard.size(), c.states.size());
    for (size_t i = 0; i < c.states.size(); ++i) {
      EXPECT_EQ(f.listener.heard[i].code, UIA_EVENT_MOUSE_BUTTON);
      EXPECT_EQ(f.listener.heard[i].state, c.states[i]) << i;
    }
    EXPECT_EQ(s.state(), c.finalState);
    EXPECT_FALSE(s.isPressed());
    EXPECT_FALSE(s.hasMouseCapture());
  }
}

TEST(Switch, MuteTellsNobody) {
  SwitchForm f;
  f.widget->setAction(kSwitchPressRelease);
  f.widget->mute = 1;
  press(*f.widget);
  releaseButton(*f.widget);
  EXPECT_TRUE(f.listener.heard.empty());
}

TEST(Switch, LeftButtonOnlyIgnoresOtherButtons) {
  struct Case {
    uint8_t leftOnly;
    uint32_t button;
    bool pressed;
  } const cases[] = {
      {1, UIA_BUTTON_RIGHT, false},
      {1, UIA_BUTTON_MIDDLE, false},
      {1, UIA_BUTTON_LEFT, true},
      {0, UIA_BUTTON_RIGHT, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.leftOnly) << " button " << c.button);
    SwitchForm f;
    f.widget->setAction(kSwitchPressRelease);
    f.widget->leftButtonOnly = c.leftOnly;
    EXPECT_EQ(press(*f.widget, c.button), c.pressed);
    EXPECT_EQ(f.widget->isPressed(), c.pressed);
    EXPECT_EQ(f.widget->state(), c.pressed ? 1u : 0u);
    EXPECT_EQ(f.listener.heard.size(), c.pressed ? 1u : 0u);
  }
}

TEST(Switch, DoubleClickCountsAsPressOnlyWhenAsked) {
  for (uint8_t asPress : {0, 1}) {
    SwitchForm f;
    f.widget->setAction(kSwitchPressRelease);
    f.widget->doubleClickAsPress = asPress;
    UiaMouseButtonEvent e = button(UIA_BUTTON_LEFT, UIA_ACTION_DOUBLE_CLICK);
    EXPECT_EQ(f.widget->handleEvent(UIA_EVENT_MOUSE_BUTTON, &e), asPress != 0);
    EXPECT_EQ(f.widget->isPressed(), asPress != 0);
  }
}

TEST(Switch, AutoRepeatWaitsForTheDelayThenRepeatsEveryTick) {
  SwitchForm f;
  Switch& s = *f.widget;
  s.setAction(kSwitchRepeat);
  s.repeatDelay = 3;
  s.repeatPeriod = 0;
  s.toggle = 0;
  press(s);
  EXPECT_TRUE(s.hasMouseCapture());
  std::vector<size_t> heardAfterTick;
  for (int tick = 1; tick <= 6; ++tick) {
    f.tick();
    heardAfterTick.push_back(f.listener.heard.size());
  }
  // The press, then ticks 4, 5 and 6.
  EXPECT_EQ(heardAfterTick, (std::vector<size_t>{1, 1, 1, 2, 3, 4}));
  releaseButton(s);
  f.tick();
  f.tick();
  EXPECT_EQ(f.listener.heard.size(), 4u);  // stopped, and the release itself tells nobody
  EXPECT_EQ(f.listener.heard.back().code, UIA_EVENT_TIMER);
}

TEST(Switch, CancelledPressTellsNobodyAndOpensNothing) {
  static int boxes = 0;
  boxes = 0;
  GPMessageBoxHook previous = gpSetMessageBoxHook([](const char*, const char*, unsigned) {
    ++boxes;
    return IDOK;
  });
  SwitchForm f;
  f.widget->setAction(kSwitchLink);
  f.widget->pressedFrames = 1;  // pressed frames make the press hold the mouse
  press(*f.widget);
  EXPECT_TRUE(f.widget->hasMouseCapture());
  f.form.handleEvent(NGL_NOTIFY_CAPTURE_LOST, nullptr);
  EXPECT_FALSE(f.widget->isPressed());
  EXPECT_EQ(f.listener.heard.size(), 1u);  // the press only
  EXPECT_EQ(boxes, 0);
  gpSetMessageBoxHook(previous);
}

TEST(Switch, LinkOpensOnlyWhenNoListenerHandlesIt) {
  static std::vector<std::string> texts;
  texts.clear();
  GPMessageBoxHook previous = gpSetMessageBoxHook([](const char*, const char* text, unsigned) {
    texts.push_back(text);
    return IDOK;
  });
  for (bool handles : {true, false}) {
    SCOPED_TRACE(handles);
    texts.clear();
    SwitchForm f;
    f.widget->setAction(kSwitchLink);
    f.widget->setLinkText("");  // never a real address: the open fails without the shell
    f.listener.handles = handles;
    press(*f.widget);
    releaseButton(*f.widget);
    EXPECT_EQ(f.listener.heard.size(), 2u);
    if (handles) {
      EXPECT_TRUE(texts.empty());
    } else {
      ASSERT_EQ(texts.size(), 1u);
      EXPECT_EQ(texts[0], "Problems while starting the Internet browser!");
    }
  }
  gpSetMessageBoxHook(previous);
}

namespace {

struct Fields {
  uint32_t state;
  uint8_t toggle, hover, pressed, disabled, leftOnly;
  uint32_t action, period, delay;
  uint8_t doubleClick;
};

const Fields kFields = {1, 0, 1, 1, 1, 1, 4, 6, 3, 1};

// The class part of each version, after the base record.
std::vector<uint8_t> switchRecord(uint32_t version, const Fields& v, uint32_t picture, const std::string& link) {
  Bytes b;
  b.record6(10, 10, 60, 30, 0, 0, 3).u32(version);
  if (version >= 9) {
    TextStyle style;
    style.setKind(kBackgroundFrame);
    style.setPictureId(picture, nullptr, false);
    style.setText("Go");
    VectorStream out(1024);
    style.write(out);
    const std::vector<uint8_t> bytes = out.written();
    b.data.insert(b.data.end(), bytes.begin(), bytes.end());
    b.u32(v.state).u8(v.toggle).u8(v.hover).u8(v.pressed).u8(v.disabled).u8(v.leftOnly);
    b.u32(v.action).u32(v.period).u32(v.delay).u8(v.doubleClick);
    if (version == 10) b.str(link);
  } else if (version == 8) {
    b.u32(v.state).u32(picture).u8(v.toggle).u8(v.hover).u8(v.pressed).u8(v.disabled).u8(v.leftOnly);
    b.u32(v.action).u32(v.period).u32(v.delay).u8(v.doubleClick);
  } else if (version == 7) {
    b.u32(v.state).u32(picture).u32(0xEEEEEEEE).u32(0xEEEEEEEE).u32(0xEEEEEEEE).u8(0xEE);
    b.u8(v.toggle).u8(v.hover).u8(v.pressed).u8(v.disabled).u8(0xEE).u8(v.leftOnly);
    b.u32(v.action).u32(v.period).u32(v.delay).u8(v.doubleClick);
  } else {
    if (version == 5) b.u32(0xEEEEEEEE);
    b.u32(v.state).u32(picture);
    for (int i = 0; i < 4; ++i) b.u32(0xEEEEEEEE);
    // Flags as words: any non-zero word sets.
    b.u32(v.toggle * 7u).u32(v.hover * 0x100u).u32(v.pressed).u32(v.disabled).u32(0xEEEEEEEE).u32(v.leftOnly);
    b.u32(v.action).u32(v.period).u32(v.delay);
  }
  return b.data;
}

}  // namespace

TEST(Switch, RecordsOfVersionsFiveToTen) {
  for (uint32_t version = 5; version <= 10; ++version) {
    SCOPED_TRACE(version);
    Switch s;
    VectorStream in(switchRecord(version, kFields, 1003, "http://x"));
    ASSERT_TRUE(s.read(in));
    EXPECT_EQ(s.state(), kFields.state);
    EXPECT_EQ(s.toggle, kFields.toggle);
    EXPECT_EQ(s.hoverFrames, 1);
    EXPECT_EQ(s.pressedFrames, 1);
    EXPECT_EQ(s.disabledFrame, 1);
    EXPECT_EQ(s.leftButtonOnly, 1);
    EXPECT_EQ(s.action(), kFields.action);
    EXPECT_EQ(s.repeatPeriod, kFields.period);
    EXPECT_EQ(s.repeatDelay, kFields.delay);
    EXPECT_EQ(s.doubleClickAsPress, version >= 7 ? 1 : 0);
    EXPECT_EQ(s.linkText(), version == 10 ? "http://x" : "");
    // The older records name the picture alone: it becomes a frame background.
    EXPECT_EQ(s.textStyle().kind(), uint32_t(kBackgroundFrame));
    EXPECT_EQ(s.textStyle().pictureId(), 1003u);
    // Written back as version 10, which reads to the same switch.
    VectorStream out(4096);
    ASSERT_TRUE(s.write(out));
    const std::vector<uint8_t> written = out.written();
    Switch again;
    VectorStream back(written);
    ASSERT_TRUE(again.read(back));
    VectorStream out2(4096);
    ASSERT_TRUE(again.write(out2));
    EXPECT_EQ(out2.written(), written);
    if (version == 10) {
      // What version 10 wrote is the record itself (the style as our writer gives it).
      Switch fresh;
      VectorStream in10(switchRecord(10, kFields, 1003, "http://x"));
      ASSERT_TRUE(fresh.read(in10));
      fresh.textStyle().setText("Go");
      VectorStream out10(4096);
      ASSERT_TRUE(fresh.write(out10));
      EXPECT_EQ(out10.written(), switchRecord(10, kFields, 1003, "http://x"));
    }
  }
}

TEST(Switch, BadRecordsFail) {
  for (uint32_t version : {0u, 4u, 11u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(version);
    Switch s;
    VectorStream in(switchRecord(10, kFields, 0, "").size() ? [&] {
            std::vector<uint8_t> r = switchRecord(10, kFields, 0, "");
            const size_t at = 4 * 5 + 1 + 4 + 4;  // the version word after the base record
            for (int i = 0; i < 4; ++i) r[at + size_t(i)] = uint8_t(version >> (8 * i));
            return r;
        }() : std::vector<uint8_t>{});
    EXPECT_FALSE(s.read(in));
  }
  // Cut short, and a link length past the end.
  for (uint32_t version = 5; version <= 10; ++version) {
    std::vector<uint8_t> r = switchRecord(version, kFields, 1003, "abc");
    r.pop_back();
    Switch s;
    VectorStream in(r);
    EXPECT_FALSE(s.read(in)) << version;
  }
  std::vector<uint8_t> r = switchRecord(10, kFields, 1003, "");
  r.resize(r.size() - 4);
  Bytes tail;
  tail.u32(0x7FFFFFFF);
  r.insert(r.end(), tail.data.begin(), tail.data.end());
  Switch s;
  VectorStream in(r);
  EXPECT_FALSE(s.read(in));
}

}  // namespace nglswitchtest
