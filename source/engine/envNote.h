// Envelope events outside the block passes: note-on and note-off of a voice's instances, the
// sample-accurate turn of an amplitude segment inside a block, the voice state that follows the
// channels' amplitude envelopes, and the clean-up of tiny breakpoint values after a preset load.
// All on the audio thread except envSlotsFlushTinyValues (user-interface thread, engine paused).
#pragma once
#include <cstdint>

#include "engine/envelopeInstance.h"
#include "preset/envelopeSlot.h"

struct Engine;

// Note-on, before the voice's oscillators start: the voice's multipliers become 1.0 and every used
// slot's instance starts (a legato note restarts only Release-mode envelopes).
void envStartVoice(Engine* engine, std::int16_t voice, std::uint16_t legato);
void envStartInstance(Engine* engine, EnvelopeSlot* own, EnvelopeInstance* instance, std::uint16_t legato);
// Note-off or all-notes-off: instances holding or running go to their release point.
void envReleaseVoice(Engine* engine, std::int16_t voice, std::uint8_t updateVoiceState);
// An amplitude segment ends `offset` frames into a block of `frames`: moves the instance on to its next
// segment and returns the new amplitude multiplier (at most 1.0).
double envGenRenderAlt(Engine* engine, EnvelopeSlot* own, EnvelopeInstance* instance, std::int16_t offset,
                       std::int16_t frames);
// The voice's state from the highest state of the channels' amplitude envelopes (slots 0..2 in use):
// 1 released, 6 all ended (the voice joins the free list, note -1); a holding envelope leaves it.
void voiceSetStateFromEnvelopes(Engine* engine, std::int16_t voice);
// Levels and slopes below 1e-24 become 0, times below 0.0001 samples become 0.0001.
void envSlotsFlushTinyValues(Engine* engine);
