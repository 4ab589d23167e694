// The graph row's layout on fixture slots (start point, offset past the end, sample-position markers,
// a linked envelope through its master, the 68-marker limit), the grid spacing, item limits, hostile
// slots and view values, and the time a full redraw of 23 rows takes.
#include "../envHarness.h"

#include "preset/sample.h"
#include "preset/sampleInfo.h"
#include "support/threadTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

struct LayoutFixture {
  EnvelopeGraphRecord* rec = static_cast<EnvelopeGraphRecord*>(std::calloc(1, sizeof(EnvelopeGraphRecord)));
  LayoutFixture() { envGraphRecordInit(rec, 16, 0); }
  ~LayoutFixture() { std::free(rec); }
  int columnsSet() const {
    int n = 0;
    for (int i = 0; i < envGraphMaxColumns; ++i) n += rec->curveY[i] >= 0 ? 1 : 0;
    return n;
  }
};

const CtrlRect kRect = {165, 232, 805, 360};

TEST(EnvGraph, LayoutTableOnFixtureSlots) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    Engine* e = page.engine();
    EnvelopeSlot* s = page.slot(0);
    shapeSlot(s, 0.5f, {{0.5, 1.0f}, {0.5, 0.5f}, {1.0, 0.0f}}, 1);
    EnvelopeView* v = page.view();
    LayoutFixture f;

    // Offset 0: the start point and three markers; the curve covers 2 s x 128 px.
    envGraphComputeLayoutRect(kPageWin, kRect, s, f.rec);
    EXPECT_TRUE(f.rec->startMark.valid);
    EXPECT_EQ(f.rec->startMark.left, kRect.left);
    EXPECT_EQ(f.rec->pointCount, 3);
    EXPECT_EQ(f.rec->pointHits[0].left, kRect.left + 64);
    EXPECT_EQ(f.rec->pointHits[0].top, kRect.bottom - 5 - 120 - 3);
    EXPECT_TRUE(f.rec->sustainMark.valid);
    EXPECT_EQ(f.rec->sustainMark.left, f.rec->pointHits[1].right + 1);
    EXPECT_FALSE(f.rec->loopMark.valid);
    EXPECT_EQ(f.rec->handleCount, 3);
    EXPECT_NEAR(f.columnsSet(), 256, 2);

    // An offset past the end: nothing laid out.
    v->timeOffset = 5.0;
    envGraphComputeLayoutRect(kPageWin, kRect, s, f.rec);
    EXPECT_EQ(f.rec->pointCount, 0);
    EXPECT_FALSE(f.rec->startMark.valid);
    EXPECT_EQ(f.columnsSet(), 0);
    // A positive offset inside: no start point, the markers after it only.
    v->timeOffset = 0.75;
    envGraphComputeLayoutRect(kPageWin, kRect, s, f.rec);
    EXPECT_FALSE(f.rec->startMark.valid);
    EXPECT_EQ(f.rec->pointCount, 2);
    EXPECT_EQ(f.rec->pointHits[0].breakpoint, 1);
    v->timeOffset = 0.0;

    // Sample position (18): markers on the top line, no handles.
    s->destination = envDestSampleJump;
    envGraphComputeLayoutRect(kPageWin, kRect, s, f.rec);
    for (int i = 0; i < f.rec->pointCount; ++i) EXPECT_EQ(f.rec->pointHits[i].top, kRect.top);
    EXPECT_EQ(f.rec->handleCount, 0);
    s->destination = envDestOscAmp;

    // A linked envelope shows its master through its factors.
    const int16_t li = envCreate(e, 1, envDestOscPitch);
    EnvelopeSlot* l = page.slot(li);
    l->linked = 1;
    l->linkMaster = s->id;
    envRefreshSlot(e, li);
    l->ampPercent = 0.5f;
    l->ampOffset = 0.25f;
    l->timePercent = 2.0f;
    envGraphComputeLayoutRect(kPageWin, kRect, l, f.rec);
    ASSERT_EQ(f.rec->pointCount, 3);
    EXPECT_EQ(f.rec->pointHits[0].left, kRect.left + 128) << "time doubled";
    EXPECT_EQ(f.rec->pointHits[0].top, kRect.bottom - 5 - static_cast<int>(0.75 * 120) - 3) << "1.0 x 0.5 + 0.25";

    // 68 breakpoints of 1 ms: 68 markers at most, no 69th.
    for (int i = 0; i < 68; ++i) s->breakpoints[i] = {441.0, (i % 2) ? 1.0f : 0.0f, 1.0f, 0, 0, 0, 0, 0, 1, 1, 0};
    s->lastIndex = 67;
    v->pixelsPerSecond = 900.0;
    v->secondsPerPixel = 1.0 / 900;
    envGraphComputeLayoutRect(kPageWin, kRect, s, f.rec);
    EXPECT_EQ(f.rec->pointCount, 68);
    EXPECT_LE(f.rec->handleCount, 68);
    v->pixelsPerSecond = 128.0;
    v->secondsPerPixel = 1.0 / 128;
  });
}

TEST(EnvGraph, GridSpacingAndItsLimits) {
  EnvelopeView v{};
  v.pixelsPerSecond = 128.0;
  v.gridBeats = 0.25;
  EXPECT_DOUBLE_EQ(envGraphGridSpacing(&v, 88200.0, 4.0f), 16.0);
  EXPECT_EQ(envGraphGridSpacing(&v, 88200.0, 0.0f), 0.0) << "no beats: no grid";
  EXPECT_EQ(envGraphGridSpacing(&v, 0.0, 4.0f), 0.0) << "no length: no grid, no millions of lines";
  v.pixelsPerSecond = 1.0;
  EXPECT_EQ(envGraphGridSpacing(&v, 88200.0, 128.0f), 0.0) << "below a few pixels: none";
}

TEST(EnvGraph, GridLinesLieWhereTheSpacingPutsThem) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    page.view()->gridBeats = 0.25;
    envViewSetGridOn(kPageWin, 1);
    CapturedWindow shot = page.capture("envelope_grid.png");
    const CtrlRect r = page.row(18)->rect;
    const int y = r.top + 20;
    for (int k = 1; k <= 30; ++k) EXPECT_EQ(shot.at(r.left + 16 * k, y), rgb(35, 87, 120)) << k;
    EXPECT_NE(shot.at(r.left + 24, y), rgb(35, 87, 120));
    engineGetPatchHeader(page.engine())->beats = 0.0f;
    shot = page.capture("envelope_grid_none.png");
    EXPECT_NE(shot.at(r.left + 16 * 5, y), rgb(35, 87, 120));
  });
}

TEST(EnvGraph, HostileSlotsAndViewValuesStayBounded) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    Engine* e = page.engine();
    EnvelopeView* v = page.view();
    EnvelopeSlot* s = page.slot(1);
    LayoutFixture f;
    // Every time 1 sample; times near 999,999,999; a link to itself; LFO with a 1 ms period far out.
    for (int i = 0; i < 68; ++i) s->breakpoints[i] = {1.0, 0.5f, 3.0f, 0, 0, 0, 0, 0, 0.001, 1, 1.0f};
    s->lastIndex = 67;
    s->lfoOn = 1;
    envGraphComputeLayoutRect(kPageWin, kRect, s, f.rec);
    EXPECT_LE(f.rec->pointCount, 68);
    for (int i = 0; i < 68; ++i) s->breakpoints[i].time = 999999999.0;
    v->timeOffset = 5e8;
    const auto t0 = std::chrono::steady_clock::now();
    envGraphComputeLayoutRect(kPageWin, kRect, s, f.rec);
    EXPECT_LT(msSince(t0), 50.0) << "a far offset with a short LFO period is wrapped, not looped";
    v->timeOffset = 0.0;
    s->linked = 1;
    s->linkMaster = s->id;
    envRefreshSlot(e, 1);
    envGraphComputeLayoutRect(kPageWin, kRect, s, f.rec);
    EXPECT_TRUE(f.rec->startMark.valid) << "a self link draws the slot itself";
    for (double zoom : {0.01, 1e6}) {
      v->pixelsPerSecond = zoom;
      v->secondsPerPixel = 1.0 / zoom;
      envGraphComputeLayoutRect(kPageWin, kRect, s, f.rec);
      for (int i = 0; i < f.rec->pointCount; ++i) EXPECT_LT(f.rec->pointHits[i].left, kRect.right);
    }
    v->pixelsPerSecond = 128.0;
    v->secondsPerPixel = 1.0 / 128;
    // Items never grow past 1536 x 512; presses on edges and outside the graph area do nothing harmful.
    envGraphResizeItem(kPageWin, 16, page.row(16)->rect.left + 2000, page.row(16)->rect.top + 600);
    EXPECT_EQ(page.row(16)->rect.right - page.row(16)->rect.left, 1536);
    EXPECT_EQ(page.row(16)->rect.bottom - page.row(16)->rect.top, 512);
    envPageRefresh(kPageWin);
    envPageLayout(kPageWin);
    drainMessages();
    const CtrlRect r = page.row(16)->rect;
    const EnvelopeSlot before = *page.slot(0);
    page.click(r.left, r.top);
    page.click(r.right, r.bottom);
    page.click(r.left - 5, r.top - 100);
    page.doubleClick(r.left, r.top - 1);
    EXPECT_EQ(std::memcmp(&before, page.slot(0), sizeof before), 0);
    // 24 and more rows selected: 23 rows bound.
    for (int k = 0; k < 24; ++k) envCreate(e, static_cast<int16_t>(k % 4), envDestFilterBw);
    envPageRefresh(kPageWin);
    envListOnFilter(page.item(envItemFilter), 0, envFilterAll);
    int bound = 0;
    for (int id = 16; id <= 38; ++id) bound += page.record(id)->slotIndex >= 0 ? 1 : 0;
    EXPECT_EQ(bound, 23);
    EXPECT_EQ(envGraphSlotOfItem(nullptr), -1);
    page.capture("envelope_hostile.png");
  });
}

// A sample-position envelope draws the sample's peaks under its segments, its markers on the top line.
TEST(EnvGraph, SamplePositionRowShowsTheSamplePeaks) {
  runInApplication([&](RecordingApplication&) {
    int16_t slot = -1;
    EnvHarness page([&](Engine* e) { slot = envCreate(e, 0, envDestSampleJump); });
    ASSERT_GE(slot, 3);
    float* display = sampleDisplayBuffer(0);
    SampleInfo* info = sampleGetInfo(page.engine(), 0);
    ASSERT_NE(display, nullptr);
    ASSERT_NE(info, nullptr);
    for (int i = 0; i < sampleDisplayPoints; ++i) display[i] = 0.8f * std::sin(i * 0.05);
    info->length = 44100 * 4;
    envListOnFilter(page.item(envItemFilter), 0, envFilterOscil);
    int row = -1;
    for (int id = 16; id <= 38; ++id)
      if (page.record(id)->slotIndex == slot) row = id;
    ASSERT_GT(row, 0);
    envGraphLayoutRows(page.row(16), 96, 16);
    CapturedWindow shot = page.capture("envelope_sample_position.png");
    const CtrlRect r = page.row(row)->rect;
    EXPECT_GT(countColour(shot, r, rgb(89, 150, 143)), 100) << "sample peaks";
    EnvelopeGraphRecord* rec = page.record(row);
    EXPECT_EQ(rec->handleCount, 0);
    for (int i = 0; i < rec->pointCount; ++i) EXPECT_EQ(rec->pointHits[i].top, r.top);
  });
}

// A full redraw of 23 rows at the row height of 32 (all on screen), with the LFO on.
TEST(EnvGraph, FullRedrawOfTwentyThreeRowsTime) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      const EnvDestKind kinds[] = {envDestFilterFreq, envDestShapeInGain, envDestShapeOutGain};
      for (int k = 0; k < 25; ++k) envCreate(e, static_cast<int16_t>(k % 4), kinds[k % 3]);
      for (int s = 0; s < envSlotCount; ++s) {
        EnvelopeSlot* slot = engineGetEnvelopeSlot(e, s);
        for (int i = 0; i < 68; ++i)
          slot->breakpoints[i] = {4410.0, (i % 2) ? 1.0f : 0.2f, 2.0f, 0, 0, 0, 0, 0, 0.1, 1, 0.5f};
        slot->lastIndex = 67;
        slot->lfoOn = 1;
      }
    });
    envListOnFilter(page.item(envItemFilter), 0, envFilterAll);
    envGraphLayoutRows(page.row(16), 32, 16);
    page.view()->itemHeight = 32;
    envPageOnSizeButton(page.item(envItemSizeBigger), 1, 0);
    for (int i = 0; i < 8; ++i) envPageOnSizeButton(page.item(envItemSizeBigger), 1, 0);
    drainMessages();
    envPageLayout(kPageWin);
    drainMessages();
    envGraphRedrawAll(kPageWin);
    const int runs = 20;
    const auto t0 = std::chrono::steady_clock::now();
    const double cpu0 = threadCpuMs();
    for (int i = 0; i < runs; ++i) envGraphRedrawAll(kPageWin);
    const double cpuMs = (threadCpuMs() - cpu0) / runs;
    const double ms = msSince(t0) / runs;
    std::printf("[perf] full redraw of 23 rows, %d px wide, LFO on: %.2f ms\n",
                static_cast<int>(page.row(16)->rect.right - page.row(16)->rect.left), ms);
    RecordProperty("redraw_ms", std::to_string(ms));
    page.capture("envelope_23_rows.png");
    EXPECT_LT(cpuMs, 200.0) << ms << " ms on the wall clock";
  });
}

}  // namespace
