// The framework's start and end.
#include "Init_UIA.h"

#include <new>

#include "GPError.h"
#include "GPInit.h"
#include "UIACursors.h"
#include "UIADrawContext.h"
#include "UIAKeys.h"
#include "UIAPlatformWindow.h"

namespace {
bool g_started = false;   // between a successful uiaInit and uiaExit
}

void uiaCheckVersion(uint32_t version, uint32_t build)
{
    if (version != UIA_VERSION) GP_FATAL(nullptr);
    if ((build & 0xFFFF) != (UIA_BUILD & 0xFFFF)) GP_FATAL(nullptr);
    if ((build >> 16) != (UIA_BUILD >> 16)) GP_FATAL(nullptr);
}

bool uiaInit(uint32_t version, uint32_t build)
{
    // A second start without an end is a fault of the caller.
    if (g_started) GP_FATAL(nullptr);
    bool ok = false;
    try {
        gpCheckVersion(GP_VERSION, GP_BUILD);
        uiaCheckVersion(version, build);
        // The key-name table of the menus joins these steps with the menus themselves.
        ok = uiaBuildKeyboardTable() && uiaCreateDefaultFont() && uiaCreateMemoryDC() && uiaRegisterWindowClasses() &&
             uiaLoadCursors();
    } catch (...) {
        ok = false;
    }
    if (!ok) uiaExit();
    g_started = ok;
    return ok;
}

void uiaExit()
{
    g_started = false;
    uiaFreeCursors();
    uiaUnregisterWindowClasses();
    uiaDeleteMemoryDC();
    uiaFreeDefaultFont();
}
