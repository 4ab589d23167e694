// SubForm: the inner form's size against the widget's, creation only under a resource set, the
// record, and events and painting passed through with the widget's offset.
#include <gtest/gtest.h>

#include <algorithm>

#include "NGLForm.h"
#include "NGLFormClassRegistry.h"
#include "NGLSubForm.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"

namespace {

std::vector<uint8_t> formRecord(int32_t width, int32_t height, bool resizable) {
  Form form;
  form.setResizable(resizable);
  form.setSize({width, height});
  VectorStream out(4096);
  EXPECT_TRUE(form.write(out));
  return out.written();
}

struct Nest {
  Nest() {
    if (!WidgetRegistry::has("SubForm")) registerSubForm();
    Form* known = FormClassRegistry::create("Stretchy");
    if (known)
      delete known;
    else
      FormClassRegistry::add("Stretchy", []() -> Form* {
        Form* form = new Form;
        form->setResizable(true);
        return form;
      });
    host.forms[50] = formRecord(200, 100, false);
    host.forms[51] = formRecord(120, 80, true);
    outer.setProvider(&host);
    outer.setSize({400, 300});
    outer.layout();
  }
  SubForm* add(uint32_t formId, RegionRect r, const char* formClass = "") {
    SubForm* s = new SubForm;
    s->setFormClassName(formClass);
    s->setClassName("SubForm");
    s->setId(7);
    s->setRect(r);
    s->setForm(formId);
    outer.addWidget(s);
    return s;
  }
  MemoryFormHost host;
  Form outer;
};

void expectRect(const RegionRect& r, RegionRect want) {
  EXPECT_EQ(r.x1, want.x1);
  EXPECT_EQ(r.y1, want.y1);
  EXPECT_EQ(r.x2, want.x2);
  EXPECT_EQ(r.y2, want.y2);
}

}  // namespace

TEST(SubForm, InnerFormSizes) {
  struct Case {
    const char* name;
    uint32_t formId;
    const char* formClass;
    RegionRect rect, wantRect;
    FormSize wantForm;
  };
  const Case cases[] = {
      {"fixed resource form sets the widget's size", 50, "", {10, 20, 60, 70}, {10, 20, 210, 120}, {200, 100}},
      {"resizable resource form takes the widget's size", 51, "Stretchy", {10, 20, 60, 70}, {10, 20, 60, 70}, {50, 50}},
      {"no resource: the widget's size", 0, "", {5, 5, 45, 25}, {5, 5, 45, 25}, {40, 20}},
      {"unknown class, missing resource: a plain empty form",
       99,
       "NoSuchClass",
       {0, 0, 30, 30},
       {0, 0, 300, 200},
       {300, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Nest s;
    SubForm* sub = s.add(c.formId, c.rect, c.formClass);
    ASSERT_NE(sub->form(), nullptr);
    expectRect(sub->rect(), c.wantRect);
    EXPECT_EQ(sub->form()->size().width, c.wantForm.width);
    EXPECT_EQ(sub->form()->size().height, c.wantForm.height);
    EXPECT_EQ(sub->form()->host(), static_cast<Container*>(sub));
  }
  // A resize of the widget resizes a resizable form; a fixed one keeps the widget at its size.
  Nest s;
  SubForm* fixed = s.add(50, {10, 20, 60, 70});
  fixed->setRect({0, 0, 30, 30});
  expectRect(fixed->rect(), {0, 0, 30, 30});  // a fixed form stores any size it is given
  SubForm* flexible = s.add(51, {10, 20, 60, 70}, "Stretchy");
  flexible->setRect({10, 20, 110, 90});
  EXPECT_EQ(flexible->form()->size().width, 100);
  EXPECT_EQ(flexible->form()->size().height, 70);
}

TEST(SubForm, NoFormWithoutAResourceSet) {
  if (!WidgetRegistry::has("SubForm")) registerSubForm();
  Form bare;
  bare.layout();
  SubForm* sub = new SubForm;
  sub->setRect({0, 0, 50, 50});
  sub->setForm(50);
  bare.addWidget(sub);
  EXPECT_EQ(sub->form(), nullptr);
  EXPECT_TRUE(sub->isTransparent());
  bare.removeWidget(sub->id());

  Nest s;
  s.outer.addWidget(sub);  // the same widget under a provider builds its form
  ASSERT_NE(sub->form(), nullptr);
  EXPECT_EQ(sub->form()->size().width, 200);
}

TEST(SubForm, RecordVersionOneOnly) {
  Nest s;
  s.add(50, {10, 20, 60, 70})->setFormClassName("");
  VectorStream out(4096);
  ASSERT_TRUE(s.outer.write(out));
  std::vector<uint8_t> bytes = out.written();
  {
    VectorStream in(bytes);
    Form again;
    ASSERT_TRUE(again.read(in));
    ASSERT_EQ(again.widgets().size(), 1u);
    SubForm* sub = dynamic_cast<SubForm*>(again.widgets()[0]);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->formId(), 50u);
  }
  // The sub-form part: version 1, an empty class name, id 50. Version 2 is refused.
  const uint8_t part[] = {1, 0, 0, 0, 0, 0, 0, 0, 50, 0, 0, 0};
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(part), std::end(part));
  ASSERT_NE(at, bytes.end());
  *at = 2;
  VectorStream in(bytes);
  Form again;
  again.read(in);
  EXPECT_TRUE(again.widgets().empty());
}

TEST(SubForm, EventsAndPaintingUseTheWidgetOffset) {
  Nest s;
  SubForm* sub = s.add(0, {100, 50, 200, 150});
  ProbeWidget* probe = new ProbeWidget;
  probe->setId(1);
  probe->setRect({10, 10, 30, 30});
  probe->colour = 0xFF00FF00;
  probe->consume = true;
  sub->form()->addWidget(probe);

  UiaMouseButtonEvent press = {115, 65, 0, UIA_BUTTON_LEFT, UIA_ACTION_PRESS};
  EXPECT_TRUE(s.outer.sendEvent(UIA_EVENT_MOUSE_BUTTON, &press));
  ASSERT_FALSE(probe->positions.empty());
  EXPECT_EQ(probe->positions.back(), std::make_pair(15, 15));
  EXPECT_EQ(press.x, 115);  // restored for the outer form

  // The inner form ticks with the outer one.
  UiaTimerEvent tick = {nullptr, 0};
  const int before = probe->timerEvents;
  probe->addTimer(3, 0);
  s.outer.sendEvent(UIA_EVENT_TIMER, &tick);
  EXPECT_EQ(probe->timerEvents, before + 1);

  Picture picture;
  ASSERT_TRUE(picture.setSize(400, 300, true));
  picture.fillAreaUC(0, 0, 400, 300, 0xFF000000);
  Region all(0, 0, 400, 300);
  EXPECT_TRUE(sub->paintRegion(picture, all));
  EXPECT_EQ(picture.pixel(110, 60), 0xFF00FF00u);
  EXPECT_EQ(picture.pixel(129, 79), 0xFF00FF00u);
  EXPECT_NE(picture.pixel(130, 80), 0xFF00FF00u);
  EXPECT_EQ(picture.originX(), 0);

  // The dirty area of an inner widget shows in outer coordinates.
  sub->clearDirty();
  probe->invalidate(0);
  Region dirty;
  ASSERT_TRUE(sub->getDirtyArea(dirty, 0));
  EXPECT_TRUE(dirty.contains(115, 65));
  EXPECT_FALSE(dirty.contains(105, 55));
}
