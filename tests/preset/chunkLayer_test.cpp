// The chunk file layer: header check, sizes, the sibling walk, byte order and bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "chunkTestUtil.h"
#include "preset/chunk.h"
#include "support/tempDir.h"
#include "uiSeams/msgBox.h"

// Its own namespace keeps the helper namespace and the file's local names out of the other test files.
namespace chunklayertest {
using namespace chunktest;

namespace {

const char kNewer[] = "File error! I can't open this file, it was created with a more recent version of Morvane.";

struct ChunkLayer : ::testing::Test {
  void SetUp() override { setUpChunkLayer(); }
  void TearDown() override { tearDownChunkLayer(); }
};

std::uint32_t idOf(const std::string& s) {
  return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
         (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}

struct CheckCase {
  const char* id;
  std::int32_t version;
  bool diagnostics;
  int result;
  const char* message;  // null: no box
};

class HeaderCheck : public ChunkLayer, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(HeaderCheck, WritingFollowsTheVersionRules) {
  const CheckCase& c = GetParam();
  diagSetEnabled(c.diagnostics);
  std::uint32_t words[3] = {idOf(c.id), 8, std::uint32_t(c.version)};
  EXPECT_EQ(chunkHeaderCheck(words), c.result);
  EXPECT_FALSE(swapEnabled());
  if (c.message) {
    ASSERT_EQ(msgBoxCaptureCount(), 1u);
    EXPECT_STREQ(msgBoxCaptureText(0), c.message);
  } else {
    EXPECT_EQ(msgBoxCaptureCount(), 0u);
  }
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(msgAnswerOk);

  // The same header through the writer: refused headers write nothing at all.
  std::string path = testTempPath(std::string("check-") + std::to_string(c.version) + ".bin");
  std::uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  Bytes bytes = writeChunks(
      path,
      [&](FileSpec* f) {
        ChunkHeader h;
        chunkHeaderSet(&h, idOf(c.id), sizeof data, std::uint32_t(c.version));
        EXPECT_EQ(fileWriteChunk(f, &h, data), c.result == 0);
      },
      false);
  EXPECT_EQ(bytes.size(), c.result == 0 ? 20u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeaderCheck,
    ::testing::Values(CheckCase{"ptch", 10, false, 0, nullptr}, CheckCase{"ptch", 11, false, 2, nullptr},
                      CheckCase{"ptch", -5, false, 0, nullptr}, CheckCase{"Clam", 1, false, 0, nullptr},
                      CheckCase{"Clam", 2, false, 2, kNewer}, CheckCase{"ClaM", 99, false, 0, nullptr},
                      CheckCase{"osc3", 1000, false, 0, nullptr}, CheckCase{"cntl", 7, false, 0, nullptr},
                      CheckCase{"prst", 7, false, 0, nullptr}, CheckCase{"xyzw", 1, false, 1, nullptr},
                      CheckCase{"xyzw", 1, true, 1, "bad chunk type"}));

TEST_F(ChunkLayer, NoCheckInstalledRefusesEveryHeader) {
  fileSetChunkTypeCallback(nullptr);
  Bytes bytes = writeChunks(
      testTempPath("nocheck.bin"),
      [](FileSpec* f) {
        ChunkHeader h;
        chunkHeaderSet(&h, chunkId("Clam"), 0, 1);
        EXPECT_FALSE(fileWriteChunk(f, &h, nullptr));
      },
      false);
  EXPECT_TRUE(bytes.empty());
}

TEST_F(ChunkLayer, ChunkOf65535BytesIsReadAnd65536Refused) {
  for (std::uint32_t size : {65535u, 65536u}) {
    std::string path = testTempPath("big" + std::to_string(size) + ".bin");
    Bytes image(12 + size, 0x5A);
    std::uint32_t words[3] = {chunkId("tail"), size, 0};
    std::memcpy(image.data(), words, 12);
    writeFile(path, image);
    FileSpec f;
    fileSpecClear(&f);
    fileSpecSetPath(&f, path.c_str(), nullptr);
    ASSERT_TRUE(fileOpen(&f, fileAccessRead));
    ChunkHeader h;
    EXPECT_EQ(fileReadChunk(&f, &h), size <= 65535) << size;
    if (size == 65535) {
      EXPECT_EQ(h.size, 65535u);
      EXPECT_EQ(chunkBufferData()[65534], 0x5A);
    }
    fileClose(&f);
  }
}

TEST_F(ChunkLayer, SiblingWalkAndZeroSizeChunks) {
  std::string path = testTempPath("walk.bin");
  std::uint8_t data[5] = {9, 8, 7, 6, 5};
  writeChunks(path, [&](FileSpec* f) {
    ChunkHeader h;
    chunkHeaderSet(&h, chunkId("tail"), 0, 1);
    ASSERT_TRUE(fileWriteChunk(f, &h, nullptr));
    chunkHeaderSet(&h, chunkId("zzzz"), 5, 1);
    ASSERT_TRUE(fileWriteChunk(f, &h, data));
  });
  FileSpec f;
  ASSERT_TRUE(openAndReadFirst(&f, path));
  ChunkHeader h;
  ASSERT_TRUE(fileReadNextChunk(&f, &h));
  EXPECT_EQ(h.id, chunkId("tail"));
  EXPECT_EQ(chunkReader()->headerPos, 12u);
  ASSERT_TRUE(fileReadNextChunk(&f, &h));
  EXPECT_EQ(h.id, chunkId("zzzz"));
  EXPECT_EQ(h.size, 5u);
  EXPECT_EQ(h.version, 0u);  // a read chunk reports version 0
  EXPECT_EQ(std::memcmp(chunkBufferData(), data, 5), 0);
  EXPECT_TRUE(fileAtEnd(&f));
  EXPECT_FALSE(fileReadNextChunk(&f, &h));
  fileClose(&f);
}

TEST_F(ChunkLayer, TruncatedChunkAtTheEndFails) {
  std::string path = testTempPath("trunc.bin");
  std::uint8_t data[40] = {};
  Bytes bytes = writeChunks(path, [&](FileSpec* f) {
    ChunkHeader h;
    chunkHeaderSet(&h, chunkId("filt"), 40, 10);
    ASSERT_TRUE(fileWriteChunk(f, &h, data));
  });
  for (std::size_t cut : {std::size_t(1), std::size_t(39), std::size_t(45)}) {
    Bytes shortImage(bytes.begin(), bytes.end() - cut);
    writeFile(path, shortImage);
    FileSpec f;
    ASSERT_TRUE(openAndReadFirst(&f, path));
    ChunkHeader h;
    EXPECT_FALSE(fileReadNextChunk(&f, &h)) << "cut " << cut;
    fileClose(&f);
  }
}

TEST_F(ChunkLayer, BigEndianContainerSetsTheSwapFlagAndHeadersAreSwapped) {
  std::string path = testTempPath("be.bin");
  std::uint8_t data[8] = {0, 1, 0, 0, 0, 0, 0, 0};
  Bytes le = writeChunks(path, [&](FileSpec* f) {
    ChunkHeader h;
    chunkHeaderSet(&h, chunkId("tail"), 0, 1);
    ASSERT_TRUE(fileWriteChunk(f, &h, data));
  });
  // Big-endian: every header word reversed (the chunks carry no fields).
  Bytes be = le;
  for (std::size_t pos : {std::size_t(0), std::size_t(12)})
    for (int w = 0; w < 3; ++w) std::reverse(be.begin() + pos + 4 * w, be.begin() + pos + 4 * w + 4);
  EXPECT_EQ(std::string(be.begin(), be.begin() + 4), "Clam");
  writeFile(path, be);
  FileSpec f;
  ASSERT_TRUE(openAndReadFirst(&f, path));
  EXPECT_TRUE(swapEnabled());
  EXPECT_EQ(chunkReader()->header.id, chunkId("Clam"));
  ChunkHeader h;
  ASSERT_TRUE(fileReadNextChunk(&f, &h));
  EXPECT_EQ(h.id, chunkId("tail"));
  fileClose(&f);
  EXPECT_EQ(msgBoxCaptureCount(), 0u);

  // A little-endian file leaves the flag clear.
  writeFile(path, le);
  ASSERT_TRUE(openAndReadFirst(&f, path));
  EXPECT_FALSE(swapEnabled());
  fileClose(&f);
}

TEST_F(ChunkLayer, BigEndianIdBeforeTheContainerIsBadAndAReversedContainerOnlyTogglesOnce) {
  diagSetEnabled(true);
  std::uint32_t words[3] = {chunkId("ptch"), 0, 0};
  swap32(&words[0]);
  EXPECT_EQ(chunkHeaderCheck(words), 1);
  ASSERT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(msgBoxCaptureText(0), "bad chunk type");

  std::uint32_t container[3] = {chunkId("Clam"), 0, 0x01000000};  // big-endian version 1
  swap32(&container[0]);
  EXPECT_EQ(chunkHeaderCheck(container), 0);
  EXPECT_TRUE(swapEnabled());
  EXPECT_EQ(container[0], chunkId("Clam"));
  EXPECT_EQ(container[2], 1u);
  // With the flag set, a little-endian container id is no longer a container.
  std::uint32_t again[3] = {chunkId("Clam"), 0, 0};
  EXPECT_EQ(chunkHeaderCheck(again), 1);
  EXPECT_TRUE(swapEnabled());
  // A reversed "CLaM" is not recognised.
  swapReset();
  std::uint32_t odd[3] = {chunkId("CLaM"), 0, 0};
  swap32(&odd[0]);
  EXPECT_EQ(chunkHeaderCheck(odd), 1);
  EXPECT_FALSE(swapEnabled());
}

TEST_F(ChunkLayer, BigEndianContainerOfNewerVersionShowsTheMessage) {
  for (const char* id : {"Clam", "ClaM", "clam"}) {
    swapReset();
    std::uint32_t container[3] = {idOf(id), 0, 0x02000000};  // big-endian version 2
    swap32(&container[0]);
    EXPECT_EQ(chunkHeaderCheck(container), 2) << id;
    EXPECT_TRUE(swapEnabled());
  }
  ASSERT_EQ(msgBoxCaptureCount(), 3u);
  EXPECT_STREQ(msgBoxCaptureText(2), kNewer);
}

TEST_F(ChunkLayer, TransferSlotsAndLimit) {
  std::uint8_t buf[16];
  std::memset(buf, 0xEE, sizeof buf);
  std::uint32_t cursor = 0;
  std::uint8_t b = 0x11;
  std::int16_t s = 0x2233;
  double d = 1.5;
  EXPECT_TRUE(bufTransferInt8(buf, &b, &cursor, 65535, chunkWrite));
  EXPECT_TRUE(bufTransferInt16(buf, &s, &cursor, 65535, chunkWrite));
  EXPECT_TRUE(bufTransferDouble(buf, &d, &cursor, 65535, chunkWrite));
  EXPECT_EQ(cursor, 16u);
  const std::uint8_t expectHead[8] = {0x11, 0, 0, 0, 0x33, 0x22, 0, 0};  // padding written as zero
  EXPECT_EQ(std::memcmp(buf, expectHead, 8), 0);
  // A slot that would reach the limit fails and leaves field and cursor alone.
  cursor = 12;
  std::int32_t w = 7;
  EXPECT_FALSE(bufTransferInt32(buf, &w, &cursor, 16, chunkRead));
  EXPECT_EQ(cursor, 12u);
  EXPECT_EQ(w, 7);
  EXPECT_TRUE(bufTransferInt32(buf, &w, &cursor, 17, chunkRead));
}

TEST_F(ChunkLayer, SwapsReverseExactly) {
  std::uint16_t a = 0x1234;
  std::uint32_t b = 0x12345678;
  std::uint64_t c = 0x0123456789ABCDEFull;
  swap16(&a);
  swap32(&b);
  swap64(&c);
  EXPECT_EQ(a, 0x3412);
  EXPECT_EQ(b, 0x78563412u);
  EXPECT_EQ(c, 0xEFCDAB8967452301ull);
  // A reversed double may read as a NaN; its bits are kept.
  double nanBits;
  std::uint64_t bits = 0x000000000000F87Full;
  std::memcpy(&nanBits, &bits, 8);
  swap64(&nanBits);
  swap64(&nanBits);
  std::uint64_t back;
  std::memcpy(&back, &nanBits, 8);
  EXPECT_EQ(back, bits);
}

TEST_F(ChunkLayer, MissingArgumentsFail) {
  ChunkHeader h;
  EXPECT_FALSE(fileReadChunk(nullptr, &h));
  EXPECT_FALSE(fileWriteChunk(nullptr, &h, nullptr));
  EXPECT_TRUE(fileAtEnd(nullptr));
  EXPECT_EQ(fileGetSize(nullptr), 0u);
  FileSpec f;
  fileSpecClear(&f);
  fileSpecSetPath(&f, testTempPath("absent.bin").c_str(), "absent.bin");
  EXPECT_FALSE(fileOpen(&f, fileAccessRead));
  char name[8];
  fileGetName(&f, name, sizeof name);
  EXPECT_STREQ(name, "absent.");  // cut to the caller's buffer
  chunkHeaderSet(&h, chunkId("tail"), 4, 1);
  EXPECT_FALSE(fileWriteChunk(&f, &h, nullptr));
}

}  // namespace
}  // namespace chunklayertest
