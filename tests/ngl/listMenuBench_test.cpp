// How long a list refill of 32 rows (then a paint of the list) and the opening of a 200-item menu
// (placing and one paint) take: both far below the 50 ms tick.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "GPRegion.h"
#include "GPTimer.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLItemMenu.h"
#include "NGLList.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"

namespace {

double msSince(int64_t start, int runs) {
  return double(gpReadCounter() - start) / double(gpCounterFrequency()) * 1e3 / runs;
}

}  // namespace

TEST(ListMenuBench, RefillOf32RowsAndMenuOf200Items) {
  FormHostListener resources;
  ASSERT_TRUE(resources.attach(1000, 1000));
  Form::setDefaultColors(1001, 0xFFE6E6E6, 0xFF5C93D0, 0xFF5E5E5E, 0xFF141414, false);
  {
    Form form;
    form.setProvider(&resources);
    form.setSize({400, 205});
    form.layout();
    List* list = new List;
    list->setId(1);
    list->setRect({19, 46, 383, 186});
    list->cellStyle().setFontId(1001, nullptr, false);
    form.addWidget(list);
    list->setHideHeader(true);
    list->setSortable(false);
    list->setColumnWidth(0, 150);
    list->setColumnWidth(1, 150);
    list->setColumnWidth(2, 18);
    std::string names[32], ports[32];
    for (int i = 0; i < 32; ++i) {
      names[i] = "Output " + std::to_string(i + 1);
      ports[i] = " " + std::to_string(i + 1) + ": Line out " + std::to_string(i + 1);
    }
    auto refill = [&] {
      list->clear();
      for (int i = 0; i < 32; ++i) {
        const int32_t r = list->addRow();
        list->setCell(r, 0, names[i].c_str(), nullptr);
        list->setCell(r, 1, ports[i].c_str(), nullptr);
      }
    };
    Picture picture;
    picture.setSize(400, 205, false);
    Region all;
    all.setRect(0, 0, 400, 205);
    refill();
    const int runs = 50;
    int64_t start = gpReadCounter();
    for (int i = 0; i < runs; ++i) refill();
    const double refillMs = msSince(start, runs);
    start = gpReadCounter();
    for (int i = 0; i < runs; ++i) {
      refill();
      form.paint(picture, all);
    }
    const double refillPaintMs = msSince(start, runs);
    ASSERT_EQ(list->rowCount(), 32);

    ItemMenu* menu = new ItemMenu;
    menu->setId(5556);
    form.addWidget(menu);
    menu->addItem("- not connected -", nullptr, -1);
    for (int i = 1; i < 200; ++i) menu->addItem(("Port " + std::to_string(i)).c_str(), nullptr, i - 1);
    menu->setMaxHeight(200);
    start = gpReadCounter();
    for (int i = 0; i < runs; ++i) {
      menu->open(169, 60, nullptr, false, false);
      form.paint(picture, all);
      menu->closeTree();
    }
    const double menuMs = msSince(start, runs);
    std::printf("list refill of 32 rows: %.3f ms; with a paint of the form: %.3f ms\n", refillMs, refillPaintMs);
    std::printf("200-item menu opened and painted: %.3f ms\n", menuMs);
    EXPECT_LT(refillPaintMs, 50.0);
    EXPECT_LT(menuMs, 50.0);
  }
  resources.detach();
}
