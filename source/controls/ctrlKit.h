// Start-up of the control kit: the window table, the kinds, the timers, fonts, colours and bitmaps.
#pragma once
#include <windows.h>

#include <cstdint>

// Registers the kinds this build has, in the shell's order, and clears the timers.
void ctrlKitInit(HINSTANCE instance);
void ctrlKitShutdown();

// The kinds this build has, registered in the shell's order (1, 10, 4, 8, 9, 2, 3, 13, 12, 11, 5, 7, 6).
void ctrlKitRegisterKinds();
// The program's start of the kit: fonts, kinds, window table, colours, timers and diagnostics
// (the bitmap cache is started by the application with the executable's instance).
void ctrlKitInitAll();
// Counted use of the kit: the first user initialises it; the last one out (or a forced release)
// closes every window slot and frees the bitmaps and fonts.
void ctrlKitAcquire();
void ctrlKitRelease(bool force);
std::uint16_t ctrlKitUserCount();
