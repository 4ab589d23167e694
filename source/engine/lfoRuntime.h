// The LFO unit: per-block evaluation, note-on and controller retrigger, the pointer binding of the
// module states, the sound-field sums and the field accessors of the LFO page.
//
// Units: periods and hold times in seconds (or beats of the tempo clock when synchronised), phases
// in samples of the 1024-sample wave, pitch depth in octaves, filter offsets in pitch-index steps
// (40 per octave, 0..480). The render trusts nothing it evaluates: a period or hold time below
// lfoMinSeconds (or not a number) acts as lfoMinSeconds, so no bound output can become Inf or NaN.
#pragma once
#include <cstdint>

#include "engine/lfo.h"

struct Engine;

const int lfoCount = 3;
const double lfoMinSeconds = 0.001;  // shortest period and hold time in force
const double lfoMaxSeconds = 1.0e5;  // longest hold time in force (a held output stays put)

void lfoCopy(const Lfo* source, Lfo* target);

// ---- audio thread
// All three LFOs of one block (call after the controller map, before the envelopes).
void lfoRenderAll(Engine* engine, std::int16_t frames);
void lfoRenderBlock(Engine* engine, std::int16_t lfo, std::int16_t frames);
void lfoRenderVoice(Engine* engine, Lfo* record, LfoVoiceState* state, std::int16_t voice, std::int16_t frames);
void lfoRetriggerCheck(const Lfo* record, LfoVoiceState* state);
void lfoNoteOn(Engine* engine, std::int16_t voice, bool legato);
void lfoControllerTrigger(Engine* engine, std::int16_t controller, std::int16_t value);
double lfoSumFieldX(Engine* engine, std::int16_t voice);
double lfoSumFieldY(Engine* engine, std::int16_t voice);

// ---- binding (while the engine is paused; engineApplyPatchChange calls it)
void lfoBindVoices(Engine* engine);
// The LFO state voice v follows (its own when perVoice, else voice 0's); null for bad numbers.
LfoVoiceState* lfoFollowedState(Engine* engine, std::int16_t lfo, std::int16_t voice);
// What the oscillator and modulator links of LFO i for channel c and voice v point at: the LFO's
// output when it is on and routed there, else the constant 1.0. Oscillators read the pitch, gain and
// FM index/balance links (the last is the LFO's third multiplier), modulators the pitch link.
const float* lfoOscPitchLink(Engine* engine, std::int16_t lfo, std::int16_t channel, std::int16_t voice);
const float* lfoOscGainLink(Engine* engine, std::int16_t lfo, std::int16_t channel, std::int16_t voice);
const float* lfoOscFmIndexLink(Engine* engine, std::int16_t lfo, std::int16_t channel, std::int16_t voice);
const float* lfoModulatorPitchLink(Engine* engine, std::int16_t lfo, std::int16_t channel, std::int16_t voice);
extern const float lfoLinkOne;  // 1.0, never written

// ---- field accessors (user-interface thread). Getters read the live record (neutral values for a
// bad LFO number); setters write the edit copy and commit editKindLfo with the LFO's index.
std::uint8_t lfoGetOn(Engine* engine, std::int16_t lfo);
void lfoSetOn(Engine* engine, std::int16_t lfo, std::uint8_t value);
std::uint8_t lfoGetPerVoice(Engine* engine, std::int16_t lfo);
void lfoSetPerVoice(Engine* engine, std::int16_t lfo, std::uint8_t value);
std::uint8_t lfoGetSampleHold(Engine* engine, std::int16_t lfo);
void lfoSetSampleHold(Engine* engine, std::int16_t lfo, std::uint8_t value);
std::uint8_t lfoGetRetrigger(Engine* engine, std::int16_t lfo);  // 0/1 of the low byte
void lfoSetRetrigger(Engine* engine, std::int16_t lfo, std::uint8_t value);
std::uint8_t lfoGetPitchPolarity(Engine* engine, std::int16_t lfo);
void lfoSetPitchPolarity(Engine* engine, std::int16_t lfo, std::uint8_t value);
std::uint8_t lfoGetAmpPolarity(Engine* engine, std::int16_t lfo);
void lfoSetAmpPolarity(Engine* engine, std::int16_t lfo, std::uint8_t value);
std::uint8_t lfoGetFilterPolarity(Engine* engine, std::int16_t lfo);
void lfoSetFilterPolarity(Engine* engine, std::int16_t lfo, std::uint8_t value);
std::uint8_t lfoGetChannelPolarity(Engine* engine, std::int16_t lfo);
void lfoSetChannelPolarity(Engine* engine, std::int16_t lfo, std::uint8_t value);
// Targets: a channel outside 0..2 (filter outside 0..3) means 0.
std::uint8_t lfoGetPitchTarget(Engine* engine, std::int16_t lfo, std::int16_t channel);
void lfoSetPitchTarget(Engine* engine, std::int16_t lfo, std::int16_t channel, std::uint8_t value);
std::uint8_t lfoGetAmpTarget(Engine* engine, std::int16_t lfo, std::int16_t channel);
void lfoSetAmpTarget(Engine* engine, std::int16_t lfo, std::int16_t channel, std::uint8_t value);
std::uint8_t lfoGetFilterTarget(Engine* engine, std::int16_t lfo, std::int16_t filter);
void lfoSetFilterTarget(Engine* engine, std::int16_t lfo, std::int16_t filter, std::uint8_t value);
std::uint8_t lfoGetChannelTarget(Engine* engine, std::int16_t lfo, std::int16_t channel);
void lfoSetChannelTarget(Engine* engine, std::int16_t lfo, std::int16_t channel, std::uint8_t value);
double lfoGetPitchDepth(Engine* engine, std::int16_t lfo);  // octaves
void lfoSetPitchDepth(Engine* engine, std::int16_t lfo, double value);
double lfoGetAmpDepth(Engine* engine, std::int16_t lfo);
void lfoSetAmpDepth(Engine* engine, std::int16_t lfo, double value);
double lfoGetFieldDepth(Engine* engine, std::int16_t lfo);
void lfoSetFieldDepth(Engine* engine, std::int16_t lfo, double value);
double lfoGetFilterRange(Engine* engine, std::int16_t lfo);
void lfoSetFilterRange(Engine* engine, std::int16_t lfo, double value);
double lfoGetChannelDepth(Engine* engine, std::int16_t lfo);  // FM index/balance depth
void lfoSetChannelDepth(Engine* engine, std::int16_t lfo, double value);
double lfoGetPercentSetting(Engine* engine, std::int16_t lfo);  // effect-time depth, fraction
void lfoSetPercentSetting(Engine* engine, std::int16_t lfo, double value);
double lfoGetPeriodSeconds(Engine* engine, std::int16_t lfo);
void lfoSetPeriodSeconds(Engine* engine, std::int16_t lfo, double value);  // at least lfoMinSeconds
double lfoGetStartPhase(Engine* engine, std::int16_t lfo);
void lfoSetStartPhase(Engine* engine, std::int16_t lfo, double value);
std::int16_t lfoGetWaveId(Engine* engine, std::int16_t lfo);
void lfoSetWaveId(Engine* engine, std::int16_t lfo, std::int16_t value);
double lfoGetHoldSeconds(Engine* engine, std::int16_t lfo);
void lfoSetHoldSeconds(Engine* engine, std::int16_t lfo, double value);  // at least lfoMinSeconds
double lfoGetRateRange(Engine* engine, std::int16_t lfo);
void lfoSetRateRange(Engine* engine, std::int16_t lfo, double value);
double lfoGetDepthAmount(Engine* engine, std::int16_t lfo);
void lfoSetDepthAmount(Engine* engine, std::int16_t lfo, double value);
double lfoGetHoldRateRange(Engine* engine, std::int16_t lfo);
void lfoSetHoldRateRange(Engine* engine, std::int16_t lfo, double value);
// Controller k: 0 depth, 1 rate, 2 hold rate, 3 retrigger. Sources -1..127; another source changes
// and commits nothing, another k commits nothing (and reads 0).
std::int16_t lfoGetControllerSource(Engine* engine, std::int16_t lfo, std::int16_t k);
void lfoSetControllerSource(Engine* engine, std::int16_t lfo, std::int16_t k, std::int16_t source);
// Sync switches: 0 or 1; another value is not stored (the commit still happens).
std::int16_t lfoGetPeriodSync(Engine* engine, std::int16_t lfo);
void lfoSetPeriodSync(Engine* engine, std::int16_t lfo, std::int16_t value);
std::int16_t lfoGetHoldSync(Engine* engine, std::int16_t lfo);
void lfoSetHoldSync(Engine* engine, std::int16_t lfo, std::int16_t value);
double lfoGetPeriodBeats(Engine* engine, std::int16_t lfo);
void lfoSetPeriodBeats(Engine* engine, std::int16_t lfo, double value);
double lfoGetHoldBeats(Engine* engine, std::int16_t lfo);
void lfoSetHoldBeats(Engine* engine, std::int16_t lfo, double value);
