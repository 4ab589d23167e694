// The menu calls of the sound core: forwarded to the application shell once it installs its routines,
// recorded otherwise (start-up before the menus exist, tests).
#include <cstring>

#include "uiSeams/appMenu.h"

namespace {

const int kMenus = 8, kItems = 32;
char g_text[kMenus][kItems][64];
bool g_enabled[kMenus][kItems];
int g_calls = 0;
AppMenuEnableFn g_enable = nullptr;
AppMenuTextFn g_setText = nullptr;

bool inRange(int menu, int item) { return menu >= 0 && menu < kMenus && item >= 0 && item < kItems; }

}  // namespace

void appMenuSetRoutines(AppMenuEnableFn enable, AppMenuTextFn text) {
  g_enable = enable;
  g_setText = text;
}

void appMenuEnableItem(int menu, int item, bool enable) {
  if (g_enable) {
    g_enable(menu, item, enable);
    return;
  }
  ++g_calls;
  if (inRange(menu, item)) g_enabled[menu][item] = enable;
}

void appMenuSetItemText(int menu, int item, const char* text) {
  if (g_setText) {
    g_setText(menu, item, text);
    return;
  }
  ++g_calls;
  if (!inRange(menu, item)) return;
  std::memset(g_text[menu][item], 0, sizeof g_text[menu][item]);
  if (text) std::strncpy(g_text[menu][item], text, sizeof g_text[menu][item] - 1);
}

const char* appMenuRecordedText(int menu, int item) { return inRange(menu, item) ? g_text[menu][item] : ""; }
bool appMenuRecordedEnabled(int menu, int item) { return inRange(menu, item) && g_enabled[menu][item]; }
int appMenuRecordedCalls() { return g_calls; }
