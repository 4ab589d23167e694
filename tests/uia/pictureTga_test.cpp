// Picture::readTga: 16, 24 and 32-bit images built byte by byte here, row order, alpha detection,
// byte order, and damaged or unsupported files (refused, the picture left as it was, nothing read
// beyond the data).
#include "UIAPicture.h"

#include "GPBinaryStream.h"
#include "GPStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct Tga {
  uint8_t idLength = 0, colourMapType = 0, imageType = 2;
  uint16_t mapFirst = 0, mapLength = 0;
  uint8_t mapEntry = 0;
  uint16_t width = 0, height = 0;
  uint8_t depth = 32, descriptor = 0x20;
  std::vector<uint8_t> id, body;

  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> b;
    auto u16 = [&](uint16_t v) {
      b.push_back(uint8_t(v));
      b.push_back(uint8_t(v >> 8));
    };
    b.push_back(idLength);
    b.push_back(colourMapType);
    b.push_back(imageType);
    u16(mapFirst);
    u16(mapLength);
    b.push_back(mapEntry);
    u16(0);
    u16(0);
    u16(width);
    u16(height);
    b.push_back(depth);
    b.push_back(descriptor);
    b.insert(b.end(), id.begin(), id.end());
    b.insert(b.end(), body.begin(), body.end());
    return b;
  }
};

// Reads a TGA from exactly its bytes (a heap block of that size, so a read past it would be a fault
// the stream itself refuses) and reports where the stream stopped.
bool readFrom(Picture& p, std::vector<uint8_t> data, bool detect, int order = 1, int32_t* stoppedAt = nullptr) {
  MemoryStream ms;
  ms.open(1, data.data(), int32_t(data.size()));
  BinaryStream in(&ms);
  in.setByteOrder(order);
  const bool ok = p.readTga(in, detect);
  if (stoppedAt) *stoppedAt = ms.tell();
  return ok;
}

void push32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

TEST(PictureTga, ThirtyTwoBitsBottomUpIsFlipped) {
  Tga t;
  t.width = 3;
  t.height = 2;
  t.descriptor = 0;  // bottom-up: the first stored row is the bottom one
  const uint32_t bottom[3] = {0xFF000001, 0xFF000002, 0xFF000003};
  const uint32_t top[3] = {0xFF0000A1, 0x800000A2, 0xFF0000A3};
  for (uint32_t v : bottom) push32(t.body, v);
  for (uint32_t v : top) push32(t.body, v);
  Picture p;
  ASSERT_TRUE(readFrom(p, t.bytes(), true));
  ASSERT_EQ(p.width(), 3u);
  ASSERT_EQ(p.height(), 2u);
  for (uint32_t x = 0; x < 3; ++x) {
    EXPECT_EQ(p.pixel(x, 0), top[x]);
    EXPECT_EQ(p.pixel(x, 1), bottom[x]);
  }
  EXPECT_TRUE(p.hasAlpha());  // the 0x80 pixel

  // Top-down and all opaque: stored order, no alpha.
  t.descriptor = 0x20;
  t.body.clear();
  for (uint32_t v : bottom) push32(t.body, v);
  for (uint32_t v : bottom) push32(t.body, v | 0x100);
  ASSERT_TRUE(readFrom(p, t.bytes(), true));
  EXPECT_EQ(p.pixel(0, 0), 0xFF000001u);
  EXPECT_EQ(p.pixel(2, 1), 0xFF000103u);
  EXPECT_FALSE(p.hasAlpha());
}

TEST(PictureTga, TwentyFourBitsAreOpaque) {
  Tga t;
  t.width = 2;
  t.height = 3;  // odd height: the middle row stays
  t.depth = 24;
  t.descriptor = 0;
  const uint8_t rows[3][6] = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {13, 14, 15, 16, 17, 18}};  // B G R
  for (const auto& r : rows) t.body.insert(t.body.end(), r, r + 6);
  Picture p;
  p.setHasAlpha(true);
  ASSERT_TRUE(readFrom(p, t.bytes(), true));
  EXPECT_FALSE(p.hasAlpha());
  EXPECT_EQ(p.pixel(0, 2), 0xFF030201u);  // stored first, shown last
  EXPECT_EQ(p.pixel(1, 2), 0xFF060504u);
  EXPECT_EQ(p.pixel(0, 1), 0xFF090807u);
  EXPECT_EQ(p.pixel(1, 0), 0xFF121110u);
}

TEST(PictureTga, SixteenBitZeroIsTransparent) {
  Tga t;
  t.width = 4;
  t.height = 1;
  t.depth = 16;
  const uint16_t words[4] = {0x7C00, 0x03E0, 0x001F, 0x0000};
  for (uint16_t w : words) {
    t.body.push_back(uint8_t(w));
    t.body.push_back(uint8_t(w >> 8));
  }
  Picture p;
  ASSERT_TRUE(readFrom(p, t.bytes(), true));
  EXPECT_EQ(p.pixel(0, 0), 0xFFF80000u);
  EXPECT_EQ(p.pixel(1, 0), 0xFF00F800u);
  EXPECT_EQ(p.pixel(2, 0), 0xFF0000F8u);
  EXPECT_EQ(p.pixel(3, 0), 0u);
  EXPECT_TRUE(p.hasAlpha());

  // Without detection the flag is left alone; the zero word is still transparent.
  Picture q;
  ASSERT_TRUE(readFrom(q, t.bytes(), false));
  EXPECT_FALSE(q.hasAlpha());
  EXPECT_EQ(q.pixel(3, 0), 0u);

  // A stream of the other byte order swaps each word: 0x007C becomes 0x7C00.
  Tga s = t;
  s.width = 1;
  s.body = {0x7C, 0x00};
  std::vector<uint8_t> bytes = s.bytes();
  bytes[12] = 0;  // header words are swapped too: width 0x0100 read back as 1
  bytes[13] = 1;
  bytes[14] = 0;
  bytes[15] = 1;
  Picture r;
  ASSERT_TRUE(readFrom(r, bytes, false, 2));
  ASSERT_EQ(r.width(), 1u);
  EXPECT_EQ(r.pixel(0, 0), 0xFFF80000u);
}

TEST(PictureTga, AnIdFieldIsSkipped) {
  Tga t;
  t.width = 1;
  t.height = 1;
  t.idLength = 5;
  t.id = {'h', 'e', 'l', 'l', 'o'};
  push32(t.body, 0xFF123456);
  Picture p;
  ASSERT_TRUE(readFrom(p, t.bytes(), false));
  EXPECT_EQ(p.pixel(0, 0), 0xFF123456u);
}

// Each damaged or unsupported image: refused, the picture as it was, the stream never past its data.
TEST(PictureTga, BadImagesAreRefused) {
  auto base = [] {
    Tga t;
    t.width = 2;
    t.height = 2;
    for (int i = 0; i < 4; ++i) push32(t.body, 0xFF00FF00);
    return t;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  {
    Tga t = base();
    t.body.resize(15);  // one byte short
    cases.push_back({"truncated body", t.bytes()});
  }
  {
    Tga t = base();
    t.body.clear();
    cases.push_back({"no body", t.bytes()});
  }
  {
    std::vector<uint8_t> b = base().bytes();
    b.resize(10);
    cases.push_back({"truncated header", b});
  }
  {
    Tga t = base();
    t.idLength = 200;
    t.id.assign(20, 'x');  // the ID field runs past the end
    t.body.clear();
    cases.push_back({"truncated ID field", t.bytes()});
  }
  {
    Tga t = base();
    t.colourMapType = 1;
    t.imageType = 1;
    t.mapLength = 2;
    t.mapEntry = 24;
    t.depth = 8;
    t.body.assign(6 + 4, 0);
    cases.push_back({"colour-mapped", t.bytes()});
  }
  {
    Tga t = base();
    t.colourMapType = 1;  // a colour map with a true-colour type
    t.mapLength = 2;
    t.mapEntry = 24;
    cases.push_back({"colour map present", t.bytes()});
  }
  {
    Tga t = base();
    t.depth = 8;
    t.body.resize(4);
    cases.push_back({"depth 8", t.bytes()});
  }
  {
    Tga t = base();
    t.depth = 15;
    cases.push_back({"depth 15", t.bytes()});
  }
  {
    Tga t = base();
    t.imageType = 10;  // run-length encoded true colour
    t.body = {0x83, 0x00, 0xFF, 0x00, 0xFF};
    cases.push_back({"RLE", t.bytes()});
  }
  {
    Tga t = base();
    t.imageType = 3;  // grey
    cases.push_back({"grey", t.bytes()});
  }
  {
    Tga t = base();
    t.width = 65535;
    t.height = 65535;  // 17 GB of pixels declared, 16 bytes present
    cases.push_back({"width x height beyond memory", t.bytes()});
  }
  for (const Case& c : cases) {
    Picture p;
    ASSERT_TRUE(p.setSize(3, 3, false));
    for (int i = 0; i < 9; ++i) p.pixels()[i] = 0xFFABCDEF;
    const uint32_t* before = p.pixels();
    int32_t stopped = -1;
    EXPECT_FALSE(readFrom(p, c.bytes, true, 1, &stopped)) << c.what;
    EXPECT_LE(stopped, int32_t(c.bytes.size())) << c.what;
    EXPECT_EQ(p.width(), 3u) << c.what;
    EXPECT_EQ(p.height(), 3u) << c.what;
    EXPECT_EQ(p.pixels(), before) << c.what;
    EXPECT_EQ(p.pixel(2, 2), 0xFFABCDEFu) << c.what;
    EXPECT_FALSE(p.hasAlpha()) << c.what;
  }
}

// A stream that cannot tell its length: the data is still read only as far as it goes.
TEST(PictureTga, ShortDataOnAStreamWithoutLength) {
  class NoLengthStream : public MemoryStream {
   public:
    int32_t tell() const override { return -1; }
  };
  Tga t;
  t.width = 1000;
  t.height = 1000;
  push32(t.body, 0xFF000000);
  std::vector<uint8_t> data = t.bytes();
  NoLengthStream ms;
  ms.open(1, data.data(), int32_t(data.size()));
  BinaryStream in(&ms);
  Picture p;
  EXPECT_FALSE(p.readTga(in, false));
  EXPECT_EQ(p.width(), 0u);
  EXPECT_EQ(p.pixels(), nullptr);
}
