// The task-modal message box and its caption. Every box of the library goes through showBox, which a
// test hook can take over.
#include "GPError.h"

#include <windows.h>

#include <cstring>

namespace {

char g_caption[256] = "";
GPMessageBoxHook g_hook = nullptr;

int showBox(const char* text, UINT style) {
  GPMessageBoxHook hook = g_hook;
  if (hook) return hook(g_caption, text, style);
  return MessageBoxA(nullptr, text, g_caption, style);
}

}  // namespace

bool gpSetMessageBoxTitle(const char* title) {
  if (!title) title = "Veltrano";
  std::strncpy(g_caption, title, sizeof g_caption - 1);
  g_caption[sizeof g_caption - 1] = '\0';
  return true;
}

GPMessageBoxHook gpSetMessageBoxHook(GPMessageBoxHook hook) {
  GPMessageBoxHook previous = g_hook;
  g_hook = hook;
  return previous;
}

int gpMessageBox(const char* text, int buttons, int defaultButton) {
  UINT style = MB_TASKMODAL | MB_SETFOREGROUND;
  switch (buttons) {
    case GP_BUTTONS_OK_CANCEL:
      style |= MB_OKCANCEL;
      if (defaultButton == GP_RESULT_CANCEL) style |= MB_DEFBUTTON2;
      break;
    case GP_BUTTONS_YES_NO:
      style |= MB_YESNO;
      if (defaultButton == GP_RESULT_NO) style |= MB_DEFBUTTON2;
      break;
    case GP_BUTTONS_YES_NO_CANCEL:
      style |= MB_YESNOCANCEL;
      if (defaultButton == GP_RESULT_NO)
        style |= MB_DEFBUTTON2;
      else if (defaultButton == GP_RESULT_CANCEL)
        style |= MB_DEFBUTTON3;
      break;
    case GP_BUTTONS_RETRY_CANCEL:
      style |= MB_RETRYCANCEL;
      if (defaultButton == GP_RESULT_CANCEL) style |= MB_DEFBUTTON2;
      break;
    case GP_BUTTONS_ABORT_RETRY_IGNORE:
      style |= MB_ABORTRETRYIGNORE;
      if (defaultButton == GP_RESULT_RETRY)
        style |= MB_DEFBUTTON2;
      else if (defaultButton == GP_RESULT_IGNORE)
        style |= MB_DEFBUTTON3;
      break;
    default: style |= MB_OK; break;
  }
  switch (showBox(text ? text : "", style)) {
    case IDCANCEL: return GP_RESULT_CANCEL;
    case IDYES: return GP_RESULT_YES;
    case IDNO: return GP_RESULT_NO;
    case IDABORT: return GP_RESULT_ABORT;
    case IDRETRY: return GP_RESULT_RETRY;
    case IDIGNORE: return GP_RESULT_IGNORE;
    default: return GP_RESULT_OK;
  }
}
