// Records of the five master effect kinds and the head they share. One record of each kind lives in
// the engine; a preset holds the record of its own kind. Delays and lengths are samples at 44,100 Hz
// unless marked; pitch indices are 40 steps per octave from 5 Hz (0..480); levels are linear gains
// (shown as 6-dB-per-doubling levels); times marked "beats" follow the tempo clock.
#pragma once
#include <cstdint>

#include "modules/delayLine.h"
#include "modules/fxBlocksMix3.h"
#include "modules/fxBlocksStates.h"
#include "modules/fxBlocksTapRing.h"

enum EffectType : std::uint16_t {
  effectNone = 0,
  effectPipe = 1,
  effectComb = 2,
  effectTap = 3,
  effectEcho = 4,
  effectRev = 5
};
enum EffectTimeUnit : std::uint16_t { effectUnitSeconds = 1, effectUnitBeats = 2 };

const std::uint16_t effectHeaderTag = 0x6374;
// Record sizes of the stored format (the 32-bit layout), carried in the head's `size`.
const std::uint32_t effectPipeRecordSize = 104;
const std::uint32_t effectCombRecordSize = 272;
const std::uint32_t effectTapRecordSize = 216;
const std::uint32_t effectEchoRecordSize = 960;
const std::uint32_t effectRevRecordSize = 23232;
std::uint32_t effectStoredSize(std::uint16_t type);  // the size above; 0 for another type

struct EffectHeader {
  std::uint16_t tag;       // effectHeaderTag
  std::uint16_t type;      // EffectType 1..5
  std::uint16_t wordA;     // 1
  std::uint16_t wordB;     // 5
  std::uint16_t wordC;     // 1 (echo: 2)
  std::uint32_t size;      // stored record size (effectStoredSize)
  float tempo;             // BPM, 120 (not stored in files)
  float value2;            // 0.5 (not stored in files)
  std::uint16_t timeUnit;  // EffectTimeUnit
};

// Type 1: a resonating tube of two delay lines.
struct EffectPipeRecord {
  EffectHeader header;
  std::uint8_t on;     // on switch kept with the record
  float levelA;        // wet level
  float levelB;        // dry level
  float stored1;       // kept, not read (0.0)
  float stored2;       // kept, not read (1.0)
  float delay;         // tube length, samples at 44,100 Hz (time unit 1), 1e-5..32767
  double time;         // tube length in beats (time unit 2)
  float feedback;      // signed loop gain -0.999..0.999
  float inputPos;      // input point, fraction of the length 0..1
  float pickupPos[2];  // pickups, fractions of the length 0..1
  float filterIndex;   // loop low-pass cutoff, pitch index
  float lengthMod;     // length modulation amount 0..1
  float pickupMod[2];  // pickup modulation amounts 0..1
  std::uint8_t lengthModInvert;
  std::uint8_t pickupModInvert[2];
};

// Type 2: six feedback combs on one input (eight slots kept, six used).
const int effectCombCount = 6;
struct EffectCombRecord {
  EffectHeader header;
  std::uint8_t on;
  float levelA;             // wet level
  float levelB;             // dry level
  std::uint16_t combCount;  // kept, not read (6)
  float delay;              // base delay, samples at 44,100 Hz (time unit 1), 1e-5..32767
  double time;              // base delay in beats (time unit 2)
  float feedback;           // shared feedback 0..0.999
  float filterIndex;        // shared low-pass cutoff, pitch index
  std::uint8_t combOn[8];
  std::uint8_t modInvert[8];
  float delayFactor[8];     // x base delay, 0..1
  float feedbackFactor[8];  // x shared feedback, -1..1
  float level[8];           // linear gain 0..1
  float modAmount[8];       // 0..1
  float pan[8];             // 0 left .. 0.9999 right
  float filterFactor[8];    // x shared pitch index, 0..1
};

// Type 3: one long ring with three taps (eight slots kept, three used).
const int effectTapCount = 3;
const std::int32_t effectTapMaxRing = 481024;  // the whole effect delay memory, in floats
struct EffectTapRecord {
  EffectHeader header;
  std::uint8_t on;
  float levelA;               // wet level
  float levelB;               // dry level
  std::uint16_t tapCount;     // kept (3); three taps always run
  std::uint8_t flag1;         // kept (1)
  std::uint8_t flag2;         // kept (0)
  float feedback;             // -0.999..0.999, tap 0 back into the ring
  float filterIndex;          // feedback low-pass cutoff, pitch index
  float secondIndex;          // kept pitch index (20 Hz)
  std::int32_t ringLength;    // samples cut for the ring, 1..481,024
  float time;                 // delay time, samples at 44,100 Hz (time unit 1)
  double beatTime;            // delay time in beats (time unit 2)
  std::uint8_t tapFlags[8];   // kept
  std::uint8_t tapInvert[8];  // inverts the tap's time modulation
  float tapModDepth[8];       // 0..1
  float tapTimeFactor[8];     // share of the delay time 0..1
  float tapLevel[8];          // linear gain 0..1
  float tapPan[8];            // 0 left .. 0.9999 right
};

// Type 4: three echo lines.
struct EffectEchoRecord;
struct EchoLine {
  DelayLine delay;     // 29,767 of the 32,767-sample buffer
  DspState2 lowPass;   // one-pole low-pass
  DspState3 highPass;  // one-pole high-pass
  DspState10 allpass;  // four-stage allpass chain
  std::uint8_t lowPassOn, highPassOn, allpassOn;
  double lineTime;          // seconds, derived
  double lowPassFreq;       // Hz
  double highPassFreq;      // Hz
  double allpassFreq;       // Hz
  std::uint8_t lineOn;      // a line that is off is skipped
  float* buffer;            // from the effect delay memory
  std::int32_t bufferSize;  // 32,767 samples
  EffectEchoRecord* owner;
};

struct EffectEchoRecord {
  EffectHeader header;
  std::uint8_t on;
  float levelA;              // wet level
  float levelB;              // dry level
  double baseTime;           // seconds 0.001..0.75
  double beatTime;           // beats 0..8
  double lineTimeFactor[3];  // 0.01..1, share of the base or beat time
  double lineModDepth[3];    // 0..1
  std::uint8_t lineInvert[3];
  float lineLevel[3];  // linear gain
  float linePan[3];    // 0 left .. 1 right
  EchoLine lines[3];
  float* workBlocks[3];   // 256 samples each, the line's last output block
  float feedback;         // -0.9999..0.9999, all lines
  float lineFeedback[3];  // -0.9999..0.9999, per line
};

// Type 5: three feedback-delay units.
enum EffectRevMode : std::uint32_t { revModeRaw = 0, revModeNatural = 1, revModeResonant = 2, revModeSynthetic = 3 };

struct Engine;
struct EffectRevUnit;
typedef void (*EffectRevUnitRoutine)(Engine* engine, EffectRevUnit* unit, float feedback, float timeFactor,
                                     float jitter, float filterFactor, float** laneBuffers, std::uint16_t laneCount,
                                     std::int16_t frames);

struct EffectRevLane {
  DelayLine delay;     // ring of up to 30,000 samples
  DspState2 state2;    // 8,000 Hz; initialised, unused
  DspState3 highPass;  // 40 Hz lane high-pass
};

struct EffectRevUnit {
  float laneDelayFactor[3];   // recomputed from the lane spread
  float laneFilterFactor[3];  // recomputed from the lane brightness spread
  double delayTime;           // seconds: size x unit scale
  std::uint32_t word;         // 2; not read
  EffectRevLane lanes[3];
  Mix3State laneMix;          // feedback matrix and work arrays
  DspState2 laneLowPass[3];   // mode Raw
  DspState3 laneStatesA[3];   // mode Natural
  DspState6 laneStatesB[3];   // mode Resonant
  DspState10 laneStatesC[3];  // mode Synthetic
  EffectRevUnitRoutine routine;
  float laneBuffers[3][128];
};

struct EffectRevRecord {
  EffectHeader header;
  std::uint8_t on;
  float levelA;            // wet level
  float levelB;            // dry level
  double size;             // seconds, master time scale (0.01..100 % of 0.7 s)
  float feedback;          // 0..1
  double brightness;       // 0.0001..1, x 20,000 Hz
  double unitScale[3];     // 0.0001..1
  double laneSpread[3];    // 0..1
  double timeModDepth[3];  // 0..1
  std::uint8_t timeModInvert[3];
  double unitBrightness[3];    // 0.0001..1
  double laneBrightSpread[3];  // 0.0001..1
  double brightModDepth[3];    // 0..1
  std::uint8_t brightModInvert[3];
  std::uint8_t unitOn[3];
  std::uint32_t mode[3];     // EffectRevMode
  std::uint8_t spareSwitch;  // stored, not read
  std::uint8_t earlyTapsOn;
  float jitter;     // 0..1
  double preDelay;  // seconds 0..0.5
  EffectRevUnit units[3];
  Mix3State outputMix;
  DspState3 outputFilters[3];
  DelayLine preDelayLine;
  MultiTap earlyA, earlyB, earlyC;
  float work[3][128];
  float spare[3][128];
};

// Fills the head: tag, type, the three words, the size; tempo 120, 0.5, time unit 1.
void effectHeaderInit(EffectHeader* header, std::uint32_t size, std::uint16_t type, std::uint16_t wordA,
                      std::uint16_t wordB, std::uint16_t wordC);
// Parameter defaults of the kinds that need no delay memory.
void effectPipeInit(EffectPipeRecord* record);
void effectCombInit(EffectCombRecord* record);
void effectTapInit(EffectTapRecord* record);
// The stored parameters of the echo and three-unit kinds at their defaults (head included); their
// lines, filters and buffers are left to the engine's set-up, which also takes their delay memory.
void effectEchoParamDefaults(EffectEchoRecord* record);
void effectRevParamDefaults(EffectRevRecord* record);
