// The capture helper reads back what a real window painted under Wine and Xvfb.
#include <windows.h>
#include <gtest/gtest.h>

#include "support/windowCapture.h"

namespace {
void paint(HWND w, HDC dc) {
  RECT rc;
  GetClientRect(w, &rc);
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT box = {10, 10, 60, 40};
  FillRect(dc, &box, red);
  DeleteObject(red);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  HGDIOBJ old = SelectObject(dc, blue);
  Ellipse(dc, 100, 20, 160, 80);
  SelectObject(dc, old);
  DeleteObject(blue);
}

LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    paint(w, dc);
    EndPaint(w, &ps);
    return 0;
  }
  if (msg == WM_PRINTCLIENT) {
    paint(w, reinterpret_cast<HDC>(wp));
    return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}
}  // namespace

TEST(WindowCapture, ReadsBackPaintedPixelsAndWritesPng) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MorvaneCaptureProbe";
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND w = CreateWindowExA(0, wc.lpszClassName, "capture", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240, 160, nullptr,
                           nullptr, wc.hInstance, nullptr);
  ASSERT_NE(w, nullptr);
  UpdateWindow(w);

  CapturedWindow cap;
  std::string png = windowCapturePng(w, "capture-probe.png", &cap);
  ASSERT_FALSE(png.empty());
  EXPECT_EQ(cap.at(30, 25), 0xFF0000u);   // inside the red box
  EXPECT_EQ(cap.at(130, 50), 0x0000FFu);  // the ellipse's centre
  EXPECT_EQ(cap.at(2, 2), 0xFFFFFFu);     // background
  EXPECT_EQ(cap.at(cap.width - 2, cap.height - 2), 0xFFFFFFu);

  FILE* f = std::fopen(png.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char sig[8] = {};
  EXPECT_EQ(std::fread(sig, 1, 8, f), 8u);
  std::fclose(f);
  EXPECT_EQ(sig[1], 'P');
  DestroyWindow(w);
}
