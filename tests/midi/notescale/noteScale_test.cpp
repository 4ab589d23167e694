// The Note Scaling tab inside the real program: painting the curve with posted mouse messages (a fast
// drag draws a straight line, points above and below the view give 1 and 0, points far outside stay
// on the keyboard), each step committed to the engine and the view drawing exactly the engine's curve
// (captures kept as PNG), a painted zero heard as silence, Edit-menu copy, paste and undo across
// curves, the value and note boxes, note follow on the page tick, and the cost of a paint step.
#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "app/appCommands.h"
#include "controls/inputState.h"
#include "controls/numbox.h"
#include "controls/selector.h"
#include "engine/engine.h"
#include "engine/noteCurveRuntime.h"
#include "engine/testAudioThread.h"
#include "kitTestSupport.h"
#include "midi/midiNoteScaleTab.h"
#include "midi/midiPage.h"
#include "midi/noteCurveClip.h"
#include "midi/support/midiInProgram.h"
#include "pages/clipKinds.h"
#include "pages/pages.h"
#include "preset/bank.h"
#include "preset/editBlock.h"
#include "preset/undo.h"
#include "support/signal.h"
#include "support/threadTime.h"
#include "support/windowCapture.h"
#include "uiSeams/msgBox.h"

using namespace midiprog;

namespace {

void selectPane(WinId win) { midiPageSelectPane(win); }

// The view's rectangle in window 1's client coordinates.
CtrlRect viewRect() {
  midiPageSelectPane(1);
  CtrlRect r{};
  ctrlGetRect(1, midiItemCurveView, &r);
  return r;
}
POINT columnAt(int n, int y) {
  const CtrlRect r = viewRect();
  return POINT{r.left + 3 * n + 1, y};
}
// The y of a value inside the view: (bottom - y) x 0.005 = v.
int yOf(double v) { return viewRect().bottom - static_cast<int>(std::lround(v / 0.005)); }

bool command(std::int32_t id) {
  UiaCommandEvent e = {id};
  return app()->handleEvent(UIA_EVENT_COMMAND, &e);
}

void showCurve(int entry) {
  midiPageSelectPane(1);
  noteCurveDestChosen(ctrlFind(1, midiItemCurveChoice), 0, static_cast<int16_t>(entry));
  pump();
}

// Curve (family, slot) set to a flat value through the edit block.
void flatten(int16_t family, int16_t slot, float v) {
  float* copy = editBeginNoteCurve(engine(), family, slot);
  ASSERT_NE(copy, nullptr);
  for (int n = 0; n < 128; ++n) copy[n] = v;
  editCommit(engine(), editKindNoteCurve, slot);
}

const float* curve(int family, int slot) { return noteCurveGetTable(engine(), family, slot); }

// A drag of posted messages through the points, the button released at the last.
void dragThrough(const std::vector<POINT>& points) {
  press(points.front());
  pump();
  for (size_t i = 1; i < points.size(); ++i) {
    drag(points[i]);
    pump();
  }
  release(points.back());
  pump();
}

const std::uint32_t kAccent = 0x2F6FB8;
bool isBar(std::uint32_t c) {
  const int dr = int((c >> 16) & 255) - 0x2F, dg = int((c >> 8) & 255) - 0x6F, db = int(c & 255) - 0xB8;
  return dr * dr + dg * dg + db * db < 300;
}

// Every column of the capture shows the bar of the engine's value: bar pixels from trunc(bottom -
// 200 v) down, none above it. Answers the first column that differs, -1 when all agree.
int firstWrongColumn(const CapturedWindow& cap, const CtrlRect& r, const float* values) {
  for (int n = 0; n < 128; ++n) {
    const int x = r.left + 3 * n + 1;
    const int top = static_cast<int>(r.bottom - 200.0f * values[n]);
    if (top < r.bottom && !isBar(cap.at(x, std::min(top + 1, static_cast<int>(r.bottom) - 1)))) return n;
    if (top - 2 > r.top && isBar(cap.at(x, top - 2))) return n;
  }
  return -1;
}

// Renders `note` on the playing preset for `blocks` sub-blocks (after a note-off and silence for the
// previous one) and answers the RMS of output 1 after the first 10 blocks.
double renderNote(int note, int blocks = 80) {
  std::vector<float> out1(128), out2(128);
  float* outs[2] = {out1.data(), out2.data()};
  const std::uint8_t off[] = {0xB0, 123, 0};  // all notes off
  TestAudioThread::runClientSubBlock(engine(), outs, 2, 0, off, 1);
  for (int b = 0; b < 400; ++b) TestAudioThread::runClientSubBlock(engine(), outs, 2);
  const std::uint8_t on[] = {0x90, static_cast<std::uint8_t>(note), 100};
  double sum = 0.0;
  size_t count = 0;
  for (int b = 0; b < blocks; ++b) {
    TestAudioThread::runClientSubBlock(engine(), outs, 2, 0, b == 0 ? on : nullptr, b == 0 ? 1 : 0);
    if (b < 10) continue;
    for (float x : out1) sum += double(x) * x;
    count += out1.size();
  }
  const std::uint8_t noteOff[] = {0x80, static_cast<std::uint8_t>(note), 0};
  TestAudioThread::runClientSubBlock(engine(), outs, 2, 0, noteOff, 1);
  return std::sqrt(sum / double(count));
}

class NoteScale : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(engine(), nullptr);
    msgBoxCaptureBegin(msgAnswerOk);
    bankSelectPreset(bank(), engine(), 0);
    mainWindowShowPage(1, pageMidi);
    midiPageSelectTab(1, 3);
    pump();
    showCurve(1);
  }
  void TearDown() override {
    msgBoxCaptureEnd();
    holdKey(VK_MENU, false);
    release(POINT{2, 2});
    pump();
    bankSelectPreset(bank(), engine(), 0);
    mainWindowShowPage(1, pageMain);
    pump();
  }
};

}  // namespace

// A fast drag from note 10 to note 40 fills 10..40 on a straight line from the value at 10 to the new
// value at 40; each step is in the engine at once (committed as kind 12); the view, as drawn during
// the drag and as repainted, shows exactly the engine's curve.
TEST_F(NoteScale, AFastDragPaintsAStraightLineThatTheEngineAndTheViewShare) {
  flatten(1, 0, 1.0f);
  showCurve(1);
  const CtrlRect r = viewRect();
  ASSERT_EQ(r.right - r.left, 384);
  ASSERT_EQ(r.bottom - r.top, 200);
  press(columnAt(10, yOf(0.6)));
  pump();
  EXPECT_NEAR(curve(1, 0)[10], 0.6f, 1e-6) << "the press paints its column at once";
  EXPECT_EQ(engine()->edit.pending.load(), editIdle) << "committed and applied";
  drag(columnAt(40, yOf(0.2)));
  pump();
  CapturedWindow during;
  captureShown(mainHandle(), during, "notescale-drag-shown.png");
  release(columnAt(40, yOf(0.2)));
  pump();
  const float* c = curve(1, 0);
  EXPECT_FLOAT_EQ(c[9], 1.0f);
  EXPECT_FLOAT_EQ(c[41], 1.0f);
  for (int n = 10; n <= 40; ++n) EXPECT_NEAR(c[n], 0.6 - 0.4 * (n - 10) / 30.0, 1e-5) << n;
  ASSERT_GT(during.width, 0);
  EXPECT_EQ(firstWrongColumn(during, r, c), -1) << "drawn during the drag";
  CapturedWindow repainted;
  ASSERT_TRUE(windowCapture(mainHandle(), repainted));
  windowCapturePng(mainHandle(), "notescale-tab.png");
  EXPECT_EQ(firstWrongColumn(repainted, r, c), -1) << "repainted";
  // The value box shows the selected note's value after the release (note 60: untouched, 100).
  midiPageSelectPane(1);
  EXPECT_NEAR(numboxFind(1, midiItemCurveValue)->value, 100.0, 1e-3);

  // The drag back from 40 to 10 draws the line from the new value at 10 to 40's value.
  dragThrough({columnAt(40, yOf(0.5)), columnAt(10, yOf(0.0) - 1)});
  EXPECT_NEAR(c[10], 0.005f, 1e-6);
  EXPECT_NEAR(c[40], 0.5f, 1e-6);
  EXPECT_NEAR(c[25], (0.005 + 0.5) / 2, 1e-5);
}

// Above the view's top is 1.0, below its bottom 0.0 (when the column changes out there); points far
// outside land on the first or last note; a drag that leaves and comes back keeps painting.
TEST_F(NoteScale, PointsOutsideTheViewStayOnTheKeyboardAndInRange) {
  flatten(1, 0, 0.5f);
  showCurve(1);
  const CtrlRect r = viewRect();
  dragThrough({columnAt(50, yOf(0.5)), columnAt(60, r.top - 100), columnAt(70, r.bottom + 400)});
  const float* c = curve(1, 0);
  EXPECT_FLOAT_EQ(c[60], 1.0f) << "above the top";
  EXPECT_FLOAT_EQ(c[70], 0.0f) << "below the bottom";
  EXPECT_NEAR(c[65], 0.5f, 1e-5);
  dragThrough({columnAt(64, yOf(0.5)), POINT{r.left - 5000, r.top - 5000}});
  EXPECT_FLOAT_EQ(c[0], 1.0f) << "far up and left: note 0 at 1.0";
  dragThrough({columnAt(64, yOf(0.5)), POINT{r.right + 5000, r.bottom + 5000}});
  EXPECT_NEAR(c[127], 0.0f, 1e-5) << "far down and right: note 127 at 0.0";
  for (int n = 0; n < 128; ++n) EXPECT_TRUE(c[n] >= 0.0f && c[n] <= 1.0f) << n;
  CapturedWindow cap;
  ASSERT_TRUE(windowCapture(mainHandle(), cap));
  EXPECT_EQ(firstWrongColumn(cap, r, c), -1);
}

// End to end: "Oscil amp 1" painted to 0 at note 60 silences note 60 and leaves note 61 sounding.
TEST_F(NoteScale, APaintedZeroIsHeardAsSilence) {
  flatten(1, 0, 1.0f);
  showCurve(1);
  const double before60 = renderNote(60);
  ASSERT_GT(before60, 0.01) << "the preset sounds on note 60";
  const CtrlRect r = viewRect();
  // Press on 59, then straight down past the bottom on 60: column 60 alone takes 0.
  dragThrough({columnAt(59, yOf(1.0) + 1), columnAt(60, r.bottom + 30)});
  EXPECT_FLOAT_EQ(curve(1, 0)[60], 0.0f);
  EXPECT_FLOAT_EQ(curve(1, 0)[61], 1.0f);
  const double at60 = renderNote(60), at61 = renderNote(61);
  std::printf("RMS note 60 before %.4f, painted %.6f; note 61 %.4f\n", before60, at60, at61);
  EXPECT_LT(at60, 1e-4);
  EXPECT_GT(at61, 0.01);
}

// "Copy Notescale Map" then "Paste Notescale Map" copies one curve onto another; undo after painting
// restores the painted curve while another is shown, and the next Undo redoes it.
TEST_F(NoteScale, CopyPasteAndUndoThroughTheEditMenu) {
  flatten(1, 0, 1.0f);
  flatten(2, 1, 1.0f);
  showCurve(1);
  dragThrough({columnAt(20, yOf(0.25)), columnAt(30, yOf(0.75))});
  std::vector<float> painted(curve(1, 0), curve(1, 0) + 128);
  EXPECT_EQ(clipGetCopyKind(), clipKindNoteScale) << "tab 3 copies note curves";
  EXPECT_TRUE(command(cmdIdCopy));
  EXPECT_EQ(clipGetPasteKind(), clipKindNoteScale);
  showCurve(5);  // "Oscil fm index/balance 2"
  EXPECT_TRUE(command(cmdIdPaste));
  pump();
  for (int n = 0; n < 128; ++n) ASSERT_FLOAT_EQ(curve(2, 1)[n], painted[n]) << n;

  // Paint curve 1 again, show curve 7, Undo: curve 1 is as it was before the painting.
  showCurve(1);
  dragThrough({columnAt(80, yOf(0.1)), columnAt(90, yOf(0.1))});
  std::vector<float> second(curve(1, 0), curve(1, 0) + 128);
  EXPECT_NE(second[85], painted[85]);
  showCurve(7);
  flatten(3, 0, 0.9f);
  EXPECT_TRUE(command(cmdIdUndo));
  pump();
  for (int n = 0; n < 128; ++n) ASSERT_FLOAT_EQ(curve(1, 0)[n], painted[n]) << "undone " << n;
  EXPECT_FLOAT_EQ(curve(3, 0)[85], 0.9f) << "the shown curve is left alone";
  EXPECT_TRUE(command(cmdIdUndo));
  pump();
  for (int n = 0; n < 128; ++n) ASSERT_FLOAT_EQ(curve(1, 0)[n], second[n]) << "redone " << n;
  EXPECT_EQ(clipGetPasteKind(), clipKindNoteScale) << "paste stays offered";
}

// The boxes: 37.5 in the value box stores 0.375 at the selected note; a note of 128, a value that is
// not a number and a value far out of range change nothing or are limited.
TEST_F(NoteScale, NoteAndValueBoxes) {
  flatten(1, 0, 1.0f);
  showCurve(1);
  midiPageSelectPane(1);
  ControlItem* noteBox = ctrlFind(1, midiItemCurveNote);
  ControlItem* valueBox = ctrlFind(1, midiItemCurveValue);
  noteCurveNoteBoxChanged(noteBox, 70);
  noteCurveValueBoxChanged(valueBox, 37.5);
  EXPECT_FLOAT_EQ(curve(1, 0)[70], 0.375f);
  noteCurveNoteBoxChanged(noteBox, 128);
  EXPECT_EQ(noteCurveClipView()->selectedNote, 70);
  noteCurveNoteBoxChanged(noteBox, std::numeric_limits<double>::quiet_NaN());
  noteCurveNoteBoxChanged(noteBox, -1);
  EXPECT_EQ(noteCurveClipView()->selectedNote, 70);
  noteCurveValueBoxChanged(valueBox, std::numeric_limits<double>::quiet_NaN());
  EXPECT_FLOAT_EQ(curve(1, 0)[70], 0.375f);
  noteCurveValueBoxChanged(valueBox, 1e9);
  EXPECT_FLOAT_EQ(curve(1, 0)[70], 1.0f);
  noteCurveValueBoxChanged(valueBox, -1e9);
  EXPECT_FLOAT_EQ(curve(1, 0)[70], 0.0f);
  noteCurveNoteBoxChanged(noteBox, 12.7);
  EXPECT_EQ(noteCurveClipView()->selectedNote, 12);
}

// With follow on, a note-on of 64 sets box 12 to 64 and box 13 to its value within one 50 ms tick;
// not while a mouse button is down, but on the tick after the release.
TEST_F(NoteScale, FollowTakesTheLastPlayedNoteOnTheTick) {
  flatten(1, 0, 1.0f);
  showCurve(1);
  {
    float* copy = editBeginNoteCurve(engine(), 1, 0);
    copy[64] = 0.42f;
    copy[65] = 0.77f;
    editCommit(engine(), editKindNoteCurve, 0);
  }
  // The follow switch pressed with a real click.
  click(itemPoint(selectPane, midiItemFollowNote, 10, 8));
  pump();
  ASSERT_EQ(noteCurveClipView()->follow, 1);
  std::vector<float> out1(128), out2(128);
  float* outs[2] = {out1.data(), out2.data()};
  auto playNote = [&](int note) {
    const std::uint8_t on[] = {0x90, static_cast<std::uint8_t>(note), 90};
    TestAudioThread::runClientSubBlock(engine(), outs, 2, 0, on, 1);
  };
  auto waitTicks = [](int ms) {
    const auto t0 = std::chrono::steady_clock::now();
    while (std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() < ms) pump(1);
  };
  // The next page tick takes it: polled, with the time it took.
  auto shownNote = [] {
    midiPageSelectPane(1);
    return numboxFind(1, midiItemCurveNote)->value;
  };
  playNote(64);
  const auto t0 = std::chrono::steady_clock::now();
  while (shownNote() != 64.0 &&
         std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() < 500)
    pump(1);
  const double tookMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  std::printf("followed note shown after %.1f ms\n", tookMs);
  EXPECT_LT(tookMs, 50.0 + 60.0) << "one 50 ms tick (and the timer's jitter under Wine)";
  midiPageSelectPane(1);
  EXPECT_EQ(numboxFind(1, midiItemCurveNote)->value, 64.0);
  EXPECT_NEAR(numboxFind(1, midiItemCurveValue)->value, 42.0, 1e-3);
  EXPECT_EQ(noteCurveFollowedNote(), 64);

  // The button held down on the view (a press of a painting drag): note 65 waits for the release.
  const POINT panel = columnAt(100, yOf(0.5));
  press(panel);
  pump();
  playNote(65);
  waitTicks(120);
  midiPageSelectPane(1);
  EXPECT_EQ(numboxFind(1, midiItemCurveNote)->value, 64.0) << "not while the button is down";
  release(panel);
  waitTicks(120);
  midiPageSelectPane(1);
  EXPECT_EQ(numboxFind(1, midiItemCurveNote)->value, 65.0);
  EXPECT_NEAR(numboxFind(1, midiItemCurveValue)->value, 77.0, 1e-3);
  click(itemPoint(selectPane, midiItemFollowNote, 10, 8));
  pump();
  EXPECT_EQ(noteCurveClipView()->follow, 0);
}

// The cost of one paint step (a move of the held button over the view), and how many columns it
// draws: only the changed ones.
TEST_F(NoteScale, APaintStepDrawsOnlyTheColumnsItChanged) {
  flatten(1, 0, 1.0f);
  showCurve(1);
  press(columnAt(30, yOf(0.5)));
  pump();
  const int rounds = 200;
  double ms = 0.0, cpuMs = 0.0;
  uint32_t columns = 0;
  for (int i = 0; i < rounds; ++i) {
    // One posted move, dispatched at once: the window routing, the view's handler and its drawing.
    drag(columnAt(30 + (i % 2), yOf(0.2 + 0.3 * (i % 3))));
    const uint32_t c0 = noteCurveColumnsDrawn();
    const auto t0 = std::chrono::steady_clock::now();
    const double cpu0 = threadCpuMs();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    cpuMs += threadCpuMs() - cpu0;
    columns += noteCurveColumnsDrawn() - c0;
  }
  release(columnAt(31, yOf(0.5)));
  pump();
  ms /= rounds;
  cpuMs /= rounds;
  std::printf("paint step: %.4f ms (%.4f ms of processor), %.2f columns drawn per step\n", ms, cpuMs,
              double(columns) / rounds);
  RecordProperty("paintStepMs", std::to_string(ms));
  EXPECT_LE(columns, static_cast<uint32_t>(rounds) * 2) << "a step of one column draws one or two columns";
  EXPECT_LT(cpuMs, 20.0);
}

// The destination popup, opened with a real click: its ten labels in order, and a choice shows that
// curve (its label in the popup, its bars in the view).
TEST_F(NoteScale, TheDestinationPopupChoosesTheCurveShown) {
  flatten(3, 3, 0.25f);
  g_menu = MenuSeen();
  g_menu.choose = "Filter freq master";
  popupSetTrackHook(readMenu);
  click(itemPoint(selectPane, midiItemCurveChoice, 30, 8));
  pump();
  popupSetTrackHook(nullptr);
  const std::vector<std::string> labels = {"Oscil amp 1",
                                           "Oscil amp 2",
                                           "Oscil amp 3",
                                           "Oscil fm index/balance 1",
                                           "Oscil fm index/balance 2",
                                           "Oscil fm index/balance 3",
                                           "Filter freq 1",
                                           "Filter freq 2",
                                           "Filter freq 3",
                                           "Filter freq master"};
  EXPECT_EQ(g_menu.texts, labels);
  EXPECT_EQ(noteCurveClipView()->family, 3);
  EXPECT_EQ(noteCurveClipView()->slot, 3);
  midiPageSelectPane(1);
  SelectorData* popup = selectorFind(1, midiItemCurveChoice);
  ASSERT_NE(popup, nullptr);
  EXPECT_STREQ(popup->choiceText, "Filter freq master");
  CapturedWindow cap;
  ASSERT_TRUE(windowCapture(mainHandle(), cap));
  EXPECT_EQ(firstWrongColumn(cap, viewRect(), curve(3, 3)), -1);
  EXPECT_NEAR(numboxFind(1, midiItemCurveValue)->value, 25.0, 1e-3);
}
