// The Envelope page on a window of its own for the envelope tests: slot 1 with the main window's data
// on a fresh preset, pane 6 at the top strip's height as in the program, the page built hidden and
// then shown; helpers to post presses, double clicks and drags at window points and to read rows.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/mainWindow.h"
#include "controls/ctrlItems.h"
#include "controls/list.h"
#include "controls/pane.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envView.h"
#include "kitTestSupport.h"
#include "pages/pageRig.h"
#include "preset/envelope.h"
#include "preset/wave.h"
#include "support/windowCapture.h"
#include "uiSeams/msgBox.h"
#include "uiaTestSupport.h"

inline void envSelectPaneForTest(WinId win) { envPageSelect(static_cast<std::uint16_t>(win)); }

struct EnvHarness : PageWindowRig {
  explicit EnvHarness(const std::function<void(Engine*)>& prepare = nullptr)
      : PageWindowRig(32, 827, 645, 30, 10, [&](Engine* e) {
          presetWavesInit();
          if (prepare) prepare(e);
          engineApplyPatchChange(e, 1);
        }) {
    selectPane = envSelectPaneForTest;
    envListSetFirstTime(1);
    paneCreate(kPageWin, envPaneId, 0, mainStripHeight, 0, envPaneItems, 0);
    winSelectPort(kPageWin, nullptr);
    ctrlShow(kPageWin, envPaneId, 0);
    winSelectPane(kPageWin, envPaneId);
    envPageBuildEntry(kPageWin);
    winShow(kPageWin, 1);
    drainMessages();
    envPageShow(kPageWin, 1);
    drainMessages();
    msgBoxCaptureBegin(msgAnswerOk);
    // The test clock moves on from any earlier test's presses: a first press is never a double click.
    static std::uint32_t clockBase = 0;
    clockBase += 1000000;
    g_testTick = clockBase;
  }
  ~EnvHarness() { msgBoxCaptureEnd(); }

  EnvelopeView* view() { return &data.envView; }
  ControlItem* row(int id) { return item(static_cast<uint16_t>(id)); }
  EnvelopeGraphRecord* record(int id) { return envGraphRecordOfItem(row(id)); }
  EnvelopeSlot* slot(int s) { return engineGetEnvelopeSlot(engine(), static_cast<int16_t>(s)); }
  std::string listText(int r) {
    selectPane(kPageWin);
    char text[listTextCapacity] = {};
    listGetRowText(kPageWin, envItemList, r, text);
    return text;
  }
  bool listSelected(int r) {
    selectPane(kPageWin);
    return listIsRowSelected(kPageWin, envItemList, r) != 0;
  }
  // Posted input at window points (a press far from the previous one in time is never a double click).
  void click(int x, int y) {
    g_testTick += 1000;
    postClick(hwnd(), x, y);
    drainMessages();
  }
  void doubleClick(int x, int y) {
    g_testTick += 1000;
    postClick(hwnd(), x, y);
    drainMessages();
    g_testTick += 50;
    postClick(hwnd(), x, y);
    drainMessages();
  }
  void drag(int x0, int y0, int x1, int y1, int steps = 4) {
    g_testTick += 1000;
    postPress(hwnd(), x0, y0);
    drainMessages();
    for (int i = 1; i <= steps; ++i) {
      postMove(hwnd(), x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, true);
      drainMessages();
    }
    postRelease(hwnd(), x1, y1);
    drainMessages();
  }
  // Full repaint of the window, then its pixels.
  CapturedWindow capture(const std::string& name) {
    InvalidateRect(hwnd(), nullptr, TRUE);
    UpdateWindow(hwnd());
    drainMessages();
    CapturedWindow shot;
    captureShown(hwnd(), shot, name);
    return shot;
  }
};

inline std::uint32_t rgb(int r, int g, int b) {
  return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

// Pixels of a colour inside a window rectangle.
inline int countColour(const CapturedWindow& shot, const CtrlRect& r, std::uint32_t colour) {
  int n = 0;
  for (int y = r.top; y < r.bottom && y < shot.height; ++y)
    for (int x = r.left; x < r.right && x < shot.width; ++x)
      if (y >= 0 && x >= 0 && shot.at(x, y) == colour) ++n;
  return n;
}

// A slot with breakpoints (seconds, level) and the sustain point given; mode Sustain.
inline void shapeSlot(EnvelopeSlot* s, float start, std::initializer_list<std::pair<double, float>> bps, int sustain) {
  int i = 0;
  for (const auto& bp : bps) {
    s->breakpoints[i].time = bp.first * 44100.0;
    s->breakpoints[i].level = bp.second;
    s->breakpoints[i].slope = 1.0f;
    s->breakpoints[i].step = 0;
    ++i;
  }
  s->startLevel = start;
  s->lastIndex = static_cast<std::int16_t>(i - 1);
  s->sustainIndex = static_cast<std::int16_t>(sustain);
  s->releaseIndex = static_cast<std::int16_t>(sustain);
  s->loopStart = 0;
  s->mode = envModeSustain;
}
