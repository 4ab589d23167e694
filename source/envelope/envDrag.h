// The edits that a breakpoint drag, a marker drag and the page's time and level boxes share: the
// time setter with grid snap, the level setter of a selected run, the surround-pan partner sync, the
// working values of a breakpoint drag, the sustain and loop-start drops and the band selection.
// Times are samples at 44,100 Hz; levels 0..1. User-interface thread; the slot setters of the preset
// model write the live engine slot.
#pragma once
#include <cstdint>

#include "preset/envelopeSlot.h"

struct Engine;

const double envMinSnappedSamples = 10.0;  // a snapped or typed duration is never shorter
const double envMinDragSamples = 1.0;      // a dragged duration is never shorter
const double envNoMaxSamples = 999999999.0;

// The snap grid in seconds: (tempo length / 44100) / beats x gridBeats, from the preset header. False
// when the header's length or beats (or gridBeats) give no positive, finite step.
bool envSnapGridSeconds(Engine* engine, double gridBeats, double* grid);

// Sets the duration of breakpoint bp; with `snap` the breakpoint's absolute time then moves to the
// nearest multiple of the grid (never leaving a duration below 10 samples). Without a usable grid the
// duration stays as set.
void envSetBpTimeSnap(Engine* engine, std::int16_t slot, std::int16_t bp, double samples, bool snap, double gridBeats);

// Levels of the selected run first..last from a new level and the old one, measured against the
// reference copy `ref` taken at the press: pitch kinds (2, 5, 13) scale by new / old (new itself for
// an old level of 0), the others shift by new - old; every level clamped to 0..1. A run of one sets
// that breakpoint (-1: the start level) to `level`.
void envSetSelectedLevelsCore(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last,
                              const EnvelopeSlot* ref, double level, double old);

// The other half of a surround-pan pair (kinds 28 and 37 with a partner) takes this slot's times and
// settings (not its levels, slopes, destination, "Amp %" or start level), its LFO phase a quarter
// cycle on. Returns the partner's slot, -1 when there is none.
std::int16_t envSyncPartnerCore(Engine* engine, std::int16_t slot);

// Working values of a breakpoint drag, taken at the press.
struct EnvPointDrag {
  EnvelopeSlot ref;   // the slot at the press: every level change is measured against it
  double startTime;   // duration of the first selected breakpoint
  double nextTime;    // duration of the breakpoint after the run (time-range lock)
  double startLevel;  // level of the pressed breakpoint
  double maxTime;     // the longest the first duration may grow
  double samplesPerPixel;
  std::int16_t pressed;  // -1 the start point
  bool keepNext;         // the breakpoint after the run keeps its absolute time
};

void envPointDragBegin(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last, std::int16_t pressed,
                       bool timeRangeLock, double secondsPerPixel, EnvPointDrag* drag);
// One mouse event dx pixels right of the press: the first selected duration becomes
// startTime + dx x samplesPerPixel (1..maxTime, then snapped), the follower keeps its absolute time
// under the lock. `level` (ignored when not a number) goes to the selected run, or to the start level
// when the start point is dragged.
void envPointDragMove(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last,
                      const EnvPointDrag& drag, int dx, double level, bool snap, double gridBeats);

// Whether breakpoint b may take the sustain marker (not selected already, before the last breakpoint,
// after the loop start in Loop mode) or the loop-start marker (before the sustain point).
bool envSustainCandidateOk(const EnvelopeSlot* slot, std::int16_t b, bool selected);
bool envLoopCandidateOk(const EnvelopeSlot* slot, std::int16_t b, bool selected);
// The drops on release: an out-of-order candidate (or -2) leaves the index as it was.
void envDropSustain(EnvelopeSlot* slot, std::int16_t candidate);
void envDropLoopStart(EnvelopeSlot* slot, std::int16_t candidate);

// Band selection over a row's breakpoint markers: markers[i] is the left edge of marker i and bps[i]
// its breakpoint. The band from..to (either order) selects every marker inside it (a right-to-left
// band measures from the left edge + 5). first/last/anchor start at -2; returns whether any was hit.
bool envBandSelectRun(const int* markers, const std::int16_t* bps, int count, int from, int to, std::int16_t* first,
                      std::int16_t* last, std::int16_t* anchor);
