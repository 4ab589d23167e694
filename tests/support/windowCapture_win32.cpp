#include "support/windowCapture.h"

#include <cstring>

#include "support/pngWrite.h"
#include "support/tempDir.h"

bool windowCapture(HWND window, CapturedWindow& out) {
  RECT rc;
  if (!GetClientRect(window, &rc) || rc.right <= 0 || rc.bottom <= 0) return false;
  const int w = rc.right, h = rc.bottom;
  BITMAPINFO bi;
  std::memset(&bi, 0, sizeof bi);
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC mem = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (!dib || !mem) {
    if (dib) DeleteObject(dib);
    if (mem) DeleteDC(mem);
    return false;
  }
  HGDIOBJ old = SelectObject(mem, dib);
  BOOL ok = PrintWindow(window, mem, PW_CLIENTONLY);
  GdiFlush();
  if (ok) {
    out.width = w;
    out.height = h;
    out.pixels.assign(static_cast<const std::uint32_t*>(bits),
                      static_cast<const std::uint32_t*>(bits) + static_cast<std::size_t>(w) * h);
    for (auto& p : out.pixels) p &= 0x00FFFFFFu;
  }
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(dib);
  return ok != 0;
}

std::string windowCapturePng(HWND window, const std::string& name, CapturedWindow* out) {
  CapturedWindow local;
  CapturedWindow& cap = out ? *out : local;
  if (!windowCapture(window, cap)) return std::string();
  std::string path = testArtifactPath(name);
  return pngWrite(path, cap.pixels.data(), cap.width, cap.height) ? path : std::string();
}

std::vector<std::uint32_t> screenPixels(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  std::vector<std::uint32_t> pixels;
  if (w <= 0 || h <= 0) return pixels;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (picture && memory) {
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    pixels.assign(static_cast<const std::uint32_t*>(bits), static_cast<const std::uint32_t*>(bits) + w * h);
    for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
    SelectObject(memory, old);
  }
  if (picture) DeleteObject(picture);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}
