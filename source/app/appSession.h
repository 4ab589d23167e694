// Windows' session end as the program meets it (see appSession.cpp).
#pragma once
#include <windows.h>

#include <cstdint>

// Lets the main window (appMainWindowId) answer the session-end messages (once per window).
void appWatchSessionEnd(HWND main);
// WM_QUERYENDSESSION (its lParam): false when the user kept the program running (Cancel in a question
// about unstored edits or unsaved bank changes, or a save that failed).
bool appSessionMayEnd(std::uint32_t how);
// WM_ENDSESSION with the session really ending: the quit-time settings are saved.
void appSessionEnds();
