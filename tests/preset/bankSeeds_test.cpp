// The seed files of the bank reader's fuzzer, written with the bank writer: a small bank of varied
// presets in each byte order. Writes them when MORVANE_BANK_SEEDS names the folder to fill; otherwise
// checks that the stored seeds still open as banks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "bankTestIo.h"
#include "chunkTestUtil.h"
#include "controls/msgBox.h"
#include "preset/bankFile.h"
#include "support/tempDir.h"

using namespace banktest;

namespace {

const char* const kSeeds[] = {"small_le.glo", "small_be.glo"};

TEST(BankSeeds, WrittenByTheBankWriterAndReadable) {
  chunktest::setUpChunkLayer();
  msgBoxCaptureBegin(0);
  const char* target = std::getenv("MORVANE_BANK_SEEDS");
  if (target) {
    Bank* big = bankCreate();
    fillRandomBank(big, 77);
    Bank* small = bankCreate();
    for (std::int16_t n : {1, 5, 33}) {   // a pipe, a three-unit effect, a tap delay
      bankPutPreset(small, big->slots[n]);
      big->slots[n] = big->defaultPreset;
      if (small->slots[n]->waveCount > 2) small->slots[n]->waveCount = 2;
    }
    TuningMap map;
    tuningAllocBankMap(small, &map, 3);
    const std::string dir = std::string(target) + "/";
    const Bytes le = saveBank(small, dir + kSeeds[0]);
    writeFile(dir + kSeeds[1], bankToBigEndian(le));
    bankDestroy(small);
    bankDestroy(big);
  }
  const std::string stored = testSourcePath("tests/fuzz/corpus/bankReader_fuzz/");
  for (const char* name : kSeeds) {
    Bank* bank = bankCreate();
    EXPECT_TRUE(openBank(bank, stored + name)) << name;
    int presets = 0;
    for (std::int16_t n = 0; n < bankSlotCount; ++n) presets += bankSlotIsEmpty(bank, n) ? 0 : 1;
    EXPECT_EQ(presets, 3) << name;
    EXPECT_TRUE(tuningBankMapExists(bank, 3)) << name;
    bankDestroy(bank);
  }
  msgBoxCaptureEnd();
  chunktest::tearDownChunkLayer();
}

}  // namespace
