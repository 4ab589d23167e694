#include "aboutBoxTestSupport.h"

#include <string>

#include "NGLFormHost.h"
#include "about/aboutDialog.h"
#include "app/aboutBox.h"

namespace {

BOOL CALLBACK matchAboutBox(HWND window, LPARAM data) {
  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  if (std::string(title) != appAboutTitle || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(data) = window;
  return FALSE;
}

}  // namespace

HWND findAboutBox() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), matchAboutBox, reinterpret_cast<LPARAM>(&found));
  return found;
}

RegionRect aboutCloseButtonRect() {
  FormHostListener resources;
  resources.attach(kAboutMapId, kAboutMapId);
  RegionRect rect = {0, 0, 0, 0};
  {
    AboutDialog dialog(nullptr, &resources, nullptr);
    if (Widget* button = dialog.form().findWidget(kAboutCloseWidget)) rect = button->rect();
  }
  resources.detach();
  return rect;
}
