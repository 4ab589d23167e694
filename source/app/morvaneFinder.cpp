#include "app/morvaneFinder.h"

#include <tlhelp32.h>

#include <cstring>

namespace {

constexpr char kMainClassPrefix[] = "VLNormalWindow";
constexpr char kProgramFile[] = "morvane.exe";

struct Search {
  DWORD pid = 0;
  HWND main = nullptr;
};

BOOL CALLBACK findMain(HWND window, LPARAM param) {
  Search& s = *reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == s.pid && morvaneIsMainWindow(window)) s.main = window;
  return TRUE;
}

}  // namespace

DWORD morvaneFindProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  DWORD pid = 0;
  for (BOOL more = Process32First(snapshot, &entry); more && !pid; more = Process32Next(snapshot, &entry))
    if (lstrcmpiA(entry.szExeFile, kProgramFile) == 0) pid = entry.th32ProcessID;
  CloseHandle(snapshot);
  return pid;
}

bool morvaneIsMainWindow(HWND window) {
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  return !GetWindow(window, GW_OWNER) && !(GetWindowLongA(window, GWL_STYLE) & WS_POPUP) &&
         std::strncmp(className, kMainClassPrefix, sizeof kMainClassPrefix - 1) == 0;
}

HWND morvaneFindMainWindow(DWORD pid) {
  Search s;
  s.pid = pid;
  if (pid) EnumWindows(findMain, reinterpret_cast<LPARAM>(&s));
  return s.main;
}
