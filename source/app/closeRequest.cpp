// MorvaneClose.exe: run.sh's way to close a running Morvane when the user presses Ctrl+C or sends TERM,
// and to say what happens. Each run is one step; run.sh shows what it writes and acts on its exit code.
//
//   MorvaneClose [--answered WINDOW] [--unseen DISPLAY] [--typed]
//     Asks Morvane to close as its close box does (the close request, closeRequest.h), closing first a
//     dialog that holds its window (the start-up splash, Audio Setup), and waits. While Morvane starts
//     (no main window yet, or its answers say so) one line says that it closes once its start is done;
//     its start's dialogs are closed as their close boxes do, none is told. Exit 0: Morvane has
//     ended. 2: it asks something (a question, or a window such as Save As that the close opened): one
//     line says what and how it is answered, a last line "#told WINDOW" names its window. 3: the close
//     was answered Cancel, Morvane keeps running. 4: in 40 s Morvane neither ended nor asked anything
//     (a start or a close that hangs; the start and the close have 40 s each). 5: its close has saved
//     its settings, but it has not ended in 40 s.
//     --answered WINDOW: that window was told already: its answer is waited for, then as above.
//     --unseen: Morvane's window is on a virtual display nobody sees; --typed: run.sh takes an answer
//     typed on its terminal (MorvaneClose --answer).
//   MorvaneClose --unasked
//     Closes Morvane without asking (the second Ctrl+C): says what is not saved, closes every question
//     with Cancel (No where it has none) and every other dialog. The settings are saved as at every
//     close. Exit 0: Morvane has ended; 4: not within 40 s; 5: not within 40 s, its settings saved.
//   MorvaneClose --stopping
//     Says in one line what stopping Morvane at once (the third Ctrl+C) loses; nothing when it does not
//     run. Exit 0.
//   MorvaneClose --answer y|n|c|o
//     Presses Yes, No, Cancel or OK in the question Morvane shows. Exit 0; 2 with a line on stdout when
//     it shows none or has no such button.
// Exit 1: wrong use.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "app/closeLeavingMark.h"
#include "app/closeRequest.h"
#include "app/morvaneFinder.h"

namespace {

// Questions, the file choosers and the framework's dialogs are system dialogs; a message box shows its
// text in a control of its own.
constexpr char kDialogClass[] = "#32770";
constexpr int kBoxTextId = 0xFFFF;
constexpr DWORD kPauseMs = 250;   // between two looks at Morvane
constexpr DWORD kStepMs = 40000;  // how long a close may take with nothing asked
constexpr UINT kAnswerMs = 2000;  // how long Morvane may take to answer one message
constexpr int kMaxDialogs = 16;

enum Exit { exitEnded = 0, exitUsage = 1, exitAsks = 2, exitCancelled = 3, exitNoProgress = 4, exitLeavingSlow = 5 };

// The buttons a question may have, with the letter typed for each.
struct Choice {
  int id;
  char letter;
  const char* name;
};
constexpr Choice kChoices[] = {{IDYES, 'y', "Yes"}, {IDNO, 'n', "No"}, {IDCANCEL, 'c', "Cancel"}, {IDOK, 'o', "OK"}};

struct Options {
  HWND answered = nullptr;
  bool typed = false;
  std::string unseen;  // the virtual display, when nobody sees it
};

struct Morvane {
  DWORD pid = 0;
  HANDLE process = nullptr;
  HWND main = nullptr;
  HWND dialogs[kMaxDialogs] = {};  // its visible system dialogs; the one taking input first
  int dialogCount = 0;
};

BOOL CALLBACK scanWindow(HWND window, LPARAM param) {
  Morvane& m = *reinterpret_cast<Morvane*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != m.pid) return TRUE;
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (morvaneIsMainWindow(window)) {
    m.main = window;
  } else if (std::strcmp(className, kDialogClass) == 0 && IsWindowVisible(window) && m.dialogCount < kMaxDialogs) {
    // The dialog taking input (enabled) first; one under a dialog it opened is disabled.
    m.dialogs[m.dialogCount++] = window;
    if (IsWindowEnabled(window)) std::swap(m.dialogs[0], m.dialogs[m.dialogCount - 1]);
  }
  return TRUE;
}

// Finds Morvane (false when it does not run, or has ended) and looks at its windows again.
bool look(Morvane& m) {
  if (!m.process) {
    m.pid = morvaneFindProcess();
    if (!m.pid) return false;
    m.process = OpenProcess(SYNCHRONIZE, FALSE, m.pid);
    if (!m.process) return false;
  }
  if (WaitForSingleObject(m.process, 0) == WAIT_OBJECT_0) return false;
  m.main = nullptr;
  m.dialogCount = 0;
  EnumWindows(scanWindow, reinterpret_cast<LPARAM>(&m));
  return true;
}

// Waits kPauseMs, or less when Morvane ends meanwhile.
void pause(const Morvane& m) {
  if (m.process)
    WaitForSingleObject(m.process, kPauseMs);
  else
    Sleep(kPauseMs);
}

HWND inputDialog(const Morvane& m) { return m.dialogCount && IsWindowEnabled(m.dialogs[0]) ? m.dialogs[0] : nullptr; }

// Morvane's answer to a request (0 when it gave none in time).
unsigned request(const Morvane& m, CloseRequest what) {
  static const UINT message = RegisterWindowMessageA(closeRequestName);
  DWORD_PTR answer = 0;
  if (!m.main || !SendMessageTimeoutA(m.main, message, what, 0, SMTO_ABORTIFHUNG, kAnswerMs, &answer)) return 0;
  return (answer & closeAnswerKnown) ? static_cast<unsigned>(answer) : 0;
}

// A window's text, on one line: line breaks become spaces, double quotes single ones.
std::string textOf(HWND window) {
  char text[1024] = {};
  DWORD_PTR length = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kAnswerMs,
                      &length);
  std::string line;
  for (const char* c = text; *c; ++c) {
    const bool space = *c == '\r' || *c == '\n' || *c == '\t' || *c == ' ';
    if (space && (line.empty() || line.back() == ' ')) continue;
    line += space ? ' ' : *c == '"' ? '\'' : *c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

HWND boxText(HWND dialog) {
  HWND text = GetDlgItem(dialog, kBoxTextId);
  char className[16] = {};
  if (text) GetClassNameA(text, className, sizeof className);
  return lstrcmpiA(className, "Static") == 0 ? text : nullptr;
}

HWND button(HWND dialog, int id) {
  HWND b = GetDlgItem(dialog, id);
  return b && IsWindowVisible(b) && IsWindowEnabled(b) ? b : nullptr;
}

// The choices of a dialog: a message box's buttons; another dialog (a file chooser) is only cancelled.
std::string choices(HWND dialog, bool letters) {
  const bool box = boxText(dialog) != nullptr;
  std::string names[4];
  int count = 0;
  for (const Choice& c : kChoices) {
    if ((!box && c.id != IDCANCEL) || !button(dialog, c.id)) continue;
    names[count++] = letters ? std::string(1, c.letter) + " (" + c.name + ")" : c.name;
  }
  std::string list;
  for (int i = 0; i < count; ++i) list += (i == 0 ? "" : i + 1 == count ? " or " : ", ") + names[i];
  return list;
}

void say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// One line: what Morvane asks and how it is answered.
void tell(HWND dialog, const Options& o) {
  std::string line;
  const bool box = boxText(dialog) != nullptr;
  if (box) {
    const bool question = button(dialog, IDYES) || button(dialog, IDNO) || button(dialog, IDCANCEL);
    line = std::string(question ? "Morvane asks: \"" : "Morvane says: \"") + textOf(boxText(dialog)) + "\"";
  } else {
    line = "Morvane shows its \"" + textOf(dialog) + "\" window.";
  }
  const std::string noSave = "Ctrl+C again closes Morvane without saving.";
  if (o.unseen.empty()) {
    line += box ? " Answer it in Morvane's window (" + choices(dialog, false) + "); " + noSave
                : " Finish it in Morvane's window; " + noSave;
  } else {
    line += " Its window is on the virtual display " + o.unseen + ", which nobody sees: ";
    const std::string typed = choices(dialog, true);
    if (o.typed && !typed.empty())
      line += "type " + typed + " and Enter to answer here, or press Ctrl+C again to close Morvane without saving.";
    else
      line += noSave + " (A VNC viewer on " + o.unseen + " shows the window.)";
  }
  say(line);
  char window[32];
  std::snprintf(window, sizeof window, "#told 0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(dialog)));
  say(window);
}

// Closes a dialog as its Cancel does: a message box by its Cancel (No, OK where it has none), another
// dialog as its close box does.
void dismiss(HWND dialog) {
  if (boxText(dialog)) {
    for (int id : {IDCANCEL, IDNO, IDOK}) {
      if (HWND b = button(dialog, id)) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(b));
        return;
      }
    }
  }
  PostMessageA(dialog, WM_CLOSE, 0, 0);
}

bool elapsed(DWORD since, DWORD ms) { return GetTickCount() - since >= ms; }

// Morvane's answer of the moment its close left, its settings saved (its main window may be gone
// already); 0 while it has not left.
unsigned leftAnswer(const Morvane& m) { return closeLeavingMarkRead(m.pid); }

int noProgress(const Morvane& m) { return leftAnswer(m) ? exitLeavingSlow : exitNoProgress; }

// Said once, while Morvane starts: its close waits for the start's end.
void sayStarting(bool& said) {
  if (said) return;
  said = true;
  say("Morvane is still starting: it closes as its close box does once its start is done.");
}

int closeAsking(const Options& o) {
  Morvane m;
  DWORD since = GetTickCount();
  bool first = true;
  bool shown = o.answered != nullptr;  // its main window was seen: one gone is the close's end
  bool starting = false;               // its last answer said that it starts
  bool saidStarting = false;
  HWND told = o.answered;
  for (;; pause(m)) {
    if (!look(m)) return exitEnded;
    if (!m.main) {
      if (!shown && !leftAnswer(m)) sayStarting(saidStarting);
      if (elapsed(since, kStepMs)) return noProgress(m);  // a start that never shows its window, or a slow end
      continue;
    }
    shown = true;
    HWND dialog = inputDialog(m);
    if (first && !o.answered) request(m, closeRequestAsk);  // first, whatever is open: it forgets a Cancel
    first = false;
    if (dialog && dialog == told) {
      since = GetTickCount();  // the user answers: no time limit
      continue;
    }
    told = nullptr;
    const unsigned state = request(m, closeRequestQuery);
    if (state & closeStarting) {
      starting = true;
      sayStarting(saidStarting);
    } else if (state && starting) {
      starting = false;
      since = GetTickCount();  // the start is done: the close it waited for has its own time
    }
    if (dialog) {
      // A question, or a window the close opened (Save As after Yes), is the user's; another dialog
      // holding the window (the start-up splash, Audio Setup), and any while Morvane starts, is closed
      // as its close box does.
      if (!starting && (boxText(dialog) || (state & closeStateMask) == closeStateAsked)) {
        tell(dialog, o);
        return exitAsks;
      }
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    } else if (state && (state & closeStateMask) == closeStateCancelled) {
      return exitCancelled;
    } else if (state && !starting && (state & closeStateMask) == closeStateIdle) {
      request(m, closeRequestAsk);  // the window takes input again after a dialog not of the close
    }
    if (elapsed(since, kStepMs)) return noProgress(m);
  }
}

// What an answer says is unsaved: "" or a list ("...; ...").
std::string lossList(unsigned answer) {
  std::string lost;
  if (answer & closeLosesNewBank) lost = "its bank, which was never saved to a file";
  if (answer & closeLosesBank) lost = "the changes to its bank since it was last saved";
  if (answer & closeLosesEdits)
    lost += std::string(lost.empty() ? "" : "; ") + "the edits of its sound that were not stored into its preset";
  return lost;
}

void sayLosses(unsigned answer) {
  const std::string lost = lossList(answer);
  if (!answer)
    say("Closing Morvane without saving.");
  else if (lost.empty())
    say("Closing Morvane without asking: it has nothing unsaved.");
  else
    say("Closing Morvane without saving. Not saved: " + lost + ".");
}

int closeUnasked() {
  Morvane m;
  const DWORD since = GetTickCount();
  bool told = false;
  for (;; pause(m)) {
    if (!look(m)) return exitEnded;
    if (m.main) {
      if (!told) {
        told = true;
        sayLosses(request(m, closeRequestUnasked));
      }
      for (int d = 0; d < m.dialogCount; ++d)
        if (IsWindowEnabled(m.dialogs[d])) dismiss(m.dialogs[d]);
      request(m, closeRequestAsk);  // as asked first: starts the close once the window takes input
    }
    if (elapsed(since, kStepMs)) return noProgress(m);
  }
}

int stopping() {
  Morvane m;
  if (!look(m)) return exitEnded;
  if (const unsigned left = leftAnswer(m)) {
    const std::string lost = lossList(left);
    say("Morvane is stopped at once; its settings were saved already." +
        (lost.empty() ? "" : " Not saved: " + lost + "."));
    return exitEnded;
  }
  const unsigned answer = request(m, closeRequestQuery);  // none from a window that hangs or is not there yet
  const std::string lost = lossList(answer);
  if (!answer)
    say("Morvane is stopped at once: its settings are not saved.");
  else
    say("Morvane is stopped at once. Not saved: its settings" + (lost.empty() ? "" : "; " + lost) + ".");
  return exitEnded;
}

int answer(char letter) {
  Morvane m;
  HWND dialog = look(m) ? inputDialog(m) : nullptr;
  if (!dialog || (!boxText(dialog) && !button(dialog, IDCANCEL))) {
    say("Morvane asks nothing at the moment.");
    return exitAsks;
  }
  for (const Choice& c : kChoices) {
    HWND b = button(dialog, c.id);
    if (c.letter != letter || !b || (!boxText(dialog) && c.id != IDCANCEL)) continue;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(c.id, BN_CLICKED), reinterpret_cast<LPARAM>(b));
    return exitEnded;
  }
  say("Type " + choices(dialog, true) + ", then Enter.");
  return exitAsks;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone, as run.sh prints them
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--unasked" && argc == 2) return closeUnasked();
    if (arg == "--stopping" && argc == 2) return stopping();
    if (arg == "--answer" && argc == 3) return answer(argv[2][0] | 0x20);  // either case
    if (arg == "--answered" && i + 1 < argc) {
      o.answered = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(argv[++i], nullptr, 16)));
    } else if (arg == "--typed") {
      o.typed = true;
    } else if (arg == "--unseen" && i + 1 < argc) {
      o.unseen = argv[++i];
    } else {
      std::fputs(
          "usage: MorvaneClose [--answered WINDOW] [--unseen DISPLAY] [--typed] | --unasked | --stopping | "
          "--answer y|n|c|o\n",
          stderr);
      return exitUsage;
    }
  }
  return closeAsking(o);
}
