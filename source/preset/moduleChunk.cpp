// Stored layouts of the filter ("filt"), channel modulator ("mod " older, "mod3") and waveshaper ("wshp").
#include "preset/chunkIo.h"
#include "preset/moduleRecords.h"

#include "preset/fieldTables.h"

bool filterReadWriteChunk(FileSpec* file, FilterRecord* r, std::uint8_t* buffer, int direction) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  ioByte(io, &r->on);
  ioByte(io, &r->postMix);
  ioI16(io, &r->index);
  ioI16(io, &r->type);
  ioF32(io, &r->cutoff);
  ioF32(io, &r->combDelay);
  ioF32(io, &r->feedback);
  ioF32(io, &r->bandwidth);
  ioF32(io, &r->gain);
  ioF32(io, &r->width);
  ioF32(io, &r->combGain);
  ioF32(io, &r->resonance);
  if (!ioReading(io)) return ioFinishWrite(file, io, chunkId("filt"), 10);
  if (r->index < 0 || r->index > 3) return false;  // filed under its index
  numClampFlag(r->on);
  numClampFlag(r->postMix);
  if (!filterTypeIsUsed(r->type)) r->type = 1;  // as the record copy treats an unknown type
  for (int f = 0; f < filterFieldCount; ++f) fieldLoad(filterFields[f], *filterFieldOf(r, f));
  // Allpass types keep their cutoff on the 48-steps-per-octave scale of 0..479.
  if (r->type >= 11 && r->type <= 13 && r->cutoff > 479.0f) r->cutoff = 479.0f;
  return true;
}

static bool modulatorChunk(FileSpec* file, ModulatorRecord* r, std::uint8_t* buffer, int direction, bool v3) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  ioByte(io, &r->on);
  ioI16(io, &r->channel);
  ioI16(io, &r->type);
  ioI16(io, &r->freqMode);
  ioF32(io, &r->ratio);
  ioF32(io, &r->increment);
  ioI16(io, &r->wave);
  ioF32(io, &r->balance);
  if (v3) {
    ioF32(io, &r->feedback);
    ioByte(io, &r->shiftSwitch);
  } else if (ioReading(io)) {
    // The older layout predates these two fields: a modulator of that time ran with the feedback
    // and the shift switch it now gets by default, so an old bank keeps its sound.
    r->feedback = 0.35f;
    r->shiftSwitch = 1;
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, v3 ? chunkId("mod3") : chunkId("mod "), 10);
  if (r->channel < 0 || r->channel > 2) return false;  // filed under its channel
  numClampFlag(r->on);
  if (r->type != modulatorRingmod && r->type != modulatorFreqShift) r->type = modulatorFreqShift;
  if (r->freqMode < 0 || r->freqMode > 3) r->freqMode = 3;
  for (int f = 0; f < modulatorFieldCount; ++f) fieldLoad(modulatorFields[f], *modulatorFieldOf(r, f));
  numClampFlag(r->shiftSwitch);
  return true;
}

bool modulatorReadWriteChunkV1(FileSpec* file, ModulatorRecord* r, std::uint8_t* buffer, int direction) {
  return modulatorChunk(file, r, buffer, direction, false);
}
bool modulatorReadWriteChunk(FileSpec* file, ModulatorRecord* r, std::uint8_t* buffer, int direction) {
  return modulatorChunk(file, r, buffer, direction, true);
}

bool waveshaperReadWriteChunk(FileSpec* file, WaveshaperRecord* r, std::uint8_t* buffer, int direction) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  ioByte(io, &r->postMix);
  ioByte(io, &r->on);
  // Only the low 16 bits of the wave id are stored.
  std::uint16_t wave = static_cast<std::uint16_t>(r->wave & 0xFFFF);
  if (ioI16(io, &wave) && ioReading(io))
    r->wave = static_cast<std::int32_t>((static_cast<std::uint32_t>(r->wave) & 0xFFFF0000u) | wave);
  ioF32(io, &r->inGain);
  ioF32(io, &r->outGain);
  ioF32(io, &r->phase);
  if (!ioReading(io)) return ioFinishWrite(file, io, chunkId("wshp"), 10);
  numClampFlag(r->postMix);
  numClampFlag(r->on);
  for (int f = 0; f < waveshaperFieldCount; ++f) fieldLoad(waveshaperFields[f], *waveshaperFieldOf(r, f));
  return true;
}
