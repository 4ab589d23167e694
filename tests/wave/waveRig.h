// The Wave page on a window of its own (slot 1, pane 4) for the wave tests: the engine reset to a
// fresh preset, the page built in its hidden pane and shown, preset waves made from test shapes, and
// real mouse input posted at page points.
#pragma once
#include <windows.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "controls/ctrlItems.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/testAudioThread.h"
#include "kitTestSupport.h"
#include "pages/pageRig.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "uiSeams/msgBox.h"
#include "wave/waveEditState.h"
#include "wave/wavePage.h"

namespace waverig {

const double kPi = 3.14159265358979323846;

inline std::vector<float> shape(const std::function<double(int)>& f) {
  std::vector<float> s(waveLength);
  for (int i = 0; i < waveLength; ++i) s[i] = static_cast<float>(f(i));
  return s;
}
inline std::vector<float> sine(double amp = 1.0, int cycles = 1) {
  return shape([=](int i) { return amp * std::sin(2 * kPi * cycles * i / waveLength); });
}
inline std::vector<float> square(double amp = 0.9) {
  return shape([=](int i) { return i < waveLength / 2 ? amp : -amp; });
}

// A preset wave made with these samples; its local index (-1 when none was left).
inline int16_t makeWave(Engine* e, const std::vector<float>& samples) {
  const int16_t id = engineClaimPresetWave(e);
  if (id < 0) return -1;
  waveCopySamplesIn(e, static_cast<uint16_t>(id & 0xFF), samples.data());
  return static_cast<int16_t>(id & 0xFF);
}

inline std::vector<float> samplesOf(Engine* e, int index) {
  const WaveRecord* w = engineLocalWave(e, index);
  return w ? std::vector<float>(w->samples, w->samples + waveLength) : std::vector<float>();
}

inline float peakOf(const std::vector<float>& s) {
  float p = 0;
  for (float v : s) p = std::fabs(v) > p ? std::fabs(v) : p;
  return p;
}

inline bool allFinite(const std::vector<float>& s) {
  for (float v : s)
    if (!std::isfinite(v)) return false;
  return true;
}

inline double maxDiff(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return 1e9;
  double m = 0;
  for (std::size_t i = 0; i < a.size(); ++i) m = std::fmax(m, std::fabs(double(a[i]) - b[i]));
  return m;
}

// Output 1 of a note held on channel 0 over `blocks` sub-blocks (the first 8 left to settle), rendered
// by the audio client's own sub-block; `start` plays the note-on first, else the note stays held.
inline std::vector<float> renderHeldNote(Engine* e, int blocks, bool start) {
  std::vector<float> out1(engineBlockMax), out2(engineBlockMax);
  float* outs[2] = {out1.data(), out2.data()};
  const std::uint8_t note[3] = {0x90, 57, 100};
  std::vector<float> taken;
  for (int b = 0; b < blocks; ++b) {
    const bool first = start && b == 0;
    TestAudioThread::runClientSubBlock(e, outs, 2, 0, first ? note : nullptr, first ? 1 : 0);
    if (b >= 8) taken.insert(taken.end(), out1.begin(), out1.end());
  }
  return taken;
}

struct WaveHarness : PageWindowRig {
  // `items`: the window's item places (the main window's count where other panes join the page).
  explicit WaveHarness(const std::function<void(Engine*)>& prepare = nullptr, int16_t items = 8)
      : PageWindowRig(items, wavePageWidth, wavePageHeight, 40, 20, prepare) {
    selectPane = [](int16_t w) { wavePageSelectPane(static_cast<uint16_t>(w)); };
    wavePageResetForTest();
    undoSetKind(undoKindNone);
    buildThenShow(wavePaneId, 32, wavePageBuildEntry, wavePageShow);
  }
  ~WaveHarness() { msgBoxCaptureEnd(); }
  WaveHarness(const WaveHarness&) = delete;
  WaveHarness& operator=(const WaveHarness&) = delete;

  void refresh() {
    waveEditRefreshSelector(kPageWin);
    drainMessages();
  }
  // Makes the wave and edits it on the page.
  int16_t edit(const std::vector<float>& samples) {
    const int16_t i = makeWave(engine(), samples);
    waveEditBuffers()->currentWave = i;
    refresh();
    return i;
  }
  std::vector<float> current() { return samplesOf(engine(), waveEditBuffers()->currentWave); }
  void setCurrent(const std::vector<float>& s) {
    std::memcpy(engineLocalWave(engine(), waveEditBuffers()->currentWave)->samples, s.data(),
                sizeof(float) * waveLength);
    refresh();
  }
  CtrlRect rect(uint16_t id) {
    ControlItem* it = item(id);
    return it ? it->rect : CtrlRect{0, 0, 0, 0};
  }
  // Posted input at page points (the item rectangles' coordinates).
  int cx(int x) { return x + winGetOriginX(kPageWin); }
  int cy(int y) { return y + winGetOriginY(kPageWin); }
  void press(int x, int y) {
    g_testTick += 1000;
    postPress(hwnd(), cx(x), cy(y));
    drainMessages();
  }
  void drag(int x, int y) {
    postMove(hwnd(), cx(x), cy(y), true);
    drainMessages();
  }
  void hover(int x, int y) {
    postMove(hwnd(), cx(x), cy(y), false);
    drainMessages();
  }
  void release(int x, int y) {
    postRelease(hwnd(), cx(x), cy(y));
    drainMessages();
  }
  void click(uint16_t id) {
    const CtrlRect r = rect(id);
    press((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    release((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  // The display point of sample index i and value v.
  int xOf(int i) { return rect(waveItemDisplay).left + i / 2; }
  int yOf(double v) {
    return rect(waveItemDisplay).top + waveDisplayZeroRow - static_cast<int>(std::lround(v * 128.5));
  }
};

}  // namespace waverig
