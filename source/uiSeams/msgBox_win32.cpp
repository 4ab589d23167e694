// Windows half of the message box: the platform library's box for plain messages, a real MessageBoxA
// for the others, centred on its owner window.
#include "uiSeams/msgBox.h"

#include <windows.h>

#include "GPError.h"
#include "GPWindowPlace.h"

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
  const GPCentreNextDialog centred(ownerWindow);
  return MessageBoxA(ownerWindow, text, caption, static_cast<UINT>(style + extra));
}
