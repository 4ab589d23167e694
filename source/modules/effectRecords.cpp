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

void effectHeaderInit(EffectHeader* h, std::uint32_t size, std::uint16_t type, std::uint16_t wordA,
                      std::uint16_t wordB, std::uint16_t wordC) {
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


void effectPipeInit(EffectPipeRecord* r) {
  if (!r) return;
  std::memset(r, 0, sizeof *r);
  effectHeaderInit(&r->header, effectPipeRecordSize, effectPipe, 1, 5, 1);
  r->on = 0;
  r->levelA = 0.5f;
  r->levelB = 0.5f;
  r->stored1 = 0.0f;
  r->stored2 = 1.0f;
  r->delay = 220.5f;
  r->time = 0.5;
  r->feedback = 0.5f;
  r->inputPos = 0.42f;
  r->pickupPos[0] = 0.33f;
  r->pickupPos[1] = 0.405f;
  r->filterIndex = static_cast<float>(dspFreqToIndex(8000.0));
  r->lengthMod = 1.0f;
  r->pickupMod[0] = 1.0f;
  r->pickupMod[1] = 1.0f;
  r->lengthModInvert = 0;
  r->pickupModInvert[0] = 0;
  r->pickupModInvert[1] = 1;
}

void effectCombInit(EffectCombRecord* r) {
  if (!r) return;
  static const float pans[effectCombCount] = {0.1f, 0.9f, 0.2f, 0.8f, 0.3f, 0.7f};
  std::memset(r, 0, sizeof *r);
  effectHeaderInit(&r->header, effectCombRecordSize, effectComb, 1, 5, 1);
  r->levelA = 0.5f;
  r->levelB = 0.5f;
  r->combCount = 6;
  r->delay = 4410.0f;
  r->time = 0.5;
  r->feedback = 0.5f;
  r->filterIndex = static_cast<float>(dspFreqToIndex(8000.0));
  for (int i = 0; i < effectCombCount; ++i) {
    r->combOn[i] = i < 2 ? 1 : 0;
    r->modInvert[i] = 0;
    r->delayFactor[i] = 1.0f;
    r->feedbackFactor[i] = 1.0f;
    r->level[i] = 0.5f;
    r->modAmount[i] = 1.0f;
    r->pan[i] = pans[i];
    r->filterFactor[i] = 1.0f;
  }
}

void effectTapInit(EffectTapRecord* r) {
  if (!r) return;
  static const float factors[effectTapCount] = {1.0f, 0.48f, 0.73f};
  static const float pans[effectTapCount] = {0.1f, 0.9f, 0.5f};
  std::memset(r, 0, sizeof *r);
  effectHeaderInit(&r->header, effectTapRecordSize, effectTap, 1, 5, 1);
  r->levelA = 0.5f;
  r->levelB = 0.5f;
  r->tapCount = 3;
  r->flag1 = 1;
  r->flag2 = 0;
  r->feedback = 0.5f;
  r->filterIndex = static_cast<float>(dspFreqToIndex(8000.0));
  r->secondIndex = static_cast<float>(dspFreqToIndex(20.0));
  r->ringLength = 441000;
  r->time = 44100.0f;
  r->beatTime = 1.0;
  for (int i = 0; i < effectTapCount; ++i) {
    r->tapFlags[i] = 1;
    r->tapInvert[i] = 0;
    r->tapModDepth[i] = 1.0f;
    r->tapTimeFactor[i] = factors[i];
    r->tapLevel[i] = 0.5f;
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
    r->lineTimeFactor[l] = factors[l];   // per line; the row's default is the fallback of a reader
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
  effectHeaderInit(&r->header, effectRevRecordSize, effectRev, 1, 5, 1);
  r->on = 0;
  r->levelA = 0.5f;
  r->levelB = 0.5f;
  r->size = 0.1;
  r->feedback = 0.8f;
  r->brightness = 1.0;
  for (int u = 0; u < 3; ++u) {
    r->unitScale[u] = scales[u];
    r->laneSpread[u] = 0.6182;
    r->timeModDepth[u] = 0.5;
    r->timeModInvert[u] = 0;
    r->unitBrightness[u] = scales[u];
    r->laneBrightSpread[u] = 0.0;
    r->brightModDepth[u] = 0.5;
    r->brightModInvert[u] = 0;
    r->unitOn[u] = u == 0 ? 1 : 0;
    r->mode[u] = revModeResonant;
  }
  r->spareSwitch = 1;
  r->earlyTapsOn = 0;
  r->jitter = 0.001f;
  r->preDelay = 0.05;
}
