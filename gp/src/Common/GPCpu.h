// Processor identification (CPUID) and instruction-set probes.
#pragma once

#include <cstdint>

// Queries of gpCpuId.
enum GPCpuQuery {
  GP_CPU_VENDOR = 0,   // 1 AMD, 2 Intel, 3 Cyrix, 4 Centaur, 0 other
  GP_CPU_MODEL = 1,    // model code from the extended signature (see gpCpuModelCode)
  GP_CPU_PRESENT = 2,  // 1 when CPUID exists
  GP_CPU_FPU = 3,      // 3..10: bits 0..7 of leaf 1 EDX (FPU, VME, DE, PSE, TSC, MSR, PAE, MCE)
  GP_CPU_MCE = 10,
  GP_CPU_MMX = 11,   // bit 23 of leaf 1 EDX
  GP_CPU_3DNOW = 12  // bit 31 of leaf 0x80000001 EDX
};

enum GPCpuVendor {
  GP_VENDOR_OTHER = 0,
  GP_VENDOR_AMD = 1,
  GP_VENDOR_INTEL = 2,
  GP_VENDOR_CYRIX = 3,
  GP_VENDOR_CENTAUR = 4
};

// Answers a query about the processor; every query answers 0 without CPUID.
int gpCpuId(int query);
// The vendor code of a 12-character CPUID leaf-0 vendor string.
int gpCpuVendorOf(const char* vendor12);
// The model code of a vendor code, family and model (0 for combinations without a code).
int gpCpuModelCode(int vendor, int family, int model);

bool gpHasMmx();
bool gpHas3DNow();
// The processor reports SSE (false when CPUID faults).
bool gpCpuHasSse();
// An SSE instruction executes without a fault.
bool gpOsHasSse();
bool gpHasSse();
// Unmasks the SSE divide-by-zero exception and divides by zero: false only on an illegal-instruction fault.
bool gpOsHasSseExceptions();
