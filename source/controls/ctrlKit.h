// Start-up of the control kit: the window table, the kinds, the timers, fonts, colours and bitmaps.
#pragma once
#include <windows.h>

// Registers the kinds this build has, in the shell's order, and clears the timers.
void ctrlKitInit(HINSTANCE instance);
void ctrlKitShutdown();
