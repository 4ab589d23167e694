// Per-voice running state of a channel oscillator (3 channels x 64 voices in the engine) and the
// band-limited tables of a channel. Units: phases are positions in a 1024-sample table (0 <= x <
// 1024); increments are table samples per output sample; gains are linear.
// These records live only in memory (never stored in files).
#pragma once
#include <cstdint>

const int oscUnisonMax = 8;          // unison voices per played voice
const int oscGrainSlots = 8;         // grains per voice
const int oscFractalLevels = 7;      // layers of the Fractalize segment tree
const int oscFractalSegments = 127;  // 1 + 2 + ... + 64

// Sample playback position of one voice ("Sample" and "Granular").
struct SampleVoice {
  double position;             // read position in frames, less the start offset
  double startOffset;          // sample-start multiplier the position was last computed with
  std::uint32_t word;          // not used
  std::uint8_t jumpRequest;    // set by sampleSetPosition
  std::uint8_t jumpPending;    // a jump is being carried out
  double jumpTarget;           // frame to jump to
  double jumpValue;            // second value of a jump request (not used)
  std::uint8_t fadeInPending;  // the next run starts with a fade-in
};

// One grain of the "Granular" oscillator.
struct GrainSlot {
  std::int32_t start;             // first data value of the grain
  double readPosition;            // frames inside the grain
  std::int32_t envelopePosition;  // envelope samples done
  std::int32_t length;            // grain length in samples
  std::int32_t life;              // samples still to render
  std::int32_t envelopeStage;     // 0 attack, 1 sustain, 2 release, 3 done
  std::int32_t attack;            // samples
  std::int32_t sustainEnd;        // envelope position where the release starts
  std::int32_t release;           // samples
  float pitchFactor;              // relative to the voice, 0..1
  float amplitude;
  float lastGain;
  float diffusionIndex;   // allpass table index of the sweep start
  float coefficientStep;  // per sample
  float coefficient;
  float startCoefficient;
  float feedback;
  float allpassMemory[6];  // per lane: last input and last output
  std::uint8_t stereo;     // reads two-value frames into two lanes
};

struct GrainBlock {
  std::uint32_t voice;           // the voice this block belongs to
  std::int32_t releasePosition;  // of the most recently started grain
  std::int32_t endPosition;
  GrainSlot slots[oscGrainSlots];
};

// One segment of a Fractalize layer: fractions of the note cycle and table positions.
struct FractalSegment {
  float width;  // fraction of the cycle
  float inverseWidth;
  float length;  // 1024 x width, table samples
  float end;     // start + length
  float start;
};

struct FractalLevel {
  std::int16_t segmentCount;  // 2^level
  std::uint16_t currentSegment;
  float cyclePhase;  // table samples 0..1024
  float layerGain;   // gain reached at the end of the previous run
  std::uint8_t segmentEnded;
  FractalSegment* segments;  // into OscVoiceState::fractalSegments
};

struct OscVoiceState {
  float gain;    // amplitude at the end of the last block (start of the next ramp)
  float phaseA;  // phase of wave A
  float incA;    // increment of wave A at the end of the last block
  float phaseB;
  float incB;
  float mixValue;            // Double / Ringmod balance seed
  float spareFloat;          // 1.0
  float fmIndex;             // FM index seed, phase units (162.974655 = one radian)
  float gainFactor;          // voice gain factor of the initial gain at a fresh start
  float velocityGain;        // velocity amount x note curve, level
  float velocityParam;       // velocity amount x note curve, second parameter
  const float* lfoPitch[3];  // pitch factor of LFO 0..2 (a constant 1.0 when not routed)
  const float* lfoGain[3];
  const float* lfoFmIndex[3];
  std::int16_t voiceIndex;           // 0..63
  float unisonRandom[oscUnisonMax];  // random number 0..1 per unison voice, drawn at voice start
  float unisonIncA[oscUnisonMax];    // increment per unison voice at the end of the last block
  float unisonPhaseA[oscUnisonMax];
  float unisonIncB[oscUnisonMax];
  float unisonPhaseB[oscUnisonMax];
  float decimator[12];  // 2:1 decimator of oversampled rendering
  SampleVoice sampleVoice;
  GrainBlock grainBlock;
  std::int16_t fractalLevelCount;  // 7
  FractalLevel fractalLevels[oscFractalLevels];
  FractalSegment fractalSegments[oscFractalSegments];
  float fractalSplit[2];  // applied and current displacement (0.381, 0.382 fresh)
};

// Per channel: eight band-limited levels of wave A and of wave B, and the scratch area the
// oversampled renderers write into before decimation (one voice at a time).
const int oscOversampleFloats = 1152;
struct ChannelWavetables {
  float waveA[8][1024];
  float waveB[8][1024];
  float oversample[oscOversampleFloats];
};

struct Engine;
// Process-wide constant 1.0 that unrouted LFO links point at.
extern const float oscLfoNeutral;

// Defaults of one voice state (voice index given); nothing for a null engine or state.
void oscVoiceInit(Engine* engine, OscVoiceState* state, std::int16_t voice);
void oscStateClear48(float* decimator);  // clears the twelve decimator words
void oscStateBlockClear(float* block);   // the same, under its other name
void sampleVoiceInit(SampleVoice* record);
void oscGrainSlotDefaults(GrainSlot* slot);
void oscGrainDefaults(GrainBlock* block, std::int16_t channel);
