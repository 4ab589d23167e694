// The Main page's Tuning menu: built each time it opens (the playing tuning, the factory, bank and
// library submenus, "Edit..." and "New..."), torn down when it closes; a choice selects the tuning,
// rewrites the label and marks the bank and the engine changed.
#include <cstring>

#include "controls/selector.h"
#include "engine/engine.h"
#include "pages/mainPage.h"
#include "pages/midiSlots.h"
#include "preset/bank.h"
#include "preset/library.h"
#include "preset/presetCopy.h"
#include "preset/tuning.h"
#include "skinBitmaps.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"

namespace {

enum { idTuning = 36, libraryKindTuning = 8 };
enum { entryCurrent = 1, entryFactory = 3, entryBank = 4, entryLibrary = 5, entryEdit = 7, entryNew = 8 };

void currentTuningName(Engine* engine, char* out) {
  out[0] = 0;
  const TuningMap* map = tuningCurrentMap(engine);
  if (!map) return;
  std::strncpy(out, map->name, tuningNameSize);
  out[tuningNameSize] = 0;
}

// A free popup slot with an empty submenu in it, 0 when the table is full.
int16_t makeSubmenu(const char* label) {
  int16_t slot = popupFindFreeSlot();
  if (slot <= 0) return 0;
  return popupCreate(slot, 0, label) ? slot : 0;
}

void tuningOpening(ControlItem* item, int32_t opening) {
  WinId win = item->windowId;
  Engine* engine = mainPageEngine(item->windowId);
  Bank* bank = mainPageBank(item->windowId);
  MainPageFields* f = mainPageFields();
  if (!opening) {
    libRelease(libraryKindTuning);
    if (f->tuningFactoryMenu) popupDestroy(f->tuningFactoryMenu);
    if (f->tuningBankMenu) popupDestroy(f->tuningBankMenu);
    f->tuningFactoryMenu = f->tuningBankMenu = 0;
    return;
  }
  if (!engine) return;
  libScanFolder(libraryKindTuning);
  f->tuningFactoryMenu = makeSubmenu("factory");
  f->tuningBankMenu = makeSubmenu("bank");
  char name[tuningNameSize + 1];
  currentTuningName(engine, name);
  menuAppendItem(win, idTuning, entryCurrent, 1, name, 0);
  menuAppendItem(win, idTuning, 2, 1, "-", 0);
  menuAppendItem(win, idTuning, entryFactory, 1, "Factory", 0);
  menuAppendItem(win, idTuning, entryBank, 1, "Bank", 0);
  menuAppendItem(win, idTuning, entryLibrary, 1, "Library", 0);
  menuAppendItem(win, idTuning, 6, 1, "-", 0);
  menuAppendItem(win, idTuning, entryEdit, 1, "Edit...", 0);
  menuAppendItem(win, idTuning, entryNew, 1, "New...", 0);
  // Without a free slot a submenu is left out rather than hung on menu 0.
  if (f->tuningFactoryMenu) menuAttachSubmenu(win, idTuning, entryFactory, f->tuningFactoryMenu);
  if (f->tuningBankMenu) menuAttachSubmenu(win, idTuning, entryBank, f->tuningBankMenu);
  int16_t library = libGetKindHandle(libraryKindTuning);
  if (library > 0) menuAttachSubmenu(win, idTuning, entryLibrary, library);
  if (f->tuningFactoryMenu) {
    popupClear(f->tuningFactoryMenu);
    for (int i = 1; i < tuningLibraryCount(); ++i) {
      const TuningMap* map = tuningBuiltIn(i);
      popupAppend(f->tuningFactoryMenu, static_cast<int16_t>(i), true, map ? map->name : "");
    }
  }
  std::memset(f->bankTuningItem, 0, sizeof f->bankTuningItem);
  if (f->tuningBankMenu) popupClear(f->tuningBankMenu);
  uint16_t next = 0;
  for (int n = 0; n < 128 && bank; ++n) {
    if (!tuningBankMapExists(bank, n)) continue;
    f->bankTuningItem[n] = ++next;
    char bankName[tuningNameSize + 1] = {0};
    tuningGetBankMapName(bank, n, bankName);
    if (f->tuningBankMenu) popupAppend(f->tuningBankMenu, static_cast<int16_t>(next), true, bankName);
  }
}

void tuningChosen(ControlItem* item, int16_t menu, int16_t entry) {
  WinId win = item->windowId;
  if (!mainPageEnter(win)) return;
  Engine* engine = mainPageEngine(win);
  Bank* bank = mainPageBank(win);
  MainPageFields* f = mainPageFields();
  bool refresh = true;
  if (menu != 0 && menu == f->tuningFactoryMenu) {
    tuningSelect(engine, bank, static_cast<int16_t>(tuningFindById(entry)));
  } else if (menu != 0 && menu == f->tuningBankMenu) {
    if (entry >= 1)
      for (int n = 0; n < 128; ++n)
        if (f->bankTuningItem[n] == entry) {
          tuningSelect(engine, bank, tuningMakeId(2, n));
          break;
        }
  } else if (menu != 0 && menu == libGetKindHandle(libraryKindTuning)) {
    libDispatch(libraryKindTuning, entry, 0, engine);
  } else {
    refresh = false;
    if (entry == entryEdit) {
      midiPageOpenTuningEditor(win);
    } else if (entry == entryNew) {
      if (tuningNewBankMap(engine, bank))
        midiPageOpenTuningEditor(win);
      else
        msgBox(0, "allocate tune failed!", 0);
    }
  }
  mainPageEnter(win);
  if (refresh) {
    mainPageRefreshTuningEntry(win);
    midiPageMarkChanged(win);
  }
  if (bank) bank->changed = 1;
  engineSetModified(engine);
}

}  // namespace

void mainPageBuildTuningSelector(WinId win) {
  const CtrlRgb black = {0, 0, 0}, white = {255, 255, 255};
  selectorSetDefaultColors(&black, &black, &white, &black);
  selectorCreate(win, idTuning, 522, 98, 100, 0, selectorOneBitmap, bmpMainPageTuningSelector, "Tuning", 1,
                 tuningChosen);
  selectorSetOpeningCallback(win, idTuning, tuningOpening);
}

void mainPageRefreshTuningEntry(WinId win) {
  if (!mainPageEnter(win)) return;
  Engine* engine = mainPageEngine(win);
  char name[tuningNameSize + 1];
  currentTuningName(engine, name);
  selectorSetLabel(win, idTuning, name);
  const TuningMap* map = tuningCurrentMap(engine);
  menuEnableItem(win, idTuning, entryEdit, map && tuningIdBank(map->id) == 2);
}
