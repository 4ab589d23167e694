// Module context menus and the module clipboard. Copy fills the one clipboard from the engine (the
// module record, its preset waves and the envelopes it owns); paste writes it back into a module of
// the same kind under the engine's stop and restart handshake, re-linking preset waves and loading
// the envelopes into free slots, each paste one patch undo step.
#include "pages/moduleMenu.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "app/pageShell.h"
#include "controls/popupAtMouse.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "modules/effectRecords.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/waveshaper.h"
#include "pages/patchHandshake.h"
#include "pages/patchPage.h"
#include "preset/envelope.h"
#include "preset/library.h"
#include "preset/oscParams.h"
#include "preset/presetCopy.h"
#include "preset/sample.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"

// The clipboard's effect section holds whatever effectCopy writes out of the largest record.
static_assert(sizeof(EffectPipeRecord) <= sizeof(ModuleClipboardChannel::block), "pipe record fits the clipboard");
static_assert(sizeof(EffectCombRecord) <= sizeof(ModuleClipboardChannel::block), "comb record fits the clipboard");
static_assert(sizeof(EffectTapRecord) <= sizeof(ModuleClipboardChannel::block), "tap record fits the clipboard");
static_assert(sizeof(EffectEchoRecord) <= sizeof(ModuleClipboardChannel::block), "echo record fits the clipboard");
// The three-unit record is copied by its parameter fields only (up to the pre-delay).
static_assert(offsetof(EffectRevRecord, preDelay) + sizeof(double) <= sizeof(ModuleClipboardChannel::block),
              "three-unit parameters fit the clipboard");

namespace {

struct MenuContext {
  int16_t index;
  Engine* engine;
  WinId window;
};
MenuContext g_context = {0, nullptr, 0};
bool g_initialised = false;

const char* const kEnvFull =
    "Error, paste envelopes failed! The maximum supported number of envelopes has been reached.";

ModuleClipboardChannel* clip() {
  ModuleClipboard* c = moduleClipboard();
  return c ? &c->channel : nullptr;
}

uint32_t clipKind() {
  ModuleClipboard* c = moduleClipboard();
  return c ? c->kind : 0;
}

void setKind(uint32_t kind) {
  if (ModuleClipboard* c = moduleClipboard()) c->kind = kind;
}

void keepWave(Engine* e, int32_t id, int which) {
  ModuleClipboard* c = moduleClipboard();
  if (!c || waveGetState(e, static_cast<int16_t>(id)) != waveStateLocal) return;
  if (const WaveRecord* w = waveGet(e, static_cast<int16_t>(id))) c->waves[which] = *w;
}

void appendEnvelope(const EnvelopeSlot* slot) {
  ModuleClipboardChannel* ch = clip();
  if (!ch || !slot || ch->envelopeCount >= envSlotCount) return;
  ch->envelopes[ch->envelopeCount++] = *slot;
}

void copyEnvelopes(Engine* e, int16_t m, int envClass) {
  for (int16_t i = 3; i < envSlotCount; ++i) {
    const EnvelopeSlot* s = envSlot(e, i);
    if (s && s->destination != envDestNone && s->owner == m && moduleEnvInClass(s->destination, envClass))
      appendEnvelope(s);
  }
}

bool resetClip() {
  ModuleClipboardChannel* ch = clip();
  if (!ch) return false;
  moduleClipboardReset(ch);
  return true;
}

// The wave a pasted module links to: a global wave stays, a preset wave stays when it still holds the
// copied samples, anything else gets a preset wave of its own. Without a free one the module falls
// back to global wave 0 and the user is told once per paste.
int16_t relinkWave(Engine* e, int32_t id, int which, bool* told) {
  ModuleClipboard* c = moduleClipboard();
  const int16_t w = static_cast<int16_t>(id);
  const int16_t state = waveGetState(e, w);
  if (state == waveStateBuiltIn) return w;
  if (!c) return w;
  const WaveRecord* copy = &c->waves[which];
  if (state == waveStateLocal) {
    const WaveRecord* now = waveGet(e, w);
    if (now && std::memcmp(now->samples, copy->samples, sizeof(copy->samples)) == 0) return w;
  }
  const int16_t claimed = engineClaimPresetWave(e);
  if (claimed < 0) {
    if (!*told) msgBox(0, "No more preset waves available.", 0);
    *told = true;
    return 0;
  }
  waveCopySamplesIn(e, static_cast<uint16_t>(claimed & 0xFF), copy->samples);
  return claimed;
}

void takeUndoStep(Engine* e) {
  undoStorePatchBefore(e);
  undoSetKind(undoKindPatch);
}

void pasteOscRecord(Engine* e, int16_t m) {
  ModuleClipboardChannel* ch = clip();
  ChannelOscRecord* target = engineGetChannel(e, m);
  if (!ch || !target || m < 0 || m > 2) return;
  patchStopAudio(e, 1);
  oscCopyRecord(e, &ch->osc, target, m, 1);
  const int32_t type = target->type;
  if (!oscTypeIsSampled(type)) {
    bool told = false;
    target->waveA = relinkWave(e, target->waveA, 0, &told);
    if (type != oscTypeSingle) target->waveB = relinkWave(e, target->waveB, 1, &told);
    oscRebuildTables(e, m, target);
  }
  patchApplyChange(e, 1);
  sampleReloadChannels(e);
  engineSetModified(e);
}

void pasteFilterRecord(Engine* e, int16_t m) {
  ModuleClipboardChannel* ch = clip();
  FilterRecord* target = engineGetFilter(e, m);
  if (!ch || !target) return;
  patchStopAudio(e, 1);
  filterCopyRecord(e, &ch->filter, target, m, 0);
  if (m < 3) filterSetPostMix(e, m, 0);
  patchApplyChange(e, 1);
  engineSetModified(e);
}

void pasteModRecord(Engine* e, int16_t m) {
  ModuleClipboardChannel* ch = clip();
  ModulatorRecord* target = engineGetModulator(e, m);
  if (!ch || !target || m < 0 || m > 2) return;
  patchStopAudio(e, 1);
  modulatorCopyRecord(e, &ch->modulator, target, m, 1);
  bool told = false;
  target->wave = relinkWave(e, target->wave, 2, &told);
  patchApplyChange(e, 1);
  engineSetModified(e);
}

void pasteWaveshapeRecord(Engine* e) {
  ModuleClipboardChannel* ch = clip();
  WaveshaperRecord* target = engineGetWaveshaper(e);
  if (!ch || !target) return;
  patchStopAudio(e, 1);
  waveshaperCopyRecord(e, &ch->waveshaper, target, 1);
  bool told = false;
  target->wave = relinkWave(e, target->wave, 3, &told);
  patchApplyChange(e, 1);
  engineSetModified(e);
}

void pasteEffectRecord(Engine* e) {
  ModuleClipboardChannel* ch = clip();
  if (!ch) return;
  patchStopAudio(e, 1);
  alignas(8) std::uint8_t record[sizeof(ch->block)];
  std::memcpy(record, ch->block, sizeof(record));
  effectCopy(e, record, nullptr, 1);
  patchApplyChange(e, 1);
  engineSetModified(e);
}

// ---- menus

struct MenuItem {
  const char* text;
};
const char* const kOscItems[] = {"Copy Oscil",
                                 "Copy Channel",
                                 "Paste Oscil",
                                 "Paste Oscil and Envelopes",
                                 "Paste Channel",
                                 "-",
                                 "Load Oscil from Library",
                                 "Save Oscil to Library...",
                                 "-",
                                 "Load Channel from Library",
                                 "Save Channel to Library..."};
const char* const kModuleNames[] = {"Filter", "Mod", "Waveshape", "Effect"};

int libKindOfMenu(int16_t kind) {
  switch (kind) {
    case moduleMenuOscil: return libKindOscillator;
    case moduleMenuFilter: return libKindFilter;
    case moduleMenuMod: return libKindModulator;
    case moduleMenuWaveshape: return libKindWaveshaper;
    case moduleMenuEffect: return libKindEffect;
    default: return 0;
  }
}

void grey(int16_t slot, int16_t kind, int16_t m, Engine* e) {
  const uint32_t k = clipKind();
  auto en = [slot](int item, bool on) { popupEnableItem(slot, static_cast<int16_t>(item), on); };
  switch (kind) {
    case moduleMenuOscil: {
      if (m > 2) return;
      const bool on = oscIsOn(e, m) != 0;
      en(oscMenuPosCopyOscil, on);
      en(oscMenuPosCopyChannel, on);
      en(oscMenuPosSaveOscil, on);
      en(oscMenuPosPasteOscil, k == clipOscil || k == clipChannel);
      en(oscMenuPosPasteOscilEnvelopes, k == clipOscil || k == clipChannel);
      en(oscMenuPosPasteChannel, k == clipChannel);
      en(oscMenuPosLoadOscil, true);
      en(oscMenuPosLoadChannel, true);
      en(oscMenuPosSaveChannel, true);
      return;
    }
    case moduleMenuFilter: {
      const bool on = filterIsOn(e, m) != 0;
      en(moduleMenuPosCopy, on);
      en(moduleMenuPosLoad, on);
      en(moduleMenuPosSave, on);
      en(moduleMenuPosPaste, on && (k == clipFilter || k == clipChannel));
      en(moduleMenuPosPasteEnvelopes, on && k == clipFilter);
      return;
    }
    case moduleMenuMod: {
      if (m > 2) return;
      const bool on = modulatorIsOn(e, m) != 0;
      en(moduleMenuPosCopy, on);
      en(moduleMenuPosLoad, on);
      en(moduleMenuPosSave, on);
      en(moduleMenuPosPaste, on && (k == clipMod || k == clipChannel));
      en(moduleMenuPosPasteEnvelopes, on && k == clipMod);
      return;
    }
    case moduleMenuWaveshape: {
      const bool on = waveshaperIsOn(e) != 0;
      en(moduleMenuPosCopy, on);
      en(moduleMenuPosLoad, on);
      en(moduleMenuPosSave, on);
      en(moduleMenuPosPaste, on && k == clipWaveshape);
      en(moduleMenuPosPasteEnvelopes, on && k == clipWaveshape);
      return;
    }
    case moduleMenuEffect: {
      const bool on = effectIsOn(e) != 0;
      en(moduleMenuPosCopy, on);
      en(moduleMenuPosLoad, on);
      en(moduleMenuPosSave, on);
      en(moduleMenuPosPaste, on && k == clipEffect);
      en(moduleMenuPosPasteEnvelopes, on && k == clipEffect);
      return;
    }
    default: return;
  }
}

void saveItem(int libKind) {
  HWND owner = winGetFrameworkWindow(g_context.window);
  libSaveItem(owner, "Untitled", libKind, g_context.index, g_context.engine);
}

bool isLibraryMenu(int16_t menu, int lib) { return menu != 0 && menu == libGetKindHandle(lib); }

bool contextReady() { return g_context.engine && g_context.window != 0; }

void atMouse(int16_t menuIndex, int16_t menu, int16_t entry);
int16_t g_openKind = 0;

}  // namespace

void moduleClipboardInitOnce() {
  if (g_initialised) return;
  g_initialised = true;
  moduleClipboardInit();
  undoSetHandler(undoKindPatch, [](WinId window, uint8_t redo) { patchEditUndoRedo(window, redo); });
  libSetPatchUndoRoutine([](Engine* e) { undoStorePatchBefore(e); });
}

void patchEditUndoRedo(WinId window, uint8_t redo) {
  Engine* e = patchEngineOf(window);
  if (!e) return;
  if (redo)
    redoPatch(e);
  else
    undoPatch(e);
  const WinId win = window;
  mainWindowRefreshAll(win);
  if (mainWindowShownPage(win) != pagePatch) patchPageRefresh(win);
}

bool moduleEnvInClass(int16_t d, int envClass) {
  switch (envClass) {
    case envClassOscil:
      return (d >= envDestOscAmp && d <= envDestOscRingBal) || (d >= envDestSampleStart && d <= envDestGrainDiffusion);
    case envClassFilter: return envDestIsFilter(d);
    case envClassMod: return envDestIsModulator(d);
    case envClassWaveshape: return envDestIsWaveshaper(d);
    case envClassEffect: return d >= envDestEffectTime && d <= envDestEffectFilter;
    default: return false;
  }
}

void moduleMenuSetContext(WinId win, Engine* engine, int16_t index) { g_context = {index, engine, win}; }

int16_t moduleMenuBuild(int16_t kind, int16_t m, Engine* e) {
  if (kind < moduleMenuOscil || kind > moduleMenuEffect) return 0;
  const int lib = libKindOfMenu(kind);
  libScanFolder(lib);
  if (kind == moduleMenuOscil) libScanFolder(libKindChannel);
  const int16_t slot = popupCreate();
  if (!slot) return 0;
  if (kind == moduleMenuOscil) {
    for (int i = 0; i < 11; ++i) popupAppend(slot, static_cast<int16_t>(i + 1), true, kOscItems[i]);
    if (int16_t sub = libGetKindHandle(libKindOscillator)) popupAttachSubmenu(slot, oscMenuPosLoadOscil, sub);
    if (int16_t sub = libGetKindHandle(libKindChannel)) popupAttachSubmenu(slot, oscMenuPosLoadChannel, sub);
  } else {
    const char* name = kModuleNames[kind - moduleMenuFilter];
    char text[64];
    std::snprintf(text, sizeof(text), "Copy %s", name);
    popupAppend(slot, moduleMenuPosCopy, true, text);
    std::snprintf(text, sizeof(text), "Paste %s", name);
    popupAppend(slot, moduleMenuPosPaste, true, text);
    std::snprintf(text, sizeof(text), "Paste %s and Envelopes", name);
    popupAppend(slot, moduleMenuPosPasteEnvelopes, true, text);
    popupAppend(slot, moduleMenuPosSeparator, false, "-");
    std::snprintf(text, sizeof(text), "Load %s from Library...", name);
    popupAppend(slot, moduleMenuPosLoad, true, text);
    std::snprintf(text, sizeof(text), "Save %s to Library...", name);
    popupAppend(slot, moduleMenuPosSave, true, text);
    if (int16_t sub = libGetKindHandle(lib)) popupAttachSubmenu(slot, moduleMenuPosLoad, sub);
  }
  grey(slot, kind, m, e);
  return slot;
}

void moduleMenuDestroy(int16_t kind, int16_t slot) {
  libRelease(libKindOfMenu(kind));
  if (kind == moduleMenuOscil) libRelease(libKindChannel);
  popupDestroy(slot);
}

namespace {
void atMouse(int16_t, int16_t menu, int16_t entry) {
  switch (g_openKind) {
    case moduleMenuOscil: moduleMenuOscilCommand(menu, entry); break;
    case moduleMenuFilter: moduleMenuFilterCommand(menu, entry); break;
    case moduleMenuMod: moduleMenuModCommand(menu, entry); break;
    case moduleMenuWaveshape: moduleMenuWaveshapeCommand(menu, entry); break;
    case moduleMenuEffect: moduleMenuEffectCommand(menu, entry); break;
    default: break;
  }
}
}  // namespace

void moduleMenuOpen(WinId win, Engine* e, int16_t kind, int16_t m) {
  if (m < 0 || m >= 4 || !e || win == 0) return;
  moduleMenuSetContext(win, e, m);
  const int16_t slot = moduleMenuBuild(kind, m, e);
  if (slot) {
    g_openKind = kind;
    popupMenuAtMouse(win, slot, atMouse);
    g_openKind = 0;
    moduleMenuDestroy(kind, slot);
  }
  if (HWND hwnd = winGetFrameworkWindow(win)) {
    RECT r = {0, 0, 1000, 1000};
    InvalidateRect(hwnd, &r, FALSE);
  }
  patchPageRefresh(win);
}

// ---- command handlers

void moduleMenuOscilCommand(int16_t menu, int16_t item) {
  if (!contextReady()) return;
  Engine* e = g_context.engine;
  const int16_t m = g_context.index;
  if (isLibraryMenu(menu, libKindOscillator)) {
    libDispatch(libKindOscillator, item, m, e);
    return;
  }
  if (isLibraryMenu(menu, libKindChannel)) {
    libDispatch(libKindChannel, item, m, e);
    return;
  }
  switch (item) {
    case oscMenuPosCopyOscil: moduleCopyOscil(e, m); break;
    case oscMenuPosCopyChannel: moduleCopyChannel(e, m); break;
    case oscMenuPosPasteOscil: modulePasteOscil(e, m, false); break;
    case oscMenuPosPasteOscilEnvelopes: modulePasteOscil(e, m, true); break;
    case oscMenuPosPasteChannel: modulePasteChannel(e, m); break;
    case oscMenuPosSaveOscil: saveItem(libKindOscillator); break;
    case oscMenuPosSaveChannel: saveItem(libKindChannel); break;
    default: break;
  }
}

namespace {
void moduleCommand(int16_t menu, int16_t item, int lib, void (*copy)(Engine*, int16_t),
                   void (*paste)(Engine*, int16_t, bool)) {
  if (!contextReady()) return;
  Engine* e = g_context.engine;
  const int16_t m = g_context.index;
  if (isLibraryMenu(menu, lib)) {
    libDispatch(lib, item, m, e);
    return;
  }
  switch (item) {
    case moduleMenuPosCopy: copy(e, m); break;
    case moduleMenuPosPaste: paste(e, m, false); break;
    case moduleMenuPosPasteEnvelopes: paste(e, m, true); break;
    case moduleMenuPosSave: saveItem(lib); break;
    default: break;
  }
}
}  // namespace

void moduleMenuFilterCommand(int16_t menu, int16_t item) {
  moduleCommand(menu, item, libKindFilter, moduleCopyFilter, modulePasteFilter);
}
void moduleMenuModCommand(int16_t menu, int16_t item) {
  moduleCommand(menu, item, libKindModulator, moduleCopyMod, modulePasteMod);
}
void moduleMenuWaveshapeCommand(int16_t menu, int16_t item) {
  moduleCommand(
      menu, item, libKindWaveshaper, [](Engine* e, int16_t) { moduleCopyWaveshape(e); },
      [](Engine* e, int16_t, bool env) { modulePasteWaveshape(e, env); });
}
void moduleMenuEffectCommand(int16_t menu, int16_t item) {
  moduleCommand(
      menu, item, libKindEffect, [](Engine* e, int16_t) { moduleCopyEffect(e); },
      [](Engine* e, int16_t, bool env) { modulePasteEffect(e, env); });
}

// ---- copy

namespace {
void copyOscPart(Engine* e, int16_t m) {
  ModuleClipboardChannel* ch = clip();
  ChannelOscRecord* source = engineGetChannel(e, m);
  if (!ch || !source) return;
  oscCopyRecord(e, source, &ch->osc, m, 0);
  const int32_t type = source->type;
  if (oscTypeIsSampled(type)) return;
  keepWave(e, source->waveA, 0);
  if (type != oscTypeSingle) keepWave(e, source->waveB, 1);
}
void copyFilterPart(Engine* e, int16_t m) {
  ModuleClipboardChannel* ch = clip();
  FilterRecord* source = engineGetFilter(e, m);
  if (!ch || !source) return;
  filterCopyRecord(e, source, &ch->filter, m, 0);
}
void copyModPart(Engine* e, int16_t m) {
  ModuleClipboardChannel* ch = clip();
  ModulatorRecord* source = engineGetModulator(e, m);
  if (!ch || !source) return;
  modulatorCopyRecord(e, source, &ch->modulator, m, 0);
  keepWave(e, source->wave, 2);
}
void finishCopy(uint32_t kind) {
  ModuleClipboardChannel* ch = clip();
  if (ch) setKind(kind);
}
}  // namespace

void moduleCopyOscil(Engine* e, int16_t m) {
  if (!e || m < 0 || m > 2 || !resetClip()) return;
  copyOscPart(e, m);
  appendEnvelope(envSlot(e, m));
  copyEnvelopes(e, m, envClassOscil);
  finishCopy(clipOscil);
}

void moduleCopyFilter(Engine* e, int16_t m) {
  if (!e || m < 0 || m > 3 || !resetClip()) return;
  copyFilterPart(e, m);
  copyEnvelopes(e, m, envClassFilter);
  finishCopy(clipFilter);
}

void moduleCopyMod(Engine* e, int16_t m) {
  if (!e || m < 0 || m > 2 || !resetClip()) return;
  copyModPart(e, m);
  copyEnvelopes(e, m, envClassMod);
  finishCopy(clipMod);
}

void moduleCopyWaveshape(Engine* e) {
  ModuleClipboardChannel* ch = clip();
  if (!e || !resetClip()) return;
  if (WaveshaperRecord* source = engineGetWaveshaper(e)) {
    waveshaperCopyRecord(e, source, &ch->waveshaper, 0);
    keepWave(e, source->wave, 3);
  }
  copyEnvelopes(e, 3, envClassWaveshape);
  finishCopy(clipWaveshape);
}

void moduleCopyEffect(Engine* e) {
  ModuleClipboardChannel* ch = clip();
  if (!e || !resetClip()) return;
  if (void* active = effectActiveRecord(e)) {
    alignas(8) std::uint8_t record[sizeof(ch->block)] = {};
    effectCopy(e, active, record, 0);
    std::memcpy(ch->block, record, sizeof(record));
  }
  copyEnvelopes(e, 3, envClassEffect);
  finishCopy(clipEffect);
}

void moduleCopyChannel(Engine* e, int16_t m) {
  if (!e || m < 0 || m > 2 || !resetClip()) return;
  copyOscPart(e, m);
  copyFilterPart(e, m);
  copyModPart(e, m);
  appendEnvelope(envSlot(e, m));
  copyEnvelopes(e, m, envClassOscil);
  copyEnvelopes(e, m, envClassFilter);
  copyEnvelopes(e, m, envClassMod);
  finishCopy(clipChannel);
}

// ---- paste

void modulePasteEnvelopes(Engine* e, int16_t m, int envClass) {
  ModuleClipboardChannel* ch = clip();
  if (!e || !ch || m < 0 || m > 3) return;
  patchStopAudio(e, 1);
  for (int16_t i = 3; i < envSlotCount; ++i) {
    const EnvelopeSlot* s = envSlot(e, i);
    if (s && s->destination != envDestNone && s->owner == m && moduleEnvInClass(s->destination, envClass))
      envSlotClear(e, i);
  }
  uint32_t first = 0;
  if (envClass == envClassOscil && m < 3 && ch->envelopeCount > 0 && ch->envelopes[0].destination == envDestOscAmp) {
    EnvelopeSlot own = ch->envelopes[0];
    own.owner = m;
    if (EnvelopeSlot* target = envSlot(e, m)) engineCopyEnvelopeSlot(e, &own, target, m, 1, 1);
    first = 1;
  }
  const uint32_t count = ch->envelopeCount < envSlotCount ? ch->envelopeCount : envSlotCount;
  for (uint32_t n = first; n < count; ++n) {
    EnvelopeSlot env = ch->envelopes[n];
    if (env.destination == envDestNone) break;
    if (!moduleEnvInClass(env.destination, envClass)) continue;
    env.owner = m;
    const int16_t slot = envCreate(e, m, env.destination);
    if (slot < 0) {
      // No free slot: the module stays pasted, the envelopes loaded so far stay.
      msgBox(0, kEnvFull, 0);
      break;
    }
    if (EnvelopeSlot* target = envSlot(e, slot)) engineCopyEnvelopeSlot(e, &env, target, slot, 1, 1);
  }
  patchApplyChange(e, 1);
}

void modulePasteOscil(Engine* e, int16_t m, bool withEnvelopes) {
  if (!e || m < 0 || m > 2) return;
  const uint32_t k = clipKind();
  if (k != clipOscil && k != clipChannel) return;
  takeUndoStep(e);
  pasteOscRecord(e, m);
  if (withEnvelopes) modulePasteEnvelopes(e, m, envClassOscil);
}

void modulePasteFilter(Engine* e, int16_t m, bool withEnvelopes) {
  if (!e || m < 0 || m > 3) return;
  const uint32_t k = clipKind();
  if (k != clipFilter && k != clipChannel) return;
  takeUndoStep(e);
  pasteFilterRecord(e, m);
  if (withEnvelopes) modulePasteEnvelopes(e, m, envClassFilter);
}

void modulePasteMod(Engine* e, int16_t m, bool withEnvelopes) {
  if (!e || m < 0 || m > 2) return;
  const uint32_t k = clipKind();
  if (k != clipMod && k != clipChannel) return;
  takeUndoStep(e);
  pasteModRecord(e, m);
  if (withEnvelopes) modulePasteEnvelopes(e, m, envClassMod);
}

void modulePasteWaveshape(Engine* e, bool withEnvelopes) {
  if (!e || clipKind() != clipWaveshape) return;
  takeUndoStep(e);
  pasteWaveshapeRecord(e);
  if (withEnvelopes) modulePasteEnvelopes(e, 3, envClassWaveshape);
}

void modulePasteEffect(Engine* e, bool withEnvelopes) {
  if (!e || clipKind() != clipEffect) return;
  takeUndoStep(e);
  pasteEffectRecord(e);
  if (withEnvelopes) modulePasteEnvelopes(e, 3, envClassEffect);
}

void modulePasteChannel(Engine* e, int16_t m) {
  if (!e || m < 0 || m > 2 || clipKind() != clipChannel) return;
  takeUndoStep(e);
  pasteOscRecord(e, m);
  pasteFilterRecord(e, m);
  pasteModRecord(e, m);
  modulePasteEnvelopes(e, m, envClassOscil);
  modulePasteEnvelopes(e, m, envClassFilter);
  modulePasteEnvelopes(e, m, envClassMod);
}
