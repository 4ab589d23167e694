// System information.
#include "GPSystemInfo.h"

#include "GPCpu.h"

#include <windows.h>

namespace {

GPSystemInfo g_info;

}  // namespace

const GPSystemInfo& gpSystemInfo() { return g_info; }

int gpOsKindOf(uint32_t platform, uint32_t major, uint32_t minor) {
  switch (platform) {
    case VER_PLATFORM_WIN32_NT:
      if (major < 5) return GP_OS_NT4;
      return minor != 0 ? GP_OS_NT5_MINOR : GP_OS_NT5;
    case VER_PLATFORM_WIN32_WINDOWS:
      if (major != 4 || minor >= 90) return GP_OS_WINME;
      if (minor >= 10) return GP_OS_WIN98;
      return GP_OS_WIN95;
    case VER_PLATFORM_WIN32s: return GP_OS_WIN32S;
    default: return GP_OS_UNKNOWN;
  }
}

int gpLanguageOf(uint32_t primaryLanguage) {
  switch (primaryLanguage) {
    case LANG_ENGLISH: return GP_LANG_ENGLISH;
    case LANG_FRENCH: return GP_LANG_FRENCH;
    case LANG_GERMAN: return GP_LANG_GERMAN;
    case LANG_JAPANESE: return GP_LANG_JAPANESE;
    case LANG_SPANISH: return GP_LANG_SPANISH;
    default: return GP_LANG_OTHER;
  }
}

int gpProcessorClassOf(uint32_t architecture, uint32_t level, uint32_t processorType, int current) {
  switch (architecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      if (level == 0) {
        if (processorType == 386) return GP_CPU_386;
        if (processorType == 486) return GP_CPU_486;
        if (processorType == 586) return GP_CPU_586;
        if (processorType >= 587) return GP_CPU_686;
        return current;
      }
      switch (level) {
        case 3: return GP_CPU_386;
        case 4: return GP_CPU_486;
        case 5: return GP_CPU_586;
        case 6: return GP_CPU_686;
        case 15: return GP_CPU_FAMILY15;
        default: return level >= 7 ? GP_CPU_686 : current;
      }
    case PROCESSOR_ARCHITECTURE_IA64: return GP_CPU_IA64;
    case PROCESSOR_ARCHITECTURE_PPC:  // leaves the class as it is
      return current;
    default: return -1;
  }
}

bool gpReadSystemInfo() {
  OSVERSIONINFOEXA version = {};
  version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);  // the extended record first
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) {
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) return false;
  }
  const int kind = gpOsKindOf(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
  if (kind == GP_OS_UNKNOWN) return false;
  g_info.osKind = static_cast<uint32_t>(kind);
  g_info.osMajor = version.dwMajorVersion;
  g_info.osMinor = version.dwMinorVersion;

  g_info.language = static_cast<uint32_t>(gpLanguageOf(PRIMARYLANGID(GetUserDefaultLCID())));

  SYSTEM_INFO system = {};
  GetSystemInfo(&system);
  uint32_t architecture = system.wProcessorArchitecture;
  // The 64-bit build reads the processor as the x86 family it belongs to.
  if (architecture == PROCESSOR_ARCHITECTURE_AMD64) architecture = PROCESSOR_ARCHITECTURE_INTEL;
  const int processorClass = gpProcessorClassOf(architecture, system.wProcessorLevel, system.dwProcessorType,
                                                static_cast<int>(g_info.processorClass));
  if (processorClass < 0) return false;
  g_info.processorClass = static_cast<uint32_t>(processorClass);
  g_info.processorRevision = system.wProcessorRevision;
  g_info.processorCount = system.dwNumberOfProcessors;

  uint32_t features = 0;
  if (gpHasMmx()) features |= GP_FEATURE_MMX;
  if (gpHasSse()) {
    features |= GP_FEATURE_SSE;
    if (g_info.processorClass == GP_CPU_FAMILY15) features |= GP_FEATURE_SSE_FAMILY15;
  }
  if (gpHas3DNow()) features |= GP_FEATURE_3DNOW;
  g_info.features = features;
  return true;
}
