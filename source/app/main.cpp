// The program's entry: the one module object, and WinMain handing the instance to the framework,
// which runs module init, the message loop and module exit.
#include <windows.h>

#include "app/synthApp.h"

namespace {
SynthAppModule g_module;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  uiaSetInstance(instance);
  uiaRun();
  return 0;
}
