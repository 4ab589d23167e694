// Editing breakpoints with the mouse on real rows: a double click between markers adds a breakpoint at
// that time and level (later ones keep their absolute times) and on a marker deletes it, heard end to
// end; the refusals through the message sink leave the slot byte-identical.
#include "../envHarness.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"

int envEditHandshakeMisses();

namespace {

// The window point of time t (seconds) and level L on a row, as the layout maps them.
CtrlPoint pointOf(EnvHarness& page, int id, double t, double level) {
  const CtrlRect r = page.row(id)->rect;
  const EnvelopeView* v = page.view();
  CtrlPoint p;
  p.x = static_cast<int16_t>(v->graphX0 + (t - v->timeOffset) * v->pixelsPerSecond + 0.5);
  p.y = static_cast<int16_t>(r.bottom - level * page.view()->itemHeight);
  return p;
}

double absTime(const EnvelopeSlot* s, int i) { return envBpAbsSeconds(s, i); }

TEST(EnvEdit, DoubleClickAddsBetweenMarkersAndDeletesOnAMarker) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      shapeSlot(engineGetEnvelopeSlot(e, 0), 1.0f, {{1.0, 1.0f}, {0.5, 1.0f}, {1.0, 0.0f}}, 1);
    });
    EnvelopeSlot* s = page.slot(0);
    const double t1 = absTime(s, 1), t2 = absTime(s, 2);
    const CtrlPoint p = pointOf(page, 16, 0.5, 0.25);
    page.doubleClick(p.x, p.y);
    ASSERT_EQ(s->lastIndex, 3);
    EXPECT_NEAR(absTime(s, 0), 0.5, 1.5 / 128);
    EXPECT_NEAR(s->breakpoints[0].level, 0.25, 1.5 / 128);
    EXPECT_NEAR(absTime(s, 2), t1, 1e-9) << "later breakpoints keep their absolute times";
    EXPECT_NEAR(absTime(s, 3), t2, 1e-9);
    EXPECT_EQ(s->sustainIndex, 2) << "the hold point stays on its breakpoint";
    EXPECT_EQ(page.view()->bpSelFirst, 0);
    page.capture("envelope_added.png");

    // A double click on the new marker deletes it; the next breakpoint keeps its absolute time.
    EnvelopeGraphRecord* r = page.record(16);
    int k = -1;
    for (int i = 0; i < r->pointCount; ++i)
      if (r->pointHits[i].breakpoint == 0) k = i;
    ASSERT_GE(k, 0);
    page.doubleClick((r->pointHits[k].left + r->pointHits[k].right) / 2,
                     (r->pointHits[k].top + r->pointHits[k].bottom) / 2);
    ASSERT_EQ(s->lastIndex, 2);
    EXPECT_NEAR(absTime(s, 0), 1.0, 1e-9);
    EXPECT_NEAR(absTime(s, 2), t2, 1e-9);
    EXPECT_EQ(s->sustainIndex, 1);
    EXPECT_EQ(msgBoxCaptureCount(), 0u);
  });
}

// A press on every marker the layout registered hits that breakpoint (the selection shows it).
TEST(EnvEdit, EveryMarkerInTheRowTakesAPress) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      shapeSlot(engineGetEnvelopeSlot(e, 0), 0.0f, {{0.2, 1.0f}, {0.3, 0.6f}, {0.4, 0.8f}, {0.5, 0.1f}, {0.6, 0.0f}},
                2);
    });
    EnvelopeGraphRecord* r = page.record(16);
    ASSERT_EQ(r->pointCount, 5);
    ASSERT_TRUE(r->startMark.valid);
    std::vector<GraphHit> hits(r->pointHits, r->pointHits + r->pointCount);
    hits.push_back(r->startMark);
    for (const GraphHit& h : hits) {
      page.click((h.left + h.right) / 2, (h.top + h.bottom) / 2);
      EXPECT_EQ(page.view()->selectedItem, 16);
      EXPECT_EQ(page.view()->bpSelFirst, h.breakpoint);
      EXPECT_EQ(page.view()->bpSelLast, h.breakpoint);
    }
  });
}

TEST(EnvEdit, RefusalsLeaveTheSlotByteIdentical) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      EnvelopeSlot* full = engineGetEnvelopeSlot(e, 0);
      for (int i = 0; i < 68; ++i) full->breakpoints[i] = {441.0, 0.5f, 1.0f, 0, 0, 0, 0, 0, 1.0, 1.0, 0.0f};
      full->lastIndex = 67;
      shapeSlot(engineGetEnvelopeSlot(e, 1), 0.0f, {{0.2, 1.0f}, {0.3, 0.6f}, {0.4, 0.0f}}, 1);
      const int16_t linked = envCreate(e, 2, envDestOscPitch);
      EnvelopeSlot* l = engineGetEnvelopeSlot(e, linked);
      l->linked = 1;
      l->linkMaster = engineGetEnvelopeSlot(e, 1)->id;
      envRefreshSlot(e, linked);
    });
    envListOnFilter(page.item(envItemFilter), 0, envFilterAll);
    drainMessages();
    struct Case {
      int id;
      const char* text;
      std::function<void()> act;
    };
    auto rowOfSlot = [&](int slot) {
      for (int id = 16; id <= 38; ++id)
        if (page.record(id) && page.record(id)->slotIndex == slot) return id;
      return -1;
    };
    const int fullRow = rowOfSlot(0), shortRow = rowOfSlot(1), linkedRow = rowOfSlot(3);
    ASSERT_GT(fullRow, 0);
    ASSERT_GT(shortRow, 0);
    ASSERT_GT(linkedRow, 0);
    auto center = [](const GraphHit& h) {
      return CtrlPoint{static_cast<int16_t>((h.top + h.bottom) / 2), static_cast<int16_t>((h.left + h.right) / 2)};
    };
    const Case cases[] = {
        {fullRow, "Envelopes can have a maximum of 68 breakpoints, can't add any more.",
         [&] {
           const CtrlRect r = page.row(fullRow)->rect;
           page.doubleClick(r.right - 30, r.top + 20);
         }},
        {shortRow, "Can't delete any more breakpoints from this envelope.",
         [&] {
           const CtrlPoint p = center(page.record(shortRow)->pointHits[1]);
           page.doubleClick(p.x, p.y);
         }},
        {linkedRow, "A linked envelope cannot be edited directly. Please edit the master envelope instead.",
         [&] {
           const CtrlPoint p = center(page.record(linkedRow)->pointHits[1]);
           page.click(p.x, p.y);
         }},
        {linkedRow, "A linked envelope cannot be edited directly. Please edit the master envelope instead.",
         [&] {
           const CtrlPoint p = center(page.record(linkedRow)->handleHits[0]);
           page.click(p.x, p.y);
         }},
    };
    for (const Case& c : cases) {
      const int slot = page.record(c.id)->slotIndex;
      EnvelopeSlot before;
      std::memcpy(&before, page.slot(slot), sizeof before);
      msgBoxCaptureEnd();
      msgBoxCaptureBegin(msgAnswerOk);
      c.act();
      ASSERT_GE(msgBoxCaptureCount(), 1u) << c.text;
      EXPECT_STREQ(msgBoxCaptureText(0), c.text);
      EXPECT_EQ(std::memcmp(&before, page.slot(slot), sizeof before), 0) << c.text;
      if (c.id == linkedRow) {
        EnvelopeSlot master;
        std::memcpy(&master, page.slot(1), sizeof master);
        EXPECT_EQ(std::memcmp(&master, page.slot(1), sizeof master), 0);
      }
    }
    page.capture("envelope_linked.png");
  });
}

// Peak of |x| over the 64 samples that end at n.
double peakAt(const std::vector<float>& x, long n) {
  double p = 0.0;
  for (long i = std::max(0L, n - 63); i <= n; ++i) p = std::max(p, static_cast<double>(std::fabs(x[i])));
  return p;
}

std::vector<float> renderHeldNote(Engine* e, int blocks) {
  std::vector<float> a(128), b(128), out;
  float* outs[2] = {a.data(), b.data()};
  midiQueuePushShort(&e->midi, 0x90, 96, 127);
  for (int k = 0; k < blocks; ++k) {
    TestAudioThread::runClientSubBlock(e, outs, 2);
    out.insert(out.end(), a.begin(), a.end());
  }
  midiQueuePushShort(&e->midi, 0x80, 96, 64);
  for (int k = 0; k < 200; ++k) TestAudioThread::runClientSubBlock(e, outs, 2);
  return out;
}

// End to end: the amplitude envelope holds at 1.0 up to 1 s; a breakpoint added at 0.5 s on the
// bottom row of the graph (while the audio thread runs) makes the held note dip to near silence there.
TEST(EnvEdit, AddedBreakpointIsHeardInTheRenderedNote) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      e->channels[0]->on = 1;
      shapeSlot(engineGetEnvelopeSlot(e, 0), 1.0f, {{1.0, 1.0f}, {0.2, 1.0f}, {0.5, 0.0f}}, 1);
    });
    Engine* e = page.engine();
    const std::vector<float> before = renderHeldNote(e, 44100 / 128);
    const double full = peakAt(before, 22050);
    ASSERT_GT(full, 0.01);
    {
      TestAudioThread audio(e);
      audio.start();
      const CtrlPoint p = pointOf(page, 16, 0.5, 0.0);
      page.doubleClick(p.x, page.row(16)->rect.bottom - 1);
      audio.stop();
    }
    EXPECT_EQ(envEditHandshakeMisses(), 0);
    ASSERT_EQ(page.slot(0)->lastIndex, 3);
    EXPECT_LT(page.slot(0)->breakpoints[0].level, 0.02);
    const std::vector<float> after = renderHeldNote(e, 44100 / 128);
    EXPECT_LT(peakAt(after, 22050 + 64), 0.1 * full) << "near silence around 0.5 s";
    EXPECT_GT(peakAt(after, 43000), 0.5 * full) << "back at full level by 1 s";
    EXPECT_GT(peakAt(after, 8000), 0.3 * full);
  });
}

}  // namespace
