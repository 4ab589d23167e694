// The Envelope page as a user first meets it: the default preset's three amplitude envelopes listed,
// selected and drawn as rows in their colours, a press framing a row; the list filter over a preset
// with envelopes of several kinds and owners; the kept selection across a preset whose envelopes sit
// in other slots; the page size buttons.
#include "../envHarness.h"

#include <algorithm>
#include <vector>

#include "uiSeams/popupMenu.h"

namespace {

// The popup seam: the menu that opens is answered with its entry of this text.
std::string g_pick;
int pickByText(void* menu, int, int, void*) {
  HMENU m = static_cast<HMENU>(menu);
  for (int i = 0; i < GetMenuItemCount(m); ++i) {
    char text[64] = {};
    GetMenuStringA(m, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    if (g_pick == text) return static_cast<int>(GetMenuItemID(m, i));
  }
  return 0;
}

TEST(EnvPage, FirstShowListsAndDrawsTheThreeAmplitudeEnvelopes) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    EXPECT_EQ(page.listText(0), "oscil 1 amp (1)");
    EXPECT_EQ(page.listText(1), "oscil 2 amp (1)");
    EXPECT_EQ(page.listText(2), "oscil 3 amp (1)");
    for (int r = 0; r < 3; ++r) EXPECT_TRUE(page.listSelected(r)) << r;
    for (int id = 16; id <= 18; ++id) EXPECT_TRUE(page.shown(static_cast<uint16_t>(id))) << id;
    for (int id = 19; id <= 38; ++id) EXPECT_FALSE(page.shown(static_cast<uint16_t>(id))) << id;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(page.record(16 + k)->slotIndex, k);

    CapturedWindow shot = page.capture("envelope_first_show.png");
    ASSERT_GT(shot.width, 0);
    const CtrlRect r16 = page.row(16)->rect;
    EXPECT_GT(countColour(shot, r16, rgb(0, 158, 255)), 50) << "curve up to the sustain point and baseline";
    EXPECT_GT(countColour(shot, r16, rgb(142, 60, 103)), 10) << "curve after the sustain point";
    EXPECT_GT(countColour(shot, r16, rgb(0, 255, 255)), 10) << "marker frames";

    // A press on an empty place of row 17 selects it: its frame is drawn.
    const CtrlRect r17 = page.row(17)->rect;
    EXPECT_EQ(countColour(shot, {r17.left, r17.top, r17.right, r17.top + 1}, rgb(35, 87, 120)), 0);
    page.click(r17.right - 40, r17.top + 10);
    EXPECT_EQ(page.view()->selectedItem, 17);
    EXPECT_EQ(page.view()->selectedSlot, 1);
    shot = page.capture("envelope_row17_selected.png");
    EXPECT_GT(countColour(shot, {r17.left, r17.top, r17.right, r17.top + 1}, rgb(35, 87, 120)), 200);
    EXPECT_EQ(countColour(shot, {r16.left, r16.top, r16.right, r16.top + 1}, rgb(35, 87, 120)), 0);
  });
}

// Envelopes of several kinds and owners, one table of filter entries and the rows each selects.
TEST(EnvPage, FilterSelectsTheRowsOfItsGroupAndKeepsThemAcrossPresets) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      envCreate(e, 0, envDestOscPitch);    // oscil 1 pitch
      envCreate(e, 1, envDestFilterFreq);  // filter 2 cutoff
      envCreate(e, 3, envDestFilterFreq);  // master filter
      envCreate(e, 3, envDestEffectTime);  // effect
    });
    ASSERT_NE(page.view()->rowSlots[6], -1);
    auto selectedKinds = [&] {
      std::vector<std::pair<int, int>> out;
      for (int r = 0; r < 28; ++r)
        if (page.view()->rowSlots[r] >= 0 && page.listSelected(r)) {
          const EnvelopeSlot* s = page.slot(page.view()->rowSlots[r]);
          out.push_back({s->destination, s->owner});
        }
      return out;
    };
    struct Case {
      int entry;
      std::vector<std::pair<int, int>> rows;
    } cases[] = {
        {envFilterMaster, {{9, 3}, {25, 3}}},
        {envFilterFilter, {{9, 1}, {9, 3}}},
        {envFilterOscil, {{1, 0}, {2, 0}, {1, 1}, {1, 2}}},
        {envFilterNone, {}},
        {envFilterAll, {{1, 0}, {2, 0}, {1, 1}, {9, 1}, {1, 2}, {9, 3}, {25, 3}}},
    };
    for (const Case& c : cases) {
      envListOnFilter(page.item(envItemFilter), 0, static_cast<int16_t>(c.entry));
      drainMessages();
      EXPECT_EQ(selectedKinds(), c.rows) << c.entry;
      int shownRows = 0;
      for (int id = 16; id <= 38; ++id) shownRows += page.shown(static_cast<uint16_t>(id)) ? 1 : 0;
      EXPECT_EQ(shownRows, static_cast<int>(c.rows.size())) << c.entry;
    }
    // The popup itself: its entries and a choice clicked in it.
    g_pick = "Master Channel";
    popupSetTrackHook(pickByText);
    const CtrlRect fr = page.item(envItemFilter)->rect;
    page.click((fr.left + fr.right) / 2, (fr.top + fr.bottom) / 2);
    popupSetTrackHook(nullptr);
    EXPECT_EQ(selectedKinds(), (std::vector<std::pair<int, int>>{{9, 3}, {25, 3}}));
    envListOnFilter(page.item(envItemFilter), 0, envFilterFilter);
    // Another preset: the same (kind, owner) envelopes in other slots.
    Engine* e = page.engine();
    for (int16_t s = 3; s < envSlotCount; ++s) envSlotClear(e, s);
    envCreate(e, 3, envDestEffectTime);
    envCreate(e, 3, envDestFilterFreq);
    envCreate(e, 0, envDestShapePhase);
    envCreate(e, 1, envDestFilterFreq);
    envPageRefresh(kPageWin);
    drainMessages();
    EXPECT_EQ(selectedKinds(), (std::vector<std::pair<int, int>>{{9, 1}, {9, 3}}));
    page.capture("envelope_filter_kept.png");
  });
}

// Every marker square found in a capture of a row takes a press on its middle: that breakpoint is
// selected.
TEST(EnvPage, APressOnEveryMarkerInTheCaptureHitsItsBreakpoint) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      shapeSlot(engineGetEnvelopeSlot(e, 0), 0.0f,
                {{0.2, 1.0f}, {0.3, 0.6f}, {0.4, 0.8f}, {0.5, 0.1f}, {0.6, 0.0f}, {0.3, 0.5f}}, 2);
    });
    envGraphSelectItem(kPageWin, 17);
    CapturedWindow shot = page.capture("envelope_markers.png");
    const CtrlRect r = page.row(16)->rect;
    const std::uint32_t cyan = rgb(0, 255, 255);
    std::vector<std::pair<int, int>> found;  // top-left corners of 6 x 6 cyan frames
    for (int y = r.top; y + 5 < r.bottom; ++y)
      for (int x = r.left; x + 5 < r.right; ++x)
        if (shot.at(x, y) == cyan && shot.at(x + 5, y) == cyan && shot.at(x, y + 5) == cyan &&
            shot.at(x + 5, y + 5) == cyan && shot.at(x + 1, y) == cyan && shot.at(x, y + 1) == cyan &&
            (x == r.left || shot.at(x - 1, y) != cyan) && shot.at(x, y - 1) != cyan)
          found.push_back({x, y});
    EXPECT_EQ(static_cast<int>(found.size()), 7) << "the start point and six breakpoints";
    std::vector<int> hit;
    for (const auto& f : found) {
      page.click(f.first + 3, f.second + 3);
      EXPECT_EQ(page.view()->selectedItem, 16);
      hit.push_back(page.view()->bpSelFirst);
      EXPECT_EQ(page.view()->bpSelLast, page.view()->bpSelFirst);
    }
    std::sort(hit.begin(), hit.end());
    EXPECT_EQ(hit, (std::vector<int>{-1, 0, 1, 2, 3, 4, 5}));
  });
}

TEST(EnvPage, SizeButtonsStopAtTheLimits) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    EnvelopeView* v = page.view();
    for (int i = 0; i < 12; ++i) envPageOnSizeButton(page.item(envItemSizeBigger), 1, 0);
    drainMessages();
    EXPECT_EQ(v->pageWidth, 1536);
    EXPECT_EQ(v->pageHeight, 1024);
    envPageLayout(kPageWin);
    page.capture("envelope_max_size.png");
    for (int i = 0; i < 12; ++i) envPageOnSizeButton(page.item(envItemSizeSmaller), 1, 0);
    drainMessages();
    EXPECT_EQ(v->pageWidth, 738);
    EXPECT_EQ(v->pageHeight, 645);
  });
}

}  // namespace
