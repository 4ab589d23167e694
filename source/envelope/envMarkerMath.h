// Where and how the play position marker of one graph row is drawn: the envelope's current time from
// the position the envelope generator leaves in the slot, and the line's colour and height (a steady
// line, or one pulsing with the tempo for a synced or Retrigger envelope still on its way).
#pragma once
#include <cstdint>

#include "preset/envelopeSlot.h"

struct Engine;

const std::uint8_t envMarkerRed = 140, envMarkerGreen = 140, envMarkerBlue = 246;

// Seconds into the envelope: breakpoints 0..current index, less the samples left in the segment.
// False when the slot shows no position (index outside 0..67).
bool envMarkerSeconds(const EnvelopeSlot* slot, double* seconds);

struct EnvMarkerLook {
  std::uint8_t red, green, blue;
  double fraction;  // of the row's height, measured up from its bottom
};
// The line's look; the tempo pulse reads the preset header's tempo length and beats and the tempo
// clock's position. A header with 0 beats or length gives the steady line.
EnvMarkerLook envMarkerLookFor(Engine* engine, const EnvelopeSlot* slot);
