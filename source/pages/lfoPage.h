// The LFO page: the preset's three LFOs side by side, one column each (on switch, voice mode, wave,
// phase, period in seconds or beats, sample and hold, six depth targets with polarity and channel
// switches, the controllers that scale depth, rate and hold rate, and retriggering). The page lives
// in pane pageLfo of its window, finds the engine as the first word of the window's user data and keeps no
// copy of the LFOs: every refresh reads the engine again, every edit goes through the LFO setters.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "pages/pages.h"

struct Engine;

enum { lfoPaneId = 7, lfoColumnCount = 3, lfoColumnIdStride = 54 };
// The page background, behind the three columns.
enum { lfoIdPage = 1 };

// Control k of LFO c has the id lfoColumnBase(c) + k.
enum {
  lfoKPanel = 3,
  lfoKHoldGroup = 10,
  lfoKOn = 11,
  lfoKHold = 12,
  lfoKVoiceMode = 13,
  lfoKRateUnit = 15,
  lfoKHoldUnit = 16,
  lfoKWave = 17,
  lfoKPitchPolarity = 18,
  lfoKAmpPolarity = 19,
  lfoKFmPolarity = 20,
  lfoKFilterPolarity = 21,
  lfoKPitchChannel = 22,
  lfoKAmpChannel = 25,
  lfoKFmChannel = 28,
  lfoKFilterChannel = 31,
  lfoKFilterMaster = 34,
  lfoKDepthSource = 35,
  lfoKRateSource = 36,
  lfoKHoldRateSource = 37,
  lfoKRetrigger = 38,
  lfoKRetriggerSource = 39,
  lfoKPitchDepth = 40,
  lfoKAmpDepth = 41,
  lfoKFmDepth = 42,
  lfoKFilterDepth = 43,
  lfoKEffectDepth = 44,
  lfoKPanDepth = 45,
  lfoKDepthAmount = 46,
  lfoKRateAmount = 47,
  lfoKHoldRateAmount = 48,
  lfoKSeconds = 49,
  lfoKBeats = 50,
  lfoKHoldSeconds = 51,
  lfoKHoldBeats = 52,
  lfoKPhase = 53
};

int16_t lfoColumnBase(int16_t c);      // 0, 54, 108; anything else 0
int16_t lfoFromControlId(int32_t id);  // < 54: 0, < 108: 1, < 162: 2, else 0
Engine* lfoEngineOf(WinId win);        // first word of the window's user data, or null

void lfoPageSelect(WinId win);
bool lfoPageRefresh(WinId win);  // false when the page is not shown or has no engine
void lfoPageBuild(WinId win);

// Column operations: nothing for c outside 0..2.
void lfoColumnBuild(WinId win, int16_t c);
void lfoColumnShow(WinId win, int16_t c, uint8_t on);
void lfoShowSampleHold(WinId win, int16_t c, uint8_t on);
void lfoShowRetrigger(WinId win, int16_t c, uint8_t on);
// which 0: the rate's unit, 1: the hold period's; beat 1 shows the beats box, 0 the seconds box.
void lfoShowTimeUnit(WinId win, int16_t c, uint8_t which, uint8_t beat);

// Callbacks, reachable for tests that drive them the way the controls do.
void lfoButtonAction(ControlItem* item, uint8_t pressed, int16_t state);
void lfoNumboxChanged(ControlItem* item, double value);
void lfoWaveChosen(ControlItem* item, int16_t menu, int16_t entry);
// The source window's answer for the controller choice that is open.
void lfoSourceChosen(WinId win, int16_t source);
