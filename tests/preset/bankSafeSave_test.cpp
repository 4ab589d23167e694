// Saving a bank over an existing file: the new bank replaces the old only once it is fully written; a
// save that fails leaves the old file byte for byte as it was, with no temporary file behind.
#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <csignal>
#endif

#include "bankTestIo.h"
#include "chunkTestUtil.h"
#include "os/osFile.h"
#include "preset/bankFile.h"
#include "support/tempDir.h"

#ifdef _WIN32
#include <direct.h>
#define makeFolder(p) _mkdir(p)
#define removeFolder(p) _rmdir(p)
#else
#include <sys/stat.h>
#include <unistd.h>
#define makeFolder(p) mkdir(p, 0700)
#define removeFolder(p) rmdir(p)
#endif

using namespace banktest;

namespace {

struct BankSafeSaveTest : ::testing::Test {
  Bank* oldBank = nullptr;
  Bank* newBank = nullptr;
  std::string path;
  Bytes oldBytes;
  void SetUp() override {
    chunktest::setUpChunkLayer();
    oldBank = bankCreate();
    newBank = bankCreate();
    ASSERT_NE(oldBank, nullptr);
    ASSERT_NE(newBank, nullptr);
    fillRandomBank(oldBank, 11);
    fillRandomBank(newBank, 22);
    path =
        testTempPath((std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".glo").c_str());
    oldBytes = saveBank(oldBank, path);
    ASSERT_GT(oldBytes.size(), 20000u);
  }
  void TearDown() override {
    bankDestroy(oldBank);
    bankDestroy(newBank);
    chunktest::tearDownChunkLayer();
  }
  bool save(Bank* bank) {
    FileSpec file;
    fileSpecClear(&file);
    fileSpecSetPath(&file, path.c_str(), nullptr);
    return bankFileWrite(bank, &file);
  }
};

TEST_F(BankSafeSaveTest, ACompleteSaveReplacesTheFileAndLeavesNoTemporary) {
  ASSERT_TRUE(save(newBank));
  const Bytes fresh = readFile(path);
  EXPECT_NE(fresh, oldBytes);
  EXPECT_EQ(fresh, saveBank(newBank, testTempPath("reference.glo")));
  EXPECT_FALSE(osFileExists((path + ".tmp").c_str()));
}

TEST_F(BankSafeSaveTest, ATemporaryThatCannotBeMadeLeavesTheOldFile) {
  ASSERT_EQ(makeFolder((path + ".tmp").c_str()), 0);  // a folder in the temporary file's place
  EXPECT_FALSE(save(newBank));
  EXPECT_EQ(readFile(path), oldBytes);
  removeFolder((path + ".tmp").c_str());
}

#ifndef _WIN32
// The disk fills up part way through the bank: the write fails, the old bank stays whole.
TEST_F(BankSafeSaveTest, AWriteFailingPartWayLeavesTheOldFileWhole) {
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 8192;  // files may not grow past 8 KB
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool ok = save(newBank);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(ok);
  EXPECT_EQ(readFile(path), oldBytes);
  EXPECT_FALSE(osFileExists((path + ".tmp").c_str()));
}
#endif

}  // namespace
