// The oscillator frame: the routine table by oscillator type, the shared interpolation tables, the
// pitch and gain of a voice, the voice start, the band-limited table choice and the amplitude stage.
// Units: increments are table samples per output sample of a 1024-sample wave, formed at 44,100 Hz
// and multiplied by engineRateFactor(); gains are linear 0..1.
#pragma once
#include <cstdint>
#include <cstring>

#include "oscillators/dspRandom.h"
#include "oscillators/oscVoiceState.h"

struct Engine;
struct ChannelOscRecord;
struct WaveRecord;

// Render routine of one oscillator type: every active voice of the channel into its voice buffer.
typedef void (*OscRenderRoutine)(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);
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
void oscVoiceStart(Engine* engine, std::int16_t channel, std::int16_t voice, std::int16_t note, std::uint8_t legato);
// 2^(Trans / 12), Trans limited to 0..48 semitones.
double oscSpreadRatio(const ChannelOscRecord* record);
// Unison detune of unison voice k: 1, 1/t, t, 1/t^2, t^2 ... for spread ratio t.
double oscUnisonSpread(int k, double t);

// Band-limited table for an increment (caller at twice the rate passes half its increment):
// the plain wave up to 1.0, then level 0 (up to 2.0) .. level 7 (above 128).
const float* oscPickTable(Engine* engine, const ChannelOscRecord* record, float increment, std::int16_t waveId,
                          int waveB);
// Level chosen for an increment: -1 for the plain wave, else 0..7.
// The first level L with increment <= 2^(L + 1), found from the float's bits: exponent e and a
// mantissa m place it in [2^e, 2^(e+1)), so the smallest power of two at or above it is 2^e when
// m is 0 and 2^(e+1) otherwise (infinity lands far above 7).
inline int oscPickLevel(float increment) {
  if (!(increment > 1.0f)) return -1;
  std::uint32_t bits;
  std::memcpy(&bits, &increment, sizeof bits);
  const int level = static_cast<int>((bits + 0x7FFFFFu) >> 23) - 128;
  return level < 7 ? level : 7;
}
// Rebuilds both table sets of every channel (channel < 0) or one channel using the wave, when its
// oscillator is on and band-limited.
void oscRebuildForWave(Engine* engine, std::int16_t channel, std::int16_t waveId);
// Rebuilds the 8 levels of wave A and then of wave B of a channel from their current samples.
void oscRebuildChannelTables(Engine* engine, std::int16_t channel);
void oscBuildBandLimitedTable(int level, const WaveRecord* source, float* destination);

// Amplitude stage: multiplies the raw block in place along the channel's amplitude envelope.
void oscApplyAmplitude(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float scale, float* buffer,
                       std::int16_t frames);
void oscApplyAmplitudeArgs(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float scale,
                           float* buffer, std::int16_t frames);
void oscApplyAmplitudeStereo(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float scale,
                             float* buffer, std::int16_t frames);

// Two level curves of a block, each stepping on from its start value by a fixed step per frame (the
// first frame already one step on): the per-frame levels of a two-wave mix.
inline void oscLevelRamps(float* a, float a0, float stepA, float* b, float b0, float stepB, int n) {
  for (int j = 0; j < n; ++j) {
    a0 += stepA;
    b0 += stepB;
    a[j] = a0;
    b[j] = b0;
  }
}

// Frame helpers for the render routines.
// Unit (0..2) of the record: its own channel index, or the rendering channel when that is invalid.
int oscRecordUnit(const ChannelOscRecord* record, int channel);
// True when the voice must render silence (voice free or ended, oscillator off, engine paused).
bool oscVoiceSilent(Engine* engine, const ChannelOscRecord* record, std::int16_t voice);
// Writes zeros into every lane of the voice's buffer of the channel.
void oscClearVoiceBuffer(Engine* engine, std::int16_t channel, std::int16_t voice, std::int16_t frames);

// The next voice a channel renders, from the engine's active voices (set engine->voiceCursor to -1
// first): a voice without a buffer on the channel is passed over and, with `silenceRule`, a voice the
// channel is silent for gets zeros. Returns the voice's state with its voice index set, and the voice
// and its buffer; null when no voice is left.
OscVoiceState* oscNextVoice(Engine* engine, const ChannelOscRecord* record, std::int16_t channel, std::int16_t frames,
                            bool silenceRule, std::int16_t* voice, float** buffer);
// A phase reduced into [0, 1024): phase - 1024 floor(phase / 1024) rounded to float; non-finite
// values, and a rounding that reaches 1024, give 0. Phases within one turn of the table are reduced
// inline by the same arithmetic (floor 0, 1 or -1); the rest by oscWrapPhaseSlow.
float oscWrapPhaseSlow(double phase);
inline float oscWrapPhase(double phase) {
  double p;
  if (phase > 0.0 && phase < 1024.0)
    p = phase;
  else if (phase >= 1024.0 && phase < 2048.0)
    p = phase - 1024.0;
  else if (phase >= -1024.0 && phase < -1e-290)
    p = phase + 1024.0;  // no underflow in phase / 1024
  else
    return oscWrapPhaseSlow(phase);
  // p lies in [0, 1024) here, so its float is at least 0: only a rounding up to 1024 is caught.
  const float f = static_cast<float>(p);
  return f < 1024.0f ? f : 0.0f;
}
// Renders silence for every active voice (types without a routine yet).
void oscRenderSilent(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);

// ---- Shared set-up of the two-wave unison oscillators ("Double", "FM", "Ringmod") ----

// What a block of the channel shares across its voices.
struct OscUnisonBlock {
  Engine* engine;
  ChannelOscRecord* record;
  std::int16_t channel;
  std::int16_t frames;
  int unit;          // the record's unit (modulation rows, band-limited tables)
  int unison;        // unison voices 1..8
  float scale;       // 2 / (unison + 1): the unison sum's gain
  double spread;     // spread ratio t of "Trans"
  bool bandLimited;  // oversampled rendering from the band-limited tables
  int count;         // samples rendered per voice: frames, or 2 x frames when oversampled
  std::int16_t waveA;
  std::int16_t waveB;
  const float* plainA;  // the plain waves, 1024 samples
  const float* plainB;
};

// One voice to render.
struct OscUnisonVoice {
  std::int16_t voice;
  float* buffer;  // the voice's buffer of the channel
  float* out;     // where the raw samples go (buffer or oversampling area), count zeros
  OscVoiceState* state;
  const float* mod;  // the voice's modulation row of the unit
  double incA;       // increments of wave A and wave B (table samples per output sample)
  double incB;
  double depth;                 // "Rand trans" x modulation 36, semitones
  double shiftA;                // phase offset of wave A: 2048 x modulation 3 + phase A - 1024
  double detune[oscUnisonMax];  // detune factor per unison voice (oscDoubleDetune)
};

// Checks the arguments and prepares the block; bandLimited is honoured only when allowed (the
// oscillator has an oversampled path). False: nothing to render.
bool oscUnisonBegin(OscUnisonBlock* block, Engine* engine, ChannelOscRecord* record, std::int16_t channel,
                    std::int16_t frames, bool allowBandLimited);
// Walks the active voices: a voice without a buffer is passed over, a silent one gets zeros; for the
// next voice that sounds fills `voice` (its state's voice index set, its output area cleared) and
// returns true; false when no voice is left.
bool oscUnisonNextVoice(const OscUnisonBlock* block, OscUnisonVoice* voice);
