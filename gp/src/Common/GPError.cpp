// Fatal errors and debug output.
#include "GPError.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Starts at 1; the first reporter takes it to 0, any later caller sees a negative value.
volatile LONG g_fatalCounter = 1;
volatile DWORD g_fatalThread = 0;
GPFatalErrorHook g_beforeReport = nullptr;
GPFatalErrorHook g_afterReport = nullptr;
char g_fatalText[1024] = "";

[[noreturn]] void endProcess() {
  std::fflush(nullptr);
  _fcloseall();
  ExitProcess(1);
}

}  // namespace

void gpSetFatalErrorHooks(GPFatalErrorHook before, GPFatalErrorHook after) {
  g_beforeReport = before;
  g_afterReport = after;
}

const char* gpSourcePath(const char* file) {
  if (!file) return file;
  static const char* const roots[] = {"gp/src/", "gp\\src\\", "source/", "source\\", "tests/", "tests\\"};
  const char* best = nullptr;
  for (const char* root : roots) {
    // The last occurrence that starts a folder name.
    for (const char* p = std::strstr(file, root); p; p = std::strstr(p + 1, root)) {
      if ((p == file || p[-1] == '/' || p[-1] == '\\') && (!best || p > best)) best = p;
    }
  }
  return best ? best : file;
}

void gpFatalError(const char* file, int line, const char* text) {
  if (InterlockedDecrement(&g_fatalCounter) < 0) {
    InterlockedIncrement(&g_fatalCounter);
    // A report is already on its way and ends the process. Raised from the reporting thread itself
    // (code run by the open box), end now; on any other thread, stop here for good.
    if (g_fatalThread == GetCurrentThreadId()) endProcess();
    for (;;) SleepEx(INFINITE, FALSE);
  }
  g_fatalThread = GetCurrentThreadId();
  if (text)
    std::snprintf(g_fatalText, sizeof g_fatalText, "Error %s:%d\n\n%s", file ? file : "", line, text);
  else
    std::snprintf(g_fatalText, sizeof g_fatalText, "Error %s:%d", file ? file : "", line);
  if (g_beforeReport) g_beforeReport();
  gpMessageBox(g_fatalText, GP_BUTTONS_OK, GP_NO_DEFAULT);
  if (g_afterReport) g_afterReport();
  endProcess();
}

const char* gpFatalErrorText() { return g_fatalText; }

void gpDebugPrint(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  OutputDebugStringA(text);
}
