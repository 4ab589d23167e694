#include "app/appStartReport.h"

#include <windows.h>

#include <string>

#include "GPError.h"
#include "UIAModule.h"
#include "app/synthApp.h"

namespace {

bool g_said = false;

// A fatal error's report names the place in its message box's text ("Error <file>:<line>", then
// perhaps a text): the line says the same.
void sayFatalError() {
  std::string place = gpFatalErrorText();
  for (char& c : place)
    if (c == '\n' || c == '\r') c = ' ';
  appStartFailed(("a fatal error ended it (" + place + ")").c_str());
}

}  // namespace

void appStartFailed(const char* what) {
  if (g_said) return;
  g_said = true;
  const std::string line = std::string(appProgramName) + " could not start: " + (what ? what : "") + ".\n";
  HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (errors && errors != INVALID_HANDLE_VALUE)
    WriteFile(errors, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void appStartReportBegin() {
  uiaSetStartFailureSink(appStartFailed);
  gpSetFatalErrorHooks(sayFatalError, nullptr);
}

void appStartReportEnd() {
  uiaSetStartFailureSink(nullptr);
  gpSetFatalErrorHooks(nullptr, nullptr);
}
