// Writes the seed corpus of the WAVE reader's fuzzer with the tests' own WAVE builder: each format,
// and the malformed files the reader must survive. Runs only when MORVANE_WAVE_SEEDS names the folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "chunkTestUtil.h"
#include "sampleTestWave.h"

namespace {

TEST(SampleSeeds, WriteSeedCorpus) {
  const char* dir = std::getenv("MORVANE_WAVE_SEEDS");
  if (!dir) GTEST_SKIP() << "MORVANE_WAVE_SEEDS not set";
  using wavetest::WaveSpec;
  struct Seed {
    const char* name;
    WaveSpec spec;
  };
  std::vector<Seed> seeds;
  auto add = [&](const char* name, auto change) {
    WaveSpec s;
    s.frames = 64;
    change(s);
    seeds.push_back({name, s});
  };
  add("mono16", [](WaveSpec&) {});
  add("stereo16", [](WaveSpec& s) { s.channels = 2; });
  add("mono24", [](WaveSpec& s) {
    s.bits = 24;
    s.rate = 48000;
  });
  add("stereo24", [](WaveSpec& s) {
    s.bits = 24;
    s.channels = 2;
  });
  add("eightBit", [](WaveSpec& s) { s.bits = 8; });
  add("threeChannels", [](WaveSpec& s) { s.channels = 3; });
  add("longFmt", [](WaveSpec& s) { s.fmtSize = 41; });
  add("shortFmt", [](WaveSpec& s) { s.fmtSize = 12; });
  add("dataFirst", [](WaveSpec& s) { s.dataBeforeFmt = true; });
  add("hugeData", [](WaveSpec& s) { s.dataSizeOverride = 0x7FFFFFF0; });
  add("truncated", [](WaveSpec& s) { s.truncateDataTo = 33; });
  add("oddChunk", [](WaveSpec& s) { s.oddChunkBeforeData = true; });
  add("floatTag", [](WaveSpec& s) { s.formatTag = 3; });
  for (const Seed& seed : seeds)
    chunktest::writeFile(std::string(dir) + "/" + seed.name + ".wav", wavetest::makeWave(seed.spec));
  chunktest::writeFile(std::string(dir) + "/aiff.aif", wavetest::makeAiff());
}

}  // namespace
