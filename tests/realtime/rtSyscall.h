// System calls on the audio path, caught in a child process: the child (forked after the set-up, so it
// holds a copy of everything the parent prepared) installs a seccomp filter that traps every system
// call but exit, exit_group and rt_sigreturn, then runs the audio work. The first trapped call ends the
// child; its number, the address it was made from and a backtrace are left in memory shared with the
// parent. The work reports its own results through the shared payload.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

struct RtSyscallResult {
  bool childRan = false;    // the fork worked and the child reached the work
  bool finished = false;    // the work returned without a system call
  long syscallNumber = -1;  // the first trapped call, -1 none
  std::string where;        // symbolised backtrace of that call
  std::string failure;      // how the child ended when it neither finished nor trapped
};

// Runs `work(payload)` in a child without system calls. `payload` is `payloadBytes` of zeroed memory
// shared with the parent (readable after the call through `payloadOut` when not null; it stays valid
// until the next call).
// With trapAtStart false the filter is installed only when the work calls rtTrapSyscallsNow (so a
// prologue the check is not about may still call the system).
RtSyscallResult rtRunWithoutSyscalls(const std::function<void(void* payload)>& work, std::size_t payloadBytes,
                                     const void** payloadOut = nullptr, bool trapAtStart = true);
// In the child of rtRunWithoutSyscalls: installs the filter now (once); elsewhere it does nothing.
void rtTrapSyscallsNow();

// A readable name of a system call number (x86-64), or its number.
std::string rtSyscallName(long number);
