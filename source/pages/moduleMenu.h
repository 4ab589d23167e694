// Module context menus of the sound pages and the module clipboard: copy a module (with the preset
// waves and envelopes it uses) into one process-wide clipboard, paste it into any module of the same
// kind, in any preset, as one patch undo step; load a module from its library or save it to one.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

struct Engine;
struct ModuleClipboard;

enum ModuleMenuKind {
  moduleMenuOscil = 18,
  moduleMenuFilter = 19,
  moduleMenuMod = 20,
  moduleMenuWaveshape = 21,
  moduleMenuEffect = 22
};
enum ModuleClipKind {
  clipEmpty = 0,
  clipOscil = 1,
  clipFilter = 2,
  clipMod = 3,
  clipWaveshape = 4,
  clipEffect = 5,
  clipChannel = 6
};
// Positions in the oscillator menu (Copy Oscil .. Save Channel to Library; 6 and 9 are separators).
enum ModuleOscilMenuPos {
  oscMenuPosCopyOscil = 1,
  oscMenuPosCopyChannel = 2,
  oscMenuPosPasteOscil = 3,
  oscMenuPosPasteOscilEnvelopes = 4,
  oscMenuPosPasteChannel = 5,
  oscMenuPosLoadOscil = 7,
  oscMenuPosSaveOscil = 8,
  oscMenuPosLoadChannel = 10,
  oscMenuPosSaveChannel = 11
};
// Positions in the menus of the other modules (4 is a separator).
enum ModuleMenuPos {
  moduleMenuPosCopy = 1,
  moduleMenuPosPaste = 2,
  moduleMenuPosPasteEnvelopes = 3,
  moduleMenuPosSeparator = 4,
  moduleMenuPosLoad = 5,
  moduleMenuPosSave = 6
};
enum ModuleEnvClass {
  envClassOscil = 0,
  envClassFilter = 1,
  envClassMod = 2,
  envClassWaveshape = 3,
  envClassEffect = 4
};

// Sets the clipboard up once per run and installs the patch undo handler (undoKindPatch) and the library's
// undo routine.
void moduleClipboardInitOnce();

// Builds the menu of the kind for module index 0..3, shows it at the mouse, runs the chosen item,
// destroys the menu, then invalidates the window and refreshes the Patch page.
void moduleMenuOpen(WinId win, Engine* engine, int16_t kind, int16_t index);
// The menu as built for (kind, index), left in its popup slot for inspection; 0 when none was made.
int16_t moduleMenuBuild(int16_t kind, int16_t index, Engine* engine);
void moduleMenuDestroy(int16_t kind, int16_t slot);

// Command handlers (menu slot, item) of the five kinds; they act on the context of the last open.
void moduleMenuOscilCommand(int16_t menu, int16_t item);
void moduleMenuFilterCommand(int16_t menu, int16_t item);
void moduleMenuModCommand(int16_t menu, int16_t item);
void moduleMenuWaveshapeCommand(int16_t menu, int16_t item);
void moduleMenuEffectCommand(int16_t menu, int16_t item);
void moduleMenuSetContext(WinId win, Engine* engine, int16_t index);

// Whether an envelope destination kind belongs to a class.
bool moduleEnvInClass(int16_t destination, int envClass);

// Copy and paste, module index m. A paste takes the undo step first.
void moduleCopyOscil(Engine* engine, int16_t m);
void moduleCopyFilter(Engine* engine, int16_t m);
void moduleCopyMod(Engine* engine, int16_t m);
void moduleCopyWaveshape(Engine* engine);
void moduleCopyEffect(Engine* engine);
void moduleCopyChannel(Engine* engine, int16_t m);
void modulePasteOscil(Engine* engine, int16_t m, bool withEnvelopes);
void modulePasteFilter(Engine* engine, int16_t m, bool withEnvelopes);
void modulePasteMod(Engine* engine, int16_t m, bool withEnvelopes);
void modulePasteWaveshape(Engine* engine, bool withEnvelopes);
void modulePasteEffect(Engine* engine, bool withEnvelopes);
void modulePasteChannel(Engine* engine, int16_t m);
void modulePasteEnvelopes(Engine* engine, int16_t m, int envClass);

// Patch undo and redo (Edit menu, kind 5); then every page is refreshed.
void patchEditUndoRedo(WinId window, uint8_t redo);
