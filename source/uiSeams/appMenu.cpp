// The menu calls of the sound core: forwarded to the application shell once it installs its routines,
// recorded otherwise (start-up before the menus exist, tests).
#include <cstring>

#include "uiSeams/appMenu.h"

namespace {

const int kMenus = 8, kItems = 32;
char gText[kMenus][kItems][64];
bool gEnabled[kMenus][kItems];
int gCalls = 0;
AppMenuEnableFn gEnable = nullptr;
AppMenuTextFn gSetText = nullptr;

bool inRange(int menu, int item) { return menu >= 0 && menu < kMenus && item >= 0 && item < kItems; }

}  // namespace

void appMenuSetRoutines(AppMenuEnableFn enable, AppMenuTextFn text) {
  gEnable = enable;
  gSetText = text;
}

void appMenuEnableItem(int menu, int item, bool enable) {
  if (gEnable) {
    gEnable(menu, item, enable);
    return;
  }
  ++gCalls;
  if (inRange(menu, item)) gEnabled[menu][item] = enable;
}

void appMenuSetItemText(int menu, int item, const char* text) {
  if (gSetText) {
    gSetText(menu, item, text);
    return;
  }
  ++gCalls;
  if (!inRange(menu, item)) return;
  std::memset(gText[menu][item], 0, sizeof gText[menu][item]);
  if (text) std::strncpy(gText[menu][item], text, sizeof gText[menu][item] - 1);
}

const char* appMenuRecordedText(int menu, int item) { return inRange(menu, item) ? gText[menu][item] : ""; }
bool appMenuRecordedEnabled(int menu, int item) { return inRange(menu, item) && gEnabled[menu][item]; }
int appMenuRecordedCalls() { return gCalls; }
