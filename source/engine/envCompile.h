// Control driven envelopes (mode 5): the envelope's shape is compiled into 128 levels at equal time
// steps; once per block a MIDI source picks a position along it, one step per block, and the output
// is smoothed with the coefficient of the step reached.
#pragma once
#include <cstdint>

#include "preset/envelopeSlot.h"

struct Engine;

const int envRuntimeSteps = 128;

struct EnvelopeRuntime {
  std::int32_t index;                            // current step 0..127 along the shape
  std::int32_t breakpoint;                       // breakpoint of the current step (-1 before breakpoint 0)
  float value;                                   // smoothed output 0..1 (global pass, note-on)
  float voiceValue;                              // what the per-voice pass multiplies in: value, or 1.0 bypassed
  float level[envRuntimeSteps];                  // shape level at step k (0: start level, 127: last breakpoint)
  float coefficient[envRuntimeSteps];            // smoothing coefficient of step k, 0.03..1.0
  std::int32_t stepBreakpoint[envRuntimeSteps];  // breakpoint of step k (-1 for step 0; 127: lastIndex)
};

// Fills the levels, coefficients and step breakpoints from the slot; index, breakpoint and the two
// values are kept, so a recompile does not make the envelope jump. User-interface thread, while the
// engine is stopped or the slot's handshake keeps the audio thread away.
void envCompile(EnvelopeRuntime* record, const EnvelopeSlot* slot);
// Compiles engine slot 0..27 into its runtime record (the routine the slot setters call for mode 5).
void envCompileSlot(Engine* engine, std::int16_t slot);
// The runtime record of slot 0..27; null outside, and for an engine whose records are not set up.
EnvelopeRuntime* envRuntimeGet(Engine* engine, std::int16_t slot);
// Clears every runtime record of the engine (index, values and shape); done at engine set-up.
void envRuntimeReset(Engine* engine);

// Audio thread, once per block after the tempo clock and before the controller maps.
void envRunControlDriven(Engine* engine);
// Audio thread, at a note-on: a Control driven envelope on the sample position (envDestSampleJump) places the
// voice's sample at the position the envelope stands at.
void envApplySamplePosition(Engine* engine, std::int16_t voice);
