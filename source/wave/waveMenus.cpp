// The two "Transform" menus of the Wave page, the wave undo (Edit-menu undoKindWaveform, one level that
// toggles between undo and redo) and the Edit-menu copy and paste of waves (clipboard kind 3).
#include <cmath>
#include <cstring>

#include "controls/ctrlItems.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "pages/clipKinds.h"
#include "preset/library.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "wave/waveEditState.h"
#include "wave/waveHarmonics.h"
#include "wave/wavePage.h"
#include "wave/waveTransformPanel.h"

namespace {

struct MenuEntry {
  std::int32_t id;
  const char* text;
};

const MenuEntry kWaveMenu[] = {{waveCmdNormalize, "Normalize"},
                               {waveCmdDcOffset, "DC Offset"},
                               {waveCmdOffsetPhase, "Offset Phase..."},
                               {waveCmdInvert, "Invert Phase"},
                               {waveCmdReverse, "Reverse"},
                               {waveCmdMix, "Mix..."},
                               {waveCmdFractalize, "Fractalize..."},
                               {waveCmdFilter, "Filter..."},
                               {waveCmdFm, "FM..."},
                               {waveCmdSep1, "-"},
                               {waveCmdLoadWave, "Load Wave..."},
                               {waveCmdExtract, "Extract from WAV..."},
                               {waveCmdSep2, "-"},
                               {waveCmdLoadLibrary, "Load Wave from Library"},
                               {waveCmdSaveLibrary, "Save Wave to Library..."},
                               {waveCmdSep3, "-"},
                               {waveCmdClear, "Clear"}};

const MenuEntry kHarmMenu[] = {{harmCmdInvert, "Invert Phase"},
                               {harmCmdShift, "Shift Harmonics..."},
                               {harmCmdSep1, "-"},
                               {harmCmdLoadWave, "Load Wave..."},
                               {harmCmdSep2, "-"},
                               {harmCmdLoadLibrary, "Load Wave from Library"},
                               {harmCmdSaveLibrary, "Save Wave to Library..."},
                               {harmCmdSep3, "-"},
                               {harmCmdClearAll, "Clear All"},
                               {harmCmdClearAmps, "Clear Amplitudes"},
                               {harmCmdClearPhases, "Clear Phase"}};

template <std::size_t N>
void fillMenu(ControlItem* item, std::int32_t opening, const MenuEntry (&entries)[N], std::int32_t libraryItem) {
  if (!item) return;
  const WinId win = item->windowId;
  const std::uint16_t id = item->id;
  if (!opening) {
    libRelease(libKindWave);
    return;
  }
  libScanFolder(libKindWave);
  menuClear(win, id);
  for (const MenuEntry& e : entries) {
    menuAppendItem(win, id, e.id, e.text[0] == '-' ? 0 : 1, e.text, 0);
    if (e.text[0] == '-') menuEnableItem(win, id, e.id, 0);
  }
  const std::int16_t library = libGetKindHandle(libKindWave);
  if (library > 0) menuAttachSubmenu(win, id, libraryItem, library);
}

bool isLibraryMenu(std::int16_t menu) { return menu != 0 && menu == libGetKindHandle(libKindWave); }

// What a loaded or pasted wave may hold: finite samples (non-finite ones become 0).
void keepFinite(float* s) {
  for (int i = 0; i < waveLength; ++i)
    if (!std::isfinite(s[i])) s[i] = 0.0f;
}

// Runs one wave command inside the wave undo: capture, change, finish; then the oscillators and the
// page follow.
template <typename Change>
void undoable(WinId win, Change change) {
  float* s = waveEditSamples(win);
  if (!s) return;
  waveUndoCapture(win);
  change(s);
  waveUndoFinish(win);
  waveEditNotify(win);
  waveEditRefreshSelector(win);
}

void loadFromLibrary(WinId win, std::int16_t entry) {
  Engine* e = waveEngineOf(win);
  if (!e || waveEditBuffers()->currentWave < 0) return;
  undoable(win, [&](float* s) {
    libDispatch(libKindWave, entry, waveEditCurrentId(), e);
    keepFinite(s);
  });
  harmonicsDisplayRefresh(win, waveItemHarmDisplay);
}

void saveToLibrary(WinId win) {
  Engine* e = waveEngineOf(win);
  if (!e || waveEditBuffers()->currentWave < 0) return;
  libSaveItem(winGetFrameworkWindow(win), "Untitled", libKindWave, waveEditCurrentId(), e);
}

}  // namespace

void waveFormMenuFill(ControlItem* item, std::int32_t opening) {
  fillMenu(item, opening, kWaveMenu, waveCmdLoadLibrary);
}

void waveHarmonicMenuFill(ControlItem* item, std::int32_t opening) {
  fillMenu(item, opening, kHarmMenu, harmCmdLoadLibrary);
}

void waveFormMenuCommand(ControlItem* item, std::int16_t menu, std::int16_t entry) {
  if (!item) return;
  const WinId win = item->windowId;
  if (!waveEngineOf(win)) return;
  wavePageSelectPane(win);
  if (isLibraryMenu(menu)) {
    loadFromLibrary(win, entry);
    return;
  }
  switch (entry) {
    case waveCmdNormalize: waveEditNormalizeCurrent(win); break;
    case waveCmdDcOffset: undoable(win, [](float* s) { waveRemoveDc(s); }); break;
    case waveCmdInvert:
      undoable(win, [](float* s) {
        for (int i = 0; i < waveLength; ++i) s[i] = -s[i];
      });
      break;
    case waveCmdReverse:
      undoable(win, [](float* s) {
        float copy[waveLength];
        std::memcpy(copy, s, sizeof copy);
        for (int i = 0; i < waveLength; ++i) s[i] = copy[waveLength - 1 - i];
      });
      break;
    case waveCmdClear: undoable(win, [](float* s) { std::memset(s, 0, sizeof(float) * waveLength); }); break;
    case waveCmdExtract:
      if (!waveEditSamples(win)) break;
      waveUndoCapture(win);
      waveExtractFromWav(win);
      waveUndoFinish(win);
      break;
    case waveCmdOffsetPhase: waveXformPanelShow(win, 1, waveXformPageOffsetPhase); break;
    case waveCmdMix: waveXformPanelShow(win, 1, waveXformPageMix); break;
    case waveCmdFractalize: waveXformPanelShow(win, 1, waveXformPageFractalize); break;
    case waveCmdFilter: waveXformPanelShow(win, 1, waveXformPageFilter); break;
    case waveCmdFm: waveXformPanelShow(win, 1, waveXformPageFm); break;
    case waveCmdLoadWave: waveXformPanelShow(win, 1, waveXformPageLoad); break;
    case waveCmdSaveLibrary: saveToLibrary(win); break;
    default: break;
  }
}

void waveHarmonicMenuCommand(ControlItem* item, std::int16_t menu, std::int16_t entry) {
  if (!item) return;
  const WinId win = item->windowId;
  if (!waveEngineOf(win)) return;
  wavePageSelectPane(win);
  if (isLibraryMenu(menu)) {
    loadFromLibrary(win, entry);
    return;
  }
  switch (entry) {
    case harmCmdInvert: harmonicsInvertPhase(win); break;
    case harmCmdShift:
      harmonicsTakeSnapshot();
      waveXformPanelShow(win, 1, waveXformPageShift);
      break;
    case harmCmdLoadWave: waveXformPanelShow(win, 1, waveXformPageLoadHarmonics); break;
    case harmCmdSaveLibrary: saveToLibrary(win); break;
    case harmCmdClearAll: harmonicsClear(win, 1, 1); break;
    case harmCmdClearAmps: harmonicsClear(win, 1, 0); break;
    case harmCmdClearPhases: harmonicsClear(win, 0, 1); break;
    default: break;
  }
}

void waveEditNormalizeCurrent(WinId win) {
  undoable(win, [](float* s) { waveNormalize(s); });
}

void waveUndoCapture(WinId win) {
  Engine* e = waveEngineOf(win);
  WaveEditBuffers* b = waveEditBuffers();
  if (!e || b->currentWave < 0) return;
  b->undoWave = b->currentWave;
  waveSaveUndoCopy(e, b->currentWave);
  undoSetKind(undoKindWaveform);
}

void waveUndoFinish(WinId win) {
  Engine* e = waveEngineOf(win);
  WaveEditBuffers* b = waveEditBuffers();
  if (!e || b->undoWave < 0) return;
  waveSaveRedoCopy(e, b->undoWave);
}

void waveEditUndoRedo(WinId win, std::uint8_t redo) {
  Engine* e = waveEngineOf(win);
  WaveEditBuffers* b = waveEditBuffers();
  if (!e || b->undoWave < 0 || b->undoWave != b->currentWave) return;
  // The undo belongs to the wave as the last edit left it (the redo copy; after an undo, the undo
  // copy). A wave changed since by other means (another preset loaded into the engine) keeps it.
  const float* wave = waveEditSamples(win);
  const float* left = (redo ? waveUndoRecord(e) : waveRedoRecord(e))->samples;
  for (int i = 0; i < waveLength; ++i)
    if (!(std::fabs(double(wave[i]) - left[i]) <= 1e-12)) return;
  wavePageSelectPane(win);
  const std::uint16_t index = static_cast<std::uint16_t>(b->currentWave);
  if (redo)
    waveRestoreRedoCopy(e, index);
  else
    waveRestoreUndoCopy(e, index);
  waveDisplayInvalidate(win);
  harmonicsDisplayRefresh(win, waveItemHarmDisplay);
  waveEditShowLevel(win);
}

void waveClipCopy(WinId win) {
  Engine* e = waveEngineOf(win);
  WaveEditBuffers* b = waveEditBuffers();
  if (!e || b->currentWave < 0) return;
  waveCopySamplesOut(e, static_cast<std::uint16_t>(b->currentWave), b->clipWave);
  clipSetPasteKind(clipKindWave);
}

void waveClipPaste(WinId win) {
  Engine* e = waveEngineOf(win);
  WaveEditBuffers* b = waveEditBuffers();
  if (!e || b->currentWave < 0) return;
  waveUndoCapture(win);
  keepFinite(b->clipWave);
  waveCopySamplesIn(e, static_cast<std::uint16_t>(b->currentWave), b->clipWave);
  waveUndoFinish(win);
  wavePageSelectPane(win);
  harmonicsDisplayRefresh(win, waveItemHarmDisplay);
  waveEditRefreshSelector(win);
}
