// The wave editor's state: one static record for the whole run (no allocation, no owner), shared by
// the Wave page, the waveform display, the read-outs and knobs, the menus, the harmonics view and the
// transform panel. User-interface thread only.
#pragma once
#include <cstdint>

#include "preset/wave.h"

enum { waveHarmonicCount = 64 };

struct WaveHarmonic {
  double amp;
  double phase;
};

struct WaveEditBuffers {
  std::int16_t currentWave;                           // local wave 0..7 being edited, -1 none
  std::int16_t undoWave;                              // local wave the last undo capture took, -1 none
  float workWave[waveLength];                         // transforms: working input and output
  float sourceWave[waveLength];                       // the edited wave before a transform
  float clipWave[waveLength];                         // the Edit menu's wave clipboard
  WaveHarmonic harmonics[waveHarmonicCount];          // harmonic table of the edited wave
  WaveHarmonic harmonicsSnapshot[waveHarmonicCount];  // the table before "Shift Harmonics..."
  std::uint8_t editorActive;                          // 1 while a wave is selected and the controls live
  std::int32_t view;                                  // 0 waveform view, 1 harmonics view
  std::int32_t toolButton;                            // waveItemToolLine, ...Cosine or ...HalfSine (0 before any)
  std::int32_t harmonicMode;                          // waveItemHarmSingle or waveItemHarmSweep (0 before any)
  float waveOffset;                                   // offset the offset knob shows
  float offsetRoomDown;                               // how far the wave may move down (0 or negative)
  float offsetRoomUp;                                 // how far the wave may move up
  std::uint8_t sliderDragging;                        // 1 while the position slider is held
  struct {
    std::int16_t y, x;
  } lastMouse;  // last point the mouse read-out handled
};

// The one record; currentWave and undoWave start at -1.
WaveEditBuffers* waveEditBuffers();

// State of the waveform display (beside the record): the anchor of the line and cosine tools and the
// markers of the half-sine tool keep their values for the whole run.
struct WaveDisplayState {
  std::int16_t position;     // anchor sample of the line and cosine tools (0 at start)
  std::int16_t rangeStart;   // marker A (256 at start)
  std::int16_t rangeEnd;     // marker B (768 at start)
  std::int32_t tool;         // 9, 10 or 11: the tool routine installed (10 at start)
  std::uint8_t drawing;      // 1 while a stroke is under way
  float strokeBase;          // value under the mouse at the stroke's press (half-sine tool)
  std::int16_t strokeIndex;  // sample index of the last stroke step
  std::int32_t strokeLeft, strokeTop, strokeRight, strokeBottom;  // the display at the press
  std::int16_t strokeZero;                                        // pixel row of the value 0: top + 129
  const float* strokeSource;  // the wave as it was at the press (the engine's undo copy)
  float* strokeTarget;        // the edited wave's samples
  struct {
    std::int16_t y, x;
  } columns[512];      // the polyline of the last drawing
  std::int16_t lastY;  // pixel row of sample 1023
  // Range bar: the grabbed marker (0 none, 1 A, 2 B), the mouse x and the marker's x at the press.
  std::uint8_t grabbed;
  std::int32_t grabPressX, grabRefX;
};

WaveDisplayState* waveDisplayState();
