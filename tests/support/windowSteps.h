// Drives a real window from a thread timer while a modal loop runs (the timer keeps beating inside
// the loop): each beat runs the next step; a step answering false ends them. A step that wants to be
// tried again on the next beat steps g_step back before answering true.
#pragma once
#ifdef _WIN32
#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

inline std::vector<std::function<bool()>> g_steps;
inline std::size_t g_step = 0;

inline void CALLBACK stepProc(HWND, UINT, UINT_PTR id, DWORD) {
  if (g_step >= g_steps.size() || !g_steps[g_step++]()) KillTimer(nullptr, id);
}

// Client coordinates packed for a mouse message.
inline LPARAM at(int x, int y) { return MAKELPARAM(short(x), short(y)); }

// A left click (press and release) posted to the window at client point (x, y).
inline void clickAt(HWND window, int x, int y) {
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
  PostMessageA(window, WM_LBUTTONUP, 0, at(x, y));
}
#endif
