// The rows of the module records' float fields (see fieldTables.h).
#include "preset/fieldTables.h"

#include "engine/lfo.h"
#include "engine/lfoRuntime.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"

namespace {
const double keep = fieldKeep;
const double big = fieldFloatMax;
// 220 Hz as an increment (pitchHzToInc), as the float the records hold; a constant, so the rows are
// filled before any code runs.
constexpr double kInc220 = static_cast<float>(220.0 * 0.023219954648526078);
// The pitch indices of 8,000 Hz and 20 Hz (dspFreqToIndex) as the floats the effect records hold.
constexpr double kIndex8000 = 425.7542419433594;
constexpr double kIndex20 = 80.0;
}  // namespace

FieldRange filterFields[filterFieldCount] = {
    /* cutoff     */ {346.0, 0.0, 480.0, 346.0},
    /* combDelay  */ {200.4545, 1.0, 2046.0, 200.4545},
    /* feedback   */ {0.5, -1.0, 1.0, 0.5},
    /* bandwidth  */ {1.0, -64.0, 64.0, 1.0},
    /* gain       */ {1.0, 0.0, 4096.0, 1.0},
    /* width      */ {1.0, -64.0, 64.0, 1.0},
    /* combGain   */ {1.0, 0.0, 4096.0, 1.0},
    /* resonance  */ {0.0, 0.0, 1.0, 0.0},
};

FieldRange modulatorFields[modulatorFieldCount] = {
    /* ratio      */ {1.0, -big, big, keep},
    /* increment  */ {kInc220, -big, big, keep},
    /* balance    */ {1.0, 0.0, 1.0, 1.0},
    /* feedback   */ {0.35, 0.0, 0.5, 0.35},
};

FieldRange waveshaperFields[waveshaperFieldCount] = {
    /* inGain     */ {1.0, 0.0, big, keep},
    /* outGain    */ {1.0, 0.0, big, keep},
    /* phase      */ {0.0, -big, big, keep},
};

FieldRange lfoFields[lfoFieldCount] = {
    /* depth           (run time) */ {1.0, 0.0, 1.0, 1.0},
    /* depthAmount                */ {0.0, -big, big, 0.0},
    /* holdRateRange              */ {1.0, -big, big, 1.0},
    /* holdRateFactor  (run time) */ {1.0, 0.0, 1.0, 1.0},
    /* rateFactor      (run time) */ {1.0, 0.0, 1.0, 1.0},
    /* rateRange                  */ {1.0, -big, big, 1.0},
    /* ampDepth                   */ {0.0, -big, big, 0.0},
    /* pitchDepth                 */ {0.0, -big, big, 0.0},
    /* fieldDepth                 */ {0.0, -big, big, 0.0},
    /* filterRange                */ {1.0, -big, big, 1.0},
    /* channelDepth               */ {0.0, -big, big, 0.0},
    /* percentSetting             */ {0.0, -big, big, 0.0},
    /* periodSeconds              */ {1.0, lfoMinSeconds, big, 1.0},
    /* startPhase                 */ {0.0, -big, big, 0.0},
    /* holdSeconds                */ {0.125, lfoMinSeconds, big, 0.125},
    /* displayValue    (run time) */ {0.0, 0.0, 1.0, 0.0},
    /* periodBeats  (no period at 0 or below) */ {0.5, 1.0e-3, 1.0e4, 0.5},
    /* holdBeats                             */ {0.25, 1.0e-3, 1.0e4, 0.25},
};

FieldRange echoFields[echoFieldCount] = {
    /* baseTime        */ {0.25, 0.001, 0.75, keep},
    /* beatTime        */ {0.5, 0.0, 8.0, keep},
    /* feedback        */ {0.75, -0.9999, 0.9999, keep},
    /* lineTimeFactor  */ {1.0, 0.01, 1.0, keep},
    /* lineModDepth    */ {0.5, 0.0, 1.0, keep},
    /* lineLevel       */ {1.0, 0.0, big, keep},
    /* linePan         */ {0.5, 0.0, 1.0, keep},
    /* lineFeedback    */ {1.0, -0.9999, 1.0, keep},
    /* lowPassFreq     */ {5000.0, 1e-3, 1e6, keep},
    /* highPassFreq    */ {200.0, 1e-3, 1e6, keep},
    /* allpassFreq     */ {2000.0, 1e-3, 1e6, keep},
};

FieldRange effectFields[effectFieldCount] = {
    /* time (beats)    */ {0.5, 0.0, 1.0e4, keep},
    /* tap time        */ {44100.0, 0.441, 1.0e9, keep},
    /* pan             */ {0.5, 0.0, 0.9999, keep},
    /* level           */ {0.5, 0.0, 1.0, keep},
};

FieldRange pipeFields[pipeFieldCount] = {
    /* stored1         */ {0.0, -1.0e6, 1.0e6, keep},
    /* stored2         */ {1.0, -1.0e6, 1.0e6, keep},
    /* delay           */ {220.5, 1e-5, 32767.0, keep},
    /* feedback        */ {0.5, -0.999, 0.999, keep},
    /* inputPos        */ {0.42, 0.0, 1.0, keep},
    /* pickupPos 0     */ {0.33, 0.0, 1.0, keep},
    /* pickupPos 1     */ {0.405, 0.0, 1.0, keep},
    /* filterIndex     */ {kIndex8000, 0.0, 480.0, keep},
    /* lengthMod       */ {1.0, 0.0, 1.0, keep},
    /* pickupMod       */ {1.0, 0.0, 1.0, keep},
};

FieldRange combFields[combFieldCount] = {
    /* delay           */ {4410.0, 1e-5, 32767.0, keep},
    /* feedback        */ {0.5, 0.0, 0.999, keep},
    /* filterIndex     */ {kIndex8000, 0.0, 480.0, keep},
    /* delayFactor     */ {1.0, 0.0, 1.0, keep},
    /* feedbackFactor  */ {1.0, -1.0, 1.0, keep},
    /* level           */ {0.5, 0.0, 1.0, keep},
    /* modAmount       */ {1.0, 0.0, 1.0, keep},
    /* filterFactor    */ {1.0, 0.0, 1.0, keep},
};

FieldRange tapFields[tapFieldCount] = {
    /* feedback        */ {0.5, -0.999, 0.999, keep},
    /* filterIndex     */ {kIndex8000, 0.0, 480.0, keep},
    /* secondIndex     */ {kIndex20, 0.0, 480.0, keep},
    /* modDepth        */ {1.0, 0.0, 1.0, keep},
    /* timeFactor      */ {1.0, 0.0, 1.0, keep},
    /* level           */ {0.5, 0.0, 1.0, keep},
};

FieldRange revFields[revFieldCount] = {
    /* size            */ {0.1, 0.0001 * 0.7, 0.7, keep},
    /* feedback        */ {0.8, 0.0, 1.0, keep},
    /* brightness      */ {1.0, 0.0001, 1.0, keep},
    /* preDelay        */ {0.05, 0.0, 0.5, keep},
    /* jitter          */ {0.001, 0.0, 1.0, keep},
    /* unitScale       */ {1.0, 0.0001, 1.0, keep},
    /* laneSpread      */ {0.6182, 0.0, 1.0, keep},
    /* timeModDepth    */ {0.5, -big, big, keep},
    /* unitBrightness  */ {1.0, 0.0001, 1.0, keep},
    /* laneBrightSpread*/ {0.0, 0.0, 1.0, keep},
    /* brightModDepth  */ {0.5, -big, big, keep},
};

FieldRange headerFields[headerFieldCount] = {
    /* transpose       */ {1.0, 1.0 / 1024.0, 1024.0, keep},
};

FieldRange envelopeFields[envFieldCount] = {
    /* startLevel    */ {0.0, 0.0, 1.0, keep},
    /* ampPercent    */ {1.0, -16.0, 16.0, keep},
    /* ampOffset     */ {0.0, -1.0, 2.0, keep},
    /* timePercent   */ {1.0, 0.01, 16.0, keep},
    /* slopePercent  */ {1.0, 0.01, 16.0, keep},
    /* bp time       */ {22050.0, 0.0, 44100.0 * 86400.0, keep},
    /* bp level      */ {0.0, 0.0, 1.0, keep},
    /* bp slope      */ {0.5, 0.0, 1.0e6, keep},
    /* bp ampScale   */ {0.0, -1.0, 1.0, keep},
    /* bp timeScale  */ {0.0, -1.0, 1.0, keep},
    /* bp lfoSeconds */ {0.25, 0.001, 999.0, keep},
    /* bp shSeconds  */ {0.123, 0.001, 999.0, keep},
    /* bp lfoDepth   */ {0.5, 0.0, 1.0, keep},
};

FieldRange oscFields[oscFieldCount] = {
    /* pitchInc        */ {kInc220, 0.0, 1024.0, keep},
    /* pitchIncB       */ {kInc220, 0.0, 1024.0, keep},
    /* pitchRatio      */ {1.0, 0.0, 1024.0, keep},
    /* pitchRatioB     */ {1.0, 0.0, 1024.0, keep},
    /* level           */ {1.0, 0.0, 1.0, 0.0},
    /* inputGain       */ {1.0, 0.0, 4.0, 0.0},
    /* balanceDouble   */ {0.5, 0.0, 1.0, 0.0},
    /* balanceRingmod  */ {1.0, 0.0, 1.0, 0.0},
    /* fmIndex         */ {oscFmIndexScale, 0.0, 1.0e6, 0.0},
    /* trans           */ {0.05, 0.0, 48.0, 0.0},
    /* randTrans       */ {0.0, 0.0, 72.0, 0.0},
    /* displacement    */ {0.5, 0.0, 1.0, keep},
    /* amount          */ {0.5, 0.0, 1.0, keep},
    /* grain size      */ {4096.0, 128.0, 10000.0, keep},
    /* grain diffusion */ {0.25, 0.0, 1.0, keep},
    /* grain time      */ {1.0, -100.0, 100.0, keep},
    /* grain randTime  */ {0.989, 0.0, 1.0, keep},
    /* grain randFreq  */ {1.0, 0.0, 1.0, keep},
    /* grain randAmp   */ {1.0, 0.0, 1.0, keep},
};

float* oscFieldOf(ChannelOscRecord* r, int f) {
  switch (f) {
    case oscFieldPitchInc: return &r->pitchInc;
    case oscFieldPitchIncB: return &r->pitchIncB;
    case oscFieldPitchRatio: return &r->pitchRatio;
    case oscFieldPitchRatioB: return &r->pitchRatioB;
    case oscFieldLevel: return &r->level;
    case oscFieldInputGain: return &r->inputGain;
    case oscFieldBalanceDouble: return &r->balanceDouble;
    case oscFieldBalanceRingmod: return &r->balanceRingmod;
    case oscFieldFmIndex: return &r->fmIndex;
    case oscFieldTrans: return &r->trans;
    case oscFieldRandTrans: return &r->randTrans;
    case oscFieldDisplacement: return &r->displacement;
    case oscFieldAmount: return &r->amount;
    case oscFieldGrainSize: return &r->subRecord.size;
    case oscFieldGrainDiffusion: return &r->subRecord.diffusion;
    case oscFieldGrainTime: return &r->subRecord.time;
    case oscFieldGrainRandTime: return &r->subRecord.randTime;
    case oscFieldGrainRandFreq: return &r->subRecord.randFreq;
    case oscFieldGrainRandAmp: return &r->subRecord.randAmp;
    default: return nullptr;
  }
}

float* filterFieldOf(FilterRecord* r, int f) {
  switch (f) {
    case filterFieldCutoff: return &r->cutoff;
    case filterFieldCombDelay: return &r->combDelay;
    case filterFieldFeedback: return &r->feedback;
    case filterFieldBandwidth: return &r->bandwidth;
    case filterFieldGain: return &r->gain;
    case filterFieldWidth: return &r->width;
    case filterFieldCombGain: return &r->combGain;
    case filterFieldResonance: return &r->resonance;
    default: return nullptr;
  }
}

float* modulatorFieldOf(ModulatorRecord* r, int f) {
  switch (f) {
    case modulatorFieldRatio: return &r->ratio;
    case modulatorFieldIncrement: return &r->increment;
    case modulatorFieldBalance: return &r->balance;
    case modulatorFieldFeedback: return &r->feedback;
    default: return nullptr;
  }
}

float* waveshaperFieldOf(WaveshaperRecord* r, int f) {
  switch (f) {
    case waveshaperFieldInGain: return &r->inGain;
    case waveshaperFieldOutGain: return &r->outGain;
    case waveshaperFieldPhase: return &r->phase;
    default: return nullptr;
  }
}

float* lfoFloatFieldOf(Lfo* r, int f) {
  switch (f) {
    case lfoFieldDepth: return &r->depth;
    case lfoFieldDepthAmount: return &r->depthAmount;
    case lfoFieldHoldRateRange: return &r->holdRateRange;
    case lfoFieldHoldRateFactor: return &r->holdRateFactor;
    case lfoFieldRateFactor: return &r->rateFactor;
    case lfoFieldRateRange: return &r->rateRange;
    case lfoFieldAmpDepth: return &r->ampDepth;
    case lfoFieldPitchDepth: return &r->pitchDepth;
    case lfoFieldFieldDepth: return &r->fieldDepth;
    case lfoFieldFilterRange: return &r->filterRange;
    case lfoFieldChannelDepth: return &r->channelDepth;
    case lfoFieldPercentSetting: return &r->percentSetting;
    case lfoFieldPeriodSeconds: return &r->periodSeconds;
    case lfoFieldStartPhase: return &r->startPhase;
    case lfoFieldHoldSeconds: return &r->holdSeconds;
    case lfoFieldDisplayValue: return &r->displayValue;
    default: return nullptr;
  }
}

double* lfoDoubleFieldOf(Lfo* r, int f) {
  if (f == lfoFieldPeriodBeats) return &r->periodBeats;
  if (f == lfoFieldHoldBeats) return &r->holdBeats;
  return nullptr;
}
