// Breakpoint drags against a real engine: a run dragged right lengthens only its first breakpoint,
// the follower keeps its absolute time under the lock and cannot be pushed past its end, the grid
// snaps absolute times (never below 10 samples, never with a tempo of 0 beats or length), levels of a
// run move by difference or by ratio on pitch kinds, the sustain and loop marks refuse drops that
// break their order, a band selects exactly the markers inside it, and a surround pair stays in step.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/engine.h"
#include "envelope/envDrag.h"
#include "envelope/envFieldEdits.h"
#include "pages/pageRig.h"
#include "preset/envelope.h"
#include "preset/presetHeader.h"

namespace {

const double kSr = 44100.0;

Engine* fiveBreakpoints() {
  Engine* e = pageTestEngine();
  engineInitPreset(e);
  EnvelopeSlot* s = envSlot(e, 0);
  s->lastIndex = 4;
  for (int k = 0; k <= 4; ++k) s->breakpoints[k].time = 0.5 * kSr;
  return e;
}

TEST(EnvDragMath, RunLengthensOnlyItsFirstBreakpoint) {
  const double zoom = 128.0;
  for (bool lock : {true, false}) {
    SCOPED_TRACE(lock ? "time-range lock" : "free");
    Engine* e = fiveBreakpoints();
    EnvPointDrag d;
    envPointDragBegin(e, 0, 1, 2, 2, lock, 1.0 / zoom, &d);
    envPointDragMove(e, 0, 1, 2, d, 10, std::nan(""), false, 0.5);
    EXPECT_NEAR(envGetBpTime(e, 0, 1), 0.5 * kSr + 10 * kSr / zoom, 1e-6);
    EXPECT_NEAR(envGetBpTime(e, 0, 2), 0.5 * kSr, 1e-6);
    // Locked: breakpoint 3 keeps its absolute time 2.0 s; free: it moves with the run.
    EXPECT_NEAR(envFieldAbsSeconds(e, 0, 3), lock ? 2.0 : 2.0 + 10 / zoom, 1e-9);
    // Pushed far right: under the lock the run ends where breakpoint 3 ended.
    envPointDragMove(e, 0, 1, 2, d, 100000, std::nan(""), false, 0.5);
    if (lock) {
      EXPECT_NEAR(envFieldAbsSeconds(e, 0, 3), 2.0, 1e-9);
      EXPECT_GE(envGetBpTime(e, 0, 3), 0.0);
    }
    // Dragged far left: never below one sample.
    envPointDragMove(e, 0, 1, 2, d, -100000, std::nan(""), false, 0.5);
    EXPECT_EQ(envGetBpTime(e, 0, 1), 1.0);
  }
}

TEST(EnvDragMath, GridSnapsAbsoluteTimes) {
  Engine* e = fiveBreakpoints();  // defaults: 88200 samples holding 4 beats, grid 1/8: 0.25 s
  double grid = 0;
  ASSERT_TRUE(envSnapGridSeconds(e, 0.5, &grid));
  EXPECT_NEAR(grid, 0.25, 1e-12);
  EnvPointDrag d;
  envPointDragBegin(e, 0, 1, 1, 1, false, 1.0 / 128.0, &d);
  for (int dx : {3, 17, 40, -20, -60}) {
    envPointDragMove(e, 0, 1, 1, d, dx, std::nan(""), true, 0.5);
    const double abs = envFieldAbsSeconds(e, 0, 1);
    // On the grid, unless that would leave less than the 10-sample floor (dx -60 reaches the grid
    // line of breakpoint 0 itself).
    if (envGetBpTime(e, 0, 1) > 10.0) {
      EXPECT_NEAR(abs / 0.25, std::round(abs / 0.25), 1e-9) << dx;
    } else {
      EXPECT_EQ(dx, -60);
    }
    EXPECT_GE(envGetBpTime(e, 0, 1), 10.0) << dx;
  }
  // A breakpoint 1 ms after a grid line, dragged left past it: held at 10 samples, not 0.
  envSetBpTimeSnap(e, 0, 1, 5.0, true, 0.5);
  EXPECT_EQ(envGetBpTime(e, 0, 1), 10.0);
  // Alt (no snap): the time stays as dragged.
  envPointDragMove(e, 0, 1, 1, d, 3, std::nan(""), false, 0.5);
  EXPECT_NEAR(envGetBpTime(e, 0, 1), 0.5 * kSr + 3 * kSr / 128.0, 1e-6);
  // 0 beats or a length of 0: no grid, the time stays as set and is finite.
  for (int bad = 0; bad < 2; ++bad) {
    PatchHeader* h = engineGetPatchHeader(e);
    h->length = bad == 0 ? 0.0 : 88200.0;
    h->beats = bad == 0 ? 4.0f : 0.0f;
    EXPECT_FALSE(envSnapGridSeconds(e, 0.5, &grid));
    envSetBpTimeSnap(e, 0, 1, 12345.0, true, 0.5);
    EXPECT_EQ(envGetBpTime(e, 0, 1), 12345.0);
  }
}

TEST(EnvDragMath, RunLevelsByDifferenceOrRatio) {
  Engine* e = fiveBreakpoints();
  EnvelopeSlot* s = envSlot(e, 0);
  s->breakpoints[1].level = 0.2f;
  s->breakpoints[2].level = 0.9f;
  EnvPointDrag d;
  envPointDragBegin(e, 0, 1, 2, 1, false, 1.0 / 128.0, &d);
  envPointDragMove(e, 0, 1, 2, d, 0, 0.4, false, 0.5);  // +0.2
  EXPECT_NEAR(envGetBpLevel(e, 0, 1), 0.4, 1e-6);
  EXPECT_NEAR(envGetBpLevel(e, 0, 2), 1.0, 1e-6);       // clamped
  envPointDragMove(e, 0, 1, 2, d, 0, 0.3, false, 0.5);  // measured from the press, not accumulated
  EXPECT_NEAR(envGetBpLevel(e, 0, 2), 1.0, 1e-6);
  envPointDragMove(e, 0, 1, 2, d, 0, 0.1, false, 0.5);
  EXPECT_NEAR(envGetBpLevel(e, 0, 2), 0.8, 1e-6);
  // A pitch kind scales; from an old level of 0 the new level itself is the ratio.
  s->destination = envDestOscPitch;
  s->breakpoints[1].level = 0.0f;
  s->breakpoints[2].level = 0.5f;
  envPointDragBegin(e, 0, 1, 2, 1, false, 1.0 / 128.0, &d);
  envPointDragMove(e, 0, 1, 2, d, 0, 0.5, false, 0.5);
  EXPECT_NEAR(envGetBpLevel(e, 0, 2), 0.25, 1e-6);
  // The start point stores the level as the start level.
  envPointDragBegin(e, 0, -1, -1, -1, false, 1.0 / 128.0, &d);
  envPointDragMove(e, 0, -1, -1, d, 50, 0.7, false, 0.5);
  EXPECT_NEAR(envGetBpLevel(e, 0, -1), 0.7, 1e-6);
  EXPECT_NEAR(envGetBpTime(e, 0, 0), 0.5 * kSr, 1e-6);  // its time does not move
}

TEST(EnvDragMath, MarkerDropsKeepTheirOrder) {
  Engine* e = fiveBreakpoints();
  EnvelopeSlot* s = envSlot(e, 0);
  s->sustainIndex = s->releaseIndex = 2;
  s->loopStart = 0;
  // The sustain mark on the last breakpoint stays put.
  EXPECT_FALSE(envSustainCandidateOk(s, 4, false));
  envDropSustain(s, 4);
  EXPECT_EQ(s->sustainIndex, 2);
  envDropSustain(s, -2);
  EXPECT_EQ(s->sustainIndex, 2);
  EXPECT_TRUE(envSustainCandidateOk(s, 3, false));
  EXPECT_FALSE(envSustainCandidateOk(s, 3, true));  // already selected
  envDropSustain(s, 3);
  EXPECT_EQ(s->sustainIndex, 3);
  EXPECT_EQ(s->releaseIndex, 3);
  // Loop mode: the sustain mark cannot go onto or before the loop start, the loop start not onto
  // or past the sustain point.
  s->mode = envModeLoop;
  s->loopStart = 1;
  EXPECT_FALSE(envSustainCandidateOk(s, 1, false));
  EXPECT_FALSE(envLoopCandidateOk(s, 3, false));
  envDropLoopStart(s, 3);
  EXPECT_EQ(s->loopStart, 1);
  envDropLoopStart(s, 2);
  EXPECT_EQ(s->loopStart, 2);
}

TEST(EnvDragMath, BandSelectsExactlyTheMarkersInside) {
  const int markers[] = {170, 200, 230, 260, 290};
  const std::int16_t bps[] = {-1, 0, 1, 2, 3};
  struct Row {
    int from, to;
    std::int16_t first, last;
  };
  const Row rows[] = {{195, 265, 0, 2},   {265, 195, 0, 2},  {201, 229, -2, -2},
                      {160, 175, -1, -1}, {300, 150, -1, 3}, {230, 230, 1, 1}};
  for (const Row& r : rows) {
    std::int16_t first = -2, last = -2, anchor = -2;
    envBandSelectRun(markers, bps, 5, r.from, r.to, &first, &last, &anchor);
    EXPECT_EQ(first, r.first) << r.from << ".." << r.to;
    EXPECT_EQ(last, r.last) << r.from << ".." << r.to;
  }
}

TEST(EnvDragMath, SurroundPairStaysInStep) {
  Engine* e = pageTestEngine();
  engineInitPreset(e);
  const int16_t a = envCreate(e, 0, envDestSurroundPan);
  ASSERT_GE(a, 3);
  const int16_t b = envFindPartner(e, a);
  ASSERT_NE(b, a);
  ASSERT_GT(b, 0);
  envSetBpTime(e, a, 1, 12345.0);
  envSetBpLevel(e, a, 1, 0.9);
  envSetLfoPhase(e, a, 0.9f);
  const float partnerLevel = envSlot(e, b)->breakpoints[1].level;
  EXPECT_EQ(envSyncPartnerCore(e, a), b);
  EXPECT_EQ(envGetBpTime(e, b, 1), 12345.0);
  EXPECT_EQ(envSlot(e, b)->breakpoints[1].level, partnerLevel);  // levels stay the partner's own
  EXPECT_NEAR(envGetLfoPhase(e, b), 0.15, 1e-6);
  EXPECT_EQ(envSyncPartnerCore(e, 0), -1);  // not a pair
}

}  // namespace
