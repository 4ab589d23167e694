// Rebuild of the edited wave from the harmonic table and the whole-table operations of the
// harmonics menu ("Invert Phase", the three "Clear" entries) and of the transform panel's
// "Shift Harmonics" page. The residual of the last analysis is added to every rebuild, so what the
// 64 harmonics do not hold (a constant offset, harmonics above 64) survives them all.
#include "wave/waveHarmonics.h"
#include "wave/waveHarmonicsMath.h"
#include "wave/waveHarmonicsView.h"
#include "wave/wavePage.h"
#include "wave/waveTransformPanel.h"
#include "wave/waveXformPanel.h"

namespace {

bool editing(WinId win) { return waveEngineOf(win) && waveEditBuffers()->currentWave >= 0 && waveEditSamples(win); }

// The common end of a table operation: rebuild, bars by the analysis rules, repaint, read-outs.
void rebuildAndShow(WinId win) {
  harmonicsRebuild(win);
  harmonicsComputeBars();
  harmonicsDrawBars(win, -1, false);
  waveEditReadout(win, waveReadoutHarmonics);
}

}  // namespace

void harmonicsRebuild(WinId win) {
  float* target = waveEditSamples(win);
  if (!target) return;
  HarmonicsView* v = harmonicsView();
  harmonicsRebuildSamples(waveEditBuffers()->harmonics, v->residual, v->resynth, target);
  waveEditNotify(win);
}

void harmonicsInvertPhase(WinId win) {
  if (!editing(win)) return;
  waveUndoCapture(win);
  harmonicsInvertTable(waveEditBuffers()->harmonics);
  rebuildAndShow(win);
  waveUndoFinish(win);
}

void harmonicsClear(WinId win, std::uint8_t clearAmps, std::uint8_t clearPhases) {
  if (!editing(win)) return;
  waveUndoCapture(win);
  harmonicsClearTable(waveEditBuffers()->harmonics, clearAmps != 0, clearPhases != 0);
  rebuildAndShow(win);
  waveUndoFinish(win);
}

void harmonicsTakeSnapshot() {
  WaveEditBuffers* b = waveEditBuffers();
  for (int k = 0; k < waveHarmonicCount; ++k) b->harmonicsSnapshot[k] = b->harmonics[k];
}

void harmonicsShift(WinId win, std::int16_t s) {
  if (!editing(win)) return;
  WaveEditBuffers* b = waveEditBuffers();
  harmonicsShiftTable(b->harmonicsSnapshot, b->harmonics, s);
  harmonicsRebuild(win);
  harmonicsComputeBars();
  wavePageSelectPane(win);
  harmonicsDrawBars(win, -1, false);
  waveXformSelectPane(win);
  waveEditReadout(win, waveReadoutHarmonics);
}
