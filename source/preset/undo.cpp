// Undo state and the Edit menu's undo item.
#include "preset/undo.h"

#include <cstring>

#include "uiSeams/appMenu.h"

namespace {

std::uint16_t gKind = undoKindNone;
std::uint8_t gRedo = 0;
std::uint8_t gAvailable = 0;
UndoHandler gHandlers[6] = {};

const char* textFor(std::uint16_t kind, std::uint8_t redo) {
  static const char* const texts[6][2] = {{"Undo", "Undo"},
                                          {"Undo", "Undo"},
                                          {"Undo Envelope Edit", "Redo Envelope Edit"},
                                          {"Undo Waveform Edit", "Redo Waveform Edit"},
                                          {"Undo Notescale Edit", "Redo Notescale Edit"},
                                          {"Undo Patch Edit", "Redo Patch Edit"}};
  return kind < 6 ? texts[kind][redo ? 1 : 0] : "Undo";
}

}  // namespace

void undoSetHandler(std::uint16_t kind, UndoHandler handler) {
  if (kind >= 2 && kind <= 5) gHandlers[kind] = handler;
}

void undoSetKind(std::uint16_t kind) {
  if (kind > 5) return;
  gKind = kind;
  gRedo = 0;
  gAvailable = 1;
  undoUpdateMenu();
}

std::uint16_t undoGetKind() { return gKind; }
std::uint8_t undoGetRedoState() { return gRedo; }

void undoSetEnabled(std::uint8_t flag) {
  gAvailable = flag;
  undoUpdateMenu();
}

void undoUpdateMenu() {
  if (gKind == undoKindNone) {
    appMenuEnableItem(appMenuEdit, 0, false);
    appMenuSetItemText(appMenuEdit, 0, "Undo");
  } else if (gKind >= 2 && gKind <= 5) {
    appMenuEnableItem(appMenuEdit, 0, true);
    appMenuSetItemText(appMenuEdit, 0, textFor(gKind, gRedo));
  }
  if (!gAvailable) appMenuEnableItem(appMenuEdit, 0, false);
}

bool undoGetMenuText(char* out, int capacity) {
  const bool any = gAvailable && gKind != undoKindNone;
  const char* text = any ? textFor(gKind, gRedo) : "Undo";
  if (out && capacity > 0) {
    std::strncpy(out, text, static_cast<std::size_t>(capacity - 1));
    out[capacity - 1] = 0;
  }
  return any;
}

void undoRedo(int window) {
  if (gKind == undoKindNone) return;
  if (gKind >= 2 && gKind <= 5 && gHandlers[gKind]) gHandlers[gKind](window, gRedo);
  gRedo = gRedo ? 0 : 1;
  undoUpdateMenu();
}
