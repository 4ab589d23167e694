// Helpers of the in-place entry, number box and selector tests: typing into the active edit control
// and logs of the callbacks the controls make.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "controls/editBox.h"
#include "kitTestSupport.h"

// The edit control laid over the window's client area, or null.
inline HWND findEditChild(HWND parent) { return FindWindowExA(parent, nullptr, "edit", nullptr); }

// Posts each byte as a typed character, then Enter when asked, and dispatches them.
inline void typeIntoEntry(HWND edit, const std::string& text, bool enter = true) {
  for (unsigned char c : text) PostMessageA(edit, WM_CHAR, c, 1);
  if (enter) PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
  drainMessages();
}

inline std::string windowText(HWND hwnd) {
  char buf[1024] = {0};
  GetWindowTextA(hwnd, buf, sizeof buf);
  return buf;
}
