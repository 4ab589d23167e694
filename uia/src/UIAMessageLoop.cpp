// The application's message loop.
#include <windows.h>

#include "UIAApplication.h"

void UiaApplication::run() {
  MSG message;
  // -1 (an error) ends the loop as the quit message does, instead of spinning.
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    bool taken = false;
    // By index: a dialog may leave the list while it handles the message.
    for (size_t i = 0; i < filter_->modelessDialogs.size(); ++i) {
      if (IsDialogMessageA(filter_->modelessDialogs[i], &message)) {
        taken = true;
        break;
      }
    }
    if (!taken) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    // Only after the message during which it was set.
    if (quit_) PostQuitMessage(0);
  }
}
