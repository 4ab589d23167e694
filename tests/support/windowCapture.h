// Captures a window's client area the way the window paints it (WM_PRINTCLIENT through PrintWindow),
// for pixel checks and for saving as a PNG under $MORVANE_ARTIFACTS.
#pragma once
#ifdef _WIN32
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct CapturedWindow {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Returns false when the window has no client area or the capture fails.
bool windowCapture(HWND window, CapturedWindow& out);
// Captures and writes testArtifactPath(name) as PNG; returns the path, empty on failure.
std::string windowCapturePng(HWND window, const std::string& name, CapturedWindow* out = nullptr);
// The pixels of a rectangle of the screen as the display shows them, windows of every process
// included (0x00RRGGBB, top row first); empty for an empty rectangle or a failed capture.
std::vector<std::uint32_t> screenPixels(const RECT& r);
#endif
