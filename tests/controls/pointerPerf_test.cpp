// Timings of the pointer controls, printed for the record: one fader drag event with its redraw,
// filling and drawing a 131-row list with its scrollbar, and one thumb drag step over that list.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "controls/ctrlItems.h"
#include "controls/knob.h"
#include "controls/list.h"
#include "controls/scrollbar.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "uiaTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace pointerperftest {

namespace {
using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }
}  // namespace

TEST(ControlPerf, FaderDragsListsAndThumbSteps) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(31);
    openKitWindow(window, 31, 16, 320, 220);
    winShow(31, 1);
    HWND hwnd = window.nativeHandle();

    // The Effect page's level fader: flags 0x24A, skin bitmaps 1024..1027.
    knobCreateItem(31, 1, 10, 10, 0x24A, 1024, 1, nullptr, 0.0f, 0.0f);
    postPress(hwnd, 15, 18);
    const int events = 200;
    Clock::time_point t = Clock::now();
    for (int i = 0; i < events; ++i) postMove(hwnd, 20 + (i * 7) % 140, 18, true);
    double dragUs = msSince(t) * 1000.0 / events;
    postRelease(hwnd, 100, 18);
    EXPECT_GT(knobGetX(31, 1), 0.0);

    // A list of 131 rows with its bar, filled and drawn at once.
    t = Clock::now();
    WinSavedDC saved;
    winAcquireDrawContext(31, &saved);
    listCreate(31, 2, 10, 40, 0, 153, 0, 131, 0, 1648, nullptr);
    scrollbarCreate(31, 3, 0, 0, 10, scrollVerticalDrag, 2516, 1, nullptr, 0.0);
    winReleaseDrawContext(31, &saved);
    listAttachScrollbar(31, 2, 3);
    listHoldDrawing(31, 2, 1);
    char text[40];
    for (int r = 0; r < 131; ++r) {
      std::snprintf(text, sizeof(text), "%d Controller source %d", r, r);
      listSetRowText(31, 2, r, text);
    }
    double textsMs = msSince(t);
    listHoldDrawing(31, 2, 0);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    double fillMs = msSince(t);

    // Thumb drag steps over it: the bar is at x 128, its thumb at the top.
    postPress(hwnd, 133, 45);
    const int steps = 100;
    t = Clock::now();
    for (int i = 1; i <= steps; ++i) postMove(hwnd, 133, 45 + (i % 90), true);
    double stepMs = msSince(t) / steps;
    postRelease(hwnd, 133, 45);
    std::printf(
        "[perf] fader drag event with redraw: %.1f us; 131-row list with bar filled and drawn: "
        "%.2f ms (%.2f ms to create and fill); thumb drag step over it: %.3f ms\n",
        dragUs, fillMs, textsMs, stepMs);
    winCloseAll();
  });
}

}  // namespace pointerperftest
