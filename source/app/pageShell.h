// What the pages and editors (source/pages, envelope, wave, midi) may ask of the main window: the
// drawing defaults every builder sets, the page switch and its lock, and a refresh of the preset
// title or of everything the main window shows. The main window (mainWindow.cpp) implements them; the
// rest of mainWindow.h is the shell's own.
#pragma once
#include <cstdint>

// The drawing defaults every page builder sets first.
void pageSetDrawDefaults();
// Shows page 2..8 (its show runs first, then the others hide) and presses its tab.
void mainWindowShowPage(std::int16_t id, int page);
// The page shown, 0 before the first switch.
int mainWindowShownPage(std::int16_t id);
// Locks (0) or frees (1) page switching: the page panes (pageMain..pageMidi) undrawable and the tabs drawn disabled.
void mainWindowEnablePageTabs(std::int16_t id, bool enabled);
// Title displays and the shown page from the engine.
void mainWindowRefreshAll(std::int16_t id);
// The preset number and name displays.
void mainWindowUpdateTitle(std::int16_t id);
