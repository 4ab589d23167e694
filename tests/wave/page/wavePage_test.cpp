// The Wave page on a real window under Xvfb: a preset without waves, the selector over waves with gaps,
// the waveform display as it draws (captures kept as PNG), the tool buttons with the slider and range
// bar they bring, the views, and the wave a "preset->new" of another page opens the page with.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../waveRig.h"
#include "app/mainWindow.h"
#include "controls/display.h"
#include "controls/knob.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "pages/clipKinds.h"
#include "pages/waveChoice.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

using namespace waverig;

namespace {

const int16_t kWin = kPageWin;

std::uint32_t rgb(int r, int g, int b) { return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b); }
const std::uint32_t kPolyline = rgb(204, 254, 49), kMarkLine = rgb(49, 100, 100);

// The selector's menu entries as (id, enabled, text).
struct Entry {
  UINT id;
  bool enabled;
  std::string text;
};
std::vector<Entry> selectorEntries(WaveHarness& page) {
  std::vector<Entry> out;
  page.item(waveItemSelector);
  SelectorData* d = selectorFind(kWin, waveItemSelector);
  if (!d || !d->menu) return out;
  for (int k = 0; k < GetMenuItemCount(d->menu); ++k) {
    char text[64] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text;
    GetMenuItemInfoA(d->menu, static_cast<UINT>(k), TRUE, &info);
    out.push_back({info.wID, !(info.fState & MFS_DISABLED), text});
  }
  return out;
}

CapturedWindow capture(WaveHarness& page, const char* name) {
  InvalidateRect(page.hwnd(), nullptr, FALSE);
  UpdateWindow(page.hwnd());
  drainMessages();
  CapturedWindow shot;
  EXPECT_FALSE(windowCapturePng(page.hwnd(), name, &shot).empty());
  return shot;
}

// The display's polyline rows, computed here independently of the page: each column shows the one of
// its two samples that lies farther from the previous column's value, at row trunc(v x -128.5 + 129)
// limited to 0..256.
std::vector<int> expectedRows(const std::vector<float>& s) {
  std::vector<int> rows;
  float previous = 0;
  for (int c = 0; c < 512; ++c) {
    const float a = s[2 * c], b = s[2 * c + 1];
    const float pick = std::fabs(a - previous) > std::fabs(b - previous) ? a : b;
    previous = pick;
    double row = pick * -128.5 + 129.0;
    int r = row < 0 ? 0 : row > 256 ? 256 : static_cast<int>(row);
    rows.push_back(r);
  }
  return rows;
}

}  // namespace

TEST(WavePage, APresetWithoutWavesShowsNoneAllocated) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    EXPECT_EQ(waveEditGetCurrentWave(), -1);
    const std::vector<Entry> entries = selectorEntries(page);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, 1u);
    EXPECT_FALSE(entries[0].enabled);
    EXPECT_EQ(entries[0].text, "None allocated");
    EXPECT_TRUE(page.shown(waveItemNoWaves));
    EXPECT_TRUE(page.shown(waveItemNoWavesHint));
    char text[160] = {};
    displayGetText(kWin, waveItemNoWaves, text, sizeof text);
    EXPECT_STREQ(text, "No editable waveforms are allocated for this preset.");
    displayGetText(kWin, waveItemNoWavesHint, text, sizeof text);
    EXPECT_STREQ(text, "To create an editable waveform, do preset->new in a wave popup menu (in oscil, mod, lfo...).");
    EXPECT_FALSE(page.shown(waveItemWaveMenu));
    EXPECT_FALSE(page.shown(waveItemHarmMenu));
    EXPECT_TRUE(page.shown(waveItemSelector));
    EXPECT_EQ(page.item(waveItemDisplay)->drawable, 0);
    EXPECT_EQ(page.item(waveItemLevelKnob)->drawable, 0);
    EXPECT_EQ(clipGetCopyKind(), clipKindNone);
    // Nothing draws in the display's well: no polyline pixel anywhere in it.
    const CapturedWindow shot = capture(page, "wave-page-empty.png");
    const CtrlRect r = page.rect(waveItemDisplay);
    int lit = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        lit += shot.at(x + winGetOriginX(kWin), y + winGetOriginY(kWin)) == kPolyline;
    EXPECT_EQ(lit, 0);
    // Commands on no wave do nothing and take no undo.
    waveClipPaste(kWin);
    waveEditNormalizeCurrent(kWin);
    EXPECT_EQ(undoGetKind(), undoKindNone);
  });
}

// Waves in slots 0 and 2 (slot 1 free): the selector lists the two, and the refresh keeps an
// allocated current wave and moves an unallocated one to the first allocated wave.
TEST(WavePage, TheSelectorListsAllocatedWavesAndKeepsOnlyAnAllocatedOne) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    Engine* e = page.engine();
    makeWave(e, sine());
    makeWave(e, sine(0.5));
    makeWave(e, square());
    engineLocalWave(e, 1)->state = waveStateFree;
    const struct { int16_t before, after; } cases[] = {{2, 2}, {1, 0}, {5, 0}, {-1, 0}, {0, 0}, {7, 0}};
    for (const auto& c : cases) {
      waveEditBuffers()->currentWave = c.before;
      page.refresh();
      EXPECT_EQ(waveEditGetCurrentWave(), c.after) << c.before;
    }
    const std::vector<Entry> entries = selectorEntries(page);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].id, 1u);
    EXPECT_EQ(entries[0].text, "preset 1");
    EXPECT_EQ(entries[1].id, 3u);
    EXPECT_EQ(entries[1].text, "preset 3");
    EXPECT_FALSE(page.shown(waveItemNoWaves));
    EXPECT_TRUE(page.shown(waveItemWaveMenu));
    EXPECT_FALSE(page.shown(waveItemHarmMenu));
    EXPECT_EQ(clipGetCopyKind(), clipKindWave);
    // Choosing a wave: entry 3 is wave 2; an entry of a free slot changes nothing.
    waveSelectorChosen(page.item(waveItemSelector), 0, 3);
    EXPECT_EQ(waveEditGetCurrentWave(), 2);
    waveSelectorChosen(page.item(waveItemSelector), 0, 2);
    EXPECT_EQ(waveEditGetCurrentWave(), 2);
    // The two views: the harmonics tab hides the waveform panel and its menu.
    page.click(waveItemHarmTab);
    EXPECT_EQ(waveEditBuffers()->view, waveViewHarmonics);
    EXPECT_FALSE(page.shown(waveItemDisplay));
    EXPECT_FALSE(page.shown(waveItemWaveMenu));
    EXPECT_TRUE(page.shown(waveItemHarmMenu));
    EXPECT_TRUE(page.lit(waveItemHarmTab));
    EXPECT_FALSE(page.lit(waveItemWaveTab));
    capture(page, "wave-page-harmonics-view.png");
    page.click(waveItemWaveTab);
    EXPECT_EQ(waveEditBuffers()->view, waveViewWaveform);
    EXPECT_TRUE(page.shown(waveItemDisplay));
    EXPECT_TRUE(page.shown(waveItemWaveMenu));
    EXPECT_TRUE(page.shown(waveItemSlider));
    EXPECT_FALSE(page.shown(waveItemRangeBar));
  });
}

// The display drawn over a fixture wave: the polyline at the rows the mapping gives, the position line
// of tools 9 and 10 and the two range lines of tool 11, each kept as a PNG.
TEST(WavePage, TheDisplayDrawsThePolylineAndTheToolsLines) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    const std::vector<float> fixture =
        shape([](int i) { return 0.8 * std::sin(2 * kPi * i / 1024) + 0.15 * std::sin(2 * kPi * 5 * i / 1024); });
    page.edit(fixture);
    waveDisplaySetPosition(kWin, 512);
    EXPECT_EQ(waveEditBuffers()->toolButton, waveItemToolCosine);
    EXPECT_TRUE(page.lit(waveItemToolCosine));
    const CtrlRect r = page.rect(waveItemDisplay);
    const int ox = winGetOriginX(kWin), oy = winGetOriginY(kWin);
    const std::vector<int> rows = expectedRows(page.current());
    CapturedWindow shot = capture(page, "wave-display-tool10.png");
    int onLine = 0;
    for (int c = 0; c < 512; ++c) onLine += shot.at(r.left + c + ox, r.top + rows[c] + oy) == kPolyline;
    EXPECT_GE(onLine, 510) << "polyline pixels at the mapped rows";
    // The position line: column 256, away from where the polyline crosses it.
    int mark = 0;
    for (int y = 0; y < 257; ++y) mark += shot.at(r.left + 256 + ox, r.top + y + oy) == kMarkLine;
    EXPECT_GT(mark, 240);
    // Another tool: the click on the lit tool changes nothing; tool 11 brings the range bar.
    page.click(waveItemToolCosine);
    EXPECT_TRUE(page.shown(waveItemSlider));
    EXPECT_FALSE(page.shown(waveItemRangeBar));
    page.click(waveItemToolHalfSine);
    EXPECT_EQ(waveEditBuffers()->toolButton, waveItemToolHalfSine);
    EXPECT_TRUE(page.lit(waveItemToolHalfSine));
    EXPECT_FALSE(page.lit(waveItemToolCosine));
    EXPECT_FALSE(page.shown(waveItemSlider));
    EXPECT_TRUE(page.shown(waveItemRangeBar));
    shot = capture(page, "wave-display-tool11.png");
    for (int col : {128, 384}) {
      int n = 0;
      for (int y = 0; y < 257; ++y) n += shot.at(r.left + col + ox, r.top + y + oy) == kMarkLine;
      EXPECT_GT(n, 240) << col;
    }
    int old = 0;
    for (int y = 0; y < 257; ++y) old += shot.at(r.left + 256 + ox, r.top + y + oy) == kMarkLine;
    EXPECT_EQ(old, 0) << "no position line with tool 11";
    page.click(waveItemToolLine);
    EXPECT_TRUE(page.shown(waveItemSlider));
    EXPECT_FALSE(page.shown(waveItemRangeBar));
  });
}

// The range bar: marker A dragged far right stops 11 samples before B, B dragged far left 12 after
// A; a press between the grab zones moves nothing.
TEST(WavePage, TheRangeBarKeepsItsMarkersApart) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    page.edit(sine());
    page.click(waveItemToolHalfSine);
    WaveDisplayState* s = waveDisplayState();
    s->rangeStart = 256;
    s->rangeEnd = 768;
    const CtrlRect bar = page.rect(waveItemRangeBar);
    const int x0 = bar.left + 4, y = (bar.top + bar.bottom) / 2;
    // Between the zones: nothing moves.
    page.press(x0 + 256, y);
    page.drag(x0 + 300, y);
    page.release(x0 + 300, y);
    EXPECT_EQ(s->rangeStart, 256);
    EXPECT_EQ(s->rangeEnd, 768);
    // Marker A far right.
    page.press(x0 + 128, y);
    page.drag(x0 + 500, y);
    page.release(x0 + 500, y);
    EXPECT_EQ(s->rangeStart, 768 - 11);
    // Marker B far left.
    page.press(x0 + 384 + 2, y);
    page.drag(bar.left - 200, y);
    page.release(bar.left - 200, y);
    EXPECT_EQ(s->rangeEnd, 768 - 11 + 12);
    capture(page, "wave-range-bar.png");
    s->rangeStart = 256;
    s->rangeEnd = 768;
  });
}

// Another page's "preset->new" opens this page on the new wave.
TEST(WavePage, ANewWaveOfAnotherPageIsEditedHere) {
  runInApplication([&](RecordingApplication&) {
    WaveHarness page;
    Engine* e = page.engine();
    makeWave(e, sine());
    const int16_t id = engineClaimPresetWave(e);
    ASSERT_GE(id, 0);
    waveEditRefreshAll(kWin, static_cast<int16_t>(id & 0xFF));
    drainMessages();
    EXPECT_EQ(waveEditGetCurrentWave(), id & 0xFF);
    EXPECT_EQ(mainWindowShownPage(kWin), pageWave);
    EXPECT_TRUE(wavePageIsShown(kWin));
    EXPECT_EQ(selectorEntries(page).size(), 2u);
    EXPECT_EQ(clipGetCopyKind(), clipKindWave);
    // The Patch and LFO pages' wave choice: a new wave is edited here.
    mainWindowShowPage(kWin, pageLfo);
    const int16_t made = engineClaimPresetWave(e);
    ASSERT_GE(made, 0);
    waveChoiceShow(kWin, waveItemSelector, made, true);
    drainMessages();
    EXPECT_EQ(waveEditGetCurrentWave(), made & 0xFF);
    EXPECT_EQ(mainWindowShownPage(kWin), pageWave);
    // An index outside 0..7 changes nothing.
    waveEditRefreshAll(kWin, 9);
    EXPECT_EQ(waveEditGetCurrentWave(), made & 0xFF);
  });
}
