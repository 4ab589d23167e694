// The program's entry: the one module object, and WinMain handing the instance to the framework,
// which runs module init, the message loop and module exit.
#include <windows.h>

#include "UIAModule.h"
#include "app/appStartReport.h"
#include "app/synthApp.h"

namespace {
SynthAppModule g_module;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  uiaSetInstance(instance);
  uiaRun();
  // A start that failed ends with status 1: its message may have had no window to show in (no
  // display), and whoever started the program can still tell; its step said which on the error output
  // (a line here should none have).
  const UiaModule* module = uiaModule();
  if (module && module->initResult()) return 0;
  appStartFailed("its start failed");
  return 1;
}
