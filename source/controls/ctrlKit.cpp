#include "controls/ctrlKit.h"
#include "controls/ctrlCompose.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/display.h"
#include "controls/keyboard.h"
#include "controls/knob.h"
#include "controls/list.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/scrollbar.h"
#include "controls/selector.h"
#include "controls/textView.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "uiSeams/msgBox.h"

namespace {
std::uint16_t g_kitUsers = 0;
}

void ctrlKitRegisterKinds() {
  buttonKindRegister();        // 1
  customKindRegister();        // 10
  knobKindRegister();          // 4
  keyboardKindRegister();      // 8
  selectorKindRegister();      // 9
  pictureKindRegister();       // 2
  framePictureKindRegister();  // 3
  paneKindRegister();          // 13
  scrollbarKindRegister();     // 12
  listKindRegister();          // 11
  displayKindRegister();       // 5
  textViewKindRegister();      // 7
  numboxKindRegister();        // 6
}

void ctrlKitInit(HINSTANCE instance) {
  winResetAll();
  ctrlTypesReset();
  colorsInit();
  fontTableInit();
  bitmapCacheInit(3000, instance);
  diagReset();
  UiTimer::clearAll();
  ctrlKitRegisterKinds();
}

void ctrlKitShutdown() {
  winCloseAll();
  composeFree();
  fontTableFree();
  bitmapCacheFree();
}

void ctrlKitInitAll() {
  fontTableInit();
  ctrlTypesReset();
  winResetAll();
  colorsInit();
  ctrlKitRegisterKinds();
  UiTimer::clearAll();
  diagReset();
}

void ctrlKitAcquire() {
  if (g_kitUsers == 0) ctrlKitInitAll();
  ++g_kitUsers;
}

void ctrlKitRelease(bool force) {
  if (g_kitUsers < 1) return;
  if (force)
    g_kitUsers = 0;
  else
    --g_kitUsers;
  if (g_kitUsers == 0) {
    winCloseAll();
    composeFree();
    bitmapCacheFree();
    fontTableFree();
  }
}

std::uint16_t ctrlKitUserCount() { return g_kitUsers; }
