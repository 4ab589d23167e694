// The Record window inside the real program: the module and the application start as Morvane does
// (the "Audio Setup" dialog of the empty store noted instead of shown), the tests run inside the
// program's message loop, with F3 and clicks posted to the real windows, the options answered
// through the popup seam, questions through the message-box seam, and a stand-in audio thread that
// runs the audio client's sub-block (tap and MIDI dispatch) the way a device would. Captures are kept
// as PNG.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "app/appRegistry.h"
#include "app/inProgram.h"
#include "app/mainWindow.h"
#include "app/recordWindow.h"
#include "app/synthApp.h"
#include "audioPath/clientSubBlock.h"
#include "audioPath/recorder.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/knob.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "support/threadTime.h"
#include "support/windowCapture.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"

namespace {

SynthAppModule g_module;

void noteAudioSetup(SynthApp*) {}

HWND recordHandle() { return winGetFrameworkWindow(2); }
void pressKey(HWND window, UINT vk) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, 0)) << 16;
  PostMessageA(window, WM_KEYDOWN, vk, 1 | scan);
  pump();
  PostMessageA(window, WM_KEYUP, vk, 1 | scan | (1L << 30) | (1L << 31));
  pump();
}

CtrlRect rectOf(std::uint16_t id) {
  winSelectPort(2, nullptr);
  CtrlRect r = {0, 0, 0, 0};
  ctrlGetRect(2, id, &r);
  return r;
}

// A click in the middle of an item of window 2, as the mouse gives it.
void click(std::uint16_t id) {
  const CtrlRect r = rectOf(id);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageA(recordHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(recordHandle(), WM_LBUTTONUP, 0, at);
  pump();
}

ButtonData* button(uint16_t id) {
  winSelectPort(2, nullptr);
  ControlItem* item = ctrlFindKind(2, id, kindButton);
  return item ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
}
int pressed(uint16_t id) { return button(id) ? button(id)->pressed : -1; }
int drawable(std::uint16_t id) {
  winSelectPort(2, nullptr);
  ControlItem* item = ctrlFind(2, id);
  return item ? item->drawable : -1;
}
std::string maxTimeText() {
  char text[64] = {};
  winSelectPort(2, nullptr);
  displayGetText(2, recItemMaxTime, text, sizeof text);
  return text;
}

// One page-update tick as the application's timer runs it.
void tick() { appPageUpdate(1, 1, nullptr); }

// The popup seam: every menu that opens is answered with this command.
int g_answer = 0;
int answerMenu(void*, int, int, void*) { return g_answer; }
void chooseOption(int menu, int entry) {
  g_answer = menu * 256 + entry;
  popupSetTrackHook(answerMenu);
  click(recItemOptions);
  popupSetTrackHook(nullptr);
}

// The audio client's sub-block on a thread of its own, as a device runs it: MIDI dispatch, render,
// decode to two outputs, the recorder's tap.
class FakeHost {
 public:
  void start() {
    quit_ = false;
    thread_ = std::thread([this] {
      float a[128], b[128];
      float* outs[2] = {a, b};
      while (!quit_.load()) {
        clientRenderSubBlock(engine(), nullptr, 0, outs, 2, 128);
        blocks_.fetch_add(1);
        Sleep(1);
      }
    });
  }
  void stop() {
    quit_ = true;
    if (thread_.joinable()) thread_.join();
  }
  void waitBlocks(int n) {
    const long until = blocks_.load() + n;
    for (int i = 0; i < 2000 && blocks_.load() < until; ++i) Sleep(1);
  }
  ~FakeHost() { stop(); }

 private:
  std::thread thread_;
  std::atomic<bool> quit_{false};
  std::atomic<long> blocks_{0};
};

// Records a short take through the window (wait for note off: Record arms, Play starts), with the
// host running, and stops it.
void recordTake(FakeHost& host) {
  if (recWinWaitForNote()) click(recItemWaitForNote);
  click(recItemRecord);
  ASSERT_EQ(recWinState(), recStateArmed);
  click(recItemPlay);
  ASSERT_EQ(recWinState(), recStateRecording);
  host.waitBlocks(20);
  click(recItemStop);
  tick();
  ASSERT_EQ(recWinState(), recStateIdle);
  ASSERT_GT(recGetLength(), 0);
}

class RecordWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(app(), nullptr);
    ASSERT_NE(recordHandle(), nullptr);
    msgBoxCaptureBegin(msgAnswerOk);
    recWinSetStopPause(0);
    pressKey(mainHandle(), VK_F3);
    ASSERT_TRUE(IsWindowVisible(recordHandle()));
  }
  void TearDown() override {
    host.stop();
    if (recWinState() == recStateRecording) recStopRecording();
    recStopPlaying();
    recWinSetState(2, recStateIdle);
    recSetMapSeam(nullptr, nullptr);
    if (recGetSize() != recDefaultFrames || !recGetUndo() || recGetChannelMode() != 1) {
      recSetBufferSize(recDefaultFrames);
      recSetUndo(1);
      recSetChannelMode(1);
      if (!pressed(recItemStereo)) recButtonSetPressed(2, recItemStereo, 1);
    }
    recClear();
    recSetUndo(1);
    if (!recWinWaitForNote()) click(recItemWaitForNote);
    tick();
    msgBoxCaptureEnd();
    ctrlSetTickSource(nullptr);
  }
  FakeHost host;
};

// ---- the window and its states

TEST_F(RecordWindow, F3ShowsTheWindowIdleAtItsBackgroundsSizeWithThreeMinutes) {
  RECT client;
  GetClientRect(recordHandle(), &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 118);
  EXPECT_EQ(recWinState(), recStateIdle);
  EXPECT_EQ(maxTimeText(), "3 min  0 sec");
  struct Expect {
    std::uint16_t id;
    int drawable, pressed;
  } expect[] = {{recItemStop, 1, 0},        {recItemPlay, 1, 0},   {recItemRecord, 1, 0},
                {recItemWaitForNote, 1, 1}, {recItemStereo, 1, 1}, {recItemOverdub, 0, 0},
                {recItemUndo, 0, 0},        {recItemSave, 0, 0},   {recItemClear, 0, 0}};
  for (const Expect& e : expect) {
    EXPECT_EQ(drawable(e.id), e.drawable) << e.id;
    EXPECT_EQ(pressed(e.id), e.pressed) << e.id;
  }
  EXPECT_FALSE(ctrlIsVisible(2, recItemLiveGain)) << "the gains show only with overdub";
  CapturedWindow cap;
  EXPECT_FALSE(windowCapturePng(recordHandle(), "app_record_window_idle.png", &cap).empty());
}

// Above another window in the system's order (the windows between them included).
bool isAbove(HWND upper, HWND lower) {
  for (HWND w = GetWindow(upper, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
    if (w == lower) return true;
  return false;
}

TEST_F(RecordWindow, OpensBesideWindowOneStaysAboveItAndNamesItself) {
  EXPECT_EQ(GetWindow(recordHandle(), GW_OWNER), mainHandle()) << "window 1 owns the Record window";
  RECT rec, main, overlap;
  GetWindowRect(recordHandle(), &rec);
  GetWindowRect(mainHandle(), &main);
  EXPECT_FALSE(IntersectRect(&overlap, &rec, &main)) << "it hides nothing of window 1 (About, \"!\")";
  char title[32] = {};
  GetWindowTextA(recordHandle(), title, sizeof title);
  EXPECT_STREQ(title, "Record");
  winSelectPort(2, nullptr);
  ASSERT_NE(selectorFind(2, recItemOptions), nullptr);
  EXPECT_STREQ(selectorFind(2, recItemOptions)->choiceText, "Options") << "the options box says what it is";
  // A click in window 1 (as on a key to start a wait-for-note take) leaves the Record window on top,
  // so the next click on Stop lands on Stop.
  SetForegroundWindow(mainHandle());
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 600));
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 600));
  pump(5);
  EXPECT_TRUE(isAbove(recordHandle(), mainHandle()));
  // A window the user moved where it hides nothing stays there when it is shown again.
  SetWindowPos(recordHandle(), nullptr, main.right + 40, main.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  winShow(2, false);
  pressKey(mainHandle(), VK_F3);
  RECT again;
  GetWindowRect(recordHandle(), &again);
  EXPECT_EQ(again.left, main.right + 40);
  EXPECT_EQ(again.top, main.top + 30);
  // One that was moved over window 1 comes back beside it.
  SetWindowPos(recordHandle(), nullptr, main.left + 100, main.top + 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  winShow(2, false);
  pressKey(mainHandle(), VK_F3);
  GetWindowRect(recordHandle(), &again);
  EXPECT_FALSE(IntersectRect(&overlap, &again, &main));
  CapturedWindow cap;
  ASSERT_FALSE(windowCapturePng(recordHandle(), "app_record_window_named.png", &cap).empty());
  const CtrlRect options = rectOf(recItemOptions);
  EXPECT_GE(textContrast(cap, options.left + 2, options.top + 2, options.right - 12, options.bottom - 2), 4.5)
      << "the word Options reads on its box";
}

TEST_F(RecordWindow, PlayWithoutATakeStaysIdleAndReleased) {
  click(recItemPlay);
  EXPECT_EQ(recWinState(), recStateIdle);
  EXPECT_EQ(pressed(recItemPlay), 0);
  EXPECT_EQ(recIsPlaying(), 0);
}

// Record with wait-for-note waits; a note-on through the host starts the take on the audio thread;
// the next tick draws Record and Play pressed; Stop returns to idle with the take's buttons drawable.
TEST_F(RecordWindow, ANoteStartsAWaitingRecordingAndStopMakesTheTakesButtonsDrawable) {
  // A short buffer, so that the take shows as a part of the display.
  recSetBufferSize(200000);
  recSetUndo(1);
  host.start();
  click(recItemRecord);
  EXPECT_EQ(recWinState(), recStateWaiting);
  host.waitBlocks(10);
  EXPECT_EQ(recIsRecording(), 0) << "waiting for a note";
  for (std::uint16_t id : {recItemStereo, recItemOverdub, recItemUndo, recItemSave}) EXPECT_EQ(drawable(id), 0) << id;
  midiQueueNoteOn(engine(), 69, 100, 0);
  for (int i = 0; i < 2000 && !recIsRecording(); ++i) Sleep(1);
  EXPECT_EQ(recIsRecording(), 1);
  EXPECT_EQ(recWinState(), recStateRecording);
  host.waitBlocks(30);
  tick();
  EXPECT_EQ(pressed(recItemRecord), 1);
  EXPECT_EQ(pressed(recItemPlay), 1);
  EXPECT_FALSE(windowCapturePng(recordHandle(), "app_record_window_recording.png").empty());
  midiQueuePushShort(&engine()->midi, 0x80, 69, 64);
  click(recItemStop);
  tick();
  EXPECT_EQ(recWinState(), recStateIdle);
  EXPECT_EQ(recIsRecording(), 0);
  EXPECT_GT(recGetLength(), 30 * 256);
  EXPECT_EQ(pressed(recItemPlay), 0);
  EXPECT_EQ(pressed(recItemRecord), 0);
  struct Expect {
    std::uint16_t id;
    int drawable;
  } expect[] = {{recItemStereo, 1}, {recItemOverdub, 1}, {recItemClear, 1}, {recItemUndo, 1}, {recItemSave, 0}};
  for (const Expect& e : expect) EXPECT_EQ(drawable(e.id), e.drawable) << e.id;
  CapturedWindow cap;
  ASSERT_FALSE(windowCapturePng(recordHandle(), "app_record_window_take.png", &cap).empty());
  // The take display shows the recorded part from its left edge.
  const CtrlRect take = rectOf(recItemTake);
  EXPECT_NE(cap.at(take.left + 1, take.top + 4), cap.at(take.right - 2, take.top + 4));
}

TEST_F(RecordWindow, RecordDuringPlaybackIsReleasedAndPlaybackRunsOn) {
  host.start();
  recordTake(host);
  click(recItemPlay);
  EXPECT_EQ(recWinState(), recStatePlaying);
  EXPECT_EQ(recIsPlaying(), 1);
  EXPECT_EQ(drawable(recItemStereo), 0);
  click(recItemRecord);
  EXPECT_EQ(pressed(recItemRecord), 0);
  EXPECT_EQ(recWinState(), recStatePlaying);
  // The take plays to its end; the recorder returns the window to idle and the tick releases Play.
  for (int i = 0; i < 3000 && recIsPlaying(); ++i) Sleep(1);
  EXPECT_EQ(recIsPlaying(), 0);
  tick();
  EXPECT_EQ(recWinState(), recStateIdle);
  EXPECT_EQ(pressed(recItemPlay), 0);
  EXPECT_EQ(drawable(recItemStereo), 1);
}

// Blinking follows the injected clock: a step every 200 ms, Record alone when armed, Record and Play
// when waiting for a note.
std::uint32_t g_now = 0;
std::uint32_t testClock() { return g_now; }

TEST_F(RecordWindow, RecordBlinksEveryTwoHundredMillisecondsOfTheClock) {
  ctrlSetTickSource(testClock);
  g_now = 100000;
  click(recItemRecord);
  ASSERT_EQ(recWinState(), recStateWaiting);
  tick();
  const int first = pressed(recItemRecord);
  EXPECT_EQ(pressed(recItemPlay), first) << "waiting: Play blinks with Record";
  EXPECT_FALSE(windowCapturePng(recordHandle(), "app_record_window_waiting.png").empty());
  struct Step {
    std::uint32_t advance;
    bool toggles;
  } steps[] = {{100, false}, {99, false}, {1, true}, {150, false}, {50, true}, {400, true}};
  int expected = first;
  for (const Step& s : steps) {
    g_now += s.advance;
    tick();
    if (s.toggles) expected ^= 1;
    EXPECT_EQ(pressed(recItemRecord), expected) << g_now;
    EXPECT_EQ(pressed(recItemPlay), expected) << g_now;
  }
  // Wait-for-note released: armed, Play released and left alone, Record blinks on.
  click(recItemWaitForNote);
  ASSERT_EQ(recWinState(), recStateArmed);
  EXPECT_EQ(pressed(recItemPlay), 0);
  const int record = pressed(recItemRecord);
  g_now += 200;
  tick();
  EXPECT_EQ(pressed(recItemRecord), record ^ 1);
  EXPECT_EQ(pressed(recItemPlay), 0);
  click(recItemStop);
  EXPECT_EQ(recWinState(), recStateIdle);
}

TEST_F(RecordWindow, TheCloseBoxHidesTheWindowAndKeepsTakeAndState) {
  host.start();
  recordTake(host);
  const std::int32_t length = recGetLength();
  click(recItemWaitForNote);  // back on: Record waits for a note
  click(recItemRecord);
  ASSERT_EQ(recWinState(), recStateWaiting);
  PostMessageA(recordHandle(), WM_CLOSE, 0, 0);
  pump();
  EXPECT_FALSE(IsWindowVisible(recordHandle()));
  EXPECT_NE(winSlot(2), nullptr) << "the window stays";
  EXPECT_EQ(recWinState(), recStateWaiting);
  EXPECT_EQ(recGetLength(), length);
  tick();  // hidden: no update, the state stays
  EXPECT_EQ(recWinState(), recStateWaiting);
  pressKey(mainHandle(), VK_F3);
  EXPECT_TRUE(IsWindowVisible(recordHandle()));
  EXPECT_EQ(recGetLength(), length);
  click(recItemStop);
  EXPECT_EQ(recWinState(), recStateIdle);
}

// Undo shows the take before (here none) and turns into Redo; Redo brings the take back; Clear
// empties it (undoable) and sets the button back to Undo.
TEST_F(RecordWindow, UndoRedoAndClearThroughTheButtons) {
  host.start();
  recordTake(host);
  host.stop();
  const std::int32_t length = recGetLength();
  ASSERT_EQ(drawable(recItemUndo), 1);
  click(recItemUndo);
  EXPECT_EQ(recGetLength(), 0) << "before the first take there was none";
  EXPECT_EQ(buttonGetState(2, recItemUndo), 1) << "the button now offers Redo";
  EXPECT_EQ(drawable(recItemUndo), 1);
  EXPECT_EQ(drawable(recItemClear), 0);
  click(recItemUndo);
  EXPECT_EQ(recGetLength(), length);
  EXPECT_EQ(buttonGetState(2, recItemUndo), 0);
  click(recItemClear);
  EXPECT_EQ(recGetLength(), 0);
  EXPECT_EQ(buttonGetState(2, recItemUndo), 0);
  EXPECT_DOUBLE_EQ(knobGetX(2, recItemCursor), 0.0);
  click(recItemUndo);
  EXPECT_EQ(recGetLength(), length) << "a clear can be undone";
}

// The cursor fader runs over the take only; playback starts from it.
TEST_F(RecordWindow, TheCursorFaderStaysWithinTheTakeAndPlaybackStartsThere) {
  recSetBufferSize(200000);
  recSetUndo(1);
  host.start();
  recordTake(host);
  host.stop();
  recWinDrawTake(2);
  const double lf = static_cast<double>(recGetLength()) / recGetCapacity();
  winSelectPort(2, nullptr);
  knobSetValueAndRedraw(2, recItemCursor, 1.0);
  EXPECT_NEAR(knobGetX(2, recItemCursor), lf, 1e-9) << "the fader cannot pass the end of the take";
  recWinOnCursorFader(ctrlFind(2, recItemCursor), lf / 2, 0.0);
  const std::int32_t cursor = recGetCursor();
  EXPECT_EQ(cursor % 2, 0);
  EXPECT_NEAR(cursor, recGetLength() / 2, 2);
  click(recItemPlay);
  EXPECT_EQ(recGetPosition(), cursor);
  click(recItemStop);
}

// A recording that reaches the end of the buffer: the audio thread marks the stop, the next tick
// finishes the take and brings the window back to idle.
TEST_F(RecordWindow, TheEndOfTheBufferReturnsTheWindowToIdleAtTheNextTick) {
  recSetBufferSize(20000);
  recSetUndo(1);
  host.start();
  click(recItemWaitForNote);
  click(recItemRecord);
  click(recItemPlay);
  ASSERT_EQ(recWinState(), recStateRecording);
  for (int i = 0; i < 3000 && recIsRecording(); ++i) Sleep(1);
  ASSERT_EQ(recIsRecording(), 0);
  EXPECT_EQ(recWinState(), recStateIdle);
  tick();
  EXPECT_EQ(recStopIsPending(), 0);
  EXPECT_EQ(recGetLength(), 19968);
  EXPECT_EQ(pressed(recItemPlay), 0);
  EXPECT_EQ(pressed(recItemRecord), 0);
  EXPECT_EQ(drawable(recItemClear), 1);
  EXPECT_EQ(drawable(recItemStereo), 1);
}

// ---- options

TEST_F(RecordWindow, EachMaxRecordTimeResizesTheBufferAndTheDisplayFollows) {
  struct Case {
    int entry;
    const char* undoOn;
    const char* undoOff;
  } cases[] = {{1, "1 min  0 sec", "2 min  0 sec"},
               {2, "2 min  0 sec", "4 min  0 sec"},
               {4, "4 min  0 sec", "8 min  0 sec"},
               {5, "5 min  0 sec", "10 min  0 sec"},
               {3, "3 min  0 sec", "6 min  0 sec"}};
  for (const Case& c : cases) {
    chooseOption(recMaxTimeMenu, c.entry);
    EXPECT_EQ(recGetSize(), 5292000 * c.entry) << c.entry;
    EXPECT_EQ(maxTimeText(), c.undoOn) << c.entry;
    chooseOption(0, recOptionNoUndo);
    EXPECT_EQ(recGetUndo(), 0);
    EXPECT_EQ(recGetCapacity(), 2 * 5292000 * c.entry);
    EXPECT_EQ(maxTimeText(), c.undoOff) << c.entry;
    chooseOption(0, recOptionNoUndo);
    EXPECT_EQ(recGetUndo(), 1);
  }
  EXPECT_EQ(msgBoxCaptureCount(), 0u) << "no take, no question";
}

TEST_F(RecordWindow, TheEntryInUseStillAsksWithATakeAndEmptiesTheTakes) {
  host.start();
  recordTake(host);
  host.stop();
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(msgAnswerCancel);
  chooseOption(recMaxTimeMenu, 3);
  ASSERT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(msgBoxCaptureText(0),
               "Changing max record time will clear previously recorded audio from RAM. Are you sure you want to do "
               "this?");
  EXPECT_EQ(msgBoxCaptureStyle(0), msgBoxOkCancel | msgBoxIconExclamation);
  EXPECT_GT(recGetLength(), 0) << "Cancel keeps the take";
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(msgAnswerOk);
  chooseOption(recMaxTimeMenu, 3);
  EXPECT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_EQ(recHasAnyTake(), 0);
  EXPECT_EQ(recGetSize(), recDefaultFrames);
  tick();
  EXPECT_EQ(drawable(recItemUndo), 0);
  EXPECT_EQ(drawable(recItemClear), 0);
}

TEST_F(RecordWindow, TheStereoSwitchWithATakeAsksAndNoPutsItBack) {
  host.start();
  recordTake(host);
  host.stop();
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(msgAnswerNo);
  click(recItemStereo);
  ASSERT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(msgBoxCaptureText(0),
               "This will clear all recorded audio. This is not undoable! Are you sure you want to do this?");
  EXPECT_EQ(msgBoxCaptureStyle(0), msgBoxYesNo | msgBoxIconExclamation);
  EXPECT_EQ(pressed(recItemStereo), 1);
  EXPECT_EQ(recGetChannelCount(), 2);
  EXPECT_GT(recGetLength(), 0);
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(msgAnswerYes);
  click(recItemStereo);
  EXPECT_EQ(pressed(recItemStereo), 0);
  EXPECT_EQ(recGetChannelCount(), 1);
  EXPECT_EQ(recHasAnyTake(), 0);
  EXPECT_EQ(maxTimeText(), "6 min  0 sec");
  click(recItemStereo);  // no take: no question
  EXPECT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_EQ(recGetChannelCount(), 2);
}

TEST_F(RecordWindow, GainFadersPassTheSquareClampedAndShowTheLevel) {
  host.start();
  recordTake(host);
  click(recItemOverdub);
  EXPECT_EQ(recGetOverdub(), 1);
  EXPECT_TRUE(ctrlIsVisible(2, recItemLiveGain));
  EXPECT_TRUE(ctrlIsVisible(2, recItemTakeGainText));
  struct Case {
    double x;
    float gain;
    const char* text;
  } cases[] = {{0.0, 1.0f / 65536.0f, "-96 dB"}, {1.0, 1.0f - 1.0f / 65536.0f, "0.0 dB"},
               {0.5, 0.25f, "-12 dB"},           {0.7071, 0.49999f, "-6.0 dB"},
               {0.9, 0.81f, "-1.8 dB"},          {2.0, 1.0f - 1.0f / 65536.0f, "0.0 dB"}};
  for (const Case& c : cases) {
    winSelectPort(2, nullptr);
    recWinOnGain(ctrlFind(2, recItemLiveGain), c.x, 0.0);
    recWinOnGain(ctrlFind(2, recItemTakeGain), c.x, 0.0);
    EXPECT_NEAR(recGetLiveGain(), c.gain, 1e-4f) << c.x;
    EXPECT_NEAR(recGetTakeGain(), c.gain, 1e-4f) << c.x;
    char text[64] = {};
    displayGetText(2, recItemLiveGainText, text, sizeof text);
    EXPECT_STREQ(text, c.text) << c.x;
  }
  // A real drag of the live fader to either end gives the clamped extremes.
  struct Drag {
    int dx;
    float gain;
  } drags[] = {{400, 1.0f - 1.0f / 65536.0f}, {-400, 1.0f / 65536.0f}, {400, 1.0f - 1.0f / 65536.0f}};
  for (const Drag& d : drags) {
    winSelectPort(2, nullptr);
    const KnobData* k = static_cast<KnobData*>(ctrlFind(2, recItemLiveGain)->k.kindData);
    const int x = (k->handle.left + k->handle.right) / 2, y = (k->handle.top + k->handle.bottom) / 2;
    PostMessageA(recordHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    pump(1);
    // The fader follows the mouse through its smoothing: the handle catches up over the moves.
    for (int step = 1; step <= 60; ++step) {
      const int at = step < 8 ? d.dx * step / 8 : d.dx;
      PostMessageA(recordHandle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + at + (step & 1), y));
      pump(1);
    }
    PostMessageA(recordHandle(), WM_LBUTTONUP, 0, MAKELPARAM(x + d.dx, y));
    pump();
    EXPECT_FLOAT_EQ(recGetLiveGain(), d.gain) << d.dx;
    EXPECT_FLOAT_EQ(recWinLiveFader(), d.gain) << d.dx;
  }
  EXPECT_FALSE(windowCapturePng(recordHandle(), "app_record_window_overdub.png").empty());
  click(recItemOverdub);
  EXPECT_EQ(recGetOverdub(), 0);
  EXPECT_FALSE(ctrlIsVisible(2, recItemLiveGainText));
}

// A buffer that cannot be made: the memory message, then Record and Play do nothing.
TEST_F(RecordWindow, AFailedBufferShowsTheMessageAndTheTransportRefuses) {
  recSetMapSeam([](std::uint32_t, void**) -> void* { return nullptr; }, nullptr);
  chooseOption(recMaxTimeMenu, 5);
  ASSERT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(msgBoxCaptureText(0),
               "Memory error! Morvane's audio recorder could not allocate the requested buffer size. Please try a "
               "smaller buffer size.");
  EXPECT_EQ(maxTimeText(), "0 sec");
  host.start();
  click(recItemWaitForNote);
  click(recItemRecord);
  click(recItemPlay);
  host.waitBlocks(5);
  EXPECT_EQ(recIsRecording(), 0);
  EXPECT_EQ(recWinState(), recStateIdle) << "no recording shown that does not run";
  EXPECT_EQ(pressed(recItemPlay), 0);
  EXPECT_EQ(pressed(recItemRecord), 0);
  click(recItemWaitForNote);  // waiting for a note: the note finds no buffer either
  click(recItemRecord);
  ASSERT_EQ(recWinState(), recStateWaiting);
  midiQueueNoteOn(engine(), 60, 100, 0);
  for (int i = 0; i < 2000 && recWinState() == recStateWaiting; ++i) Sleep(1);
  EXPECT_EQ(recWinState(), recStateIdle);
  EXPECT_EQ(recIsRecording(), 0);
  midiQueuePushShort(&engine()->midi, 0x80, 60, 64);
  click(recItemStop);
  tick();
  recSetMapSeam(nullptr, nullptr);
  chooseOption(recMaxTimeMenu, 3);
  EXPECT_EQ(recGetSize(), recDefaultFrames);
}

// "record time" as the registry holds it, read again as at start-up.
TEST_F(RecordWindow, HostileRecordTimesInTheRegistryGiveAUsableTake) {
  struct Case {
    DWORD stored;
    std::int32_t frames;
  } cases[] = {{0, 44100}, {static_cast<DWORD>(-4), 44100}, {0x80000001u, 44100}, {0x7FFFFFFFu, recMaxFrames}};
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (const Case& c : cases) {
    RegSetValueExA(key, "record time", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&c.stored), 4);
    recInit();
    EXPECT_EQ(recGetSize(), c.frames) << c.stored;
    EXPECT_GT(recGetCapacity(), 0) << c.stored;
  }
  RegDeleteValueA(key, "record time");
  RegCloseKey(key);
  recInit();
  EXPECT_EQ(recGetSize(), recDefaultFrames);
  EXPECT_EQ(msgBoxCaptureCount(), 0u);
}

// ---- figures

TEST_F(RecordWindow, OneTickWhileRecordingTakesLittleTime) {
  host.start();
  click(recItemWaitForNote);
  click(recItemRecord);
  click(recItemPlay);
  ASSERT_EQ(recWinState(), recStateRecording);
  host.waitBlocks(5);
  const int rounds = 200;
  const auto start = std::chrono::steady_clock::now();
  const double cpu0 = threadCpuMs();
  for (int i = 0; i < rounds; ++i) {
    recMarkRefresh(1);
    tick();
  }
  const double cpuMs = (threadCpuMs() - cpu0) / rounds;
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
  std::printf("one page-update tick with the Record window recording: %.3f ms (%.3f ms of processor)\n", ms, cpuMs);
  EXPECT_LT(cpuMs, 10.0);
  click(recItemStop);
}
}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  clearProgramKeys();
  InProgramRun how;
  how.openAudioSetup = noteAudioSetup;
  return runTestsInProgram(how);
}
