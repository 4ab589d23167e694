// MorvaneClose.exe: asks a running Morvane to close exactly as its window's close box does (a
// WM_SYSCOMMAND SC_CLOSE posted to the main window), so it saves its settings and closes its audio
// before it ends. run.sh uses it when the user presses Ctrl+C or sends TERM.
// While a dialog of Morvane's is open (the start-up splash, Audio Setup) the main window is disabled
// and ignores its close box, as it does for a user: the dialog is closed first (WM_CLOSE, its Cancel).
// A Morvane still starting has no main window yet. The request keeps trying for up to 15 seconds.
// Exit code 0 when the main window was asked, 1 when it could not be.
#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

namespace {

// The main window is the process's unowned, overlapped (not pop-up) top-level window of the framework's
// normal window class; the Record window shares the class but is a pop-up.
constexpr char kMainClassPrefix[] = "VLNormalWindow";
constexpr char kProgramFile[] = "morvane.exe";
constexpr int kTries = 75;
constexpr DWORD kPauseMs = 200;

bool isMorvaneProcess(DWORD pid) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
    found = entry.th32ProcessID == pid && lstrcmpiA(entry.szExeFile, kProgramFile) == 0;
  CloseHandle(snapshot);
  return found;
}

struct Scan {
  HWND main = nullptr;
  HWND dialogs[16] = {};  // visible, enabled windows of Morvane's owned by another window
  int dialogCount = 0;
};

BOOL CALLBACK scanWindow(HWND window, LPARAM param) {
  Scan& scan = *reinterpret_cast<Scan*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (!isMorvaneProcess(pid)) return TRUE;
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  const bool owned = GetWindow(window, GW_OWNER) != nullptr;
  const bool popup = (GetWindowLongA(window, GWL_STYLE) & WS_POPUP) != 0;
  if (!owned && !popup && std::strncmp(className, kMainClassPrefix, sizeof kMainClassPrefix - 1) == 0)
    scan.main = window;
  else if (owned && IsWindowVisible(window) && IsWindowEnabled(window) && scan.dialogCount < 16)
    scan.dialogs[scan.dialogCount++] = window;
  return TRUE;
}

}  // namespace

int main() {
  for (int i = 0; i < kTries; ++i) {
    Scan scan;
    EnumWindows(scanWindow, reinterpret_cast<LPARAM>(&scan));
    if (scan.main && IsWindowEnabled(scan.main)) {
      PostMessageA(scan.main, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    }
    for (int d = 0; d < scan.dialogCount; ++d) PostMessageA(scan.dialogs[d], WM_CLOSE, 0, 0);
    Sleep(kPauseMs);
  }
  return 1;
}
