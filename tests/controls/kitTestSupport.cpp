#include "kitTestSupport.h"

#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "support/pngWrite.h"
#include "support/tempDir.h"
#include "uiaTestSupport.h"

#include <cstring>

uint32_t g_testTick = 100000;

uint32_t testTick() { return g_testTick; }

KitFixtureScope::KitFixtureScope() {
  // The display's real pointer, wherever a test program before this one left it, sends its own
  // moves to a window mapped under it, in the middle of a posted drag. Park it in a corner that
  // no test window covers.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
  startLibraries();
  ctrlKitShutdown();
  g_testTick = 100000;
  ctrlSetTickSource(testTick);
  ctrlKitInit(GetModuleHandleA(nullptr));
}

KitFixtureScope::~KitFixtureScope() {
  ctrlKitShutdown();
  ctrlSetTickSource(nullptr);
}

bool KitWindow::handleEvent(int32_t code, void* data) {
  if (!passActivation && (code == winEvActivated || code == winEvDeactivated)) return false;
  return winHandleEvent(slot, static_cast<uint32_t>(code), data);
}

void openKitWindow(KitWindow& window, int16_t id, uint16_t capacity, int width, int height, int x, int y) {
  winOpen(id, capacity, 0, &window);
  WindowSpec spec;
  spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE;
  spec.options = UIA_TOOL_NO_SYSTEM_MENU;
  spec.rect = RECT{x, y, x + width, y + height};
  window.create(spec);
}

void drainMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void postPress(HWND hwnd, int x, int y) {
  PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  drainMessages();
}

void postRelease(HWND hwnd, int x, int y) {
  PostMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  drainMessages();
}

void postMove(HWND hwnd, int x, int y, bool buttonDown) {
  PostMessageA(hwnd, WM_MOUSEMOVE, buttonDown ? MK_LBUTTON : 0, MAKELPARAM(x, y));
  drainMessages();
}

void postClick(HWND hwnd, int x, int y) {
  postPress(hwnd, x, y);
  postRelease(hwnd, x, y);
}

bool captureShown(HWND hwnd, CapturedWindow& out, const std::string& name) {
  RECT rc;
  if (!GetClientRect(hwnd, &rc) || rc.right <= 0 || rc.bottom <= 0) return false;
  const int w = rc.right, h = rc.bottom;
  BITMAPINFO bi;
  std::memset(&bi, 0, sizeof bi);
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = GetDC(hwnd);
  HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC mem = CreateCompatibleDC(dc);
  bool ok = dib && mem;
  if (ok) {
    HGDIOBJ old = SelectObject(mem, dib);
    ok = BitBlt(mem, 0, 0, w, h, dc, 0, 0, SRCCOPY) != 0;
    GdiFlush();
    if (ok) {
      out.width = w;
      out.height = h;
      const uint32_t* p = static_cast<const uint32_t*>(bits);
      out.pixels.assign(p, p + static_cast<size_t>(w) * h);
      for (auto& px : out.pixels) px &= 0x00FFFFFFu;
    }
    SelectObject(mem, old);
  }
  if (mem) DeleteDC(mem);
  if (dib) DeleteObject(dib);
  ReleaseDC(hwnd, dc);
  if (ok && !name.empty()) ok = pngWrite(testArtifactPath(name), out.pixels.data(), out.width, out.height);
  return ok;
}
