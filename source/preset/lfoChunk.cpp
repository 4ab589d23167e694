// Serialiser of the LFO chunks "lfo " and "lfo2".
#include "preset/lfoChunk.h"

#include <initializer_list>
#include "engine/lfoRuntime.h"

#include "preset/chunkIo.h"
#include "preset/fieldTables.h"

namespace {

void limitRecord(Lfo* r, std::int16_t ownIndex) {
  for (std::uint8_t* b : {&r->on, &r->perVoice, &r->sampleHold, &r->pitchPolarity, &r->ampPolarity, &r->spareSwitch,
                          &r->filterPolarity, &r->channelPolarity})
    numClampFlag(*b);
  for (int c = 0; c < 3; ++c) {
    numClampFlag(r->pitchTarget[c]);
    numClampFlag(r->ampTarget[c]);
    numClampFlag(r->channelTarget[c]);
  }
  for (auto& t : r->filterTarget) numClampFlag(t);
  if (r->index < 0 || r->index > 2) r->index = ownIndex;
  // The ranges are the setters' (a period or hold time below lfoMinSeconds would make the phase
  // step too large); the run-time fields are held within 0..1.
  for (int f = 0; f < lfoFieldCount; ++f) {
    if (float* x = lfoFloatFieldOf(r, f))
      fieldLoad(lfoFields[f], *x);
    else
      fieldLoad(lfoFields[f], *lfoDoubleFieldOf(r, f));
  }
  if (r->periodSync > 1) r->periodSync = 1;
  if (r->holdSync > 1) r->holdSync = 1;
}

bool lfoChunk(FileSpec* file, Lfo* r, std::uint8_t* buffer, int direction, bool v2) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  const std::int16_t ownIndex = r->index;
  if (ioReading(io)) lfoDefaults(r, ownIndex);
  ioByte(io, &r->on);
  ioByte(io, &r->perVoice);
  ioByte(io, &r->sampleHold);
  for (int c = 0; c < 3; ++c) {
    ioByte(io, &r->pitchTarget[c]);
    ioByte(io, &r->ampTarget[c]);
    ioByte(io, &r->channelTarget[c]);
  }
  for (auto& t : r->filterTarget) ioByte(io, &t);
  ioByte(io, &r->pitchPolarity);
  ioByte(io, &r->ampPolarity);
  ioByte(io, &r->spareSwitch);
  ioByte(io, &r->filterPolarity);
  ioByte(io, &r->channelPolarity);
  ioI16(io, &r->index);
  ioI16(io, &r->depthController);
  ioI16(io, &r->rateController);
  ioI16(io, &r->holdRateController);
  ioI16(io, &r->retrigger);
  ioI16(io, &r->retriggerController);
  for (float* f : {&r->depth, &r->depthAmount, &r->holdRateRange, &r->holdRateFactor, &r->rateFactor, &r->rateRange,
                   &r->ampDepth, &r->pitchDepth, &r->fieldDepth, &r->filterRange, &r->channelDepth, &r->percentSetting})
    ioF32(io, f);
  ioI16(io, &r->waveId);
  ioF32(io, &r->periodSeconds);
  ioF32(io, &r->startPhase);
  ioF32(io, &r->holdSeconds);
  ioF32(io, &r->displayValue);
  if (v2) {
    ioI32(io, &r->periodSync);
    ioI32(io, &r->holdSync);
    ioF64(io, &r->periodBeats);
    ioF64(io, &r->holdBeats);
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, v2 ? chunkId("lfo2") : chunkId("lfo "), 10);
  limitRecord(r, ownIndex);
  return true;
}

void swapCommon(Lfo* r) {
  for (std::int16_t* h : {&r->index, &r->depthController, &r->rateController, &r->holdRateController, &r->retrigger,
                          &r->retriggerController, &r->waveId})
    swap16(h);
  for (float* f : {&r->depth, &r->depthAmount, &r->holdRateRange, &r->holdRateFactor, &r->rateFactor, &r->rateRange,
                   &r->ampDepth, &r->pitchDepth, &r->fieldDepth, &r->filterRange, &r->channelDepth, &r->percentSetting,
                   &r->periodSeconds, &r->startPhase, &r->holdSeconds, &r->displayValue})
    swap32(f);
}

}  // namespace

bool lfoReadWriteChunk(FileSpec* file, Lfo* r, std::uint8_t* buffer, int direction) {
  return lfoChunk(file, r, buffer, direction, true);
}
bool lfoReadWriteChunkV1(FileSpec* file, Lfo* r, std::uint8_t* buffer, int direction) {
  return lfoChunk(file, r, buffer, direction, false);
}

void lfoSwapV1(Lfo* r) {
  if (r) swapCommon(r);
}
void lfoSwap(Lfo* r) {
  if (!r) return;
  swapCommon(r);
  swap32(&r->periodSync);
  swap32(&r->holdSync);
  swap64(&r->periodBeats);
  swap64(&r->holdBeats);
}
