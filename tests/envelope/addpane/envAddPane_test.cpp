// The add-envelope pane on the page window: the module list holds only modules that are on (empty
// with Add disabled when all are off), the parameter lists per module type, a surround pan made as a
// linked pan LR / pan FB pair, the refusal when no slot is free (also for a surround pan with one
// free slot), the new envelope selected on the page, the last module row kept for the next opening,
// the step pattern of a new pitch envelope at 44.1 and 48 kHz, and long parameter names shown whole.
#include "../envToolsRig.h"

#include <windows.h>

#include <algorithm>

#include <string>
#include <vector>

#include "controls/list.h"
#include "engine/engineConfig.h"
#include "modules/effectFrame.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/waveshaper.h"
#include "preset/oscParams.h"
#include "preset/undo.h"

namespace {

void allOff(Engine* e) {
  for (int16_t c = 0; c < 3; ++c) {
    oscSetOn(e, c, 0);
    filterSetOn(e, c, 0);
    modulatorSetOn(e, c, 0);
  }
  filterSetOn(e, 3, 0);
  waveshaperSetOn(e, 0);
  effectSetOn(e, 0);
}

std::vector<std::string> texts(EnvPanesPage& page, uint16_t list) {
  std::vector<std::string> out;
  for (int r = 0; r < page.filled(paneEnvAdd, list); ++r) out.push_back(page.rowText(paneEnvAdd, list, r));
  return out;
}

bool addEnabled() {
  ControlItem* ok = envPaneItem(paneEnvAdd, envAddOk);
  return ok && ok->drawable != 0;
}

TEST(EnvAddPane, TargetsAreTheModulesThatAreOn) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page(allOff);
    Engine* e = page.engine();
    envAddPaneShow(kPageWin);
    drainMessages();
    EXPECT_TRUE(texts(page, envAddTargets).empty());
    EXPECT_TRUE(texts(page, envAddParams).empty());
    EXPECT_FALSE(addEnabled()) << "nothing to add to";
    page.capture("envelope_add_empty.png");
    page.press(paneEnvAdd, envAddCancelButton);

    // Oscillator 1 with its filter, the master filter and the effect; channel rows with a master
    // voice buffer count above 1.
    oscSetOn(e, 0, 1);
    filterSetOn(e, 0, 1);
    filterSetOn(e, 3, 1);
    effectSetOn(e, 1);
    oscSetOn(e, 2, 1);
    modulatorSetOn(e, 2, 1);
    e->header.stageCounts[3] = 3;
    envAddPaneShow(kPageWin);
    drainMessages();
    EXPECT_EQ(texts(page, envAddTargets), (std::vector<std::string>{"oscil 1", "filter 1", "channel 1", "oscil 3",
                                                                    "mod 3", "channel 3", "master filter", "effect"}));
    EXPECT_TRUE(addEnabled());
    winSelectPort(kPageWin, nullptr);
    EXPECT_EQ(ctrlFind(kPageWin, envPaneId)->drawable, 0) << "the pages are locked while the pane is open";
    EXPECT_EQ(page.firstSelected(paneEnvAdd, envAddTargets), 0);
    EXPECT_EQ(page.firstSelected(paneEnvAdd, envAddParams), 0);
    page.capture("envelope_add_targets.png");
    page.press(paneEnvAdd, envAddCancelButton);
    winSelectPort(kPageWin, nullptr);
    EXPECT_EQ(ctrlFind(kPageWin, envPaneId)->drawable, 1);
    EXPECT_EQ(ctrlIsShown(kPageWin, paneEnvAdd), 0);
    e->header.stageCounts[3] = 1;
  });
}

// Light text pixels (the rows' text is white on dark rows) of columns [x0, x0 + n) and rows [y0, y1).
std::vector<bool> inkOf(const CapturedWindow& shot, int x0, int n, int y0, int y1) {
  std::vector<bool> ink;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x0 + n; ++x) {
      const std::uint32_t c = shot.at(x, y);
      const int lo = std::min({(c >> 16) & 255u, (c >> 8) & 255u, c & 255u});
      ink.push_back(lo > 150);
    }
  return ink;
}

// The name in the list's font, white on black, wide enough to hold it whole.
CapturedWindow reference(HWND hwnd, HFONT font, const std::string& text, int w, int h) {
  HDC dc = GetDC(hwnd);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ oldBmp = SelectObject(mem, bmp);
  RECT all = {0, 0, w, h};
  FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HGDIOBJ oldFont = SelectObject(mem, font);
  SetBkMode(mem, TRANSPARENT);
  SetTextColor(mem, RGB(255, 255, 255));
  DrawTextA(mem, text.c_str(), static_cast<int>(text.size()), &all, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(mem, oldFont);
  SelectObject(mem, oldBmp);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof bi.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  CapturedWindow out;
  out.width = w;
  out.height = h;
  out.pixels.resize(static_cast<std::size_t>(w) * h);
  GetDIBits(mem, bmp, 0, static_cast<UINT>(h), out.pixels.data(), &bi, DIB_RGB_COLORS);
  for (auto& p : out.pixels) p &= 0xFFFFFFu;
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(hwnd, dc);
  return out;
}

// A parameter name wider than its row is drawn narrower, whole, not cut off at the row's edge: the
// row never shows just the start of the name in the list's font, its text ends inside the row and
// it keeps most of its width.
TEST(EnvAddPane, LongParameterNamesShowWhole) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page([](Engine* e) {
      allOff(e);
      oscSetOn(e, 0, 1);
    });
    Engine* e = page.engine();
    int wide = 0;
    for (uint16_t type : {0, 2, 5, 6}) {  // Single, FM, Granular, Fractalize
      oscSetType(e, 0, type);
      envAddPaneShow(kPageWin);
      drainMessages();
      const std::vector<std::string> names = texts(page, envAddParams);
      page.selectRow(paneEnvAdd, envAddParams, -1);  // no selected row: every row dark
      ControlItem* list = envPaneItem(paneEnvAdd, envAddParams);
      ASSERT_NE(list, nullptr);
      const ListData* d = static_cast<const ListData*>(list->k.kindData);
      const CapturedWindow shot = page.capture(type == 6 ? "envelope_add_long_names.png" : "envelope_add_names.png");
      ASSERT_GE(d->fontSlot, 0);
      const int room = d->width - 1, left = list->rect.left + 1;
      for (std::size_t r = 0; r < names.size(); ++r) {
        const int top = list->rect.top + static_cast<int>(r) * d->rowHeight;
        const CapturedWindow ref = reference(page.hwnd(), fontGet(d->fontSlot), names[r], 300, d->rowHeight);
        int full = 0;  // the name's width in the list font
        for (int x = 0; x < ref.width; ++x)
          for (int y = 0; y < ref.height; ++y)
            if (inkOf(ref, x, 1, y, y + 1)[0]) full = x + 1;
        if (full <= room) continue;
        ++wide;
        const std::vector<bool> shown = inkOf(shot, left, room, top, top + d->rowHeight);
        const std::vector<bool> prefix = inkOf(ref, 0, room, 0, d->rowHeight);
        int differ = 0, inked = 0, last = -1;
        for (std::size_t i = 0; i < shown.size(); ++i) {
          differ += shown[i] != prefix[i] ? 1 : 0;
          inked += prefix[i] ? 1 : 0;
          if (shown[i]) last = std::max(last, static_cast<int>(i % room));
        }
        EXPECT_GT(differ, inked / 10) << "type " << type << ": \"" << names[r] << "\" is cut at the row's edge";
        EXPECT_LT(last, room - 1) << names[r];
        EXPECT_GT(last, full * 3 / 5) << names[r];
      }
      page.press(paneEnvAdd, envAddCancelButton);
    }
    EXPECT_GT(wide, 3) << "names wider than the rows were met";
  });
}

TEST(EnvAddPane, ParameterListsPerModuleType) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page;
    Engine* e = page.engine();
    struct Case {
      const char* what;
      int kind, index, type;  // oscillator or filter type set first (-1 none)
      std::vector<int32_t> codes;
    } cases[] = {
        {"Single", envAddOscil, 0, 0, {2, 3, 31, 35, 36}},
        {"FM", envAddOscil, 1, 2, {2, 3, 31, 5, 7, 35, 36}},
        {"Sample", envAddOscil, 0, 4, {2, 18, 35, 36}},
        {"Granular", envAddOscil, 0, 5, {2, 17, 19, 20, 21, 22, 23, 35, 36}},
        {"Fractalize", envAddOscil, 2, 6, {32, 33, 34, 35, 36}},
        {"Audio In", envAddOscil, 0, 7, {35, 36}},
        {"filter type 1", envAddFilter, 0, 1, {9}},
        {"filter type 4", envAddFilter, 1, 4, {9}},
        {"filter type 2", envAddFilter, 1, 2, {9, 15}},
        {"filter type 9", envAddFilter, 2, 9, {9, 15, 16}},
        {"master filter type 12", envAddMasterFilter, 3, 12, {9, 15}},
        {"modulator", envAddMod, 1, -1, {13, 14}},
        {"waveshaper", envAddWaveshape, 3, -1, {12, 10, 11}},
        {"effect", envAddEffect, 3, -1, {29, 30, 25, 26, 27}},
        {"channel", envAddChannel, 0, -1, {28, 37, 38}},
    };
    for (const Case& c : cases) {
      if (c.kind == envAddOscil) oscSetType(e, static_cast<uint16_t>(c.index), static_cast<uint16_t>(c.type));
      if (c.kind == envAddFilter || c.kind == envAddMasterFilter)
        filterSetType(e, static_cast<int16_t>(c.index), static_cast<int16_t>(c.type));
      EnvDestKind codes[envAddParamRows] = {};
      const int n = envAddListParams(e, c.kind, c.index, codes);
      EXPECT_EQ(std::vector<int32_t>(codes, codes + n), c.codes) << c.what;
    }
    // On the pane: a filter of type 1 offers only "freq", named as the new envelope would be.
    allOff(e);
    oscSetOn(e, 0, 1);
    filterSetOn(e, 0, 1);
    filterSetType(e, 0, 1);
    envAddPaneShow(kPageWin);
    page.selectRow(paneEnvAdd, envAddTargets, 1);
    envAddTargetChanged(envPaneItem(paneEnvAdd, envAddTargets));
    EXPECT_EQ(texts(page, envAddParams), (std::vector<std::string>{"filter 1 freq (1)"}));
    page.press(paneEnvAdd, envAddCancelButton);
    // Hostile kinds and indices offer nothing.
    EnvDestKind codes[envAddParamRows] = {};
    EXPECT_EQ(envAddListParams(e, 0, 0, codes), 0);
    EXPECT_EQ(envAddListParams(e, envAddOscil, 7, codes), 0);
    EXPECT_EQ(envAddListParams(e, envAddFilter, -1, codes), 0);
    EXPECT_EQ(envAddListParams(nullptr, envAddFilter, 0, codes), 0);
  });
}

TEST(EnvAddPane, AddSelectsTheNewEnvelopeAndKeepsTheModuleRow) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page([](Engine* e) {
      allOff(e);
      oscSetOn(e, 0, 1);
      oscSetType(e, 0, 0);
      filterSetOn(e, 0, 1);
      filterSetType(e, 0, 9);
    });
    Engine* e = page.engine();
    envAddPaneShow(kPageWin);
    page.selectRow(paneEnvAdd, envAddTargets, 1);  // filter 1
    envAddTargetChanged(envPaneItem(paneEnvAdd, envAddTargets));
    page.selectRow(paneEnvAdd, envAddParams, 1);  // res
    envAddParamChanged(envPaneItem(paneEnvAdd, envAddParams));
    undoSetKind(undoKindEnvelope);
    page.press(paneEnvAdd, envAddOk);
    ASSERT_EQ(page.slot(3)->destination, 15);
    EXPECT_EQ(page.slot(3)->owner, 0);
    EXPECT_EQ(undoGetKind(), undoKindNone) << "an add clears the pending undo";
    winSelectPort(kPageWin, nullptr);
    EXPECT_EQ(ctrlIsShown(kPageWin, paneEnvAdd), 0);
    int row = -1;
    for (int r = 0; r < 28; ++r)
      if (page.view()->rowSlots[r] == 3) row = r;
    ASSERT_GE(row, 0);
    EXPECT_TRUE(page.listSelected(row)) << "the new envelope's row is selected";
    page.capture("envelope_added_res.png");
    // The next opening selects the module row chosen last.
    envAddPaneShow(kPageWin);
    EXPECT_EQ(page.firstSelected(paneEnvAdd, envAddTargets), 1);
    EXPECT_EQ(texts(page, envAddParams)[1], "filter 1 res (2)") << "the number the next one would get";
    page.capture("envelope_add_again.png");
    page.press(paneEnvAdd, envAddCancelButton);
    EXPECT_EQ(envCountAllocated(e), 4);
  });
}

TEST(EnvAddPane, SurroundPanPairAndFullSlots) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page([](Engine* e) {
      allOff(e);
      oscSetOn(e, 0, 1);
      e->header.stageCounts[3] = 3;
    });
    Engine* e = page.engine();
    auto addSurround = [&] {
      envAddPaneShow(kPageWin);
      page.selectRow(paneEnvAdd, envAddTargets, 1);  // channel 1
      envAddTargetChanged(envPaneItem(paneEnvAdd, envAddTargets));
      page.selectRow(paneEnvAdd, envAddParams, 2);  // surround pan
      envAddParamChanged(envPaneItem(paneEnvAdd, envAddParams));
      EXPECT_EQ(page.rowText(paneEnvAdd, envAddParams, 2).rfind("chan 1 surround pan", 0), 0u);
      page.press(paneEnvAdd, envAddOk);
    };
    addSurround();
    ASSERT_EQ(page.slot(3)->destination, 28);
    ASSERT_EQ(page.slot(4)->destination, 37);
    EXPECT_EQ(envFindPartner(e, 3), 4) << "linked pan LR and pan FB";
    EXPECT_EQ(envFindPartner(e, 4), 3);
    EXPECT_EQ(msgBoxCaptureCount(), 0u);

    // Only one slot free: the pair is refused whole.
    for (int s = 5; s < 27; ++s) envCreate(e, 0, envDestOscVol);
    ASSERT_EQ(envCountAllocated(e), 27);
    std::vector<EnvelopeSlot> before;
    for (int s = 0; s < envSlotCount; ++s) before.push_back(*page.slot(s));
    addSurround();
    ASSERT_EQ(msgBoxCaptureCount(), 1u);
    EXPECT_STREQ(msgBoxCaptureText(0), "Can't allocate any more envelopes, max limit reached.");
    for (int s = 0; s < envSlotCount; ++s) EXPECT_TRUE(envSameSlot(*page.slot(s), before[s])) << s;

    // Slots 3..27 full: any add is refused and nothing changes.
    envCreate(e, 0, envDestOscVol);
    ASSERT_EQ(envCountAllocated(e), 28);
    before.clear();
    for (int s = 0; s < envSlotCount; ++s) before.push_back(*page.slot(s));
    envAddPaneShow(kPageWin);
    page.press(paneEnvAdd, envAddOk);
    ASSERT_EQ(msgBoxCaptureCount(), 2u);
    EXPECT_STREQ(msgBoxCaptureText(1), "Can't allocate any more envelopes, max limit reached.");
    for (int s = 0; s < envSlotCount; ++s) EXPECT_TRUE(envSameSlot(*page.slot(s), before[s])) << s;
    winSelectPort(kPageWin, nullptr);
    EXPECT_EQ(ctrlIsShown(kPageWin, paneEnvAdd), 0);
    e->header.stageCounts[3] = 1;
  });
}

// A new main pitch envelope with the grid on: 4 / grid + 1 steps of a quarter of the bar x grid, at
// 44,100 per second whatever the device rate (the generator scales them).
TEST(EnvAddPane, StepPatternKeepsItsTimesAt48kHz) {
  for (float rate : {44100.0f, 48000.0f}) {
    runInApplication([&](RecordingApplication&) {
      ASSERT_TRUE(engineCfgSetRate(rate));
      EnvPanesPage page([](Engine* e) {
        allOff(e);
        oscSetOn(e, 0, 1);
        oscSetType(e, 0, 0);
      });
      page.view()->gridOn = 1;
      page.view()->gridBeats = 0.25;
      EXPECT_DOUBLE_EQ(envGridStepSamples(page.engine(), kPageWin), 5512.5) << "the page's grid at " << rate;
      envAddPaneShow(kPageWin);
      page.press(paneEnvAdd, envAddOk);  // oscil 1, main pitch
      const EnvelopeSlot* s = page.slot(3);
      ASSERT_EQ(s->destination, 2);
      EXPECT_EQ(s->lastIndex, 16) << "17 breakpoints";
      EXPECT_EQ(s->sustainIndex, 15);
      EXPECT_EQ(s->mode, envModeRetrigger);
      for (int k = 0; k <= 16; ++k) {
        EXPECT_EQ(s->breakpoints[k].time, 88200.0 * 0.25 * 0.25) << k << " at " << rate;
        EXPECT_FLOAT_EQ(s->breakpoints[k].level, 0.5f);
        EXPECT_EQ(s->breakpoints[k].step, 1u);
      }
      // With the grid off the destination's defaults.
      page.view()->gridOn = 0;
      envAddPaneShow(kPageWin);
      page.press(paneEnvAdd, envAddOk);
      EnvelopeSlot fresh{};
      envInitSlot(&fresh, 4, envDestOscPitch);
      envApplyDestDefaults(&fresh, envDestOscPitch);
      EXPECT_EQ(page.slot(4)->lastIndex, fresh.lastIndex);
      EXPECT_EQ(page.slot(4)->breakpoints[0].step, fresh.breakpoints[0].step);
    });
  }
  engineCfgSetRate(44100.0f);
}

}  // namespace
