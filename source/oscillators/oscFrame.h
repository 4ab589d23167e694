// The oscillator frame: the routine table by oscillator type, the shared interpolation tables, the
// pitch and gain of a voice, the voice start, the band-limited table choice and the amplitude stage.
// Units: increments are table samples per output sample of a 1024-sample wave, formed at 44,100 Hz
// and multiplied by engineRateFactor(); gains are linear 0..1.
#pragma once
#include <cstdint>

#include "oscillators/dspRandom.h"
#include "oscillators/oscVoiceState.h"

struct Engine;
struct ChannelOscRecord;
struct WaveRecord;

// Render routine of one oscillator type: every active voice of the channel into its voice buffer.
typedef void (*OscRenderRoutine)(Engine* engine, ChannelOscRecord* record, std::int16_t channel,
                                 std::int16_t frames);
extern OscRenderRoutine OscRenderTable[8];

// 256 interpolation weights i / 256, followed by the index ramp 0.0 .. 65535.0 (oscIndexRamp).
extern float oscFractionRamp[256 + 65536];
extern float* const oscIndexRamp;
// Hann window 0.5 - 0.5 cos(2 pi i / 1024) for the grains.
extern float oscGrainWindow[1024];
const float* dspConstTable();
void oscBuildGrainWindow();


const float oscIncrementMax = 510.79998779296875f;   // about 22 kHz at 44,100 Hz
const float oscGainFloor = 1.0000000195414814e-24f;  // gains below count as 0

// Increment of wave A (double) for the voice's note or the fixed pitch; 0 .. oscIncrementMax.
double oscVoicePitch(Engine* engine, const ChannelOscRecord* record, const OscVoiceState* state);
// The same for wave B (pitchIncB / pitchRatioB, frequency mode B, modulation parameter 5).
double oscVoicePitchB(Engine* engine, const ChannelOscRecord* record, const OscVoiceState* state);
// Amplitude target of the voice, 0..1.
double oscVoiceGain(Engine* engine, const ChannelOscRecord* record, const OscVoiceState* state);
// Seeds the channel's oscillator state of the voice for a note (legato 1: a mono voice glides).
void oscVoiceStart(Engine* engine, std::int16_t channel, std::int16_t voice, std::int16_t note,
                   std::uint8_t legato);
// 2^(Trans / 12), Trans limited to 0..48 semitones.
double oscSpreadRatio(const ChannelOscRecord* record);
// Unison detune of unison voice k: 1, 1/t, t, 1/t^2, t^2 ... for spread ratio t.
double oscUnisonSpread(int k, double t);

// Band-limited table for an increment (caller at twice the rate passes half its increment):
// the plain wave up to 1.0, then level 0 (up to 2.0) .. level 7 (above 128).
const float* oscPickTable(Engine* engine, const ChannelOscRecord* record, float increment,
                          std::int16_t waveId, int waveB);
// Level chosen for an increment: -1 for the plain wave, else 0..7.
int oscPickLevel(float increment);
// Rebuilds both table sets of every channel (channel < 0) or one channel using the wave, when its
// oscillator is on and band-limited.
void oscRebuildForWave(Engine* engine, std::int16_t channel, std::int16_t waveId);
// Rebuilds the 8 levels of wave A and then of wave B of a channel from their current samples.
void oscRebuildChannelTables(Engine* engine, std::int16_t channel);
void oscBuildBandLimitedTable(int level, const WaveRecord* source, float* destination);

// Amplitude stage: multiplies the raw block in place along the channel's amplitude envelope.
void oscApplyAmplitude(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float scale,
                       float* buffer, std::int16_t frames);
void oscApplyAmplitudeArgs(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state,
                           float scale, float* buffer, std::int16_t frames);
void oscApplyAmplitudeStereo(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state,
                             float scale, float* buffer, std::int16_t frames);

// Frame helpers for the render routines.
// Unit (0..2) of the record: its own channel index, or the rendering channel when that is invalid.
int oscRecordUnit(const ChannelOscRecord* record, int channel);
// True when the voice must render silence (voice free or ended, oscillator off, engine paused).
bool oscVoiceSilent(Engine* engine, const ChannelOscRecord* record, std::int16_t voice);
// Writes zeros into every lane of the voice's buffer of the channel.
void oscClearVoiceBuffer(Engine* engine, std::int16_t channel, std::int16_t voice, std::int16_t frames);
// A phase reduced into [0, 1024) (non-finite values give 0).
float oscWrapPhase(double phase);
// Renders silence for every active voice (types without a routine yet).
void oscRenderSilent(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);
