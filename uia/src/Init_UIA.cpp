// The framework's start and end.
#include "Init_UIA.h"

#include <new>

#include "GPError.h"
#include "GPInit.h"
#include "UIACursors.h"
#include "UIADrawContext.h"
#include "UIAKeys.h"
#include "UIAMenu.h"
#include "UIAPlatformWindow.h"

#include <cstring>
#include <initializer_list>

namespace {

bool g_started = false;  // between a successful uiaInit and uiaExit

// This file as fatal errors name it: from the library's folder on, whatever path the compiler saw.
const char* sourcePath(const char* file) {
  const char* found = nullptr;
  for (const char* root : {"uia/src/", "uia\\src\\"})
    for (const char* p = std::strstr(file, root); p; p = std::strstr(p + 1, root)) found = p;
  return found ? found : gpSourcePath(file);
}

}  // namespace

#define UIA_FATAL() gpFatalError(sourcePath(__FILE__), __LINE__, nullptr)

void uiaCheckVersion(uint32_t version, uint32_t build) {
  if (version != UIA_VERSION) UIA_FATAL();
  if ((build & 0xFFFF) != (UIA_BUILD & 0xFFFF)) UIA_FATAL();
  if ((build >> 16) != (UIA_BUILD >> 16)) UIA_FATAL();
}

bool uiaInit(uint32_t version, uint32_t build) {
  // A second start without an end is a fault of the caller.
  if (g_started) UIA_FATAL();
  bool ok = false;
  try {
    gpCheckVersion(GP_VERSION, GP_BUILD);
    uiaCheckVersion(version, build);
    ok = uiaBuildKeyboardTable() && uiaLoadKeyNames() && uiaCreateDefaultFont() && uiaCreateMemoryDC() &&
         uiaRegisterWindowClasses() && uiaLoadCursors();
  } catch (...) {
    ok = false;
  }
  if (!ok) uiaExit();
  g_started = ok;
  return ok;
}

void uiaExit() {
  g_started = false;
  uiaFreeCursors();
  uiaUnregisterWindowClasses();
  uiaDeleteMemoryDC();
  uiaFreeDefaultFont();
  uiaFreeKeyNames();
}
