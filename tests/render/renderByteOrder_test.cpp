// The render suite's presets in a bank file of the other byte order: the bank writer writes this
// machine's order only, so the big-endian twin is made by the preset tests' independent description
// of every chunk layout (the preset tests' file helpers). Both files are read into banks and written again: the two
// rewritten files must be the same bytes (nothing read differently from the byte-reversed file).
#include <gtest/gtest.h>

#include "preset/bankFile.h"
#include "render/suite/renderSuite.h"
#include "support/tempDir.h"

#include "preset/bankTestIo.h"
#include "preset/chunkTestUtil.h"

namespace {

class RenderByteOrder : public ::testing::TestWithParam<std::size_t> {};

// Reads the file into a new bank and writes the bank to `rewritten`; its bytes, empty on failure.
banktest::Bytes rewrite(const std::string& path, const std::string& rewritten) {
  Bank* bank = bankCreate();
  if (!bank) return {};
  banktest::Bytes out;
  if (banktest::openBank(bank, path) && !bankSlotIsEmpty(bank, 5)) out = banktest::saveBank(bank, rewritten);
  bankDestroy(bank);
  return out;
}

TEST_P(RenderByteOrder, BigEndianTwinReadsTheSame) {
  const RenderCase& c = renderSuiteCases()[GetParam()];
  ASSERT_TRUE(renderSuiteSetRate(44100.0f));
  const std::string le = testTempPath("order_" + c.name + "_le.bnk");
  const std::string be = testTempPath("order_" + c.name + "_be.bnk");
  ASSERT_TRUE(renderSuiteWriteBank(c.name, le));
  const banktest::Bytes littleEndian = banktest::readFile(le);
  ASSERT_GT(littleEndian.size(), 12u);
  const banktest::Bytes bigEndian = banktest::bankToBigEndian(littleEndian);
  ASSERT_FALSE(::testing::Test::HasFailure()) << "a chunk of unknown layout";
  ASSERT_NE(bigEndian, littleEndian);
  banktest::writeFile(be, bigEndian);
  const banktest::Bytes fromLittle = rewrite(le, testTempPath("order_" + c.name + "_le2.bnk"));
  const banktest::Bytes fromBig = rewrite(be, testTempPath("order_" + c.name + "_be2.bnk"));
  ASSERT_FALSE(fromLittle.empty());
  EXPECT_TRUE(fromBig == fromLittle) << "case " << c.name << ": the big-endian file reads differently";
}

std::vector<std::size_t> indices() {
  std::vector<std::size_t> v;
  for (std::size_t i = 0; i < renderSuiteCases().size(); ++i) v.push_back(i);
  return v;
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderByteOrder, ::testing::ValuesIn(indices()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           return renderSuiteCases()[info.param].name;
                         });

}  // namespace
