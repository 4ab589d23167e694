// What the Midi editors' in-program tests share beside the program runner's helpers (the running
// program's engine, bank and window 1): items of a pane found by id and clicked with real posted
// mouse messages, keys held while clicking, and popup menus read and answered through the popup seam. Header only: each
// test program of tests/midi/<sub> includes it and links the program runner (tests/app/inProgram.cpp).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/inProgram.h"
#include "app/mainWindow.h"
#include "app/synthApp.h"
#include "controls/ctrlItems.h"
#include "controls/winSlots.h"
#include "uiSeams/popupMenu.h"

namespace midiprog {

// The client point of item `id`'s rectangle at (dx, dy) from its top left, with `select` making its
// pane the current item container first.
inline POINT itemPoint(void (*select)(WinId), std::uint16_t id, int dx, int dy) {
  select(1);
  CtrlRect r{};
  ctrlGetRect(1, id, &r);
  return POINT{r.left + dx, r.top + dy};
}

// Holds or releases a key for the messages that follow (GetKeyState reads the thread's state).
inline void holdKey(int vk, bool down) {
  BYTE state[256];
  GetKeyboardState(state);
  state[vk] = down ? 0x80 : 0;
  SetKeyboardState(state);
}

inline void post(UINT message, WPARAM w, POINT p) {
  PostMessageA(mainHandle(), message, w, MAKELPARAM(short(p.x), short(p.y)));
}
inline void press(POINT p) { post(WM_LBUTTONDOWN, MK_LBUTTON, p); }
inline void drag(POINT p) { post(WM_MOUSEMOVE, MK_LBUTTON, p); }
inline void release(POINT p) { post(WM_LBUTTONUP, 0, p); }
inline void click(POINT p) {
  press(p);
  release(p);
}

// The popup seam: the texts of the last menu shown, and the entry answered (by its text; none when
// empty). `answerFirst` answers the first entry whatever its text.
struct MenuSeen {
  std::vector<std::string> texts;
  std::string choose;
  int shown = 0;
};
inline MenuSeen g_menu;
inline int readMenu(void* menu, int, int, void*) {
  HMENU m = static_cast<HMENU>(menu);
  g_menu.texts.clear();
  ++g_menu.shown;
  int chosen = 0;
  for (int i = 0; i < GetMenuItemCount(m); ++i) {
    char text[96] = {0};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID;
    GetMenuItemInfoA(m, static_cast<UINT>(i), TRUE, &info);
    if (info.fType & MFT_SEPARATOR) {
      g_menu.texts.push_back("-");
      continue;
    }
    GetMenuStringA(m, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    g_menu.texts.push_back(text);
    if (!g_menu.choose.empty() && g_menu.choose == text) chosen = static_cast<int>(info.wID);
  }
  return chosen;
}

}  // namespace midiprog
