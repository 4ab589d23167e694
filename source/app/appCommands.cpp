#include "app/appCommands.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "GPFileTypes.h"
#include "UIAFileDialog.h"
#include "app/aboutBox.h"
#include "app/appCloseRequest.h"
#include "app/appSettings.h"
#include "app/appWindowIds.h"
#include "app/audioClient.h"
#include "app/mainWindow.h"
#include "app/recordWindow.h"
#include "app/synthApp.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "pages/clipKinds.h"
#include "pages/mainPage.h"
#include "pages/pages.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/fileTypes.h"
#include "preset/undo.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"
#include "uia.h"

namespace {

const char kOpenFailed[] = "Open file failed, error 77315";
const char kSaveFailed[] = "Save file failed: the bank could not be written to that file.";
const char kSaveChanges[] = "Save changes to %s?";
// The playing sound's edits that Store has not put into its preset: asked before they are lost, and
// before a save writes the bank without them.
const char kStoreEdits[] =
    "The sound \"%s\" has edits that are not stored in its preset %d.\n\n"
    "Store them into preset %d? No discards them.";
const char kStoreBeforeSave[] =
    "The sound \"%s\" has edits that are not stored in its preset %d: the file holds them only once "
    "they are stored.\n\nStore them into preset %d before saving?";

// Quit queries: the time of the previous one (none before the first).
bool g_queried = false;
double g_lastQuery = 0.0;

std::string g_chooserFolder;  // the folder the file dialogs start in (the last one chosen from)

SynthApp* theApp() { return dynamic_cast<SynthApp*>(uiaApplication()); }

HMENU menuHandle(int menu) {
  SynthApp* app = theApp();
  if (!app || menu < 1 || menu > 4) return nullptr;
  return app->menus[menu - 1].handle;
}

// One item of the menu bar's table: text, id, key (0 none); a null text is a separator.
struct MenuRow {
  const char* text;
  std::int32_t id;
  std::uint32_t key;
};

const std::uint32_t kCtrl = 0x20000000;
std::uint32_t ctrlKey(char letter) { return kCtrl | static_cast<std::uint32_t>(letter); }

void fillMenu(Menu& menu, const MenuRow* rows, int count) {
  for (int k = 0; k < count; ++k) {
    if (!rows[k].text)
      menu.insertByPosition2(-1);
    else
      menu.insertItem(-1, rows[k].text, rows[k].id, 0, rows[k].key);
  }
}

// A file that exists and is not a folder.
bool isPlainFile(const char* path) {
  if (!path || !path[0]) return false;
  const DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// After a bank was read or written: the bank's file heads the recent list.
void noteBankFile(Bank* bank) {
  if (bank && bank->file.path[0]) recentFileNote(bank->file.path);
}

// A message with the reason the file layer gave, on a line of its own below the first.
void messageWithReason(const char* first, const char* reason) {
  std::string text = first;
  if (reason && reason[0]) text += std::string("\n\n") + reason;
  msgBox(msgBoxOk, text.c_str(), msgBoxIconExclamation);
}

// Save (0), Save As (1) or Consolidate (2) of the bank as it is; whether a file was written.
bool writeBank(WinId window, Bank* bank, int how);

void afterBankRead(WinId window, Engine* engine, Bank* bank) {
  bankSelectPreset(bank, engine, bankCurrentIndex(bank));
  mainWinMarkRedraw(window);
  clipSetCopyKind(clipKindNone);
  appSoundReplaced(window);
  noteBankFile(bank);
}

}  // namespace

// ---- menu bar ----

void appBuildMenus(SynthApp* app) {
  if (!app) return;
  const MenuRow file[] = {{"&New", cmdIdNew, ctrlKey('N')},
                          {"&Open...", cmdIdOpen, ctrlKey('O')},
                          {nullptr, 0, 0},
                          {"&Save", cmdIdSave, ctrlKey('S')},
                          {"Save As...", cmdIdSaveAs, 0},
                          {nullptr, 0, 0},
                          {"Consolidate bank...", cmdIdConsolidate, 0},
                          {nullptr, 0, 0},
                          {"Import Preset...", cmdIdImportPreset, 0},
                          {nullptr, 0, 0},
                          {"E&xit", cmdIdExit, 0}};
  const MenuRow edit[] = {{"Undo", cmdIdUndo, ctrlKey('Z')},
                          {nullptr, 0, 0},
                          {"Cut", cmdIdCut, ctrlKey('X')},
                          {"Copy", cmdIdCopy, ctrlKey('C')},
                          {"Paste", cmdIdPaste, ctrlKey('V')},
                          {"Clear", cmdIdClear, 0},
                          {"Select All", cmdIdSelectAll, 0},
                          {nullptr, 0, 0},
                          {"Balance levels", cmdIdBalanceLevels, ctrlKey('B')}};
  const MenuRow setup[] = {{"Audio and Midi settings...", cmdIdAudioMidiSettings, 0},
                           {nullptr, 0, 0},
                           {"Enable program change", cmdIdEnableProgramChange, 0},
                           {"Auto balance channels", cmdIdAutoBalance, 0}};
  const MenuRow window[] = {{"Main", 20006, 165},   {nullptr, 0, 0},
                            {"Patch", 20007, 166},  {"Wave", 20008, 167},
                            {"Effect", 20009, 168}, {"Envelope", 20010, 169},
                            {"Lfo", 20011, 170},    {"Midi", 20012, 171},
                            {nullptr, 0, 0},        {"Record", cmdIdShowRecord, 163}};
  const MenuRow help[] = {{"&About Morvane...", cmdIdAbout, 0}};

  Menu bar;
  bar.create();
  Menu menus[5];
  const char* titles[5] = {"&File", "&Edit", "Setup", "Window", "?"};
  const MenuRow* rows[5] = {file, edit, setup, window, help};
  const int counts[5] = {11, 9, 4, 10, 1};
  for (int m = 0; m < 5; ++m) {
    menus[m].createPopup();
    fillMenu(menus[m], rows[m], counts[m]);
    if (m == 4) uiaSetMenuOption(1);
    bar.insertByPosition(-1, titles[m], menus[m]);
    app->menus[m] = MenuHandle(menus[m].handle);
  }
  app->setMenuBar(&bar);
}

void appEnableMenuItem(int menu, int position, bool enabled) {
  HMENU h = menuHandle(menu);
  if (!h) return;
  // An item whose command waits for a pane stays greyed whatever its own state.
  const UINT id = GetMenuItemID(h, position);
  if (id != static_cast<UINT>(-1) && !appCommandAvailable(static_cast<std::int32_t>(id))) enabled = false;
  uiaEnableMenuItem(MenuHandle(h), position, enabled);
}

bool appCommandAvailable(std::int32_t id) {
  if (!mainWindowSoundHeld(appMainWindowId)) return true;
  switch (id) {
    case cmdIdNew:
    case cmdIdOpen:
    case cmdIdSave:
    case cmdIdSaveAs:
    case cmdIdConsolidate:
    case cmdIdImportPreset:
    case cmdIdUndo:
    case cmdIdPaste: return false;
    default: break;
  }
  const bool page = id >= cmdIdShowMain && id <= cmdIdShowMidi;
  const bool recent = id >= cmdIdRecentFirst && id <= cmdIdRecentLast;
  return !page && !recent;
}

void appUpdateCommandStates() {
  // Undo and Paste keep states of their own: their menus are asked again, through appEnableMenuItem.
  undoUpdateMenu();
  clipEnablePaste(clipPasteEnabled());
  for (int menu : {1, 4}) {
    HMENU h = menuHandle(menu);
    const int count = h ? GetMenuItemCount(h) : 0;
    for (int position = 0; position < count; ++position) {
      const UINT id = GetMenuItemID(h, position);
      if (id != 0 && id != static_cast<UINT>(-1))
        uiaEnableMenuItem(MenuHandle(h), position, appCommandAvailable(static_cast<std::int32_t>(id)));
    }
  }
}

void appCheckMenuItem(int menu, int position, bool checked) {
  if (HMENU h = menuHandle(menu)) uiaCheckMenuItem(MenuHandle(h), position, checked);
}

void appSetMenuItemText(int menu, int position, const char* text) {
  HMENU h = menuHandle(menu);
  if (!h || position < 0 || position >= GetMenuItemCount(h)) return;
  // The new text keeps the item's id, state and key; the key's name follows the text again.
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_DATA;
  GetMenuItemInfoA(h, static_cast<UINT>(position), TRUE, &info);
  std::string title = text ? text : "";
  std::string keyText;
  if (info.dwItemData && uiaMenuKeyText(static_cast<std::uint32_t>(info.dwItemData), keyText)) title += keyText;
  MENUITEMINFOA set{};
  set.cbSize = sizeof set;
  set.fMask = MIIM_STRING;
  set.dwTypeData = const_cast<char*>(title.c_str());
  SetMenuItemInfoA(h, static_cast<UINT>(position), TRUE, &set);
}

// ---- file chooser ----

std::string appChooserStartFolder(const char* bankPath, const std::string& lastFolder) {
  if (bankPath && bankPath[0]) {
    const std::string path(bankPath);
    const std::size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos) return path.substr(0, cut + 1);
  }
  if (!lastFolder.empty()) return lastFolder;
  char documents[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, documents)) && documents[0])
    return std::string(documents) + "\\";
  return std::string();
}

int appChooseFileDialog(int dialogKind, FileSpec* out, int fileType) {
  if (!out) return 5;
  winReleaseOffscreen(appMainWindowId);
  FileDialog dialog;
  SynthApp* shell = theApp();
  const std::string start = appChooserStartFolder(shell && shell->bank ? shell->bank->file.path : "", g_chooserFolder);
  if (!start.empty()) dialog.setStartPath(Path(start));
  const FileTypesState* types = fileTypesState();
  void* group = fileType == 1 ? types->aiffGroup : types->bankGroup;
  if (group) dialog.addFileType(static_cast<FileTypeGroup*>(group));
  SynthApp* app = theApp();
  Window* owner = app ? app->mainWindowObject : nullptr;
  if (!dialog.run(dialogKind == appDialogSave ? UIA_FILE_SAVE : UIA_FILE_OPEN, owner)) return 0;
  const std::string& full = dialog.result().fullPath();
  if (full.empty() || full.size() >= sizeof out->path) return 0;
  fileSpecClear(out);
  const std::size_t cut = full.find_last_of("\\/");
  fileSpecSetPath(out, full.c_str(), cut == std::string::npos ? full.c_str() : full.c_str() + cut + 1);
  g_chooserFolder = cut == std::string::npos ? std::string() : full.substr(0, cut + 1);
  return 1;
}

// ---- commands ----

std::string appBankShownName(const Bank* bank) {
  // A bank that came from no file is named so; the bank's own title for it is shorter.
  char title[65] = {};
  if (bank && bank->file.path[0]) bankGetTitle(bank, title);
  return title[0] ? title : "Untitled Bank";
}

void appSoundReplaced(WinId window) {
  undoSetKind(undoKindNone);
  mainWindowRefreshAll(window);
}

bool appAskSaveChanges(WinId window, Bank* bank, bool canCancel) {
  if (!bankDiffersFromFile(bank)) return true;
  char text[160];
  std::snprintf(text, sizeof text, kSaveChanges, appBankShownName(bank).c_str());
  const int answer = msgBox(canCancel ? msgBoxYesNoCancel : msgBoxYesNo, text, msgBoxIconQuestion);
  if (answer == msgAnswerNo) return true;
  if (answer != msgAnswerYes) return false;  // Cancel, or no box could be shown
  return writeBank(window, bank, 0);
}

bool appAskStoreEdits(WinId window, Engine* engine, Bank* bank, bool saving) {
  if (!bankSoundDiffersFromSlot(bank, engine)) return true;
  char name[patchNameLength + 1] = {};
  std::memcpy(name, engine->header.name, patchNameLength);
  const int n = engine->header.slot;
  char text[320];
  std::snprintf(text, sizeof text, saving ? kStoreBeforeSave : kStoreEdits, name, n, n);
  const int answer = msgBox(msgBoxYesNoCancel, text, msgBoxIconQuestion);
  if (answer == msgAnswerNo) return true;
  if (answer != msgAnswerYes) return false;  // Cancel, or no box could be shown
  mainPageStoreEntry(window);
  return true;
}

bool appAskBeforeLeaving(WinId window, Engine* engine, Bank* bank) {
  mainWindowCancelHoldingPane(window);
  return appAskStoreEdits(window, engine, bank, false) && appAskSaveChanges(window, bank, true);
}

bool appOpenFailureMessage(const char* path, bool always) {
  const char* reason = bankFileLastReason();
  const bool exists = isPlainFile(path);
  if (!always && exists && !reason[0]) return false;  // the reader spoke already
  // A file that is gone gets the message alone; one the system would not let be read, its reason too.
  messageWithReason(kOpenFailed, exists ? reason : "");
  return true;
}

void cmdNew(WinId window, Engine* engine, Bank* bank) {
  if (!engine || !bank) return;
  if (!appAskBeforeLeaving(window, engine, bank)) return;
  bankClear(bank);
  bankMarkSaved(bank);  // a new bank has nothing to save
  bankSelectPreset(bank, engine, bankCurrentIndex(bank));
  mainWinMarkRedraw(window);
  clipSetCopyKind(clipKindNone);
  appSoundReplaced(window);
}

void cmdOpen(WinId window, Engine* engine, Bank* bank) {
  if (!engine || !bank) return;
  if (!appAskBeforeLeaving(window, engine, bank)) return;
  appChooseFileResetLastResult();
  if (bankFileOpenWithDialog(window, bank)) {
    afterBankRead(window, engine, bank);
    return;
  }
  // Cancelled or not read: the bank and the playing sound (with its unstored edits) stay. A chosen
  // path that is no file, or that the system would not let be read, gets the message the reader has
  // none for, with the system's reason.
  if (appChooseFileLastResult() == 1) appOpenFailureMessage(appChooseFileLastPath(), false);
}

bool cmdSave(WinId window, Bank* bank, int how) {
  if (!bank) return false;
  // A save writes the bank: edits of the playing sound that are not stored are not in it.
  SynthApp* app = theApp();
  if (!appAskStoreEdits(window, app ? app->engine : nullptr, bank, true)) return false;
  return writeBank(window, bank, how);
}

namespace {

bool writeBank(WinId window, Bank* bank, int how) {
  if (!bank) return false;
  appChooseFileResetLastResult();
  bool written = false;
  if (how == 0) {
    written = bankFileSave(window, bank);
  } else if (how == 1) {
    written = bankFileSaveAs(window, bank);
  } else {
    // A copy of the bank's own presets, tunings and plug data in a file of the user's choice; the
    // bank stays with its own file.
    FileSpec target;
    fileSpecClear(&target);
    if (appChooseFile(appDialogSave, &target, 0) != 1) return false;
    written = bankFileWrite(bank, &target);
    if (written) recentFileNote(target.path);
  }
  if (written) {
    if (how != 2) noteBankFile(bank);
    mainWindowUpdateBankName(window);
    return true;
  }
  // Nothing asked (a Save of a bank with its own file) or a file chosen: the write failed, and the
  // user reads why.
  const bool asked = appChooseFileLastResult() != -1;
  if (!asked || appChooseFileLastResult() == 1) messageWithReason(kSaveFailed, bankFileLastReason());
  return false;
}

}  // namespace

void cmdImportPreset(WinId window, Engine* engine, Bank* bank) {
  if (!engine || !bank) return;
  FileSpec source;
  fileSpecClear(&source);
  if (appChooseFile(appDialogOpen, &source, 0) != 1) return;
  if (!isPlainFile(source.path)) {
    msgBox(msgBoxOk, kOpenFailed, msgBoxIconExclamation);
    return;
  }
  Bank* other = bankCreate();
  if (!other) return;
  // The first preset of the chosen bank file replaces the current preset; the sound that played is
  // kept in the edit history first. A file that could not be read is told with the system's reason.
  if (!bankFileOpen(other, &source)) {
    appOpenFailureMessage(source.path, false);
  } else {
    std::int16_t first = -1;
    for (std::int16_t n = 0; n < bankSlotCount && first < 0; ++n)
      if (other->slots[n] && other->slots[n] != other->defaultPreset) first = n;
    if (first >= 0) {
      const std::int16_t current = bankCurrentIndex(bank);
      editHistoryPush(window, engine);
      bankSelectPreset(other, engine, first);
      bankStorePreset(bank, engine, current);
      bankSelectPreset(bank, engine, current);
      appSoundReplaced(window);
    }
  }
  bankDestroy(other);
}

void cmdRecentFile(WinId window, Engine* engine, Bank* bank, std::int32_t commandId) {
  if (!engine || !bank || commandId < cmdIdRecentFirst || commandId > cmdIdRecentLast) return;
  if (!appAskBeforeLeaving(window, engine, bank)) return;
  recentFileOpen(bank, engine, commandId - cmdIdRecentFirst + 12);
  clipSetCopyKind(clipKindNone);
  appSoundReplaced(window);
}

void cmdEnableProgramChange() {
  AppSwitches* s = appSwitches();
  s->enableProgramChange = s->enableProgramChange ? 0 : 1;
  appCheckMenuItem(3, 2, s->enableProgramChange != 0);
}

void cmdAutoBalance(WinId window) {
  const WinId win = window;
  const std::uint8_t on = mainWinGetAutoBalance(win) ? 0 : 1;
  mainWinSetAutoBalance(win, on);
  appCheckMenuItem(3, 3, mainWinGetAutoBalance(win) != 0);
}

void cmdShowPage(WinId window, int page) {
  mainWindowShowPage(window, page);
  mainWindowInvalidateTop(window);
}

bool appRunCommand(SynthApp* app, std::int32_t id) {
  if (!app) return false;
  // A greyed item (which its key still reaches) does nothing.
  if (!appCommandAvailable(id)) return true;
  const WinId window = 1;
  Engine* engine = app->engine;
  Bank* bank = app->bank;
  switch (id) {
    case cmdIdAbout: appRunAboutBox(window); return true;
    case cmdIdNew: cmdNew(window, engine, bank); return true;
    case cmdIdOpen: cmdOpen(window, engine, bank); return true;
    case cmdIdSave: cmdSave(window, bank, 0); return true;
    case cmdIdSaveAs: cmdSave(window, bank, 1); return true;
    case cmdIdConsolidate: cmdSave(window, bank, 2); return true;
    case cmdIdImportPreset: cmdImportPreset(window, engine, bank); return true;
    case cmdIdUndo:
      // A greyed Undo item (which an accelerator key still reaches) undoes nothing.
      if (undoGetMenuText(nullptr, 0)) undoRedo(window);
      return true;
    case cmdIdCut:
    case cmdIdClear:
    case cmdIdSelectAll: return true;
    case cmdIdCopy: clipCopy(window); return true;
    case cmdIdPaste: clipPaste(window); return true;
    case cmdIdBalanceLevels: patchBalanceLevels(window); return true;
    case cmdIdAudioMidiSettings:
      if (app->audioClient) appOpenAudioSetup(app);
      return true;
    case cmdIdEnableProgramChange: cmdEnableProgramChange(); return true;
    case cmdIdAutoBalance: cmdAutoBalance(window); return true;
    case cmdIdShowRecord: recWinShow(); return true;
    default: break;
  }
  if (id >= cmdIdShowMain && id <= cmdIdShowMidi) {
    cmdShowPage(window, id - 20004);
    return true;
  }
  if (id >= cmdIdRecentFirst && id <= cmdIdRecentLast) {
    cmdRecentFile(window, engine, bank, id);
    return true;
  }
  return false;
}

bool appQuitQuery(SynthApp* app) {
  const double now = UiTimer::nowSeconds();
  const double since = now - g_lastQuery;
  const bool full = !g_queried || since >= 0.5 || since < 0.0;
  g_queried = true;
  g_lastQuery = now;
  if (!full) {
    appCloseQueryEnded(false);
    return false;
  }
  // Unstored edits and unsaved bank changes: the user decides first; Cancel (or a save that failed)
  // keeps the program running, and the next query asks again in full. A close requested without
  // asking (run.sh's second Ctrl+C) asks nothing, and leaves too when it ended an open question.
  const bool leave = appCloseAsksNothing() ||
                     appAskBeforeLeaving(1, app ? app->engine : nullptr, app ? app->bank : nullptr) ||
                     appCloseAsksNothing();
  if (!leave) {
    g_queried = false;
    appCloseQueryEnded(false);
    return false;
  }
  appSaveSettings();
  appCloseQueryEnded(true);
  return true;
}

void appQuitQueryReset() { g_queried = false; }
