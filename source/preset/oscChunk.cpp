// The three stored layouts of the channel oscillator: "osc3" (current), "osc2" and "ocil" (oldest).
// A "Sample" or "Granular" oscillator carries its sample slot and granular sub-record after the fields.
#include "preset/chunkIo.h"
#include "preset/oscRecord.h"

namespace {

enum Layout { layoutOcil, layoutOsc2, layoutOsc3 };

void transferSampleBlock(ChunkIo& io, ChannelOscRecord* r) {
  OscSubRecord& s = r->subRecord;
  ioI32(io, &s.count);
  ioF32(io, &s.size);
  ioF32(io, &s.diffusion);
  ioF32(io, &s.time);
  ioF32(io, &s.randTime);
  ioF32(io, &s.randFreq);
  ioF32(io, &s.randAmp);
  ioI32(io, &s.word7);
  SampleInfo& si = r->sampleInfo;
  ioI32(io, &si.channels);
  ioI32(io, &si.readAsMono);
  ioI32(io, &si.looping);
  ioI32(io, &si.word1);
  ioI32(io, &si.loopStart);
  ioI32(io, &si.loopEnd);
  ioI32(io, &si.loopMode);
  for (std::int32_t& w : si.afterLoopMode) ioI32(io, &w);
  ioF32(io, &si.rootKey);
  ioF32(io, &si.rateFactor);
  ioF64(io, &si.startPosition);
  ioI32(io, &si.tag);
  ioBlock(io, si.name, sizeof si.name);
  ioBlock(io, si.path, sizeof si.path);
  ioBlock(io, si.pathRest, sizeof si.pathRest);
}

bool oscChunk(FileSpec* file, ChannelOscRecord* r, std::uint8_t* buffer, int direction, Layout layout) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  std::int32_t sampleFlag = 0;
  if (ioReading(io)) {
    oscInitRecord(nullptr, r, 0);
  } else {
    sampleFlag = (r->type == oscTypeSample || r->type == oscTypeGranular) ? 1 : 0;
  }
  ioF32(io, &r->pitchInc);
  ioF32(io, &r->phaseA);
  ioF32(io, &r->pitchRatio);
  ioF32(io, &r->level);
  ioF32(io, &r->pitchRatioB);
  ioF32(io, &r->phaseB);
  ioF32(io, &r->pitchIncB);
  ioF32(io, &r->balanceDouble);
  ioF32(io, &r->fmIndex);
  ioF32(io, &r->balanceRingmod);
  ioI32(io, &r->type);
  ioI32(io, &r->freqMode);
  ioI32(io, &r->freqModeB);
  ioI32(io, &r->waveA);
  ioI32(io, &r->waveB);
  ioI32(io, &r->channel);
  ioI32(io, &r->auxSwitch);
  ioByte(io, &r->on);
  if (layout != layoutOcil) {
    ioI32(io, &r->bandLimited);
    ioI32(io, &sampleFlag);
    if (layout == layoutOsc3) {
      ioByte(io, &r->phaseReset);
      ioF32(io, &r->trans);
      ioF32(io, &r->randTrans);
      ioI32(io, &r->numVoices);
      ioI16(io, &r->inputs[0]);
      ioI16(io, &r->inputs[1]);
      ioF32(io, &r->inputGain);
      ioF32(io, &r->displacement);
      ioF32(io, &r->amount);
      ioI32(io, &r->iterations);
    }
    if (sampleFlag != 0) transferSampleBlock(io, r);
  }
  if (!ioReading(io)) {
    static const std::uint32_t ids[] = {chunkId("ocil"), chunkId("osc2"), chunkId("osc3")};
    return ioFinishWrite(file, io, ids[layout], 10);
  }
  // The record is filed under its channel: a channel no preset has is refused.
  if (r->channel < 0 || r->channel > 3) return false;
  oscSanitizeRecord(r);
  r->subRecord.channel = r->channel;
  return true;
}

}  // namespace

bool oscReadWriteChunk(FileSpec* file, ChannelOscRecord* r, std::uint8_t* buffer, int direction) {
  return oscChunk(file, r, buffer, direction, layoutOsc3);
}
bool oscReadWriteChunkV2(FileSpec* file, ChannelOscRecord* r, std::uint8_t* buffer, int direction) {
  return oscChunk(file, r, buffer, direction, layoutOsc2);
}
bool oscReadWriteChunkV1(FileSpec* file, ChannelOscRecord* r, std::uint8_t* buffer, int direction) {
  return oscChunk(file, r, buffer, direction, layoutOcil);
}
