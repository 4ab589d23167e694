// The harmonics display's own state and the operations beyond the Wave page's entries
// (wave/waveHarmonics.h): the analysis, the bar painting, the rebuild of the edited wave from the
// table plus the residual, and the harmonic shift of the transform panel.
#pragma once
#include <cstdint>

#include "preset/wave.h"
#include "uiSeams/winId.h"
#include "wave/waveEditState.h"

// Custom item events the display handles; every other code is ignored.
enum {
  harmonicsEventPaint = 1,
  harmonicsEventMouse = 2,
  harmonicsEventClear = 4,
  harmonicsEventRelease = 5,
  harmonicsEventShow = 8
};

// Geometry (display coordinates): harmonic k owns columns 8k..8k+7, its bars stand at 8k + 4; the
// amplitude bars rise from row 127, the phase bars hang from row 129 (the zero line).
enum { harmonicsColumnWidth = 8, harmonicsAmpBase = 127, harmonicsZeroRow = 129, harmonicsRowsMax = 256 };

struct HarmonicsView {
  std::int16_t zeroRow;                      // window row of the display's top + 129
  std::int16_t ampBar[waveHarmonicCount];    // row 0..128 of the amplitude bar's top (0 full amplitude)
  std::int16_t phaseBar[waveHarmonicCount];  // length 0..127 of the phase bar below the middle
  float resynth[waveLength];                 // the table's rebuild
  float residual[waveLength];                // the edited wave minus its normalised rebuild (last analysis)
  std::int16_t currentHarmonic;              // index 0..63 the mouse edit last reached; -1 at start
  std::int16_t highlighted;                  // harmonic number 1..64 last highlighted; -1 at start
  std::int16_t readoutHarmonic;              // harmonic number held in mode 12, else 0
};

HarmonicsView* harmonicsView();

// Analysis of the edited wave: table, residual, bars; the oscillators are told.
void harmonicsAnalyze(WinId win);
// Paints bar k (0..63) or, for k outside, the whole display; highlighted bars use the highlight pen.
void harmonicsDrawBars(WinId win, std::int32_t k, bool highlight);
// Rebuilds the edited wave from the table and the residual and tells the oscillators.
void harmonicsRebuild(WinId win);
// Bars of all 64 harmonics by the analysis rules (126 phase rows per turn).
void harmonicsComputeBars();
// The transform panel's shift: the table = the snapshot moved by s harmonics, rebuilt and shown.
void harmonicsShift(WinId win, std::int16_t s);
