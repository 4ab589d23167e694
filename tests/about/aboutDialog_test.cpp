// The About box on real dialog windows under the display, with the program's own resources: opened
// as from the menu it stays until its close button is clicked, as the start-up splash it closes
// itself once 4 seconds have passed (a test clock stands in for the counter), a button of the action
// range other than the close button changes nothing, and forms without the required widgets end a
// child process with the fatal error. The modal loops are driven from a thread timer of this thread.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "NGLContainerForm.h"
#include "NGLFormHost.h"
#include "NGLFormWindow.h"
#include "NGLInit.h"
#include "NGLLabel.h"
#include "NGLSwitch.h"
#include "about/aboutDialog.h"
#include "aboutBoxTestSupport.h"
#include "app/aboutBox.h"
#include "gpChild.h"
#include "nglTestSupport.h"
#include "support/windowCapture.h"
#include "support/windowSteps.h"
#include "uiaTestSupport.h"

namespace {

class AboutEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    startLibraries();
    ASSERT_TRUE(nglInit(NGL_VERSION, NGL_BUILD));
    registerSwitch();
    registerLabel();
    aboutRegisterContent();
  }
};
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new AboutEnvironment);

// The clock of the automatic close: milliseconds as the test sets them.
std::int64_t g_millis = 0;
std::int64_t testMillis(std::int64_t, std::int64_t) { return g_millis; }

struct TestClock {
  TestClock() {
    g_millis = 0;
    aboutSetMillisFunction(testMillis);
  }
  ~TestClock() { aboutSetMillisFunction(nullptr); }
};
// The inner window that shows the forms (the dialog's one child).
HWND innerOf(HWND dialog) { return dialog ? FindWindowExA(dialog, nullptr, nullptr, nullptr) : nullptr; }

// Runs `open` (which returns once the box has closed) with the steps beating every 15 ms inside its
// loop; a last step closes a box the steps left open, and `forced` tells whether it had to.
void runSteps(std::vector<std::function<bool()>> steps, const std::function<void()>& open, bool* forced) {
  *forced = false;
  steps.push_back([forced] {
    if (HWND box = findAboutBox()) {
      *forced = true;
      PostMessageA(box, WM_CLOSE, 0, 0);
    }
    return false;
  });
  g_steps = std::move(steps);
  g_step = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
  open();
  KillTimer(nullptr, timer);
}

// A step that waits (a beat at a time, at most `beats`) until `done` holds.
std::function<bool()> waitFor(std::function<bool()> done, int beats = 200) {
  auto left = std::make_shared<int>(beats);
  return [done, left] {
    if (!done() && --*left > 0) --g_step;
    return true;
  };
}

// A step that lets `beats` beats pass (the form's ticks run meanwhile).
std::function<bool()> wait(int beats) {
  auto left = std::make_shared<int>(beats);
  return [left] {
    if (--*left > 0) --g_step;
    return true;
  };
}

// Runs the dialog as the program's box runs it (with the box's title), until it has closed.
void runAsBox(AboutDialog& dialog) {
  WindowSpec spec;
  spec.flags = UIA_SPEC_BACKGROUND | UIA_SPEC_PARENT;
  spec.options = 32;
  spec.setTitle(appAboutTitle);
  dialog.run(spec, 0);
}

// How many pixels of the rectangle have exactly that colour.
int countColour(const CapturedWindow& image, int x1, int y1, int x2, int y2, std::uint32_t colour) {
  int n = 0;
  for (int y = y1; y < y2 && y < image.height; ++y)
    for (int x = x1; x < x2 && x < image.width; ++x) n += image.at(x, y) == colour ? 1 : 0;
  return n;
}

// Rows of the rectangle that hold at least one pixel darker than the background's 0xB0 grey
// (text ink): how tall the text of a band is.
int inkRows(const CapturedWindow& image, int x1, int y1, int x2, int y2) {
  int rows = 0;
  for (int y = y1; y < y2; ++y) {
    bool ink = false;
    for (int x = x1; x < x2 && !ink; ++x) ink = (image.at(x, y) & 0xFF) < 0x60;
    rows += ink ? 1 : 0;
  }
  return rows;
}

}  // namespace

TEST(AboutBox, FromTheMenuItStaysOpenUntilTheCloseButtonIsClicked) {
  runInApplication([&](RecordingApplication&) {
    TestClock clock;
    const RegionRect ok = aboutCloseButtonRect();
    ASSERT_GT(ok.x2, ok.x1);
    HWND box = nullptr;
    CapturedWindow shot;
    bool openAfterAMinute = false, forced = false, clicked = false;
    runSteps(
        {
            waitFor([&] { return (box = findAboutBox()) != nullptr; }),
            wait(4),
            [&] {
              UpdateWindow(innerOf(box));
              windowCapturePng(innerOf(box), "about-box.png", &shot);
              g_millis = 60000;  // a minute later
              return true;
            },
            wait(10),
            [&] {
              openAfterAMinute = findAboutBox() == box;
              clickAt(innerOf(box), (ok.x1 + ok.x2) / 2, (ok.y1 + ok.y2) / 2);
              clicked = true;
              return true;
            },
            // The click ends the loop: no beat comes after it unless the box stays.
            wait(100),
        },
        [] { appShowAbout(0); }, &forced);
    EXPECT_TRUE(openAfterAMinute) << "no automatic close from the menu";
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(forced) << "the click closed the box";

    // The box shows the whole form: the title page on its light field, the credits on the panel and
    // the button; the title's ink is the accent colour, the texts are dark on their backgrounds.
    ASSERT_EQ(shot.width, 360);
    ASSERT_EQ(shot.height, 246);
    EXPECT_GT(countColour(shot, 0, 0, 360, 150, 0xF4F4F0), 360 * 150 / 2) << "the title page's field";
    EXPECT_GT(countColour(shot, 100, 20, 260, 60, 0x2F6FB8), 100) << "the title in the accent colour";
    EXPECT_GE(inkRows(shot, 0, 60, 360, 140), 24) << "three lines of text below the title";
    EXPECT_GE(inkRows(shot, 0, 155, 360, 208), 16) << "two lines of credits";
    EXPECT_GE(inkRows(shot, ok.x1 + 4, ok.y1 + 4, ok.x2 - 4, ok.y2 - 4), 6) << "the button's caption";
  });
}

TEST(AboutBox, AsTheSplashItClosesItselfOnceFourSecondsHavePassed) {
  runInApplication([&](RecordingApplication&) {
    TestClock clock;
    HWND box = nullptr;
    bool openAtTheLimit = false, forced = false;
    int beatsToClose = 0;
    runSteps(
        {
            waitFor([&] { return (box = findAboutBox()) != nullptr; }),
            [&] {
              g_millis = 4000;  // not yet: the time must be exceeded
              return true;
            },
            wait(10),
            [&] {
              openAtTheLimit = findAboutBox() == box;
              g_millis = 4001;
              return true;
            },
            waitFor([&] {
              ++beatsToClose;
              return findAboutBox() == nullptr;
            }),
        },
        [] { appRunAboutBox(0, 4); }, &forced);
    EXPECT_TRUE(openAtTheLimit);
    EXPECT_FALSE(forced) << "the splash closed itself";
    EXPECT_LE(beatsToClose, 20) << "on one of the next form messages";
  });
}

// Form messages before the dialog's window exists cannot end it: the splash whose time ran out
// meanwhile still closes itself once it is up, instead of staying for good.
TEST(AboutBox, ASplashWhoseTimeRanOutBeforeItOpenedStillClosesItself) {
  runInApplication([&](RecordingApplication&) {
    TestClock clock;
    FormHostListener resources;
    ASSERT_TRUE(resources.attach(kAboutMapId, kAboutMapId));
    {
      AboutDialog dialog(nullptr, &resources, nullptr);
      dialog.setAutoClose(4);
      g_millis = 10000;
      dialog.form().sendEvent(UIA_EVENT_TIMER, nullptr);
      EXPECT_FALSE(dialog.closed());
      bool forced = false;
      runSteps(
          {wait(100)}, [&] { runAsBox(dialog); }, &forced);
      EXPECT_FALSE(forced) << "it closed itself";
      EXPECT_TRUE(dialog.closed());
    }
    resources.detach();
  });
}

TEST(AboutBox, AnotherActionOfTheRangeChangesNothing) {
  runInApplication([&](RecordingApplication&) {
    FormHostListener resources;
    ASSERT_TRUE(resources.attach(kAboutMapId, kAboutMapId));
    {
      AboutDialog dialog(nullptr, &resources, nullptr);
      ASSERT_TRUE(dialog.formLoaded());
      EXPECT_EQ(dialog.page(), kAboutTitlePageId);
      // The close button answers as widget 19500: a real click on it is an action of the range.
      Switch* button = dynamic_cast<Switch*>(dialog.form().findWidget(kAboutCloseWidget));
      ASSERT_NE(button, nullptr);
      button->setId(19500);
      const RegionRect r = button->rect();
      CapturedWindow before, after;
      bool openAfterClick = false, forced = false;
      runSteps(
          {
              waitFor([&] { return findAboutBox() != nullptr; }),
              wait(4),
              [&] {
                UpdateWindow(innerOf(findAboutBox()));
                windowCapture(innerOf(findAboutBox()), before);
                clickAt(innerOf(findAboutBox()), (r.x1 + r.x2) / 2, (r.y1 + r.y2) / 2);
                return true;
              },
              wait(10),
              [&] {
                openAfterClick = findAboutBox() != nullptr;
                UpdateWindow(innerOf(findAboutBox()));
                windowCapture(innerOf(findAboutBox()), after);
                return true;
              },
          },
          [&] { runAsBox(dialog); }, &forced);
      EXPECT_TRUE(openAfterClick);
      EXPECT_TRUE(forced) << "only the test's own close ended it";
      EXPECT_FALSE(dialog.closed());
      EXPECT_EQ(dialog.page(), kAboutTitlePageId);
      ASSERT_EQ(before.pixels.size(), after.pixels.size());
      EXPECT_TRUE(before.pixels == after.pixels) << "the box looks as before the click";

      // The action range and the action code, at their edges.
      struct Case {
        std::int32_t id, code;
        bool handled, closes;
      };
      const Case cases[] = {
          {18999, kAboutWidgetAction, false, false}, {20000, kAboutWidgetAction, false, false},
          {19999, kAboutWidgetAction, true, false},  {19000, NGL_NOTIFY_VALUE, false, false},
          {19000, kAboutWidgetAction, true, true},
      };
      for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " " + std::to_string(c.code));
        EXPECT_EQ(dialog.onAction(c.id, c.code, nullptr), c.handled);
        EXPECT_EQ(dialog.closed(), c.closes);
      }
    }
    resources.detach();
  });
}

// ---- malformed forms, in child processes ----

namespace {

// The real resources, with the About form replaced by hand-made data.
class TestForms : public FormHostListener {
 public:
  BinaryStream* openResource(int32_t id, const char* type) override {
    auto found = forms.find(id);
    if (std::string(type) == "FRM" && found != forms.end()) return new VectorStream(found->second);
    return FormHostListener::openResource(id, type);
  }
  std::map<int32_t, std::vector<uint8_t>> forms;
};

struct SubFormEntry {
  std::uint32_t id;
  const char* className;
  std::uint32_t formId;
};

// An About form of the given sub-forms (no other widgets).
std::vector<uint8_t> aboutForm(const std::vector<SubFormEntry>& entries) {
  Bytes b;
  b.u32(4).fill(1, 0xFFB0B0B0, 0).u32(360).u32(246).u32(static_cast<std::uint32_t>(entries.size()));
  int top = 0;
  for (const SubFormEntry& e : entries) {
    b.u32(1).u32(e.id).str(e.className).str("");
    b.record6(0, top, 360, top + 60, 1, 0, 3).u32(1).str("").u32(e.formId);
    top += 60;
  }
  return b.data;
}

void openMalformed(const std::vector<SubFormEntry>& entries) {
  TestForms resources;
  resources.attach(kAboutMapId, kAboutMapId);
  resources.forms[kAboutFormId] = aboutForm(entries);
  AboutDialog dialog(nullptr, &resources, nullptr);
  childNote("no fatal error");
}

}  // namespace

CHILD_SCENARIO(aboutNoWidgets) { openMalformed({}); }
CHILD_SCENARIO(aboutPlainFirst) { openMalformed({{1, "SubForm", 0}, {9, "SubForm", 10102}}); }
CHILD_SCENARIO(aboutNoNinth) { openMalformed({{1, "AboutContentSubForm", 0}}); }
CHILD_SCENARIO(aboutContentAsNinth) {
  openMalformed({{1, "AboutContentSubForm", 0}, {9, "AboutContentSubForm", 10102}});
}
CHILD_SCENARIO(aboutWellFormed) { openMalformed({{1, "AboutContentSubForm", 0}, {9, "SubForm", 10102}}); }

TEST(AboutBox, AFormWithoutItsRequiredWidgetsEndsTheProcessWithTheFatalError) {
  struct Case {
    const char* scenario;
    int line;  // 0: no fatal error
  };
  const Case cases[] = {
      {"aboutNoWidgets", 312},      {"aboutPlainFirst", 312}, {"aboutNoNinth", 315},
      {"aboutContentAsNinth", 315}, {"aboutWellFormed", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    const ChildResult run = runChild(c.scenario);
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    if (c.line == 0) {
      EXPECT_EQ(run.exitCode, 0u);
      EXPECT_TRUE(run.boxes.empty());
      ASSERT_FALSE(run.notes.empty());
      EXPECT_EQ(run.notes.front(), "no fatal error");
      continue;
    }
    EXPECT_EQ(run.exitCode, 1u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, "Error source\\about\\AboutDialog:" + std::to_string(c.line));
    EXPECT_TRUE(run.notes.empty()) << "the process ended in the check";
  }
}
