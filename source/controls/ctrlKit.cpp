#include "controls/ctrlKit.h"
#include "controls/ctrlCompose.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/display.h"
#include "controls/numbox.h"
#include "controls/selector.h"
#include "controls/msgBox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"

void ctrlKitInit(HINSTANCE instance) {
    winResetAll();
    ctrlTypesReset();
    colorsInit();
    fontTableInit();
    bitmapCacheInit(3000, instance);
    diagReset();
    UiTimer::clearAll();
    buttonKindRegister();
    customKindRegister();
    ctrlRegisterSelector();
    ctrlRegisterPicture();
    framePictureKindRegister();
    paneKindRegister();
    ctrlRegisterDisplay();
    ctrlRegisterNumbox();
}

void ctrlKitShutdown() {
    winCloseAll();
    composeFree();
    fontTableFree();
    bitmapCacheFree();
}
