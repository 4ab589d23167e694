// A soak of random edits with the mouse (adds, deletes, slope drags and drags in a surround-pan pair's
// XY square) while the audio thread renders a held note: every slot stays valid, the output finite,
// and no slot handshake goes unanswered.
#include "../envHarness.h"

#include <cmath>
#include <random>
#include <vector>

#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"

int envEditHandshakeMisses();

namespace {

bool slotValid(const EnvelopeSlot* s) {
  return s->lastIndex >= 2 && s->lastIndex <= 67 && s->loopStart >= 0 && s->loopStart < s->sustainIndex &&
         s->sustainIndex < s->lastIndex;
}

TEST(EnvSoak, SoakOfRandomEditsWhileANoteIsHeld) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      e->channels[0]->on = 1;
      shapeSlot(engineGetEnvelopeSlot(e, 0), 0.0f, {{0.1, 1.0f}, {0.3, 0.7f}, {0.6, 0.7f}, {0.5, 0.0f}}, 2);
      const int16_t pan = envCreate(e, 0, envDestSurroundPan);
      (void)pan;
    });
    envListOnFilter(page.item(envItemFilter), 0, envFilterChannel1);
    drainMessages();
    Engine* e = page.engine();
    TestAudioThread audio(e, 0.0f);
    audio.start();
    midiQueuePushShort(&e->midi, 0x90, 60, 100);
    std::mt19937 rng(45);
    std::uniform_int_distribution<int> pick(0, 99);
    ControlItem* row = page.row(16);
    const int before = envEditHandshakeMisses();
    int xyDrags = 0, slopeDrags = 0;
    for (int i = 0; i < 1000; ++i) {
      const CtrlRect r = row->rect;
      EnvelopeGraphRecord* rec = page.record(16);
      const int what = pick(rng) % 4;
      if (what == 0) {
        page.doubleClick(r.left + 4 + pick(rng) * (r.right - r.left - 8) / 100,
                         r.top + 4 + pick(rng) * (r.bottom - r.top - 8) / 100);
      } else if (what == 1 && rec->pointCount > 0) {
        const GraphHit& h = rec->pointHits[pick(rng) % rec->pointCount];
        page.doubleClick((h.left + h.right) / 2, (h.top + h.bottom) / 2);
      } else if (what == 2 && rec->handleCount > 0) {
        const GraphHit& h = rec->handleHits[pick(rng) % rec->handleCount];
        const int x = (h.left + h.right) / 2, y = (h.top + h.bottom) / 2;
        page.drag(x, y, x, y + pick(rng) - 50, 2);
        ++slopeDrags;
      } else {
        // A drag in the XY square of the pair's row.
        for (int id = 17; id <= 38; ++id) {
          EnvelopeGraphRecord* pr = page.record(id);
          if (!pr || !pr->xyHits || !pr->xyHits[0].valid) continue;
          const GraphHit& h = pr->xyHits[pick(rng) % 3];
          if (!h.valid) break;
          const int x = (h.left + h.right) / 2, y = (h.top + h.bottom) / 2;
          page.drag(x, y, x + pick(rng) - 50, y + pick(rng) - 50, 2);
          ++xyDrags;
          break;
        }
      }
      for (int s = 0; s < envSlotCount; ++s) {
        const EnvelopeSlot* slot = page.slot(s);
        if (slot->destination == 0) continue;
        ASSERT_TRUE(slotValid(slot)) << "edit " << i << " slot " << s << " last " << slot->lastIndex << " sus "
                                     << slot->sustainIndex << " loop " << slot->loopStart;
        for (int b = 0; b <= slot->lastIndex; ++b) {
          ASSERT_TRUE(std::isfinite(slot->breakpoints[b].time) && slot->breakpoints[b].time >= 0.0);
          ASSERT_TRUE(slot->breakpoints[b].level >= 0.0f && slot->breakpoints[b].level <= 1.0f);
        }
      }
      if (HasFatalFailure()) break;
    }
    audio.stop();
    EXPECT_GT(xyDrags, 50);
    EXPECT_GT(slopeDrags, 50);
    EXPECT_EQ(envEditHandshakeMisses(), before) << "no handshake timed out";
    std::vector<float> a(128), b(128);
    float* outs[2] = {a.data(), b.data()};
    for (int k = 0; k < 100; ++k) {
      TestAudioThread::runClientSubBlock(e, outs, 2);
      for (float x : a) ASSERT_TRUE(std::isfinite(x));
    }
    page.capture("envelope_soak.png");
  });
}

}  // namespace
