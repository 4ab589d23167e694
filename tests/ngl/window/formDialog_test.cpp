// Form dialogs on real dialog windows under the display: the Audio Setup bars in a FormDialogHost,
// the dialog and its inner window sized to the forms, the captured pixels against the form window's
// picture, the repaint of one changed label, and what run answers for each way the dialog ends.
// The modal dialog is driven from a thread timer of this thread, which keeps running inside the
// dialog's own message loop.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "NGLForm.h"
#include "NGLFormDialogHost.h"
#include "NGLFormHost.h"
#include "NGLInit.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"
#include "support/windowCapture.h"
#include "support/windowSteps.h"
#include "uiaTestSupport.h"

namespace {

// The Audio Setup's two bars in a dialog host, on the resource set 1000/1000.
struct BarsDialog {
  BarsDialog() : host(nullptr, nullptr, true) {
    EXPECT_TRUE(resources.attach(1000, 1000));
    host.setOwnerData(&resources);
    FormWindow& window = *host.formWindow();
    window.setOwnsChildren(true);
    tabs = new Form;
    buttons = new Form;
    window.appendChildFromResource(tabs, 1007, true);
    window.appendChildFromResource(buttons, 1002, true);
  }
  ~BarsDialog() {
    host.formWindow()->clearChildren();
    resources.detach();
  }
  // Opens the dialog and runs the steps while it is up (a step answering false stops them); a
  // safety step ends the dialog when the steps did not.
  bool run(std::vector<std::function<bool()>> steps) {
    steps.push_back([this] {
      if (host.nativeHandle()) host.end();
      return false;
    });
    g_steps = std::move(steps);
    g_step = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
    WindowSpec spec;
    spec.options = UIA_DIALOG_SYSTEM_MENU;
    spec.setTitle("Audio Setup");
    const bool answer = host.run(spec, 0);
    KillTimer(nullptr, timer);
    return answer;
  }

  FormHostListener resources;
  FormDialogHost host;
  Form* tabs = nullptr;
  Form* buttons = nullptr;
};

SIZE clientSize(HWND hwnd) {
  RECT r = {};
  GetClientRect(hwnd, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace

TEST(FormDialog, ShowsTheFormsAndRepaintsOnlyTheChangedLabel) {
  runInApplication([&](RecordingApplication&) {
    BarsDialog dialog;
    FormWindow& window = *dialog.host.formWindow();
    const FormSize bounds = window.boundsOfChildren();
    EXPECT_EQ(bounds.width, 400);
    EXPECT_EQ(bounds.height, 72);
    SIZE dialogClient = {}, innerClient = {};
    RECT innerInDialog = {};
    CapturedWindow before, after;
    std::vector<RegionRect> invalidated;
    uint32_t passes = 0;
    int attempts = 0;
    Switch* label = static_cast<Switch*>(dialog.tabs->findWidget(103));
    ASSERT_NE(label, nullptr);
    const bool answer = dialog.run({
        [&] {
          HWND inner = dialog.host.inner().nativeHandle();
          dialogClient = clientSize(dialog.host.nativeHandle());
          innerClient = clientSize(inner);
          GetWindowRect(inner, &innerInDialog);
          MapWindowPoints(nullptr, dialog.host.nativeHandle(), reinterpret_cast<POINT*>(&innerInDialog), 2);
          UpdateWindow(inner);
          windowCapturePng(inner, "ngl-audio-setup-bars.png", &before);
          return true;
        },
        [&] {
          // One label changes; the next tick repaints it alone.
          setSwitchText(label, "Routes");
          passes = window.passCount();
          return true;
        },
        [&] {
          // Wait (a beat at a time) for the next tick's pass that repaints something (on a busy
          // machine a pass may come first that finds nothing to repaint).
          if ((window.passCount() == passes || window.lastInvalidated().empty()) && ++attempts < 100) {
            --g_step;
            return true;
          }
          invalidated = window.lastInvalidated();
          UpdateWindow(dialog.host.inner().nativeHandle());
          windowCapturePng(dialog.host.inner().nativeHandle(), "ngl-audio-setup-bars-changed.png", &after);
          return true;
        },
    });
    EXPECT_FALSE(answer);  // ended by the safety step without a result word
    EXPECT_EQ(dialogClient.cx, 400);
    EXPECT_EQ(dialogClient.cy, 72);
    EXPECT_EQ(innerClient.cx, 400);
    EXPECT_EQ(innerClient.cy, 72);
    EXPECT_EQ(innerInDialog.left, 0);
    EXPECT_EQ(innerInDialog.top, 0);
    // The screen shows the picture, pixel for pixel.
    ASSERT_EQ(before.width, 400);
    ASSERT_EQ(before.height, 72);
    ASSERT_EQ(after.width, 400);
    const Picture& picture = window.picture();
    int differing = 0;
    for (int y = 0; y < after.height; ++y)
      for (int x = 0; x < after.width; ++x)
        if ((picture.pixel(uint32_t(x), uint32_t(y)) & 0xFFFFFF) != after.at(x, y)) ++differing;
    EXPECT_EQ(differing, 0);
    // Only the label's rectangle was repainted and invalidated, and only its pixels changed.
    ASSERT_EQ(invalidated.size(), 1u);
    const RegionRect r = label->rect();
    EXPECT_EQ(invalidated[0].x1, r.x1);
    EXPECT_EQ(invalidated[0].y1, r.y1);
    EXPECT_EQ(invalidated[0].x2, r.x2);
    EXPECT_EQ(invalidated[0].y2, r.y2);
    int changedInside = 0, changedOutside = 0;
    for (int y = 0; y < before.height; ++y)
      for (int x = 0; x < before.width; ++x)
        if (before.at(x, y) != after.at(x, y)) {
          const bool inside = x >= r.x1 && x < r.x2 && y >= r.y1 && y < r.y2;
          ++(inside ? changedInside : changedOutside);
        }
    EXPECT_GT(changedInside, 0);
    EXPECT_EQ(changedOutside, 0);
  });
}

TEST(FormDialog, RunAnswersTrueOnlyForResultOne) {
  runInApplication([&](RecordingApplication&) {
    struct Case {
      const char* how;
      std::function<void(FormDialogHost&)> end;
      bool expected;
    };
    const Case cases[] = {
        {"OK",
         [](FormDialogHost& h) {
           h.result = 1;
           h.end();
         },
         true},
        {"Cancel",
         [](FormDialogHost& h) {
           h.result = 0;
           h.end();
         },
         false},
        {"Esc",
         [](FormDialogHost& h) {
           PostMessageA(h.nativeHandle(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
           PostMessageA(h.nativeHandle(), WM_KEYUP, VK_ESCAPE, 0xC0010001);
         },
         false},
        {"close box", [](FormDialogHost& h) { PostMessageA(h.nativeHandle(), WM_SYSCOMMAND, SC_CLOSE, 0); }, false},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.how);
      BarsDialog dialog;
      // A dialog that ended returns from run before the next beat.
      bool stayedOpen = false;
      const bool answer = dialog.run({
          [&] {
            c.end(dialog.host);
            return true;
          },
          [&] {
            stayedOpen = dialog.host.nativeHandle() != nullptr;
            return true;
          },
      });
      EXPECT_FALSE(stayedOpen);
      EXPECT_EQ(answer, c.expected);
    }
  });
}

TEST(FormDialog, ADescriptionWithItsOwnSizeKeepsIt) {
  runInApplication([&](RecordingApplication&) {
    BarsDialog dialog;
    SIZE inner = {};
    g_steps = {[&] {
      inner = clientSize(dialog.host.inner().nativeHandle());
      dialog.host.end();
      return false;
    }};
    g_step = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
    WindowSpec spec;
    spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_CLIENT_SIZE;
    spec.rect = RECT{0, 0, 600, 300};
    spec.setTitle("Sized");
    dialog.host.run(spec, 0);
    KillTimer(nullptr, timer);
    // The dialog keeps the description's size (as far as dialog units allow); the inner window
    // still covers exactly the forms.
    EXPECT_EQ(inner.cx, 400);
    EXPECT_EQ(inner.cy, 72);
  });
}
