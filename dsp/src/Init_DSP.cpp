// Start-up and end of the signal library.
#include "Init_DSP.h"

#include "GPError.h"
#include "GPInit.h"

namespace {

// The source path and lines that the start-up's fatal errors report: fixed, so that a report names
// the failed check the same way in every build.
const char* const kInitModule = "dsp/src/Init_DSP.cpp";
constexpr int kLineSecondInit = 53;
constexpr int kLineVersion = 95;
constexpr int kLineBuildNumber = 98;
constexpr int kLineBuildSeries = 101;

bool g_initialised = false;

}  // namespace

int Init_DSP(unsigned version, unsigned build) {
  if (g_initialised) gpFatalError(kInitModule, kLineSecondInit, nullptr);
  gpCheckVersion(GP_VERSION, GP_BUILD);
  if (version != DSP_VERSION) gpFatalError(kInitModule, kLineVersion, nullptr);
  if ((build & 0xFFFFu) != (DSP_BUILD & 0xFFFFu)) gpFatalError(kInitModule, kLineBuildNumber, nullptr);
  if ((build & 0xFFFF0000u) != (DSP_BUILD & 0xFFFF0000u)) gpFatalError(kInitModule, kLineBuildSeries, nullptr);
  g_initialised = true;
  return 1;
}

void dspExit() { g_initialised = false; }

bool dspIsInitialised() { return g_initialised; }

uint32_t dspLibraryVersion() { return DSP_VERSION; }
