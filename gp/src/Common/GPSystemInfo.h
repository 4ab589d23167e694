// System information read once at start-up: operating system, language, processor and its features.
#pragma once

#include <cstdint>

enum GPOsKind {
  GP_OS_UNKNOWN = 0,
  GP_OS_WIN32S = 1,
  GP_OS_WIN95 = 2,
  GP_OS_WIN98 = 3,
  GP_OS_WINME = 4,     // and any other 9x release
  GP_OS_NT4 = 5,       // NT 4 or older
  GP_OS_NT5 = 6,       // NT 5 or later with minor version 0
  GP_OS_NT5_MINOR = 7  // NT 5 or later with a non-zero minor version
};

enum GPLanguage {
  GP_LANG_ENGLISH = 0,
  GP_LANG_FRENCH = 1,
  GP_LANG_GERMAN = 2,
  GP_LANG_JAPANESE = 3,
  GP_LANG_SPANISH = 4,
  GP_LANG_OTHER = 5
};

enum GPProcessorClass {
  GP_CPU_UNKNOWN = 0,
  GP_CPU_386 = 1,
  GP_CPU_486 = 2,
  GP_CPU_586 = 3,
  GP_CPU_686 = 4,
  GP_CPU_FAMILY15 = 5,
  GP_CPU_IA64 = 6
};

// Bits of the features word.
enum GPFeature { GP_FEATURE_MMX = 1, GP_FEATURE_SSE = 2, GP_FEATURE_3DNOW = 4, GP_FEATURE_SSE_FAMILY15 = 8 };

struct GPSystemInfo {
  uint32_t osKind = GP_OS_UNKNOWN;
  uint32_t osMajor = 0;
  uint32_t osMinor = 0;
  uint32_t language = GP_LANG_OTHER;
  uint32_t processorClass = GP_CPU_UNKNOWN;
  uint32_t processorCount = 0;
  uint32_t processorRevision = 0;
  uint32_t features = 0;  // GPFeature bits
};

// Fills the record from the system; false when the system cannot be classified.
bool gpReadSystemInfo();
const GPSystemInfo& gpSystemInfo();

// The rules gpReadSystemInfo applies, one by one.
// OS kind by platform id (0 Win32s, 1 9x, 2 NT) and version; GP_OS_UNKNOWN for another platform.
int gpOsKindOf(uint32_t platform, uint32_t major, uint32_t minor);
// Language code of a primary language id.
int gpLanguageOf(uint32_t primaryLanguage);
// Processor class of an architecture, level and processor type; `current` is kept for architectures
// that do not change it; -1 for an architecture that cannot be classified.
int gpProcessorClassOf(uint32_t architecture, uint32_t level, uint32_t processorType, int current);
