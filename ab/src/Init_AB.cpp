// Start-up and end of the audio host: the version handshake with the platform and signal libraries.
#include "ABAudioClient.h"
#include "GPError.h"
#include "GPInit.h"
#include "Init_DSP.h"

#include <cstdint>

namespace {

// The source path and lines the start-up's fatal errors report, fixed from build to build.
const char* const kInitModule = "ab/src/Init_AB.cpp";
constexpr int kLineSecondInit = 58;
constexpr int kLineSignalLibrary = 107;
constexpr int kLineVersion = 110;
constexpr int kLineBuildNumber = 113;
constexpr int kLineBuildSeries = 116;

constexpr uint32_t kVersion = 0x01030001;
constexpr uint32_t kBuild = 0x00060031;
constexpr uint32_t kSignalVersion = 0x00070002;

bool g_initialised = false;

}  // namespace

int abInit(unsigned version, unsigned build) {
  if (g_initialised) gpFatalError(kInitModule, kLineSecondInit, nullptr);
  gpCheckVersion(0x01030001, 0x00060031);
  if (dspLibraryVersion() != kSignalVersion) gpFatalError(kInitModule, kLineSignalLibrary, nullptr);
  if (version != kVersion) gpFatalError(kInitModule, kLineVersion, nullptr);
  if ((build & 0xFFFFu) != (kBuild & 0xFFFFu)) gpFatalError(kInitModule, kLineBuildNumber, nullptr);
  if ((build & 0xFFFF0000u) != (kBuild & 0xFFFF0000u)) gpFatalError(kInitModule, kLineBuildSeries, nullptr);
  Init_DSP(kSignalVersion, kBuild);
  g_initialised = true;
  return 1;
}

void abExit() {
  dspExit();
  g_initialised = false;
}
