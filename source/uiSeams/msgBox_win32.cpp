// Windows half of the message box: the platform library's box for plain messages, a real MessageBoxA
// for the others, centred on its owner window.
#include "uiSeams/msgBox.h"

#include <windows.h>

#include "GPError.h"

namespace {

// The box being opened over an owner: the thread's hook moves it when it is first activated.
HHOOK g_hook = nullptr;
HWND g_owner = nullptr;

// Centres `box` on the owner, kept inside the work area of the owner's monitor.
void centreOnOwner(HWND box) {
  RECT owner, own;
  if (!g_owner || !GetWindowRect(g_owner, &owner) || !GetWindowRect(box, &own)) return;
  const int w = own.right - own.left, h = own.bottom - own.top;
  int x = (owner.left + owner.right - w) / 2;
  int y = (owner.top + owner.bottom - h) / 2;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(g_owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& area = monitor.rcWork;
    if (x + w > area.right) x = area.right - w;
    if (y + h > area.bottom) y = area.bottom - h;
    if (x < area.left) x = area.left;
    if (y < area.top) y = area.top;
  }
  SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK boxHook(int code, WPARAM wParam, LPARAM lParam) {
  const HHOOK hook = g_hook;
  if (code == HCBT_ACTIVATE && hook) {
    // The first window activated while the box opens is the box itself.
    char kind[16] = {};
    HWND window = reinterpret_cast<HWND>(wParam);
    GetClassNameA(window, kind, sizeof kind);
    if (lstrcmpA(kind, "#32770") == 0) {
      g_hook = nullptr;
      UnhookWindowsHookEx(hook);
      centreOnOwner(window);
    }
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

int msgBoxShowNative(void* owner, const char* caption, int style, const char* text, int extra) {
  if (extra == 0) {
    // The plain box: the platform library's task-modal OK box (and its one sink for every box),
    // under the caption the kit was given.
    if (caption && caption[0]) gpSetMessageBoxTitle(caption);
    gpMessageBox(text, GP_BUTTONS_OK, GP_NO_DEFAULT);
    return 0;
  }
  HWND ownerWindow = static_cast<HWND>(owner);
  // The system centres a box on the screen; this one opens on the window it belongs to.
  if (ownerWindow && IsWindowVisible(ownerWindow) && !g_hook) {
    g_owner = ownerWindow;
    g_hook = SetWindowsHookExA(WH_CBT, boxHook, nullptr, GetCurrentThreadId());
  }
  const int answer = MessageBoxA(ownerWindow, text, caption, static_cast<UINT>(style + extra));
  if (g_hook) {
    UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
  }
  g_owner = nullptr;
  return answer;
}
