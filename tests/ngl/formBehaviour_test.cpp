// Forms: anchoring on resize, widget timers, layer order and raise, routing of keys.
#include <gtest/gtest.h>

#include "NGLForm.h"
#include "nglTestSupport.h"

namespace {

ProbeWidget* addProbe(Form& form, int32_t id, RegionRect r, uint32_t layer = 3) {
  ProbeWidget* w = new ProbeWidget;
  w->setId(id);
  w->setRect(r);
  w->setLayer(layer);
  form.addWidget(w);
  return w;
}

std::vector<int32_t> ids(const Form& form) {
  std::vector<int32_t> out;
  for (Widget* w : form.widgets()) out.push_back(w->id());
  return out;
}

}  // namespace

TEST(FormAnchor, ModesFollowTheResize) {
  struct Case {
    uint32_t anchor;
    RegionRect expected;  // after 101 x 100 -> 150 x 120 for a widget at (10, 10, 50, 30)
  };
  const Case cases[] = {
      {0x00, {10, 10, 50, 30}}, {0x21, {10, 30, 99, 50}},  // stretches horizontally, moves down with the bottom edge
      {0x12, {59, 10, 99, 50}},                            // moves right, stretches down
      {0x33, {35, 20, 75, 40}},                            // centred: 150/2 - 101/2 = 25, 120/2 - 100/2 = 10
      {0x44, {10, 10, 50, 30}},                            // unknown modes leave the edges alone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.anchor);
    Form form;
    form.setResizable(true);
    form.setSize({101, 100});
    ProbeWidget* w = addProbe(form, 1, {10, 10, 50, 30});
    w->setAnchor(c.anchor);
    form.setSize({150, 120});
    const RegionRect r = w->rect();
    EXPECT_EQ(r.x1, c.expected.x1);
    EXPECT_EQ(r.y1, c.expected.y1);
    EXPECT_EQ(r.x2, c.expected.x2);
    EXPECT_EQ(r.y2, c.expected.y2);
  }
}

TEST(FormAnchor, MinimumSizeAndFixedForms) {
  Form form;
  form.setResizable(true);
  form.setSize({100, 100});
  form.setMinimumSize({80, 90});
  ProbeWidget* w = addProbe(form, 1, {0, 0, 50, 50});
  w->setAnchor(0x11);
  form.setSize({10, 200});  // the width is held at 80
  EXPECT_EQ(form.size().width, 80);
  EXPECT_EQ(w->rect().x2, 30);
  EXPECT_EQ(w->rect().y2, 150);

  Form fixed;
  fixed.setSize({100, 100});
  ProbeWidget* v = addProbe(fixed, 1, {0, 0, 50, 50});
  v->setAnchor(0x11);
  fixed.setSize({200, 200});  // not resizable: stored, widgets stay
  EXPECT_EQ(fixed.size().width, 200);
  EXPECT_EQ(v->rect().x2, 50);
}

TEST(FormTimers, PeriodsZeroAndThree) {
  Form form;
  form.layout();
  ProbeWidget* every = addProbe(form, 1, {0, 0, 1, 1});
  ProbeWidget* fourth = addProbe(form, 2, {0, 0, 1, 1});
  every->addTimer(10, 0);
  fourth->addTimer(11, 3);
  std::vector<int> firedEvery, firedFourth;
  for (int tick = 1; tick <= 9; ++tick) {
    const int a = every->timerEvents, b = fourth->timerEvents;
    form.sendEvent(UIA_EVENT_TIMER, nullptr);
    if (every->timerEvents > a) firedEvery.push_back(tick);
    if (fourth->timerEvents > b) firedFourth.push_back(tick);
  }
  EXPECT_EQ(firedEvery, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(firedFourth, (std::vector<int>{4, 8}));
  fourth->removeTimer(11);
  form.sendEvent(UIA_EVENT_TIMER, nullptr);
  EXPECT_EQ(fourth->timerEvents, 2);
  // A detached widget's timer requests are ignored; deleting a widget drops its timers.
  ProbeWidget loose;
  loose.addTimer(1, 0);
  form.deleteWidget(1);
  form.sendEvent(UIA_EVENT_TIMER, nullptr);
  EXPECT_EQ(loose.timerEvents, 0);
}

TEST(FormLayers, InsertionOrderAndRaise) {
  Form form;
  form.layout();
  addProbe(form, 1, {0, 0, 10, 10}, 3);
  addProbe(form, 2, {0, 0, 10, 10}, 1);
  addProbe(form, 3, {0, 0, 10, 10}, 3);
  addProbe(form, 4, {0, 0, 10, 10}, 0);
  addProbe(form, 5, {0, 0, 10, 10}, 5);
  addProbe(form, 6, {0, 0, 10, 10}, 3);
  EXPECT_EQ(ids(form), (std::vector<int32_t>{4, 2, 1, 3, 6, 5}));
  form.findWidget(1)->raise();  // to the top of layer 3, still below layer 5
  EXPECT_EQ(ids(form), (std::vector<int32_t>{4, 2, 3, 6, 1, 5}));
  form.findWidget(2)->setLayer(8);  // above 7: 6
  EXPECT_EQ(form.findWidget(2)->layer(), 6u);
  EXPECT_EQ(ids(form), (std::vector<int32_t>{4, 3, 6, 1, 5, 2}));
  form.findWidget(4)->setLayer(7);  // 7 itself is kept
  EXPECT_EQ(form.findWidget(4)->layer(), 7u);
  EXPECT_EQ(ids(form), (std::vector<int32_t>{3, 6, 1, 5, 2, 4}));
  // The topmost widget under a point is the last in the list.
  EXPECT_EQ(form.widgetAt(5, 5, 0)->id(), 4);
  EXPECT_EQ(form.widgetAt(5, 5, 1)->id(), 2);
}

TEST(FormEvents, KeysGoTopmostFirstAndStopWhenHandled) {
  Form form;
  form.layout();
  std::vector<std::string> journal;
  ProbeWidget* low = addProbe(form, 1, {0, 0, 10, 10}, 1);
  ProbeWidget* hidden = addProbe(form, 2, {0, 0, 10, 10}, 2);
  ProbeWidget* disabled = addProbe(form, 3, {0, 0, 10, 10}, 3);
  ProbeWidget* top = addProbe(form, 4, {0, 0, 10, 10}, 4);
  for (ProbeWidget* w : {low, hidden, disabled, top}) w->journal = &journal;
  hidden->setVisible(false);
  disabled->setEnabled(false);
  UiaKeyEvent key = {65, 65, 1};
  EXPECT_FALSE(form.sendEvent(UIA_EVENT_KEY_DOWN, &key));
  EXPECT_EQ(journal, (std::vector<std::string>{"4:1100", "1:1100"}));
  // Commands go to every visible widget, enabled or not.
  journal.clear();
  UiaCommandEvent command = {5};
  form.sendEvent(UIA_EVENT_COMMAND, &command);
  EXPECT_EQ(journal, (std::vector<std::string>{"4:1200", "3:1200", "1:1200"}));
}

TEST(FormEvents, MouseGoesToTheTopmostEnabledWidgetUnderThePointer) {
  Form form;
  form.layout();
  ProbeWidget* under = addProbe(form, 1, {0, 0, 50, 50}, 1);
  ProbeWidget* over = addProbe(form, 2, {20, 20, 40, 40}, 2);
  under->consume = true;
  UiaMouseMoveEvent move = {25, 25, 0};
  EXPECT_TRUE(form.sendEvent(UIA_EVENT_MOUSE_MOVE, &move));
  // The top one did not handle it, so the one below got it too; the top one is the hover widget.
  EXPECT_EQ(over->codes, (std::vector<int32_t>{1001, 1003}));
  EXPECT_EQ(under->codes, (std::vector<int32_t>{1001}));
  EXPECT_EQ(form.hoverWidget(), over);
  // A captured widget alone gets the mouse.
  under->captureMouse();
  over->codes.clear();
  UiaMouseMoveEvent away = {200, 200, 0};
  form.sendEvent(UIA_EVENT_MOUSE_MOVE, &away);
  EXPECT_TRUE(over->codes.empty());
  EXPECT_EQ(under->positions.back(), std::make_pair(200, 200));
  // Hiding the capture widget releases the capture.
  under->setVisible(false);
  EXPECT_EQ(form.captureWidget(), nullptr);
}

TEST(FormEvents, WidgetRemovedDuringDeliveryIsNotToldAgain) {
  // A widget that deletes the one below it when it receives a command.
  struct Remover : ProbeWidget {
    bool handleEvent(int32_t code, void* data) override {
      if (code == UIA_EVENT_COMMAND && parent()) parent()->deleteWidget(victim);
      return ProbeWidget::handleEvent(code, data);
    }
    int32_t victim = 0;
  };
  Form form;
  form.layout();
  std::vector<std::string> journal;
  ProbeWidget* first = addProbe(form, 1, {0, 0, 10, 10});
  addProbe(form, 2, {0, 0, 10, 10});
  Remover* remover = new Remover;
  remover->setId(3);
  remover->victim = 2;
  form.addWidget(remover);
  first->journal = &journal;
  remover->journal = &journal;
  UiaCommandEvent command = {1};
  form.sendEvent(UIA_EVENT_COMMAND, &command);
  EXPECT_EQ(journal, (std::vector<std::string>{"3:1200", "1:1200"}));
  EXPECT_EQ(form.widgets().size(), 2u);
}

TEST(WidgetBase, ValuesMasksAndRegistry) {
  ProbeWidget w;
  EXPECT_EQ(w.getValue(1), -1);
  w.setValue(-5);
  EXPECT_FALSE(w.hasValue());
  EXPECT_FALSE(w.valueIs(-5));
  w.setValue(4);
  EXPECT_TRUE(w.valueIs(4));
  w.invalidate(0);
  EXPECT_EQ(w.dirtyMask(), 0xFFFFu);
  w.clearDirty();
  w.invalidate(0x10000);
  EXPECT_EQ(w.dirtyMask(), 0x10000u);
  // The first registration of a name stays in effect.
  static int made = 0;
  WidgetRegistry::add("Twice", [] {
    ++made;
    return static_cast<Widget*>(new ProbeWidget);
  });
  WidgetRegistry::add("Twice", [] { return static_cast<Widget*>(nullptr); });
  Widget* twice = WidgetRegistry::create("Twice");
  ASSERT_NE(twice, nullptr);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(twice->className(), "Twice");
  delete twice;
  EXPECT_EQ(WidgetRegistry::create("twice"), nullptr);  // names compare exactly
}

TEST(WidgetBase, DetachedWidgetIgnoresRequestsOfItsForm) {
  ProbeWidget w;
  w.setFocusable(true);
  w.captureMouse();
  w.addTimer(1, 0);
  w.requestKeyInput();
  w.setCursor(LoadCursor(nullptr, IDC_ARROW));
  EXPECT_FALSE(w.hasMouseCapture());
  EXPECT_EQ(w.picture(1003), nullptr);
  EXPECT_EQ(w.font(1001), nullptr);
  // setFocused works all the same, and tells the listeners.
  struct Listener : WidgetListener {
    bool onWidgetEvent(int32_t id, int32_t code, void* data) override {
      events.push_back({id, code});
      focused = static_cast<WidgetFocusEvent*>(data)->focused;
      return true;
    }
    std::vector<std::pair<int32_t, int32_t>> events;
    uint32_t focused = 0;
  } listener;
  w.setId(9);
  w.addListener(&listener);
  w.setFocused(true);
  EXPECT_TRUE(w.isFocused());
  ASSERT_EQ(listener.events.size(), 1u);
  EXPECT_EQ(listener.events[0], std::make_pair(9, NGL_NOTIFY_FOCUS));
  EXPECT_EQ(listener.focused, 1u);
  w.removeListener(&listener);
  w.setFocused(false);
  EXPECT_EQ(listener.events.size(), 1u);
}
