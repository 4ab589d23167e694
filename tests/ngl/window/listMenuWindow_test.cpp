// A list with columns and a pop-up menu in a real form window, driven by mouse messages posted to the
// window: a click selects a row, a right click opens the menu, hovering opens its sub-menu and a
// click chooses the checked item. Both states are captured as PNG.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "NGLForm.h"
#include "NGLFormDialogHost.h"
#include "NGLFormHost.h"
#include "NGLItemMenu.h"
#include "NGLList.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"
#include "support/windowCapture.h"
#include "support/windowSteps.h"
#include "uiaTestSupport.h"

namespace {

struct Heard : WidgetListener {
  bool onWidgetEvent(int32_t id, int32_t code, void* data) override {
    std::string entry = std::to_string(id) + ":" + std::to_string(code);
    if (code == NGL_NOTIFY_MENU_CHOSEN && id == 5556)
      entry += ":" + std::to_string(static_cast<ItemMenuChoice*>(data)->row);
    log.push_back(entry);
    return false;
  }
  std::vector<std::string> log;
};

constexpr uint32_t kBackground = 0xFFF4F4F0;

}  // namespace

TEST(ListMenuWindow, ListSelectsByClickAndMenuChoosesThroughTheWindow) {
  runInApplication([&](RecordingApplication&) {
    FormHostListener resources;
    ASSERT_TRUE(resources.attach(1000, 1000));
    Form::setDefaultColors(1001, 0xFFE6E6E6, 0xFF5C93D0, 0xFF5E5E5E, 0xFF141414, false);
    FormDialogHost host(nullptr, nullptr, true);
    host.setOwnerData(&resources);
    FormWindow& window = *host.formWindow();
    Form* panel = addHostPanel(host, resources, {420, 240});

    List* list = new List;
    list->setId(1);
    list->setRect({10, 10, 300, 170});
    list->headerStyle().setFontId(1002, nullptr, false);
    list->cellStyle().setFontId(1001, nullptr, false);
    list->headerStyle().setKind(kBackgroundColour);
    list->headerStyle().setColour(0xFFC6C6C6);
    list->setBackgroundColour(kBackground);
    list->setSelectedColour(0x802F6FB8);
    list->setGridLines(true);
    list->setGridColour(0xFFB0B0B0);
    list->setIcon1PictureId(1001);  // check box frames: off, on
    panel->addWidget(list);
    list->setColumnWidth(0, 120);
    list->setColumnWidth(1, 90);
    list->setColumnWidth(2, 40);
    list->setColumnTitle(0, "Output");
    list->setColumnTitle(1, "Device port");
    list->setColumnTitle(2, "State");
    const char* rows[][3] = {{"Left", "1: Speakers L", "on"},
                             {"Right", "2: Speakers R", "on"},
                             {"Centre", "- not connected -", "off"},
                             {"Surround rear left channel", "4: Line out 2 left", "off"}};
    for (auto& r : rows) {
      const int32_t i = list->addRow();
      for (int c = 0; c < 3; ++c) list->setCell(i, c, r[c], nullptr);
      list->setRowIcons(i, r[2][1] == 'n' ? 1 : 0, -1);
    }

    ItemMenu* menu = new ItemMenu;
    menu->setId(5556);
    menu->setRect({200, 120, 290, 160});  // over the list's empty lower part
    menu->setOpenMode(NGL_MENU_OPEN_RIGHT);
    panel->addWidget(menu);
    menu->addItem("Speakers L", nullptr, 0);
    menu->addItem("Checked item", nullptr, 1);
    menu->item(1)->checkState = NGL_MENU_CHECKED;
    menu->item(menu->addItem("", nullptr, -1))->separator = true;
    const int32_t more = menu->addItem("More ports", nullptr, -1);
    ItemMenu* sub = new ItemMenu;
    sub->addItem("Line out 1", nullptr, 10);
    sub->addItem("Line out 2", nullptr, 11);
    menu->item(more)->subMenu = sub;
    sub->setParentMenu(menu);

    Heard heard;
    list->addListener(&heard);
    menu->addListener(&heard);

    RegionRect row1;
    ASSERT_TRUE(list->cellRect(row1, 1, 1));
    CapturedWindow listShot, menuShot;
    uint32_t passes = 0;
    int waits = 0;
    auto waitFor = [&](const std::function<bool()>& done) {
      if (!(done() && window.passCount() != passes) && ++waits < 200) {
        --g_step;
        return false;
      }
      waits = 0;
      return true;
    };
    auto inner = [&] { return host.inner().nativeHandle(); };
    auto rowCentreY = [&](const ItemMenu& m, int32_t row) {
      return m.listRect().y1 + m.offsetY() + row * m.rowHeight() + m.rowHeight() / 2;
    };
    g_steps = {
        [&] {
          passes = window.passCount();
          clickAt(inner(), row1.x1 + 5, row1.y1 + 4);
          return true;
        },
        [&] {
          if (!waitFor([&] { return list->isRowSelected(1); })) return true;
          UpdateWindow(inner());
          windowCapturePng(inner(), "ngl-list-columns.png", &listShot);
          passes = window.passCount();
          PostMessageA(inner(), WM_RBUTTONDOWN, MK_RBUTTON, at(210, 130));
          PostMessageA(inner(), WM_RBUTTONUP, 0, at(210, 130));
          return true;
        },
        [&] {
          if (!waitFor([&] { return menu->isOpen(); })) return true;
          passes = window.passCount();
          const int32_t y = rowCentreY(*menu, more);
          PostMessageA(inner(), WM_MOUSEMOVE, 0, at(menu->listRect().x1 + 10, y));
          return true;
        },
        [&] {
          if (!waitFor([&] { return sub->isOpen(); })) return true;
          UpdateWindow(inner());
          windowCapturePng(inner(), "ngl-itemmenu-open.png", &menuShot);
          passes = window.passCount();
          const int32_t y = rowCentreY(*menu, 1);
          PostMessageA(inner(), WM_MOUSEMOVE, 0, at(menu->listRect().x1 + 10, y));
          clickAt(inner(), menu->listRect().x1 + 10, y);
          return true;
        },
        [&] {
          if (!waitFor([&] { return !menu->isOpen(); })) return true;
          host.end();
          return false;
        },
    };
    g_step = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
    WindowSpec spec;
    spec.setTitle("List and menu");
    host.run(spec, 0);
    KillTimer(nullptr, timer);

    // The click selected the row; the list reported the press and the selection.
    EXPECT_TRUE(list->isRowSelected(1));
    ASSERT_GE(heard.log.size(), 2u);
    EXPECT_EQ(heard.log[0], "1:100101");
    EXPECT_EQ(heard.log[1], "1:100105");
    // The menu closed on the choice of row 1 and reported close, then choice.
    ASSERT_GE(heard.log.size(), 4u);
    EXPECT_EQ(heard.log[heard.log.size() - 2], "5556:100101");
    EXPECT_EQ(heard.log.back(), "5556:100001:1");
    EXPECT_EQ(menu->item(1)->checkState, NGL_MENU_UNCHECKED);
    EXPECT_FALSE(menu->hasMouseCapture());

    // The list capture: header fill at the header strip, the selected row tinted unlike the
    // others, and grid lines after column 0.
    ASSERT_GE(listShot.width, 300);
    ASSERT_GE(listShot.height, 170);
    RegionRect row0, state1, row2;
    list->cellRect(row0, 0, 2);
    list->cellRect(state1, 1, 2);
    list->cellRect(row2, 2, 2);
    const int sx = state1.x2 - 3;  // right end of the short "on"/"off" cells, clear of text
    EXPECT_EQ(listShot.at(sx, state1.y1 + 2), listShot.at(sx, state1.y1 + 3));
    EXPECT_NE(listShot.at(sx, state1.y1 + 2), listShot.at(sx, row2.y1 + 2));
    EXPECT_EQ(listShot.at(sx, row0.y1 + 2), listShot.at(sx, row2.y1 + 2));
    EXPECT_EQ(listShot.at(list->view().x1 + 120 + 1, row2.y1 + 2), 0xB0B0B0u);
    // The menu capture: the root pop-up and its sub-menu beside it in the row colour.
    ASSERT_GE(menuShot.width, 410);
    const RegionRect& subRect = sub->popupRect();
    EXPECT_EQ(subRect.x1, menu->popupRect().x2 + 1);
    EXPECT_EQ(menuShot.at(subRect.x1 + 2, subRect.y1 + 2), 0xE6E6E6u);
    EXPECT_EQ(menuShot.at(menu->popupRect().x2 - 1, menu->popupRect().y1 + 5), 0x5E5E5Eu);  // shadow
    window.clearChildren();
    resources.detach();
  });
}
