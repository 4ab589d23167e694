#include "preset/effectChunk.h"

#include "modules/echoEffect.h"
#include "modules/pitchIndex.h"
#include "preset/chunkIo.h"
#include "preset/fieldTables.h"

namespace {

// The head: tag, size, type and the three words (16-bit slots but the size), then in the new layout
// the time unit. The old layout has no time unit: it is 1 both ways.
void transferHeader(ChunkIo& io, EffectHeader* h, bool newLayout, std::uint16_t type) {
  ioI16(io, &h->tag);
  ioI32(io, &h->size);
  ioI16(io, &h->type);
  ioI16(io, &h->wordA);
  ioI16(io, &h->wordB);
  ioI16(io, &h->wordC);
  if (newLayout)
    ioI16(io, &h->timeUnit);
  else
    h->timeUnit = effectUnitSeconds;
  if (ioReading(io)) {
    // The chunk id decides what the record is, whatever the stored head claims.
    h->tag = effectHeaderTag;
    h->type = type;
    h->size = effectStoredSize(type);
    if (h->timeUnit != effectUnitSeconds && h->timeUnit != effectUnitBeats) h->timeUnit = effectUnitSeconds;
  }
}

void transferCommon(ChunkIo& io, std::uint8_t* on, float* levelA, float* levelB) {
  ioByte(io, on);
  ioF32(io, levelA);
  ioF32(io, levelB);
}

void clampCommon(std::uint8_t& on, float& levelA, float& levelB) {
  numClampFlag(on);
  fieldLoad(effectFields[effectFieldLevel], levelA);
  fieldLoad(effectFields[effectFieldLevel], levelB);
}

bool pipeChunk(FileSpec* file, EffectPipeRecord* r, std::uint8_t* buffer, int direction, bool v2) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  if (ioReading(io)) effectPipeInit(r);
  transferHeader(io, &r->header, v2, effectPipe);
  transferCommon(io, &r->on, &r->levelA, &r->levelB);
  ioF32(io, &r->stored1);
  ioF32(io, &r->stored2);
  ioF32(io, &r->delay);
  ioF32(io, &r->feedback);
  ioF32(io, &r->inputPos);
  ioF32(io, &r->pickupPos[0]);
  ioF32(io, &r->pickupPos[1]);
  ioF32(io, &r->filterIndex);
  ioF32(io, &r->lengthMod);
  ioF32(io, &r->pickupMod[0]);
  ioF32(io, &r->pickupMod[1]);
  ioByte(io, &r->lengthModInvert);
  ioByte(io, &r->pickupModInvert[0]);
  ioByte(io, &r->pickupModInvert[1]);
  if (v2)
    ioF64(io, &r->time);
  else
    r->time = 0.5;
  if (!ioReading(io)) return ioFinishWrite(file, io, v2 ? chunkId("pip2") : chunkId("pipe"), 10);
  clampCommon(r->on, r->levelA, r->levelB);
  const FieldRange* F = pipeFields;
  fieldLoad(F[pipeFieldStored1], r->stored1);
  fieldLoad(F[pipeFieldStored2], r->stored2);
  fieldLoad(F[pipeFieldDelay], r->delay);
  fieldLoad(F[pipeFieldFeedback], r->feedback);
  fieldLoad(F[pipeFieldInputPos], r->inputPos);
  fieldLoad(F[pipeFieldPickupPos0], r->pickupPos[0]);
  fieldLoad(F[pipeFieldPickupPos1], r->pickupPos[1]);
  fieldLoad(F[pipeFieldFilterIndex], r->filterIndex);
  fieldLoad(F[pipeFieldLengthMod], r->lengthMod);
  fieldLoad(F[pipeFieldPickupMod], r->pickupMod[0]);
  fieldLoad(F[pipeFieldPickupMod], r->pickupMod[1]);
  numClampFlag(r->lengthModInvert);
  numClampFlag(r->pickupModInvert[0]);
  numClampFlag(r->pickupModInvert[1]);
  fieldLoad(effectFields[effectFieldTime], r->time);
  return true;
}

bool combChunk(FileSpec* file, EffectCombRecord* r, std::uint8_t* buffer, int direction, bool v2) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  if (ioReading(io)) effectCombInit(r);
  transferHeader(io, &r->header, v2, effectComb);
  transferCommon(io, &r->on, &r->levelA, &r->levelB);
  ioI16(io, &r->combCount);
  ioF32(io, &r->delay);
  if (v2)
    ioF64(io, &r->time);
  else
    r->time = 0.5;
  ioF32(io, &r->feedback);
  ioF32(io, &r->filterIndex);
  for (int i = 0; i < effectCombCount; ++i) {
    ioByte(io, &r->combOn[i]);
    ioByte(io, &r->modInvert[i]);
    ioF32(io, &r->delayFactor[i]);
    ioF32(io, &r->feedbackFactor[i]);
    ioF32(io, &r->level[i]);
    ioF32(io, &r->modAmount[i]);
    ioF32(io, &r->pan[i]);
    ioF32(io, &r->filterFactor[i]);
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, v2 ? chunkId("mCm2") : chunkId("mCmb"), 10);
  clampCommon(r->on, r->levelA, r->levelB);
  if (r->combCount > effectCombCount) r->combCount = effectCombCount;
  const FieldRange* F = combFields;
  fieldLoad(F[combFieldDelay], r->delay);
  fieldLoad(effectFields[effectFieldTime], r->time);
  fieldLoad(F[combFieldFeedback], r->feedback);
  fieldLoad(F[combFieldFilterIndex], r->filterIndex);
  for (int i = 0; i < effectCombCount; ++i) {
    numClampFlag(r->combOn[i]);
    numClampFlag(r->modInvert[i]);
    fieldLoad(F[combFieldDelayFactor], r->delayFactor[i]);
    fieldLoad(F[combFieldFeedbackFactor], r->feedbackFactor[i]);
    fieldLoad(F[combFieldLevel], r->level[i]);
    fieldLoad(F[combFieldModAmount], r->modAmount[i]);
    fieldLoad(effectFields[effectFieldPan], r->pan[i]);
    fieldLoad(F[combFieldFilterFactor], r->filterFactor[i]);
  }
  return true;
}

bool tapChunk(FileSpec* file, EffectTapRecord* r, std::uint8_t* buffer, int direction, bool v2) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  if (ioReading(io)) effectTapInit(r);
  transferHeader(io, &r->header, v2, effectTap);
  transferCommon(io, &r->on, &r->levelA, &r->levelB);
  ioI16(io, &r->tapCount);
  ioByte(io, &r->flag1);
  ioByte(io, &r->flag2);
  ioF32(io, &r->time);
  if (v2)
    ioF64(io, &r->beatTime);
  else
    r->beatTime = 1.0;
  ioF32(io, &r->feedback);
  ioF32(io, &r->filterIndex);
  ioF32(io, &r->secondIndex);
  ioI32(io, &r->ringLength);
  for (int i = 0; i < effectTapCount; ++i) {
    ioByte(io, &r->tapFlags[i]);
    ioByte(io, &r->tapInvert[i]);
    ioF32(io, &r->tapModDepth[i]);
    ioF32(io, &r->tapTimeFactor[i]);
    ioF32(io, &r->tapLevel[i]);
    ioF32(io, &r->tapPan[i]);
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, v2 ? chunkId("mTa2") : chunkId("mTap"), 10);
  clampCommon(r->on, r->levelA, r->levelB);
  if (r->tapCount > effectTapCount) r->tapCount = effectTapCount;
  numClampFlag(r->flag1);
  numClampFlag(r->flag2);
  fieldLoad(effectFields[effectFieldTapTime], r->time);
  if (!std::isfinite(r->beatTime)) r->beatTime = 1.0;  // the multi-tap's own default
  fieldLoad(effectFields[effectFieldTime], r->beatTime);
  const FieldRange* F = tapFields;
  fieldLoad(F[tapFieldFeedback], r->feedback);
  fieldLoad(F[tapFieldFilterIndex], r->filterIndex);
  fieldLoad(F[tapFieldSecondIndex], r->secondIndex);
  if (r->ringLength < 1) r->ringLength = 441000;  // refused: the default ring
  if (r->ringLength > effectTapMaxRing) r->ringLength = effectTapMaxRing;
  for (int i = 0; i < effectTapCount; ++i) {
    numClampFlag(r->tapFlags[i]);
    numClampFlag(r->tapInvert[i]);
    fieldLoad(F[tapFieldModDepth], r->tapModDepth[i]);
    fieldLoad(F[tapFieldTimeFactor], r->tapTimeFactor[i]);
    fieldLoad(F[tapFieldLevel], r->tapLevel[i]);
    fieldLoad(effectFields[effectFieldPan], r->tapPan[i]);
  }
  return true;
}

}  // namespace

bool effectPipeReadWriteChunkV1(FileSpec* f, EffectPipeRecord* r, std::uint8_t* b, int d) {
  return pipeChunk(f, r, b, d, false);
}
bool effectPipeReadWriteChunk(FileSpec* f, EffectPipeRecord* r, std::uint8_t* b, int d) {
  return pipeChunk(f, r, b, d, true);
}
bool effectCombReadWriteChunkV1(FileSpec* f, EffectCombRecord* r, std::uint8_t* b, int d) {
  return combChunk(f, r, b, d, false);
}
bool effectCombReadWriteChunk(FileSpec* f, EffectCombRecord* r, std::uint8_t* b, int d) {
  return combChunk(f, r, b, d, true);
}
bool effectTapReadWriteChunkV1(FileSpec* f, EffectTapRecord* r, std::uint8_t* b, int d) {
  return tapChunk(f, r, b, d, false);
}
bool effectTapReadWriteChunk(FileSpec* f, EffectTapRecord* r, std::uint8_t* b, int d) {
  return tapChunk(f, r, b, d, true);
}

bool effectEchoReadWriteChunk(FileSpec* file, EffectEchoRecord* r, std::uint8_t* buffer, int direction) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  if (ioReading(io)) effectEchoParamDefaults(r);
  transferHeader(io, &r->header, true, effectEcho);
  transferCommon(io, &r->on, &r->levelA, &r->levelB);
  ioF64(io, &r->baseTime);
  ioF64(io, &r->beatTime);
  ioF32(io, &r->feedback);
  for (int l = 0; l < 3; ++l) {
    EchoLine& line = r->lines[l];
    ioF64(io, &r->lineTimeFactor[l]);
    ioF64(io, &r->lineModDepth[l]);
    ioByte(io, &r->lineInvert[l]);
    ioF32(io, &r->lineLevel[l]);
    ioF32(io, &r->linePan[l]);
    ioF32(io, &r->lineFeedback[l]);
    ioByte(io, &line.lineOn);
    ioF64(io, &line.lowPassFreq);
    ioF64(io, &line.highPassFreq);
    ioF64(io, &line.allpassFreq);
    ioByte(io, &line.lowPassOn);
    ioByte(io, &line.highPassOn);
    ioByte(io, &line.allpassOn);
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, chunkId("eco3"), 1);
  clampCommon(r->on, r->levelA, r->levelB);
  effectEchoClampParams(r);  // the same rows the setters keep to
  for (int l = 0; l < 3; ++l) {
    EchoLine& line = r->lines[l];
    line.lowPass.pitchIndex = static_cast<float>(dspFreqToIndex(line.lowPassFreq));
    line.highPass.pitchIndex = static_cast<float>(dspFreqToIndex(line.highPassFreq));
    line.allpass.pitchIndex = static_cast<float>(dspFreqToIndex(line.allpassFreq));
    line.lineTime = r->baseTime * r->lineTimeFactor[l];
  }
  return true;
}

bool effectRevReadWriteChunk(FileSpec* file, EffectRevRecord* r, std::uint8_t* buffer, int direction) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  if (ioReading(io)) effectRevParamDefaults(r);
  transferHeader(io, &r->header, true, effectRev);
  transferCommon(io, &r->on, &r->levelA, &r->levelB);
  ioF64(io, &r->size);
  ioF32(io, &r->feedback);
  ioF64(io, &r->brightness);
  ioByte(io, &r->spareSwitch);
  ioByte(io, &r->earlyTapsOn);
  ioF64(io, &r->preDelay);
  ioF32(io, &r->jitter);
  for (int u = 0; u < 3; ++u) {
    ioF64(io, &r->unitScale[u]);
    ioF64(io, &r->laneSpread[u]);
    ioF64(io, &r->timeModDepth[u]);
    ioByte(io, &r->timeModInvert[u]);
    ioF64(io, &r->unitBrightness[u]);
    ioF64(io, &r->laneBrightSpread[u]);
    ioF64(io, &r->brightModDepth[u]);
    ioByte(io, &r->brightModInvert[u]);
    ioByte(io, &r->unitOn[u]);
    ioI32(io, &r->mode[u]);
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, chunkId("rev3"), 1);
  clampCommon(r->on, r->levelA, r->levelB);
  const FieldRange* F = revFields;
  fieldLoad(F[revFieldSize], r->size);
  fieldLoad(F[revFieldFeedback], r->feedback);
  fieldLoad(F[revFieldBrightness], r->brightness);
  numClampFlag(r->spareSwitch);
  numClampFlag(r->earlyTapsOn);
  fieldLoad(F[revFieldPreDelay], r->preDelay);
  fieldLoad(F[revFieldJitter], r->jitter);
  for (int u = 0; u < 3; ++u) {
    fieldLoad(F[revFieldUnitScale], r->unitScale[u]);
    fieldLoad(F[revFieldLaneSpread], r->laneSpread[u]);
    fieldLoad(F[revFieldTimeModDepth], r->timeModDepth[u]);
    numClampFlag(r->timeModInvert[u]);
    fieldLoad(F[revFieldUnitBrightness], r->unitBrightness[u]);
    fieldLoad(F[revFieldLaneBrightSpread], r->laneBrightSpread[u]);
    fieldLoad(F[revFieldBrightModDepth], r->brightModDepth[u]);
    numClampFlag(r->brightModInvert[u]);
    numClampFlag(r->unitOn[u]);
    if (r->mode[u] > revModeSynthetic) r->mode[u] = revModeRaw;
  }
  return true;
}

std::uint16_t effectTypeOfChunk(std::uint32_t id) {
  if (id == chunkId("pipe") || id == chunkId("pip2")) return effectPipe;
  if (id == chunkId("mCmb") || id == chunkId("mCm2")) return effectComb;
  if (id == chunkId("mTap") || id == chunkId("mTa2")) return effectTap;
  if (id == chunkId("eco3")) return effectEcho;
  if (id == chunkId("rev3")) return effectRev;
  return 0;
}
