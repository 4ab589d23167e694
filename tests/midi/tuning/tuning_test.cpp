// The Tune tab inside the real program: a bank tuning retuned by typed Hz with the octave link (and
// heard at the new pitch), the base key's "1.000000", keys chosen by real clicks on the key list, a
// name typed in place relabelling the Main page's "Tuning" popup (cut to 31 characters), "Save
// tuning to library..." writing a file that loads back equal, a factory tuning behind the overlay,
// typed values that are 0, negative, not a number or huge, and the time to fill the 128-row list.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/mainWindowData.h"
#include "controls/display.h"
#include "controls/list.h"
#include "controls/numbox.h"
#include "controls/selector.h"
#include "engine/engine.h"
#include "engine/testAudioThread.h"
#include "engine/valueFormat.h"
#include "kitTestSupport.h"
#include "midi/midiPage.h"
#include "midi/midiTuneTab.h"
#include "midi/support/midiInProgram.h"
#include "midi/tuningEdit.h"
#include "pages/mainPage.h"
#include "pages/midiSlots.h"
#include "pages/pages.h"
#include "preset/bank.h"
#include "preset/library.h"
#include "preset/sampleSettings.h"
#include "preset/tuning.h"
#include "support/signal.h"
#include "support/threadTime.h"
#include "support/windowCapture.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"

using namespace midiprog;

namespace {

const int kTuningKind = 8;
const int16_t kTuningSelector = 36;  // the Main page's "Tuning" popup

void selectPane(WinId win) { midiPageSelectPane(win); }
MainWindowData* data() { return mainWindowData(1); }
double hzOf(int key) { return pitchIncToHz(tuningGetKey(engine(), key)); }
ControlItem* item(uint16_t id) {
  midiPageSelectPane(1);
  return ctrlFind(1, id);
}
// A value typed into number box `id` (the in-place entry ending with that text).
void type(uint16_t id, const char* text) {
  numboxEntryDone(item(id), text);
  pump();
}
double box(uint16_t id) {
  midiPageSelectPane(1);
  NumboxData* d = numboxFind(1, id);
  return d ? d->value : -1.0;
}
bool visible(uint16_t id) {
  midiPageSelectPane(1);
  ControlItem* c = ctrlFind(1, id);
  return c && c->visible;
}
std::string text(uint16_t id) {
  char out[displayTextSize] = {0};
  midiPageSelectPane(1);
  displayGetText(1, id, out, sizeof out);
  return out;
}
CtrlRect valueRect(uint16_t id) {
  midiPageSelectPane(1);
  NumboxData* d = numboxFind(1, id);
  return d ? d->valueRect : CtrlRect{};
}

// Where a capture shows ink in the columns [left, right) and rows [top, bottom): dark ink on the
// panel (or, with light set, light ink in a box), its first and last rows and columns; -1 when none.
struct Ink {
  int top = -1, bottom = -1, left = -1, right = -1;
};
Ink inkIn(const CapturedWindow& shot, int left, int right, int top, int bottom, bool light = false) {
  auto sum = [](std::uint32_t c) { return int((c >> 16) & 255) + int((c >> 8) & 255) + int(c & 255); };
  Ink ink;
  for (int y = std::max(top, 0); y < std::min(bottom, shot.height); ++y)
    for (int x = std::max(left, 0); x < std::min(right, shot.width); ++x)
      if (light ? sum(shot.at(x, y)) > 600 : sum(shot.at(x, y)) < 300) {
        if (ink.top < 0) ink.top = y;
        ink.bottom = y;
        ink.left = ink.left < 0 ? x : std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
      }
  return ink;
}

// A real click on the key list's row of `key` (scrolled into view first).
void clickKey(int key) {
  midiPageSelectPane(1);
  ControlItem* list = ctrlFind(1, midiItemKeyList);
  ASSERT_NE(list, nullptr);
  ListData* d = static_cast<ListData*>(list->k.kindData);
  const int row = tuningKeyToRow(key);
  if (row < d->firstRow || row >= d->firstRow + 12) listScrollTo(1, midiItemKeyList, row / 116.0f);
  pump();
  midiPageSelectPane(1);
  const int y = list->rect.top + (row - d->firstRow) * 14 + 7;
  ASSERT_GE(row - d->firstRow, 0);
  ASSERT_LT(row - d->firstRow, 12);
  click(POINT{list->rect.left + 30, y});
  pump();
}

// Renders `note` for about 0.75 s and answers the frequency of its strongest partial.
double renderedFrequency(int note) {
  std::vector<float> out1(128), out2(128);
  float* outs[2] = {out1.data(), out2.data()};
  const std::uint8_t off[] = {0xB0, 123, 0};
  TestAudioThread::runClientSubBlock(engine(), outs, 2, 0, off, 1);
  for (int b = 0; b < 200; ++b) TestAudioThread::runClientSubBlock(engine(), outs, 2);
  const std::uint8_t on[] = {0x90, static_cast<std::uint8_t>(note), 100};
  std::vector<float> sound;
  for (int b = 0; b < 300; ++b) {
    TestAudioThread::runClientSubBlock(engine(), outs, 2, 0, b == 0 ? on : nullptr, b == 0 ? 1 : 0);
    if (b >= 40) sound.insert(sound.end(), out1.begin(), out1.end());
  }
  const std::uint8_t noteOff[] = {0x80, static_cast<std::uint8_t>(note), 0};
  TestAudioThread::runClientSubBlock(engine(), outs, 2, 0, noteOff, 1);
  return signalPeakFrequency(sound, 44100.0);
}

// A new bank tuning, opened in the editor the way the Main page's "Tuning" menu does it.
void openNewBankTuning() {
  ASSERT_NE(tuningNewBankMap(engine(), bank()), 0);
  midiPageOpenTuningEditor(1);
  pump();
}

class Tuning : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(engine(), nullptr);
    msgBoxCaptureBegin(msgAnswerOk);
    appChooseFileSetRoutine(nullptr);  // the file chooser answers from the test's queue
    appChooseFileClearQueue();
    bankSelectPreset(bank(), engine(), 0);
    data()->tuningBaseKey = 60;
    data()->tuningKeysPerOctave = 12;
    data()->tuningOctaveRatio = 2.0;
  }
  void TearDown() override {
    msgBoxCaptureEnd();
    appChooseFileClearQueue();
    for (int n = 0; n < 128; ++n) tuningFreeBankMap(bank(), n);
    bankSelectPreset(bank(), engine(), 0);
    mainWindowShowPage(1, pageMain);
    pump();
  }
};

}  // namespace

// "Edit..." lands on tab 4; with Octave Link on, 12 keys and a 12-semitone interval, 440 Hz typed
// for key 60 sets key 72 to 880 Hz and key 48 to 220 Hz (and on to the ends); note 72 then sounds at
// 880 Hz. The base key shows "1.000000" for its ratio, another key its Ratio box.
TEST_F(Tuning, OctaveLinkCarriesAKeyThroughTheOctavesAndIsHeard) {
  openNewBankTuning();
  EXPECT_EQ(mainWindowShownPage(1), pageMidi);
  EXPECT_EQ(midiPageCurrentTab(), 4);
  EXPECT_TRUE(visible(midiItemKeyList));
  EXPECT_FALSE(visible(midiItemTuneOverlay));
  clickKey(61);
  EXPECT_EQ(data()->tuningSelectedKey, 61);
  EXPECT_TRUE(visible(midiItemKeyRatio));
  EXPECT_FALSE(visible(midiItemBaseRatioText));
  clickKey(60);
  EXPECT_EQ(data()->tuningSelectedKey, 60);
  EXPECT_FALSE(visible(midiItemKeyRatio)) << "the base key shows no Ratio box";
  EXPECT_TRUE(visible(midiItemBaseRatioText));
  EXPECT_EQ(text(midiItemBaseRatioText), "1.000000");
  EXPECT_TRUE(visible(midiItemKeysPerOctave)) << "a new tuning links its octaves";

  type(midiItemKeyHz, "440");
  const struct {
    int key;
    double hz;
  } keys[] = {{60, 440}, {72, 880}, {84, 1760}, {48, 220}, {0, 13.75}, {120, 14080}};
  for (const auto& k : keys) EXPECT_NEAR(hzOf(k.key), k.hz, 1e-6 * k.hz) << k.key;
  EXPECT_NEAR(box(midiItemKeyNote), 69.0, 1e-4) << "the Note box follows";
  char row[64];
  midiPageSelectPane(1);
  listGetRowText(1, midiItemKeyList, tuningKeyToRow(72), row);
  const std::string rowText = row;
  ASSERT_EQ(rowText.rfind("C_4 (72)   ", 0), 0u) << rowText;
  EXPECT_NEAR(std::atof(rowText.c_str() + 11), 81.0, 1e-5) << rowText;
  windowCapturePng(mainHandle(), "tuning-tab.png");
  clickKey(60);
  {
    // The base key's "1.000000" as the page lays out a value: clear of its label, standing on the
    // label's baseline, and ending where the boxes' values above it end.
    CapturedWindow shot;
    ASSERT_FALSE(windowCapturePng(mainHandle(), "tuning-tab-base-key.png", &shot).empty());
    const CtrlRect ratio = valueRect(midiItemKeyRatio), hz = valueRect(midiItemKeyHz);
    const Ink label = inkIn(shot, ratio.left - 34, ratio.left, ratio.top - 3, ratio.bottom + 4);
    const Ink value = inkIn(shot, ratio.left, ratio.right + 8, ratio.top - 3, ratio.bottom + 4);
    const Ink hzValue = inkIn(shot, hz.left + 2, hz.right, hz.top + 1, hz.bottom - 1, true);
    ASSERT_GE(label.top, 0) << "the Ratio label";
    ASSERT_GE(value.top, 0) << "the base key's ratio";
    ASSERT_GE(hzValue.top, 0) << "the Hz box's value";
    EXPECT_EQ(value.bottom, label.bottom) << "on the label's baseline";
    EXPECT_GE(value.left - label.right, 6) << "clear of its label";
    EXPECT_NEAR(value.right, hzValue.right, 1) << "ending where the values above it end";
  }

  const double f72 = renderedFrequency(72);
  std::printf("note 72 sounds at %.2f Hz\n", f72);
  EXPECT_NEAR(f72, 880.0, 1.0);

  // Ratio and Note boxes: the ratio is to the base key.
  clickKey(67);
  type(midiItemKeyRatio, "1.5");
  EXPECT_NEAR(hzOf(67), 660.0, 1e-6);
  EXPECT_NEAR(hzOf(79), 1320.0, 1e-6);
  type(midiItemKeyNote, "60");
  EXPECT_NEAR(hzOf(67), pitchNoteToHz(60), 1e-6);
  EXPECT_NEAR(box(midiItemKeyRatio), pitchNoteToHz(60) / 440.0, 1e-6);

  // An interval of 0 semitones (ratio 1): the link changes the selected key only.
  type(midiItemOctaveInterval, "0");
  const double hz79 = hzOf(79);
  type(midiItemKeyHz, "500");
  EXPECT_NEAR(hzOf(67), 500.0, 1e-6);
  EXPECT_EQ(hzOf(79), hz79) << "no octave steps at ratio 1";
  EXPECT_EQ(tuningCurrentMap(engine())->octaveInterval, 0.0);
}

// Typed values that would break a key: 0, negative, not a number and 1e9 Hz; a ratio of 0; keys per
// octave 0 and 1000 and an interval out of range are limited to the boxes' ranges.
TEST_F(Tuning, BadValuesAreRefusedOrLimited) {
  openNewBankTuning();
  clickKey(64);
  const double before = tuningGetKey(engine(), 64);
  for (const char* bad : {"0", "-5", "nan", "-1e9"}) {
    SCOPED_TRACE(bad);
    numboxEntryDone(item(midiItemKeyHz), bad);
    // Whatever the box made of the text, the key stays playable: finite and above 0.
    const double k = tuningGetKey(engine(), 64);
    EXPECT_TRUE(std::isfinite(k) && k > 0.0) << k;
  }
  tuningHzChanged(item(midiItemKeyHz), 0.0);
  tuningHzChanged(item(midiItemKeyHz), -5.0);
  tuningHzChanged(item(midiItemKeyHz), std::nan(""));
  tuningRatioChanged(item(midiItemKeyRatio), 0.0);
  tuningNoteChanged(item(midiItemKeyNote), std::nan(""));
  EXPECT_GT(tuningGetKey(engine(), 64), 0.0);
  // The handlers themselves refuse these outright: the key keeps its value.
  type(midiItemKeyHz, "440");
  const double at440 = tuningGetKey(engine(), 64);
  tuningHzChanged(item(midiItemKeyHz), 0.0);
  tuningRatioChanged(item(midiItemKeyRatio), 0.0);
  tuningRatioChanged(item(midiItemKeyRatio), -2.0);
  EXPECT_EQ(tuningGetKey(engine(), 64), at440);
  (void)before;
  // 1e9 Hz: limited to the box's 22000 Hz; the octave above is limited by the key's own bound.
  tuningHzChanged(item(midiItemKeyHz), 1e9);
  EXPECT_NEAR(hzOf(64), 22000.0, 1e-6);
  for (int k = 0; k < 128; ++k) {
    const double v = tuningGetKey(engine(), k);
    EXPECT_TRUE(std::isfinite(v) && v >= 0.0 && v <= 1024.0) << k;
  }
  // A base key of 0 Hz: the ratio box shows its minimum, and a typed ratio is refused.
  tuningSetKey(engine(), bank(), 60, 0.0);
  tuningTabRefresh(1, 1);
  EXPECT_NEAR(box(midiItemKeyRatio), tuningRatioMin, 1e-12);
  const double k64 = tuningGetKey(engine(), 64);
  tuningRatioChanged(item(midiItemKeyRatio), 2.0);
  EXPECT_EQ(tuningGetKey(engine(), 64), k64);
  // A key of 0 shows note 0, not the logarithm of 0.
  clickKey(60);
  EXPECT_EQ(box(midiItemKeyNote), 0.0);

  // Keys per octave and the interval.
  tuningKeysPerOctaveChanged(item(midiItemKeysPerOctave), 0.0);
  EXPECT_EQ(data()->tuningKeysPerOctave, 1);
  EXPECT_EQ(tuningCurrentMap(engine())->keysPerOctave, 1u);
  tuningKeysPerOctaveChanged(item(midiItemKeysPerOctave), 1000.0);
  EXPECT_EQ(data()->tuningKeysPerOctave, 127);
  tuningKeysPerOctaveChanged(item(midiItemKeysPerOctave), std::nan(""));
  EXPECT_EQ(data()->tuningKeysPerOctave, 127);
  tuningOctaveIntervalChanged(item(midiItemOctaveInterval), 1e9);
  EXPECT_EQ(tuningCurrentMap(engine())->octaveInterval, 127.0);
  tuningOctaveIntervalChanged(item(midiItemOctaveInterval), std::nan(""));
  EXPECT_EQ(tuningCurrentMap(engine())->octaveInterval, 127.0);
  EXPECT_TRUE(std::isfinite(data()->tuningOctaveRatio));
}

// A name typed in place relabels the Main page's "Tuning" popup; 40 characters keep 31.
TEST_F(Tuning, RenamingRelabelsTheMainPagesTuningPopup) {
  openNewBankTuning();
  const std::string forty(40, 'x');
  const std::string typed = "Stretch " + forty;
  // A real click opens the entry over the name; the text is typed into it and Enter ends it.
  click(itemPoint(selectPane, midiItemTuningName, 20, 6));
  pump();
  HWND edit = GetFocus();
  char cls[32] = {0};
  GetClassNameA(edit, cls, sizeof cls);
  if (_stricmp(cls, "Edit") == 0) {
    SetWindowTextA(edit, typed.c_str());
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
    pump(5);
  } else {
    ADD_FAILURE() << "no in-place entry opened (focus on class " << cls << ")";
    displayEntryStore(item(midiItemTuningName), typed.c_str());
  }
  const std::string stored = tuningCurrentMap(engine())->name;
  EXPECT_EQ(stored, typed.substr(0, 31));
  char bankName[tuningNameSize] = {0};
  tuningGetBankMapName(bank(), tuningIdIndex(tuningCurrentMap(engine())->id), bankName);
  EXPECT_EQ(std::string(bankName), stored);
  mainPageSelect(1);
  SelectorData* popup = selectorFind(1, kTuningSelector);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(std::string(popup->choiceText), stored.substr(0, selectorTextSize - 1));
  EXPECT_EQ(text(midiItemTuningName), stored);
}

// "Save tuning to library..." writes a kind-8 file under the map's name that loads back equal.
TEST_F(Tuning, SavedToTheLibraryItLoadsBackEqual) {
  openNewBankTuning();
  clickKey(62);
  type(midiItemKeyHz, "300");
  type(midiItemKeysPerOctave, "19");
  type(midiItemOctaveInterval, "12.5");
  tuningSetName(engine(), bank(), "Saved map");
  const TuningMap saved = *tuningCurrentMap(engine());
  char root[520] = {0};
  sampleSettingsGet("LibrariesPath", root, sizeof root);
  char folder[32];
  libFolderName(kTuningKind, folder, sizeof folder);
  const std::string dir = std::string(root) + folder;
  std::filesystem::create_directories(dir);
  const std::string path = dir + "Saved map.gly";
  std::remove(path.c_str());
  appChooseFileQueue(1, path.c_str());
  // The choice made in the "Transform..." popup as the user makes it.
  g_menu = MenuSeen();
  g_menu.choose = "Save tuning to library...";
  popupSetTrackHook(readMenu);
  click(itemPoint(selectPane, midiItemTuneTransform, 20, 8));
  pump();
  popupSetTrackHook(nullptr);
  if (g_menu.shown == 0) {
    ADD_FAILURE() << "the popup went past the seam";
    tuningTransformChosen(item(midiItemTuneTransform), 0, 1);
  }
  ASSERT_TRUE(std::filesystem::exists(path)) << path;

  // Changed afterwards, then the file loaded from the library menu: a new bank map equal to the saved.
  type(midiItemKeyHz, "310");
  const int16_t menu = libGetKindHandle(kTuningKind);
  int entry = 0;
  for (int i = 0; i < popupItemCount(menu); ++i) {
    char t[80] = {0};
    popupItemText(menu, i, t, sizeof t);
    if (std::string(t) == "Saved map") entry = popupItemId(menu, i);
  }
  ASSERT_GT(entry, 0);
  ASSERT_EQ(libDispatch(kTuningKind, entry, 0, engine()), 0);
  const TuningMap* loaded = tuningCurrentMap(engine());
  EXPECT_NE(loaded->id, saved.id) << "a new bank map";
  EXPECT_STREQ(loaded->name, saved.name);
  EXPECT_EQ(loaded->keysPerOctave, saved.keysPerOctave);
  EXPECT_EQ(loaded->octaveInterval, saved.octaveInterval);
  EXPECT_EQ(loaded->flag, saved.flag);
  EXPECT_EQ(std::memcmp(loaded->keys, saved.keys, sizeof saved.keys), 0);
  std::remove(path.c_str());
}

// A factory tuning: the overlay's two sentences, every editing control hidden; a bank tuning brings
// the editor back. The list fill of 128 rows is timed.
TEST_F(Tuning, AFactoryTuningShowsTheOverlayAndHidesTheEditor) {
  tuningSelect(engine(), bank(), tuningMakeId(0, 3));
  midiPageOpenTuningEditor(1);
  pump();
  EXPECT_TRUE(visible(midiItemTuneOverlay));
  EXPECT_TRUE(visible(midiItemOverlayFactory));
  EXPECT_TRUE(visible(midiItemOverlayChoose));
  EXPECT_EQ(text(midiItemOverlayFactory), "You can't edit a factory tuning.");
  EXPECT_EQ(text(midiItemOverlayChoose), "Please select a bank tuning, or create a new tuning.");
  for (uint16_t id : {midiItemKeyList, midiItemKeyScrollbar, midiItemTuningName, midiItemKeyName, midiItemKeyNote,
                      midiItemKeyHz, midiItemKeyRatio, midiItemBaseRatioText, midiItemBaseKey, midiItemTuneTransform,
                      midiItemOctaveLink, midiItemKeysPerOctave, midiItemOctaveInterval})
    EXPECT_FALSE(visible(id)) << id;
  // Beside the overlay the panel shows nothing of the editor: no caption stays there alone (the rows
  // of the overlay, inside the panel's bevelled edges).
  CapturedWindow shot;
  ASSERT_FALSE(windowCapturePng(mainHandle(), "tuning-factory.png", &shot).empty());
  const CtrlRect over = item(midiItemTuneOverlay)->rect, panel = item(midiItemPanelTune)->rect;
  const int top = std::max(over.top, panel.top + 4);
  const std::uint32_t ground = shot.at(over.right + 4, (top + over.bottom) / 2);
  int marks = 0;
  for (int y = top; y < over.bottom; ++y)
    for (int x = over.right + 1; x < panel.right - 4; ++x) marks += shot.at(x, y) != ground ? 1 : 0;
  EXPECT_EQ(marks, 0) << "pixels other than the panel's right of the overlay";
  // The handlers refuse to edit it even when called.
  const double k = tuningGetKey(engine(), 60);
  tuningHzChanged(item(midiItemKeyHz), 123.0);
  EXPECT_EQ(tuningGetKey(engine(), 60), k);

  openNewBankTuning();
  EXPECT_FALSE(visible(midiItemTuneOverlay));
  EXPECT_TRUE(visible(midiItemKeyList));
  EXPECT_TRUE(visible(midiItemKeyHz));

  const int rounds = 50;
  const auto t0 = std::chrono::steady_clock::now();
  const double cpu0 = threadCpuMs();
  for (int i = 0; i < rounds; ++i) tuningTabRefresh(1, 1);
  const double cpuMs = (threadCpuMs() - cpu0) / rounds;
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / rounds;
  std::printf("tuning key list refresh with 128 rows: %.3f ms (%.3f ms of processor)\n", ms, cpuMs);
  RecordProperty("keyListFillMs", std::to_string(ms));
  EXPECT_LT(cpuMs, 50.0);
}

// A map with 19 keys per octave shows 19 in box 75, while the octave link keeps stepping by the
// editor's own keys per octave until box 75 is set.
TEST_F(Tuning, TheLinkStepsByTheEditorsKeysPerOctaveUntilTheBoxIsSet) {
  openNewBankTuning();
  tuningSetKeysPerOctave(engine(), bank(), 19);
  tuningTabRefresh(1, 1);
  EXPECT_EQ(box(midiItemKeysPerOctave), 19.0);
  clickKey(60);
  type(midiItemKeyHz, "440");
  EXPECT_NEAR(hzOf(72), 880.0, 1e-6) << "still 12 keys an octave";
  type(midiItemKeysPerOctave, "19");
  EXPECT_EQ(data()->tuningKeysPerOctave, 19);
  type(midiItemKeyHz, "400");
  EXPECT_NEAR(hzOf(79), 800.0, 1e-6);
  EXPECT_NEAR(hzOf(41), 200.0, 1e-6);
}
