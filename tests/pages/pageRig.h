// A sound page's test window: slot 1 of its own under the kit's fixtures, the window data on an
// engine reset to a fresh preset as the window's user data and owner. The test's rig builds its page
// on it and names how the page's pane is selected; the rig reads the page's items through that.
#pragma once
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>

#include "app/mainWindowData.h"
#include "kitTestSupport.h"

struct ControlItem;
struct Engine;
struct NumboxData;

const int16_t kPageWin = 1;

// The engine the page tests of one program share: made on first use, with the preset waves and the
// undo bank it needs.
Engine* pageTestEngine();

double msSince(std::chrono::steady_clock::time_point t0);

struct PageWindowRig {
  KitFixtureScope kit;
  KitWindow window{kPageWin};
  MainWindowData data{};
  void (*selectPane)(WinId win) = nullptr;

  // The window: `capacity` items, a client area of width x height at (x, y). `prepare` runs on the
  // engine after its fresh preset, before the window data is made.
  PageWindowRig(std::uint16_t capacity, int width, int height, int x, int y,
                const std::function<void(Engine*)>& prepare = nullptr);
  ~PageWindowRig();
  PageWindowRig(const PageWindowRig&) = delete;
  PageWindowRig& operator=(const PageWindowRig&) = delete;

  // A pane of `capacity` items at the window's origin, hidden.
  void addHiddenPane(uint16_t id, uint16_t capacity);
  // The page built in its hidden pane (as the main window builds its pages at start-up), then the
  // window shown and the page with it.
  void buildThenShow(uint16_t paneId, uint16_t capacity, void (*build)(WinId), void (*show)(WinId, std::uint8_t));

  Engine* engine() const { return data.engine; }
  HWND hwnd() { return window.nativeHandle(); }
  // The page's items, its pane selected first.
  ControlItem* item(uint16_t id);
  bool lit(uint16_t id);
  bool shown(uint16_t id);
  NumboxData* box(uint16_t id);
  double boxValue(uint16_t id);
};
