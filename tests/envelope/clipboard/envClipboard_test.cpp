// Edit > Copy, Paste and Undo on the Envelope page, with the audio thread acknowledging every
// handshake: an oscillator envelope pasted into a filter envelope keeps the target's place, Undo and
// Redo alternate the two states, the Edit menu names follow the kinds; the breakpoint clipboard's
// arithmetic (the worked example, a one-point run, more than 68 points, an empty clipboard); a
// pasted link re-checked against its new place.
#include "../envToolsRig.h"

#include <chrono>
#include <string>

#include "engine/testAudioThread.h"
#include "envelope/envClipboard.h"
#include "envelope/envUndo.h"
#include "pages/clipKinds.h"
#include "preset/undo.h"

int envSlotWaitsRunOut();

namespace {

std::string copyLabel() {
  char t[64];
  clipCopyLabel(t);
  return t;
}
std::string pasteLabel() {
  char t[64];
  clipPasteLabel(t);
  return t;
}
std::string undoLabel() {
  char t[64];
  undoGetMenuText(t, sizeof t);
  return t;
}

// Five breakpoints with distinct times, levels and slopes (index k: time 1000 (k + 1), level 0.1 (k + 1)).
void fivePoints(EnvelopeSlot* s, float levelBase, int sustain) {
  for (int k = 0; k < 5; ++k) {
    s->breakpoints[k].time = 1000.0 * (k + 1);
    s->breakpoints[k].level = levelBase + 0.1f * static_cast<float>(k);
    s->breakpoints[k].slope = 0.5f + 0.25f * static_cast<float>(k);
  }
  s->lastIndex = 4;
  s->sustainIndex = s->releaseIndex = static_cast<int16_t>(sustain);
  s->loopStart = 0;
}

TEST(EnvClipboard, EnvelopePasteKeepsPlaceAndUndoRedoAlternate) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      const int16_t pitch = envCreate(e, 0, envDestOscPitch);     // oscil 1 main pitch
      const int16_t filter = envCreate(e, 1, envDestFilterFreq);  // filter 2 freq
      EnvelopeSlot* p = engineGetEnvelopeSlot(e, pitch);
      shapeSlot(p, 0.3f, {{0.1, 0.9f}, {0.2, 0.4f}, {0.3, 0.6f}, {0.5, 0.0f}}, 2);
      p->mode = envModeLoop;
      p->loopStart = 1;
      p->lfoOn = 1;
      p->tempoSync = 1;
      p->timePercent = 2.0f;
      EnvelopeSlot* f = engineGetEnvelopeSlot(e, filter);
      shapeSlot(f, 0.0f, {{1.0, 1.0f}, {1.0, 0.0f}, {1.0, 0.5f}}, 1);
    });
    Engine* e = page.engine();
    TestAudioThread audio(e, 0.0f);
    audio.start();
    const int pitch = 3, filter = 4;
    ASSERT_EQ(page.slot(pitch)->destination, 2);
    ASSERT_EQ(page.slot(filter)->destination, 9);

    ASSERT_NE(envSelectSlot(page, pitch), 0);
    EXPECT_EQ(copyLabel(), "Copy Envelope");
    clipCopy(kPageWin);
    EXPECT_EQ(clipGetPasteKind(), clipKindEnvelope);
    EXPECT_EQ(pasteLabel(), "Paste Envelope");

    ASSERT_NE(envSelectSlot(page, filter), 0);
    const EnvelopeSlot before = *page.slot(filter);
    const EnvelopeSlot source = *page.slot(pitch);
    const int runOut = envSlotWaitsRunOut(), misses = engineHandshakeMisses();
    auto t0 = std::chrono::steady_clock::now();
    clipPaste(kPageWin);
    const double pasteMs = msSince(t0);
    const EnvelopeSlot* t = page.slot(filter);
    EXPECT_EQ(t->destination, 9) << "the target keeps what it drives";
    EXPECT_EQ(t->owner, 1);
    EXPECT_EQ(t->id, before.id);
    EXPECT_EQ(t->mode, envModeLoop) << "shape, mode and settings come from the copy";
    EXPECT_EQ(t->lastIndex, source.lastIndex);
    EXPECT_EQ(t->loopStart, 1);
    EXPECT_EQ(t->sustainIndex, 2);
    EXPECT_EQ(t->lfoOn, 1u);
    EXPECT_EQ(t->tempoSync, 1);
    EXPECT_FLOAT_EQ(t->timePercent, 2.0f);
    EXPECT_FLOAT_EQ(t->startLevel, 0.3f);
    EXPECT_EQ(std::memcmp(t->breakpoints, source.breakpoints, sizeof t->breakpoints), 0);
    EXPECT_EQ(undoLabel(), "Undo Envelope Edit");
    const EnvelopeSlot pasted = *t;

    t0 = std::chrono::steady_clock::now();
    undoRedo(kPageWin);
    const double undoMs = msSince(t0);
    EXPECT_TRUE(envSameSlot(*page.slot(filter), before)) << "Undo restores the target";
    EXPECT_EQ(undoLabel(), "Redo Envelope Edit");
    undoRedo(kPageWin);
    EXPECT_TRUE(envSameSlot(*page.slot(filter), pasted)) << "Redo applies the paste again";
    undoRedo(kPageWin);
    EXPECT_TRUE(envSameSlot(*page.slot(filter), before));
    EXPECT_TRUE(envSameSlot(*page.slot(pitch), source)) << "the source never changes";
    std::printf("[figure] envelope paste %.1f ms, one-slot undo %.1f ms (audio thread running)\n", pasteMs, undoMs);
    // Both waited only for the audio side's answers, never out to a bound (the clock's figures above
    // depend on the load).
    EXPECT_EQ(envSlotWaitsRunOut(), runOut);
    EXPECT_EQ(engineHandshakeMisses(), misses);
    audio.stop();
    for (int s = 0; s < envSlotCount; ++s) EXPECT_GE(envHandshakeLoad(page.slot(s)), envHandshakeResume) << s;
  });
}

// A one-slot undo puts back the shape but never the module the slot drives.
TEST(EnvClipboard, OneSlotUndoKeepsDestinationAndOwner) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) { envCreate(e, 0, envDestOscPitch); });
    ASSERT_NE(envSelectSlot(page, 3), 0);
    const float level = page.slot(3)->breakpoints[0].level;
    envUndoSnapshot(kPageWin);
    page.slot(3)->breakpoints[0].level = 0.123f;
    page.slot(3)->destination = envDestFilterFreq;  // the slot was given another job since the snapshot
    page.slot(3)->owner = 2;
    undoRedo(kPageWin);
    EXPECT_FLOAT_EQ(page.slot(3)->breakpoints[0].level, level);
    EXPECT_EQ(page.slot(3)->destination, 9);
    EXPECT_EQ(page.slot(3)->owner, 2);
    undoRedo(kPageWin);
    EXPECT_FLOAT_EQ(page.slot(3)->breakpoints[0].level, 0.123f);
    EXPECT_EQ(page.slot(3)->destination, 9);
  });
}

TEST(EnvClipboard, CopyKindsFollowTheBreakpointSelection) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) { fivePoints(engineGetEnvelopeSlot(e, 0), 0.1f, 2); });
    const int row = envSelectSlot(page, 0);
    ASSERT_NE(row, 0);
    // One selected breakpoint: the whole envelope is copied.
    envGraphSelectBp(page.row(row), 1);
    envGraphUpdateCopyKind(kPageWin);
    EXPECT_EQ(copyLabel(), "Copy Envelope");
    clipCopy(kPageWin);
    EXPECT_EQ(clipGetPasteKind(), clipKindEnvelope);
    EXPECT_FALSE(envBpClipHasContent());
    EXPECT_TRUE(envSameSlot(page.view()->clipSlot, *page.slot(0)));
    // A run of three: breakpoints.
    envGraphExtendBpSelection(kPageWin, 3);
    envGraphUpdateCopyKind(kPageWin);
    EXPECT_EQ(copyLabel(), "Copy Breakpoints");
    clipCopy(kPageWin);
    EXPECT_EQ(clipGetPasteKind(), clipKindBreakpoints);
    EXPECT_EQ(pasteLabel(), "Paste Breakpoints");
    EXPECT_EQ(envBpClipFirst(), 1);
    EXPECT_EQ(envBpClipLast(), 3);
    envBpClipClear();
  });
}

// The splice on plain records, one table of cases.
TEST(EnvBpClip, SpliceArithmetic) {
  struct Case {
    const char* what;
    int targetCount, sustain, loop;  // target points (times 1000 (k + 1))
    int first, last, p;              // run copied from a clip of 68 points, pasted onto p
    int wantLast, wantSustain, wantLoop;
  } cases[] = {
      {"worked example", 5, 3, 0, 2, 4, 1, 6, 5, 0},
      {"sustain before p stays", 5, 0, 0, 2, 4, 1, 6, 0, 0},
      {"loop at p moves", 5, 3, 1, 2, 4, 1, 6, 5, 3},
      {"one-point run", 5, 3, 0, 7, 7, 2, 4, 3, 0},
      {"beyond 68 keeps the first 68", 60, 50, 40, 0, 19, 10, 67, 69, 59},
  };
  for (const Case& c : cases) {
    EnvelopeSlot target{}, clip{};
    envInitSlot(&target, 3, envDestFilterFreq);
    envInitSlot(&clip, 4, envDestOscPitch);
    for (int k = 0; k < envBreakpointCount; ++k) {
      target.breakpoints[k].time = 1000.0 * (k + 1);
      target.breakpoints[k].level = 0.001f * static_cast<float>(k);
      clip.breakpoints[k].time = 7.0 * (k + 1);
      clip.breakpoints[k].level = 0.5f + 0.001f * static_cast<float>(k);
      clip.breakpoints[k].slope = 2.0f;
    }
    target.lastIndex = static_cast<int16_t>(c.targetCount - 1);
    target.sustainIndex = target.releaseIndex = static_cast<int16_t>(c.sustain);
    target.loopStart = static_cast<int16_t>(c.loop);
    const double replacedTime = target.breakpoints[c.p].time;
    ASSERT_TRUE(envBpSplice(&target, &clip, c.first, c.last, c.p)) << c.what;
    EXPECT_EQ(target.lastIndex, c.wantLast) << c.what;
    EXPECT_EQ(target.sustainIndex, c.wantSustain) << c.what;
    EXPECT_EQ(target.releaseIndex, target.sustainIndex) << c.what;
    EXPECT_EQ(target.loopStart, c.wantLoop) << c.what;
    EXPECT_EQ(target.breakpoints[c.p].time, replacedTime) << c.what << ": the run starts with the replaced time";
    EXPECT_EQ(clip.breakpoints[c.first].time, replacedTime) << c.what << ": the clipboard keeps the change";
    EXPECT_FLOAT_EQ(target.breakpoints[c.p].level, clip.breakpoints[c.first].level) << c.what;
    EXPECT_FLOAT_EQ(target.breakpoints[c.p].slope, 2.0f) << c.what;
    for (int k = 0; k < c.p; ++k) EXPECT_EQ(target.breakpoints[k].time, 1000.0 * (k + 1)) << c.what;
    const int d = c.last - c.first;
    if (c.targetCount + d <= envBreakpointCount) {
      EXPECT_EQ(target.breakpoints[c.p + d + 1].time, 1000.0 * (c.p + 2)) << c.what << ": the rest follows the run";
    }
  }
  // Out-of-range runs and places change nothing.
  EnvelopeSlot target{}, clip{};
  envInitSlot(&target, 3, envDestFilterFreq);
  envInitSlot(&clip, 4, envDestFilterFreq);
  const EnvelopeSlot kept = target;
  EXPECT_FALSE(envBpSplice(&target, &clip, 3, 2, 0));
  EXPECT_FALSE(envBpSplice(&target, &clip, 0, 68, 0));
  EXPECT_FALSE(envBpSplice(&target, &clip, 0, 1, target.lastIndex + 1));
  EXPECT_EQ(std::memcmp(&target, &kept, sizeof kept), 0);
}

TEST(EnvBpClip, PasteOnThePageUnderTheHandshake) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      fivePoints(engineGetEnvelopeSlot(e, 0), 0.1f, 3);
      EnvelopeSlot* big = engineGetEnvelopeSlot(e, 1);
      for (int k = 0; k < 67; ++k) {
        big->breakpoints[k].time = 500.0;
        big->breakpoints[k].level = 0.5f;
        big->breakpoints[k].slope = 1.0f;
      }
      big->lastIndex = 66;
      big->sustainIndex = big->releaseIndex = 64;
      big->loopStart = 63;
      big->mode = envModeLoop;
    });
    Engine* e = page.engine();
    TestAudioThread audio(e, 0.0f);
    audio.start();
    const int row = envSelectSlot(page, 0);
    ASSERT_NE(row, 0);

    // Empty clipboards: Paste changes nothing and arms no undo.
    envBpClipClear();
    undoSetKind(undoKindNone);
    const EnvelopeSlot start = *page.slot(0);
    envGraphSelectBp(page.row(row), 2);
    envClipPaste(kPageWin);
    EXPECT_TRUE(envSameSlot(*page.slot(0), start));
    EXPECT_EQ(undoGetKind(), undoKindNone);

    // A one-point run (breakpoint 4 of the envelope) onto breakpoint 2: its level, slope and other
    // fields, but the time of breakpoint 2.
    page.view()->bpSelFirst = page.view()->bpSelLast = page.view()->bpSelAnchor = 4;
    envBpClipStore(kPageWin, page.slot(0));
    envGraphClearBpSelection(kPageWin);
    envGraphSelectBp(page.row(row), 2);
    clipSetPasteKind(clipKindBreakpoints);
    envClipPaste(kPageWin);
    const EnvelopeSlot* s = page.slot(0);
    EXPECT_EQ(s->lastIndex, 4);
    EXPECT_EQ(s->breakpoints[2].time, start.breakpoints[2].time);
    EXPECT_FLOAT_EQ(s->breakpoints[2].level, start.breakpoints[4].level);
    EXPECT_FLOAT_EQ(s->breakpoints[2].slope, start.breakpoints[4].slope);
    EXPECT_EQ(page.view()->bpSelFirst, 2);
    undoRedo(kPageWin);
    EXPECT_TRUE(envSameSlot(*page.slot(0), start)) << "a breakpoint paste is one undo step";

    // A run of three onto breakpoint 10 of a 67-point Loop envelope: 69 points cut to 68, the
    // raised sustain and loop indices clamped inside, the selection on an existing breakpoint.
    page.view()->bpSelFirst = page.view()->bpSelAnchor = 0;
    page.view()->bpSelLast = 2;
    envBpClipStore(kPageWin, page.slot(0));
    const int bigRow = envSelectSlot(page, 1);
    ASSERT_NE(bigRow, 0);
    envGraphClearBpSelection(kPageWin);
    envGraphSelectBp(page.row(bigRow), 10);
    envClipPaste(kPageWin);
    s = page.slot(1);
    EXPECT_EQ(s->lastIndex, 67);
    EXPECT_LT(s->sustainIndex, s->lastIndex);
    EXPECT_GE(s->sustainIndex, 1);
    EXPECT_EQ(s->releaseIndex, s->sustainIndex);
    EXPECT_LT(s->loopStart, s->sustainIndex);
    EXPECT_GE(s->loopStart, 0);
    EXPECT_EQ(page.view()->bpSelFirst, 12);
    EXPECT_LE(page.view()->bpSelLast, s->lastIndex);
    audio.stop();
    EXPECT_GE(envHandshakeLoad(page.slot(1)), envHandshakeResume);
    envBpClipClear();
    page.capture("envelope_bp_paste.png");
  });
}

// No breakpoint selected: the paste adds one at the last press on the selected row (not on the row
// under the mouse, which may be none) and replaces it by the run.
TEST(EnvBpClip, PasteWithoutSelectionAddsAtThePress) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) { fivePoints(engineGetEnvelopeSlot(e, 0), 0.1f, 3); });
    const int row = envSelectSlot(page, 0);
    ASSERT_NE(row, 0);
    EnvelopeView* v = page.view();
    v->bpSelFirst = v->bpSelAnchor = 0;
    v->bpSelLast = 1;
    envBpClipStore(kPageWin, page.slot(0));
    envGraphClearBpSelection(kPageWin);
    v->hoverItem = nullptr;
    v->pressX = static_cast<int16_t>(v->graphX0 + (0.1 - v->timeOffset) * v->pixelsPerSecond);
    const double at = envGraphXToSeconds(kPageWin, v->graphX0, v->pressX) * 44100.0;
    ASSERT_GT(at, 3000.0);
    ASSERT_LT(at, 6000.0);
    clipSetPasteKind(clipKindBreakpoints);
    envClipPaste(kPageWin);
    const EnvelopeSlot* s = page.slot(0);
    EXPECT_EQ(s->lastIndex, 6) << "five points, one added at the press, a run of two in its place";
    EXPECT_NEAR(s->breakpoints[2].time, at - 3000.0, 1.0) << "the run starts where the press was";
    EXPECT_FLOAT_EQ(s->breakpoints[2].level, 0.1f);
    EXPECT_FLOAT_EQ(s->breakpoints[3].level, 0.2f);
    EXPECT_EQ(v->bpSelFirst, 3);
    EXPECT_EQ(msgBoxCaptureCount(), 0u);
    envBpClipClear();
  });
}

// A copied link is re-checked where it lands.
TEST(EnvClipboard, PastedLinkIsRevalidated) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      envCreate(e, 0, envDestOscPitch);     // 3
      envCreate(e, 0, envDestOscPhase);     // 4
      envCreate(e, 0, envDestOscModPitch);  // 5
    });
    Engine* e = page.engine();
    const int32_t idOf3 = page.slot(3)->id, idOf4 = page.slot(4)->id, idOf5 = page.slot(5)->id;
    struct Case {
      const char* what;
      int target;
      int32_t master;
      bool clearMaster;
      bool linked;
    } cases[] = {
        {"to another envelope", 4, idOf3, false, true},
        {"to itself", 4, idOf4, false, false},
        {"to a cleared slot", 4, idOf5, true, false},
        {"onto a channel amplitude slot", 0, idOf3, false, false},
    };
    for (const Case& c : cases) {
      if (c.clearMaster) envSlotClear(e, 5);
      EnvelopeSlot clip = *page.slot(3);
      clip.linked = 1;
      clip.linkMaster = c.master;
      EnvelopeSlot target = *page.slot(c.target);
      envPasteSlotRecord(e, static_cast<int16_t>(c.target), &target, &clip);
      EXPECT_EQ(target.linked != 0, c.linked) << c.what;
      EXPECT_EQ(target.destination, page.slot(c.target)->destination) << c.what;
      EXPECT_EQ(target.linkMasterSlot, c.linked ? 3 : c.target) << c.what;
    }
    (void)idOf5;
    // Through Edit > Paste: a clip linked to the target itself lands unlinked.
    ASSERT_NE(envSelectSlot(page, 4), 0);
    page.view()->clipSlot = *page.slot(3);
    page.view()->clipSlot.linked = 1;
    page.view()->clipSlot.linkMaster = idOf4;
    envBpClipClear();
    envClipPaste(kPageWin);
    EXPECT_EQ(page.slot(4)->linked, 0u);
    EXPECT_FALSE(envIsLinkedTo(e, 4));
  });
}

}  // namespace
