// The application menu bar as the sound core sees it: set an item's text, enable or disable it.
// The application shell installs its real routines with appMenuSetRoutines; until then (and in the
// tests) the calls are recorded, and the last text and state of each item can be read back.
#pragma once

enum { appMenuEdit = 2 };  // menu 2 is the Edit menu; its item 0 is "Undo"

void appMenuEnableItem(int menu, int item, bool enable);
void appMenuSetItemText(int menu, int item, const char* text);

typedef void (*AppMenuEnableFn)(int menu, int item, bool enable);
typedef void (*AppMenuTextFn)(int menu, int item, const char* text);
void appMenuSetRoutines(AppMenuEnableFn enable, AppMenuTextFn text);  // null, null: record again

// Recorded state (menus 0..7, items 0..31): "" and false for anything never set.
const char* appMenuRecordedText(int menu, int item);
bool appMenuRecordedEnabled(int menu, int item);
int appMenuRecordedCalls();  // number of calls recorded since start
