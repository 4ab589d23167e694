// DrawContext against real GDI memory device contexts: the picture blit (exact pixels, only the
// invalid rectangle, nothing outside a paint), putting the device defaults back, pens, brushes and
// fonts deleted while selected, the caches' reuse, the default font and the memory device context.
#include "UIADrawContext.h"
#include "UIAPicture.h"

#include "support/pngWrite.h"
#include "support/tempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// A 32-bit top-down DIB section selected into its own memory device context.
class DibTarget {
 public:
  DibTarget(int width, int height, uint32_t fill) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    for (int i = 0; i < width * height; ++i) bits_[i] = fill;
  }
  DibTarget(const DibTarget&) = delete;
  DibTarget& operator=(const DibTarget&) = delete;
  ~DibTarget() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  bool ok() const { return dc_ && bitmap_ && bits_; }
  HDC dc() const { return dc_; }
  uint32_t at(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x] & 0xFFFFFF;
  }
  const uint32_t* bits() const {
    GdiFlush();
    return bits_;
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

class Drawing : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(uiaCreateMemoryDC()); }
  void TearDown() override { uiaDeleteMemoryDC(); }
};

void fillRandom(Picture& p, uint32_t w, uint32_t h, uint32_t seed) {
  ASSERT_TRUE(p.setSize(w, h, false));
  std::mt19937 rng(seed);
  for (uint32_t i = 0; i < w * h; ++i) p.pixels()[i] = rng();
}

}  // namespace

TEST_F(Drawing, BlitTransfersExactlyTheInvalidRectangle) {
  Picture picture;
  fillRandom(picture, 64, 48, 7);
  const uint32_t background = 0x112233;
  struct Case {
    const char* what;
    RECT paint;
    RECT expected;  // where picture pixels land; elsewhere the background stays
  } cases[] = {
      {"inner rectangle", {10, 5, 40, 30}, {10, 5, 40, 30}},
      {"right edge 0: the whole picture", {10, 5, 0, 30}, {0, 0, 64, 48}},
      {"bottom edge 0: the whole picture", {3, 3, 20, 0}, {0, 0, 64, 48}},
      {"reaching past the picture", {50, 40, 80, 60}, {50, 40, 64, 48}},
      {"one pixel", {63, 47, 64, 48}, {63, 47, 64, 48}},
      {"wholly outside the picture", {70, 50, 80, 60}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    DibTarget target(80, 60, background);
    ASSERT_TRUE(target.ok());
    DrawContext context;
    context.setDC(target.dc());
    PAINTSTRUCT paint = {};
    paint.hdc = target.dc();
    paint.rcPaint = c.paint;
    context.setPaint(&paint);
    context.blit(picture);
    context.setPaint(nullptr);
    EXPECT_EQ(context.takeDC(), target.dc());
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 80; ++x) {
        const bool in = x >= c.expected.left && x < c.expected.right && y >= c.expected.top && y < c.expected.bottom;
        const uint32_t want = in ? picture.pixel(uint32_t(x), uint32_t(y)) & 0xFFFFFF : background;
        ASSERT_EQ(target.at(x, y), want) << c.what << " at " << x << "," << y;
      }
  }
  // The header written in front of the pixels.
  const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(picture.headerReserve());
  EXPECT_EQ(header->biSize, 40u);
  EXPECT_EQ(header->biWidth, 64);
  EXPECT_EQ(header->biHeight, -48);
  EXPECT_EQ(header->biBitCount, 32);
  EXPECT_EQ(header->biSizeImage, 64u * 48u * 4u);
  EXPECT_EQ(header->biXPelsPerMeter, 1000);
}

TEST_F(Drawing, BlitOutsideAPaintDrawsNothing) {
  Picture picture;
  fillRandom(picture, 16, 16, 3);
  DibTarget target(16, 16, 0x445566);
  DrawContext context;
  context.blit(picture);  // no device context either
  context.setDC(target.dc());
  context.blit(picture);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(target.at(x, y), 0x445566u);
  Picture empty;
  PAINTSTRUCT paint = {};
  context.setPaint(&paint);
  context.blit(empty);  // a picture without pixels
  EXPECT_EQ(target.at(0, 0), 0x445566u);
  context.setPaint(nullptr);
  context.takeDC();
}

// A small scene drawn with fills, blends, a has-alpha copy and a nine-part frame, blitted to a
// memory bitmap (compared word for word) and kept as a PNG to look at.
TEST_F(Drawing, ComposedImageReachesTheBitmapUnchanged) {
  const uint32_t W = 320, H = 200;
  Picture scene;
  ASSERT_TRUE(scene.setSize(W, H, false));
  scene.fillArea(0, 0, W, H, 0xFF2B2F36);  // panel
  for (int i = 0; i < 8; ++i) scene.fillArea(12 + i * 20, 12, 16, 40, 0xFF000000u | (uint32_t(i * 32) << 16) | 0x40A0u);
  // Blends at three alphas over a light and a dark stripe.
  scene.fillArea(180, 12, 128, 20, 0xFFE8E8E8);
  scene.fillArea(180, 32, 128, 20, 0xFF101010);
  for (int i = 0; i < 4; ++i) scene.fillArea(184 + i * 30, 16, 24, 32, (uint32_t(64 * i + 63) << 24) | 0xF0A030);

  // A nine-part bevel frame source: 12 x 12, insets 4, a light outer edge and a dark inner one.
  Picture bevel;
  ASSERT_TRUE(bevel.setSize(12, 12, false));
  for (uint32_t y = 0; y < 12; ++y)
    for (uint32_t x = 0; x < 12; ++x) {
      const uint32_t edge = std::min(std::min(x, y), std::min(11 - x, 11 - y));
      const uint32_t shade = edge == 0 ? 0x9AA4B0 : edge == 1 ? 0x6C7680 : edge < 4 ? 0x4A525C : 0x3A4048;
      bevel.pixels()[y * 12 + x] = 0xFF000000u | shade;
    }
  bevel.setFlag1(true);
  bevel.setFlag2(true);
  bevel.setFirstInset(4);
  bevel.setSecondInset(4);
  bevel.setThirdInset(4);
  bevel.setFourthInset(4);
  scene.drawTiledFrame(RegionRect{12, 64, 308, 188}, bevel, 0, nullptr);

  // A soft disc copied with its alpha onto the frame.
  Picture disc;
  ASSERT_TRUE(disc.setSize(64, 64, false));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const double d = std::sqrt(double((x - 31.5) * (x - 31.5) + (y - 31.5) * (y - 31.5)));
      const double a = std::max(0.0, std::min(1.0, (30.0 - d) / 6.0));
      disc.pixels()[y * 64 + x] = (uint32_t(a * 255.0 + 0.5) << 24) | 0x40C0F0;
    }
  disc.setHasAlpha(true);
  for (int i = 0; i < 4; ++i) scene.copyArea(28 + i * 70, 94, 64, 64, disc, 0, 0);
  // Lines: a clipped grid over the frame's inner area.
  scene.setClipRect(RegionRect{16, 68, 304, 184});
  for (int x = 0; x < 320; x += 16) scene.drawVerticalLine(x, 0, 200, 0x40FFFFFF);
  scene.resetClip();
  scene.drawHorizontalLine(12, 192, 296, 0xFFF0A030);

  DibTarget target(int(W), int(H), 0);
  ASSERT_TRUE(target.ok());
  DrawContext context;
  context.setDC(target.dc());
  PAINTSTRUCT paint = {};
  context.setPaint(&paint);  // right 0: the whole picture
  context.blit(scene);
  context.setPaint(nullptr);
  context.takeDC();
  std::vector<uint32_t> shown(target.bits(), target.bits() + W * H);
  for (uint32_t i = 0; i < W * H; ++i) {
    shown[i] &= 0xFFFFFF;
    ASSERT_EQ(shown[i], scene.pixels()[i] & 0xFFFFFF) << "pixel " << i % W << "," << i / W;
  }
  EXPECT_TRUE(pngWrite(testArtifactPath("uia_draw_composed.png"), shown.data(), int(W), int(H)));
}

TEST_F(Drawing, TakeDCPutsTheDeviceDefaultsBack) {
  DibTarget target(8, 8, 0);
  ASSERT_TRUE(uiaCreateDefaultFont());
  DrawContext context;
  context.setDC(target.dc());
  EXPECT_EQ(context.dc(), target.dc());
  EXPECT_EQ(context.selection().penColour, kNoColour);
  EXPECT_EQ(context.selection().textState, kTextStateDefault);
  ASSERT_TRUE(context.selectPen(0x80FF0000, 1, 2));  // xor pen
  ASSERT_TRUE(context.selectBrush(0x0000FF00));
  ASSERT_TRUE(context.selectFont(uiaDefaultFont()));
  const HGDIOBJ pen = context.selection().pen->handle;
  EXPECT_EQ(GetCurrentObject(target.dc(), OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(target.dc(), OBJ_BRUSH), context.selection().brush->handle);
  EXPECT_EQ(GetROP2(target.dc()), R2_XORPEN);
  EXPECT_EQ(context.selection().penColour, 0xFF0000u);
  EXPECT_EQ(context.selection().brushColour, 0x00FF00u);
  const GdiCacheHolder* penHolder = context.selection().pen;
  EXPECT_EQ(penHolder->users.count(), 1);

  EXPECT_EQ(context.takeDC(), target.dc());
  EXPECT_EQ(context.dc(), nullptr);
  EXPECT_EQ(GetCurrentObject(target.dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(target.dc(), OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(target.dc(), OBJ_FONT), GetStockObject(ANSI_VAR_FONT));
  EXPECT_EQ(GetROP2(target.dc()), R2_COPYPEN);
  EXPECT_EQ(context.selection().pen, nullptr);
  EXPECT_EQ(context.selection().penColour, kNoColour);
  EXPECT_EQ(context.selection().brushColour, kNoColour);
  EXPECT_EQ(penHolder->users.count(), 0);
  EXPECT_TRUE(uiaDefaultFont().users().isEmpty());
  // Out of use, nothing can be selected.
  EXPECT_FALSE(context.selectPen(0xFF));
  uiaFreeDefaultFont();
}

TEST_F(Drawing, DeletingASelectedPenOrBrushGivesTheContextsStockObjects) {
  DibTarget a(4, 4, 0), b(4, 4, 0);
  DrawContext first, second;
  first.setDC(a.dc());
  second.setDC(b.dc());
  ASSERT_TRUE(first.selectPen(0x123456));
  ASSERT_TRUE(second.selectPen(0x123456));  // the same cached pen
  EXPECT_EQ(first.selection().pen, second.selection().pen);
  EXPECT_EQ(uiaPenCache().count(), 1);
  ASSERT_TRUE(first.selectBrush(0x654321));
  EXPECT_EQ(first.selection().pen->users.count(), 2);

  uiaPenCache().releaseAll();
  uiaBrushCache().releaseAll();
  for (DrawContext* c : {&first, &second}) {
    EXPECT_EQ(c->selection().pen, nullptr);
    EXPECT_EQ(c->selection().penColour, kNoColour);
    EXPECT_EQ(c->selection().brush, nullptr);
  }
  EXPECT_EQ(GetCurrentObject(a.dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(b.dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(a.dc(), OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(uiaPenCache().count(), 0);
  first.takeDC();
  second.takeDC();
}

TEST_F(Drawing, AFullCacheReusesAnEntryNoContextHasSelected) {
  DibTarget t(4, 4, 0);
  DrawContext holderOfFirst, context;
  holderOfFirst.setDC(t.dc());
  context.setDC(t.dc());
  ASSERT_TRUE(holderOfFirst.selectPen(0x000000));  // entry 0 stays selected
  for (uint32_t c = 1; c < 10; ++c) ASSERT_TRUE(context.selectPen(c));
  EXPECT_EQ(uiaPenCache().count(), 10);
  const GdiCacheHolder* firstPen = holderOfFirst.selection().pen;
  // The eleventh colour: entry 1 (the oldest without users) is released and made anew.
  ASSERT_TRUE(context.selectPen(0xABCDEF));
  EXPECT_EQ(uiaPenCache().count(), 10);
  EXPECT_EQ(holderOfFirst.selection().pen, firstPen);
  EXPECT_NE(firstPen->handle, nullptr);
  EXPECT_EQ(GetCurrentObject(t.dc(), OBJ_PEN), context.selection().pen->handle);
  // A colour still cached is found as it is.
  ASSERT_TRUE(holderOfFirst.selectPen(0x000000));
  EXPECT_EQ(holderOfFirst.selection().pen, firstPen);
  // Pens of one colour but different widths are different pens.
  ASSERT_TRUE(context.selectPen(0x000000, 3, 0));
  EXPECT_NE(context.selection().pen, firstPen);
  holderOfFirst.takeDC();
  context.takeDC();

  // Every entry selected somewhere: the oldest is taken from its context, which gets the stock pen.
  DibTarget many[10] = {{2, 2, 0}, {2, 2, 0}, {2, 2, 0}, {2, 2, 0}, {2, 2, 0},
                        {2, 2, 0}, {2, 2, 0}, {2, 2, 0}, {2, 2, 0}, {2, 2, 0}};
  DrawContext contexts[10];
  uiaPenCache().releaseAll();
  for (int i = 0; i < 10; ++i) {
    contexts[i].setDC(many[i].dc());
    ASSERT_TRUE(contexts[i].selectPen(0x100 + uint32_t(i)));
  }
  DrawContext extra;
  extra.setDC(t.dc());
  ASSERT_TRUE(extra.selectPen(0x999999));
  EXPECT_EQ(contexts[0].selection().pen, nullptr);
  EXPECT_EQ(GetCurrentObject(many[0].dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_NE(contexts[1].selection().pen, nullptr);
  extra.takeDC();
  for (DrawContext& c : contexts) c.takeDC();
}

TEST_F(Drawing, AContextDeletedWithAPenSelectedLeavesNoUser) {
  DibTarget t(4, 4, 0);
  const GdiCacheHolder* pen = nullptr;
  {
    DrawContext context;
    context.setDC(t.dc());
    ASSERT_TRUE(context.selectPen(0x00FF00));
    pen = context.selection().pen;
    EXPECT_EQ(pen->users.count(), 1);
  }
  EXPECT_EQ(pen->users.count(), 0);
  uiaPenCache().releaseAll();  // would reach the deleted context otherwise
}

TEST_F(Drawing, DefaultFontAndFontsMadeFromDescriptions) {
  ASSERT_TRUE(uiaCreateDefaultFont());
  const HFONT first = uiaDefaultFont().handle();
  EXPECT_EQ(first, GetStockObject(ANSI_VAR_FONT));
  EXPECT_TRUE(uiaDefaultFont().isStock());
  EXPECT_FALSE(uiaCreateDefaultFont());  // already made: the first handle stays
  EXPECT_EQ(uiaDefaultFont().handle(), first);

  UiaFont real;
  ASSERT_TRUE(real.create(UiaFontSpec{"ANSI Var", 0, kFontNeverStock}));
  EXPECT_NE(real.handle(), GetStockObject(ANSI_VAR_FONT));
  EXPECT_FALSE(real.isStock());
  EXPECT_EQ(GetObjectType(real.handle()), DWORD(OBJ_FONT));

  UiaFont bold;
  ASSERT_TRUE(bold.create(UiaFontSpec{"Tahoma", -14, kFontBold | kFontItalic}));
  LOGFONTA described = {};
  ASSERT_NE(GetObjectA(bold.handle(), sizeof described, &described), 0);
  EXPECT_EQ(described.lfWeight, FW_BOLD);
  EXPECT_TRUE(described.lfItalic);
  EXPECT_FALSE(described.lfUnderline);
  EXPECT_EQ(described.lfHeight, -14);

  // Freeing a font that a context has selected gives it the stock font back.
  DibTarget t(4, 4, 0);
  DrawContext context;
  context.setDC(t.dc());
  ASSERT_TRUE(context.selectFont(real));
  EXPECT_EQ(GetCurrentObject(t.dc(), OBJ_FONT), real.handle());
  real.free();
  EXPECT_EQ(real.handle(), nullptr);
  EXPECT_EQ(context.selection().font, nullptr);
  EXPECT_EQ(GetCurrentObject(t.dc(), OBJ_FONT), GetStockObject(ANSI_VAR_FONT));
  context.takeDC();

  uiaFreeDefaultFont();
  EXPECT_EQ(uiaDefaultFont().handle(), nullptr);
  EXPECT_NE(GetObjectType(GetStockObject(ANSI_VAR_FONT)), 0u);  // the stock font is not deleted
  ASSERT_TRUE(uiaCreateDefaultFont());
  uiaFreeDefaultFont();
}

TEST(DrawingSetUp, MemoryDCMakesAndClearsTheCaches) {
  EXPECT_EQ(uiaMemoryDC(), nullptr);
  EXPECT_FALSE(uiaPenCache().isAllocated());
  ASSERT_TRUE(uiaCreateMemoryDC());
  const HDC dc = uiaMemoryDC();
  EXPECT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_MEMDC));
  EXPECT_TRUE(uiaPenCache().isAllocated());
  EXPECT_TRUE(uiaBrushCache().isAllocated());
  EXPECT_TRUE(uiaCreateMemoryDC());  // once only
  EXPECT_EQ(uiaMemoryDC(), dc);
  uiaDeleteMemoryDC();
  EXPECT_EQ(uiaMemoryDC(), nullptr);
  EXPECT_FALSE(uiaPenCache().isAllocated());
  EXPECT_FALSE(uiaBrushCache().isAllocated());
  // Without allocated holders nothing can be selected.
  DibTarget t(2, 2, 0);
  DrawContext context;
  context.setDC(t.dc());
  EXPECT_FALSE(context.selectPen(0x10));
  EXPECT_FALSE(context.selectBrush(0x10));
  context.takeDC();
}
