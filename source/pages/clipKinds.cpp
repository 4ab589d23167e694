#include "pages/clipKinds.h"

#include <cstring>

#include "midi/noteCurveClip.h"
#include "pages/pages.h"
#include "uiSeams/appMenu.h"

namespace {

std::uint16_t g_copyKind = 0;
std::uint16_t g_pasteKind = 0;
std::uint8_t g_pasteEnabled = 0;

const char* const kCopyLabels[5] = {"Copy", "Copy Envelope", "Copy Breakpoints", "Copy Wave", "Copy Notescale Map"};
const char* const kPasteLabels[5] = {"Paste", "Paste Envelope", "Paste Breakpoints", "Paste Wave",
                                     "Paste Notescale Map"};

// The editor a kind belongs to: envelopes and breakpoints share the envelope editor.
int editorOf(int kind) { return kind == clipKindBreakpoints ? clipKindEnvelope : kind; }

void pasteRefresh() {
  if (!g_pasteEnabled) {
    appMenuEnableItem(appMenuEdit, editPosPaste, false);
    return;
  }
  appMenuEnableItem(appMenuEdit, editPosPaste, g_pasteKind != 0);
  appMenuSetItemText(appMenuEdit, editPosPaste, kPasteLabels[g_pasteKind]);
}

void copyRefresh() {
  appMenuEnableItem(appMenuEdit, editPosCut, false);
  appMenuEnableItem(appMenuEdit, editPosSelectAll, false);
  appMenuEnableItem(appMenuEdit, editPosClear, false);
  pasteRefresh();
  appMenuEnableItem(appMenuEdit, editPosCopy, g_copyKind != 0);
  appMenuSetItemText(appMenuEdit, editPosCopy, kCopyLabels[g_copyKind]);
}

}  // namespace

void clipSetCopyKind(std::int16_t kind) {
  if (kind >= 0 && kind <= 4) g_copyKind = static_cast<std::uint16_t>(kind);
  copyRefresh();
}

void clipSetPasteKind(std::int16_t kind) {
  if (kind >= 0 && kind <= 4) g_pasteKind = static_cast<std::uint16_t>(kind);
  g_pasteEnabled = 1;
  pasteRefresh();
}

void clipEnablePaste(std::uint8_t on) {
  g_pasteEnabled = on;
  pasteRefresh();
}

std::int16_t clipGetPasteKind() { return static_cast<std::int16_t>(g_pasteKind); }
std::int16_t clipGetCopyKind() { return static_cast<std::int16_t>(g_copyKind); }
std::uint8_t clipPasteEnabled() { return g_pasteEnabled; }

void clipCopy(WinId windowId) {
  switch (g_copyKind) {
    case clipKindEnvelope:
    case clipKindBreakpoints: envClipCopy(windowId); break;
    case clipKindWave: waveClipCopy(windowId); break;
    case clipKindNoteScale:
      // The note-curve clipboard reports a copy; the stored kind follows it.
      if (noteCurveClipCopy(windowId)) clipSetPasteKind(clipKindNoteScale);
      break;
    default: break;
  }
}

void clipPaste(WinId windowId) {
  // A greyed Paste item (which an accelerator key still reaches) or a stored kind of another editor
  // than the one in front pastes nothing.
  if (!g_pasteEnabled || g_pasteKind == 0) return;
  if (editorOf(g_pasteKind) != editorOf(g_copyKind)) return;
  switch (g_pasteKind) {
    case clipKindEnvelope:
    case clipKindBreakpoints: envClipPaste(windowId); break;
    case clipKindWave: waveClipPaste(windowId); break;
    case clipKindNoteScale: noteCurveClipPaste(windowId); break;
    default: break;
  }
}

bool clipCopyLabel(char* out) {
  const bool on = g_copyKind >= 1 && g_copyKind <= 4;
  if (out) std::strcpy(out, on ? kCopyLabels[g_copyKind] : "Copy");
  return on;
}

bool clipPasteLabel(char* out) {
  const bool on = g_pasteEnabled && g_pasteKind >= 1 && g_pasteKind <= 4;
  if (out) std::strcpy(out, on ? kPasteLabels[g_pasteKind] : "Paste");
  return on;
}

void clipReset() {
  g_copyKind = 0;
  g_pasteKind = 0;
  g_pasteEnabled = 0;
}
