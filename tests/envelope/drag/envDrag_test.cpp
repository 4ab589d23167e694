// Drags and structural edits of a row: the slope drag of a handle (rising and falling segments, its
// limits, a run scaled together), the XY square of a surround-pan pair and its partner insertion,
// deletes of one breakpoint and of runs keeping the others' absolute times, a Control driven envelope
// deleted down to one breakpoint, and playing voices staying on their breakpoints.
#include "../envHarness.h"

#include <cmath>

#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"

namespace {

CtrlPoint centre(const GraphHit& h) {
  return CtrlPoint{static_cast<int16_t>((h.top + h.bottom) / 2), static_cast<int16_t>((h.left + h.right) / 2)};
}

const GraphHit* handleOf(EnvelopeGraphRecord* r, int bp) {
  for (int i = 0; i < r->handleCount; ++i)
    if (r->handleHits[i].breakpoint == bp) return &r->handleHits[i];
  return nullptr;
}

TEST(EnvDrag, SlopeHandleDragDoublesPerSixteenPixelsWithinItsLimits) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      shapeSlot(engineGetEnvelopeSlot(e, 0), 0.0f, {{0.5, 1.0f}, {0.5, 0.2f}, {0.5, 0.0f}}, 1);
    });
    EnvelopeSlot* s = page.slot(0);
    struct Case {
      int bp, dy;
      double slope;
    } cases[] = {
        {0, 100, 64.0},       // rising, down 100 px: 2^6
        {0, -100, 1.0 / 64},  // rising, up
        {1, -100, 64.0},      // falling segment: up raises the slope
        {0, 300, 100.0},      // stops at 100
    };
    for (const Case& c : cases) {
      s->breakpoints[c.bp].slope = 1.0f;
      envGraphRedrawAll(kPageWin);
      const GraphHit* h = handleOf(page.record(16), c.bp);
      ASSERT_NE(h, nullptr) << c.bp;
      const CtrlPoint p = centre(*h);
      page.drag(p.x, p.y, p.x, p.y + c.dy, 5);
      EXPECT_NEAR(s->breakpoints[c.bp].slope, c.slope, c.slope * 1e-5) << c.bp << " " << c.dy;
    }
    EXPECT_EQ(page.view()->redrawPending, 1);
    page.capture("envelope_slopes.png");
  });
}

TEST(EnvDrag, SurroundPairAddsToThePartnerAndDragsInItsSquare) {
  runInApplication([&](RecordingApplication&) {
    int16_t a = -1;
    EnvHarness page([&](Engine* e) { a = envCreate(e, 0, envDestSurroundPan); });
    ASSERT_GE(a, 3);
    Engine* e = page.engine();
    const int16_t b = envFindPartner(e, a);
    ASSERT_GE(b, 0);
    envListOnFilter(page.item(envItemFilter), 0, envFilterAll);
    int row = -1;
    for (int id = 16; id <= 38; ++id)
      if (page.record(id)->slotIndex == a) row = id;
    ASSERT_GT(row, 0);
    envGraphLayoutRows(page.row(16), 64, 16);
    drainMessages();
    EnvelopeGraphRecord* r = page.record(row);
    ASSERT_NE(r->partner, nullptr);
    ASSERT_NE(r->xyHits, nullptr);
    const int lastA = page.slot(a)->lastIndex, lastB = page.slot(b)->lastIndex;
    // A breakpoint added at level 0.9 goes to the partner at 0.15.
    envGraphAddBreakpoint(page.row(row), page.slot(a), 0.05, 0.9);
    EXPECT_EQ(page.slot(a)->lastIndex, lastA + 1);
    EXPECT_EQ(page.slot(b)->lastIndex, lastB + 1);
    const int added = page.view()->bpSelFirst;
    EXPECT_NEAR(page.slot(a)->breakpoints[added].level, 0.9, 1e-6);
    EXPECT_NEAR(page.slot(b)->breakpoints[added].level, 0.15, 1e-6);
    envGraphRedrawAll(kPageWin);
    page.capture("envelope_pair.png");
    // A drag in the XY square: right raises A, up raises B.
    ASSERT_TRUE(r->xyHits[0].valid);
    const int bp = r->xyHits[0].breakpoint;
    const double a0 = page.slot(a)->breakpoints[bp].level, b0 = page.slot(b)->breakpoints[bp].level;
    const CtrlPoint p = centre(r->xyHits[0]);
    page.drag(p.x, p.y, p.x + 8, p.y - 8, 4);
    EXPECT_GT(page.slot(a)->breakpoints[bp].level, a0 - 1e-6);
    EXPECT_GT(page.slot(b)->breakpoints[bp].level, b0 - 1e-6);
    EXPECT_NEAR(page.slot(a)->breakpoints[bp].level - a0 + page.slot(b)->breakpoints[bp].level - b0, 16.0 / 128, 0.02);
  });
}

TEST(EnvDrag, DeletesKeepTheOthersAbsoluteTimes) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    EnvelopeSlot* s = page.slot(0);
    ControlItem* row = page.row(16);
    struct Case {
      int first, last;  // selection (-2: none, a single delete of `first` otherwise)
      int mode;
      int lastBefore, lastAfter;
    } cases[] = {
        {1, -2, envModeSustain, 3, 2},  // the second of four
        {3, 5, envModeSustain, 5, 3},   // a run ending at the last breakpoint keeps it
        {0, 5, envModeSustain, 5, 3},   // a run of all keeps four
        {0, 2, envModeControl, 2, 0},   // Control driven: down to one
        {0, -2, envModeControl, 0, 0},  // and never none
    };
    for (const Case& c : cases) {
      std::vector<std::pair<double, float>> bps;
      for (int i = 0; i <= c.lastBefore; ++i) bps.push_back({0.1 * (i + 1), i % 2 ? 1.0f : 0.3f});
      for (int i = 0; i <= c.lastBefore; ++i) {
        s->breakpoints[i].time = bps[i].first * 44100;
        s->breakpoints[i].level = bps[i].second;
      }
      s->lastIndex = static_cast<int16_t>(c.lastBefore);
      s->mode = static_cast<uint16_t>(c.mode);
      s->sustainIndex = static_cast<int16_t>(c.lastBefore >= 2 ? 1 : 0);
      s->loopStart = 0;
      std::vector<double> abs;
      for (int i = 0; i <= c.lastBefore; ++i) abs.push_back(envBpAbsSeconds(s, i));
      envGraphSelectItem(kPageWin, 16);
      envGraphClearBpSelection(kPageWin);
      if (c.last >= 0) {
        envGraphExtendBpSelection(kPageWin, static_cast<int16_t>(c.first));
        envGraphExtendBpSelection(kPageWin, static_cast<int16_t>(c.last));
      }
      msgBoxCaptureEnd();
      msgBoxCaptureBegin(msgAnswerOk);
      envGraphDeleteBreakpoint(row, s, static_cast<int16_t>(c.first));
      EXPECT_EQ(s->lastIndex, c.lastAfter) << c.first << ".." << c.last;
      if (c.lastAfter == c.lastBefore) {
        EXPECT_EQ(msgBoxCaptureCount(), 1u);
        continue;
      }
      // Every breakpoint left keeps its absolute time.
      for (int i = 0; i <= s->lastIndex; ++i) {
        const double t = envBpAbsSeconds(s, i);
        bool found = false;
        for (double a : abs) found = found || std::fabs(a - t) < 1e-9;
        EXPECT_TRUE(found) << "breakpoint " << i << " at " << t;
      }
      EXPECT_NEAR(envBpAbsSeconds(s, s->lastIndex), abs.back(), 1e-9) << "the last keeps its time";
      EXPECT_LE(s->sustainIndex, std::max<int>(s->lastIndex, 0));
      EXPECT_FALSE(envGraphHasBpSelection(kPageWin));
    }
  });
}

// A voice holding at the sustain point keeps holding at the same breakpoint (and level) when a
// breakpoint is added before it or one before it is deleted.
TEST(EnvDrag, PlayingVoicesStayOnTheirBreakpoints) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      e->channels[0]->on = 1;
      shapeSlot(engineGetEnvelopeSlot(e, 0), 0.0f, {{0.01, 1.0f}, {0.01, 0.5f}, {0.01, 0.8f}, {0.2, 0.0f}}, 2);
    });
    Engine* e = page.engine();
    std::vector<float> a(128), b(128);
    float* outs[2] = {a.data(), b.data()};
    midiQueuePushShort(&e->midi, 0x90, 60, 100);
    for (int k = 0; k < 40; ++k) TestAudioThread::runClientSubBlock(e, outs, 2);
    const int16_t v = e->midi.noteVoice[60];
    ASSERT_GE(v, 0);
    EnvelopeInstance& in = e->envInstances[0][v];
    ASSERT_EQ(in.state, envStateHolding);
    const int16_t target = in.segmentTarget;
    const int16_t sustain = page.slot(0)->sustainIndex;
    envGraphAddBreakpoint(page.row(16), page.slot(0), 0.005, 0.3);
    EXPECT_EQ(in.segmentTarget, target + 1);
    EXPECT_EQ(page.slot(0)->sustainIndex, sustain + 1);
    for (int k = 0; k < 10; ++k) TestAudioThread::runClientSubBlock(e, outs, 2);
    EXPECT_EQ(in.state, envStateHolding);
    EXPECT_NEAR(in.output, 0.8f, 1e-3) << "still holding the sustain level";
    envGraphClearBpSelection(kPageWin);
    envGraphDeleteBreakpoint(page.row(16), page.slot(0), 0);
    EXPECT_EQ(in.segmentTarget, target);
    for (int k = 0; k < 10; ++k) TestAudioThread::runClientSubBlock(e, outs, 2);
    EXPECT_EQ(in.state, envStateHolding);
    EXPECT_NEAR(in.output, 0.8f, 1e-3);
  });
}

}  // namespace
