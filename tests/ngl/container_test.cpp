// Containers and form windows: stacking, routing of enter and leave, focus, the child limit.
#include <gtest/gtest.h>

#include "NGLContainer.h"
#include "NGLForm.h"
#include "NGLFormWindow.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"

namespace {

Form* sizedForm(int32_t w, int32_t h) {
  Form* form = new Form;
  form->setSize({w, h});
  form->layout();
  return form;
}

RegionRect rectOf(const Container& c, uint32_t i) { return c.child(i).rect; }

bool sameRect(const RegionRect& a, const RegionRect& b) {
  return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

}  // namespace

TEST(Container, AppendChildStacksDownwards) {
  Container c;
  c.setOwnsChildren(true);
  Form* a = sizedForm(100, 40);
  Form* b = sizedForm(80, 30);
  c.appendChild(a, true);
  c.appendChild(b, true);
  EXPECT_TRUE(sameRect(rectOf(c, 0), {0, 0, 100, 40}));
  EXPECT_TRUE(sameRect(rectOf(c, 1), {0, 40, 80, 70}));
  // With the second inactive, a third lies below the first.
  c.setChildActive(b, false);
  Form* third = sizedForm(50, 10);
  c.appendChild(third, true);
  EXPECT_TRUE(sameRect(rectOf(c, 2), {0, 40, 50, 50}));
  EXPECT_EQ(c.boundsOfChildren().width, 100);
  EXPECT_EQ(c.boundsOfChildren().height, 50);
  // A child form that grows makes its entry grow.
  a->setSize({120, 60});
  c.childSizeChanged(a);
  EXPECT_TRUE(sameRect(rectOf(c, 0), {0, 0, 120, 60}));
}

TEST(Container, SixtyFifthChildIsRefused) {
  Container c;
  c.setOwnsChildren(true);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(c.addChild(sizedForm(10, 10), 0, 0, 10, 10, true), uint32_t(i + 1));
  Form extra;
  EXPECT_EQ(c.addChild(&extra, 0, 0, 10, 10, true), 0u);
  EXPECT_EQ(c.appendChild(&extra, true), 0u);
  EXPECT_EQ(c.childCount(), 64u);
  EXPECT_EQ(extra.host(), nullptr);  // untouched: the caller still owns it
  c.removeChild(c.child(0).form);
  EXPECT_EQ(c.appendChild(sizedForm(10, 10), true), 64u);
}

TEST(Container, EnterAndLeaveAcrossChildren) {
  Container c;
  c.setOwnsChildren(true);
  Form* left = sizedForm(100, 100);
  Form* right = sizedForm(100, 100);
  c.addChild(left, 0, 0, 100, 100, true);
  c.addChild(right, 100, 0, 200, 100, true);
  std::vector<std::string> journal;
  ProbeWidget* a = new ProbeWidget;
  a->setId(1);
  a->setRect({0, 0, 100, 100});
  ProbeWidget* b = new ProbeWidget;
  b->setId(2);
  b->setRect({0, 0, 100, 100});
  left->addWidget(a);
  right->addWidget(b);
  a->journal = &journal;
  b->journal = &journal;
  UiaMouseMoveEvent move = {50, 10, 0};
  c.sendEvent(UIA_EVENT_MOUSE_MOVE, &move);
  journal.clear();
  a->positions.clear();
  move = {150, 20, 0};
  c.sendEvent(UIA_EVENT_MOUSE_MOVE, &move);
  EXPECT_EQ(journal, (std::vector<std::string>{"1:1004", "2:1003", "2:1001"}));
  // Each at its own coordinates, and the caller's record is given back unchanged.
  EXPECT_EQ(a->positions.back(), std::make_pair(150, 20));  // the left child's origin is 0, 0
  EXPECT_EQ(b->positions.back(), std::make_pair(50, 20));
  EXPECT_EQ(move.x, 150);
  EXPECT_EQ(c.hoverChild(), right);
}

TEST(FormWindow, FocusIsClearedWhenTheFocusWidgetIsHidden) {
  FormWindow window;
  Form* form = sizedForm(100, 100);
  window.setOwnsChildren(true);
  window.appendChild(form, true);
  ProbeWidget* w = new ProbeWidget;
  w->setId(1);
  w->setRect({10, 10, 60, 60});
  w->setFocusable(true);
  form->addWidget(w);
  UiaMouseButtonEvent press = {20, 20, 0, UIA_BUTTON_LEFT, UIA_ACTION_PRESS};
  window.sendEvent(UIA_EVENT_MOUSE_BUTTON, &press);
  EXPECT_EQ(window.focusWidget(), w);
  EXPECT_TRUE(w->isFocused());
  w->setVisible(false);
  EXPECT_EQ(window.focusWidget(), nullptr);
  EXPECT_FALSE(w->isFocused());
}

TEST(FormWindow, OnlyALeftPressElsewhereEndsTextEntry) {
  FormWindow window;
  Form* form = sizedForm(100, 100);
  window.setOwnsChildren(true);
  window.appendChild(form, true);
  ProbeWidget* entry = new ProbeWidget;
  entry->setRect({10, 10, 60, 30});
  form->addWidget(entry);
  window.setKeyWidget(entry, true);
  const struct {
    uint32_t button, action;
    bool ends;
  } presses[] = {{UIA_BUTTON_RIGHT, UIA_ACTION_PRESS, false},
                 {UIA_BUTTON_MIDDLE, UIA_ACTION_PRESS, false},
                 {UIA_BUTTON_LEFT, UIA_ACTION_RELEASE, false},
                 {UIA_BUTTON_LEFT, UIA_ACTION_PRESS, true}};
  for (const auto& p : presses) {
    SCOPED_TRACE(p.button * 10 + p.action);
    UiaMouseButtonEvent e = {80, 80, 0, p.button, p.action};  // outside the entry, on no widget
    window.sendEvent(UIA_EVENT_MOUSE_BUTTON, &e);
    EXPECT_EQ(window.keyWidget() == nullptr, p.ends);
  }
}

TEST(FormWindow, PagesStackAndThePictureFollows) {
  FormWindow window;
  window.setOwnsChildren(true);
  Form* a = sizedForm(200, 50);
  Form* b = sizedForm(150, 70);
  window.appendChild(a, true);
  window.appendChild(b, true);
  EXPECT_EQ(window.picture().width(), 200u);
  EXPECT_EQ(window.picture().height(), 120u);
  // Deactivating the first page moves the second to the top.
  window.setChildActive(a, false);
  EXPECT_TRUE(sameRect(rectOf(window, 1), {0, 0, 150, 70}));
  EXPECT_EQ(window.picture().height(), 70u);
  // Closing a pop-up that was never shown does nothing.
  window.closePopup();
  EXPECT_FALSE(window.rootForm().isActive());
}

TEST(FormWindow, AWidgetAddingAPageDuringATickStartsNoSecondPass) {
  // On its timer the widget appends a second page to the window.
  struct Grower : ProbeWidget {
    bool handleEvent(int32_t code, void* data) override {
      if (code == UIA_EVENT_TIMER && window && !added) {
        added = true;
        window->appendChild(sizedForm(60, 20), true);
        passesInside = window->passCount();
      }
      return ProbeWidget::handleEvent(code, data);
    }
    FormWindow* window = nullptr;
    bool added = false;
    uint32_t passesInside = 0;
  };
  FormWindow window;
  window.setOwnsChildren(true);
  Form* form = sizedForm(100, 40);
  window.appendChild(form, true);
  Grower* grower = new Grower;
  grower->window = &window;
  grower->setRect({0, 0, 10, 10});
  form->addWidget(grower);
  grower->addTimer(1, 0);
  window.repaint(false);
  const uint32_t before = window.passCount();
  window.sendEvent(UIA_EVENT_TIMER, nullptr);
  EXPECT_TRUE(grower->added);
  EXPECT_EQ(grower->passesInside, before);    // nothing ran inside the tick's delivery
  EXPECT_EQ(window.passCount(), before + 1);  // the tick's own pass, once
  EXPECT_EQ(window.childCount(), 2u);
  EXPECT_EQ(window.picture().height(), 60u);
  // The new page was painted whole by that pass.
  EXPECT_EQ(window.picture().pixel(5, 50), 0xFFB0B0B0u);
}

TEST(FormWindow, ClickOnAWidgetThatTakesNoFocusClearsIt) {
  FormWindow window;
  Form* form = sizedForm(100, 100);
  window.setOwnsChildren(true);
  window.appendChild(form, true);
  ProbeWidget* field = new ProbeWidget;
  field->setId(1);
  field->setRect({0, 0, 50, 50});
  field->setFocusable(true);
  ProbeWidget* plain = new ProbeWidget;
  plain->setId(2);
  plain->setRect({50, 50, 100, 100});
  form->addWidget(field);
  form->addWidget(plain);
  UiaMouseButtonEvent press = {10, 10, 0, UIA_BUTTON_LEFT, UIA_ACTION_PRESS};
  window.sendEvent(UIA_EVENT_MOUSE_BUTTON, &press);
  EXPECT_TRUE(field->isFocused());
  // A release and a right click change nothing; a left press elsewhere takes the focus away.
  UiaMouseButtonEvent release = {60, 60, 0, UIA_BUTTON_LEFT, UIA_ACTION_RELEASE};
  window.sendEvent(UIA_EVENT_MOUSE_BUTTON, &release);
  UiaMouseButtonEvent right = {60, 60, 0, UIA_BUTTON_RIGHT, UIA_ACTION_PRESS};
  window.sendEvent(UIA_EVENT_MOUSE_BUTTON, &right);
  EXPECT_TRUE(field->isFocused());
  press = {60, 60, 0, UIA_BUTTON_LEFT, UIA_ACTION_PRESS};
  window.sendEvent(UIA_EVENT_MOUSE_BUTTON, &press);
  EXPECT_FALSE(field->isFocused());
  EXPECT_EQ(window.focusWidget(), nullptr);
}
