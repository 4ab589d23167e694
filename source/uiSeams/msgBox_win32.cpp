// Windows half of the message box: a real MessageBoxA.
#include "uiSeams/msgBox.h"

#include <windows.h>

int msgBoxShowNative(void* owner, const char* caption, int style, const char* text, int extra) {
    if (extra == 0) {
        // The plain box: task-modal, OK only, brought to the foreground, no owner.
        MessageBoxA(nullptr, text, caption, MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
        return 0;
    }
    return MessageBoxA(static_cast<HWND>(owner), text, caption, static_cast<UINT>(style + extra));
}
