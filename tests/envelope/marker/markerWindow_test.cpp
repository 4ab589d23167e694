// The play position marker on the page: with a held note rendered through the audio client's
// sub-block, each shown row gets a one-pixel line of (140, 140, 246) at its envelope's time, further
// right 200 ms later; none without a sounding note or while a mouse button is down; and the cost of
// one idle tick over 24 rows.
#include "../envHarness.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "engine/testAudioThread.h"
#include "envelope/envPlayMarker.h"
#include "preset/oscParams.h"

namespace {

void laterClock() {
  static uint32_t runs = 0;
  g_testTick += 1000000u * ++runs;
}

// Long first segments, so that the marker keeps moving while the key is held.
void slowRows(Engine* e) {
  e->channels[0]->on = 1;
  for (int s = 0; s < 3; ++s)
    shapeSlot(envSlot(e, static_cast<int16_t>(s)), 0.0f, {{4.0, 1.0f}, {1.0, 0.5f}, {1.0, 0.0f}}, 1);
}

void render(Engine* e, int blocks, bool noteOn) {
  std::vector<float> a(engineBlockMax), b(engineBlockMax);
  float* outs[2] = {a.data(), b.data()};
  const std::uint8_t note[3] = {0x90, 60, 100};
  for (int k = 0; k < blocks; ++k)
    TestAudioThread::runClientSubBlock(e, outs, 2, 0, (noteOn && k == 0) ? note : nullptr, (noteOn && k == 0) ? 1 : 0);
}

// The window as it is now, without a repaint (which would redraw the rows and so wipe the markers).
CapturedWindow asShown(EnvHarness& page, const std::string& name) {
  drainMessages();
  CapturedWindow shot;
  captureShown(page.hwnd(), shot, name);
  return shot;
}

// Columns of the marker colour inside a row, from a capture.
std::vector<int> markerColumns(const CapturedWindow& shot, const CtrlRect& r) {
  std::vector<int> xs;
  for (int x = r.left; x < r.right; ++x) {
    int n = 0;
    for (int y = r.top + 1; y < r.bottom - 1; ++y) n += shot.at(x, y) == rgb(140, 140, 246) ? 1 : 0;
    if (n > (r.bottom - r.top) / 2) xs.push_back(x);
  }
  return xs;
}

TEST(EnvMarkerWindow, LineFollowsTheHeldNote) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page(slowRows);
    laterClock();
    Engine* e = page.engine();
    // No sounding note: no marker.
    envPageIdleUpdate(kPageWin);
    CapturedWindow shot = page.capture("envelope_marker_none.png");
    for (int id = 16; id <= 18; ++id) EXPECT_TRUE(markerColumns(shot, page.row(id)->rect).empty()) << id;

    render(e, 100, true);  // 0.29 s into the note
    envPageIdleUpdate(kPageWin);
    for (int k = 0; k < 3; ++k) EXPECT_GT(envGraphMarkerX(page.row(16 + k)), 0) << "row " << 16 + k;
    shot = asShown(page, "envelope_marker_first.png");
    std::vector<int> first[3];
    for (int k = 0; k < 3; ++k) {
      first[k] = markerColumns(shot, page.row(16 + k)->rect);
      ASSERT_EQ(first[k].size(), 1u) << "row " << 16 + k;
      EXPECT_EQ(first[k][0], envGraphMarkerX(page.row(16 + k)));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    render(e, 69, false);  // 200 ms more of the held note
    envPageIdleUpdate(kPageWin);
    shot = asShown(page, "envelope_marker_later.png");
    for (int k = 0; k < 3; ++k) {
      const std::vector<int> later = markerColumns(shot, page.row(16 + k)->rect);
      ASSERT_EQ(later.size(), 1u);
      EXPECT_NEAR(later[0] - first[k][0], 0.2 * 128, 2.0) << "200 ms at zoom 128";
    }
    // While a mouse button is down anywhere the markers go.
    g_testTick += 1000;
    postPress(page.hwnd(), 60, 120);
    drainMessages();
    envPageIdleUpdate(kPageWin);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(envGraphMarkerX(page.row(16 + k)), -1);
    postRelease(page.hwnd(), 60, 120);
    drainMessages();
    // Key up and the envelopes run out: no marker.
    const std::uint8_t off[3] = {0x80, 60, 0};
    std::vector<float> a(engineBlockMax), b(engineBlockMax);
    float* outs[2] = {a.data(), b.data()};
    TestAudioThread::runClientSubBlock(e, outs, 2, 0, off, 1);
    render(e, 2000, false);
    envPageIdleUpdate(kPageWin);
    shot = asShown(page, "envelope_marker_ended.png");
    for (int id = 16; id <= 18; ++id) EXPECT_TRUE(markerColumns(shot, page.row(id)->rect).empty()) << id;
  });
}

TEST(EnvMarkerWindow, CostPerTick) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) {
      slowRows(e);
      for (int k = 0; k < 21; ++k) envCreate(e, static_cast<int16_t>(k % 3), envDestOscPitch);
    });
    laterClock();
    envListOnFilter(page.item(envItemFilter), 0, envFilterAll);
    envPageSetHeight(kPageWin, 1024);
    winSetSize(kPageWin, 827, 1024);
    envPageLayout(kPageWin);
    drainMessages();
    Engine* e = page.engine();
    render(e, 10, true);
    int shown = 0;
    const int ticks = 200;
    double total = 0.0;
    for (int i = 0; i < ticks; ++i) {
      render(e, 17, false);  // 50 ms of the note between two ticks: every line moves
      const auto t0 = std::chrono::steady_clock::now();
      envGraphUpdateMarkers(kPageWin, 1);
      total += msSince(t0);
    }
    for (int id = 16; id <= 39; ++id) shown += envGraphMarkerX(page.row(id)) > 0 ? 1 : 0;
    EXPECT_GE(shown, 5) << "lines drawn in the last tick";
    std::printf("[figure] lines drawn per tick: %d of 24 rows\n", shown);
    std::printf("[figure] play marker over 24 rows: %.3f ms per tick\n", total / ticks);
    EXPECT_LT(total / ticks, 5.0);
  });
}

}  // namespace
