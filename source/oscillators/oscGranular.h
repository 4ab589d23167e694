// The "Granular" oscillator (type 5): the channel's sample played as up to eight overlapping grains
// per voice. A scan position moves through the sample at its own rate ("Time %"); each grain reads a
// stretch near the scan position at the voice's pitch under a raised-cosine envelope, through a
// first-order allpass whose coefficient sweeps across the grain; when a grain's life ends the next
// one starts at the scan position of that moment with fresh random deviations.
// Units: grain lengths and envelope positions in output samples; a grain's start in data values
// (frames for one-value data, 2 per frame for stereo); read positions in frames; increments in
// frames per output sample; allpass indices on the allpass table's scale (48 steps per octave).
#pragma once
#include <cstdint>

struct Engine;
struct ChannelOscRecord;
struct OscSubRecord;
struct GrainBlock;
struct GrainSlot;

// The granular oscillators' own random generator (all channels and voices share it); 22,222 when
// the program starts, stepped like dspRandomState.
extern std::uint32_t grainRandomState;
const std::uint32_t grainRandomSeed = 22222u;
float grainRandomNext();  // 0..1

// Grain increments above this many frames per output sample are held (a block stays within the
// 16-bit frame index of the reader).
const double grainIncrementMax = 500.0;

void oscRenderGranular(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);
// Starts the grains of a voice at a fresh note: all at the "Start %" place, their first lengths
// staggered over one grain length.
void grainSetup(Engine* engine, const OscSubRecord* params, GrainBlock* block);
// Starts one grain at scan position `scan` (frames); `lead` lengthens its first life.
void grainStart(Engine* engine, const OscSubRecord* params, GrainBlock* block, GrainSlot* grain, std::int32_t scan,
                std::int32_t lead);
void grainStartArgs(Engine* engine, const OscSubRecord* params, GrainBlock* block, GrainSlot* grain, std::int32_t scan,
                    std::int32_t lead);
// Adds up to `count` samples of the grain into out (right lane at out + stride for a stereo grain);
// returns how many of them it did not render because its life ended. A grain whose reading would
// leave the data renders nothing for the block (its life still runs down).
std::int16_t grainRender(GrainSlot* grain, const float* data, std::uint32_t length, double pitch, float* scratch,
                         float* out, std::int16_t count, std::int16_t stride);
std::int16_t grainRenderArgs(GrainSlot* grain, const float* data, std::uint32_t length, double pitch, float* scratch,
                             float* out, std::int16_t count, std::int16_t stride);
// Writes `count` envelope values of the grain and moves its envelope on.
void grainEnvelope(GrainSlot* grain, std::int16_t count, float* out);
void grainEnvelopeArgs(GrainSlot* grain, std::int16_t count, float* out);

// Grains per voice of a parameter record as used: the stored count held within 1..8.
int grainCount(const OscSubRecord* params);

// The oscillator page's setter (edit copy, committed as editKindOsc): selector 1 "Size" (128..10000),
// 2 diffusion (0..100), 3 "Dens" (1..8), 4 "Time %" (not limited), 5 "R Time", 6 "R Freq",
// 7 "R Amp" (0..100 each); other selectors change nothing.
void oscPageCompute(Engine* engine, std::int16_t channel, std::int16_t selector, double value);
// The same parameters for display: 1 size, 2 diffusion %, 3 grains, 4 time %, 5..7 the random depths %.
double oscGrainParamGet(Engine* engine, std::int16_t channel, std::int16_t selector);
