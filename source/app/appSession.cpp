// Windows' session end (log-off, restart, shutdown) as the main window meets it: the system asks whether the
// program may end (WM_QUERYENDSESSION), then tells it that it ends (WM_ENDSESSION) and ends the process
// without the close box's quit query. Unstored edits and unsaved bank changes are asked about where the system waits
// for an answer, and the quit-time settings are saved as the close box saves them.
#include "app/appSession.h"

#include "app/appCommands.h"
#include "app/appSettings.h"
#include "app/synthApp.h"
#include "uia.h"

namespace {

WNDPROC g_next = nullptr;  // the main window's own procedure
HWND g_watched = nullptr;

LRESULT CALLBACK sessionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_QUERYENDSESSION) return appSessionMayEnd(static_cast<std::uint32_t>(lParam)) ? TRUE : FALSE;
  if (message == WM_ENDSESSION && wParam) appSessionEnds();
  return CallWindowProcA(g_next, window, message, wParam, lParam);
}

}  // namespace

void appWatchSessionEnd(HWND main) {
  if (!main || g_watched == main) return;
  g_next = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sessionProc)));
  g_watched = g_next ? main : nullptr;
}

bool appSessionMayEnd(std::uint32_t how) {
  // A critical end does not wait for an answer: nothing is asked, nothing is written unasked.
  if (how & ENDSESSION_CRITICAL) return true;
  SynthApp* app = dynamic_cast<SynthApp*>(uiaApplication());
  return appAskBeforeLeaving(1, app ? app->engine : nullptr, app ? app->bank : nullptr);
}

void appSessionEnds() { appSaveSettings(); }
