// Finding the About box among this thread's windows, and where its close button sits.
#pragma once
#include <windows.h>

#include "GPRegion.h"

// The visible About box of this thread, null while none is open.
HWND findAboutBox();

// The close button's rectangle in the box's forms (all zero when the forms lack it).
RegionRect aboutCloseButtonRect();
