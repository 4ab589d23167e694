#include "inProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "about/aboutDialog.h"
#include "app/appRegistry.h"
#include "app/mainWindow.h"
#include "app/synthApp.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "support/windowCapture.h"
#include "uiSeams/msgBox.h"

namespace {

InProgramRun g_how;
int g_result = 1;

void noAudioSetup(SynthApp*) {}

void CALLBACK runTests(HWND, UINT, UINT_PTR id, DWORD) {
  HWND main = appGetMainWindowHandle();
  // Not while the start-up splash runs its loop over window 1 (which is disabled meanwhile).
  if (g_how.untilWindowOneTakesInput && (!main || !IsWindowEnabled(main))) return;
  KillTimer(nullptr, id);
  if (g_how.beforeTests) g_how.beforeTests();
  g_result = RUN_ALL_TESTS();
  if (g_how.afterTests) g_how.afterTests();
  // What the tests did to the bank and the playing sound is not kept: closing asks nothing.
  if (SynthApp* program = app()) {
    if (program->bank) program->bank->changed = 0;
    bankNoteSound(program->bank, program->engine);
  }
  PostMessageA(appGetMainWindowHandle(), WM_CLOSE, 0, 0);
}

}  // namespace

void clearProgramKeys() {
  RegDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kMachineKey);
}

int runTestsInProgram(const InProgramRun& how) {
  g_how = how;
  msgBoxSetHook([](void*, int, const char*, int) { return 0; }, nullptr);
  appStartHooks()->openAudioSetup = how.openAudioSetup ? how.openAudioSetup : noAudioSetup;
  SetTimer(nullptr, 0, 10, runTests);
  uiaSetInstance(GetModuleHandleA(nullptr));
  uiaRun();
  RegDeleteKeyA(HKEY_CURRENT_USER, kUserKey);
  return g_result;
}

SynthApp* app() { return dynamic_cast<SynthApp*>(uiaApplication()); }
HWND mainHandle() { return appGetMainWindowHandle(); }
Engine* engine() { return app() ? app()->engine : nullptr; }
Bank* bank() { return app() ? app()->bank : nullptr; }

void pump(int rounds) {
  for (int r = 0; r < rounds; ++r) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(1);
  }
}

void settle() {
  pump(5);
  pumpUntil([] { return HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE)) == 0; }, 5000);
  pump(5);
}

std::vector<std::uint32_t> bitmapPixels(int id, int* width, int* height) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  std::vector<std::uint32_t> pixels;
  if (!bitmap) return pixels;
  BITMAP info;
  GetObjectA(bitmap, sizeof info, &info);
  *width = info.bmWidth;
  *height = info.bmHeight;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = info.bmWidth;
  bi.bmiHeader.biHeight = -info.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  pixels.resize(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bitmap, 0, info.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(bitmap);
  for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

double matchShare(const CapturedWindow& cap, int id, int x, int y, int w, int h, int sx, int sy) {
  int bw = 0, bh = 0;
  const std::vector<std::uint32_t> bits = bitmapPixels(id, &bw, &bh);
  if (bits.empty() || w <= 0 || h <= 0 || sx + w > bw || sy + h > bh) return 0.0;
  int same = 0;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      same += cap.at(x + i, y + j) == bits[static_cast<std::size_t>(sy + j) * bw + sx + i] ? 1 : 0;
  return static_cast<double>(same) / (w * h);
}

namespace {
double luminance(std::uint32_t rgb) {
  auto lin = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
  return 0.2126 * lin(((rgb >> 16) & 255) / 255.0) + 0.7152 * lin(((rgb >> 8) & 255) / 255.0) +
         0.0722 * lin((rgb & 255) / 255.0);
}
}  // namespace

// The contrast of the text in a box of a capture: its commonest colour (the ground) against the colour
// that differs most from it (the glyphs' cores).
double textContrast(const CapturedWindow& cap, int left, int top, int right, int bottom) {
  std::vector<std::uint32_t> colours;
  for (int y = std::max(0, top); y < std::min(cap.height, bottom); ++y)
    for (int x = std::max(0, left); x < std::min(cap.width, right); ++x) colours.push_back(cap.at(x, y));
  if (colours.empty()) return 0.0;
  std::sort(colours.begin(), colours.end());
  std::uint32_t ground = colours[0];
  std::size_t best = 0;
  for (std::size_t i = 0, j; i < colours.size(); i = j) {
    for (j = i; j < colours.size() && colours[j] == colours[i]; ++j) {
    }
    if (j - i > best) best = j - i, ground = colours[i];
  }
  double ratio = 1.0;
  for (std::uint32_t c : colours) {
    const double a = luminance(c), b = luminance(ground);
    ratio = std::max(ratio, (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05));
  }
  return ratio;
}

int runTestsOnceWindowOneTakesInput(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  clearProgramKeys();
  aboutSetMillisFunction([](std::int64_t, std::int64_t) -> std::int64_t { return 1 << 30; });
  InProgramRun how;
  how.untilWindowOneTakesInput = true;
  return runTestsInProgram(how);
}
