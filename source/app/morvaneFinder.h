// Finding a running Morvane from another process: MorvaneClose (run.sh's Ctrl+C) and the run.sh
// tests' input tool both look for it this way.
#pragma once
#include <windows.h>

// The process of morvane.exe (0 when none runs).
DWORD morvaneFindProcess();

// Whether a window is Morvane's main window: an unowned, overlapped (not pop-up) top-level window of
// the framework's normal window class. The Record window shares the class but is a pop-up.
bool morvaneIsMainWindow(HWND window);

// The main window of process `pid` (null when it has none, yet or any more).
HWND morvaneFindMainWindow(DWORD pid);
