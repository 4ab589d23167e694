#include "rtSyscall.h"

#include <execinfo.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "rtGuard.h"

namespace {

const int kFrames = 32;

struct SharedHeader {
  volatile int reached;        // the child installed the filter and began the work
  volatile int finished;       // the work returned
  volatile long number;        // trapped system call, -1 none
  void* volatile callAddress;  // where it was made from
  void* volatile frames[kFrames];
  volatile int depth;
};

SharedHeader* gShared = nullptr;  // the child's view (set before the filter)
void* gMapping = nullptr;
std::size_t gMappingBytes = 0;

void onSigsys(int, siginfo_t* info, void*) {
  gShared->number = info->si_syscall;
  gShared->callAddress = info->si_call_addr;
  // The unwinder is warmed up before the filter; should it still call the system, SIGSYS (blocked
  // while this handler runs) ends the child, and the number above is already recorded.
  void* frames[kFrames];
  const int depth = backtrace(frames, kFrames);
  for (int i = 0; i < depth; ++i) gShared->frames[i] = frames[i];
  gShared->depth = depth;
  syscall(SYS_exit_group, 0);
}

bool installFilter() {
  struct sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_exit_group, 3, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_exit, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_rt_sigreturn, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  struct sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
  return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

}  // namespace

void rtTrapSyscallsNow() {
  if (!gShared || gShared->reached) return;
  if (!installFilter()) _exit(3);
  gShared->reached = 1;
}

RtSyscallResult rtRunWithoutSyscalls(const std::function<void(void* payload)>& work, std::size_t payloadBytes,
                                     const void** payloadOut, bool trapAtStart) {
  RtSyscallResult result;
  if (gMapping) munmap(gMapping, gMappingBytes);
  const std::size_t headerBytes = (sizeof(SharedHeader) + 63) / 64 * 64;
  gMappingBytes = headerBytes + payloadBytes;
  gMapping = mmap(nullptr, gMappingBytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (gMapping == MAP_FAILED) {
    gMapping = nullptr;
    result.failure = "shared memory refused";
    return result;
  }
  auto* header = static_cast<SharedHeader*>(gMapping);
  void* payload = static_cast<char*>(gMapping) + headerBytes;
  header->number = -1;
  if (payloadOut) *payloadOut = payload;

  void* warm[4];
  backtrace(warm, 4);  // loads the unwinder in the parent, so the child inherits it ready
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    result.failure = "fork failed";
    return result;
  }
  if (child == 0) {
    gShared = header;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_sigaction = onSigsys;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGSYS, &action, nullptr) != 0) _exit(3);
    if (trapAtStart) rtTrapSyscallsNow();
    work(payload);
    header->finished = 1;
    syscall(SYS_exit_group, 0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  result.childRan = header->reached != 0;  // the filter was in place
  result.finished = header->finished != 0;
  result.syscallNumber = header->number;
  if (header->number >= 0) {
    void* frames[kFrames];
    const int depth = header->depth;
    for (int i = 0; i < depth; ++i) frames[i] = header->frames[i];
    void* call = header->callAddress;
    result.where = "    call at " + rtSymbolize(&call, 1).substr(7);
    result.where += rtSymbolize(frames, depth, 0);
  }
  if (!result.finished && header->number < 0) {
    if (WIFSIGNALED(status))
      result.failure = "child ended by signal " + std::to_string(WTERMSIG(status));
    else if (WIFEXITED(status))
      result.failure = "child exited with " + std::to_string(WEXITSTATUS(status));
  }
  return result;
}

std::string rtSyscallName(long number) {
  switch (number) {
    case __NR_read: return "read";
    case __NR_write: return "write";
    case __NR_openat: return "openat";
    case __NR_close: return "close";
    case __NR_mmap: return "mmap";
    case __NR_munmap: return "munmap";
    case __NR_mprotect: return "mprotect";
    case __NR_brk: return "brk";
    case __NR_futex: return "futex";
    case __NR_nanosleep: return "nanosleep";
    case __NR_clock_nanosleep: return "clock_nanosleep";
    case __NR_clock_gettime: return "clock_gettime";
    case __NR_gettid: return "gettid";
    case __NR_getpid: return "getpid";
    case __NR_sched_yield: return "sched_yield";
    case __NR_madvise: return "madvise";
    case __NR_rt_sigprocmask: return "rt_sigprocmask";
    case __NR_getrandom: return "getrandom";
    case __NR_ioctl: return "ioctl";
    case __NR_kill: return "kill";
    case __NR_tgkill: return "tgkill";
    default: return "system call " + std::to_string(number);
  }
}
