// Memory streams, the byte-order reader and writer, and reading resources of the test program.
#include "GPBinaryStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(MemoryStream, ReadsStateByStateToTheEndAndPast) {
  uint8_t data[4] = {1, 2, 3, 4};
  uint8_t out[10] = {};
  MemoryStream s;
  EXPECT_FALSE(s.isOpen());
  EXPECT_EQ(s.tell(), -1);
  ASSERT_TRUE(s.open(1, data, 4));
  EXPECT_EQ(s.state(), kStreamOpen);

  EXPECT_EQ(s.read(out, 3), 3);
  EXPECT_EQ(s.state(), kStreamOpen);
  EXPECT_EQ(s.read(out + 3, 1), 1);
  EXPECT_EQ(s.state(), kStreamAtEnd);  // exactly at the end
  EXPECT_EQ(std::memcmp(out, data, 4), 0);

  s.seek(0, kSeekStart);
  EXPECT_EQ(s.state(), kStreamAtEnd);  // a seek does not leave state 2
  EXPECT_EQ(s.read(out, 10), 4);       // short read: what exists, then failed
  EXPECT_EQ(s.state(), kStreamFailed);
  EXPECT_EQ(s.read(out, 1), 0);  // a failed stream reads nothing
  EXPECT_EQ(s.tell(), 4);

  s.close();
  EXPECT_EQ(s.state(), kStreamClosed);
  EXPECT_EQ(s.read(out, 1), 0);
}

TEST(MemoryStream, SeekRulesAndRecovery) {
  uint8_t data[8] = {};
  struct Case {
    int32_t offset;
    int origin;
    int32_t position;  // after the seek
    int state;
  };
  const Case cases[] = {
      {8, kSeekStart, 8, kStreamOpen},    // to the capacity: allowed
      {9, kSeekStart, 0, kStreamFailed},  // past it: failed, position unchanged
      {-1, kSeekStart, 0, kStreamFailed}, {-3, kSeekEnd, 5, kStreamOpen}, {1, kSeekEnd, 0, kStreamFailed},
      {2, kSeekCurrent, 2, kStreamOpen},  {7, 9, 0, kStreamOpen},  // unknown origin: stays put
  };
  for (const Case& c : cases) {
    MemoryStream s;
    s.open(0, data, 8);
    s.seek(c.offset, c.origin);
    EXPECT_EQ(s.tell(), c.position) << c.offset << " " << c.origin;
    EXPECT_EQ(s.state(), c.state) << c.offset << " " << c.origin;
  }

  MemoryStream s;
  s.open(0, data, 8);
  s.seek(20, kSeekStart);
  ASSERT_EQ(s.state(), kStreamFailed);
  s.seek(1, kSeekCurrent);  // from the current position: nothing on a failed stream
  EXPECT_EQ(s.state(), kStreamFailed);
  EXPECT_EQ(s.tell(), 0);
  s.seek(3, kSeekStart);  // from the start with a valid target: usable again
  EXPECT_EQ(s.state(), kStreamOpen);
  EXPECT_EQ(s.tell(), 3);
}

TEST(MemoryStream, WritePastTheCapacityWritesWhatFits) {
  uint8_t data[5] = {9, 9, 9, 9, 9};
  const uint8_t in[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  MemoryStream s;
  s.open(0, data, 4);  // the fifth byte lies outside the stream
  EXPECT_EQ(s.write(in, 8), 4);
  EXPECT_EQ(s.state(), kStreamFailed);
  EXPECT_EQ(data[3], 4);
  EXPECT_EQ(data[4], 9);
}

// Writes a record and reads it back in either byte order.
class BinaryStreamOrder : public ::testing::TestWithParam<int> {};

TEST_P(BinaryStreamOrder, RoundTrip) {
  const int order = GetParam();
  std::vector<uint8_t> buffer(64, 0xEE);
  MemoryStream s;
  s.open(0, buffer.data(), int32_t(buffer.size()));
  BinaryStream w(&s);
  w.setByteOrder(order);
  EXPECT_EQ(w.writeU32(0x01020304u), 4);
  EXPECT_EQ(w.writeU32(0xFFFFFFFEu), 4);
  EXPECT_EQ(w.writeU8(0x80), 1);
  EXPECT_EQ(w.writeBool(true), 1);
  EXPECT_EQ(w.writeBool(false), 1);
  EXPECT_EQ(w.writeString("Selector"), 12);
  EXPECT_EQ(w.writeString(""), 4);
  float f = -1.5f;
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  w.writeU32(bits);
  const int32_t written = s.tell();

  // The byte order shows in the data.
  if (order == 1)
    EXPECT_EQ(buffer[0], 0x04);
  else
    EXPECT_EQ(buffer[0], 0x01);

  MemoryStream in;
  in.open(1, buffer.data(), written);
  BinaryStream r(&in);
  r.setByteOrder(order);
  EXPECT_EQ(r.readU32(), 0x01020304u);
  EXPECT_EQ(r.readInt32(), -2);
  EXPECT_EQ(r.readInt8(), -128);
  EXPECT_EQ(r.readU8(), 1);
  EXPECT_EQ(r.readU8(), 0);
  EXPECT_EQ(r.readString(), "Selector");
  EXPECT_EQ(r.readString(), "");
  EXPECT_TRUE(r.isGood());
  EXPECT_EQ(r.readFloat(), -1.5f);
  EXPECT_EQ(in.state(), kStreamAtEnd);
  EXPECT_FALSE(r.isGood());
}

INSTANTIATE_TEST_SUITE_P(BothOrders, BinaryStreamOrder, ::testing::Values(1, 0));

TEST(BinaryStream, ReadersFollowTheFlag) {
  uint8_t data[] = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF};
  struct Case {
    int flag;
    uint32_t u32;
    uint16_t u16;
  };
  for (const Case& c : {Case{1, 0x04030201u, 0x0201}, Case{0, 0x01020304u, 0x0102}, Case{2, 0x01020304u, 0x0102}}) {
    MemoryStream s;
    s.open(1, data, 6);
    BinaryStream r(&s);
    r.setByteOrder(c.flag);
    EXPECT_EQ(r.readU32(), c.u32);
    s.seek(0, kSeekStart);
    EXPECT_EQ(r.readU16(), c.u16);
  }
  MemoryStream s;
  s.open(1, data + 4, 2);
  BinaryStream r(&s);
  EXPECT_EQ(r.readInt8(), -1);
  EXPECT_EQ(r.readU8(), 255);
}

TEST(BinaryStream, EmptyStringIsOnlyTheLength) {
  uint8_t data[8];
  std::memset(data, 0xAA, sizeof data);
  MemoryStream s;
  s.open(0, data, 8);
  BinaryStream w(&s);
  w.writeString("");
  EXPECT_EQ(s.tell(), 4);
  EXPECT_EQ(data[0] | data[1] | data[2] | data[3], 0);
  EXPECT_EQ(data[4], 0xAA);
}

TEST(BinaryStream, ReadPastTheEndFailsTheStream) {
  uint8_t data[3] = {1, 2, 3};
  MemoryStream s;
  s.open(1, data, 3);
  BinaryStream r(&s);
  r.readU32();
  EXPECT_EQ(s.state(), kStreamFailed);
  EXPECT_FALSE(r.isGood());
  EXPECT_EQ(r.readU32(), 0u);  // nothing more is delivered
}

// Lengths taken from the data cannot make the reader allocate more than the data holds.
TEST(BinaryStream, CorruptStringLengthsFailCleanly) {
  const uint32_t lengths[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x40000000u, 100u, 5u};
  for (int order : {1, 0}) {
    for (uint32_t length : lengths) {
      uint8_t data[8];
      MemoryStream s;
      s.open(0, data, 8);
      BinaryStream w(&s);
      w.setByteOrder(order);
      w.writeU32(length);
      w.writeU32(0x41424344u);  // four characters follow, not `length`

      MemoryStream in;
      in.open(1, data, 8);
      BinaryStream r(&in);
      r.setByteOrder(order);
      EXPECT_EQ(r.readString(), "") << length;
      EXPECT_EQ(in.state(), kStreamFailed) << length;
    }
  }
}

TEST(BinaryStream, ByteStringIsTerminatedAndBoundedByTheData) {
  uint8_t data[] = {3, 'a', 'b', 'c', 200, 'x'};
  MemoryStream s;
  s.open(1, data, sizeof data);
  BinaryStream r(&s);
  char* text = r.readByteString();
  EXPECT_STREQ(text, "abc");
  delete[] text;
  text = r.readByteString();  // says 200, holds 1
  EXPECT_STREQ(text, "x");
  EXPECT_EQ(s.state(), kStreamFailed);
  delete[] text;
}

// The test program carries no resources of this type: the reader stays closed.
TEST(ResourceReader, MissingResourceLeavesItClosed) {
  ResourceReader reader;
  EXPECT_FALSE(reader.open(GetModuleHandleA(nullptr), 4711, "FRM"));
  EXPECT_FALSE(reader.filter().isOpen());
  EXPECT_EQ(reader.filter().tell(), -1);
  EXPECT_EQ(reader.readU32(), 0u);
  EXPECT_EQ(reader.filter().state(), kStreamClosed);
}

// A resource found in a system module: the manifest or version resource of kernel32 is read whole.
TEST(ResourceReader, ReadsAResourceOfAModule) {
  HMODULE module = GetModuleHandleA("kernel32.dll");
  ASSERT_NE(module, nullptr);
  HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));  // RT_VERSION
  if (!info) GTEST_SKIP() << "kernel32 has no version resource here";
  const DWORD size = SizeofResource(module, info);
  const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, info)));

  ResourceReader reader;
  ASSERT_TRUE(reader.open(module, 1, MAKEINTRESOURCEA(16)));
  EXPECT_EQ(reader.filter().mode(), 1);
  // VS_VERSIONINFO begins with its u16 length.
  EXPECT_EQ(reader.readU16(), uint16_t(bytes[0] | (bytes[1] << 8)));
  std::vector<uint8_t> rest(size - 2);
  EXPECT_EQ(reader.readBytes(rest.data(), int32_t(rest.size())), int32_t(rest.size()));
  EXPECT_EQ(std::memcmp(rest.data(), bytes + 2, rest.size()), 0);
  EXPECT_EQ(reader.filter().state(), kStreamAtEnd);
  // Resource data is read-only: writing is refused rather than faulting.
  EXPECT_EQ(reader.writeU32(1), 0);
  reader.filter().seek(0, kSeekStart);
  EXPECT_EQ(reader.filter().tell(), 0);
}

}  // namespace
