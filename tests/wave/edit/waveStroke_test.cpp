// Drawing into the waveform display with real mouse messages: the three tools against their formulas,
// a stroke moved back and forth, strokes dragged outside the display and the window, the wave undo of
// a stroke (and that choosing another wave ends it), the level and offset knobs with their undo, the
// read-outs, and the time one stroke step takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "../waveRig.h"
#include "controls/display.h"
#include "controls/knob.h"
#include "preset/oscParams.h"
#include "support/signal.h"
#include "support/threadTime.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

using namespace waverig;

namespace {

const int16_t kWin = kPageWin;

float clampUnit(double v) { return static_cast<float>(v < -1 ? -1 : v > 1 ? 1 : v); }

// The wave a stroke step gives, written here independently of the page: tools 9 and 10 join the
// anchor's sample p to v (limited to -1..1) at n with a straight line or a half cosine; tool 11 adds
// a half-sine bump between the markers a and b, peaking at n (kept inside a + 1 .. b - 1) with the
// height v - base, v itself not limited; every written sample is limited to -1..1.
std::vector<float> expectedStroke(int tool, const std::vector<float>& src, int p, int n, double v, double base, int a,
                                  int b) {
  std::vector<float> t = src;
  if (tool == 9 || tool == 10) {
    v = clampUnit(v);
    if (n == p) {
      t[n] = static_cast<float>(v);
      return t;
    }
    const int steps = std::abs(n - p), dir = n > p ? 1 : -1;
    for (int k = 0; k <= steps; ++k) {
      const double f = tool == 9 ? double(k) / steps : (std::cos(kPi + kPi * k / steps) + 1) * 0.5;
      t[p + dir * k] = clampUnit(src[p] + f * (v - src[p]));
    }
    return t;
  }
  const int c = n < a + 1 ? a + 1 : n > b - 1 ? b - 1 : n;
  const double h = (v - base) * 0.5;
  for (int i = a; i <= b; ++i) {
    const double phi = i <= c ? kPi / 2 + kPi * (i - a) / (c - a) : 1.5 * kPi + kPi * (i - c) / (b - c);
    t[i] = clampUnit(src[i] + h * (1 - std::sin(phi)));
  }
  return t;
}

std::string text(uint16_t id) {
  wavePageSelectPane(kWin);
  char buffer[64] = {};
  displayGetText(kWin, id, buffer, sizeof buffer);
  return buffer;
}

}  // namespace

// One table over the three tools: each stroke is pressed, moved to A, back to B and to A again, and
// released at A; the wave equals the formulas for A (never an accumulation), Undo restores the wave
// exactly and the next Undo applies the stroke again.
TEST(WaveStroke, TheThreeToolsFollowTheirFormulasAndUndoToggles) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    const std::vector<float> original = sine(0.5, 2);
    page.edit(original);
    const CtrlRect r = page.rect(waveItemDisplay);
    const struct {
      uint16_t tool;
      int pressX, pressY, ax, ay, bx, by;
    } cases[] = {
        {waveItemToolLine, 200, 60, 400, 40, 100, 200},  // n > p
        {waveItemToolLine, 200, 60, 50, 230, 500, 20},   // n < p
        {waveItemToolCosine, 150, 129, 330, 10, 20, 240},
        {waveItemToolCosine, 150, 129, 150, 30, 300, 200},  // n = p
        {waveItemToolHalfSine, 256, 129, 256, 30, 100, 220},
        {waveItemToolHalfSine, 256, 129, 20, 220, 500, 30},  // peak clamped to a + 1
        // 128 pixels above the display: v = 2, a bump of height 2 cut flat at +1.
        {waveItemToolHalfSine, 256, 129, 256, -128, 100, 220},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.tool);
      SCOPED_TRACE(c.ax);
      page.setCurrent(original);
      page.click(c.tool);
      waveDisplaySetPosition(kWin, 300);
      WaveDisplayState* s = waveDisplayState();
      s->rangeStart = 256;
      s->rangeEnd = 768;
      const int p = s->position;
      page.press(r.left + c.pressX, r.top + c.pressY);
      EXPECT_EQ(undoGetKind(), undoKindWaveform);
      page.drag(r.left + c.ax, r.top + c.ay);
      page.drag(r.left + c.bx, r.top + c.by);
      page.drag(r.left + c.ax, r.top + c.ay);
      const int n = waveDisplayIndexAt(r.left + c.ax, r.left, r.right);
      const double v = waveDisplayValueAt(r.top + c.ay, r.top);
      const double base = waveDisplayValueAt(r.top + c.pressY, r.top);
      const std::vector<float> want = expectedStroke(c.tool, original, p, n, v, base, 256, 768);
      EXPECT_LT(maxDiff(page.current(), want), 1e-5);
      page.release(r.left + c.ax, r.top + c.ay);
      const std::vector<float> stroke = page.current();
      EXPECT_LT(maxDiff(stroke, want), 1e-5);
      if (c.ay < 0) {
        EXPECT_GT(std::count(stroke.begin(), stroke.end(), 1.0f), 100) << "a plateau at +1, not a bump";
      }
      if (c.tool != waveItemToolHalfSine) {
        EXPECT_EQ(waveDisplayGetPosition(), n) << "the next stroke starts here";
      }
      undoRedo(kWin);
      EXPECT_LT(maxDiff(page.current(), original), 1e-7);
      undoRedo(kWin);
      EXPECT_LT(maxDiff(page.current(), stroke), 1e-7);
    }
    // A wave changed behind the editor's back (another preset loaded into the engine) keeps the
    // pending undo from writing an old wave into it.
    page.setCurrent(original);
    waveEditNormalizeCurrent(kWin);
    const std::vector<float> loaded = square(0.3);
    std::memcpy(engineLocalWave(page.engine(), 0)->samples, loaded.data(), sizeof(float) * waveLength);
    undoRedo(kWin);
    EXPECT_EQ(page.current(), loaded);
    // Another wave chosen: Undo is over for both waves.
    const int16_t other = makeWave(page.engine(), square());
    page.refresh();
    const std::vector<float> before = page.current();
    waveSelectorChosen(page.item(waveItemSelector), 0, static_cast<int16_t>(other + 1));
    EXPECT_EQ(undoGetKind(), undoKindNone);
    undoRedo(kWin);
    EXPECT_EQ(page.current(), samplesOf(page.engine(), other));
    EXPECT_EQ(samplesOf(page.engine(), 0), before);
  });
}

// Strokes dragged far outside the display and the window end on the first or last sample with
// values within -1..1, never a non-finite one.
TEST(WaveStroke, StrokesOutsideTheDisplayAndWindowStayInside) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    page.edit(sine(0.7));
    const CtrlRect r = page.rect(waveItemDisplay);
    page.click(waveItemToolLine);
    waveDisplaySetPosition(kWin, 512);
    page.press(r.left + 256, r.top + 100);
    page.drag(r.right + 300, r.top - 400);
    {
      // While the mouse is right of the display, a line across it marks the last sample's row.
      CapturedWindow shown;
      ASSERT_TRUE(captureShown(page.hwnd(), shown, "wave-stroke-outside.png"));
      int marked = 0;
      for (int x = r.left; x < r.right; ++x) marked += shown.at(page.cx(x), page.cy(r.top)) == 0x313100u;
      EXPECT_GT(marked, 400);
    }
    page.release(r.right + 300, r.top - 400);
    EXPECT_EQ(waveDisplayGetPosition(), 1023);
    std::vector<float> w = page.current();
    EXPECT_FLOAT_EQ(w[1023], 1.0f);
    EXPECT_TRUE(allFinite(w));
    page.press(r.left + 256, r.top + 100);
    page.drag(-3000, 3000);
    page.release(-3000, 3000);
    EXPECT_EQ(waveDisplayGetPosition(), 0);
    w = page.current();
    EXPECT_FLOAT_EQ(w[0], -1.0f);
    EXPECT_TRUE(allFinite(w));
    EXPECT_LE(peakOf(w), 1.0f);
    page.click(waveItemToolHalfSine);
    page.press(r.left + 256, r.top + 129);
    page.drag(r.left - 500, r.bottom + 900);
    page.release(r.left - 500, r.bottom + 900);
    w = page.current();
    EXPECT_TRUE(allFinite(w));
    EXPECT_LE(peakOf(w), 1.0f);
  });
}

// The level knob at 0.5 scales the wave to peak 0.5 and reads "-6.0 dB"; a real drag of it is one
// undo step that restores the wave as it was before the drag; a double click on the offset knob
// centres a wave that lies between 0 and 1.
TEST(WaveStroke, TheKnobsScaleAndCentreTheWaveAsUndoSteps) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    const std::vector<float> original = sine(0.9);
    page.edit(original);
    ControlItem* level = page.item(waveItemLevelKnob);
    waveEditLevelKnob(level, 0.5, 0);
    EXPECT_NEAR(peakOf(page.current()), 0.5, 1e-6);
    EXPECT_EQ(text(waveItemLevelText), "-6.0 dB");
    EXPECT_NEAR(knobGetValue(kWin, waveItemLevelKnob), 0.5, 1e-6);
    undoRedo(kWin);
    EXPECT_LT(maxDiff(page.current(), original), 1e-7);
    // A real drag on the handle, leftwards: the wave shrinks; Undo gives the wave before the drag.
    const CtrlRect k = page.rect(waveItemLevelKnob);
    const int y = (k.top + k.bottom) / 2;
    const int hx = k.left + static_cast<int>((k.right - k.left) * 0.9);
    page.press(hx, y);
    for (int x = hx; x > k.left + 20; x -= 10) page.drag(x, y);
    page.release(k.left + 20, y);
    EXPECT_LT(peakOf(page.current()), 0.8f);
    EXPECT_EQ(undoGetKind(), undoKindWaveform);
    undoRedo(kWin);
    EXPECT_LT(maxDiff(page.current(), original), 1e-7);

    // Offset: a wave from 0 to 1 reads 0.50; a double click centres it.
    page.setCurrent(shape([](int i) { return 0.5 + 0.5 * std::sin(2 * kPi * i / waveLength); }));
    EXPECT_EQ(text(waveItemOffsetText), "0.50");
    EXPECT_NEAR(waveEditBuffers()->waveOffset, 0.5, 1e-3);
    EXPECT_NEAR(waveEditBuffers()->offsetRoomUp, 0.0, 1e-3);
    const CtrlRect o = page.rect(waveItemOffsetKnob);
    const int ox = (o.left + o.right) / 2 + 30, oy = (o.top + o.bottom) / 2;
    g_testTick += 1000;
    postPress(page.hwnd(), page.cx(ox), page.cy(oy));
    postRelease(page.hwnd(), page.cx(ox), page.cy(oy));
    drainMessages();
    g_testTick += 100;
    postPress(page.hwnd(), page.cx(ox), page.cy(oy));
    postRelease(page.hwnd(), page.cx(ox), page.cy(oy));
    drainMessages();
    const std::vector<float> centred = page.current();
    float lo = 1, hi = -1;
    for (float v : centred) lo = std::fmin(lo, v), hi = std::fmax(hi, v);
    EXPECT_NEAR(lo, -0.5f, 2e-3);
    EXPECT_NEAR(hi, 0.5f, 2e-3);
    EXPECT_EQ(text(waveItemOffsetText), "0.00");

    // A level or an offset that rounds to zero reads without a minus sign, as the others do.
    for (double peak : {0.9995, 1.0}) {
      waveEditLevelKnob(level, peak, 0);
      EXPECT_EQ(text(waveItemLevelText), "0.0 dB") << peak;
    }
    page.setCurrent(shape([](int i) { return -0.002 + 0.5 * std::sin(2 * kPi * i / waveLength); }));
    EXPECT_EQ(text(waveItemOffsetText), "0.00");
  });
}

// A silent wave stays silent under the level knob, set without a press or dragged for real, whether
// its samples are zeros or the traces the denormal guard leaves on every copy; the level reads the
// lower limit.
TEST(WaveStroke, TheLevelKnobLeavesASilentWaveSilent) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    page.edit(sine(0.9));
    const struct {
      const char* name;
      float sample;
      bool drag;
    } cases[] = {
        {"zeros, knob set", 0.0f, false},
        {"zeros, knob dragged", 0.0f, true},
        {"guard traces, knob set", 3e-24f, false},
        {"guard traces, knob dragged", 3e-24f, true},
    };
    const CtrlRect k = page.rect(waveItemLevelKnob);
    const int y = (k.top + k.bottom) / 2;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      const std::vector<float> silent(waveLength, c.sample);
      page.setCurrent(silent);
      if (c.drag) {
        page.press(k.left + 10, y);
        for (int x = k.left + 10; x < k.right - 20; x += 10) page.drag(x, y);
        page.release(k.right - 20, y);
      } else {
        waveEditLevelKnob(page.item(waveItemLevelKnob), 0.5, 0);
      }
      EXPECT_LE(peakOf(page.current()), 1e-20f);
      EXPECT_EQ(text(waveItemLevelText), "-96.0 dB");
    }
  });
}

// A knob drag cut short (the window loses the activation before the release) ends its gesture as the
// release would: the oscillators play the new level at once, and Undo and Redo step between the wave
// before and after the drag.
TEST(WaveStroke, AKnobDragCutShortEndsItsGesture) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    Engine* e = page.engine();
    const std::vector<float> original = sine(0.9);
    const int16_t index = page.edit(original);
    oscSetOn(e, 0, 1);
    oscSetType(e, 0, 0);
    oscSetBandLimited(e, 0, 1);
    oscSetWaveA(e, 0, static_cast<int16_t>(waveLocalIdBase + index));
    engineApplyPatchChange(e, 1);
    renderHeldNote(e, 40, true);
    // A gesture of its own first, so that the redo copy holds another wave.
    waveEditLevelKnob(page.item(waveItemLevelKnob), 0.5, 0);
    page.setCurrent(original);
    waveEditNotify(kWin);
    const double before = signalRms(renderHeldNote(e, 40, false));
    ASSERT_GT(before, 0.001);

    const CtrlRect k = page.rect(waveItemLevelKnob);
    const int y = (k.top + k.bottom) / 2;
    const int hx = k.left + static_cast<int>((k.right - k.left) * 0.9);
    page.press(hx, y);
    for (int x = hx; x > k.left + 40; x -= 10) page.drag(x, y);
    const std::vector<float> dragged = page.current();
    const float level = peakOf(dragged);
    ASSERT_LT(level, 0.7f);
    page.window.passActivation = true;
    SendMessageA(page.hwnd(), WM_ACTIVATE, WA_INACTIVE, 0);
    page.window.passActivation = false;
    // The note's envelope may move on a little: the level is judged nearer the new peak than the old.
    const double after = signalRms(renderHeldNote(e, 40, false));
    EXPECT_LT(after / before, 0.5 * (1.0 + level / 0.9)) << "the tables were rebuilt when the drag ended";
    EXPECT_EQ(page.current(), dragged);
    undoRedo(kWin);
    EXPECT_LT(maxDiff(page.current(), original), 1e-7);
    undoRedo(kWin);
    EXPECT_LT(maxDiff(page.current(), dragged), 1e-7) << "Redo gives the wave the drag left";
    page.release(k.left + 40, y);  // the release, late: nothing more happens
    EXPECT_LT(maxDiff(page.current(), dragged), 1e-7);
  });
}

// The read-outs follow the mouse over the display and empty when it leaves.
TEST(WaveStroke, TheReadoutsFollowTheMouseOverTheDisplay) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    page.edit(sine());
    const CtrlRect r = page.rect(waveItemDisplay);
    page.hover(r.left + 128, r.bottom - 64);
    waveEditMouseReadout(kWin);
    EXPECT_EQ(text(waveItemReadoutH), "h = 0.2500");
    EXPECT_EQ(text(waveItemReadoutV), "v = -0.5000");
    EXPECT_EQ(text(waveItemReadoutExtra), "");
    page.hover(r.left + 512, r.top);
    waveEditMouseReadout(kWin);
    EXPECT_EQ(text(waveItemReadoutH), "h = 1.0000");
    EXPECT_EQ(text(waveItemReadoutV), "v = 1.0000");
    InvalidateRect(page.hwnd(), nullptr, FALSE);
    UpdateWindow(page.hwnd());
    drainMessages();
    CapturedWindow shot;
    EXPECT_FALSE(windowCapturePng(page.hwnd(), "wave-readouts.png", &shot).empty());
    page.hover(r.right + 40, r.top - 30);
    waveEditMouseReadout(kWin);
    EXPECT_EQ(text(waveItemReadoutH), "");
    EXPECT_EQ(text(waveItemReadoutV), "");
  });
}

// One stroke step under Wine (a posted mouse move: the tool over 1024 samples, the tables of the
// channels that play the wave rebuilt, the display redrawn), and the rebuild alone.
TEST(WaveStroke, AStrokeStepIsQuick) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    Engine* e = page.engine();
    const int16_t index = page.edit(sine());
    for (int16_t c = 0; c < 3; ++c) {
      oscSetOn(e, c, 1);
      oscSetBandLimited(e, c, 1);
      oscSetWaveA(e, c, static_cast<int16_t>(waveLocalIdBase + index));
    }
    const CtrlRect r = page.rect(waveItemDisplay);
    page.click(waveItemToolCosine);
    page.press(r.left + 100, r.top + 100);
    const int steps = 60;
    const auto t0 = std::chrono::steady_clock::now();
    const double cpu0 = threadCpuMs();
    for (int k = 0; k < steps; ++k) page.drag(r.left + 100 + 6 * k, r.top + 40 + (k % 7) * 20);
    const double stepCpuMs = (threadCpuMs() - cpu0) / steps;
    const double stepMs = msSince(t0) / steps;
    page.release(r.left + 460, r.top + 60);
    const int rebuilds = 200;
    const auto t1 = std::chrono::steady_clock::now();
    for (int k = 0; k < rebuilds; ++k) waveEditNotify(kWin);
    const double rebuildUs = msSince(t1) * 1000.0 / rebuilds;
    std::printf("stroke step (3 channels playing the wave): %.3f ms; table rebuild alone: %.1f us\n", stepMs,
                rebuildUs);
    RecordProperty("strokeStepMs", std::to_string(stepMs));
    RecordProperty("rebuildUs", std::to_string(rebuildUs));
    std::printf("stroke step: %.3f ms of processor\n", stepCpuMs);
    EXPECT_LT(stepCpuMs, 16.0);
  });
}
