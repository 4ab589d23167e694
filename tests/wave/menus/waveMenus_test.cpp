// The waveform "Transform" menu's commands, the wave clipboard, the wave library (a .gly file written
// and read back, one holding NaN and Inf), and the sound: a note on an oscillator playing the edited
// wave, rendered before and after the wave changes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "../waveRig.h"
#include "controls/selector.h"
#include "engine/testAudioThread.h"
#include "pages/clipKinds.h"
#include "preset/chunk.h"
#include "preset/library.h"
#include "preset/oscParams.h"
#include "preset/sampleTestSettings.h"
#include "support/signal.h"
#include "support/tempDir.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/popupMenu.h"
#include "uiaTestSupport.h"

using namespace waverig;

namespace {

const int16_t kWin = kPageWin;

void command(WaveHarness& page, int entry) {
  waveFormMenuCommand(page.item(waveItemWaveMenu), 0, static_cast<int16_t>(entry));
  drainMessages();
}

double mean(const std::vector<float>& s) {
  double m = 0;
  for (float v : s) m += v;
  return m / s.size();
}

}  // namespace

TEST(WaveMenus, TheWaveCommandsChangeTheWaveAsOneUndoStepEach) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    const std::vector<float> lopsided =
        shape([](int i) { return 0.2 + 0.3 * std::sin(2 * kPi * i / 1024) + 0.1 * std::sin(6 * kPi * i / 1024); });
    page.edit(lopsided);
    // The menu as it opens: every entry in order, separators greyed.
    waveFormMenuFill(page.item(waveItemWaveMenu), 1);
    SelectorData* d = selectorFind(kWin, waveItemWaveMenu);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(GetMenuItemCount(d->menu), 17);
    EXPECT_TRUE(GetMenuState(d->menu, waveCmdSep1, MF_BYCOMMAND) & MF_GRAYED);
    waveFormMenuFill(page.item(waveItemWaveMenu), 0);

    const struct {
      int entry;
      const char* name;
    } steps[] = {{waveCmdNormalize, "Normalize"},
                 {waveCmdDcOffset, "DC Offset"},
                 {waveCmdInvert, "Invert"},
                 {waveCmdReverse, "Reverse"},
                 {waveCmdClear, "Clear"}};
    for (const auto& s : steps) {
      SCOPED_TRACE(s.name);
      page.setCurrent(lopsided);
      const std::vector<float> before = page.current();
      command(page, s.entry);
      const std::vector<float> after = page.current();
      EXPECT_EQ(undoGetKind(), undoKindWaveform);
      switch (s.entry) {
        case waveCmdNormalize:
          EXPECT_NEAR(peakOf(after), 0.995, 1e-6);
          EXPECT_NEAR(after[100] / before[100], 0.995 / peakOf(before), 1e-5);
          break;
        case waveCmdDcOffset:
          EXPECT_NEAR(mean(after), 0.0, 1e-6);
          EXPECT_NEAR(peakOf(after), 0.995, 1e-6);
          break;
        case waveCmdInvert:
        case waveCmdReverse:
          for (int i = 0; i < waveLength; ++i)
            ASSERT_EQ(after[i], s.entry == waveCmdInvert ? -before[i] : before[waveLength - 1 - i]) << i;
          command(page, s.entry);
          EXPECT_EQ(page.current(), before) << "twice gives the wave back";
          command(page, s.entry);
          break;
        case waveCmdClear: EXPECT_EQ(peakOf(after), 0.0f); break;
      }
      const std::vector<float> done = page.current();
      undoRedo(kWin);
      EXPECT_LT(maxDiff(page.current(), before), 1e-7);
      undoRedo(kWin);
      EXPECT_LT(maxDiff(page.current(), done), 1e-7);
    }
    // Silence stays silence: neither scaled nor guarded.
    page.setCurrent(std::vector<float>(waveLength, 0.0f));
    command(page, waveCmdNormalize);
    EXPECT_EQ(page.current(), std::vector<float>(waveLength, 0.0f));
    command(page, waveCmdDcOffset);
    EXPECT_EQ(page.current(), std::vector<float>(waveLength, 0.0f));
  });
}

// Copy on one wave, Paste on another: one undo step; Paste without a wave does nothing.
TEST(WaveMenus, CopyAndPasteBetweenTwoWavesIsOneUndoStep) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    Engine* e = page.engine();
    const int16_t a = page.edit(square(0.7));
    const int16_t b = makeWave(e, sine(0.4));
    page.refresh();
    clipSetPasteKind(clipKindNone);
    clipCopy(kWin);
    EXPECT_EQ(clipGetPasteKind(), clipKindWave);
    waveSelectorChosen(page.item(waveItemSelector), 0, static_cast<int16_t>(b + 1));
    const std::vector<float> before = samplesOf(e, b);
    clipPaste(kWin);
    EXPECT_LT(maxDiff(samplesOf(e, b), samplesOf(e, a)), 1e-7);
    EXPECT_EQ(undoGetKind(), undoKindWaveform);
    undoRedo(kWin);
    EXPECT_LT(maxDiff(samplesOf(e, b), before), 1e-7);
    undoRedo(kWin);
    EXPECT_LT(maxDiff(samplesOf(e, b), samplesOf(e, a)), 1e-7);
    // A clipboard holding NaN and Inf pastes as finite samples.
    waveEditBuffers()->clipWave[5] = NAN;
    waveEditBuffers()->clipWave[6] = INFINITY;
    clipPaste(kWin);
    EXPECT_TRUE(allFinite(samplesOf(e, b)));
  });
}

// "Save Wave to Library..." writes a .gly file; "Load Wave from Library" reads it into another wave.
// A library wave holding NaN and Inf loads as finite samples.
TEST(WaveMenus, ALibraryWaveSavedAndLoadedIntoAnotherWaveIsTheSame) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    Engine* e = page.engine();
    const std::string root = testTempDir() + "wave_lib" + std::string(1, testTempDir().back());
    char folderName[32];
    libFolderName(libKindWave, folderName, sizeof folderName);
    const std::string folder = root + folderName;
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(folder);
    if (!gpSettings()) gpOpenAppRegistry("MorvaneWaveTests");
    testSetSetting("LibrariesPath", root.c_str());
    if (!chunkBufferData()) {
      ASSERT_TRUE(chunkBufferInit(chunkCapacity));
    }
    fileSetChunkTypeCallback(chunkHeaderCheck);
    libSetupAll();

    const std::vector<float> saved = shape([](int i) { return 0.6 * std::sin(2 * kPi * 3 * i / 1024) - 0.2; });
    const int16_t a = page.edit(saved);
    const int16_t b = makeWave(e, sine(0.3));
    const std::string file = folder + "saved.gly";
    appChooseFileQueue(1, file.c_str());
    command(page, waveCmdSaveLibrary);
    ASSERT_TRUE(std::filesystem::exists(file));
    std::vector<float> noisy = saved;
    noisy[10] = NAN;
    noisy[11] = INFINITY;
    noisy[12] = -INFINITY;
    page.setCurrent(noisy);
    const std::string bad = folder + "zbad.gly";
    appChooseFileQueue(1, bad.c_str());
    command(page, waveCmdSaveLibrary);
    ASSERT_TRUE(std::filesystem::exists(bad));
    page.setCurrent(saved);

    waveSelectorChosen(page.item(waveItemSelector), 0, static_cast<int16_t>(b + 1));
    waveFormMenuFill(page.item(waveItemWaveMenu), 1);
    const int16_t lib = libGetKindHandle(libKindWave);
    ASSERT_NE(lib, 0);
    int savedItem = 0, badItem = 0;
    for (int pos = 0; pos < popupItemCount(lib); ++pos) {
      char text[64];
      popupItemText(lib, pos, text, sizeof text);
      if (std::string(text) == "saved") savedItem = popupItemId(lib, pos);
      if (std::string(text) == "zbad") badItem = popupItemId(lib, pos);
    }
    ASSERT_NE(savedItem, 0);
    ASSERT_NE(badItem, 0);
    waveFormMenuCommand(page.item(waveItemWaveMenu), lib, static_cast<int16_t>(savedItem));
    EXPECT_EQ(samplesOf(e, b), samplesOf(e, a)) << "read back from the file";
    EXPECT_EQ(undoGetKind(), undoKindWaveform);
    waveFormMenuCommand(page.item(waveItemWaveMenu), lib, static_cast<int16_t>(badItem));
    const std::vector<float> loaded = samplesOf(e, b);
    EXPECT_TRUE(allFinite(loaded));
    EXPECT_EQ(loaded[10], 0.0f);
    EXPECT_EQ(loaded[13], saved[13]);
    waveFormMenuFill(page.item(waveItemWaveMenu), 0);
    libResetForTest();
    testSetSetting("LibrariesPath", nullptr);
    std::filesystem::remove_all(root);
  });
}

namespace {

// Strength of the third harmonic against the fundamental.
double thirdOverFirst(const std::vector<float>& s) {
  const double f = signalPeakFrequency(s, 44100.0);
  const double a1 = signalToneAmplitude(s.data(), s.size(), 44100.0, f);
  const double a3 = signalToneAmplitude(s.data(), s.size(), 44100.0, 3 * f);
  return a1 > 0 ? a3 / a1 : 0;
}

}  // namespace

// A held note on an oscillator playing local wave 0 (a sine) renders a sine; after a paste of a
// square wave, and after a stroke, the next blocks show a strong third harmonic.
TEST(WaveMenus, TheEditedWaveSoundsAtOnce) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    Engine* e = page.engine();
    const int16_t index = page.edit(sine(0.9));
    oscSetOn(e, 0, 1);
    oscSetType(e, 0, 0);
    // Band-limited: the oscillator plays the tables the edits rebuild.
    oscSetBandLimited(e, 0, 1);
    oscSetWaveA(e, 0, static_cast<int16_t>(waveLocalIdBase + index));
    engineApplyPatchChange(e, 1);
    const std::vector<float> pure = renderHeldNote(e, 40, true);
    ASSERT_GT(signalRms(pure), 0.001);
    const double pureRatio = thirdOverFirst(pure);
    EXPECT_LT(pureRatio, 0.02);
    // Paste a square wave.
    std::memcpy(waveEditBuffers()->clipWave, square().data(), sizeof(float) * waveLength);
    clipSetPasteKind(clipKindWave);
    clipPaste(kWin);
    const std::vector<float> squared = renderHeldNote(e, 40, false);
    const double squareRatio = thirdOverFirst(squared);
    EXPECT_GT(squareRatio, 0.2);
    EXPECT_TRUE(signalAllNormal(squared.data(), squared.size()));
    // Back to the sine, then a straight stroke from the first sample to the last, which makes it a
    // sawtooth: the rendered sound follows while the stroke is still held.
    undoRedo(kWin);
    EXPECT_LT(thirdOverFirst(renderHeldNote(e, 40, false)), 0.02);
    const CtrlRect r = page.rect(waveItemDisplay);
    page.click(waveItemToolLine);
    waveDisplaySetPosition(kWin, 1);
    page.press(r.left + 1, r.top + 20);
    page.drag(r.right + 10, r.top + 20);
    const std::vector<float> stroked = renderHeldNote(e, 40, false);
    page.release(r.right + 10, r.top + 20);
    std::printf("third / first: sine %.4f, pasted square %.3f, stroke %.3f\n", pureRatio, squareRatio,
                thirdOverFirst(stroked));
    EXPECT_GT(thirdOverFirst(stroked), 0.1);
  });
}
