// Processor identification and instruction-set probes. The probes execute the instruction in question
// with a vectored exception handler armed for this thread; a fault at the probe's own instruction is
// recorded and execution continues after it.
#include "GPCpu.h"

#include <windows.h>

#include <cstring>

namespace {

// The probe armed on this thread: the instruction bytes it executes and the fault it met.
struct Probe {
  bool armed;
  const unsigned char* opcode;
  unsigned length;
  DWORD fault;
  unsigned mxcsr;  // restored into the faulting context
};
thread_local Probe t_probe;

LONG CALLBACK probeHandler(EXCEPTION_POINTERS* info) {
  Probe& probe = t_probe;
  if (!probe.armed) return EXCEPTION_CONTINUE_SEARCH;
  const unsigned char* at = static_cast<const unsigned char*>(info->ExceptionRecord->ExceptionAddress);
  if (!at || std::memcmp(at, probe.opcode, probe.length) != 0) return EXCEPTION_CONTINUE_SEARCH;
  probe.fault = info->ExceptionRecord->ExceptionCode;
  CONTEXT* context = info->ContextRecord;
#if defined(_WIN64)
  context->Rip += probe.length;
  context->MxCsr = probe.mxcsr;
#else
  context->Eip += probe.length;
  if ((context->ContextFlags & CONTEXT_EXTENDED_REGISTERS) == CONTEXT_EXTENDED_REGISTERS)
    std::memcpy(context->ExtendedRegisters + 24, &probe.mxcsr, 4);  // MXCSR in the FXSAVE area
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

class ArmedProbe {
 public:
  ArmedProbe(const unsigned char* opcode, unsigned length, unsigned mxcsr = 0x1F80) {
    t_probe.opcode = opcode;
    t_probe.length = length;
    t_probe.fault = 0;
    t_probe.mxcsr = mxcsr;
    m_handler = AddVectoredExceptionHandler(1, probeHandler);
    t_probe.armed = true;
  }
  ~ArmedProbe() {
    t_probe.armed = false;
    if (m_handler) RemoveVectoredExceptionHandler(m_handler);
  }
  DWORD fault() const { return t_probe.fault; }

 private:
  void* m_handler;
};

const unsigned char kCpuidOpcode[] = {0x0F, 0xA2};              // cpuid
const unsigned char kXorpsOpcode[] = {0x0F, 0x57, 0xC0};        // xorps %xmm0, %xmm0
const unsigned char kDivssOpcode[] = {0xF3, 0x0F, 0x5E, 0xC1};  // divss %xmm1, %xmm0

void cpuid(unsigned leaf, unsigned regs[4]) {
  unsigned a, b, c, d;
  // The memory clobber keeps an armed probe's bookkeeping in memory before the instruction runs.
  asm volatile(".byte 0x0F, 0xA2" : "=a"(a), "=b"(b), "=c"(c), "=d"(d) : "a"(leaf), "c"(0) : "memory");
  regs[0] = a;
  regs[1] = b;
  regs[2] = c;
  regs[3] = d;
}

bool cpuidExists() {
#if defined(__x86_64__)
  return true;
#else
  unsigned before, after;
  asm volatile(
      "pushfl\n\t"
      "popl %%eax\n\t"
      "movl %%eax, %0\n\t"
      "xorl $0x200000, %%eax\n\t"
      "pushl %%eax\n\t"
      "popfl\n\t"
      "pushfl\n\t"
      "popl %%eax\n\t"
      "movl %%eax, %1\n\t"
      "pushl %0\n\t"
      "popfl"
      : "=&r"(before), "=&r"(after)
      :
      : "eax", "cc");
  return ((before ^ after) & 0x200000) != 0;
#endif
}

struct CpuFacts {
  bool present = false;
  int vendor = 0;
  unsigned leaf1Edx = 0;
  unsigned extEax = 0;
  unsigned extEdx = 0;
};

const CpuFacts& cpuFacts() {
  static const CpuFacts facts = [] {
    CpuFacts f;
    if (!cpuidExists()) return f;
    f.present = true;
    unsigned regs[4];
    cpuid(0, regs);
    char vendor[13];
    std::memcpy(vendor, &regs[1], 4);
    std::memcpy(vendor + 4, &regs[3], 4);
    std::memcpy(vendor + 8, &regs[2], 4);
    vendor[12] = '\0';
    f.vendor = gpCpuVendorOf(vendor);
    if (regs[0] >= 1) {
      cpuid(1, regs);
      f.leaf1Edx = regs[3];
    }
    cpuid(0x80000000u, regs);
    if (regs[0] >= 0x80000001u) {
      cpuid(0x80000001u, regs);
      f.extEax = regs[0];
      f.extEdx = regs[3];
    }
    return f;
  }();
  return facts;
}

}  // namespace

int gpCpuVendorOf(const char* vendor12) {
  static const char* const names[] = {"AuthenticAMD", "GenuineIntel", "CyrixInstead", "CentaurHauls"};
  for (int i = 0; i < 4; ++i)
    if (std::strncmp(vendor12, names[i], 12) == 0) return i + 1;
  return GP_VENDOR_OTHER;
}

int gpCpuModelCode(int vendor, int family, int model) {
  if (vendor == GP_VENDOR_AMD) {
    if (family == 4) return 1;
    if (family == 5) {
      if (model >= 0 && model <= 3) return 2;
      if (model >= 4 && model <= 7) return 3;
      if (model == 8) return 4;
      if (model == 9) return 5;
      return 0;
    }
    if (family == 6) return 6;
    return 0;
  }
  if (vendor == GP_VENDOR_INTEL) {
    if (family == 4) {
      switch (model) {
        case 0:
        case 1: return 7;
        case 2: return 8;
        case 3: return 9;
        case 4: return 10;
        case 5: return 11;
        case 7: return 12;
        case 8: return 13;
        default: return 0;
      }
    }
    if (family == 5) {
      if (model >= 1 && model <= 3) return 14;
      if (model == 4) return 15;
      return 0;
    }
    if (family == 6) {
      switch (model) {
        case 1: return 16;
        case 3:
        case 5: return 17;
        case 6: return 18;
        case 7: return 19;
        default: return 0;
      }
    }
  }
  return 0;
}

int gpCpuId(int query) {
  const CpuFacts& f = cpuFacts();
  if (!f.present) return 0;
  if (query == GP_CPU_VENDOR) return f.vendor;
  if (query == GP_CPU_MODEL)
    return gpCpuModelCode(f.vendor, static_cast<int>((f.extEax >> 8) & 15), static_cast<int>((f.extEax >> 4) & 15));
  if (query == GP_CPU_PRESENT) return 1;
  if (query >= GP_CPU_FPU && query <= GP_CPU_MCE) return static_cast<int>((f.leaf1Edx >> (query - GP_CPU_FPU)) & 1);
  if (query == GP_CPU_MMX) return static_cast<int>((f.leaf1Edx >> 23) & 1);
  if (query == GP_CPU_3DNOW) return static_cast<int>((f.extEdx >> 31) & 1);
  return 0;
}

bool gpHasMmx() { return gpCpuId(GP_CPU_MMX) != 0; }

bool gpHas3DNow() { return gpCpuId(GP_CPU_3DNOW) != 0; }

bool gpCpuHasSse() {
  unsigned regs[4] = {0, 0, 0, 0};
  {
    ArmedProbe probe(kCpuidOpcode, sizeof kCpuidOpcode);
    cpuid(1, regs);
    if (probe.fault()) return false;
  }
  return ((regs[3] >> 25) & 1) != 0;
}

bool gpOsHasSse() {
  ArmedProbe probe(kXorpsOpcode, sizeof kXorpsOpcode);
  asm volatile(".byte 0x0F, 0x57, 0xC0" ::: "xmm0", "memory");
  return probe.fault() == 0;
}

bool gpHasSse() { return gpCpuHasSse() && gpOsHasSse(); }

bool gpOsHasSseExceptions() {
  unsigned saved = 0;
  asm volatile("stmxcsr %0" : "=m"(saved));
  DWORD fault = 0;
  {
    ArmedProbe probe(kDivssOpcode, sizeof kDivssOpcode, saved);
    unsigned unmasked = saved & ~0x200u;  // divide-by-zero exception unmasked
    float one = 1.0f, zero = 0.0f;
    asm volatile(
        "ldmxcsr %2\n\t"
        "movss %0, %%xmm0\n\t"
        "movss %1, %%xmm1\n\t"
        ".byte 0xF3, 0x0F, 0x5E, 0xC1"
        :
        : "m"(one), "m"(zero), "m"(unmasked)
        : "xmm0", "xmm1", "memory");
    fault = probe.fault();
  }
  asm volatile("ldmxcsr %0" : : "m"(saved));
  return fault != EXCEPTION_ILLEGAL_INSTRUCTION;
}
