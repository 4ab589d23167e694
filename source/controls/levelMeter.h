// The level meter: up to nine vertical bars of signal level drawn by a custom item from two bitmaps of
// the same size, an unlit bar (bitmap) and a lit bar (bitmap + 1). New levels show at once when they
// rise and fall back by a fifth of the distance per update; a press drops every bar to 0.
#pragma once
#include "controls/ctrlTypes.h"

enum { levelMeterMaxBars = 9, levelMeterLevels = 10 };

struct LevelMeterData {
  int16_t bitmap;
  uint16_t barCount;
  CtrlRect barRect;
  float levels[levelMeterLevels];
};

struct LevelMeter {
  static ControlItem* create(WinId win, uint16_t id, int32_t x, int32_t y, int32_t bitmap);
  static void setBarCount(WinId win, uint16_t id, int32_t n);
  static void setLevels(WinId win, uint16_t id, const float* levels, int32_t count, int32_t redraw);
  static void reset(WinId win, uint16_t id, int32_t redraw);
  static LevelMeterData* data(WinId win, uint16_t id);  // null unless a level meter
};
