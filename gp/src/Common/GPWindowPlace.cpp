#include "GPWindowPlace.h"

namespace {

// The guard that waits, and the window its dialog opens over.
HHOOK g_hook = nullptr;
HWND g_over = nullptr;

// Seen as each message's handler returns: the first top-level dialog that has done its WM_INITDIALOG
// while the guard waits is the one it was put up for. It has its final size then (a file window sizes
// itself during that message, after it first takes the focus), and the system has not shown it yet.
LRESULT CALLBACK centreHook(int code, WPARAM wParam, LPARAM lParam) {
  const HHOOK hook = g_hook;
  const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && hook && call && call->message == WM_INITDIALOG &&
      !(GetWindowLongPtrA(call->hwnd, GWL_STYLE) & WS_CHILD)) {
    char kind[16] = {};
    GetClassNameA(call->hwnd, kind, sizeof kind);
    if (lstrcmpA(kind, "#32770") == 0) {
      g_hook = nullptr;
      UnhookWindowsHookEx(hook);
      gpCentreOnWindow(call->hwnd, g_over);
    }
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

}  // namespace

void gpCentreOnWindow(HWND window, HWND over) {
  RECT box, owner;
  if (!window || !over || !GetWindowRect(window, &box) || !GetWindowRect(over, &owner)) return;
  const LONG width = box.right - box.left, height = box.bottom - box.top;
  LONG x = (owner.left + owner.right - width) / 2, y = (owner.top + owner.bottom - height) / 2;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(over, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    x = x + width > work.right ? work.right - width : x;
    y = y + height > work.bottom ? work.bottom - height : y;
    x = x < work.left ? work.left : x;
    y = y < work.top ? work.top : y;
  }
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

GPCentreNextDialog::GPCentreNextDialog(HWND over) {
  if (!over || !IsWindowVisible(over) || g_hook) return;
  g_over = over;
  g_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, centreHook, nullptr, GetCurrentThreadId());
  hook_ = g_hook;
}

GPCentreNextDialog::~GPCentreNextDialog() {
  // The dialog never came (or was refused): the hook goes all the same. A hook the dialog already
  // removed may have been followed by another guard's, which stays.
  if (!hook_ || g_hook != hook_) return;
  UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  g_over = nullptr;
}
