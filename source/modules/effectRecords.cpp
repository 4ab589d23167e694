#include "modules/effectRecords.h"

#include <cstring>

#include "modules/pitchIndex.h"
#include "preset/fieldTables.h"

static_assert(sizeof(EffectPipeRecord) == effectPipeRecordSize, "pipe record layout");
static_assert(sizeof(EffectCombRecord) == effectCombRecordSize, "multi-comb record layout");
static_assert(sizeof(EffectTapRecord) == effectTapRecordSize, "multi-tap record layout");

std::uint32_t effectStoredSize(std::uint16_t type) {
  switch (type) {
    case effectPipe: return effectPipeRecordSize;
    case effectComb: return effectCombRecordSize;
    case effectTap: return effectTapRecordSize;
    case effectEcho: return effectEchoRecordSize;
    case effectRev: return effectRevRecordSize;
    default: return 0;
  }
}

void effectHeaderInit(EffectHeader* h, std::uint32_t size, std::uint16_t type, std::uint16_t wordA, std::uint16_t wordB,
                      std::uint16_t wordC) {
  if (!h) return;
  h->tag = effectHeaderTag;
  h->type = type;
  h->wordA = wordA;
  h->wordB = wordB;
  h->wordC = wordC;
  h->size = size;
  h->tempo = 120.0f;
  h->value2 = 0.5f;
  h->timeUnit = effectUnitSeconds;
}

// A row's default as the float a record field holds.
static float defaultOf(const FieldRange& row) { return static_cast<float>(row.def); }

void effectPipeInit(EffectPipeRecord* r) {
  if (!r) return;
  const FieldRange* F = pipeFields;
  std::memset(r, 0, sizeof *r);
  effectHeaderInit(&r->header, effectPipeRecordSize, effectPipe, 1, 5, 1);
  r->on = 0;
  r->levelA = r->levelB = defaultOf(effectFields[effectFieldLevel]);
  r->stored1 = defaultOf(F[pipeFieldStored1]);
  r->stored2 = defaultOf(F[pipeFieldStored2]);
  r->delay = defaultOf(F[pipeFieldDelay]);
  r->time = effectFields[effectFieldTime].def;
  r->feedback = defaultOf(F[pipeFieldFeedback]);
  r->inputPos = defaultOf(F[pipeFieldInputPos]);
  r->pickupPos[0] = defaultOf(F[pipeFieldPickupPos0]);
  r->pickupPos[1] = defaultOf(F[pipeFieldPickupPos1]);
  r->filterIndex = defaultOf(F[pipeFieldFilterIndex]);
  r->lengthMod = defaultOf(F[pipeFieldLengthMod]);
  r->pickupMod[0] = r->pickupMod[1] = defaultOf(F[pipeFieldPickupMod]);
  r->lengthModInvert = 0;
  r->pickupModInvert[0] = 0;
  r->pickupModInvert[1] = 1;
}

void effectCombInit(EffectCombRecord* r) {
  if (!r) return;
  static const float pans[effectCombCount] = {0.1f, 0.9f, 0.2f, 0.8f, 0.3f, 0.7f};
  const FieldRange* F = combFields;
  std::memset(r, 0, sizeof *r);
  effectHeaderInit(&r->header, effectCombRecordSize, effectComb, 1, 5, 1);
  r->levelA = r->levelB = defaultOf(effectFields[effectFieldLevel]);
  r->combCount = 6;
  r->delay = defaultOf(F[combFieldDelay]);
  r->time = effectFields[effectFieldTime].def;
  r->feedback = defaultOf(F[combFieldFeedback]);
  r->filterIndex = defaultOf(F[combFieldFilterIndex]);
  for (int i = 0; i < effectCombCount; ++i) {
    r->combOn[i] = i < 2 ? 1 : 0;
    r->modInvert[i] = 0;
    r->delayFactor[i] = defaultOf(F[combFieldDelayFactor]);
    r->feedbackFactor[i] = defaultOf(F[combFieldFeedbackFactor]);
    r->level[i] = defaultOf(F[combFieldLevel]);
    r->modAmount[i] = defaultOf(F[combFieldModAmount]);
    r->pan[i] = pans[i];  // per comb; the row's default is the fallback of a reader
    r->filterFactor[i] = defaultOf(F[combFieldFilterFactor]);
  }
}

void effectTapInit(EffectTapRecord* r) {
  if (!r) return;
  static const float factors[effectTapCount] = {1.0f, 0.48f, 0.73f};
  static const float pans[effectTapCount] = {0.1f, 0.9f, 0.5f};
  const FieldRange* F = tapFields;
  std::memset(r, 0, sizeof *r);
  effectHeaderInit(&r->header, effectTapRecordSize, effectTap, 1, 5, 1);
  r->levelA = r->levelB = defaultOf(effectFields[effectFieldLevel]);
  r->tapCount = 3;
  r->flag1 = 1;
  r->flag2 = 0;
  r->feedback = defaultOf(F[tapFieldFeedback]);
  r->filterIndex = defaultOf(F[tapFieldFilterIndex]);
  r->secondIndex = defaultOf(F[tapFieldSecondIndex]);
  r->ringLength = 441000;
  r->time = defaultOf(effectFields[effectFieldTapTime]);
  r->beatTime = 1.0;  // the multi-tap's own; the row's 0.5 is the pipe's and the multi-comb's
  for (int i = 0; i < effectTapCount; ++i) {
    r->tapFlags[i] = 1;
    r->tapInvert[i] = 0;
    r->tapModDepth[i] = defaultOf(F[tapFieldModDepth]);
    r->tapTimeFactor[i] = factors[i];  // per tap, as the pans
    r->tapLevel[i] = defaultOf(F[tapFieldLevel]);
    r->tapPan[i] = pans[i];
  }
}

void effectEchoParamDefaults(EffectEchoRecord* r) {
  if (!r) return;
  static const double factors[3] = {1.0, 0.751, 0.501};
  static const float pans[3] = {0.5f, 0.98f, 0.02f};
  effectHeaderInit(&r->header, effectEchoRecordSize, effectEcho, 1, 5, 2);
  r->header.timeUnit = effectUnitBeats;
  r->on = 0;
  r->levelA = 0.5f;
  r->levelB = 0.5f;
  r->baseTime = echoFields[echoFieldBaseTime].def;
  r->beatTime = echoFields[echoFieldBeatTime].def;
  for (int l = 0; l < 3; ++l) {
    r->lineTimeFactor[l] = factors[l];  // per line; the row's default is the fallback of a reader
    r->lineModDepth[l] = echoFields[echoFieldLineModDepth].def;
    r->lineInvert[l] = 0;
    r->lineLevel[l] = static_cast<float>(echoFields[echoFieldLineLevel].def);
    r->linePan[l] = pans[l];
    r->lineFeedback[l] = static_cast<float>(echoFields[echoFieldLineFeedback].def);
    EchoLine& line = r->lines[l];
    line.lowPassOn = line.highPassOn = line.allpassOn = 1;
    line.lowPassFreq = echoFields[echoFieldLowPassFreq].def;
    line.highPassFreq = echoFields[echoFieldHighPassFreq].def;
    line.allpassFreq = echoFields[echoFieldAllpassFreq].def;
    line.lowPass.pitchIndex = static_cast<float>(dspFreqToIndex(line.lowPassFreq));
    line.highPass.pitchIndex = static_cast<float>(dspFreqToIndex(line.highPassFreq));
    line.allpass.pitchIndex = static_cast<float>(dspFreqToIndex(line.allpassFreq));
    line.allpass.feedback = 0.0f;
    line.lineTime = r->baseTime * factors[l];
    line.lineOn = l == 0 ? 1 : 0;
  }
  r->feedback = static_cast<float>(echoFields[echoFieldFeedback].def);
}

void effectRevParamDefaults(EffectRevRecord* r) {
  if (!r) return;
  static const double scales[3] = {1.0, 0.6182, 0.38217124};
  const FieldRange* F = revFields;
  effectHeaderInit(&r->header, effectRevRecordSize, effectRev, 1, 5, 1);
  r->on = 0;
  r->levelA = r->levelB = defaultOf(effectFields[effectFieldLevel]);
  r->size = F[revFieldSize].def;
  r->feedback = defaultOf(F[revFieldFeedback]);
  r->brightness = F[revFieldBrightness].def;
  for (int u = 0; u < 3; ++u) {
    r->unitScale[u] = scales[u];  // per unit, as the unit brightnesses
    r->laneSpread[u] = F[revFieldLaneSpread].def;
    r->timeModDepth[u] = F[revFieldTimeModDepth].def;
    r->timeModInvert[u] = 0;
    r->unitBrightness[u] = scales[u];
    r->laneBrightSpread[u] = F[revFieldLaneBrightSpread].def;
    r->brightModDepth[u] = F[revFieldBrightModDepth].def;
    r->brightModInvert[u] = 0;
    r->unitOn[u] = u == 0 ? 1 : 0;
    r->mode[u] = revModeResonant;
  }
  r->spareSwitch = 1;
  r->earlyTapsOn = 0;
  r->jitter = defaultOf(F[revFieldJitter]);
  r->preDelay = F[revFieldPreDelay].def;
}
