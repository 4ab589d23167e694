// Forms loaded from the executable's "FRM" resources through a resource set attached to "PM" and
// "FM" 1000, as the Audio Setup dialog loads them.
#include <windows.h>
#include <gtest/gtest.h>

#include "GPBinaryStream.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLLabel.h"
#include "NGLList.h"
#include "NGLSelector.h"
#include "NGLSubForm.h"
#include "nglTestSupport.h"

namespace {

BOOL CALLBACK collectId(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<uint32_t>*>(param)->push_back(uint32_t(uintptr_t(name)));
  return TRUE;
}

// The ids of every "FRM" resource of this program.
std::vector<uint32_t> formIds() {
  std::vector<uint32_t> ids;
  EnumResourceNamesA(nullptr, "FRM", collectId, reinterpret_cast<LONG_PTR>(&ids));
  return ids;
}

std::vector<uint8_t> formBytes(uint32_t id) {
  HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(id), "FRM");
  if (!info) return {};
  const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, info)));
  return std::vector<uint8_t>(data, data + SizeofResource(nullptr, info));
}

struct Expected {
  int32_t id;
  const char* text;
  RegionRect rect;
};

}  // namespace

TEST(FormLoading, TabBarGivesTheThreeSwitches) {
  FormHostListener host;
  ASSERT_TRUE(host.attach(1000, 1000));
  {
    Form form;
    form.setProvider(&host);
    ASSERT_TRUE(form.load(1007));
    EXPECT_EQ(form.resourceId(), 1007);
    EXPECT_TRUE(form.isLaidOut());
    EXPECT_EQ(form.size().width, 400);
    EXPECT_EQ(form.size().height, 32);
    const Expected expected[] = {
        {100, "SoundCard", {6, 7, 84, 30}}, {103, "Routing", {84, 7, 162, 30}}, {104, "MIDI", {162, 7, 240, 30}}};
    ASSERT_EQ(form.widgets().size(), 3u);
    for (const Expected& e : expected) {
      SCOPED_TRACE(e.id);
      Widget* w = form.findWidget(e.id);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->className(), "Switch");
      EXPECT_EQ(w->parent(), &form);
      EXPECT_EQ(w->rect().x1, e.rect.x1);
      EXPECT_EQ(w->rect().y1, e.rect.y1);
      EXPECT_EQ(w->rect().x2, e.rect.x2);
      EXPECT_EQ(w->rect().y2, e.rect.y2);
      EXPECT_EQ(static_cast<Switch*>(w)->textStyle().text(), e.text);
      // The style got its font through the host's font map.
      EXPECT_NE(static_cast<Switch*>(w)->textStyle().font(), nullptr);
    }
    // A missing resource leaves the form empty.
    EXPECT_FALSE(form.load(4321));
    EXPECT_TRUE(form.widgets().empty());
    EXPECT_EQ(form.resourceId(), -1);
  }
  host.detach();
}

TEST(FormLoading, EveryGeneratedFormWritesBackByteForByte) {
  // The classes the generated forms use, as the program registers them.
  if (!WidgetRegistry::has("Label")) registerLabel();
  if (!WidgetRegistry::has("Selector")) registerSelector();
  if (!WidgetRegistry::has("List")) registerList();
  if (!WidgetRegistry::has("SubForm")) registerSubForm();
  // The About box's content class is the program's own: to the library it is a sub-form.
  if (!WidgetRegistry::has("AboutContentSubForm"))
    WidgetRegistry::add("AboutContentSubForm", []() -> Widget* { return new SubForm; });
  FormHostListener host;
  ASSERT_TRUE(host.attach(1000, 1000));
  const std::vector<uint32_t> ids = formIds();
  ASSERT_FALSE(ids.empty());
  for (uint32_t id : ids) {
    SCOPED_TRACE(id);
    const std::vector<uint8_t> original = formBytes(id);
    Form form;
    form.setProvider(&host);
    ASSERT_TRUE(form.load(int32_t(id)));
    // The last widget ends exactly at the end of the data and is there.
    VectorStream in(original);
    Form again;
    ASSERT_TRUE(again.read(in));
    // Attached lists add their cell editors (negative ids, never written): count the others.
    auto entries = [](const Form& f) {
      size_t n = 0;
      for (const Widget* w : f.widgets()) n += w->id() >= 0 ? 1 : 0;
      return n;
    };
    EXPECT_EQ(entries(again), entries(form));
    VectorStream out(original.size() + 64);
    ASSERT_TRUE(form.write(out));
    EXPECT_EQ(out.written(), original);
  }
  host.detach();
}

TEST(FormLoading, CreatedHookRunsAfterLayout) {
  struct HookedForm : Form {
    void formCreated() override {
      laidOutAtHook = isLaidOut();
      widgetsAtHook = widgets().size();
      ++calls;
    }
    bool laidOutAtHook = false;
    size_t widgetsAtHook = 0;
    int calls = 0;
  };
  FormHostListener host;
  ASSERT_TRUE(host.attach(1000, 1000));
  {
    HookedForm form;
    form.setProvider(&host);
    ASSERT_TRUE(form.load(1002));
    EXPECT_EQ(form.calls, 1);
    EXPECT_TRUE(form.laidOutAtHook);
    EXPECT_EQ(form.widgetsAtHook, 2u);
    EXPECT_FALSE(form.load(4321));  // nothing loaded: no hook
    EXPECT_EQ(form.calls, 1);
  }
  host.detach();
}
