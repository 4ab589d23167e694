// The envelope menu's delete and initialise on the page: a delete answered Yes clears the slot while
// the output fades out and in again, Edit > Undo brings back all 28 slots and the list row; No, a
// channel's amplitude envelope and no selection change nothing; initialise resets to the
// destination's defaults as one undo step.
#include "../envToolsRig.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "engine/testAudioThread.h"
#include "envelope/envSettings.h"
#include "preset/undo.h"

namespace {

enum { menuInitEntry = 8, menuDeleteEntry = 9 };

std::vector<EnvelopeSlot> allSlots(EnvHarness& page) {
  std::vector<EnvelopeSlot> out;
  for (int s = 0; s < envSlotCount; ++s) out.push_back(*page.slot(s));
  return out;
}

bool same(EnvHarness& page, const std::vector<EnvelopeSlot>& v) {
  for (int s = 0; s < envSlotCount; ++s)
    if (!envSameSlot(*page.slot(s), v[s])) return false;
  return true;
}

int listRowOf(EnvHarness& page, const std::string& text) {
  for (int r = 0; r < 28; ++r)
    if (page.listText(r) == text) return r;
  return -1;
}

void answer(int a) {
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(a);
}

TEST(EnvRemove, DeleteFadesOutAndInAndUndoBringsItBack) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page([](Engine* e) {
      envCreate(e, 0, envDestOscPitch);
      envCreate(e, 1, envDestFilterFreq);
      shapeSlot(engineGetEnvelopeSlot(e, 4), 0.1f, {{0.2, 0.9f}, {0.3, 0.2f}, {0.4, 0.0f}}, 1);
    });
    Engine* e = page.engine();
    ASSERT_NE(envSelectSlot(page, 4), 0);
    ASSERT_GE(listRowOf(page, "filter 2 freq (1)"), 0);
    const auto before = allSlots(page);

    // No: nothing happens.
    answer(msgAnswerNo);
    envMenuOnChoose(page.item(envItemMenu), 0, menuDeleteEntry);
    ASSERT_EQ(msgBoxCaptureCount(), 1u);
    EXPECT_STREQ(msgBoxCaptureText(0), "Are you sure you want to delete the selected envelope?");
    EXPECT_TRUE(same(page, before));

    // Yes, with the audio thread playing a steady signal: the output fades out, the slot is cleared
    // while it is silent, and the restart fades it in again.
    answer(msgAnswerYes);
    TestAudioThread audio(e, 1.0f, 24);
    audio.start();
    while (audio.blocksRun() < 4) std::this_thread::yield();
    audio.armCapture();
    const int missesBefore = engineHandshakeMisses();
    const auto t0 = std::chrono::steady_clock::now();
    envMenuOnChoose(page.item(envItemMenu), 0, menuDeleteEntry);
    const double stallMs = msSince(t0);
    ASSERT_TRUE(audio.waitCapture());
    const std::vector<float>& out = audio.captured();
    int k = 0;
    while (k < static_cast<int>(out.size()) && out[k] == 1.0f) ++k;
    ASSERT_GT(k, 0) << "full level before the stop";
    float worstStep = 0.0f;
    for (int n = 1; n < static_cast<int>(out.size()); ++n)
      worstStep = std::max(worstStep, std::fabs(out[n] - out[n - 1]));
    EXPECT_LT(worstStep, 0.05f) << "a fade, not a click";
    // Down to the fade's floor before the slot changes. Blocks the audio thread runs while it is paused
    // are silence; how many it runs before the restart fades in again depends on the two threads'
    // speeds, so the capture may end in silence or in the fade-in.
    EXPECT_LE(*std::min_element(out.begin() + k, out.end()), 0.001f) << "silent while the slot changes";
    // Restarted and faded in: the audio side finished the ramp (it is owed at any speed; the bound
    // only ends the wait on a thread that stopped).
    const auto t1 = std::chrono::steady_clock::now();
    while (e->deviceRampGain.load() < 1.0f && msSince(t1) < 30000.0) std::this_thread::yield();
    EXPECT_EQ(e->paused.load(), 0);
    EXPECT_EQ(e->deviceRampGain.load(), 1.0f);
    std::printf("[figure] envelope delete: total stall %.1f ms (stop, clear, page refresh, rebuild, restart)\n",
                stallMs);
    // The stall is the audio side's two fades and the page's work: the audio side answered both the
    // stop and the restart, so neither wait ran to its bound (the clock's figure depends on the load).
    EXPECT_EQ(engineHandshakeMisses(), missesBefore) << "the stop or the restart waited out its bound";

    EXPECT_EQ(page.slot(4)->destination, 0);
    EXPECT_EQ(page.slot(4)->allocated, 0);
    EXPECT_EQ(listRowOf(page, "filter 2 freq (1)"), -1) << "its row is gone";
    EXPECT_EQ(envGraphSelectedSlotIndex(kPageWin), -1) << "nothing selected: no other envelope took its place";
    page.capture("envelope_deleted.png");

    // Edit > Undo: all 28 slots and the row.
    char label[64];
    undoGetMenuText(label, sizeof label);
    EXPECT_STREQ(label, "Undo Envelope Edit");
    undoRedo(kPageWin);
    EXPECT_TRUE(same(page, before));
    EXPECT_GE(listRowOf(page, "filter 2 freq (1)"), 0) << "the row is back";
    undoRedo(kPageWin);
    EXPECT_EQ(page.slot(4)->destination, 0) << "redo deletes again";
    audio.stop();
    EXPECT_EQ(msgBoxCaptureCount(), 1u);
  });
}

TEST(EnvRemove, RefusalsChangeNothing) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page([](Engine* e) { envCreate(e, 0, envDestOscPitch); });
    const auto before = allSlots(page);
    ASSERT_NE(envSelectSlot(page, 0), 0);
    envDeleteSelected(kPageWin);
    envGraphSelectItem(kPageWin, 0);
    envDeleteSelected(kPageWin);
    ASSERT_EQ(msgBoxCaptureCount(), 2u);
    EXPECT_STREQ(msgBoxCaptureText(0), "Morvane error 58814, envelope delete failed.");
    EXPECT_STREQ(msgBoxCaptureText(1), "Morvane error 58813, envelope delete failed.");
    EXPECT_TRUE(same(page, before));
    // Initialise without a selection does nothing either.
    envInitSelected(kPageWin);
    EXPECT_TRUE(same(page, before));
  });
}

TEST(EnvRemove, InitialiseResetsToTheDestinationDefaultsAsOneUndoStep) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page([](Engine* e) {
      const int16_t s = envCreate(e, 2, envDestOscPitch);
      shapeSlot(engineGetEnvelopeSlot(e, s), 0.7f, {{0.1, 0.3f}, {0.2, 0.9f}, {0.3, 0.5f}, {0.1, 0.4f}, {0.2, 0.1f}},
                3);
    });
    Engine* e = page.engine();
    TestAudioThread audio(e, 0.0f);
    audio.start();
    ASSERT_NE(envSelectSlot(page, 3), 0);
    const EnvelopeSlot edited = *page.slot(3);
    envMenuOnChoose(page.item(envItemMenu), 0, menuInitEntry);
    EnvelopeSlot fresh{};
    envInitSlot(&fresh, 3, envDestOscPitch);
    envApplyDestDefaults(&fresh, envDestOscPitch);
    const EnvelopeSlot* s = page.slot(3);
    EXPECT_EQ(s->destination, 2);
    EXPECT_EQ(s->owner, 2);
    EXPECT_EQ(s->lastIndex, fresh.lastIndex);
    EXPECT_EQ(s->sustainIndex, fresh.sustainIndex);
    EXPECT_FLOAT_EQ(s->startLevel, fresh.startLevel);
    EXPECT_EQ(std::memcmp(s->breakpoints, fresh.breakpoints, sizeof fresh.breakpoints), 0);
    char label[64];
    undoGetMenuText(label, sizeof label);
    EXPECT_STREQ(label, "Undo Envelope Edit");
    undoRedo(kPageWin);
    EXPECT_TRUE(envSameSlot(*page.slot(3), edited));
    audio.stop();
    EXPECT_NE(envHandshakeLoad(page.slot(3)), envHandshakeRequest);
  });
}

}  // namespace
