// Start-up and shut-down of the platform library and the version handshake.
#include "GPInit.h"

#include "GPBlockPool.h"
#include "GPError.h"
#include "GPFileTypes.h"
#include "GPRegistryKey.h"
#include "GPSystemInfo.h"
#include "GPThread.h"

#include <new>
#include <stdexcept>

namespace {

// Path and line numbers that the start-up's fatal errors report; they stay the same from build to
// build so that a report names the failed check unambiguously.
const char* const kInitModule = "gp/src/Common/GPInit.cpp";
constexpr int kLineSecondInit = 51;
constexpr int kLineVersion = 121;
constexpr int kLineBuildNumber = 124;
constexpr int kLineBuildSeries = 127;

bool g_initialised = false;
bool g_handlerSaved = false;
std::new_handler g_savedHandler = nullptr;

// operator new's handler: a reserve is spent once and the allocation retried; without one it fails.
void newHandler() {
  if (!gpNewHandler(0)) throw std::bad_alloc();
}

}  // namespace

void gpCheckVersion(uint32_t version, uint32_t build) {
  if (version != GP_VERSION) gpFatalError(kInitModule, kLineVersion, nullptr);
  if ((build & 0xFFFF) != (GP_BUILD & 0xFFFF)) gpFatalError(kInitModule, kLineBuildNumber, nullptr);
  if ((build & 0xFFFF0000u) != (GP_BUILD & 0xFFFF0000u)) gpFatalError(kInitModule, kLineBuildSeries, nullptr);
}

bool gpIsInitialised() { return g_initialised; }

bool gpInit(uint32_t version, uint32_t build) {
  if (g_initialised) gpFatalError(kInitModule, kLineSecondInit, nullptr);
  gpCheckVersion(version, build);
  try {
    gpReadSystemInfo();
    if (!g_handlerSaved) {
      std::new_handler previous = std::set_new_handler(newHandler);
      g_savedHandler = previous == newHandler ? nullptr : previous;
      g_handlerSaved = true;
    }
    if (!gpCreateGlobalPool()) throw std::runtime_error("global pool");
    if (!gpInitMainThread() || !gpMainThread()) throw std::runtime_error("main thread");
    gpBuildFileTypes();
  } catch (...) {
    gpExit();
    return false;
  }
  g_initialised = true;
  return true;
}

bool gpExit() {
  gpCloseAppRegistry();
  gpFreeFileTypes();
  gpExitMainThread();
  gpDestroyGlobalPool();
  gpSetMemoryReserve(0);
  if (g_handlerSaved) {
    // Leave operator new as it was before gpInit, with or without a handler of its own.
    std::set_new_handler(g_savedHandler);
    g_savedHandler = nullptr;
    g_handlerSaved = false;
  }
  g_initialised = false;
  return true;
}
