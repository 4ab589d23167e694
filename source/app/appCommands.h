// The application's menu bar and its commands: every menu item, accelerator key and top-strip popup
// choice ends in one of these handlers. Window = the main window's id; engine and bank from the
// application.
#pragma once
#include <cstdint>
#include <string>
#include "uiSeams/winId.h"

struct Bank;
struct Engine;
class SynthApp;

// Command ids of the menu bar.
enum AppCommand {
  cmdIdImportPreset = 20000,
  cmdIdBalanceLevels = 20002,
  cmdIdAudioMidiSettings = 20003,
  cmdIdEnableProgramChange = 20004,
  cmdIdAutoBalance = 20005,
  cmdIdShowMain = 20006,  // 20006..20012: pages 2..8
  cmdIdShowMidi = 20012,
  cmdIdShowRecord = 20013,
  cmdIdRecentFirst = 20016,  // 20016..20025: File popup positions 11..20
  cmdIdRecentLast = 20025,
  cmdIdConsolidate = 20026,
  cmdIdExit = 30002,
  cmdIdAbout = 30003,
  cmdIdUndo = 30101,
  cmdIdCut = 30103,
  cmdIdCopy = 30104,
  cmdIdPaste = 30105,
  cmdIdClear = 30106,
  cmdIdSelectAll = 30107,
  cmdIdNew = 30201,
  cmdIdOpen = 30202,
  cmdIdSave = 30204,
  cmdIdSaveAs = 30205
};

// Builds the menu bar into app->menus and installs it (with its accelerators).
void appBuildMenus(SynthApp* app);
// Menu operations by menu 1 File, 2 Edit, 3 Setup, 4 Window and position; nothing for other menus or
// without an application.
void appEnableMenuItem(int menu, int position, bool enabled);
void appCheckMenuItem(int menu, int position, bool checked);
void appSetMenuItemText(int menu, int position, const char* text);

// Runs the handler of a command; false for an id that has no handler here. A command that is not
// available now (appCommandAvailable) does nothing (and answers true).
bool appRunCommand(SynthApp* app, std::int32_t id);
// Whether command `id` may run now. While a pane holds the sound (mainWindowSoundHeld) the commands
// that would replace the sound or the bank under it, write it before the pane's work is taken or left,
// or edit it behind the pane's back wait until the pane has closed: New, Open, the recent files, Save,
// Save As, Consolidate, Import Preset, Undo, Paste and the page keys.
bool appCommandAvailable(std::int32_t id);
// Greys the menu bar's items of the commands that are not available now, and frees them again.
void appUpdateCommandStates();
// The quit query: true (yes) saves the settings first; a second query within 0.5 s answers no. Unstored
// edits and a bank with unsaved changes are asked about first (appAskBeforeLeaving); Cancel answers no.
// A close requested without asking (appCloseAsksNothing) skips the questions and answers yes.
bool appQuitQuery(SynthApp* app);
// Before a bank with unsaved changes is replaced or left: "Save changes to <bank name>?" with Yes, No
// and (canCancel) Cancel, asked only when the bank differs from what its file holds. Yes saves (asking
// for a name when the bank has no file). True when the caller may go on: nothing changed, No, or Yes
// with a successful save.
bool appAskSaveChanges(WinId window, Bank* bank, bool canCancel);
// When the playing sound differs from its preset in the bank: Yes stores it there (as Store does), No
// leaves it unstored, Cancel stops. `saving` words it for a save, which writes the bank without the
// edits unless they are stored. True when the caller may go on.
bool appAskStoreEdits(WinId window, Engine* engine, Bank* bank, bool saving);
// Before the bank and the playing sound are replaced or left (New, Open, a recent file, Exit, the
// session's end): a pane that holds the sound closes as its Cancel does (the questions are about the
// sound it was opened on), then the unstored edits are asked about, then the unsaved bank.
bool appAskBeforeLeaving(WinId window, Engine* engine, Bank* bank);
// After the bank or the playing sound was replaced (New, Open, a recent file, Import Preset, a program
// change): the pending Edit > Undo belonged to the sound that left and is dropped, as picking a preset
// on the Main page drops it; then the window shows the new sound.
void appSoundReplaced(WinId window);
// The bank's name as window 1 shows it: its file's title, or "Untitled Bank" without a file.
std::string appBankShownName(const Bank* bank);
// After a bank file could not be read: "Open file failed, error 77315", with the system's reason when
// the file exists but could not be opened. Unless `always`, nothing is shown (false) when the reader
// refused the content and said so itself.
bool appOpenFailureMessage(const char* path, bool always);

void cmdNew(WinId window, Engine* engine, Bank* bank);
void cmdOpen(WinId window, Engine* engine, Bank* bank);
// Save (0), Save As (1) or Consolidate (2): answers whether a file was written. Unstored edits of the
// playing sound are asked about first (appAskStoreEdits).
bool cmdSave(WinId window, Bank* bank, int how);
void cmdImportPreset(WinId window, Engine* engine, Bank* bank);
void cmdRecentFile(WinId window, Engine* engine, Bank* bank, std::int32_t commandId);
void cmdEnableProgramChange();
void cmdAutoBalance(WinId window);
void cmdShowPage(WinId window, int page);

// Recent files: ten records whose ids are 0..9 in the File popup's order (newest first).
bool recentFileName(int n, char* buffer, int size);
void recentFileOpen(Bank* bank, Engine* engine, int position);
// Fills the records from the stored "bankPath 0".."bankPath 9" texts.
void recentFilesLoad();
// Puts a bank file at the head of the list (an existing entry moves up) and stores the list.
void recentFileNote(const char* path);
void recentFilesClear();

// The shell's file chooser (installed at start-up): the framework's open or save dialog over the
// main window, starting in appChooserStartFolder.
int appChooseFileDialog(int dialogKind, struct FileSpec* out, int fileType);
// The folder the file dialogs start in: the current bank's folder, else the last folder chosen from,
// else the user's documents ("" when none of them is known). Ends with a separator.
std::string appChooserStartFolder(const char* bankPath, const std::string& lastFolder);

// The next quit query counts as the first (tests).
void appQuitQueryReset();
