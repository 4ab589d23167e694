// A knob in a form window, turned with mouse messages posted to the real window: the screen shows
// the knob frame its position gives.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "NGLForm.h"
#include "NGLFormDialogHost.h"
#include "NGLFormHost.h"
#include "NGLSelector.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"
#include "support/windowCapture.h"
#include "support/windowSteps.h"
#include "uiaTestSupport.h"

namespace {

constexpr uint32_t kUnderKnob = 0xFF204060;

// How many pixels of the knob's rectangle on screen differ from frame n of the knob picture drawn
// over the selector's background colour.
int differingFromFrame(const CapturedWindow& shot, const RegionRect& r, const Picture& knob, uint32_t n) {
  Picture expected;
  expected.setSize(uint32_t(r.x2 - r.x1), uint32_t(r.y2 - r.y1), false);
  expected.fillArea(0, 0, r.x2 - r.x1, r.y2 - r.y1, kUnderKnob);
  expected.drawFrame(0, 0, knob, n, nullptr);
  int differing = 0;
  for (int y = r.y1; y < r.y2; ++y)
    for (int x = r.x1; x < r.x2; ++x)
      if ((expected.pixel(uint32_t(x - r.x1), uint32_t(y - r.y1)) & 0xFFFFFF) != shot.at(x, y)) ++differing;
  return differing;
}

}  // namespace

TEST(SelectorWindow, KnobDraggedWithTheMouseShowsItsFrame) {
  runInApplication([&](RecordingApplication&) {
    FormHostListener resources;
    ASSERT_TRUE(resources.attach(1000, 1000));
    FormDialogHost host(nullptr, nullptr, true);
    host.setOwnerData(&resources);
    FormWindow& window = *host.formWindow();
    Form* panel = addHostPanel(host, resources, {120, 100});
    Selector* knob = new Selector;
    knob->setId(1);
    knob->setRect({20, 40, 44, 64});
    knob->framesMode = 1;
    knob->steps = 100;
    knob->background().setKind(kBackgroundColour);
    knob->background().setColour(kUnderKnob);
    panel->addWidget(knob);
    knob->setKnobPictureId(1003);  // two frames of 24 x 24: the lower half of the turn, the upper
    ASSERT_NE(knob->knobPicture(), nullptr);
    const RegionRect r = knob->rect();
    ASSERT_EQ(r.x2 - r.x1, 24);

    CapturedWindow up, down;
    float topPosition = -1, bottomPosition = -1;
    uint32_t passes = 0;
    int waits = 0;
    auto waitForPass = [&] {
      if (window.passCount() == passes && ++waits < 100) {
        --g_step;
        return false;
      }
      waits = 0;
      return true;
    };
    auto inner = [&] { return host.inner().nativeHandle(); };
    g_steps = {
        [&] {
          passes = window.passCount();
          // Put the real cursor where the drag goes: taking the capture may add a move of
          // the system's own at the cursor, which then agrees with the posted one.
          POINT end{32, 20};
          ClientToScreen(inner(), &end);
          SetCursorPos(end.x, end.y);
          PostMessageA(inner(), WM_LBUTTONDOWN, MK_LBUTTON, at(32, 60));
          PostMessageA(inner(), WM_MOUSEMOVE, MK_LBUTTON, at(32, 20));  // 40 up: the whole way
          return true;
        },
        [&] {
          if (!waitForPass()) return true;
          topPosition = knob->position();
          UpdateWindow(inner());
          windowCapturePng(inner(), "ngl-knob-turned-up.png", &up);
          passes = window.passCount();
          POINT below{32, 95};
          ClientToScreen(inner(), &below);
          SetCursorPos(below.x, below.y);
          PostMessageA(inner(), WM_MOUSEMOVE, MK_LBUTTON, at(32, 95));  // down past the start
          PostMessageA(inner(), WM_LBUTTONUP, 0, at(32, 95));
          return true;
        },
        [&] {
          if (!waitForPass()) return true;
          bottomPosition = knob->position();
          UpdateWindow(inner());
          windowCapturePng(inner(), "ngl-knob-turned-down.png", &down);
          host.end();
          return false;
        },
    };
    g_step = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
    WindowSpec spec;
    spec.setTitle("Knob");
    host.run(spec, 0);
    KillTimer(nullptr, timer);

    // Turned up by most of the way (the system may add a move of its own when the mouse is
    // captured, so the exact amount is not pinned), then down past the start to 0.
    EXPECT_GT(topPosition, 0.5f);
    EXPECT_EQ(bottomPosition, 0.0f);
    EXPECT_FALSE(knob->hasMouseCapture());
    const Picture& strip = *knob->knobPicture();
    ASSERT_GE(up.width, r.x2);
    ASSERT_GE(up.height, r.y2);
    ASSERT_GE(down.height, r.y2);
    EXPECT_EQ(differingFromFrame(up, r, strip, 1), 0);
    EXPECT_GT(differingFromFrame(up, r, strip, 0), 0);
    EXPECT_EQ(differingFromFrame(down, r, strip, 0), 0);
    window.clearChildren();
    resources.detach();
  });
}
