// The seed files of the bank reader's fuzzer, written with the bank writer: five small banks, each one
// rich preset (oscillators, filters, modulators, waveshaper, one effect kind of the five, controllers,
// sliders, note curves, LFOs, envelopes, a preset wave) and a bank tuning, in each byte order. Writes
// them when MORVANE_BANK_SEEDS names the folder to fill; otherwise checks that the stored seeds still
// open as the banks they were.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "bankTestIo.h"
#include "chunkTestUtil.h"
#include "preset/bankFile.h"
#include "support/tempDir.h"
#include "uiSeams/msgBox.h"

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace bankseedstest {
using namespace banktest;

namespace {

const char* const kEffectNames[] = {"pipe", "comb", "tap", "echo", "rev"};

// The first preset of that effect kind (slot % 6) with envelopes, waves and curves.
std::int16_t richSlot(Bank* bank, std::uint16_t effectType) {
  for (std::int16_t n = effectType; n < bankSlotCount; n += 6) {
    const Preset* p = bank->slots[n];
    if (p->envelopeCount > 3 && p->waveCount > 0 && p->curveCount > 0) return n;
  }
  return effectType;
}

TEST(BankSeeds, WrittenByTheBankWriterAndReadable) {
  chunktest::setUpChunkLayer();
  msgBoxCaptureBegin(0);
  const char* target = std::getenv("MORVANE_BANK_SEEDS");
  std::int16_t slots[5] = {};
  Bank* big = bankCreate();
  fillRandomBank(big, 77);
  for (std::uint16_t type = 1; type <= 5; ++type) slots[type - 1] = richSlot(big, type);
  if (target) {
    for (std::uint16_t type = 1; type <= 5; ++type) {
      const std::int16_t n = slots[type - 1];
      Bank* small = bankCreate();
      bankPutPreset(small, big->slots[n]);
      big->slots[n] = big->defaultPreset;
      // Small files: four envelopes (the three channel envelopes and one more) and one wave.
      Preset* p = small->slots[n];
      if (p->envelopeCount > 4) p->envelopeCount = 4;
      if (p->waveCount > 1) p->waveCount = 1;
      TuningMap map;
      tuningAllocBankMap(small, &map, type);
      const std::string base = std::string(target) + "/" + kEffectNames[type - 1];
      const Bytes le = saveBank(small, base + "_le.glo");
      writeFile(base + "_be.glo", bankToBigEndian(le));
      bankDestroy(small);
    }
  }
  const std::string stored = testSourcePath("tests/fuzz/corpus/bankReader_fuzz/");
  for (std::uint16_t type = 1; type <= 5; ++type) {
    for (const char* order : {"_le.glo", "_be.glo"}) {
      const std::string name = std::string(kEffectNames[type - 1]) + order;
      Bank* bank = bankCreate();
      EXPECT_TRUE(openBank(bank, stored + name)) << name;
      int presets = 0;
      for (std::int16_t n = 0; n < bankSlotCount; ++n) presets += bankSlotIsEmpty(bank, n) ? 0 : 1;
      EXPECT_EQ(presets, 1) << name;
      const Preset* p = bank->slots[slots[type - 1]];
      ASSERT_NE(p->effect, nullptr) << name;
      EXPECT_EQ(p->effect->type, type) << name;
      EXPECT_EQ(p->envelopeCount, 4) << name;
      EXPECT_EQ(p->waveCount, 1) << name;
      EXPECT_GT(p->curveCount, 0) << name;
      EXPECT_TRUE(tuningBankMapExists(bank, type)) << name;
      bankDestroy(bank);
    }
  }
  bankDestroy(big);
  msgBoxCaptureEnd();
  chunktest::tearDownChunkLayer();
}

}  // namespace
}  // namespace bankseedstest
