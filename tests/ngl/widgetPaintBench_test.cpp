// How long painting a form of 64 knobs, sliders and buttons takes, whole: far below the 50 ms tick.
#include <gtest/gtest.h>

#include <cstdio>

#include "GPRegion.h"
#include "GPTimer.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLSelector.h"
#include "NGLSwitch.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"
#include "support/pngWrite.h"
#include "support/tempDir.h"

TEST(WidgetPaintBench, SixtyFourSelectorsAndSwitches) {
  FormHostListener resources;
  ASSERT_TRUE(resources.attach(1000, 1000));
  {
    Form form;
    form.setProvider(&resources);
    form.setSize({512, 256});
    form.layout();
    for (int i = 0; i < 64; ++i) {
      const int32_t x = (i % 16) * 32, y = (i / 16) * 64;
      if (i % 2 == 0) {
        Selector* s = new Selector;
        s->setId(i + 1);
        s->setRect({x + 2, y + 2, x + 30, y + 62});
        s->framesMode = uint8_t(i % 4 == 0);
        s->steps = 100;
        s->setPosition(float(i) / 64.0f);
        form.addWidget(s);
        s->setKnobPictureId(1003);
      } else {
        Switch* s = new Switch;
        s->setId(i + 1);
        s->setRect({x + 2, y + 2, x + 30, y + 26});
        form.addWidget(s);
        s->setBackgroundKind(kBackgroundFrame);
        s->setBackgroundPictureId(1003);
        s->setState(uint32_t(i % 3 == 0));
      }
    }
    Picture picture;
    picture.setSize(512, 256, false);
    Region all;
    all.setRect(0, 0, 512, 256);
    const double frequency = double(gpCounterFrequency());
    form.paint(picture, all);
    const int runs = 50;
    const int64_t start = gpReadCounter();
    for (int i = 0; i < runs; ++i) form.paint(picture, all);
    const double ms = double(gpReadCounter() - start) / frequency * 1e3 / runs;
    std::printf("paint of 64 selectors and switches: %.3f ms\n", ms);
    EXPECT_LT(ms, 50.0);
    EXPECT_TRUE(pngWrite(testArtifactPath("ngl_widget_grid.png"), picture.pixels(), 512, 256));
    form.clear();
  }
  resources.detach();
}
