// Fuzzes the chunk reader over whole file images: the walk from chunk to chunk, the header check with
// its byte-order detection, and every record reader of the preset header, oscillator, module and
// effect chunks. After each read the record must hold only values its users can trust.
#include <unistd.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzzChecks.h"
#include "fuzzScratch.h"
#include "preset/chunk.h"
#include "preset/effectChunk.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"
#include "uiSeams/msgBox.h"

namespace {

int silentBox(void*, int, const char*, int) { return 0; }

struct Scratch {
  PatchHeader header;
  ChannelOscRecord osc;
  FilterRecord filter;
  ModulatorRecord modulator;
  WaveshaperRecord waveshaper;
  EffectPipeRecord pipe;
  EffectCombRecord comb;
  EffectTapRecord tap;
  EffectEchoRecord echo;
  EffectRevRecord rev;
};

void checkOsc(const ChannelOscRecord& r) { fuzzcheck::oscRecord(r); }

void readOne(FileSpec* file, std::uint32_t id, Scratch& s) {
  std::uint8_t* buf = chunkBufferData();
  switch (id) {
    case chunkId("ptch"):
    case chunkId("ptc2"):
    case chunkId("ptc3"):
    case chunkId("ptc4"): {
      patchHeaderDefaults(&s.header, 0);
      bool ok = id == chunkId("ptch")   ? patchHeaderReadWriteChunkV1(file, &s.header, buf, chunkRead)
                : id == chunkId("ptc2") ? patchHeaderReadWriteChunkV2(file, &s.header, buf, chunkRead)
                : id == chunkId("ptc3") ? patchHeaderReadWriteChunkV3(file, &s.header, buf, chunkRead)
                                        : patchHeaderReadWriteChunk(file, &s.header, buf, chunkRead);
      require(ok);
      require(s.header.polyphony >= 1 && s.header.polyphony <= 64);
      require(s.header.name[patchNameLength] == 0);
      require(std::isfinite(s.header.gain) && s.header.gain <= 16.0f && std::isfinite(s.header.tempo.presetTempo));
      break;
    }
    case chunkId("osc3"):
      if (oscReadWriteChunk(file, &s.osc, buf, chunkRead)) checkOsc(s.osc);
      break;
    case chunkId("osc2"):
      if (oscReadWriteChunkV2(file, &s.osc, buf, chunkRead)) checkOsc(s.osc);
      break;
    case chunkId("ocil"):
      if (oscReadWriteChunkV1(file, &s.osc, buf, chunkRead)) checkOsc(s.osc);
      break;
    case chunkId("filt"):
      filterInitRecord(&s.filter, 0);
      if (filterReadWriteChunk(file, &s.filter, buf, chunkRead)) {
        fuzzcheck::filterRecord(s.filter);
      }
      break;
    case chunkId("mod "):
    case chunkId("mod3"):
      modulatorInitRecord(&s.modulator, 0);
      if ((id == chunkId("mod3") ? modulatorReadWriteChunk : modulatorReadWriteChunkV1)(file, &s.modulator, buf,
                                                                                        chunkRead))
        fuzzcheck::modulatorRecord(s.modulator);
      break;
    case chunkId("wshp"):
      waveshaperInitRecord(&s.waveshaper);
      require(waveshaperReadWriteChunk(file, &s.waveshaper, buf, chunkRead));
      fuzzcheck::waveshaperRecord(s.waveshaper);
      break;
    case chunkId("pipe"):
    case chunkId("pip2"):
      require((id == chunkId("pip2") ? effectPipeReadWriteChunk : effectPipeReadWriteChunkV1)(file, &s.pipe, buf,
                                                                                              chunkRead));
      require(s.pipe.header.size == effectPipeRecordSize);
      fuzzcheck::effectPipe(s.pipe);
      break;
    case chunkId("mCmb"):
    case chunkId("mCm2"):
      require((id == chunkId("mCm2") ? effectCombReadWriteChunk : effectCombReadWriteChunkV1)(file, &s.comb, buf,
                                                                                              chunkRead));
      require(s.comb.combCount <= 6);
      fuzzcheck::effectComb(s.comb);
      break;
    case chunkId("mTap"):
    case chunkId("mTa2"):
      require(
          (id == chunkId("mTa2") ? effectTapReadWriteChunk : effectTapReadWriteChunkV1)(file, &s.tap, buf, chunkRead));
      fuzzcheck::effectTap(s.tap);
      break;
    case chunkId("eco3"):
      require(effectEchoReadWriteChunk(file, &s.echo, buf, chunkRead));
      fuzzcheck::effectEcho(s.echo);
      break;
    case chunkId("rev3"):
      require(effectRevReadWriteChunk(file, &s.rev, buf, chunkRead));
      fuzzcheck::effectRev(s.rev);
      break;
    default: break;
  }
}

std::string gPath;
std::unique_ptr<Scratch> gScratch;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  msgBoxSetHook(silentBox, nullptr);
  if (!chunkBufferInit(chunkCapacity)) std::abort();
  fileSetChunkTypeCallback(chunkHeaderCheck);
  gPath = fuzzScratchPath("chunkReader_fuzz", ".bin");
  gScratch.reset(new Scratch());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FILE* f = std::fopen(gPath.c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, gPath.c_str(), nullptr);
  swapReset();
  if (!fileOpen(&file, fileAccessRead)) return 0;
  ChunkHeader h;
  bool ok = fileReadChunk(&file, &h);
  for (int n = 0; ok && n < 4096; ++n) {
    readOne(&file, h.id, *gScratch);
    if (fileAtEnd(&file)) break;
    ok = fileReadNextChunk(&file, &h);
  }
  fileClose(&file);
  swapReset();
  return 0;
}
