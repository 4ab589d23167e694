// Writes the seed corpus of the chunk reader's fuzzer with the program's own writers: one file per
// record chunk in each byte order, and one file holding them all. Runs only when
// MORVANE_CHUNK_SEEDS names the folder to fill.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "chunkTestUtil.h"
#include "preset/effectChunk.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"
#include "support/tempDir.h"

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace chunkseedstest {
using namespace chunktest;

namespace {

struct Writer {
  const char* name;
  void (*write)(FileSpec*);
};

template <class R, void (*Init)(R*), bool (*Fn)(FileSpec*, R*, std::uint8_t*, int)>
void writeDefault(FileSpec* f) {
  static R r;
  Init(&r);
  EXPECT_TRUE(Fn(f, &r, chunkBufferData(), chunkWrite));
}

void headerInit(PatchHeader* h) { patchHeaderDefaults(h, 3); }
void oscInit(ChannelOscRecord* r) { oscInitRecord(nullptr, r, 1); }
void oscSampleInit(ChannelOscRecord* r) {
  oscInitRecord(nullptr, r, 2);
  r->type = oscTypeSample;
}
void filterInit(FilterRecord* r) { filterInitRecord(r, 3); }
void modInit(ModulatorRecord* r) { modulatorInitRecord(r, 1); }
void echoInit(EffectEchoRecord* r) { effectEchoParamDefaults(r); }
void revInit(EffectRevRecord* r) { effectRevParamDefaults(r); }

const Writer kWriters[] = {
    {"ptch", writeDefault<PatchHeader, headerInit, patchHeaderReadWriteChunkV1>},
    {"ptc2", writeDefault<PatchHeader, headerInit, patchHeaderReadWriteChunkV2>},
    {"ptc3", writeDefault<PatchHeader, headerInit, patchHeaderReadWriteChunkV3>},
    {"ptc4", writeDefault<PatchHeader, headerInit, patchHeaderReadWriteChunk>},
    {"osc3", writeDefault<ChannelOscRecord, oscInit, oscReadWriteChunk>},
    {"osc3s", writeDefault<ChannelOscRecord, oscSampleInit, oscReadWriteChunk>},
    {"osc2s", writeDefault<ChannelOscRecord, oscSampleInit, oscReadWriteChunkV2>},
    {"ocil", writeDefault<ChannelOscRecord, oscInit, oscReadWriteChunkV1>},
    {"filt", writeDefault<FilterRecord, filterInit, filterReadWriteChunk>},
    {"mod", writeDefault<ModulatorRecord, modInit, modulatorReadWriteChunkV1>},
    {"mod3", writeDefault<ModulatorRecord, modInit, modulatorReadWriteChunk>},
    {"wshp", writeDefault<WaveshaperRecord, waveshaperInitRecord, waveshaperReadWriteChunk>},
    {"pipe", writeDefault<EffectPipeRecord, effectPipeInit, effectPipeReadWriteChunkV1>},
    {"pip2", writeDefault<EffectPipeRecord, effectPipeInit, effectPipeReadWriteChunk>},
    {"mCmb", writeDefault<EffectCombRecord, effectCombInit, effectCombReadWriteChunkV1>},
    {"mCm2", writeDefault<EffectCombRecord, effectCombInit, effectCombReadWriteChunk>},
    {"mTap", writeDefault<EffectTapRecord, effectTapInit, effectTapReadWriteChunkV1>},
    {"mTa2", writeDefault<EffectTapRecord, effectTapInit, effectTapReadWriteChunk>},
    {"eco3", writeDefault<EffectEchoRecord, echoInit, effectEchoReadWriteChunk>},
    {"rev3", writeDefault<EffectRevRecord, revInit, effectRevReadWriteChunk>},
};

TEST(ChunkSeeds, WriteSeedCorpus) {
  const char* dir = std::getenv("MORVANE_CHUNK_SEEDS");
  if (!dir || !*dir) GTEST_SKIP() << "MORVANE_CHUNK_SEEDS not set";
  setUpChunkLayer();
  const std::string folder = std::string(dir) + "/";
  for (const Writer& w : kWriters) {
    Bytes le = writeChunks(folder + w.name + "-le.bin", w.write);
    ASSERT_FALSE(le.empty());
    writeFile(folder + w.name + "-be.bin", toBigEndian(le));
  }
  Bytes all = writeChunks(folder + "all-le.bin", [](FileSpec* f) {
    for (const Writer& w : kWriters) w.write(f);
  });
  writeFile(folder + "all-be.bin", toBigEndian(all));
  tearDownChunkLayer();
}

}  // namespace
}  // namespace chunkseedstest
