// How long the repaint pass takes: a full pass over the Audio Setup bars, an incremental pass after
// one label changed, and the dirty-region build of forms with 10 to 1,000 dirty widgets. Prints a
// table; the only bound asserted is the framework's 50 ms tick for the full pass.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "GPRegion.h"
#include "GPTimer.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLFormWindow.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"

namespace {

// Runs op until at least 60 ms have passed (at least 3 times); answers microseconds per run.
double microsecondsPer(const std::function<void()>& op) {
  const double frequency = double(gpCounterFrequency());
  op();
  int runs = 0;
  const int64_t start = gpReadCounter();
  int64_t now = start;
  do {
    op();
    ++runs;
    now = gpReadCounter();
  } while ((double(now - start) < 0.06 * frequency || runs < 3) && runs < 100000);
  return double(now - start) / frequency * 1e6 / runs;
}

}  // namespace

TEST(RepaintBench, AudioSetupBars) {
  FormHostListener resources;
  ASSERT_TRUE(resources.attach(1000, 1000));
  {
    struct Holder : FormWindowHolder {
      Window* window() override { return nullptr; }
    } holder;
    holder.setOwnerData(&resources);
    FormWindow& window = *holder.formWindow();
    window.setOwnsChildren(true);
    Form* tabs = new Form;
    window.appendChildFromResource(tabs, 1007, true);
    window.appendChildFromResource(new Form, 1002, true);
    const double full = microsecondsPer([&] { window.repaint(false); });
    Switch* label = static_cast<Switch*>(tabs->findWidget(103));
    ASSERT_NE(label, nullptr);
    bool flip = false;
    const double incremental = microsecondsPer([&] {
      setSwitchText(label, (flip = !flip) ? "Routes" : "Routing");
      window.repaint(true);
    });
    // The incremental pass touched the label alone.
    ASSERT_EQ(window.lastInvalidated().size(), 1u);
    EXPECT_EQ(window.lastInvalidated()[0].x1, label->rect().x1);
    const double idle = microsecondsPer([&] { window.repaint(true); });
    EXPECT_TRUE(window.lastInvalidated().empty());
    std::printf("repaint of the Audio Setup bars (400 x 72): full %.1f us, one label %.1f us, nothing dirty %.2f us\n",
                full, incremental, idle);
    EXPECT_LT(full, 50000.0);
    window.clearChildren();
  }
  resources.detach();
}

TEST(RepaintBench, DirtyRegionOfManyWidgets) {
  for (int count : {10, 100, 1000}) {
    // Widgets of 40 x 16 in rows of 25 with a one-pixel gap, as a long list of labels lies.
    Form form;
    form.setSize({25 * 41, (count / 25 + 1) * 17});
    form.layout();
    for (int i = 0; i < count; ++i) {
      ProbeWidget* w = new ProbeWidget;
      w->setId(i);
      const int32_t x = (i % 25) * 41, y = (i / 25) * 17;
      w->setRect({x, y, x + 40, y + 16});
      form.addWidget(w);
    }
    Region out;
    form.collectDirtyRegion(out);  // the first collection is the whole form
    int rectangles = 0;
    const double us = microsecondsPer([&] {
      for (Widget* w : form.widgets()) w->invalidate(0);
      out.clear();
      form.collectDirtyRegion(out);
      rectangles = int(out.rects().size());
    });
    EXPECT_EQ(rectangles, count);
    std::printf("dirty region of %4d widgets: %8.1f us (%d rectangles)\n", count, us, rectangles);
  }
}
