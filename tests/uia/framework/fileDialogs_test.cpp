// The file and folder dialogs: filter texts byte for byte, and the real system dialogs driven from a
// thread timer of this thread (which keeps running inside the dialogs' own message loops): a typed
// save name gets the chosen row's extension, an open name comes back as typed, Cancel leaves the
// result empty, and the folder dialog returns its start folder.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/tempDir.h"
#include "uiaTestSupport.h"

namespace {

// The application's own types for one test: a single bank type and a group of three library types.
struct TestTypes {
  FileTypeToken token;
  FileTypeEntry* bank = nullptr;
  FileTypeGroup* libraries = nullptr;
  FileTypeEntry *osc = nullptr, *flt = nullptr, *env = nullptr;
  TestTypes() {
    token = FileTypeRegistry::begin();
    bank = FileTypeRegistry::addType("Bank", "Banks", "glo", "Pbnk");
    libraries = FileTypeRegistry::addGroup("Library", "Libraries");
    osc = gpRegisterFileType("Oscillator", "Oscillators", "osc", "Posc", libraries);
    flt = gpRegisterFileType("Filter", "Filters", "flt", "Pflt", libraries);
    env = gpRegisterFileType("Envelope", "Envelopes", "env", "Penv", libraries);
    FileTypeRegistry::end(token);
  }
  ~TestTypes() { FileTypeRegistry::rollback(token); }
};

std::string rows(std::initializer_list<const char*> parts) {
  std::string out;
  for (const char* part : parts) {
    out += part;
    out += '\0';
  }
  return out + '\0';
}

// The dialogs of this thread (the common dialogs' class), the visible one first: the file and
// folder dialogs, and a message box one of them raised over itself.
BOOL CALLBACK collectDialogsProc(HWND hwnd, LPARAM data) {
  char name[32] = {};
  GetClassNameA(hwnd, name, sizeof name);
  if (std::string(name) == "#32770") reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> threadDialogs() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), collectDialogsProc, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The visible dialog of this thread (null while none is shown).
HWND findDialog() {
  for (HWND hwnd : threadDialogs())
    if (IsWindowVisible(hwnd)) return hwnd;
  return nullptr;
}

std::string windowText(HWND hwnd) {
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

void typeName(HWND dialog, const char* text) {
  // The name field is a combo box (cmb13) or an edit (edt1), depending on the dialog's style.
  for (int id : {0x47C, 0x480})
    if (HWND field = GetDlgItem(dialog, id)) SetWindowTextA(field, text);
}

// The rows of the dialog's file-type box (cmb1) and the selected one.
std::vector<std::string> filterRows(HWND dialog, int* selected) {
  std::vector<std::string> out;
  HWND box = GetDlgItem(dialog, 0x470);
  if (!box) return out;
  const int count = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    SendMessageA(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    out.push_back(text);
  }
  *selected = static_cast<int>(SendMessageA(box, CB_GETCURSEL, 0, 0));
  return out;
}

void press(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// Runs `run` while a thread timer of this thread (which keeps beating inside the dialog's own
// message loop) waits for the dialog and hands it to `act` once. The timer stays until `run`
// returns and watches the clock: should the dialog not be ready in time, not close after `act`, or
// raise a box of its own, every dialog of the thread is ended, so that `run` returns and the test
// fails with the reason instead of waiting forever. Answers whether the dialog was acted on; the
// reason of a failure goes to `problem`.
constexpr DWORD kReadyWithinMs = 45000;  // a loaded machine has been seen to need 10 s
constexpr DWORD kClosedWithinMs = 20000;

struct Drive {
  std::function<void(HWND)> act;
  std::function<bool(HWND)> ready;  // when set: the dialog is handed over only once this holds
  DWORD started = 0;
  DWORD actedAt = 0;
  HWND acted = nullptr;
  std::string problem;
};
Drive* g_drive = nullptr;

void endEveryDialog() {
  for (HWND hwnd : threadDialogs()) EndDialog(hwnd, 0);
}

void CALLBACK beat(HWND, UINT, UINT_PTR, DWORD) {
  Drive& drive = *g_drive;
  const DWORD now = GetTickCount();
  if (!drive.problem.empty()) {
    endEveryDialog();  // again, for a dialog that was still opening the last time
    return;
  }
  if (!drive.acted) {
    HWND dialog = findDialog();
    if (dialog && (!drive.ready || drive.ready(dialog))) {
      drive.acted = dialog;
      drive.actedAt = now;
      drive.act(dialog);
    } else if (now - drive.started > kReadyWithinMs) {
      const std::vector<HWND> all = threadDialogs();
      drive.problem = !dialog ? (all.empty() ? "no dialog opened" : "the dialog was never shown")
                              : "the dialog \"" + windowText(dialog) + "\" never became ready";
      drive.problem += " within " + std::to_string(kReadyWithinMs / 1000) + " s";
      endEveryDialog();
    }
    return;
  }
  for (HWND hwnd : threadDialogs()) {
    if (hwnd == drive.acted || !IsWindowVisible(hwnd)) continue;
    char text[512] = {};
    GetWindowTextA(GetDlgItem(hwnd, 0xFFFF), text, sizeof text);
    drive.problem = "the dialog raised \"" + windowText(hwnd) + "\": " + text;
    endEveryDialog();
    return;
  }
  if (IsWindow(drive.acted) && now - drive.actedAt > kClosedWithinMs) {
    drive.problem = "the dialog \"" + windowText(drive.acted) + "\" was still open " +
                    std::to_string(kClosedWithinMs / 1000) + " s after the button";
    endEveryDialog();
  }
}

::testing::AssertionResult driven(const std::function<bool()>& run, const std::function<void(HWND)>& act, bool* answer,
                                  const std::function<bool(HWND)>& ready = nullptr) {
  Drive drive;
  drive.act = act;
  drive.ready = ready;
  drive.started = GetTickCount();
  g_drive = &drive;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, beat);
  *answer = run();
  KillTimer(nullptr, timer);
  g_drive = nullptr;
  if (!drive.problem.empty()) return ::testing::AssertionFailure() << drive.problem;
  if (!drive.acted) return ::testing::AssertionFailure() << "the dialog returned before it was seen";
  return ::testing::AssertionSuccess();
}

// The text of the item selected in the folder browser's tree ("" while none is).
std::string treeSelection(HWND dialog) {
  HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
  for (HWND child = nullptr; !tree && (child = FindWindowExA(dialog, child, nullptr, nullptr));)
    tree = FindWindowExA(child, nullptr, "SysTreeView32", nullptr);
  if (!tree) return std::string();
  const LPARAM item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
  if (!item) return std::string();
  char text[MAX_PATH] = {};
  TVITEMA tv = {};
  tv.mask = TVIF_TEXT;
  tv.hItem = reinterpret_cast<HTREEITEM>(item);
  tv.pszText = text;
  tv.cchTextMax = sizeof text;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
  return text;
}

std::string lastComponent(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderOfTemp() {
  std::string folder = testTempDir();
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

}  // namespace

TEST(UiaFileDialog, FilterTextsByteForByte) {
  startLibraries();
  TestTypes types;
  struct Case {
    const char* name;
    int32_t mode;
    std::vector<FileTypeGroup*> added;
    uint32_t preferredCode;
    std::string text;
    int32_t selected;
    const char* defaultExtension;
  };
  FileTypeGroup* all = gpFileType(0)->ownGroup();
  const Case cases[] = {
      {"one type and all files, open",
       UIA_FILE_OPEN,
       {types.bank->ownGroup(), all},
       0,
       rows({"Banks (*.glo)", "*.glo", "All Files (*.*)", "*.*"}),
       -1,
       "glo"},
      {"all files added first stays last",
       UIA_FILE_OPEN,
       {all, types.bank->ownGroup()},
       0,
       rows({"Banks (*.glo)", "*.glo", "All Files (*.*)", "*.*"}),
       -1,
       "glo"},
      {"one type and all files, save",
       UIA_FILE_SAVE,
       {types.bank->ownGroup(), all},
       0x50626E6B,
       rows({"Banks (*.glo)", "*.glo", "All Files (*.*)", "*.*"}),
       0,
       "glo"},
      {"a group of three, open",
       UIA_FILE_OPEN,
       {types.libraries},
       0x50666C74,
       rows({"Libraries (*.osc;*.flt;*.env)", "*.osc;*.flt;*.env", "Oscillators (*.osc)", "*.osc", "Filters (*.flt)",
             "*.flt", "Envelopes (*.env)", "*.env"}),
       2,
       "osc"},
      {"a group of three, save",
       UIA_FILE_SAVE,
       {types.libraries},
       0x50656E76,
       rows({"Oscillators (*.osc)", "*.osc", "Filters (*.flt)", "*.flt", "Envelopes (*.env)", "*.env"}),
       2,
       "osc"},
      {"types without codes give no rows",
       UIA_FILE_OPEN,
       {gpFileType(3)->ownGroup(), gpFileTypeGroup(1)},
       0,
       "",
       -1,
       ""},
      {"only all files", UIA_FILE_SAVE, {all}, 0, rows({"All Files (*.*)", "*.*"}), -1, ""},
      {"folder mode has none", UIA_FILE_FOLDER, {types.bank->ownGroup(), all}, 0, "", -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileDialog dialog;
    for (FileTypeGroup* group : c.added) dialog.addFileType(group);
    dialog.preferredCode = c.preferredCode;
    int32_t selected = -5;
    dialog.buildFilters(c.mode, &selected);
    std::string extension;
    EXPECT_EQ(dialog.filterText(&extension), c.text);
    EXPECT_EQ(selected, c.selected);
    EXPECT_EQ(extension, c.defaultExtension);
  }
  // The preferred type selects its row in open mode; a type added as an entry is its own group.
  FileDialog dialog;
  dialog.addFileType(types.bank);
  dialog.addFileType(types.libraries);
  dialog.preferredType = types.libraries;
  int32_t selected = -1;
  dialog.buildFilters(UIA_FILE_OPEN, &selected);
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(dialog.filters.size(), 5u);
}

TEST(UiaFileDialog, SaveAddsTheChosenRowsExtensionAndOpenKeepsTheName) {
  runInApplication([&](RecordingApplication&) {
    TestTypes types;
    const std::string folder = folderOfTemp();
    {
      // Save: the Filters row is chosen through the preferred code.
      FileDialog dialog;
      dialog.addFileType(types.libraries);
      dialog.setTitle("Save a library");
      dialog.setStartPath(Path(folder + "\\"));
      dialog.preferredCode = 0x50666C74;
      std::vector<std::string> shownRows;
      int shownSelection = -1;
      bool answer = false;
      ASSERT_TRUE(driven([&] { return dialog.run(UIA_FILE_SAVE, nullptr); },
                         [&](HWND hwnd) {
                           shownRows = filterRows(hwnd, &shownSelection);
                           typeName(hwnd, "take1");
                           press(hwnd, IDOK);
                         },
                         &answer));
      EXPECT_TRUE(answer);
      // The dialog showed the save rows with the preferred one chosen.
      EXPECT_EQ(shownRows, (std::vector<std::string>{"Oscillators (*.osc)", "Filters (*.flt)", "Envelopes (*.env)"}));
      EXPECT_EQ(shownSelection, 1);
      EXPECT_EQ(dialog.result().name(), "take1");
      EXPECT_EQ(dialog.result().extension(), "flt");
      EXPECT_EQ(dialog.result().fileType(), types.flt);
      EXPECT_EQ(dialog.preferredCode, 0x50666C74u);
    }
    {
      // Open: an existing file typed without an extension comes back as typed.
      std::ofstream(testTempPath("plain")) << "x";
      FileDialog dialog;
      dialog.addFileType(types.libraries);
      dialog.addFileType(gpFileType(0));
      dialog.setStartPath(Path(folder + "\\"));
      bool answer = false;
      ASSERT_TRUE(driven([&] { return dialog.run(UIA_FILE_OPEN, nullptr); },
                         [](HWND hwnd) {
                           typeName(hwnd, "plain");
                           press(hwnd, IDOK);
                         },
                         &answer));
      EXPECT_TRUE(answer);
      EXPECT_EQ(dialog.result().name(), "plain");
      EXPECT_EQ(dialog.result().extension(), "");
    }
  });
}

TEST(UiaFileDialog, CancelLongStartPathsAndModeThree) {
  runInApplication([&](RecordingApplication&) {
    TestTypes types;
    const struct {
      const char* name;
      int32_t mode;
      std::string start;
    } cases[] = {
        {"open", UIA_FILE_OPEN, folderOfTemp() + "\\"},
        {"save", UIA_FILE_SAVE, folderOfTemp() + "\\name.glo"},
        {"a 300-character start path", UIA_FILE_OPEN, "C:\\" + std::string(296, 'd') + ".glo"},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      FileDialog dialog;
      dialog.addFileType(types.bank);
      dialog.setStartPath(Path(c.start));
      dialog.resultPath = Path("C:\\stale.glo");
      bool answer = true;
      EXPECT_TRUE(
          driven([&] { return dialog.run(c.mode, nullptr); }, [](HWND hwnd) { press(hwnd, IDCANCEL); }, &answer));
      EXPECT_FALSE(answer);
      EXPECT_EQ(dialog.result().fullPath(), "");
    }
    // Mode 3 shows nothing and answers false at once.
    FileDialog dialog;
    dialog.resultPath = Path("C:\\stale.glo");
    EXPECT_FALSE(dialog.run(3, nullptr));
    EXPECT_EQ(dialog.result().fullPath(), "");
    EXPECT_EQ(findDialog(), nullptr);
  });
}

namespace {

// A folder of its own directly on drive C:, for the folder browser. The browser matches each level of
// the start path against the tree items it listed, and an item carries its folder's modification time
// from when it was listed: a folder under the shared temp folder, which the test programs running
// alongside keep changing, then stops matching and the browser's walk ends on its parent for good.
struct QuietFolder {
  std::string path;
  QuietFolder() {
    for (int i = 0; i < 100 && path.empty(); ++i) {
      const std::string name = "C:\\morvane-browse-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i);
      if (CreateDirectoryA(name.c_str(), nullptr)) path = name;
    }
  }
  ~QuietFolder() {
    if (!path.empty()) RemoveDirectoryA(path.c_str());
  }
};

}  // namespace

TEST(UiaFileDialog, FolderModeReturnsTheStartFolderOrNothingOnCancel) {
  runInApplication([&](RecordingApplication&) {
    const QuietFolder quiet;
    ASSERT_FALSE(quiet.path.empty());
    const std::string& folder = quiet.path;
    for (int button : {IDOK, IDCANCEL}) {
      SCOPED_TRACE(button);
      FileDialog dialog;
      dialog.setStartPath(Path(folder + "\\"));
      bool answer = false;
      // The browser selects the start folder after it shows (quickly or, on a loaded machine,
      // later): press only once its tree has the folder selected.
      std::string selected;
      const auto selectStart = [&](HWND hwnd) { return (selected = treeSelection(hwnd)) == lastComponent(folder); };
      ASSERT_TRUE(driven([&] { return dialog.run(UIA_FILE_FOLDER, nullptr); },
                         [button](HWND hwnd) { press(hwnd, button); }, &answer, selectStart))
          << "selected: \"" << selected << "\"";
      EXPECT_EQ(answer, button == IDOK);
      if (button == IDOK) {
        EXPECT_EQ(lstrcmpiA(dialog.result().fullPath().c_str(), folder.c_str()), 0) << dialog.result().fullPath();
        EXPECT_EQ(dialog.result().kind(), kPathDirectory);
      } else {
        EXPECT_EQ(dialog.result().fullPath(), "");
      }
    }
  });
}
