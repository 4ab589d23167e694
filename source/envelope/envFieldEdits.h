// What the Envelope page's breakpoint boxes and setting controls change in the engine, apart from the
// page's controls: the typed time with its follower, the typed level in percent or in the
// destination's unit, the per-breakpoint LFO and controller-scaling values, the mode with its
// refusals, the sync rule of Retrigger envelopes and the preset's beats. Each takes the engine, the
// selected slot and the breakpoint selection first..last (-1 the start point, -2 none).
#pragma once
#include <cstdint>

struct Engine;

// Snap of the time setter: on while the grid is on and Alt is up; the grid step in beats.
struct EnvSnap {
  bool on;
  double gridBeats;
};

// Seconds from the envelope's start to the end of breakpoint bp (0 for bp below 0).
double envFieldAbsSeconds(Engine* engine, std::int16_t slot, std::int16_t bp);

// A typed time v (seconds) for the first selected breakpoint: a segment length, or with `absolute`
// the time from the envelope's start. With moveFollowing clear the breakpoint after the run keeps its
// absolute time. A duration below 10 samples becomes 10; a time that is not a number changes nothing.
// False when nothing was changed.
bool envFieldSetTime(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last, double v, bool absolute,
                     bool moveFollowing, const EnvSnap& snap);

// A typed level L (0..1, clamped) for the selection, the old level being the first selected one's.
bool envFieldSetLevel(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last, double level);

// Per-breakpoint fields of every selected breakpoint (the start point has none): LFO depth, LFO
// seconds, sample-and-hold seconds, time and amp scale (fractions), time and amp controller source,
// step flag.
enum EnvBpField {
  envBpDepth,
  envBpLfoSec,
  envBpShSec,
  envBpTimeScale,
  envBpAmpScale,
  envBpTimeCc,
  envBpAmpCc,
  envBpStep
};
bool envFieldSetEach(Engine* engine, std::int16_t slot, std::int16_t first, std::int16_t last, EnvBpField field,
                     double value);

// Mode entry 1..6 of the mode popup (6 "Link"). Results of the choice:
enum EnvModeResult { envModeDone, envModeRefusedLinkedTo, envModeRefusedChannel, envModeNothing };
EnvModeResult envFieldChooseMode(Engine* engine, std::int16_t slot, std::int16_t entry);

// Whether the sync switch may change: not on a Retrigger envelope unless a mouse button is down.
bool envFieldSyncAllowed(Engine* engine, std::int16_t slot, bool mouseDown);

// "Beat" v at the running tempo: the header's length becomes 60 / bpm x v x 44100 samples holding v
// beats, committed through the edit block. False (nothing changed) for a tempo or v that is not
// positive and finite.
bool envFieldSetBeats(Engine* engine, double v);
