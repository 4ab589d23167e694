// A soak of the clipboard, undo, tools, add, delete and initialise in random order while the audio
// thread plays a held note: after every step each slot is one the generator can play, no handshake
// is left waiting, and the output stays finite.
#include "../envToolsRig.h"

#include <cmath>
#include <random>
#include <string>

#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"
#include "envelope/envClipboard.h"
#include "envelope/envUndo.h"
#include "pages/clipKinds.h"
#include "preset/oscParams.h"
#include "preset/undo.h"

namespace {

std::string slotProblem(const EnvelopeSlot& s) {
  if (s.destination < 1) return "";
  if (s.lastIndex < 0 || s.lastIndex > 67) return "last index";
  if (s.lastIndex >= 2 && (s.sustainIndex < 0 || s.sustainIndex >= s.lastIndex)) return "sustain";
  if (s.releaseIndex != s.sustainIndex) return "release copy";
  if (s.lastIndex >= 2 && (s.loopStart < 0 || s.loopStart >= s.sustainIndex)) return "loop start";
  if (!std::isfinite(s.startLevel)) return "start level";
  for (int k = 0; k <= s.lastIndex; ++k) {
    const Breakpoint& b = s.breakpoints[k];
    if (!(b.time >= 0.0 && b.time <= 44100.0 * 86400.0)) return "time " + std::to_string(k);
    if (!std::isfinite(b.level) || !std::isfinite(b.slope)) return "level or slope " + std::to_string(k);
  }
  return "";
}

TEST(EnvToolSoak, RandomEditsKeepEverySlotPlayable) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page([](Engine* e) {
      oscSetOn(e, 0, 1);
      envCreate(e, 0, envDestFilterFreq);
      envCreate(e, 0, envDestOscPitch);
      envCreate(e, 1, envDestOscVol);
    });
    Engine* e = page.engine();
    envListOnFilter(page.item(envItemFilter), 0, envFilterAll);
    TestAudioThread audio(e, 0.0f);
    audio.start();
    midiQueuePushShort(engineGetMidiQueue(e), 0x90, 60, 100);
    std::mt19937 rng(51);
    const char* values[] = {"0", "-1", "nan", "1e9", "0.5", "2", "8", "32", "0.001"};
    const uint16_t boxes[] = {envToolsTimeScale,      envToolsAmpScale, envToolsAmpOffset, envToolsSlopeScale,
                              envToolsSeconds,        envToolsDurBpm,   envToolsDurBeats,  envToolsArBpm,
                              envToolsArBeatDuration, envToolsArBeats,  envToolsArAttack,  envToolsArMinAmp,
                              envToolsArSlope};
    const int steps = 160;
    for (int i = 0; i < steps; ++i) {
      // An envelope that exists, selected as a press on its row would.
      int slot = -1;
      for (int tries = 0; tries < 40 && slot < 0; ++tries) {
        const int s = static_cast<int>(rng() % envSlotCount);
        if (page.slot(s)->destination >= 1 && envSelectSlot(page, s)) slot = s;
      }
      const int op = static_cast<int>(rng() % 9);
      std::string what = std::to_string(op);
      if (slot >= 0) {
        const int row = envRowOfSlot(page, slot);
        switch (op) {
          case 0: clipCopy(kPageWin); break;
          case 1: {  // a run of breakpoints, then copy
            const int last = page.slot(slot)->lastIndex;
            envGraphClearBpSelection(kPageWin);
            envGraphSelectBp(page.row(row), static_cast<int16_t>(rng() % (last + 1)));
            envGraphExtendBpSelection(kPageWin, static_cast<int16_t>(rng() % (last + 1)));
            envGraphUpdateCopyKind(kPageWin);
            clipCopy(kPageWin);
            break;
          }
          case 2:
            if (rng() % 2) envGraphClearBpSelection(kPageWin);
            page.view()->hoverItem = nullptr;
            clipPaste(kPageWin);
            break;
          case 3: undoRedo(kPageWin); break;
          case 4: {
            const int tool = 1 + static_cast<int>(rng() % 3);
            envToolsShow(kPageWin, 1, tool);
            for (int k = 0; k < 3; ++k) {
              const uint16_t b = boxes[rng() % (sizeof boxes / sizeof boxes[0])];
              if (envPaneItem(paneEnvTools, b) && ctrlIsShown(kPageWin, b)) envToolsType(b, values[rng() % 9]);
            }
            if (rng() % 2) envToolsSelectRow(static_cast<int>(rng() % 4), rng() % 2 != 0);
            page.press(paneEnvTools, rng() % 2 ? envToolsOk : envToolsCancel);
            break;
          }
          case 5: envInitSelected(kPageWin); break;
          case 6:
            if (page.slot(slot)->destination != 1) envDeleteSelected(kPageWin);
            break;
          case 7:
            envAddPaneShow(kPageWin);
            page.press(paneEnvAdd, envAddOk);
            break;
          default: {  // a hostile clipboard envelope
            page.view()->clipSlot = *page.slot(slot);
            page.view()->clipSlot.linked = 1;
            page.view()->clipSlot.linkMaster = static_cast<int32_t>(rng() % 40) - 5;
            page.view()->clipSlot.lastIndex = static_cast<int16_t>(rng() % 90);
            envBpClipClear();
            clipSetCopyKind(clipKindEnvelope);
            clipSetPasteKind(clipKindEnvelope);
            clipPaste(kPageWin);
            break;
          }
        }
      }
      drainMessages();
      ASSERT_FALSE(envToolsState()->open) << what;
      for (int s = 0; s < envSlotCount; ++s) {
        ASSERT_EQ(slotProblem(*page.slot(s)), "") << "step " << i << " op " << what << " slot " << s;
        ASSERT_NE(envHandshakeLoad(page.slot(s)), envHandshakeRequest) << "step " << i << " op " << what;
      }
      ASSERT_EQ(e->paused.load(), 0) << "step " << i << " op " << what;
    }
    std::vector<float> out1(engineBlockMax), out2(engineBlockMax);
    audio.stop();
    float* outs[2] = {out1.data(), out2.data()};
    for (int b = 0; b < 50; ++b) {
      TestAudioThread::runClientSubBlock(e, outs, 2);
      for (float x : out1) ASSERT_TRUE(std::isfinite(x));
    }
    envBpClipClear();
  });
}

}  // namespace
