// ContainerForm: pages switched by resource id, the return page when the current one goes, sizes
// and events of the current page, and the plain form drawn without pages.
#include <gtest/gtest.h>

#include <algorithm>

#include "NGLContainerForm.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"

namespace {

size_t presses(const ProbeWidget* w) {
  return size_t(std::count(w->codes.begin(), w->codes.end(), UIA_EVENT_MOUSE_BUTTON));
}

std::vector<uint8_t> pageRecord(int32_t width, int32_t height) {
  Form form;
  form.setSize({width, height});
  form.background().setKind(1);
  form.background().setColour(0xFF000000u | uint32_t(width));
  VectorStream out(4096);
  EXPECT_TRUE(form.write(out));
  return out.written();
}

struct Pages {
  Pages() {
    host.forms[3] = pageRecord(120, 60);
    host.forms[5] = pageRecord(80, 40);
    host.forms[7] = pageRecord(90, 30);
    book.setProvider(&host);
    book.setOwnsChildren(true);
  }
  Form* add(int32_t id, bool active) {
    Form* page = new Form;
    page->setProvider(&host);
    book.appendChildFromResource(page, id, active);
    return page;
  }
  MemoryFormHost host;
  ContainerForm book;
};

}  // namespace

TEST(ContainerForm, ShowPageAndReturnPage) {
  Pages p;
  p.book.setActive(true);
  Form* three = p.add(3, true);
  Form* five = p.add(5, false);
  Form* seven = p.add(7, false);
  EXPECT_EQ(p.book.currentPage(), three);
  // The first page is fixed: the container form takes its size, and later pages keep theirs.
  EXPECT_EQ(p.book.size().width, 120);
  EXPECT_EQ(p.book.size().height, 60);

  p.book.showPage(99);  // no such page: nothing changes
  EXPECT_EQ(p.book.currentPage(), three);
  EXPECT_EQ(p.book.returnPageId(), -1);

  p.book.showPage(5);
  EXPECT_EQ(p.book.currentPage(), five);
  EXPECT_TRUE(five->isActive());
  EXPECT_FALSE(three->isActive());
  EXPECT_EQ(p.book.returnPageId(), 3);

  p.book.removeChild(five);  // back to page 3
  EXPECT_EQ(p.book.currentPage(), three);
  EXPECT_TRUE(three->isActive());
  EXPECT_EQ(p.book.returnPageId(), -1);

  p.book.showPage(7);
  p.book.removeChild(three);  // the return page itself goes: 7 stays current
  EXPECT_EQ(p.book.currentPage(), seven);
  p.book.removeChild(seven);  // the last page: none current
  EXPECT_EQ(p.book.currentPage(), nullptr);
  EXPECT_EQ(p.book.childCount(), 0u);
}

TEST(ContainerForm, RemovingTheCurrentPageWithoutReturnTakesTheFirstOther) {
  Pages p;
  Form* three = p.add(3, true);
  Form* five = p.add(5, false);
  p.book.removeChild(three);
  EXPECT_EQ(p.book.currentPage(), five);
  // A return page that is gone: the first other page, never the removed one.
  Form* seven = p.add(7, false);
  p.book.showPage(7);
  p.book.removeChild(five);  // not current: the return id stays
  EXPECT_EQ(p.book.returnPageId(), 5);
  p.book.removeChild(seven);
  EXPECT_EQ(p.book.currentPage(), nullptr);
}

TEST(ContainerForm, EventsAndPaintGoToTheCurrentPage) {
  Pages p;
  Form* three = p.add(3, true);
  Form* five = p.add(5, false);
  ProbeWidget* a = new ProbeWidget;
  a->setRect({0, 0, 50, 50});
  a->consume = true;
  three->addWidget(a);
  ProbeWidget* b = new ProbeWidget;
  b->setRect({0, 0, 50, 50});
  b->consume = true;
  five->addWidget(b);

  UiaMouseButtonEvent press = {10, 10, 0, UIA_BUTTON_LEFT, UIA_ACTION_PRESS};
  EXPECT_TRUE(p.book.sendEvent(UIA_EVENT_MOUSE_BUTTON, &press));
  EXPECT_EQ(presses(a), 1u);
  EXPECT_EQ(presses(b), 0u);
  EXPECT_EQ(p.book.widgetAt(10, 10, 0), a);
  p.book.showPage(5);
  EXPECT_TRUE(p.book.sendEvent(UIA_EVENT_MOUSE_BUTTON, &press));
  EXPECT_EQ(presses(b), 1u);
  EXPECT_EQ(presses(a), 1u);
  EXPECT_EQ(p.book.widgetAt(10, 10, 0), b);

  // Paint: the page's background (colour 0xFF000050 for the 80-wide page) inside the container
  // form's 120 x 60, nothing beyond it.
  Picture picture;
  ASSERT_TRUE(picture.setSize(200, 100, true));
  picture.fillAreaUC(0, 0, 200, 100, 0xFFFFFFFF);
  Region all(0, 0, 200, 100);
  p.book.paint(picture, all);
  EXPECT_EQ(picture.pixel(70, 30), 0xFF000050u);
  EXPECT_EQ(picture.pixel(150, 30), 0xFFFFFFFFu);
  EXPECT_FALSE(picture.hasClip());

  // Without pages the container form draws its own plain background.
  p.book.clearChildren();
  EXPECT_EQ(p.book.currentPage(), nullptr);
  EXPECT_FALSE(p.book.sendEvent(UIA_EVENT_MOUSE_BUTTON, &press));
  p.book.background().setKind(1);
  p.book.background().setColour(0xFF123456);
  picture.fillAreaUC(0, 0, 200, 100, 0xFFFFFFFF);
  p.book.paint(picture, all);
  EXPECT_EQ(picture.pixel(70, 30), 0xFF123456u);
}

TEST(ContainerForm, ResizableAndRecords) {
  Pages p;
  p.book.setSize({150, 90});
  Form* stretchy = new Form;
  stretchy->setResizable(true);
  stretchy->setProvider(&p.host);
  p.book.appendChildFromResource(stretchy, 5, true);
  EXPECT_EQ(stretchy->size().width, 150);  // a resizable first page takes the form's size
  EXPECT_EQ(p.book.size().width, 150);
  p.book.setResizable(true);
  p.book.setSize({200, 100});
  EXPECT_EQ(stretchy->size().width, 200);

  EXPECT_FALSE(p.book.load(3));
  VectorStream out(256);
  EXPECT_FALSE(p.book.write(out));
  VectorStream in(p.host.forms[3]);
  EXPECT_FALSE(p.book.read(in));
  EXPECT_EQ(p.book.currentPage(), stretchy);
}
