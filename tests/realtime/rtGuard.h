// A guard for the audio thread's rule "no allocation, no lock, no system call": armed around the audio
// work on the calling thread, it counts every allocation or release (the sanitizer allocator's hooks)
// and every lock or wait (the program's own pthread_mutex_lock, rwlock, semaphore and condition-variable
// functions, which forward to the real ones) made by that thread while armed, and keeps the first few
// with a backtrace. System calls are caught by a child process under a seccomp filter (rtSyscall.h).
#pragma once
#include <cstddef>
#include <string>

enum RtViolationKind { rtKindAlloc = 0, rtKindFree = 1, rtKindLock = 2, rtKindCount = 3 };

// Installs the hooks and resolves the forwarded functions; idempotent. Call before the first arm.
void rtGuardInit();

// Arms / disarms the guard for the calling thread only (other threads are never counted).
void rtArm();
void rtDisarm();
bool rtIsArmed();

// Forgets the violations seen so far.
void rtReset();
int rtViolations();  // all kinds
int rtViolations(RtViolationKind kind);
// The first recorded violations: kind, function and size, then a symbolised backtrace; empty when none.
std::string rtReport(int maxEntries = 3);

// Arms for the lifetime of the scope.
struct RtArmed {
  RtArmed() { rtArm(); }
  ~RtArmed() { rtDisarm(); }
  RtArmed(const RtArmed&) = delete;
  RtArmed& operator=(const RtArmed&) = delete;
};

// Symbolised frames (function, file:line) of a backtrace taken with backtrace(); `skip` frames dropped.
std::string rtSymbolize(void* const* frames, int depth, int skip = 0);
