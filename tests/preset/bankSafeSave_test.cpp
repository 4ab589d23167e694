// Saving a bank over an existing file: the new bank replaces the old only once it is fully written; a
// save that fails leaves the old file byte for byte as it was, with no temporary file behind. The
// temporary is a file of its own making: no file the user keeps beside the bank is touched.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace banksafesavetest {
using namespace banktest;

namespace {

#ifdef _WIN32
int makeFolder(const char* p) { return _mkdir(p); }
int removeFolder(const char* p) { return _rmdir(p); }
#else
int makeFolder(const char* p) { return mkdir(p, 0700); }
int removeFolder(const char* p) { return rmdir(p); }
#endif

#ifdef _WIN32
const char kSep = '\\';
#else
const char kSep = '/';
#endif

// The names of the files in a folder matching a pattern ("~mv*.tmp").
std::vector<std::string> filesIn(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  OsFindData found;
  OsFind find = osFindFirst((folder + pattern).c_str(), &found);
  for (bool more = find != osFindInvalid; more; more = osFindNext(find, &found)) names.push_back(found.name);
  if (find != osFindInvalid) osFindClose(find);
  return names;
}

struct BankSafeSaveTest : ::testing::Test {
  Bank* oldBank = nullptr;
  Bank* newBank = nullptr;
  std::string folder;  // of this test alone, ending with its separator
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
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder = testTempPath(name);
    makeFolder(folder.c_str());
    folder += kSep;
    path = folder + "b.glo";
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
  EXPECT_EQ(filesIn(folder, "*"), std::vector<std::string>{"b.glo"});
  EXPECT_STREQ(bankFileLastReason(), "");
}

// Files the user keeps beside the bank under names a save might have used for its temporary (the
// old fixed one among them) and a folder named so: none is opened, replaced or renamed away.
TEST_F(BankSafeSaveTest, FilesBesideTheBankAreNeverTouched) {
  const Bytes mine = {'m', 'i', 'n', 'e'};
  const std::vector<std::string> kept = {"b.glo.tmp", "~mv0000.tmp", "~mvffff.tmp", "b.tmp"};
  for (const std::string& name : kept) writeFile(folder + name, mine);
  ASSERT_EQ(makeFolder((folder + "~mv0001.tmp").c_str()), 0);
  for (int round = 0; round < 3; ++round) ASSERT_TRUE(save(round % 2 ? oldBank : newBank));
  EXPECT_EQ(readFile(path), saveBank(newBank, testTempPath("reference.glo")));
  for (const std::string& name : kept) EXPECT_EQ(readFile(folder + name), mine) << name;
  EXPECT_EQ(filesIn(folder, "~mv*.tmp").size(), 2u);  // the user's two, no temporary left
  removeFolder((folder + "~mv0001.tmp").c_str());
}

// A path so long that no temporary fits beside the bank (257 characters, the case that once wrote
// the bank in place): the save is refused with a reason and the old bank stays whole.
TEST_F(BankSafeSaveTest, ABankWhoseTemporaryCannotBeMadeIsNotSavedInPlace) {
  std::string deep = folder;
  while (deep.size() + 21 < 251) {
    deep += std::string(20, 'd') + kSep;
    makeFolder(deep.c_str());
  }
  deep += std::string(251 - deep.size(), 'e') + kSep;
  ASSERT_EQ(makeFolder(deep.c_str()), 0) << deep.size();
  const std::string longPath = deep + "b.glo";
  ASSERT_EQ(longPath.size(), 257u);
  const Bytes longBytes = saveBank(oldBank, testTempPath("long_reference.glo"));
  writeFile(longPath, longBytes);
  ASSERT_EQ(readFile(longPath), longBytes);
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, longPath.c_str(), nullptr);
  EXPECT_FALSE(bankFileWrite(newBank, &file));
  EXPECT_NE(std::string(bankFileLastReason()).find("too long"), std::string::npos) << bankFileLastReason();
  EXPECT_EQ(readFile(longPath), longBytes);
  EXPECT_EQ(filesIn(deep, "*"), std::vector<std::string>{"b.glo"});
}

// A folder that takes no new file (the temporary cannot be made): refused, with the system's reason.
TEST_F(BankSafeSaveTest, ATemporaryThatCannotBeMadeLeavesTheOldFile) {
  FileSpec file;
  fileSpecClear(&file);
  const std::string missing = folder + "gone" + kSep + "b.glo";
  fileSpecSetPath(&file, missing.c_str(), nullptr);
  EXPECT_FALSE(bankFileWrite(newBank, &file));
  EXPECT_NE(std::string(bankFileLastReason()).find("No temporary file could be made in that folder: "),
            std::string::npos)
      << bankFileLastReason();
  EXPECT_GT(std::strlen(bankFileLastReason()), std::strlen("No temporary file could be made in that folder: "));
  EXPECT_EQ(readFile(path), oldBytes);
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
  EXPECT_EQ(filesIn(folder, "*"), std::vector<std::string>{"b.glo"});
  EXPECT_NE(std::string(bankFileLastReason()).find("Writing the bank failed: "), std::string::npos);
}
#endif

}  // namespace
}  // namespace banksafesavetest
