// The channel's amplitude envelope as the amplitude stages read it for one voice's block: its slot
// and instance, the instance's state and the whole samples left in its current segment.
#pragma once

struct ChannelOscRecord;
struct Engine;
struct EnvelopeInstance;
struct EnvelopeSlot;
struct OscVoiceState;

const double oscGainGuard = 1.0000000195414814e-24;  // keeps a ramp off exact zero
const double oscSilentGain = 1e-20;                  // a gain below this writes exact zeros

// Samples left in the envelope's current ramp, as a whole number 0..frames (frames when longer).
int oscWholeRamp(float length, int frames);

struct OscAmpEnvelope {
  int unit;   // the record's unit (envelope slot and modulation row)
  int voice;  // the state's voice, 0 when out of range
  EnvelopeSlot* slot;
  EnvelopeInstance* inst;
  int segState;  // the instance's state: 0 ended, 1 released, 2 holding, 3 running
  int ramp;      // samples to the end of the current segment, 0..frames
};

// A held Control driven envelope has no segments in time: its ramp spans the whole block, so the
// gain follows the controlled level block by block.
OscAmpEnvelope oscAmpEnvelopeOf(Engine* engine, const ChannelOscRecord* record, const OscVoiceState* state, int frames);
