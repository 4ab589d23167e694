// The Wave page (pane pageWave of the main window): the editor of the preset's up to eight engine-local
// single-cycle waves (local wave i has the id 0x7F00 + i). Two views over the same wave, switched by
// two tabs: the waveform view (display 22 drawn into with three stroke tools, the level and offset
// knobs, the waveform "Transform" menu) and the harmonics view (display 25 and its menu). Every edit
// writes the engine's local wave in place and then has the oscillators rebuild their band-limited
// tables (waveNotifyChanged), so it sounds at once.
//
// Every operation takes the main window's id first; the engine is the first word of the window's
// user data, and an operation does nothing without one (or, for those on the edited wave, when no
// wave is selected).
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "pages/pages.h"

struct Engine;

enum { wavePaneId = pageWave };

// Items of the page, all inside pane pageWave.
enum WavePageItem {
  waveItemBackground = 1,  // picture: page background, parent of the two view panels
  waveItemWavePanel = 2,   // picture: waveform view panel
  waveItemHarmPanel = 3,   // picture: harmonics view panel
  waveItemWaveTab = 5,     // tab of the waveform view
  waveItemHarmTab = 6,     // tab of the harmonics view
  waveItemLevelKnob = 7,
  waveItemOffsetKnob = 8,
  waveItemToolLine = 9,  // drawing tools: straight line, cosine join, half-sine
  waveItemToolCosine = 10,
  waveItemToolHalfSine = 11,
  waveItemHarmSingle = 12,  // harmonics display modes
  waveItemHarmSweep = 13,
  waveItemLevelText = 14,
  waveItemOffsetText = 15,
  waveItemSelector = 16,  // one entry per allocated wave, entry id = index + 1
  waveItemWaveMenu = 17,  // "Transform" of the waveform view
  waveItemHarmMenu = 18,  // "Transform" of the harmonics view
  waveItemReadoutH = 19,  // mouse read-outs
  waveItemReadoutV = 20,
  waveItemReadoutExtra = 21,
  waveItemDisplay = 22,      // waveform display 512 x 257
  waveItemSlider = 23,       // position slider of the line and cosine tools
  waveItemRangeBar = 24,     // range markers of the half-sine tool
  waveItemHarmDisplay = 25,  // harmonics display 512 x 257
  waveItemNoWaves = 26,      // the two messages shown without waves
  waveItemNoWavesHint = 27
};

// Pictures (bitmap ids) of the page.
enum WavePagePicture {
  waveBmpBackground = 1296,
  waveBmpWavePanel = 1300,
  waveBmpHarmPanel = 1301,
  waveBmpTools = 1316,      // 69 x 23: three 23-pixel tool faces side by side
  waveBmpHarmModes = 1324,  // 46 x 23: two mode faces
  waveBmpWaveTab = 1372,
  waveBmpHarmTab = 1380,
  waveBmpLevelKnob = 1388,
  waveBmpOffsetKnob = 1396,
  waveBmpTrack = 1400,  // the slider's track, also the range bar's
  waveBmpMarkerA = 1404,
  waveBmpMarkerB = 1406,
  waveBmpSelector = 1408
};

// Geometry of the page and its waveform display.
enum {
  wavePageWidth = 650,
  wavePageHeight = 498,
  waveDisplayX = 70,
  waveDisplayY = 115,
  waveDisplayWidth = 512,
  waveDisplayHeight = 257,
  waveDisplayZeroRow = 129,  // row of the value 0 below the display's top
  waveRangeBarWidth = 522,
  waveRangeBarHeight = 14,
  waveLocalWaves = 8
};

// The selector's one entry while the preset has no waves (disabled "None allocated").
enum { waveSelectorNoneEntry = 1 };

// Views.
enum { waveViewWaveform = 0, waveViewHarmonics = 1 };

// ---- Page, state and selector
Engine* waveEngineOf(WinId win);  // first word of the window's user data, or null
void wavePageSelectPane(WinId win);
void wavePageBuild(WinId win);
void waveEditRefreshAll(WinId win, std::int16_t index);
std::int16_t waveEditGetCurrentWave();
void waveEditSetActive(WinId win, std::uint8_t on);
void waveEditSetView(WinId win, std::int32_t view);
// The edited wave's samples, null when no wave is selected or the window has no engine.
float* waveEditSamples(WinId win);
std::int16_t waveEditCurrentId();  // 0x7F00 + currentWave (only meaningful while >= 0)
// Tells the oscillators the edited wave changed: the one rebuild path of the editor.
void waveEditNotify(WinId win);
float* waveEditWorkBuffer();
float* waveEditSourceBuffer();
void waveEditStoreWork(WinId win);
void waveEditLoadSource(WinId win);
void waveEditStoreSource(WinId win);
void waveEditForgetUndo();
std::int16_t uiDefaultFontSlot();
// Callbacks of the page's buttons and selector, reachable for tests that drive them the way the
// controls do.
void waveTabClicked(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void waveToolClicked(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void waveHarmModeClicked(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void waveSelectorChosen(ControlItem* item, std::int16_t menu, std::int16_t entry);
// Test hook: forgets the built page's state (as a fresh run starts).
void wavePageResetForTest();

// ---- Waveform display, tools and range bar
void waveDisplayCreate(WinId win, std::uint16_t id, std::int32_t x, std::int32_t y);
void waveDisplayInvalidate(WinId win);
void waveDisplayRedraw(WinId win);
void waveDisplaySetTool(WinId win, std::int32_t button);
std::int16_t waveDisplayGetPosition();
void waveDisplaySetPosition(WinId win, std::int32_t p);
void waveRangeBarCreate(WinId win, std::uint16_t id, std::int32_t x, std::int32_t y);
void waveRangeBarShow(WinId win, std::uint16_t id, std::uint8_t on);
void waveSliderChanged(ControlItem* item, double value, double);
// Tool routines: all 1024 target samples from the source and one stroke step (index n, value v).
typedef void (*WaveToolFn)(const float* source, float* target, std::int32_t n, float v);
void waveToolLine(const float* source, float* target, std::int32_t n, float v);
void waveToolCosine(const float* source, float* target, std::int32_t n, float v);
void waveToolHalfSine(const float* source, float* target, std::int32_t n, float v);
// Mouse point <-> sample index and value, as the display maps them.
std::int32_t waveDisplayIndexAt(std::int32_t x, std::int32_t left, std::int32_t right);
float waveDisplayValueAt(std::int32_t y, std::int32_t top);
std::int32_t waveDisplayRowOf(float v);
void waveNormalize(float* samples);
void waveRemoveDc(float* samples);

// ---- Read-outs, level and offset
void waveEditMouseReadout(WinId win);
void waveEditReadout(WinId win, std::int32_t mode);
void waveEditShowLevel(WinId win);
void waveEditShowOffset(WinId win);
void waveEditLevelKnob(ControlItem* item, double value, double);
// A drag of knob 7 or 8 cut short (its capture taken away before the release): its gesture ends as
// the release would end it.
void waveEditKnobCutShort(ControlItem* item);
enum { waveReadoutWaveform = 0, waveReadoutHarmonics = 1, waveReadoutPosition = 2, waveReadoutLeft = 3 };

// ---- Menus, wave undo and clipboard
enum WaveFormMenuItem {
  waveCmdNormalize = 1,
  waveCmdDcOffset = 2,
  waveCmdOffsetPhase = 3,
  waveCmdInvert = 4,
  waveCmdReverse = 5,
  waveCmdMix = 6,
  waveCmdFractalize = 7,
  waveCmdFilter = 8,
  waveCmdFm = 9,
  waveCmdSep1 = 10,
  waveCmdLoadWave = 11,
  waveCmdExtract = 12,
  waveCmdSep2 = 13,
  waveCmdLoadLibrary = 14,
  waveCmdSaveLibrary = 15,
  waveCmdSep3 = 16,
  waveCmdClear = 17
};
enum WaveHarmMenuItem {
  harmCmdInvert = 1,
  harmCmdShift = 2,
  harmCmdSep1 = 3,
  harmCmdLoadWave = 4,
  harmCmdSep2 = 5,
  harmCmdLoadLibrary = 6,
  harmCmdSaveLibrary = 7,
  harmCmdSep3 = 8,
  harmCmdClearAll = 9,
  harmCmdClearAmps = 10,
  harmCmdClearPhases = 11
};
void waveFormMenuFill(ControlItem* item, std::int32_t opening);
void waveHarmonicMenuFill(ControlItem* item, std::int32_t opening);
void waveFormMenuCommand(ControlItem* item, std::int16_t menu, std::int16_t entry);
void waveHarmonicMenuCommand(ControlItem* item, std::int16_t menu, std::int16_t entry);
void waveEditNormalizeCurrent(WinId win);
void waveUndoCapture(WinId win);
void waveUndoFinish(WinId win);
void waveEditUndoRedo(WinId win, std::uint8_t redo);
// waveClipCopy and waveClipPaste: pages/pages.h.

// ---- Extract from WAV
void waveExtractFromWav(WinId win);
// The open-file dialog ("Wave Files (*.WAV)"); 0 when cancelled. Tests answer it through
// waveSetOpenFileRoutine.
int waveOpenFileDialog(void* owner, char* path, char* title);
typedef int (*WaveOpenFileFn)(void* owner, char* path, char* title);
void waveSetOpenFileRoutine(WaveOpenFileFn routine);  // null: the system dialog again
