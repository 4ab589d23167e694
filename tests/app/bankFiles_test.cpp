// Bank files under bad input inside the real program (one start, the tests in its loop): unsaved bank
// changes asked about before Exit, New, Open, a recent file or the session's end replace or leave them;
// banks the system will not let be read, told with its reason; saves that cannot be made, refused with
// theirs, every file on disk as it was; file names the program cannot use, refused in words.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../preset/bankTestIo.h"
#include "about/aboutDialog.h"
#include "app/appCommands.h"
#include "app/appRegistry.h"
#include "app/inProgram.h"
#include "app/mainWindow.h"
#include "app/pageShell.h"
#include "app/synthApp.h"
#include "controls/ctrlItems.h"
#include "controls/pane.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "os/osFile.h"
#include "pages/pages.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/presetCopy.h"
#include "preset/presetHeader.h"
#include "support/pngWrite.h"
#include "support/tempDir.h"
#include "support/windowCapture.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"

namespace {

SynthAppModule g_module;

bool command(std::int32_t id) {
  UiaCommandEvent e = {id};
  return app()->handleEvent(UIA_EVENT_COMMAND, &e);
}

// The quit query as the close box and Exit ask it: whether the program may end.
bool mayQuit() {
  appQuitQueryReset();
  UiaAllowEvent query = {1};
  app()->handleEvent(UIA_EVENT_MAY_QUIT, &query);
  return query.allow != 0;
}

std::vector<std::string> boxTexts() {
  std::vector<std::string> texts;
  for (std::size_t k = 0; k < msgBoxCaptureCount(); ++k) texts.push_back(msgBoxCaptureText(k));
  return texts;
}

bool startsWith(const std::string& text, const std::string& head) { return text.compare(0, head.size(), head) == 0; }

// The files of the test folder that a save may have left behind.
std::vector<std::string> temporaries() {
  std::vector<std::string> names;
  OsFindData found;
  OsFind find = osFindFirst((testTempDir() + "~mv*.tmp").c_str(), &found);
  for (bool more = find != osFindInvalid; more; more = osFindNext(find, &found)) names.push_back(found.name);
  if (find != osFindInvalid) osFindClose(find);
  return names;
}

const char kQuestion[] = "Save changes to Untitled Bank?";  // named as window 1 names a bank without a file
const int kQuestionStyle = msgBoxYesNoCancel | msgBoxIconQuestion;

class BankFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(app(), nullptr);
    appChooseFileSetRoutine(nullptr);  // the script answers
    appChooseFileClearQueue();
    msgBoxCaptureBegin(msgAnswerOk);
    cmdNew(1, engine(), bank());  // a new bank: nothing to save, so nothing asked
    EXPECT_EQ(msgBoxCaptureCount(), 0u);
    EXPECT_EQ(bank()->changed, 0);
  }
  void TearDown() override {
    bank()->changed = 0;
    msgBoxCaptureEnd();
    appChooseFileClearQueue();
  }
  // The playing sound stored to slot 5: the bank has a change of its own, not yet saved.
  Preset* storeToSlotFive() {
    bankStorePreset(bank(), engine(), 5);
    EXPECT_EQ(bank()->changed, 1);
    return bank()->slots[5];
  }
  // A bank file of 128 presets; its bytes.
  banktest::Bytes bankFile(const std::string& path, std::uint32_t seed) {
    Bank* b = bankCreate();
    banktest::fillRandomBank(b, seed);
    banktest::Bytes bytes = banktest::saveBank(b, path);
    bankDestroy(b);
    return bytes;
  }
  void answer(int button) {
    msgBoxCaptureEnd();
    msgBoxCaptureBegin(button);
  }
};

// The ways a bank or a sound can be left: Exit (the quit query), New, Open, a recent file and the
// session's end.
enum Way { exitQuery, newBank, openBank, recentBank, sessionEnd };
const Way kWays[] = {exitQuery, newBank, openBank, recentBank, sessionEnd};
const char* const kWayNames[] = {"exit", "new", "open", "recent", "session end"};

// Exit (the quit query), New, Open, a recent file and the session's end, each with Cancel, No and Yes.
TEST_F(BankFilesTest, UnsavedChangesAreAskedAboutBeforeTheyAreReplacedOrLeft) {
  const std::string recent = testTempPath("bank_recent.glo");
  bankFile(recent, 3);
  const std::string opened = testTempPath("bank_opened.glo");
  bankFile(opened, 4);
  const std::string saved = testTempPath("bank_saved.glo");
  for (Way way : kWays) {
    for (int button : {msgAnswerCancel, msgAnswerNo, msgAnswerYes}) {
      SCOPED_TRACE(std::string(kWayNames[way]) + " answered " + std::to_string(button));
      cmdNew(1, engine(), bank());
      Preset* stored = storeToSlotFive();
      DeleteFileA(saved.c_str());
      recentFileNote(recent.c_str());
      answer(button);
      // Yes asks for a name first (the bank has no file); the open dialog comes after the question.
      if (button == msgAnswerYes) appChooseFileQueue(1, saved.c_str());
      if (way == openBank) appChooseFileQueue(1, opened.c_str());
      const int calls = appChooseFileCalls();
      bool wentOn = false;
      switch (way) {
        case exitQuery: wentOn = mayQuit(); break;
        case newBank: command(cmdIdNew); break;
        case openBank: command(cmdIdOpen); break;
        case recentBank: command(cmdIdRecentFirst); break;
        case sessionEnd: wentOn = SendMessageA(mainHandle(), WM_QUERYENDSESSION, 0, 0) != FALSE; break;
      }
      if (way == newBank || way == openBank || way == recentBank) {
        wentOn = bank()->slots[5] != stored;
      }
      ASSERT_GE(msgBoxCaptureCount(), 1u);
      EXPECT_STREQ(msgBoxCaptureText(0), kQuestion);
      EXPECT_EQ(msgBoxCaptureStyle(0), kQuestionStyle);
      EXPECT_EQ(msgBoxCaptureCount(), 1u) << msgBoxCaptureText(1);
      EXPECT_EQ(wentOn, button != msgAnswerCancel);
      // Yes wrote the bank to the file chosen; Cancel and No wrote nothing.
      EXPECT_EQ(osFileExists(saved.c_str()), button == msgAnswerYes);
      if (button == msgAnswerCancel) {
        EXPECT_EQ(bank()->slots[5], stored);
        EXPECT_EQ(bank()->changed, 1);
        EXPECT_EQ(appChooseFileCalls(), calls);  // not even the open dialog
      }
      appChooseFileClearQueue();
    }
  }
  DeleteFileA(saved.c_str());
}

// The playing sound edited and never stored. Exit, New, Open, a recent file and the session's end ask
// first: Yes stores it into its preset as Store does (and the bank, changed so, is asked about next),
// No discards it, Cancel keeps everything as it was.
const char kStoreQuestion[] =
    "The sound \"Edited sound\" has edits that are not stored in its preset 0.\n\n"
    "Store them into preset 0? No discards them.";

// An edit of the playing sound as the preset name box makes it: the name changed, the sound marked
// modified.
void editSound() {
  patchSetName(engine(), "Edited sound");
  engineSetModified(engine());
}

std::string playingName() {
  char name[35] = {};
  patchGetName(engine(), name);
  return name;
}

TEST_F(BankFilesTest, UnstoredEditsAreAskedAboutBeforeTheyAreLost) {
  const std::string recent = testTempPath("edit_recent.glo");
  bankFile(recent, 5);
  const std::string opened = testTempPath("edit_opened.glo");
  bankFile(opened, 6);
  const std::string saved = testTempPath("edit_saved.glo");
  for (Way way : kWays) {
    for (int button : {msgAnswerCancel, msgAnswerNo, msgAnswerYes}) {
      SCOPED_TRACE(std::string(kWayNames[way]) + " answered " + std::to_string(button));
      answer(msgAnswerNo);
      cmdNew(1, engine(), bank());
      editSound();
      DeleteFileA(saved.c_str());
      recentFileNote(recent.c_str());
      answer(button);
      // Yes stores the sound: the bank then differs from its (missing) file and is saved under a name.
      if (button == msgAnswerYes) appChooseFileQueue(1, saved.c_str());
      if (way == openBank) appChooseFileQueue(1, opened.c_str());
      bool wentOn = false;
      switch (way) {
        case exitQuery: wentOn = mayQuit(); break;
        case newBank: command(cmdIdNew); break;
        case openBank: command(cmdIdOpen); break;
        case recentBank: command(cmdIdRecentFirst); break;
        case sessionEnd: wentOn = SendMessageA(mainHandle(), WM_QUERYENDSESSION, 0, 0) != FALSE; break;
      }
      // New, Open and a recent file went on when another sound plays or a bank file was read (a Yes
      // saves the bank first, and the file saved heads the recent list then).
      if (way == newBank || way == openBank || way == recentBank)
        wentOn = playingName() != "Edited sound" || bank()->file.path[0] != 0;
      const std::vector<std::string> texts = boxTexts();
      ASSERT_GE(texts.size(), 1u);
      EXPECT_EQ(texts[0], kStoreQuestion);
      EXPECT_EQ(msgBoxCaptureStyle(0), kQuestionStyle);
      EXPECT_EQ(wentOn, button != msgAnswerCancel);
      if (button == msgAnswerYes) {
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1], kQuestion);
        // The file written holds the edit in the sound's preset.
        Bank* back = bankCreate();
        ASSERT_TRUE(banktest::openBank(back, saved));
        EXPECT_STREQ(back->slots[0]->header.name, "Edited sound");
        bankDestroy(back);
      } else {
        EXPECT_EQ(texts.size(), 1u) << texts.back();
        EXPECT_FALSE(osFileExists(saved.c_str()));
      }
      if (button == msgAnswerCancel) {
        EXPECT_EQ(playingName(), "Edited sound");
        EXPECT_EQ(bank()->slots[0], bank()->defaultPreset) << "nothing stored";
      }
      appChooseFileClearQueue();
    }
  }
  answer(msgAnswerNo);
  cmdNew(1, engine(), bank());
  DeleteFileA(saved.c_str());
}

// A save writes the bank: the user reads that the unstored edit is not in the file unless stored. Yes
// stores it first, No writes the bank without it, Cancel writes nothing.
TEST_F(BankFilesTest, ASaveSaysTheUnstoredEditIsNotInTheFile) {
  const std::string path = testTempPath("nostore.glo");
  struct Case {
    int button;
    bool written;
    const char* slotZero;  // the name of preset 0 in the file written, null for an empty slot
  };
  const Case cases[] = {
      {msgAnswerCancel, false, nullptr}, {msgAnswerNo, true, nullptr}, {msgAnswerYes, true, "Edited sound"}};
  for (std::int32_t how : {static_cast<std::int32_t>(cmdIdSaveAs), static_cast<std::int32_t>(cmdIdSave)}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(how) + " answered " + std::to_string(c.button));
      answer(msgAnswerNo);
      cmdNew(1, engine(), bank());
      editSound();
      DeleteFileA(path.c_str());
      answer(c.button);
      appChooseFileQueue(1, path.c_str());
      command(how);
      const std::vector<std::string> texts = boxTexts();
      ASSERT_EQ(texts.size(), 1u);
      EXPECT_EQ(texts[0],
                "The sound \"Edited sound\" has edits that are not stored in its preset 0: the file holds them only "
                "once they are stored.\n\nStore them into preset 0 before saving?");
      ASSERT_EQ(osFileExists(path.c_str()), c.written);
      if (c.written) {
        Bank* back = bankCreate();
        ASSERT_TRUE(banktest::openBank(back, path));
        if (c.slotZero)
          EXPECT_STREQ(back->slots[0]->header.name, c.slotZero);
        else
          EXPECT_EQ(back->slots[0], back->defaultPreset);
        bankDestroy(back);
      }
      appChooseFileClearQueue();
    }
  }
  answer(msgAnswerNo);
  cmdNew(1, engine(), bank());
  DeleteFileA(path.c_str());
}

// Store to pressed and pressed again, by clicks on the Main page, stores nothing: Exit asks nothing,
// for a new bank and for one read from its file. A Store that changes the bank is asked about.
void clickMainItem(std::uint16_t item) {
  winSetCurrent(1);
  winSelectPane(1, pageMain);
  CtrlRect r = {0, 0, 0, 0};
  ASSERT_TRUE(ctrlGetRect(1, item, &r));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, at);
  pump();
}

TEST_F(BankFilesTest, ExitAsksOnlyWhereTheBankDiffersFromItsFile) {
  const std::string file = testTempPath("store_to.glo");
  bankFile(file, 21);
  const std::uint16_t store = 29, storeTo = 30;
  struct Case {
    const char* what;
    bool fromFile;
    std::vector<std::uint16_t> clicks;
    bool asks;
  };
  const Case cases[] = {
      {"new bank, Store to twice", false, {storeTo, storeTo}, false},
      {"bank from its file, Store to twice", true, {storeTo, storeTo}, false},
      {"new bank, Store", false, {store}, true},
      {"bank from its file, Store to twice, then Store of an edit", true, {storeTo, storeTo, store}, true}};
  mainWindowShowPage(1, pageMain);
  pump();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    answer(msgAnswerNo);  // the bank of the case before is not saved
    cmdNew(1, engine(), bank());
    if (c.fromFile) {
      appChooseFileQueue(1, file.c_str());
      command(cmdIdOpen);
    }
    answer(msgAnswerNo);
    if (c.clicks.back() == store && c.fromFile) editSound();
    for (std::uint16_t item : c.clicks) clickMainItem(item);
    EXPECT_EQ(msgBoxCaptureCount(), 0u) << msgBoxCaptureText(0);
    EXPECT_TRUE(mayQuit());
    const std::vector<std::string> texts = boxTexts();
    ASSERT_EQ(texts.size(), c.asks ? 1u : 0u) << (texts.empty() ? "" : texts[0]);
    if (c.asks) {
      EXPECT_TRUE(startsWith(texts[0], "Save changes to ")) << texts[0];
    }
  }
  answer(msgAnswerNo);
  cmdNew(1, engine(), bank());
}

// The question as the user meets it: a real box owned by window 1, its buttons Yes, No and Cancel;
// Cancel (pressed on the box) keeps everything.
struct SeenBox {
  HWND box = nullptr;
  std::string text;
  std::vector<std::string> buttons;
  RECT rect = {0, 0, 0, 0};
  HWND owner = nullptr;
};
SeenBox g_box;

BOOL CALLBACK findBox(HWND window, LPARAM) {
  char kind[16] = {};
  GetClassNameA(window, kind, sizeof kind);
  if (std::strcmp(kind, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  g_box.box = window;
  return FALSE;
}
BOOL CALLBACK readChild(HWND child, LPARAM) {
  char kind[16] = {}, text[256] = {};
  GetClassNameA(child, kind, sizeof kind);
  GetWindowTextA(child, text, sizeof text);
  if (_stricmp(kind, "Button") == 0) g_box.buttons.push_back(text);
  if (_stricmp(kind, "Static") == 0 && text[0]) g_box.text = text;
  return TRUE;
}

// A rectangle of the screen as a PNG of the artifacts.
void captureScreen(const RECT& r, const char* name) {
  const std::vector<std::uint32_t> pixels = screenPixels(r);
  if (!pixels.empty()) pngWrite(testArtifactPath(name), pixels.data(), r.right - r.left, r.bottom - r.top);
}

void CALLBACK answerBox(HWND, UINT, UINT_PTR id, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), findBox, 0);
  if (!g_box.box) return;
  KillTimer(nullptr, id);
  EnumChildWindows(g_box.box, readChild, 0);
  GetWindowRect(g_box.box, &g_box.rect);
  g_box.owner = GetWindow(g_box.box, GW_OWNER);
  RedrawWindow(g_box.box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  // The box as the screen shows it, alone and with window 1 around it.
  captureScreen(g_box.rect, "bank_files_save_question.png");
  RECT main, both;
  GetWindowRect(mainHandle(), &main);
  UnionRect(&both, &main, &g_box.rect);
  captureScreen(both, "bank_files_save_question_over_window_one.png");
  PostMessageA(g_box.box, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(BankFilesTest, TheQuestionIsARealBoxOwnedByWindowOne) {
  Preset* stored = storeToSlotFive();
  msgBoxCaptureEnd();
  msgBoxSetHook(nullptr, nullptr);  // the real box
  // Window 1 away from the screen's centre: the box opens centred on it all the same.
  RECT kept;
  GetWindowRect(mainHandle(), &kept);
  SetWindowPos(mainHandle(), nullptr, 8, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT main;
  GetWindowRect(mainHandle(), &main);
  g_box = SeenBox();
  SetTimer(nullptr, 0, 50, answerBox);
  command(cmdIdNew);
  msgBoxCaptureBegin(msgAnswerOk);
  SetWindowPos(mainHandle(), nullptr, kept.left, kept.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_NE(g_box.box, nullptr);
  EXPECT_EQ(g_box.text, kQuestion);
  EXPECT_EQ(g_box.buttons, (std::vector<std::string>{"&Yes", "&No", "Cancel"}));
  EXPECT_EQ(g_box.owner, mainHandle());
  EXPECT_NEAR((g_box.rect.left + g_box.rect.right) / 2, (main.left + main.right) / 2, 1);
  EXPECT_NEAR((g_box.rect.top + g_box.rect.bottom) / 2, (main.top + main.bottom) / 2, 1);
  EXPECT_EQ(bank()->slots[5], stored);
  EXPECT_EQ(bank()->changed, 1);
}

// Yes with a save that fails: the user reads why, and nothing goes on.
TEST_F(BankFilesTest, AYesWhoseSaveFailsKeepsTheBankAndTheProgram) {
  Preset* stored = storeToSlotFive();
  answer(msgAnswerYes);
  const std::string folder = testTempDir();
  for (int round = 0; round < 2; ++round) {
    appChooseFileQueue(1, folder.c_str());  // a folder cannot take the bank
    if (round == 0) {
      command(cmdIdNew);
    } else {
      EXPECT_FALSE(mayQuit());
    }
    const std::vector<std::string> texts = boxTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], kQuestion);
    EXPECT_TRUE(startsWith(texts[1], "Save file failed: the bank could not be written to that file.\n\n")) << texts[1];
    EXPECT_EQ(bank()->slots[5], stored);
    answer(msgAnswerYes);
  }
  // The session end too is refused.
  appChooseFileQueue(1, folder.c_str());
  EXPECT_EQ(SendMessageA(mainHandle(), WM_QUERYENDSESSION, 0, 0), FALSE);
  EXPECT_EQ(bank()->slots[5], stored);
}

// The session ends (log-off, shutdown): the quit-time settings are saved as the close box saves them.
TEST_F(BankFilesTest, TheSessionsEndSavesTheQuitTimeSettings) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kUserKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  for (const char* name : {"enablePgm", "oneWindow", "autoBalance", "brontavel 05"}) RegDeleteValueA(key, name);
  RegCloseKey(key);
  cmdEnableProgramChange();  // off
  EXPECT_NE(SendMessageA(mainHandle(), WM_QUERYENDSESSION, 0, 0), FALSE);
  SendMessageA(mainHandle(), WM_ENDSESSION, TRUE, 0);
  DWORD value = 99;
  ASSERT_TRUE(storedInt("enablePgm", &value));
  EXPECT_EQ(value, 0u);
  for (const char* name : {"oneWindow", "autoBalance", "brontavel 05"}) EXPECT_TRUE(storedInt(name, &value)) << name;
  cmdEnableProgramChange();  // on again
  EXPECT_EQ(msgBoxCaptureCount(), 0u);
}

// A bank another program holds open without sharing: Open, Import Preset and the recent entry tell
// the user the system's reason, and the open bank stays.
TEST_F(BankFilesTest, ABankTheSystemWillNotLetBeReadIsToldWithItsReason) {
  const std::string locked = testTempPath("bank_locked.glo");
  bankFile(locked, 8);
  HANDLE held = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  recentFileNote(locked.c_str());
  Preset* before = bank()->slots[0];
  for (std::int32_t id : {static_cast<std::int32_t>(cmdIdOpen), static_cast<std::int32_t>(cmdIdImportPreset),
                          static_cast<std::int32_t>(cmdIdRecentFirst)}) {
    SCOPED_TRACE(id);
    answer(msgAnswerOk);
    if (id != cmdIdRecentFirst) appChooseFileQueue(1, locked.c_str());
    command(id);
    const std::vector<std::string> texts = boxTexts();
    ASSERT_EQ(texts.size(), 1u);
    const std::string head = "Open file failed, error 77315\n\nThe file could not be read: ";
    EXPECT_TRUE(startsWith(texts[0], head)) << texts[0];
    EXPECT_GT(texts[0].size(), head.size() + 3) << "the system's reason";
    EXPECT_EQ(bank()->slots[0], before);
    EXPECT_EQ(bank()->changed, 0);
  }
  CloseHandle(held);
  // Once free, the recent entry opens.
  answer(msgAnswerOk);
  command(cmdIdRecentFirst);
  EXPECT_EQ(msgBoxCaptureCount(), 0u);
  EXPECT_NE(bank()->slots[0], before);
  EXPECT_EQ(bank()->changed, 0);  // as its file holds it
  windowCapturePng(mainHandle(), "bank_files_recent_opened.png");
}

// Save As onto the open bank's own file writes it whole; onto a read-only file, or to a path too long
// for the temporary beside it, is refused with the reason, every file as it was, nothing left behind.
TEST_F(BankFilesTest, SaveAsOntoItsOwnFileWorksAndRefusedSavesLeaveEveryFileAsItWas) {
  const std::string own = testTempPath("bank_own.glo");
  bankFile(own, 12);
  appChooseFileQueue(1, own.c_str());
  command(cmdIdOpen);
  ASSERT_EQ(msgBoxCaptureCount(), 0u);
  storeToSlotFive();
  appChooseFileQueue(1, own.c_str());
  EXPECT_TRUE(cmdSave(1, bank(), 1));
  EXPECT_EQ(bank()->changed, 0);
  {
    Bank* back = bankCreate();
    ASSERT_TRUE(banktest::openBank(back, own));
    EXPECT_EQ(banktest::readFile(own), banktest::saveBank(back, testTempPath("bank_own_again.glo")));
    EXPECT_STREQ(back->slots[5]->header.name, bank()->slots[5]->header.name);
    bankDestroy(back);
  }

  const std::string readOnly = testTempPath("bank_readonly.glo");
  const banktest::Bytes kept = bankFile(readOnly, 13);
  ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  std::string deep = testTempDir();
  while (deep.size() + 21 < 251) {
    deep += std::string(20, 'd') + "\\";
    CreateDirectoryA(deep.c_str(), nullptr);
  }
  deep += std::string(251 - deep.size(), 'e') + "\\";
  ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
  const std::string longPath = deep + "b.glo";
  banktest::writeFile(longPath, kept);
  struct Case {
    std::string path;
    const char* reason;
  };
  const Case cases[] = {{readOnly, "The file could not be replaced: "},
                        {longPath, "The folder's path is too long for the temporary file a save writes first."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    answer(msgAnswerOk);
    appChooseFileQueue(1, c.path.c_str());
    EXPECT_FALSE(cmdSave(1, bank(), 1));
    const std::vector<std::string> texts = boxTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(startsWith(texts[0],
                           std::string("Save file failed: the bank could not be written to that file.\n\n") + c.reason))
        << texts[0];
    EXPECT_EQ(banktest::readFile(c.path), kept);
    EXPECT_EQ(std::string(bank()->file.path), own);  // the bank keeps its own file
  }
  EXPECT_EQ(temporaries(), std::vector<std::string>{});
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A name the dialog could only hand over with '?' for letters outside the system's code page: refused
// in words, and nothing else happens.
TEST_F(BankFilesTest, ANameOutsideTheCodePageIsRefusedInWords) {
  const std::string name = testTempPath("bank_????.glo");
  for (std::int32_t id : {static_cast<std::int32_t>(cmdIdOpen), static_cast<std::int32_t>(cmdIdSaveAs),
                          static_cast<std::int32_t>(cmdIdImportPreset)}) {
    SCOPED_TRACE(id);
    answer(msgAnswerOk);
    appChooseFileQueue(1, name.c_str());
    command(id);
    const std::vector<std::string> texts = boxTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(startsWith(texts[0], "This file name holds letters outside the system's code page")) << texts[0];
  }
  EXPECT_EQ(bank()->file.path[0], 0);
}

}  // namespace

int main(int argc, char** argv) { return runTestsOnceWindowOneTakesInput(argc, argv); }
