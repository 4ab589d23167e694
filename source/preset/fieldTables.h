// The float fields of the module records, one row each: default, range and what a value that is not
// a number becomes. The record defaults, the chunk readers' sanitisers and the page setters all read
// these rows, so a field's range is written in one place and a value a setter accepts comes back
// unchanged after the bank is written and read again.
//
// A row's range is the union of what the setters allowed and what files held before the rows
// existed: nothing a user set and nothing a stored bank carried changes by being saved or loaded.
// The rows are not const so that a test can move one range and watch every reader follow it; only
// the user-interface thread reads them.
#pragma once
#include <cmath>
#include <limits>

#include "engine/numeric.h"

struct FilterRecord;
struct ModulatorRecord;
struct WaveshaperRecord;
struct Lfo;

struct FieldRange {
  double def;  // the record's default
  double lo;   // lowest value kept
  double hi;   // highest value kept
  double nan;  // what NaN becomes in a setter; fieldKeep: the setter leaves the field as it is
};

// The `nan` of a row whose setter refuses a value that is not a number (a file's takes the default).
const double fieldKeep = std::numeric_limits<double>::quiet_NaN();
// Float ranges that only keep a value finite.
const double fieldFloatMax = static_cast<double>(1.0e30f);  // exactly a float

// A value given to a setter: NaN becomes the row's value for it (or `current`, for fieldKeep), every
// other value is held within the range.
inline double fieldSetValue(const FieldRange& f, double v, double current) {
  if (v != v) return f.nan != f.nan ? current : f.nan;
  return numClamp(v, f.lo, f.hi);
}
inline float fieldSetFloat(const FieldRange& f, double v, float current) {
  return static_cast<float>(fieldSetValue(f, v, current));
}
// A value read from a file: one that is not finite takes the default, every other value is held
// within the range.
inline void fieldLoad(const FieldRange& f, float& x) {
  x = std::isfinite(x) ? static_cast<float>(numClamp(static_cast<double>(x), f.lo, f.hi)) : static_cast<float>(f.def);
}
inline void fieldLoad(const FieldRange& f, double& x) { x = std::isfinite(x) ? numClamp(x, f.lo, f.hi) : f.def; }

// True when a stored value is finite and within the row; a float field is compared with the row's
// ends as floats (0.01 as a float lies just below the double 0.01 a reader holds it to).
inline bool fieldHolds(const FieldRange& f, double x) { return std::isfinite(x) && x >= f.lo && x <= f.hi; }
inline bool fieldHolds(const FieldRange& f, float x) {
  return std::isfinite(x) && x >= static_cast<float>(f.lo) && x <= static_cast<float>(f.hi);
}

// ---- FilterRecord
enum FilterField {
  filterFieldCutoff,     // pitch index (Allpass types: at most 479)
  filterFieldCombDelay,  // samples at 44,100 Hz
  filterFieldFeedback,   // Comb and Allpass
  filterFieldBandwidth,  // "BPF" Q
  filterFieldGain,       // linear
  filterFieldWidth,      // "Notch" width
  filterFieldCombGain,   // linear
  filterFieldResonance,
  filterFieldCount
};
extern FieldRange filterFields[filterFieldCount];
float* filterFieldOf(FilterRecord* record, int field);  // null for a field outside the table

// ---- ModulatorRecord
enum ModulatorField {
  modulatorFieldRatio,      // modes 0 and 1
  modulatorFieldIncrement,  // modes 2 and 3; the default is 220 Hz
  modulatorFieldBalance,
  modulatorFieldFeedback,
  modulatorFieldCount
};
extern FieldRange modulatorFields[modulatorFieldCount];
float* modulatorFieldOf(ModulatorRecord* record, int field);

// ---- WaveshaperRecord
enum WaveshaperField {
  waveshaperFieldInGain,   // linear
  waveshaperFieldOutGain,  // linear
  waveshaperFieldPhase,    // 512 table samples per unit; the renderer wraps any value
  waveshaperFieldCount
};
extern FieldRange waveshaperFields[waveshaperFieldCount];
float* waveshaperFieldOf(WaveshaperRecord* record, int field);

// ---- Lfo (the stored fields; the setters store values as given, kept finite)
enum LfoField {
  lfoFieldDepth,
  lfoFieldDepthAmount,
  lfoFieldHoldRateRange,
  lfoFieldHoldRateFactor,
  lfoFieldRateFactor,
  lfoFieldRateRange,
  lfoFieldAmpDepth,
  lfoFieldPitchDepth,
  lfoFieldFieldDepth,
  lfoFieldFilterRange,
  lfoFieldChannelDepth,
  lfoFieldPercentSetting,
  lfoFieldPeriodSeconds,
  lfoFieldStartPhase,
  lfoFieldHoldSeconds,
  lfoFieldDisplayValue,
  lfoFieldPeriodBeats,
  lfoFieldHoldBeats,
  lfoFieldCount
};
extern FieldRange lfoFields[lfoFieldCount];
float* lfoFloatFieldOf(Lfo* record, int field);    // null for the two beat fields (doubles)
double* lfoDoubleFieldOf(Lfo* record, int field);  // the beat fields only

// ---- EffectEchoRecord (per-line defaults of the time factor and pan differ: the row's default is
// what a value that is not finite becomes)
enum EchoField {
  echoFieldBaseTime,  // seconds
  echoFieldBeatTime,  // beats
  echoFieldFeedback,
  echoFieldLineTimeFactor,
  echoFieldLineModDepth,
  echoFieldLineLevel,  // linear
  echoFieldLinePan,
  echoFieldLineFeedback,
  echoFieldLowPassFreq,   // Hz
  echoFieldHighPassFreq,  // Hz
  echoFieldAllpassFreq,   // Hz
  echoFieldCount
};
extern FieldRange echoFields[echoFieldCount];

// ---- Fields every effect kind or the pipe, multi-comb and multi-tap records share
enum EffectField {
  effectFieldTime,     // beats of a tempo-synchronised time (pipe, comb: time; tap: beatTime)
  effectFieldTapTime,  // multi-tap delay in samples at 44,100 Hz (from 0.00001 s)
  effectFieldPan,      // pan of a comb or a tap
  effectFieldLevel,    // wet and dry levels of every kind, linear
  effectFieldCount
};
extern FieldRange effectFields[effectFieldCount];

// ---- EffectPipeRecord (time: effectFieldTime)
enum PipeField {
  pipeFieldStored1,  // stored and copied; nothing reads it
  pipeFieldStored2,
  pipeFieldDelay,  // tube length in samples at 44,100 Hz
  pipeFieldFeedback,
  pipeFieldInputPos,    // fraction of the length
  pipeFieldPickupPos0,  // fraction of the length
  pipeFieldPickupPos1,
  pipeFieldFilterIndex,  // pitch index of the loop filter
  pipeFieldLengthMod,
  pipeFieldPickupMod,  // both pickups
  pipeFieldCount
};
extern FieldRange pipeFields[pipeFieldCount];

// ---- EffectCombRecord (time: effectFieldTime; pans: effectFieldPan; each comb's own default pan is
// the record's, the row's what a reader puts in place of a value that is not finite)
enum CombField {
  combFieldDelay,  // samples at 44,100 Hz
  combFieldFeedback,
  combFieldFilterIndex,  // pitch index
  combFieldDelayFactor,  // per comb
  combFieldFeedbackFactor,
  combFieldLevel,  // linear
  combFieldModAmount,
  combFieldFilterFactor,
  combFieldCount
};
extern FieldRange combFields[combFieldCount];

// ---- EffectTapRecord (time and beat time: effectFieldTapTime, effectFieldTime; pans: effectFieldPan)
enum TapField {
  tapFieldFeedback,
  tapFieldFilterIndex,  // pitch index of the loop low-pass
  tapFieldSecondIndex,  // pitch index of the loop high-pass
  tapFieldModDepth,     // per tap
  tapFieldTimeFactor,   // per tap; the taps' own defaults are the record's
  tapFieldLevel,        // linear
  tapFieldCount
};
extern FieldRange tapFields[tapFieldCount];

// ---- EffectRevRecord (the per-unit rows serve all three units; the units' own default scales and
// brightnesses are the record's)
enum RevField {
  revFieldSize,  // seconds, 0.01..100 % of revSizeSeconds
  revFieldFeedback,
  revFieldBrightness,  // scale of 20,000 Hz
  revFieldPreDelay,    // seconds
  revFieldJitter,
  revFieldUnitScale,
  revFieldLaneSpread,
  revFieldTimeModDepth,  // stored as the page gives it, kept finite
  revFieldUnitBrightness,
  revFieldLaneBrightSpread,  // the setter keeps it at 0.01 % or more; 0 (the default) loads as 0
  revFieldBrightModDepth,
  revFieldCount
};
extern FieldRange revFields[revFieldCount];

// ---- PatchHeader
enum HeaderField {
  headerFieldTranspose,  // pitch ratio, 1/1024..1024 (ten octaves each way)
  headerFieldCount
};
extern FieldRange headerFields[headerFieldCount];

// ---- EnvelopeSlot and its breakpoints (the defaults are what a reader puts in place of a value
// that is not finite; new slots take envInitSlot's)
enum EnvelopeField {
  envFieldStartLevel,
  envFieldAmpPercent,
  envFieldAmpOffset,
  envFieldTimePercent,
  envFieldSlopePercent,
  envFieldBpTime,  // samples at 44,100 Hz, at most a day: keeps position arithmetic finite
  envFieldBpLevel,
  envFieldBpSlope,
  envFieldBpAmpScale,
  envFieldBpTimeScale,
  envFieldBpLfoSeconds,
  envFieldBpShSeconds,
  envFieldBpLfoDepth,
  envFieldCount
};
extern FieldRange envelopeFields[envFieldCount];
// ---- ChannelOscRecord (the sub-record's grain fields included)
enum OscField {
  oscFieldPitchInc,  // wave A, modes 2 and 3; beyond a quarter of the table per sample only aliases
  oscFieldPitchIncB,
  oscFieldPitchRatio,  // wave A, modes 0 and 1
  oscFieldPitchRatioB,
  oscFieldLevel,
  oscFieldInputGain,
  oscFieldBalanceDouble,
  oscFieldBalanceRingmod,
  oscFieldFmIndex,  // phase units (index x oscFmIndexScale)
  oscFieldTrans,    // semitones of the unison spread
  oscFieldRandTrans,
  oscFieldDisplacement,
  oscFieldAmount,
  oscFieldGrainSize,
  oscFieldGrainDiffusion,
  oscFieldGrainTime,
  oscFieldGrainRandTime,
  oscFieldGrainRandFreq,
  oscFieldGrainRandAmp,
  oscFieldCount
};
extern FieldRange oscFields[oscFieldCount];
struct ChannelOscRecord;
float* oscFieldOf(ChannelOscRecord* record, int field);

// True when v lies within the row (the setters that refuse a value outside rather than clamp it).
inline bool fieldAccepts(const FieldRange& f, double v) { return v >= f.lo && v <= f.hi; }
