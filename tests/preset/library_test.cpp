// Module library files: folder scans into the kinds' menus (both byte orders, wrong kinds skipped,
// empty folders), loading into the engine (envelopes replaced, too many envelopes, undo only after a
// successful read-only open) and save-and-reload of every kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "chunkTestUtil.h"
#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "modules/effectFrame.h"
#include "preset/envelope.h"
#include "preset/library.h"
#include "preset/moduleRecords.h"
#include "preset/oscParams.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "sampleTestSettings.h"
#include "support/tempDir.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"

namespace {

const char* const kEnvelopeError =
    "Error, load envelopes failed! The maximum supported number of envelopes has been reached.";

std::string itemText(std::int16_t popup, int position) {
  char text[300];
  popupItemText(popup, position, text, sizeof text);
  return text;
}

class LibraryTest : public EngineFixture {
 protected:
  static void SetUpTestSuite() { presetWavesInit(); }
  void SetUp() override {
    chunktest::setUpChunkLayer();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root = testTempDir() + "lib_" + info->name() + sep();
    for (int kind = 1; kind <= libKindCount; ++kind) testMakeFolder(folder(kind));
    testSetSetting("LibrariesPath", root.c_str());
    EngineFixture::SetUp();
    if (HasFatalFailure()) return;
    target = engineCreate();  // the engine a library entry is loaded into
    ASSERT_NE(target, nullptr);
    undoSetKind(undoKindNone);
    appChooseFileClearQueue();
  }
  void TearDown() override {
    libResetForTest();
    engineDestroy(target);
    EngineFixture::TearDown();
    testSetSetting("LibrariesPath", nullptr);
    chunktest::tearDownChunkLayer();
  }
  static std::string sep() { return std::string(1, testTempDir().back()); }
  std::string folder(int kind) {
    char name[32];
    libFolderName(kind, name, sizeof name);
    return root + name;
  }
  // Saves through the pages' command: the scripted dialog answers with the path.
  void save(int kind, std::int16_t index, const std::string& name, Engine* from) {
    appChooseFileQueue(1, (folder(kind) + name + ".gly").c_str());
    ASSERT_TRUE(libSaveItem(nullptr, name.c_str(), kind, index, from));
  }
  std::vector<std::string> menuTexts(int kind) {
    std::vector<std::string> t;
    const std::int16_t menu = libGetKindHandle(kind);
    for (int i = 0; i < popupItemCount(menu); ++i) t.push_back(itemText(menu, i));
    return t;
  }
  // An envelope of `destination` owned by `owner`, marked by its first level.
  std::int16_t makeEnvelope(Engine* e, std::int16_t owner, EnvDestKind destination, double mark) {
    const std::int16_t slot = envCreate(e, owner, destination);
    EXPECT_GE(slot, 0);
    envSetBpLevel(e, slot, 0, mark);
    return slot;
  }
  std::vector<std::int16_t> slotsMarked(Engine* e, double mark) {
    std::vector<std::int16_t> found;
    for (std::int16_t s = 0; s < envSlotCount; ++s)
      if (engineGetEnvelopeSlot(e, s)->allocated && envGetBpLevel(e, s, 0) == mark) found.push_back(s);
    return found;
  }

  std::string root;
  Engine*& source = engine;  // the engine a library entry is written from
  Engine* target = nullptr;
};

TEST_F(LibraryTest, ScanListsRightKindInBothByteOrdersAndSkipsOthers) {
  filterInitRecord(engineGetFilter(source, 1), 1);
  engineGetFilter(source, 1)->cutoff = 200.0f;
  libSetupAll();
  save(libKindFilter, 1, "little", source);
  save(libKindModulator, 0, "wrongKind", source);
  // The filter file written on a machine of the other byte order.
  chunktest::Bytes le = chunktest::readFile(folder(libKindFilter) + "little.gly");
  chunktest::Bytes be = le;
  for (std::size_t pos = 0; pos + 12 <= be.size();) {
    std::uint32_t id, size;
    std::memcpy(&id, &le[pos], 4);
    std::memcpy(&size, &le[pos + 4], 4);
    for (int w = 0; w < 3; ++w) std::reverse(be.begin() + pos + 4 * w, be.begin() + pos + 4 * w + 4);
    std::string layout = id == chunkId("lib1") ? "w" : id == chunkId("tmpo") ? "dd" : chunktest::layoutOf(id, size);
    ASSERT_NE(layout, "?");
    std::size_t at = pos + 12;
    for (char c : layout) {
      const int n = c == 'd' ? 8 : 4;
      if (c != 'b') std::reverse(be.begin() + at, be.begin() + at + (c == 'h' ? 2 : n));
      at += n;
    }
    pos += 12 + size;
  }
  chunktest::writeFile(folder(libKindFilter) + "big.gly", be);
  // A modulator file in the filter folder, a file of another extension, a file too short for a header.
  std::filesystem::copy_file(folder(libKindModulator) + "wrongKind.gly", folder(libKindFilter) + "wrong.gly");
  std::filesystem::copy_file(folder(libKindFilter) + "little.gly", folder(libKindFilter) + "other.txt");
  chunktest::writeFile(folder(libKindFilter) + "short.gly", chunktest::Bytes{'1', 'b'});
  libRelease(libKindFilter);
  libScanFolder(libKindFilter);
  std::vector<std::string> names = menuTexts(libKindFilter);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"big", "little"}));
  // Each entry loads: the big-endian file gives the same filter.
  for (int item = 1; item <= 2; ++item) {
    engineGetFilter(target, 1)->cutoff = 0.0f;
    EXPECT_EQ(libDispatch(libKindFilter, item, 1, target), 0);
    EXPECT_FLOAT_EQ(engineGetFilter(target, 1)->cutoff, 200.0f) << item;
    EXPECT_FALSE(swapEnabled() && item == 0);
  }
  EXPECT_EQ(libDispatch(libKindFilter, 3, 1, target), 4);
}

TEST_F(LibraryTest, EmptyFolderShowsTheDisabledItem) {
  libSetupAll();
  for (int kind = 1; kind <= libKindCount; ++kind) {
    const std::int16_t menu = libGetKindHandle(kind);
    ASSERT_NE(menu, 0);
    ASSERT_EQ(popupItemCount(menu), 1);
    EXPECT_EQ(itemText(menu, 0), "This library is empty");
    EXPECT_FALSE(popupItemEnabled(menu, 0));
  }
  EXPECT_EQ(libDispatch(libKindFilter, 1, 0, target), 4);
  EXPECT_EQ(libGetKindHandle(0), 0);
  EXPECT_EQ(libKindId(1), 0x6c696230u);
  EXPECT_EQ(libKindId(10), 0x6c696239u);
}

TEST_F(LibraryTest, ThreeHundredFilesGiveThreeHundredItemsAndTwoHundredFiftySixEntries) {
  libSetupAll();
  save(libKindWaveshaper, 0, "ws000", source);
  const chunktest::Bytes bytes = chunktest::readFile(folder(libKindWaveshaper) + "ws000.gly");
  for (int i = 1; i < 300; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "ws%03d.gly", i);
    chunktest::writeFile(folder(libKindWaveshaper) + name, bytes);
  }
  libRelease(libKindWaveshaper);
  libScanFolder(libKindWaveshaper);
  EXPECT_EQ(popupItemCount(libGetKindHandle(libKindWaveshaper)), 300);
  FileSpec f;
  EXPECT_TRUE(libGetEntry(libKindWaveshaper, 255, &f));
  EXPECT_FALSE(libGetEntry(libKindWaveshaper, 256, &f));
  EXPECT_EQ(libDispatch(libKindWaveshaper, 256, 0, target), 0);
  EXPECT_EQ(libDispatch(libKindWaveshaper, 257, 0, target), 4);
  EXPECT_EQ(libDispatch(libKindWaveshaper, 300, 0, target), 4);
}

TEST_F(LibraryTest, FilterLibraryIntoFilterOneReplacesItsEnvelopes) {
  // The file: filter 1 with two filter envelopes.
  makeEnvelope(source, 1, envDestFilterFreq, 0.25);
  makeEnvelope(source, 1, envDestFilterRes, 0.75);
  makeEnvelope(source, 0, envDestFilterFreq, 0.5);  // another filter's: not written
  libSetupAll();
  save(libKindFilter, 1, "twoEnvs", source);
  // The target: envelopes of filter 1 (filter destination), filter 0, and channel 1's oscillator.
  const std::int16_t old1 = makeEnvelope(target, 1, envDestFilterBw, 0.0625);
  const std::int16_t keep0 = makeEnvelope(target, 0, envDestFilterFreq, 0.1875);
  const std::int16_t keepOsc = makeEnvelope(target, 1, envDestOscPhase, 0.3125);
  ASSERT_EQ(libDispatch(libKindFilter, 1, 1, target), 0);
  EXPECT_FALSE(engineGetEnvelopeSlot(target, old1)->allocated && envGetBpLevel(target, old1, 0) == 0.0625);
  EXPECT_EQ(slotsMarked(target, 0.1875), std::vector<std::int16_t>{keep0});
  EXPECT_EQ(slotsMarked(target, 0.3125), std::vector<std::int16_t>{keepOsc});
  EXPECT_TRUE(slotsMarked(target, 0.5).empty());
  for (double mark : {0.25, 0.75}) {
    std::vector<std::int16_t> at = slotsMarked(target, mark);
    ASSERT_EQ(at.size(), 1u) << mark;
    EXPECT_GE(at[0], 3);
    EXPECT_EQ(engineGetEnvelopeSlot(target, at[0])->owner, 1);
    EXPECT_TRUE(envDestIsFilter(engineGetEnvelopeSlot(target, at[0])->destination));
  }
  EXPECT_EQ(engineGetFilter(target, 1)->postMix, 0);
  EXPECT_EQ(undoGetKind(), undoKindPatch);
  EXPECT_EQ(target->presetModified, 1);
  EXPECT_EQ(target->paused.load(), 0);
}

TEST_F(LibraryTest, TooManyEnvelopesShowTheMessageAndTheEngineKeepsRunning) {
  for (int i = 0; i < 3; ++i) makeEnvelope(source, 0, envDestFilterFreq, 0.0625 * (i + 1));
  libSetupAll();
  save(libKindFilter, 0, "three", source);
  // Only one free slot is left in the target (waveshaper envelopes stay through a filter load).
  int made = 0;
  while (envCreate(target, 0, envDestShapeInGain) >= 0) ++made;
  envSlotClear(target, 27);
  msgBoxCaptureBegin(0);
  ASSERT_EQ(libDispatch(libKindFilter, 1, 0, target), 0);
  ASSERT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(msgBoxCaptureText(0), kEnvelopeError);
  msgBoxCaptureEnd();
  EXPECT_EQ(slotsMarked(target, 0.0625).size(), 1u);  // placed before the slots ran out
  EXPECT_TRUE(slotsMarked(target, 0.125).empty());
  EXPECT_EQ(target->paused.load(), 0);
  EXPECT_GT(made, 20);
}

TEST_F(LibraryTest, MissingFileShowsTheErrorAndLeavesUndoAlone) {
  libSetupAll();
  save(libKindOscillator, 0, "gone", source);
  std::filesystem::remove(folder(libKindOscillator) + "gone.gly");
  msgBoxCaptureBegin(0);
  undoSetKind(undoKindEnvelope);
  const std::uint8_t pausedBefore = target->paused.load();
  EXPECT_EQ(libDispatch(libKindOscillator, 1, 0, target), 0);
  ASSERT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(msgBoxCaptureText(0), "File Error! Can't open file. Error: 32236");
  msgBoxCaptureEnd();
  EXPECT_EQ(undoGetKind(), undoKindEnvelope);
  EXPECT_EQ(target->paused.load(), pausedBefore);  // the audio was not stopped
  EXPECT_EQ(target->presetModified, 0);
}

TEST_F(LibraryTest, ReadOnlyFileLoads) {
  engineGetWaveshaper(source)->inGain = 3.5f;
  libSetupAll();
  save(libKindWaveshaper, 0, "locked", source);
  const std::string path = folder(libKindWaveshaper) + "locked.gly";
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  ASSERT_EQ(libDispatch(libKindWaveshaper, 1, 0, target), 0);
  EXPECT_FLOAT_EQ(engineGetWaveshaper(target)->inGain, 3.5f);
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// One save and reload per kind: the record that comes back equals the one saved.
TEST_F(LibraryTest, EveryKindRoundTrips) {
  libSetupAll();
  // 1 oscillator on channel 2 with a preset wave as wave A.
  const std::int16_t local = engineClaimPresetWave(source);
  ASSERT_GE(local, 0);
  WaveRecord* lw = waveGet(source, local);
  for (int k = 0; k < waveLength; ++k) lw->samples[k] = std::sin(k * 0.05f) * 0.5f;
  ChannelOscRecord* osc = engineGetChannel(source, 2);
  osc->level = 0.625f;
  osc->type = oscTypeFm;
  osc->waveA = local;
  osc->waveB = 3;
  save(libKindOscillator, 2, "osc", source);
  ASSERT_EQ(libDispatch(libKindOscillator, 1, 2, target), 0);
  ChannelOscRecord* got = engineGetChannel(target, 2);
  EXPECT_FLOAT_EQ(got->level, 0.625f);
  EXPECT_EQ(got->type, oscTypeFm);
  EXPECT_EQ(got->waveB, 3);
  ASSERT_EQ(got->waveA & 0xFF00, 0x7F00);
  EXPECT_EQ(std::memcmp(waveGet(target, std::int16_t(got->waveA))->samples, lw->samples, sizeof lw->samples), 0);
  // 2 filter (the master filter).
  FilterRecord* f = engineGetFilter(source, 3);
  f->type = 12;
  f->cutoff = 123.0f;
  f->resonance = 0.4f;
  save(libKindFilter, 3, "filter", source);
  ASSERT_EQ(libDispatch(libKindFilter, 1, 3, target), 0);
  EXPECT_EQ(engineGetFilter(target, 3)->type, 12);
  EXPECT_FLOAT_EQ(engineGetFilter(target, 3)->cutoff, 123.0f);
  EXPECT_FLOAT_EQ(engineGetFilter(target, 3)->resonance, 0.4f);
  // 3 modulator.
  ModulatorRecord* m = engineGetModulator(source, 1);
  m->type = modulatorRingmod;
  m->balance = 0.3f;
  m->wave = 5;
  save(libKindModulator, 1, "mod", source);
  ASSERT_EQ(libDispatch(libKindModulator, 1, 1, target), 0);
  EXPECT_EQ(engineGetModulator(target, 1)->type, modulatorRingmod);
  EXPECT_FLOAT_EQ(engineGetModulator(target, 1)->balance, 0.3f);
  EXPECT_EQ(engineGetModulator(target, 1)->wave, 5);
  EXPECT_EQ(engineGetModulator(target, 1)->channel, 1);
  // 4 waveshaper.
  WaveshaperRecord* ws = engineGetWaveshaper(source);
  ws->outGain = 0.5f;
  ws->wave = 7;
  save(libKindWaveshaper, 0, "ws", source);
  ASSERT_EQ(libDispatch(libKindWaveshaper, 1, 0, target), 0);
  EXPECT_FLOAT_EQ(engineGetWaveshaper(target)->outGain, 0.5f);
  EXPECT_EQ(engineGetWaveshaper(target)->wave, 7);
  // 5 effect: the pipe.
  effectSetType(source, effectPipe);
  source->effectPipe.feedback = -0.5f;
  save(libKindEffect, 0, "fx", source);
  ASSERT_EQ(libDispatch(libKindEffect, 1, 0, target), 0);
  EXPECT_EQ(effectGetType(target), effectPipe);
  EXPECT_FLOAT_EQ(target->effectPipe.feedback, -0.5f);
  // 6 envelope into slot 5 of the target (which keeps its own place and destination).
  const std::int16_t se = makeEnvelope(source, 0, envDestEffectTime, 0.125);
  envSetBpTime(source, se, 1, 4410.0);
  save(libKindEnvelope, se, "env", source);
  const std::int16_t te = makeEnvelope(target, 1, envDestShapeInGain, 0.875);
  ASSERT_EQ(libDispatch(libKindEnvelope, 1, te, target), 0);
  EXPECT_EQ(envGetBpLevel(target, te, 0), 0.125);
  EXPECT_EQ(envGetBpTime(target, te, 1), 4410.0);
  EXPECT_EQ(engineGetEnvelopeSlot(target, te)->destination, 10);
  EXPECT_EQ(engineGetEnvelopeSlot(target, te)->owner, 1);
  // 7 wave into a local wave of the target.
  save(libKindWave, local, "wave", source);
  const std::int16_t tw = engineClaimPresetWave(target);
  ASSERT_GE(tw, 0);
  ASSERT_EQ(libDispatch(libKindWave, 1, tw, target), 0);
  EXPECT_EQ(std::memcmp(waveGet(target, tw)->samples, lw->samples, sizeof lw->samples), 0);
  // 8 tuning (the engine's own map storage until the tuning maps install theirs).
  for (int k = 0; k < 128; ++k) {
    const double v = 100.0 + k;
    std::memcpy(source->tuningMap + 8 * k, &v, 8);
  }
  const std::int32_t keysPerOctave = 19;
  const double octave = 12.5;  // semitones
  std::memcpy(source->tuningMap + 1024, &keysPerOctave, 4);
  std::memcpy(source->tuningMap + 1028, &octave, 8);
  std::memcpy(source->tuningMap + 1036, "Stretched", 10);
  save(libKindTuning, 0, "tune", source);
  ASSERT_EQ(libDispatch(libKindTuning, 1, 0, target), 0);
  EXPECT_EQ(std::memcmp(source->tuningMap, target->tuningMap, 1024 + 12), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(target->tuningMap + 1036), "Stretched");
  // 9 channel 0 into channel 1: oscillator, filter and modulator.
  engineGetChannel(source, 0)->level = 0.25f;
  engineGetFilter(source, 0)->cutoff = 99.0f;
  engineGetModulator(source, 0)->feedback = 0.125f;
  save(libKindChannel, 0, "chan", source);
  ASSERT_EQ(libDispatch(libKindChannel, 1, 1, target), 0);
  EXPECT_FLOAT_EQ(engineGetChannel(target, 1)->level, 0.25f);
  EXPECT_EQ(engineGetChannel(target, 1)->channel, 1);
  EXPECT_FLOAT_EQ(engineGetFilter(target, 1)->cutoff, 99.0f);
  EXPECT_FLOAT_EQ(engineGetModulator(target, 1)->feedback, 0.125f);
  // 10 note scale: listed after saving; choosing it loads nothing.
  save(libKindNotescale, 0, "scale", source);
  EXPECT_EQ(menuTexts(libKindNotescale), std::vector<std::string>{"scale"});
  target->presetModified = 0;
  EXPECT_EQ(libDispatch(libKindNotescale, 1, 0, target), 0);
  EXPECT_EQ(target->presetModified, 0);
  // Every kind's menu lists its one saved file.
  for (int kind = 1; kind <= libKindCount; ++kind) EXPECT_EQ(menuTexts(kind).size(), 1u) << kind;
}

// A tuning file's values are clamped to the ranges of a bank's tuning: keys are increments the voices
// play, so a huge, negative or non-finite key never reaches them.
TEST_F(LibraryTest, TuningFileValuesOutOfRangeAreClamped) {
  libSetupAll();
  const double keys[] = {2.5, 1e300, -3.0, std::nan(""), 5000.0, 1024.0};
  for (int k = 0; k < 128; ++k) std::memcpy(source->tuningMap + 8 * k, &keys[k % 6], 8);
  const std::int32_t keysPerOctave = 0;
  const double octave = -7.0;
  std::memcpy(source->tuningMap + 1024, &keysPerOctave, 4);
  std::memcpy(source->tuningMap + 1028, &octave, 8);
  save(libKindTuning, 0, "hostile", source);
  ASSERT_EQ(libDispatch(libKindTuning, 1, 0, target), 0);
  const double expected[] = {2.5, 1024.0, 0.0, 0.0, 1024.0, 1024.0};
  for (int k = 0; k < 128; ++k) {
    double got;
    std::memcpy(&got, target->tuningMap + 8 * k, 8);
    EXPECT_EQ(got, expected[k % 6]) << k;
  }
  std::int32_t gotKeys;
  double gotOctave;
  std::memcpy(&gotKeys, target->tuningMap + 1024, 4);
  std::memcpy(&gotOctave, target->tuningMap + 1028, 8);
  EXPECT_EQ(gotKeys, 12);
  EXPECT_EQ(gotOctave, 0.0);
}

TEST_F(LibraryTest, HeaderCheckAcceptsLibraryIdsInEitherOrder) {
  swapReset();
  std::uint32_t words[3] = {chunkId("lib4"), 4, 10};
  EXPECT_EQ(libChunkCheck(words), 0);
  EXPECT_FALSE(swapEnabled());
  std::uint32_t reversed[3] = {chunkId("lib4"), 4, 10};
  for (std::uint32_t& w : reversed) swap32(&w);
  EXPECT_EQ(libChunkCheck(reversed), 0);
  EXPECT_TRUE(swapEnabled());
  EXPECT_EQ(reversed[0], chunkId("lib4"));
  EXPECT_EQ(reversed[1], 4u);
  swapReset();
  std::uint32_t unknown[3] = {chunkId("zork"), 4, 10};
  EXPECT_EQ(libChunkCheck(unknown), 1);
  std::uint32_t filt[3] = {chunkId("filt"), 48, 10};
  EXPECT_EQ(libChunkCheck(filt), 0);
}

}  // namespace
