// The About box: run as a modal dialog over a window (the "?" menu and the strip's About button),
// and once at start-up as a splash that closes itself.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

// The title of the About box.
extern const char* const appAboutTitle;  // "About VL Morvane 3"

// Runs the About box over window slot `window` (no owner for an id outside 1..32) and returns when
// it has closed. With autoCloseSeconds above 0 it closes itself that long after it was made (the
// start-up splash); otherwise it stays until the user closes it. Nothing opens when the dialog
// cannot be made or its form is missing from the resources.
void appRunAboutBox(WinId window, std::int32_t autoCloseSeconds = 0);
// The same, only while an application object exists.
void appShowAbout(WinId window);
