// Picture, pixel-exact: the fill and copy blends, clipping and origin, frames and nine-part frames,
// buffer sizes, the PictureFormat record, and the kernels of every processor variant against the
// portable ones.
#include "UIADriveLetter.h"
#include "UIAPicture.h"

#include "GPBinaryStream.h"
#include "GPStream.h"
#include "GPSystemInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <windows.h>

namespace {

// A picture of the given size with every pixel set to `colour`.
void makeSolid(Picture& p, uint32_t w, uint32_t h, uint32_t colour) {
  ASSERT_TRUE(p.setSize(w, h, false));
  for (uint32_t i = 0; i < w * h; ++i) p.pixels()[i] = colour;
}

// Pixel (x, y) encoded into its own value, opaque, so that a copied pixel tells where it came from.
uint32_t coordColour(uint32_t x, uint32_t y, uint32_t tag = 0) { return 0xFF000000u | (tag << 16) | (y << 8) | x; }

void makeCoords(Picture& p, uint32_t w, uint32_t h, uint32_t tag = 0) {
  ASSERT_TRUE(p.setSize(w, h, false));
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) p.pixels()[y * w + x] = coordColour(x, y, tag);
}

// The kernel variants this processor can run (0 always; 2 and 3 need SSE2, which the build assumes).
std::vector<int> variants() { return {0, 1, 2, 3}; }

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Blends: one table of hand-computed words, for every kernel variant.

struct BlendCase {
  const char* what;
  bool copy;  // false: fill with `colour`; true: copy of a 1-pixel has-alpha source `colour`
  uint32_t dest;
  uint32_t colour;
  uint32_t expected;
};

TEST(Picture, FillAndCopyBlendsAreExactForEveryVariant) {
  const BlendCase cases[] = {
      // fill: weights 256 - a and a; alpha byte 0 unless opaque
      {"fill a=0 leaves the pixel", false, 0xFF123456, 0x00FFFFFF, 0xFF123456},
      {"fill a=255 stores the colour", false, 0xFF123456, 0xFFABCDEF, 0xFFABCDEF},
      {"fill a=128 black over white", false, 0xFFFFFFFF, 0x80000000, 0x007F7F7F},
      {"fill a=128 white over black", false, 0xFF000000, 0x80FFFFFF, 0x007F7F7F},
      {"fill a=128 mixed", false, 0xFF204080, 0x80C06010, 0x00705048},
      {"fill a=64 white over black", false, 0xFF000000, 0x40FFFFFF, 0x003F3F3F},
      {"fill a=1 white over black", false, 0xFF000000, 0x01FFFFFF, 0x00000000},
      {"fill a=254 white over black", false, 0xFF000000, 0xFEFFFFFF, 0x00FDFDFD},
      // copy: weights 255 - a and a; a=255 copies alpha too, a=0 leaves the destination
      {"copy a=0 leaves the pixel", true, 0xFF123456, 0x00FFFFFF, 0xFF123456},
      {"copy a=255 copies the word", true, 0xFF123456, 0xFFABCDEF, 0xFFABCDEF},
      {"copy a=128 black over white", true, 0xFFFFFFFF, 0x80000000, 0x007E7E7E},
      {"copy a=128 white over black", true, 0xFF000000, 0x80FFFFFF, 0x007F7F7F},
      {"copy a=128 mixed", true, 0xFF204080, 0x80C06010, 0x006F4F47},
      {"copy a=1 white over white", true, 0xFFFFFFFF, 0x01FFFFFF, 0x00FEFEFE},
  };
  for (int v : variants()) {
    for (const BlendCase& c : cases) {
      // 13 x 3 areas reach both the four-pixel paths and the tails of the processor kernels.
      Picture dest, src;
      makeSolid(dest, 13, 3, c.dest);
      makeSolid(src, 13, 3, c.colour);
      src.setHasAlpha(true);
      if (c.copy)
        uiaPictureCopyRoutine(v)(dest.pixels(), 13, 0, 0, 13, 3, src, 0, 0);
      else
        uiaPictureFillRoutine(v)(dest.pixels(), 13, 0, 0, 13, 3, c.colour);
      for (uint32_t i = 0; i < 39; ++i)
        ASSERT_EQ(dest.pixels()[i], c.expected) << c.what << ", variant " << v << ", pixel " << i;
    }
  }
}

TEST(Picture, CopyWithoutHasAlphaCopiesAlphaBytes) {
  Picture dest, src;
  makeSolid(dest, 4, 4, 0xFFFFFFFF);
  makeSolid(src, 4, 4, 0x00112233);  // fully transparent words, but the flag is clear
  dest.copyArea(0, 0, 4, 4, src, 0, 0);
  EXPECT_EQ(dest.pixel(3, 3), 0x00112233u);
  src.setHasAlpha(true);
  makeSolid(dest, 4, 4, 0xFFFFFFFF);
  dest.copyArea(0, 0, 4, 4, src, 0, 0);
  EXPECT_EQ(dest.pixel(3, 3), 0xFFFFFFFFu);
}

// Random pixels, sizes and alphas: every processor variant gives the portable routine's words.
TEST(Picture, ProcessorVariantsMatchThePortableKernels) {
  std::mt19937 rng(24);
  for (int round = 0; round < 200; ++round) {
    const uint32_t w = 1 + rng() % 37, h = 1 + rng() % 9;
    Picture base, src;
    ASSERT_TRUE(base.setSize(w, h, false));
    ASSERT_TRUE(src.setSize(w, h, false));
    for (uint32_t i = 0; i < w * h; ++i) {
      base.pixels()[i] = rng();
      const uint32_t pick = rng() % 4;  // many opaque and clear pixels, as in real images
      const uint32_t alpha = pick == 0 ? 0 : pick == 1 ? 255 : rng() % 256;
      src.pixels()[i] = (rng() & 0xFFFFFF) | (alpha << 24);
    }
    src.setHasAlpha(true);
    const int32_t x = int32_t(rng() % w), y = int32_t(rng() % h);
    const int32_t aw = 1 + int32_t(rng() % (w - x)), ah = 1 + int32_t(rng() % (h - y));
    const uint32_t colour = rng();
    std::vector<uint32_t> fillRef, copyRef;
    for (int v : variants()) {
      Picture a, b;
      ASSERT_TRUE(a.setSize(w, h, false));
      ASSERT_TRUE(b.setSize(w, h, false));
      std::memcpy(a.pixels(), base.pixels(), w * h * 4);
      std::memcpy(b.pixels(), base.pixels(), w * h * 4);
      uiaPictureFillRoutine(v)(a.pixels(), w, x, y, aw, ah, colour);
      uiaPictureCopyRoutine(v)(b.pixels(), w, x, y, aw, ah, src, 0, 0);
      std::vector<uint32_t> fa(a.pixels(), a.pixels() + w * h), cb(b.pixels(), b.pixels() + w * h);
      if (v == 0) {
        fillRef = fa;
        copyRef = cb;
      } else {
        ASSERT_EQ(fa, fillRef) << "fill, variant " << v << ", round " << round;
        ASSERT_EQ(cb, copyRef) << "copy, variant " << v << ", round " << round;
      }
    }
  }
}

TEST(Picture, VariantChoiceFollowsTheFeatureBits) {
  EXPECT_EQ(uiaPictureVariantFor(0), 0);
  EXPECT_EQ(uiaPictureVariantFor(GP_FEATURE_MMX), 1);
  EXPECT_EQ(uiaPictureVariantFor(GP_FEATURE_SSE), 0);
  EXPECT_EQ(uiaPictureVariantFor(GP_FEATURE_MMX | GP_FEATURE_SSE), 2);
  EXPECT_EQ(uiaPictureVariantFor(GP_FEATURE_MMX | GP_FEATURE_SSE | GP_FEATURE_SSE_FAMILY15), 3);
  EXPECT_EQ(uiaPictureVariantFor(GP_FEATURE_MMX | GP_FEATURE_SSE_FAMILY15), 1);
}

// ---------------------------------------------------------------------------------------------------
// Clip and origin

TEST(Picture, ClipRectLimitsFillsAndLines) {
  Picture p;
  makeSolid(p, 10, 8, 0xFF000000);
  p.setClipRect(RegionRect{2, 1, 6, 5});
  p.fillArea(0, 0, 10, 8, 0xFFFF0000);
  p.drawHorizontalLine(-5, 6, 30, 0xFF00FF00);  // below the clip: nothing
  p.drawVerticalLine(5, -3, 30, 0xFF0000FF);    // x 5 is inside: rows 1..4
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 10; ++x) {
      uint32_t want = 0xFF000000;
      if (x >= 2 && x < 6 && y >= 1 && y < 5) want = x == 5 ? 0xFF0000FF : 0xFFFF0000;
      ASSERT_EQ(p.pixel(x, y), want) << x << "," << y;
    }
}

TEST(Picture, ClipRectOutsideThePictureDrawsNothing) {
  Picture p, src;
  makeSolid(p, 8, 8, 0xFF445566);
  makeSolid(src, 8, 8, 0xFFFFFFFF);
  p.setClipRect(RegionRect{20, 20, 40, 40});
  EXPECT_TRUE(p.hasClip());
  EXPECT_TRUE(p.clip().isEmpty());
  EXPECT_EQ(p.clip().x1, 0);
  EXPECT_EQ(p.clip().x2, 0);
  p.fillArea(0, 0, 8, 8, 0xFFFF0000);
  p.copyArea(0, 0, 8, 8, src, 0, 0);
  p.drawHorizontalLine(0, 0, 8, 0xFFFF0000);
  p.drawVerticalLine(0, 0, 8, 0xFFFF0000);
  p.drawFrame(0, 0, src, 0, nullptr);
  RegionRect whole{0, 0, 8, 8};
  p.drawTiledFrame(whole, src, 0, nullptr);
  for (uint32_t i = 0; i < 64; ++i) ASSERT_EQ(p.pixels()[i], 0xFF445566u);
  // An empty rectangle given as clip is the same.
  p.setClipRect(RegionRect{3, 3, 3, 9});
  EXPECT_TRUE(p.clip().isEmpty());
}

TEST(Picture, SetOriginMovesDrawingAndKeepsTheClipOnItsPixels) {
  Picture p;
  makeSolid(p, 12, 10, 0);
  p.setClipRect(RegionRect{2, 2, 8, 6});  // pixels 2..7 x 2..5
  p.setOrigin(3, 1);
  // The clip keeps covering the same pixels: in drawing coordinates it moved by (-3, -1).
  EXPECT_EQ(p.clip().x1, -1);
  EXPECT_EQ(p.clip().y1, 1);
  EXPECT_EQ(p.clip().x2, 5);
  EXPECT_EQ(p.clip().y2, 5);
  p.fillArea(-10, -10, 100, 100, 0xFF00FF00);
  for (uint32_t y = 0; y < 10; ++y)
    for (uint32_t x = 0; x < 12; ++x)
      ASSERT_EQ(p.pixel(x, y), (x >= 2 && x < 8 && y >= 2 && y < 6) ? 0xFF00FF00u : 0u) << x << "," << y;
  // Point (0, 0) is pixel (3, 1); without a clip a fill lands there.
  p.resetClip();
  p.fillArea(0, 0, 1, 1, 0xFFFFFFFF);
  EXPECT_EQ(p.pixel(3, 1), 0xFFFFFFFFu);
  // A new clip is cut to the picture's bounds in drawing coordinates.
  p.setClipRect(RegionRect{-50, -50, 50, 50});
  EXPECT_EQ(p.clip().x1, -3);
  EXPECT_EQ(p.clip().y1, -1);
  EXPECT_EQ(p.clip().x2, 9);
  EXPECT_EQ(p.clip().y2, 9);
}

TEST(Picture, ClipRectReportsTheMovedEdgesInTheGivenOrientation) {
  Picture p;
  makeSolid(p, 20, 20, 0);
  p.setClipRect(RegionRect{5, 4, 15, 14});
  struct Case {
    RegionRect in;
    bool ok;
    RegionRect out;
    int32_t dx, dy;
  } cases[] = {
      {{0, 0, 10, 10}, true, {5, 4, 10, 10}, -5, -4}, {{6, 6, 8, 8}, true, {6, 6, 8, 8}, 0, 0},
      {{10, 10, 0, 0}, true, {10, 10, 5, 4}, -5, -4},  // reversed: comes back reversed
      {{15, 0, 20, 20}, false, {0, 0, 0, 0}, 0, 0},   {{7, 7, 7, 9}, false, {0, 0, 0, 0}, 0, 0},
  };
  for (const Case& c : cases) {
    RegionRect r = c.in;
    int32_t dx = 99, dy = 99;
    EXPECT_EQ(p.clipRect(r, &dx, &dy), c.ok);
    EXPECT_EQ(r.x1, c.out.x1);
    EXPECT_EQ(r.y1, c.out.y1);
    EXPECT_EQ(r.x2, c.out.x2);
    EXPECT_EQ(r.y2, c.out.y2);
    if (c.ok) {
      EXPECT_EQ(dx, c.dx);
      EXPECT_EQ(dy, c.dy);
    }
  }
}

TEST(Picture, ClippedCopyStartsFurtherIntoTheSource) {
  Picture dest, src;
  makeSolid(dest, 10, 10, 0);
  makeCoords(src, 10, 10);
  dest.setClipRect(RegionRect{3, 2, 10, 10});
  dest.copyArea(0, 0, 6, 5, src, 1, 1);  // loses its left 3 columns and top 2 rows
  for (uint32_t y = 0; y < 10; ++y)
    for (uint32_t x = 0; x < 10; ++x) {
      const bool in = x >= 3 && x < 6 && y >= 2 && y < 5;
      ASSERT_EQ(dest.pixel(x, y), in ? coordColour(x + 1, y + 1) : 0u) << x << "," << y;
    }
}

// A source area that leaves the source copies only the part inside it, to the matching place.
TEST(Picture, CopiesAreCutToTheSource) {
  struct Case {
    int32_t x, y, w, h, sx, sy;
  } cases[] = {
      {0, 0, 10, 10, -2, -3},  // starts above and left of the source
      {1, 1, 9, 9, 2, 1},      // runs past its right and bottom
      {0, 0, 10, 10, 4, 4},    // past both ends
      {0, 0, 3, 3, 10, 0},     // wholly right of it: nothing
      {0, 0, 3, 3, -3, 0},     // wholly left of it: nothing
  };
  for (const Case& c : cases) {
    for (bool clipped : {false, true}) {
      Picture dest, src;
      makeSolid(dest, 12, 12, 0);
      makeCoords(src, 4, 4);
      if (clipped) dest.setClipRect(RegionRect{0, 0, 12, 12});
      dest.copyArea(c.x, c.y, c.w, c.h, src, c.sx, c.sy);
      for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x) {
          const int32_t u = c.sx + (x - c.x), v = c.sy + (y - c.y);
          const bool in = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h && u >= 0 && u < 4 && v >= 0 && v < 4;
          ASSERT_EQ(dest.pixel(uint32_t(x), uint32_t(y)), in ? coordColour(uint32_t(u), uint32_t(v)) : 0u)
              << "case " << c.x << "," << c.y << "," << c.sx << "," << c.sy << " at " << x << "," << y;
        }
    }
  }
}

TEST(Picture, UnclippedOperationsStayInsideThePicture) {
  Picture p, src;
  makeSolid(p, 6, 6, 0);
  makeSolid(src, 6, 6, 0xFFFFFFFF);
  p.fillAreaUC(-100, -100, 103, 103, 0xFF00FF00);  // only pixels 0..2 x 0..2
  p.copyAreaUC(4, 4, 1000, 1000, src, 0, 0);       // only 4..5 x 4..5
  for (uint32_t y = 0; y < 6; ++y)
    for (uint32_t x = 0; x < 6; ++x) {
      uint32_t want = 0;
      if (x < 3 && y < 3) want = 0xFF00FF00;
      if (x >= 4 && y >= 4) want = 0xFFFFFFFF;
      ASSERT_EQ(p.pixel(x, y), want);
    }
}

TEST(Picture, CopyWithinOnePictureOverlapping) {
  for (bool alpha : {false, true}) {
    Picture p;
    makeCoords(p, 8, 8);
    p.setHasAlpha(alpha);  // opaque pixels: the blend copies them unchanged
    p.copyArea(2, 1, 5, 6, p, 0, 0);
    for (uint32_t y = 1; y < 7; ++y)
      for (uint32_t x = 2; x < 7; ++x) ASSERT_EQ(p.pixel(x, y), coordColour(x - 2, y - 1)) << alpha;
    makeCoords(p, 8, 8);
    p.setHasAlpha(alpha);
    p.copyArea(0, 0, 5, 6, p, 2, 1);
    for (uint32_t y = 0; y < 6; ++y)
      for (uint32_t x = 0; x < 5; ++x) ASSERT_EQ(p.pixel(x, y), coordColour(x + 2, y + 1)) << alpha;
  }
}

// ---------------------------------------------------------------------------------------------------
// Frames

TEST(Picture, DrawFrameClampsTheFrameIndex) {
  // Three vertical frames of 4 x 3, each filled with its own colour.
  Picture strip;
  ASSERT_TRUE(strip.setSize(4, 9, false));
  const uint32_t colours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
  for (uint32_t i = 0; i < 36; ++i) strip.pixels()[i] = colours[i / 12];
  strip.setFrameCount(3);
  EXPECT_EQ(strip.frameWidth(), 4u);
  EXPECT_EQ(strip.frameHeight(), 3u);

  struct Case {
    uint32_t n;
    uint32_t colour;
  } cases[] = {{0, colours[0]}, {1, colours[1]}, {2, colours[2]}, {3, colours[2]}, {1000, colours[2]}};
  for (const Case& c : cases) {
    Picture dest;
    makeSolid(dest, 6, 6, 0);
    dest.drawFrame(1, 2, strip, c.n, nullptr);
    for (uint32_t y = 0; y < 6; ++y)
      for (uint32_t x = 0; x < 6; ++x) {
        const bool in = x >= 1 && x < 5 && y >= 2 && y < 5;
        ASSERT_EQ(dest.pixel(x, y), in ? c.colour : 0u) << "frame " << c.n;
      }
  }

  // Side by side, with a source rectangle inside the frame.
  Picture row;
  makeCoords(row, 9, 2);
  row.setHorizontalFrames(true);
  row.setFrameCount(3);
  Picture dest;
  makeSolid(dest, 4, 4, 0);
  const RegionRect part{1, 0, 3, 2};
  dest.drawFrame(0, 0, row, 9, &part);  // frame 2 at x 6; part adds 1
  EXPECT_EQ(dest.pixel(0, 0), coordColour(7, 0));
  EXPECT_EQ(dest.pixel(1, 1), coordColour(8, 1));
  EXPECT_EQ(dest.pixel(2, 0), 0u);
}

TEST(Picture, FrameCountZeroIsOneFrame) {
  Picture src;
  makeCoords(src, 3, 6);
  for (uint32_t count : {0u, 1u}) {
    src.setFrameCount(count);
    EXPECT_EQ(src.frameHeight(), 6u);
    Picture dest;
    makeSolid(dest, 3, 6, 0);
    dest.drawFrame(0, 0, src, 5, nullptr);
    for (uint32_t y = 0; y < 6; ++y)
      for (uint32_t x = 0; x < 3; ++x) ASSERT_EQ(dest.pixel(x, y), coordColour(x, y));
  }
}

// The nine-part rule, written out independently: along each axis a destination coordinate belongs to
// the leading piece, a repeated middle piece, or the trailing piece, and maps to a source coordinate.
int32_t nineSource(int32_t d, int32_t start, int32_t end, int32_t lead, int32_t inner, int32_t trail) {
  const int32_t midStart = start + lead;
  const int32_t midEnd = std::max(midStart, end - trail);
  if (d < start) return -1;
  if (d < midStart) return d - start;
  if (d < midEnd) return lead + (d - midStart) % inner;
  if (d < midEnd + trail) return lead + inner + (d - midEnd);
  return -1;
}

TEST(Picture, DrawTiledFrameMatchesTheNinePartImage) {
  // Two frames side by side, each 6 x 5, insets top 1, bottom 1, left 2, right 1: inner 3 x 3.
  Picture src;
  makeCoords(src, 12, 5, 7);
  src.setHorizontalFrames(true);
  src.setFrameCount(2);
  src.setFlag1(true);
  src.setFlag2(true);
  src.setFirstInset(1);
  src.setSecondInset(1);
  src.setThirdInset(2);
  src.setFourthInset(1);

  struct Case {
    RegionRect dest;
    bool useClip;
    RegionRect clip;
  } cases[] = {
      {{1, 2, 15, 13}, false, {}},           // several middle pieces with a partial last one
      {{0, 0, 6, 5}, false, {}},             // exactly one frame
      {{2, 1, 4, 3}, false, {}},             // smaller than the insets
      {{1, 1, 16, 14}, true, {4, 3, 9, 8}},  // only the clip is drawn
      {{-30, -20, 16, 14}, false, {}},       // starting far outside the picture
  };
  // A hand-checked row: frame 1 starts at source x 6; destination row 2 (top band) of the first case
  // reads source row 0: x 1,2 -> 6,7 (left), 3..5 -> 8..10, 6..8 -> 8..10, ...
  for (const Case& c : cases) {
    Picture dest;
    makeSolid(dest, 18, 16, 0);
    dest.drawTiledFrame(c.dest, src, 1, c.useClip ? &c.clip : nullptr);
    EXPECT_FALSE(dest.hasClip());  // state restored
    const RegionRect area = c.useClip ? c.clip : c.dest;
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 18; ++x) {
        uint32_t want = 0;
        const int32_t u = nineSource(x, c.dest.x1, c.dest.x2, 2, 3, 1);
        const int32_t v = nineSource(y, c.dest.y1, c.dest.y2, 1, 3, 1);
        const bool inArea = x >= area.x1 && x < area.x2 && y >= area.y1 && y < area.y2;
        if (inArea && u >= 0 && v >= 0) want = coordColour(uint32_t(6 + u), uint32_t(v), 7);
        ASSERT_EQ(dest.pixel(uint32_t(x), uint32_t(y)), want)
            << "dest " << c.dest.x1 << "," << c.dest.y1 << " at " << x << "," << y;
      }
  }
  {
    Picture dest;
    makeSolid(dest, 18, 16, 0);
    dest.drawTiledFrame(cases[0].dest, src, 1, nullptr);
    const uint32_t row2[] = {0, 6, 7, 8, 9, 10, 8, 9, 10, 8, 9, 10, 8, 9, 11, 0};
    for (uint32_t x = 0; x < 16; ++x) EXPECT_EQ(dest.pixel(x, 2), row2[x] ? coordColour(row2[x], 0, 7) : 0u) << x;
  }
}

TEST(Picture, DrawTiledFrameWithoutInnerAreaDrawsNothing) {
  Picture src;
  makeCoords(src, 6, 5);
  src.setFlag2(true);
  src.setThirdInset(3);
  src.setFourthInset(3);  // inner width 0
  Picture dest;
  makeSolid(dest, 10, 10, 0);
  dest.drawTiledFrame(RegionRect{0, 0, 10, 10}, src, 0, nullptr);
  for (uint32_t i = 0; i < 100; ++i) ASSERT_EQ(dest.pixels()[i], 0u);
  src.setFlag2(false);
  src.setFlag1(true);
  src.setFirstInset(4);
  src.setSecondInset(2);  // inner height -1
  dest.drawTiledFrame(RegionRect{0, 0, 10, 10}, src, 0, nullptr);
  for (uint32_t i = 0; i < 100; ++i) ASSERT_EQ(dest.pixels()[i], 0u);
}

TEST(Picture, DrawTiledFrameWithoutInsetsIsAFrameAtTheTopLeft) {
  Picture src;
  makeCoords(src, 3, 3);
  Picture dest;
  makeSolid(dest, 8, 8, 0);
  const RegionRect clip{2, 2, 4, 8};
  dest.setClipRect(RegionRect{0, 0, 8, 3});  // the current clip is kept and intersected
  dest.drawTiledFrame(RegionRect{1, 1, 8, 8}, src, 0, &clip);
  EXPECT_TRUE(dest.hasClip());
  EXPECT_EQ(dest.clip().y2, 3);
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x) {
      const bool in = x >= 2 && x < 4 && y >= 2 && y < 3;
      ASSERT_EQ(dest.pixel(x, y), in ? coordColour(x - 1, y - 1) : 0u) << x << "," << y;
    }
}

// ---------------------------------------------------------------------------------------------------
// Buffer

TEST(Picture, ResizeRefusesSizesThatDoNotFit) {
  Picture p;
  makeSolid(p, 5, 4, 0xFF010203);
  const uint32_t* before = p.pixels();
  const uint32_t huge[][2] = {
      {0x80000000u, 1},  // beyond i32 coordinates
      {1, 0xFFFFFFFFu},
      {0x7FFFFFFFu, 0x7FFFFFFFu},  // 2^64 bytes, nearly
      {65536, 65536},              // 16 GB: more than a 32-bit process can hold
  };
  for (const auto& s : huge) {
    if (sizeof(void*) == 8 && s[0] == 65536) continue;  // representable in 64 bits; not asked for
    EXPECT_FALSE(p.setSize(s[0], s[1], false)) << s[0] << " x " << s[1];
    EXPECT_EQ(p.width(), 5u);
    EXPECT_EQ(p.height(), 4u);
    EXPECT_EQ(p.pixels(), before);
    EXPECT_EQ(p.pixel(4, 3), 0xFF010203u);
  }
}

TEST(Picture, ResizeKeepsALargeEnoughBufferUnlessForced) {
  Picture p;
  EXPECT_EQ(p.pixels(), nullptr);
  ASSERT_TRUE(p.setSize(10, 10, false));
  EXPECT_EQ(p.allocatedSize(), 10u * 10u * 4u + 40u);
  const uint32_t* big = p.pixels();
  ASSERT_TRUE(p.setSize(4, 4, false));
  EXPECT_EQ(p.pixels(), big);
  EXPECT_EQ(p.allocatedSize(), 440u);
  EXPECT_EQ(p.width(), 4u);
  ASSERT_TRUE(p.setSize(4, 4, true));
  EXPECT_EQ(p.allocatedSize(), 4u * 4u * 4u + 40u);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(p.pixels()) - static_cast<const uint8_t*>(p.headerReserve()), 40);
  p.setOrigin(3, 3);
  p.setClipRect(RegionRect{0, 0, 1, 1});
  ASSERT_TRUE(p.setSize(2, 2, false));
  EXPECT_EQ(p.originX(), 0);
  EXPECT_FALSE(p.hasClip());
  EXPECT_EQ(p.clip().x2, 2);
}

// ---------------------------------------------------------------------------------------------------
// The PictureFormat record

TEST(PictureFormat, RecordRoundTripsIn33Bytes) {
  for (int order : {1, 2}) {
    Picture a;
    a.setHasAlpha(true);
    a.setHorizontalFrames(true);
    a.setFrameCount(7);
    a.setFlag1(true);
    a.setFlag2(true);
    a.setFlag1(false);  // keeps bit 1
    a.setFirstInset(-3);
    a.setSecondInset(4);
    a.setThirdInset(0x01020304);
    a.setFourthInset(6);
    uint8_t bytes[40];
    std::memset(bytes, 0xEE, sizeof bytes);
    MemoryStream ms;
    ms.open(2, bytes, 33);
    BinaryStream out(&ms);
    out.setByteOrder(order);
    EXPECT_TRUE(a.write(out));
    EXPECT_EQ(ms.tell(), 33);
    EXPECT_EQ(bytes[33], 0xEE);
    if (order == 1) {
      const uint8_t expected[33] = {1,    0,    0,    0,    1, 2, 0, 0, 0, 7, 0, 0, 0, 2, 0, 0, 0,
                                    0xFD, 0xFF, 0xFF, 0xFF, 4, 0, 0, 0, 4, 3, 2, 1, 6, 0, 0, 0};
      EXPECT_EQ(std::memcmp(bytes, expected, 33), 0);
    } else {
      EXPECT_EQ(bytes[3], 1);  // version, most significant byte first
      EXPECT_EQ(bytes[4], 1);
      EXPECT_EQ(bytes[25], 1);
    }
    MemoryStream in;
    in.open(1, bytes, 33);
    BinaryStream reader(&in);
    reader.setByteOrder(order);
    PictureFormat b;
    EXPECT_TRUE(b.read(reader));
    EXPECT_TRUE(b.hasAlpha());
    EXPECT_EQ(b.mode(), 2u);
    EXPECT_EQ(b.frameCount(), 7u);
    EXPECT_EQ(b.flags(), 2u);
    EXPECT_EQ(b.topInset(), -3);
    EXPECT_EQ(b.bottomInset(), 4);
    EXPECT_EQ(b.leftInset(), 0x01020304);
    EXPECT_EQ(b.rightInset(), 6);
  }
}

TEST(PictureFormat, DefaultsAndAShortRecord) {
  PictureFormat f;
  EXPECT_FALSE(f.hasAlpha());
  EXPECT_EQ(f.mode(), 1u);
  EXPECT_EQ(f.frameCount(), 0u);
  EXPECT_EQ(f.flags(), 0u);
  uint8_t bytes[32] = {9, 9, 9, 9, 1, 2, 0, 0, 0, 5};
  MemoryStream in;
  in.open(1, bytes, 32);  // one byte short
  BinaryStream reader(&in);
  EXPECT_FALSE(f.read(reader));
  EXPECT_EQ(f.mode(), 1u);
  EXPECT_EQ(f.frameCount(), 0u);
  // A stream too small to take the record reports it.
  uint8_t small[10];
  MemoryStream ms;
  ms.open(2, small, 10);
  BinaryStream out(&ms);
  EXPECT_FALSE(f.write(out));
}

TEST(Picture, DriveLetterOfAMask) {
  EXPECT_EQ(uiaDriveLetterFromMask(1), 'A');
  EXPECT_EQ(uiaDriveLetterFromMask(0x0C), 'C');
  EXPECT_EQ(uiaDriveLetterFromMask(1u << 25), 'Z');
  EXPECT_EQ(uiaDriveLetterFromMask(0), '[');
  EXPECT_EQ(uiaDriveLetterFromMask(0xFC000000u), '[');
}

// ---------------------------------------------------------------------------------------------------
// Timing diagnostic: read back through the exception that debug output raises for a debugger.

namespace {

std::vector<std::string> g_debugTexts;

LONG CALLBACK catchDebugText(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2)
    g_debugTexts.emplace_back(reinterpret_cast<const char*>(record->ExceptionInformation[1]));
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

TEST(Picture, TimingDiagnosticPrintsEveryTwentyFifthCall) {
  Picture p, src;
  makeSolid(p, 8, 8, 0);
  makeSolid(src, 8, 8, 0xFFFFFFFF);
  g_debugTexts.clear();
  void* handler = AddVectoredExceptionHandler(1, catchDebugText);
  for (int i = 0; i < 60; ++i) p.fillAreaUC(0, 0, 8, 8, 0xFF000000);  // off: nothing
  Picture::setFillTiming(true);
  Picture::setCopyTiming(true);
  for (int i = 0; i < 60; ++i) p.fillAreaUC(0, 0, 8, 8, 0xFF000000);
  for (int i = 0; i < 25; ++i) p.copyAreaUC(0, 0, 8, 8, src, 0, 0);
  Picture::setFillTiming(false);
  Picture::setCopyTiming(false);
  RemoveVectoredExceptionHandler(handler);
  int fills = 0, copies = 0;
  for (const std::string& t : g_debugTexts) {
    if (t.rfind("Picture::fillAreaUC ", 0) == 0) ++fills;
    if (t.rfind("Picture::copyAreaUC ", 0) == 0) ++copies;
    EXPECT_EQ(t.substr(t.size() - 2), " \n") << t;
  }
  EXPECT_EQ(fills, 2);
  EXPECT_EQ(copies, 1);
}
