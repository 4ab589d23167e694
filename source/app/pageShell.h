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

// A pane that holds a copy of the playing sound (to recompute from, or to put back on Cancel) holds
// the sound from its opening to its closing. Meanwhile the page tabs are locked, nothing replaces the
// sound or the bank under it (the commands that would are unavailable, a program change waits, and
// leaving the program closes the pane as its Cancel first), and clicks do not mark the sound edited:
// the pane's close decides. `cancel` closes the pane as its Cancel does; holding again while held
// only takes the new routine.
typedef void (*PaneCancelRoutine)(std::int16_t id);
void mainWindowHoldSound(std::int16_t id, PaneCancelRoutine cancel);
// The holding pane closes: kept (its OK) marks the sound edited; otherwise the sound's edited state
// goes back to what it was before the pane opened (before the click that opened it).
void mainWindowReleaseSound(std::int16_t id, bool kept);
bool mainWindowSoundHeld(std::int16_t id);
// An edit made outside the holding pane (a command still available while it is open, or no pane at
// all) marks the sound edited; a pane's Cancel then leaves it marked.
void mainWindowMarkEdited(std::int16_t id);
// Closes the pane that holds the sound as its Cancel does; nothing while none holds it.
void mainWindowCancelHoldingPane(std::int16_t id);
// Title displays and the shown page from the engine.
void mainWindowRefreshAll(std::int16_t id);
// The preset number and name displays.
void mainWindowUpdateTitle(std::int16_t id);
