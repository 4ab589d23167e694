// Undo state and the Edit menu's undo item.
#include "preset/undo.h"

#include <cstring>

#include "uiSeams/appMenu.h"

namespace {

std::uint16_t g_kind = undoKindNone;
std::uint8_t g_redo = 0;
std::uint8_t g_available = 0;
UndoHandler g_handlers[6] = {};

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
  if (kind >= 2 && kind <= 5) g_handlers[kind] = handler;
}

void undoSetKind(std::uint16_t kind) {
  if (kind > 5) return;
  g_kind = kind;
  g_redo = 0;
  g_available = 1;
  undoUpdateMenu();
}

std::uint16_t undoGetKind() { return g_kind; }
std::uint8_t undoGetRedoState() { return g_redo; }

void undoSetEnabled(std::uint8_t flag) {
  g_available = flag;
  undoUpdateMenu();
}

void undoUpdateMenu() {
  if (g_kind == undoKindNone) {
    appMenuEnableItem(appMenuEdit, 0, false);
    appMenuSetItemText(appMenuEdit, 0, "Undo");
  } else if (g_kind >= 2 && g_kind <= 5) {
    appMenuEnableItem(appMenuEdit, 0, true);
    appMenuSetItemText(appMenuEdit, 0, textFor(g_kind, g_redo));
  }
  if (!g_available) appMenuEnableItem(appMenuEdit, 0, false);
}

bool undoGetMenuText(char* out, int capacity) {
  const bool any = g_available && g_kind != undoKindNone;
  const char* text = any ? textFor(g_kind, g_redo) : "Undo";
  if (out && capacity > 0) {
    std::strncpy(out, text, static_cast<std::size_t>(capacity - 1));
    out[capacity - 1] = 0;
  }
  return any;
}

void undoRedo(WinId window) {
  if (g_kind == undoKindNone) return;
  if (g_kind >= 2 && g_kind <= 5 && g_handlers[g_kind]) g_handlers[g_kind](window, g_redo);
  g_redo = g_redo ? 0 : 1;
  undoUpdateMenu();
}
