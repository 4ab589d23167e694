// The paint path on a real window: the paint event (1000002) carries the window's DrawContext set up
// for the paint, and a Picture blitted there reaches the window pixel for pixel.
#include <windows.h>
#include <gtest/gtest.h>

#include "UIADrawContext.h"
#include "UIAPicture.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

namespace {

constexpr int kWidth = 96, kHeight = 64;

// A pattern in which every pixel differs from its neighbours.
void fillPattern(Picture& picture) {
  ASSERT_TRUE(picture.setSize(kWidth, kHeight, false));
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      picture.pixels()[y * kWidth + x] =
          0xFF000000u | uint32_t(x * 2) << 16 | uint32_t(y * 3) << 8 | uint32_t((x * 7 + y * 5) & 0xFF);
}

class PaintWindow : public ToolWindow {
 public:
  bool handleEvent(int32_t code, void* data) override {
    if (code != UIA_EVENT_PAINT) return false;
    DrawContext* context = static_cast<DrawContext*>(data);
    ++paints;
    hadPaintRecord = context->paint() != nullptr;
    hadDC = context->dc() != nullptr;
    if (context->paint()) {
      invalid = context->paint()->rcPaint;
      if (forceRightZero) context->paint()->rcPaint = RECT{10, 5, 0, 30};
    }
    if (picture) context->blit(*picture);
    return true;
  }
  Picture* picture = nullptr;
  bool forceRightZero = false;
  int paints = 0;
  bool hadPaintRecord = false;
  bool hadDC = false;
  RECT invalid = {0, 0, 0, 0};
};

void createPaintWindow(PaintWindow& window, int x, int y) {
  WindowSpec spec;
  spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE;
  spec.options = UIA_TOOL_NO_SYSTEM_MENU;
  spec.rect = RECT{x, y, x + kWidth, y + kHeight};
  window.create(spec);
  window.show(true);
}

int mismatches(const CapturedWindow& capture, const Picture& picture) {
  int bad = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (capture.at(x, y) != (picture.pixel(x, y) & 0xFFFFFFu)) ++bad;
  return bad;
}

}  // namespace

TEST(UiaPaint, APictureBlittedDuringThePaintEventReachesTheWindowExactly) {
  runInApplication([&](RecordingApplication&) {
    Picture picture;
    fillPattern(picture);
    PaintWindow window;
    window.picture = &picture;
    createPaintWindow(window, 300, 120);
    CapturedWindow capture;
    const std::string png = windowCapturePng(window.nativeHandle(), "uia_paint_window.png", &capture);
    ASSERT_FALSE(png.empty());
    ASSERT_EQ(capture.width, kWidth);
    ASSERT_EQ(capture.height, kHeight);
    EXPECT_TRUE(window.hadPaintRecord);
    EXPECT_EQ(window.invalid.right, kWidth);
    EXPECT_EQ(window.invalid.bottom, kHeight);
    EXPECT_EQ(mismatches(capture, picture), 0);
  });
}

TEST(UiaPaint, ARealPaintGetsTheInvalidRectangleAndValidatesIt) {
  runInApplication([&](RecordingApplication&) {
    Picture picture;
    fillPattern(picture);
    PaintWindow window;
    window.picture = &picture;
    createPaintWindow(window, 320, 140);
    UpdateWindow(window.nativeHandle());
    const RECT part = {10, 8, 40, 30};
    window.paints = 0;
    InvalidateRect(window.nativeHandle(), &part, FALSE);
    UpdateWindow(window.nativeHandle());
    EXPECT_EQ(window.paints, 1);
    EXPECT_TRUE(window.hadDC);
    EXPECT_EQ(window.invalid.left, part.left);
    EXPECT_EQ(window.invalid.top, part.top);
    EXPECT_EQ(window.invalid.right, part.right);
    EXPECT_EQ(window.invalid.bottom, part.bottom);
    RECT remaining;
    EXPECT_FALSE(GetUpdateRect(window.nativeHandle(), &remaining, FALSE));
    // After the paint the context is out of use again.
    EXPECT_EQ(
        window.platformWindow() ? static_cast<Win32Window*>(window.platformWindow())->drawContext()->dc() : nullptr,
        nullptr);
  });
}

TEST(UiaPaint, APaintRecordWithRightEdgeZeroTransfersTheWholePicture) {
  runInApplication([&](RecordingApplication&) {
    Picture picture;
    fillPattern(picture);
    PaintWindow window;
    window.picture = &picture;
    window.forceRightZero = true;
    createPaintWindow(window, 340, 160);
    CapturedWindow capture;
    ASSERT_FALSE(windowCapturePng(window.nativeHandle(), "uia_paint_right_zero.png", &capture).empty());
    EXPECT_EQ(mismatches(capture, picture), 0);
  });
}

TEST(UiaPaint, ABlitOutsideAPaintDrawsNothing) {
  runInApplication([&](RecordingApplication&) {
    Picture blue, red;
    ASSERT_TRUE(blue.setSize(kWidth, kHeight, false));
    blue.fillArea(0, 0, kWidth, kHeight, 0xFF0000FF);
    ASSERT_TRUE(red.setSize(kWidth, kHeight, false));
    red.fillArea(0, 0, kWidth, kHeight, 0xFFFF0000);
    PaintWindow window;
    window.picture = &blue;
    createPaintWindow(window, 360, 180);
    UpdateWindow(window.nativeHandle());
    DrawContext* context = window.getDC();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->paint(), nullptr);
    context->blit(red);
    HDC dc = context->dc();
    GdiFlush();
    // The window's own pixels: still the painted blue, never the red.
    const COLORREF centre = GetPixel(dc, kWidth / 2, kHeight / 2);
    const COLORREF corner = GetPixel(dc, 2, 2);
    window.releaseDC(context);
    EXPECT_NE(centre, RGB(255, 0, 0));
    EXPECT_NE(corner, RGB(255, 0, 0));
    EXPECT_EQ(context->dc(), nullptr);
  });
}
