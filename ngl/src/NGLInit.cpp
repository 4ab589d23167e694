// Start and end of the form library.
#include "NGLInit.h"

#include <new>

#include "GPError.h"
#include "GPInit.h"
#include "GPRegion.h"
#include "Init_UIA.h"
#include "NGLWidget.h"

namespace {

// Fatal errors of this unit name it by the library path it has always reported and fixed lines,
// whatever the build tree or file name.
const char* const kSourcePath = "ngl/src/Init_NGL";
constexpr int kLineSecondInit = 57;
constexpr int kLineVersion = 112;
constexpr int kLineBuildLow = 115;
constexpr int kLineBuildHigh = 118;

uint8_t g_initialised = 0;
uint8_t g_poolTaken = 0;

void checkOwnVersion(uint32_t version, uint32_t build) {
  if (version != NGL_VERSION) gpFatalError(kSourcePath, kLineVersion, nullptr);
  if ((build & 0xFFFF) != (NGL_BUILD & 0xFFFF)) gpFatalError(kSourcePath, kLineBuildLow, nullptr);
  if ((build >> 16) != (NGL_BUILD >> 16)) gpFatalError(kSourcePath, kLineBuildHigh, nullptr);
}

}  // namespace

bool nglInit(uint32_t version, uint32_t build) {
  if (g_initialised) gpFatalError(kSourcePath, kLineSecondInit, nullptr);
  try {
    gpCheckVersion(0x1030001, 0x60031);
    uiaCheckVersion(UIA_VERSION, UIA_BUILD);
    checkOwnVersion(version, build);
    if (!g_poolTaken) {
      gpRegionPoolAcquire();
      g_poolTaken = 1;
    }
    g_initialised = 1;
    return true;
  } catch (...) {
    nglExit();
    return false;
  }
}

void nglExit() {
  WidgetRegistry::clear();
  if (g_poolTaken) {
    gpRegionPoolRelease();
    g_poolTaken = 0;
  }
  g_initialised = 0;
}

uint32_t nglVersion() { return NGL_VERSION; }
