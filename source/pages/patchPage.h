// The Patch page: three channel panels (oscillator in three sections, filter, modulator, level fader,
// sound-field pad) above the master strip (waveshaper, master filter, effect) and the routing drawing.
// The page lives in pane pagePatch of its window and finds the engine as the first word of the window's user
// data. It keeps no copy of the preset: every refresh reads the engine again.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "pages/pages.h"

struct Engine;

enum { patchPaneId = 3, patchChannelCount = 3, patchChannelIdStride = 98 };

// The master strip's items and the routing drawing (fixed ids).
enum {
  patchIdPage = 2,
  patchIdShaperPanel = 10,
  patchIdMasterFilterPanel = 11,
  patchIdEffectPanel = 12,
  patchIdShaperOn = 19,
  patchIdMasterFilterOn = 20,
  patchIdEffectOn = 21,
  patchIdRouteLine1 = 22,
  patchIdRouteLight2 = 23,
  patchIdRouteLight3 = 24,
  patchIdRouteLine23 = 25,
  patchIdRouteLine3 = 26,
  patchIdRouteMaster = 27,
  patchIdRouteJunction1 = 28,
  patchIdRouteJunction23 = 29,
  patchIdSurround = 35,
  patchIdShaperInGain = 86,
  patchIdShaperOutGain = 87,
  patchIdShaperPhase = 88,
  patchIdShaperPostMix = 89,
  patchIdShaperWave = 90,
  patchIdMasterFilterInert = 91,
  patchIdMasterFilterFreq = 92,
  patchIdMasterFilterQ = 93,
  patchIdMasterFilterThird = 94,
  patchIdMasterFilterType = 95,
  patchIdMasterFilterPostMix = 96,
  patchIdEffectEdit = 97
};

// Control k of channel c has the id patchChannelIdBase(c) + k. The oscillator area shows one of three
// sections (main, second oscillator, voices) picked by the three tabs.
enum {
  patchKPanel = 3,
  patchKOscArea = 4,
  patchKSectionMain = 5,
  patchKSectionSecond = 6,
  patchKSectionVoices = 7,
  patchKFilterPanel = 8,
  patchKModPanel = 9,
  patchKOn = 13,
  patchKTabMain = 14,
  patchKTabSecond = 15,
  patchKTabVoices = 16,
  patchKFilterOn = 17,
  patchKModOn = 18,
  patchKLevelStrip = 30,
  patchKLevelText = 31,
  patchKLevel = 32,
  patchKPad = 33,
  patchKAuxSwitch = 36,
  patchKPitch = 37,
  patchKPhase = 38,
  patchKBalance = 39,
  patchKInert = 40,
  patchKPitchB = 41,
  patchKPhaseB = 42,
  patchKWaveA = 43,
  patchKWaveB = 44,
  patchKFreqMode = 45,
  patchKFreqModeB = 46,
  patchKOscType = 47,
  patchKVoices = 48,
  patchKTrans = 49,
  patchKRandTrans = 50,
  patchKIterations = 51,
  patchKAmount = 52,
  patchKDisplacement = 53,
  patchKBandLimit = 54,
  patchKSampleFile = 55,
  patchKSampleStart = 56,
  patchKGrainTime = 57,
  patchKGrainDensity = 58,
  patchKGrainSize = 60,
  patchKGrainRandAmp = 61,
  patchKGrainRandFreq = 62,
  patchKGrainRandTime = 63,
  patchKStereo = 64,
  patchKLoopMode = 65,
  patchKLoopStart = 66,
  patchKLoopEnd = 67,
  patchKInput1 = 68,
  patchKInput2 = 69,
  patchKInputGain = 70,
  patchKPhaseMode = 71,
  patchKFilterFreq = 73,
  patchKFilterSecond = 74,
  patchKFilterThird = 75,
  patchKFilterType = 76,
  patchKModFreq = 79,
  patchKModBalance = 80,
  patchKModType = 81,
  patchKModWave = 82,
  patchKModFreqMode = 83,
  patchKModShift = 84
};

// Page state kept per program (the page exists once, in the main window). The auto-balance flag and
// the balance weights live in the main window's data; these copies serve a window without it.
struct PatchPageState {
  uint16_t oscOnShown[patchChannelCount];
  uint16_t section[patchChannelCount];
  float mixLevel[patchChannelCount];  // level x channels on, capped at 1
  uint16_t anyChannelOn;
  uint8_t refreshFlag;
  uint8_t autoBalance;
  float balanceWeight[patchChannelCount];
  uint8_t masterStereo;
};
PatchPageState* patchPageState();
// The balance weights and auto-balance flag of the window (its main-window data, else the page's).
float* patchBalanceWeights(WinId win);

int16_t patchChannelIdBase(int16_t channel);  // 0, 98, 196; anything else 0
int16_t patchChannelOfId(int32_t id);         // < 98: 0, < 196: 1, < 294: 2, else 0
Engine* patchEngineOf(WinId win);             // first word of the window's user data, or null

// The page protocol's entries (pages.h) are patchPageBuildEntry, patchPageShow, patchPageIsShown and
// patchPageRefreshEntry; these are the page's own forms.
void patchPageSelectPane(WinId win);
bool patchPageRefresh(WinId win);  // false when the page is not shown or has no engine
void patchPageBuild(WinId win);
void patchBuildChannel(WinId win, int16_t channel);
void patchChannelSelectSection(WinId win, int16_t channel, uint16_t section);
void patchRefreshChannelControls(WinId win, int16_t channel, int16_t oscType, uint8_t channelOn);
void patchRefreshMixSection(WinId win);
void patchRefreshFilterPanel(WinId win, int16_t channel);
void patchRefreshModPanel(WinId win, int16_t channel);
void patchRefreshSampleLoop(WinId win, int16_t channel);
void patchSetPhaseMode(WinId win, int16_t channel, uint8_t free);

int16_t audioInputItemOf(WinId window, int16_t input);
int16_t audioInputOfItem(uint32_t window, int16_t item);

// Whether a control is active in the picture that holds it (its child entry is shown).
bool patchControlIsActive(WinId win, uint16_t id);
// Lights or darkens a switch without running its action.
void patchButtonSetOn(WinId win, uint16_t id, bool on);
// Makes a switch take input and show its normal look, or show its inactive look and take none.
void patchButtonSetActive(WinId win, uint16_t id, bool on);

// ---- controls (patchControls.cpp)
void patchFreqModeMenuFill(ControlItem* selector, int32_t build);
void patchOscTypeMenuFill(ControlItem* selector, int32_t build);
void patchFilterTypeMenuFill(ControlItem* selector, int32_t build);
void patchAudioInputMenu(ControlItem* selector, int32_t build);
void patchLoopModeMenu(ControlItem* selector, int32_t build);
void patchModTypeMenu(ControlItem* selector, int32_t build);

int16_t patchOscTypeOfItem(int16_t item);     // -1 for separators and unknown items
int16_t patchOscItemOfType(int16_t type);     // 0 when none
int16_t patchFilterTypeOfItem(int16_t item);  // 0 for unknown items
int16_t patchFilterItemOfType(int16_t type);  // 0 for types without an item
int16_t patchFreqModeOfItem(int16_t item);    // 0, 1, 3, 2 for items 1..4; 0 otherwise
int16_t patchFreqItemOfMode(int16_t mode);

void patchFilterShowType(WinId win, int16_t filter, int16_t type);
void patchOscPitchShow(WinId win, int16_t channel);
void patchModFreqShow(WinId win, int16_t channel);
void patchPitchBoxSetMode(WinId win, uint16_t box, int16_t mode, double value);
void patchModShowType(WinId win, int16_t channel, int16_t type);
void patchOscTypeShow(WinId win, int16_t channel);
void patchWaveshaperShow(WinId win);
void patchMasterFilterShow(WinId win);
void patchEffectShow(WinId win);
void patchPostMixShow(WinId win);
void patchPanShow(WinId win, uint8_t surroundOn);
void patchLevelShow(WinId win, int16_t channel, double level);
void patchLevelText(double level, char* out, int capacity);  // "%1.1f dB" with the 0.199 snap
double patchLevelOfPosition(double position);                // p^2 clamped to 1/65536..65535/65536

// Callbacks, reachable for tests that drive them the way the controls do.
void patchSelectorChosen(ControlItem* item, int16_t menu, int16_t entry);
void patchNumboxChanged(ControlItem* item, double value);
void patchButtonAction(ControlItem* item, uint8_t pressed, int16_t state);
void patchKnobChanged(ControlItem* item, double x, double y);
void patchPageMouse(ControlItem* background);

// The hidden master box 91 is kept inert; this tells whether a change reached it (tests).
uint32_t patchInertBoxCalls();
